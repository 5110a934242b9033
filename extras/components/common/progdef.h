#pragma once
// What a program number shows, read from the definition table xt_progdef of the
// database the component is given:
//   progno, kind ("edit", "report" or "alert"), caption,
//   documents:  tablename, keycol, columns, linetable, linefk, linecols,
//               scope ("col=value,col=value": the rows this program sees and the
//               values a new record gets), readonly (1: view only);
//   reports:    reportsql (one select; ":name" marks a parameter), params,
//               columns (how the result columns are shown), groupcol, sumcols,
//               opensprog / openskey (the document a row opens, and the result
//               column holding its key).
// columns / linecols: "name:caption:type:width:options" separated by ";", type t (text),
// n (number) or d (date, yyyy-MM-dd); a leading "*" marks a required field.
// options, separated by ",": "dec=N" (a number's decimals), "min>X" / "min>=X"
// (its lower bound), "calc=a*b" (computed from two columns of the same row,
// read-only), "sum=col" (a header column: the total of a line column),
// "ref=table" (a code of a master table with the columns code and name).
// docopts (documents): "number=PREFIX:yyyyMM:N" (numbered by the editor, N-digit
// sequence per date period; "typed" lets the operator type a number instead),
// "status=col:first,second,..." (the status values, the first for new documents),
// "version" (the header's version, modifier and modtime columns guard against
// lost updates), "approve" (审核 / 弃审 here: the first status to the second and
// back, recorded in approver and approvetime) separated by ";".
// docopts (alerts): "right=N": the section is shown to operators who may run program N
// (without it, to those who may open the documents its rows open).
// groupcol (reports): the report's SQL orders its rows by this column first.
// params: "name:caption:type:default" separated by ";" (type l: text found
// anywhere in the column, for "like" conditions); the default may be
// "@today" (the operating date), "@monthstart", "@yearstart" or "@today-N" (N days before).
// Line tables carry a "lineno" column the editor numbers the lines with.
// Table and column names are checked to be plain identifiers; values are always bound.
#include <QDate>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantList>

class Database;
class SystemServices;

namespace lwcommon {

struct Column {
    QString name, caption;
    QChar type = QLatin1Char('t');
    int width = 100;
    bool required = false;
    int decimals = -1; // -1: as typed
    bool hasMin = false, minInclusive = false;
    QString minimum;            // decimal text
    QString calcA, calcB;       // computed as calcA * calcB
    QString sumOf;              // header total of a line column
    QString reference;          // master table
    QString nameOf;             // the code column whose master's name this column shows
    bool computed() const { return !calcA.isEmpty() || !sumOf.isEmpty(); }
};

struct Param {
    QString name, caption;
    QChar type = QLatin1Char('t');
    QString defaultValue;
};

struct Definition {
    int programNumber = 0;
    QString kind, caption, table, key;
    QList<Column> columns;
    QString lineTable, lineForeignKey;
    QList<Column> lineColumns;
    QList<QPair<QString, QString>> scope;
    bool readOnly = false;
    QString reportSql;
    QList<Param> params;
    QString groupColumn;
    QStringList sumColumns;
    int opensProgram = 0;
    QString opensKey;
    // Documents: numbering, status and version (docopts).
    QString numberPrefix, numberDateFormat;
    int numberDigits = 0;
    bool numberTyped = false;
    QString statusColumn;
    QStringList statuses;
    bool versioned = false;
    bool approves = false; // 审核 / 弃审 are actions of this program
    // Alerts: the program whose right 1 lets an operator see the section (0: the one its rows open).
    int rightProgram = 0;

    bool hasLines() const { return !lineTable.isEmpty(); }
    const Column *column(const QString &name) const;
    const Column *lineColumn(const QString &name) const;
    bool numbered() const { return numberDigits > 0; }
};

// Reads the docopts of a document definition into d; false when an option is not understood,
// with *reason in the administrator's words.
bool parseDocOptions(const QString &text, Definition *d, QString *reason = nullptr);

// A plain name: a letter or "_", then letters, digits or "_", 64 characters at most (it is
// written into SQL as a table or column name).
bool isIdentifier(const QString &name);
// Append the columns / parameters of a list to *out; false (with *reason) when an entry does
// not parse, a name is no identifier, or (columns) the list is empty.
bool parseColumns(const QString &text, QList<Column> *out, QString *reason = nullptr);
bool parseParams(const QString &text, QList<Param> *out, QString *reason = nullptr);

// Reads the definition of a program number; false with *error in the operator's words.
bool readDefinition(Database *db, int programNumber, Definition *out, QString *error);
// Every definition of a kind, in program-number order (the alert list reads all of kind "alert").
QList<Definition> readDefinitions(Database *db, const QString &kind, QString *error);

// Why a (trimmed, non-empty) value does not fit type n (number) or d (date)
// of the field or parameter named caption, in the operator's words; "" when it fits.
QString typeProblem(QChar type, const QString &caption, const QString &value);

// The value a parameter starts with on the given operating date.
QString defaultParamValue(const Param &p, const QDate &operatingDate);

// The report's SQL with each ":name" of a known parameter replaced by "?" and
// the values to bind in that order, so no value is ever part of the SQL text.
// Unknown names stay as written, and nothing inside a 'literal' (a time such as
// '12:30'), a "quoted name" or a -- or /* */ comment is a parameter; "::" is a cast.
// False with *error (and *sql, *bound empty) when a value does not fit its type,
// or when the SQL holds a "?" of its own outside those, which would take a value
// meant for another placeholder.
bool bindReportSql(const Definition &d, const QMap<QString, QString> &values, QString *sql, QVariantList *bound,
                   QString *error);

// The operating date the operator logged in with (today when none is known).
QDate operatingDate(SystemServices *sys);

} // namespace lwcommon

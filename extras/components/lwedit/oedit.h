#pragma once
// "LwEdit.oedit": the document editor. What it edits comes from the definition
// table xt_progdef (progdef.h): the table and key, the header fields, the lines
// of a document, the scope of the program (e.g. one bill type of a shared table)
// and whether it is view only.
//
// The host calls Py_Init, then (edit windows) setSParameters with "sID"; before
// it removes the tab or window it calls queryClose() and keeps the component when
// that answers false, then Clear().
#include "core/contracts.h"
#include "../common/progdef.h"

#include <QStringList>
#include <QVariantList>
#include <QWidget>

class Database;
class QLineEdit;
class QTableWidget;
class QLabel;
class QPushButton;
class QStackedWidget;
class QFormLayout;

namespace lwedit {

class DocumentList;
using lwcommon::Column;
using lwcommon::Definition;

class OEdit : public QWidget, public IBusinessComponent
{
    Q_OBJECT
    Q_INTERFACES(IBusinessComponent)
public:
    explicit OEdit(QWidget *parent = nullptr);
    ~OEdit() override;

    bool Py_Init(SystemServices *&sys, clsConfig *&config, int32_t &programNumber, QVariantList &args) override;
    void Clear() override;
    void setSParameters(const ParameterSet &parameters) override;
    bool hasUnsavedChanges() const override { return m_dirty; }
    // "采购订单 PO202612160"; a document without a number yet: "采购订单（新单据）".
    QString unsavedWork() const override;

    // Asks about unsaved changes (Yes saves, No drops, Cancel keeps); true when the host may close.
    bool queryClose();

    // The list: rows whose text columns contain the filter (all rows for "").
    void setFilter(const QString &text);
    int listRowCount() const;
    DocumentList *documentList() const { return m_list; }
    QString listText(int row, const QString &column) const;

    // The form: opens a record by key, or a new one; fields by column name.
    bool openRecord(const QVariant &key);
    void newRecord();
    void setField(const QString &column, const QString &value);
    QString field(const QString &column) const;
    // Lines of the document in the form (each row by line column name).
    void setLines(const QList<QMap<QString, QString>> &lines);
    int lineCount() const;

    // Checks, computes and saves header and lines in one transaction (a new
    // document numbered inside it); false (nothing saved, the form as it was)
    // with the reason in lastError(), which is also sent as "errmessage".
    // A document somebody else changed or deleted since it was opened is refused.
    bool save();
    // 审核 / 弃审 of the open document (saved, unchanged), each guarded by its right
    // (2 and 3 of the program); false with the reason in lastError().
    bool approve();
    bool unapprove();
    // Deletes the open document with its lines (right 4), asked first; refused for an approved one.
    bool deleteRecord();
    // Removes a line of the form, asked first.
    bool deleteLine(int row);
    // The version the open document had when it was read (0: none kept).
    qint64 version() const { return m_version; }
    // A line's cell as the form shows it.
    QString lineText(int row, const QString &column) const;
    // Name of the master record a reference field's code names ("" when none).
    QString referenceName(const QString &column) const;
    // Completion candidates of a reference column for typed text (code, name or initials).
    QStringList completions(const QString &column, const QString &typed) const;
    QString lastError() const { return m_lastError; }
    QString validate() const;

Q_SIGNALS:
    void objectEvent(const QString &name, const QVariantList &params);

private:
    void buildUi();
    void reloadList();
    void fail(const QString &text);
    void showForm(bool show);
    void setEditable(bool editable);
    // Checks the form and gives the values to store (header, lines); "" when they fit.
    QString collect(QVariantList *header, QList<QVariantList> *lines) const;
    enum class Outcome { Saved, Refused, Duplicate, ReadOnly, Busy, Connection, Other };
    Outcome write(const QVariantList &header, const QList<QVariantList> &lines, bool autoNumber, QString *number,
                  QString *message);
    // The operator's sentence for the database's last error (the driver's words go to the log);
    // doc names the document ("单据 PO202612001"), action what was not done ("保存", "删除", ...).
    Outcome failed(QString *message, const QString &doc, const QString &action = QStringLiteral("保存"));
    // Whether the database takes changes now (a file made read-only meanwhile does not); else *message.
    bool writable(const QString &doc, const QString &action, QString *message);
    // How a document is named in messages: its number, or, numbered by the editor and not stored yet, its kind.
    QString docText(const QString &number, bool numberedByEditor) const;
    // The next free number of the document's period; "" when the database fails; with *usedUp (every
    // number of the period taken) the period's stem ("PO202612").
    QString nextNumber(bool *usedUp);
    QString referenceProblem(const Column &c, const QString &code, const QString &where);
    void loadReferences();
    void showComputed(const QVariantList &header, const QList<QVariantList> &lines);
    bool isApproved() const;
    bool setStatus(const QString &from, const QString &to, int right, const QString &action);
    bool mayDo(int right, const QString &action);
    // Why the open document cannot be written over; action: "改", "删除", "审核", "弃审".
    QString conflict(const QString &doc, const QString &action);
    void updateActions();
    int keyIndex() const;

    SystemServices *m_sys = nullptr;
    int m_programNumber = 0;
    qint64 m_version = 0;
    // Master data of the reference columns: table -> code -> name.
    QMap<QString, QMap<QString, QString>> m_references;
    QList<QLabel *> m_names;

    Database *m_db = nullptr;
    Definition m_def;
    int m_openMode = -1; // -1: the main window (list first)
    QVariant m_currentKey; // invalid: a new record
    bool m_dirty = false;
    bool m_loading = false;
    QString m_lastError;

    QStackedWidget *m_stack = nullptr;
    DocumentList *m_list = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_note = nullptr; // why the open document cannot be changed
    QList<QLineEdit *> m_fields;
    QTableWidget *m_lines = nullptr;
    QPushButton *m_btnSave = nullptr, *m_btnAddLine = nullptr, *m_btnModify = nullptr;
    QPushButton *m_btnDeleteLine = nullptr, *m_btnDelete = nullptr, *m_btnApprove = nullptr, *m_btnUnapprove = nullptr;
};

} // namespace lwedit

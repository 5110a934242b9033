#pragma once
// The main window's rules that need no widget: the SQL of the catalog, button
// and icon queries, the one-item-per-catalog choice, the remembered menu
// button, and the reading of the window's per-user settings.
#include <QList>
#include <QtGlobal>
#include <QString>
#include <QStringList>

namespace workspace {

// A text as an SQL string literal: in single quotes, quotes inside doubled.
QString sqlQuote(const QString &text);

// Length of a first-level menu code: the first digit of the menu-code
// structure ("menubm"; "22222" when empty). A structure that does not start
// with a digit gives 0, as its numeric value does.
int firstLevelCodeLength(const QString &menubm);

// The query of the navigation panel's catalogs: every first-level entry with
// children and every top-level detail entry, with its subsystem's catalog, in
// menu order. n is the first-level code length.
QString catalogQuery(int n);

struct CatalogRow {
    QString menucode;
    QString systemcatalog;
    QString systemcode;
};

struct CatalogItem {
    QString caption;  // the catalog, trimmed
    QString key;      // the subsystem code of its first row, trimmed
    QString iconCode; // the menu code of its first row, trimmed (its icon)
};

// One item per catalog (names compared after trimming), at the place of the
// catalog's first row, keyed and iconed by that row.
QList<CatalogItem> catalogItems(const QList<CatalogRow> &rows);

// The query of a catalog's menu buttons: the major grouping entries with
// children and the major first-level entries of the catalog's subsystems,
// first-level entries first, then by parent and menu order. The catalog name
// is taken as received and quoted, so a name holding a quote still finds its
// subsystems.
QString buttonQuery(const QString &catalog);

// The query of a stored icon (or process map) by menu code: the type is a
// number and written into the text, the code is bound as the one "?" value.
QString storedFileQuery(int type);

// Which button to press after a catalog's buttons were made: captions are the
// buttons' captions in order (button 1 first). The last button whose trimmed
// caption equals the remembered one wins; without a match (or without a
// remembered caption) the first button; 0 when there are no buttons.
int buttonToPress(const QStringList &captions, const QString &remembered);

// The navigation panel's stored width ("navpanel_width"), read the lenient
// way numbers are read from settings: leading blanks skipped, the leading
// number taken ("3600abc" is 3600). A text without a leading number, a
// negative or an endless number cannot be a width: the design width is kept
// and usable is false with the reason.
struct StoredWidth {
    double width = 0;
    bool usable = true;
    QString reason;
};
StoredWidth navPanelWidth(const QString &stored, double designWidth);

// The number of large rows of the navigation panel ("NavPaneVisibleItems"):
// the leading number rounded half to even; no number gives 0, a negative
// count 0, and a number too large for the count keeps the default.
int visibleRows(const QString &stored, int defaultRows = 3);

// The width saved at unload: the panel's width less the 60 twips the next
// resize pass adds, as the shortest text of the number.
QString savedNavPanelWidth(double panelWidth);
// The panel width a stored "navpanel_width" opens at: the setting holds the
// width less 60 (as the program has always written it), so the panel opens
// at the width it had when the window closed.
double restoredNavPanelWidth(double storedWidth);

// The idle lock's setting (minutes; "" or "0" is off). Anything but a whole
// number from 0 to 1440 is off as well, with *problem saying why.
int idleLockMinutes(const QString &setting, QString *problem);
// What the idle lock does after idleMs without input: nothing, warn once when
// one minute is left (at once for a lock of one minute), or lock.
enum class IdleStep { Nothing, Warn, Lock };
IdleStep idleStep(qint64 idleMs, int minutes, bool warned);

// What the header says about the books the operator works in: the company and
// the database (driver, server and name, or the SQLite file's name), and for a
// test or training copy (copyKind "test" / "training") the words that mark it,
// also as the window title's suffix.
struct DatabaseBadge {
    QString line;
    QString detail; // the whole path or connection, for the tool tip
    QString titleSuffix;
    bool copy = false;
};
DatabaseBadge databaseBadge(const QString &company, const QString &driver, const QString &server,
                            const QString &database, const QString &dsn, const QString &copyKind);

} // namespace workspace

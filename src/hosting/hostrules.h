#pragma once
// The rules of function launch and hosting that need no widget: which class a
// menu catalog number opens, the tab keys, the edit window's parameter and
// geometry switches, the numbers read from menu rows.
#include <QString>
#include <QVariant>

#include <cstdint>
#include <optional>

namespace hosting {

// The ProgID the main window hosts in a tab for a menu catalog number; "" for none.
QString mainProgId(int32_t catalog);
// The ProgID an edit window hosts; "" for a catalog the edit window does not know.
QString editProgId(int32_t catalog);

// A numeric column of a menu row: its text's leading number (null, empty and
// other text give 0).
double numericField(const QVariant &value);
// The number as a 32-bit integer; nullopt when it does not fit (VB's overflow).
std::optional<int32_t> int32Field(const QVariant &value);

// "0102-7": the menu code, "-" and the tab counter.
QString tabKey(const QString &menuCode, int32_t counter);
// The counter after the last "-" of a tab key, as a 16-bit number; nullopt when there is none or it does not fit.
std::optional<int16_t> hostIndexFromKey(const QString &key);
// The name of the control hosted in host area n ("3edit").
QString componentName(int hostIndex);

// The edit window's parameter: a number written plainly ("12") becomes that
// number; any other text ("012", "A1", " 7") stays text; a non-text value stays as it is.
QVariant editParameter(const QVariant &given);

// The edit window's geometry from a stored command line: each of the switches
// w, h, l, t whose value is a number greater than 0 (twips); absent or 0 or
// below leaves the design value (nullopt).
struct EditGeometry {
    std::optional<int> width, height, left, top;
};
EditGeometry editGeometry(const QString &commandLine);

// Whether a stored command line asks for an edit window (the switch "s").
bool wantsEditWindow(const QString &commandLine);

// An accounting period as the header shows it: "2026年12期"; "" without a year.
QString periodText(int period, int year);

// Twips (1440 an inch) as whole pixels at dpi dots per inch; a dpi that is not
// positive counts as 96.
int twipsToPixels(double twips, double dpi);

} // namespace hosting

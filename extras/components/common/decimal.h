#pragma once
// Amounts as decimal text: parsed, checked, multiplied, added and rounded
// exactly (half away from zero), never through binary floating point.
#include <QString>
#include <QVariant>

namespace lwcommon {

struct Column;

// Integer digits a number column of the databases holds (numeric(19,4)).
constexpr int kIntegerDigits = 15;

// Why text does not fit the number column (its caption and the reason, in the
// operator's words), or "" with *canonical set to the plain decimal text.
QString checkNumber(const Column &c, const QString &text, QString *canonical);
// a * b rounded to decimals; "" when either is not a plain decimal.
QString multiply(const QString &a, const QString &b, int decimals);
// a + b; "" when either is not a plain decimal.
QString add(const QString &a, const QString &b);
// A stored number (double, integer or decimal text) shown with decimals (-1: as stored).
QString formatNumber(const QVariant &v, int decimals);
// Integer digits of a plain decimal.
int integerDigits(const QString &decimal);

} // namespace lwcommon

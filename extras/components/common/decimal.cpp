#include "decimal.h"

#include "progdef.h"

#include <QRegularExpression>

#include <cmath>

namespace lwcommon {

namespace {

using Int = __int128;

struct Dec {
    Int units = 0;
    int scale = 0;
};

const QRegularExpression &plain()
{
    static const QRegularExpression re(QStringLiteral("^([+-]?)([0-9]+)(?:\\.([0-9]*))?$"));
    return re;
}

// At most 30 significant digits: everything the columns hold, with room for a product.
bool parse(const QString &text, Dec *out)
{
    const auto m = plain().match(text.trimmed());
    if (!m.hasMatch())
        return false;
    QString whole = m.captured(2);
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    const QString frac = m.captured(3);
    if (whole.size() + frac.size() > 30)
        return false;
    Int v = 0;
    for (QChar c : whole + frac)
        v = v * 10 + (c.unicode() - u'0');
    out->units = m.captured(1) == QLatin1String("-") ? -v : v;
    out->scale = int(frac.size());
    return true;
}

Int pow10(int n)
{
    Int p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

Dec rescale(const Dec &d, int scale)
{
    if (scale >= d.scale)
        return {d.units * pow10(scale - d.scale), scale};
    const Int div = pow10(d.scale - scale);
    Int q = d.units / div;
    const Int r = d.units % div;
    if ((r < 0 ? -r : r) * 2 >= div)
        q += d.units < 0 ? -1 : 1;
    return {q, scale};
}

QString toText(const Dec &d)
{
    Int v = d.units < 0 ? -d.units : d.units;
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(v % 10)));
        v /= 10;
    } while (v > 0);
    while (digits.size() <= d.scale)
        digits.prepend(u'0');
    if (d.scale > 0)
        digits.insert(digits.size() - d.scale, u'.');
    return (d.units < 0 ? QStringLiteral("-") : QString()) + digits;
}

int compare(const Dec &a, const Dec &b)
{
    const int s = std::max(a.scale, b.scale);
    const Int x = rescale(a, s).units, y = rescale(b, s).units;
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace

int integerDigits(const QString &decimal)
{
    const auto m = plain().match(decimal.trimmed());
    if (!m.hasMatch())
        return 0;
    QString whole = m.captured(2);
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    return whole == QLatin1String("0") ? 0 : int(whole.size());
}

QString checkNumber(const Column &c, const QString &text, QString *canonical)
{
    const QString t = text.trimmed();
    Dec d;
    if (!parse(t, &d)) {
        bool ok = false;
        const double v = t.toDouble(&ok);
        if (!ok)
            return QStringLiteral("“%1”必须是数字：%2").arg(c.caption, t);
        if (!std::isfinite(v))
            return QStringLiteral("“%1”必须是有限的数字：%2").arg(c.caption, t);
        return QStringLiteral("“%1”超出范围（最多 %2 位整数）：%3").arg(c.caption).arg(kIntegerDigits).arg(t);
    }
    if (integerDigits(t) > kIntegerDigits)
        return QStringLiteral("“%1”超出范围（最多 %2 位整数）：%3").arg(c.caption).arg(kIntegerDigits).arg(t);
    const int maxScale = c.decimals >= 0 ? c.decimals : 4;
    // Trailing zeros beyond the column's decimals change nothing.
    const Dec r = rescale(d, maxScale);
    if (compare(r, d) != 0)
        return QStringLiteral("“%1”最多 %2 位小数：%3").arg(c.caption).arg(maxScale).arg(t);
    if (c.hasMin) {
        Dec m;
        parse(c.minimum, &m);
        const int cmp = compare(d, m);
        if (cmp < 0 || (cmp == 0 && !c.minInclusive))
            return QStringLiteral("“%1”必须%2 %3：%4").arg(c.caption, c.minInclusive ? QStringLiteral("大于或等于") : QStringLiteral("大于"),
                                                           c.minimum, t);
    }
    *canonical = toText(c.decimals >= 0 ? r : d);
    return QString();
}

QString multiply(const QString &a, const QString &b, int decimals)
{
    Dec x, y;
    if (!parse(a, &x) || !parse(b, &y))
        return QString();
    return toText(rescale(Dec{x.units * y.units, x.scale + y.scale}, decimals < 0 ? x.scale + y.scale : decimals));
}

QString add(const QString &a, const QString &b)
{
    Dec x, y;
    if (!parse(a, &x) || !parse(b, &y))
        return QString();
    const int s = std::max(x.scale, y.scale);
    return toText(Dec{rescale(x, s).units + rescale(y, s).units, s});
}

QString formatNumber(const QVariant &v, int decimals)
{
    if (v.isNull() || !v.isValid())
        return QString();
    QString text;
    if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::Float) {
        // Stored as a binary double (sqlite): 15 significant digits give back what was written.
        const double d = v.toDouble();
        text = QString::number(d, 'g', 15);
        Dec x;
        if (!parse(text, &x))
            text = QString::number(d, 'f', 6);
    } else {
        text = v.toString().trimmed();
    }
    Dec x;
    if (!parse(text, &x))
        return text;
    if (decimals >= 0)
        return toText(rescale(x, decimals));
    // As stored, without the trailing zeros of a fixed-scale column.
    QString t = toText(x);
    if (t.contains(u'.')) {
        while (t.endsWith(u'0'))
            t.chop(1);
        if (t.endsWith(u'.'))
            t.chop(1);
    }
    return t;
}

} // namespace lwcommon

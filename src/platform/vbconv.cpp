#include "platform/vbconv.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace vbconv {

QString trimBlanks(const QString &text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

double leadingNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t') || text.at(i) == QLatin1Char('\r')
                     || text.at(i) == QLatin1Char('\n')))
        ++i;
    QByteArray num;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        num += char(text.at(i++).unicode());
    qsizetype digits = 0;
    while (i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9')) {
        num += char(text.at(i++).unicode());
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        num += '.';
        ++i;
        while (i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9')) {
            num += char(text.at(i++).unicode());
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    if (i < n) {
        const QChar e = text.at(i).toLower();
        if (e == QLatin1Char('e') || e == QLatin1Char('d')) {
            qsizetype j = i + 1;
            QByteArray exp = "e";
            if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
                exp += char(text.at(j++).unicode());
            qsizetype expDigits = 0;
            while (j < n && text.at(j) >= QLatin1Char('0') && text.at(j) <= QLatin1Char('9')) {
                exp += char(text.at(j++).unicode());
                ++expDigits;
            }
            if (expDigits > 0)
                num += exp;
        }
    }
    return std::strtod(num.constData(), nullptr);
}

static std::optional<int64_t> roundEven(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > 9.0e18)
        return std::nullopt;
    return int64_t(std::nearbyint(v)); // the default rounding mode goes to even on halves
}

std::optional<int32_t> toInt32(double v)
{
    const auto r = roundEven(v);
    if (!r || *r < std::numeric_limits<int32_t>::min() || *r > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(*r);
}

std::optional<int16_t> toInt16(double v)
{
    const auto r = roundEven(v);
    if (!r || *r < std::numeric_limits<int16_t>::min() || *r > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return int16_t(*r);
}

int16_t clampInt16(int64_t v)
{
    if (v < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    if (v > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    return int16_t(v);
}

} // namespace vbconv

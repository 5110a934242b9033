#include "core/tabkey.h"

#include "platform/vbconv.h"

namespace tabkey {

QString make(const QString &menuCode, int32_t counter)
{
    return menuCode + QLatin1Char('-') + QString::number(counter);
}

QString menuCode(const QString &key)
{
    return key.left(key.lastIndexOf(QLatin1Char('-')));
}

std::optional<int16_t> hostIndex(const QString &key)
{
    const int dash = key.lastIndexOf(QLatin1Char('-'));
    if (dash < 0)
        return std::nullopt;
    const QString tail = key.mid(dash + 1);
    if (tail.trimmed().isEmpty())
        return std::nullopt;
    return vbconv::toInt16(vbconv::leadingNumber(tail));
}

} // namespace tabkey

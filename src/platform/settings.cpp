#include "platform/settings.h"

#include "platform/registrystore.h"

namespace settings {

namespace {

// Deletes a key and everything below it; the store itself refuses keys with subkeys.
int32_t deleteTree(registry::HKEY parent, const QString &subKey)
{
    registry::HKEY key = 0;
    int32_t st = registry::openKey(parent, subKey, registry::KeyAllAccess, &key);
    if (st != registry::Success)
        return st;
    QString child;
    while ((st = registry::enumKey(key, 0, &child)) == registry::Success) {
        st = deleteTree(key, child);
        if (st != registry::Success)
            break;
    }
    registry::closeKey(key);
    if (st != registry::NoMoreItems)
        return st;
    return registry::deleteKey(parent, subKey);
}

} // namespace

QString sectionPath(const QString &appName, const QString &section)
{
    return QStringLiteral("Software\\VB and VBA Program Settings\\") + appName + QLatin1Char('\\') + section;
}

QString GetSetting(const QString &appName, const QString &section, const QString &key, const QString &defaultValue)
{
    if (appName.isEmpty() || section.isEmpty() || key.isEmpty())
        return defaultValue;
    registry::HKEY h = 0;
    if (registry::openKey(registry::HKEY_CURRENT_USER, sectionPath(appName, section), registry::KeyRead, &h)
        != registry::Success)
        return defaultValue;
    uint32_t type = 0;
    QByteArray data;
    const int32_t st = registry::queryValue(h, key, &type, &data);
    registry::closeKey(h);
    if (st != registry::Success)
        return defaultValue;
    if (type == registry::RegSz || type == registry::RegExpandSz)
        return registry::stringFromData(data);
    if (type == registry::RegDword && data.size() == 4) {
        const uint32_t v = uint32_t(uchar(data[0])) | uint32_t(uchar(data[1])) << 8 | uint32_t(uchar(data[2])) << 16
                           | uint32_t(uchar(data[3])) << 24;
        return QString::number(int32_t(v));
    }
    return defaultValue;
}

bool SaveSetting(const QString &appName, const QString &section, const QString &key, const QString &value)
{
    if (appName.isEmpty() || section.isEmpty() || key.isEmpty())
        return false;
    bool ok = false;
    const QByteArray data = registry::stringData(value, &ok);
    if (!ok)
        return false;
    registry::HKEY h = 0;
    if (registry::createKey(registry::HKEY_CURRENT_USER, sectionPath(appName, section), registry::KeyWrite, &h)
        != registry::Success)
        return false;
    const int32_t st = registry::setValue(h, key, registry::RegSz, data);
    registry::closeKey(h);
    return st == registry::Success;
}

bool DeleteSetting(const QString &appName, const QString &section, const QString &key)
{
    if (appName.isEmpty() || section.isEmpty())
        return false;
    const QString path = sectionPath(appName, section);
    if (key.isEmpty()) {
        const int32_t st = deleteTree(registry::HKEY_CURRENT_USER, path);
        return st == registry::Success || st == registry::NotFound;
    }
    registry::HKEY h = 0;
    int32_t st = registry::openKey(registry::HKEY_CURRENT_USER, path, registry::KeyWrite, &h);
    if (st == registry::NotFound)
        return true;
    if (st != registry::Success)
        return false;
    st = registry::deleteValue(h, key);
    registry::closeKey(h);
    return st == registry::Success || st == registry::NotFound;
}

} // namespace settings

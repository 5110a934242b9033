#include "app/globals.h"

#include "app/clsconfig.h"
#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "platform/settings.h"

namespace app {

Globals &g()
{
    static Globals globals;
    return globals;
}

QString lookup(const QString &path, const QString &defaultText)
{
    if (SystemServices *sys = g().sys.get())
        return sys->GetString(QStringLiteral("kxplan"), path, defaultText);
    return defaultText;
}

QString appName()
{
    return g().config ? g().config->Caption() : QStringLiteral("Zenlo系统");
}

QString getSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    return settings::GetSetting(appName(), section, key, defaultValue);
}

void saveSetting(const QString &section, const QString &key, const QString &value)
{
    settings::SaveSetting(appName(), section, key, value);
}

} // namespace app

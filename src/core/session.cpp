#include "core/session.h"

#include "core/clsconfig.h"
#include "core/imainwindow.h"
#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "core/logger.h"
#include "platform/registrystore.h"
#include "platform/settings.h"

namespace {
std::unique_ptr<Session> g_session;
}

Session::Session() = default;

Session::~Session()
{
    // What the log-out did not release goes in the same order.
    releaseMainWindow();
    db.reset();
    op.reset();
    sys.reset();
    logConfig.reset();
    if (config)
        config->Clear();
    config.reset();
}

Session &Session::open()
{
    g_session.reset();
    g_session.reset(new Session);
    return *g_session;
}

Session *Session::current()
{
    return g_session.get();
}

void Session::close()
{
    g_session.reset();
}

void Session::setMainWindow(bMain::IMainWindow *window)
{
    if (window == m_mainWindow)
        return;
    releaseMainWindow();
    m_mainWindow = window;
}

void Session::releaseMainWindow()
{
    if (!m_mainWindow)
        return;
    bMain::IMainWindow *w = m_mainWindow;
    m_mainWindow = nullptr;
    w->release();
}

QString Session::lookup(const QString &path, const QString &defaultText) const
{
    if (sys)
        return sys->GetString(QStringLiteral("kxplan"), path, defaultText);
    return defaultText;
}

QString Session::appName() const
{
    return config ? config->Caption() : QStringLiteral("Zenlo系统");
}

QString Session::getSetting(const QString &section, const QString &key, const QString &defaultValue) const
{
    return settings::GetSetting(appName(), section, key, defaultValue);
}

bool Session::saveSetting(const QString &section, const QString &key, const QString &value) const
{
    if (settings::SaveSetting(appName(), section, key, value))
        return true;
    // The setting is lost for the next run: say why in the log (the operator can do nothing about it).
    const QString why = registry::isReadOnly(registry::HKEY_CURRENT_USER)
        ? QStringLiteral("注册表文件 %1 只读").arg(registry::hiveFilePath(registry::HKEY_CURRENT_USER))
        : QStringLiteral("注册表拒绝写入");
    Logger::WriteMessage(QStringLiteral("个人设置 %1\\%2 未能保存：%3").arg(section, key, why), 1);
    return false;
}

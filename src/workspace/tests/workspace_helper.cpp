#include "workspace_helper.h"

#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/archive.h"
#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "platform/settings.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>

#include "testsupport.h"

namespace wstest {

Site::Site(const QString &caption, const QString &systemInner)
    : m_caption(caption)
    , m_systemInner(systemInner)
    , m_site(std::make_unique<testsupport::TestSite>())
{
    if (!m_site->ok()) {
        m_error = m_site->error();
        return;
    }
    m_site->writeConfig(QStringLiteral("<caption>%1</caption>%2").arg(caption, systemInner));
    settings::DeleteSetting(caption, QStringLiteral("main"));
    m_temp = m_site->programFolder() + QStringLiteral("/temp/");
}

Site::~Site()
{
    bMain::LogOut();
    settings::DeleteSetting(m_caption, QStringLiteral("main"));
}

QString Site::tempFolder() const
{
    return m_temp;
}

bool Site::installTheme()
{
    const QString from = QStringLiteral(ZENLO_SOURCE_DIR "/themes/blue");
    const QString to = programFolder() + QStringLiteral("/themes/blue");
    QDir().mkpath(to);
    const QStringList files = QDir(from).entryList(QDir::Files);
    for (const QString &f : files)
        if (!QFile::copy(from + QLatin1Char('/') + f, to + QLatin1Char('/') + f))
            return false;
    return !files.isEmpty();
}

bool Site::open(const QString &operatorName, const QString &password)
{
    bMain::LogOut();
    Session &g = Session::open();
    g.configPath = m_site->configPath();
    g.config = std::make_unique<clsConfig>();
    if (!g.config->Init(m_site->configPath())) {
        m_error = QStringLiteral("configuration: ") + g.config->lastError();
        return false;
    }
    g.helpFile = g.config->HelpFileName();
    g.logConfig = std::make_unique<LogConfig>();
    g.logConfig->load(m_site->configPath());
    LogService::instance().Init(nullptr, g.logConfig.get());
    g.db = std::make_unique<Database>();
    if (!g.db->Init(m_site->configPath(), true) || !g.db->Connect()) {
        m_error = QStringLiteral("database: ") + g.db->LastError().description;
        return false;
    }
    g.op = std::make_unique<Operator>();
    g.sys = std::make_unique<SystemServices>();
    if (!g.sys->Init(g.db.get(), g.op.get(), 0)) {
        m_error = QStringLiteral("system services: ") + g.sys->LastError().description;
        return false;
    }
    Environment *env = g.sys->environment();
    env->setAppFolder(programFolder());
    env->setConfigFile(m_site->configPath());
    env->setCaption(g.config->Caption());
    env->setTempFolder(m_temp);
    const QString theme = g.config->value(QStringLiteral("/configuration/system/settings/theme"));
    if (!theme.isEmpty())
        g.sys->themeService()->LoadTheme(theme, programFolder() + QStringLiteral("/themes/") + theme);
    g.op->setName(operatorName);
    if (!g.op->VerifyPassword(password)) {
        m_error = QStringLiteral("login: ") + g.op->LastError().description;
        return false;
    }
    return true;
}

bool Site::exec(const QString &sql, const QVariantList &params)
{
    auto db = m_site->connect();
    if (!db || !db->exec(sql, params)) {
        m_error = db ? db->LastError().description : QStringLiteral("no connection");
        return false;
    }
    return true;
}

QString Site::logText() const
{
    LogService::instance().flush();
    return QString::fromUtf8(testsupport::readFile(programFolder() + QStringLiteral("/log/zenlo.log")));
}

QString Site::setting(const QString &key) const
{
    return settings::GetSetting(m_caption, QStringLiteral("main"), key, QStringLiteral("<none>"));
}

void Site::setSetting(const QString &key, const QString &value)
{
    settings::SaveSetting(m_caption, QStringLiteral("main"), key, value);
}

QByteArray pngBytes(int size, const QColor &color)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray zipBytes(const QString &storedName, const QByteArray &bytes)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source"));
    const QString zip = dir.filePath(QStringLiteral("a.zip"));
    if (!testsupport::writeFile(source, bytes) || !zLibControl::compress(source, zip, storedName))
        return {};
    return testsupport::readFile(zip);
}

} // namespace wstest

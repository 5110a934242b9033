#include "plugintest_helper.h"

#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace plugintest {

namespace {
QStringList g_modes;
}

Site::Site(const QString &systemInner)
{
    m_site.writeConfig(systemInner.isEmpty() ? QStringLiteral("<caption>插件测试</caption>") : systemInner);
    QDir().mkpath(pluginFolder());
}

Site::~Site()
{
    if (Session *s = Session::current()) {
        if (s->db)
            LogService::instance().detachDatabase(s->db.get());
    }
    bMain::LogOut();
    clearModes();
    clearTrace();
}

QString Site::pluginFolder() const { return m_site.programFolder() + QStringLiteral("/Plugin"); }

bool Site::open(Services services, QString *why, const QString &operatorName, const QString &password)
{
    auto fail = [why](const QString &text) {
        *why = text;
        return false;
    };
    if (!m_site.ok())
        return fail(m_site.error());
    Session &s = Session::open();
    s.configPath = m_site.configPath();
    s.config = std::make_unique<clsConfig>();
    if (!s.config->Init(m_site.configPath()))
        return fail(QStringLiteral("configuration: ") + s.config->lastError());
    if (services == ConfigOnly)
        return true;
    s.db = std::make_unique<Database>();
    if (!s.db->Init(m_site.configPath(), true) || !s.db->Connect())
        return fail(QStringLiteral("database: ") + s.db->LastError().description);
    LogService::instance().attachDatabase(s.db.get());
    s.op = std::make_unique<Operator>();
    s.sys = std::make_unique<SystemServices>();
    if (!s.sys->Init(s.db.get(), s.op.get(), 0))
        return fail(QStringLiteral("system services: ") + s.sys->LastError().description);
    s.op->setName(operatorName);
    if (!s.op->VerifyPassword(password))
        return fail(QStringLiteral("login: ") + s.op->LastError().description);
    bMain::LoadCompanyInfo();
    return true;
}

Session &Site::session() { return *Session::current(); }

QString Site::testLibrary(const QString &library)
{
    return QStringLiteral(ZENLO_TEST_LIBS_DIR "/") + library + QStringLiteral(".so");
}

bool Site::place(const QString &library, const QString &folder, const QString &fileName)
{
    QDir().mkpath(folder);
    const QString target = folder + QLatin1Char('/') + fileName;
    QFile::remove(target);
    return QFile::copy(testLibrary(library), target);
}

QStringList Site::records() const
{
    QStringList out;
    Session *s = Session::current();
    if (!s || !s->db)
        return out;
    RecordSetPtr rs = s->db->query(QStringLiteral("select message from sys_oplog order by id"), {});
    for (; rs && !rs->isEOF(); rs->moveNext())
        out << rs->text(QStringLiteral("message"));
    return out;
}

QStringList trace() { return qApp->property("zt.trace").toStringList(); }
void clearTrace() { qApp->setProperty("zt.trace", QStringList()); }

void setMode(const QString &className, const QString &mode)
{
    qApp->setProperty(("zt." + className).toUtf8().constData(), mode);
    if (!g_modes.contains(className))
        g_modes << className;
}

void clearModes()
{
    for (const QString &c : std::as_const(g_modes))
        qApp->setProperty(("zt." + c).toUtf8().constData(), QVariant());
    g_modes.clear();
}

} // namespace plugintest

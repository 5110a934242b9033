// A plug-in made in a library is reached through the contract interface of the
// shared core, and sees the shell's own session from inside.
#include "components/database.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/contracts.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "platform/modcreateobj.h"

#include <QTest>

#include "testsite.h"
#include "testsupport.h"

class tst_Contracts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { bMain::LogOut(); }
    void pluginSeesTheShellsSession();
};

void tst_Contracts::pluginSeesTheShellsSession()
{
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    site.writeConfig(QStringLiteral("<caption>探针测试</caption>"));
    Session &s = Session::open();
    s.config = std::make_unique<clsConfig>();
    QVERIFY(s.config->Init(site.configPath()));
    s.db = std::make_unique<Database>();
    QVERIFY(s.db->Init(site.configPath(), true) && s.db->Connect());
    s.op = std::make_unique<Operator>();
    s.sys = std::make_unique<SystemServices>();
    QVERIFY(s.sys->Init(s.db.get(), s.op.get(), 0));

    std::unique_ptr<QObject> object(modCreateObj::CreateFromDll(QStringLiteral(ZT_SESSIONPROBE), QStringLiteral("SESSIONPROBE")));
    QVERIFY2(object, qPrintable(modCreateObj::lastLoadError(QStringLiteral(ZT_SESSIONPROBE))));
    auto *plugin = qobject_cast<_IExtPluginUI *>(object.get());
    QVERIFY(plugin);
    SystemServices *sys = s.sys.get();
    QVERIFY(plugin->Init(sys));
    QString seen;
    plugin->Run(seen);
    QCOMPARE(seen, QStringLiteral("session=%1 sys=%2 same-sys=1 caption=探针测试")
                       .arg(QString::number(quintptr(&s), 16), QString::number(quintptr(s.sys.get()), 16)));
    QCOMPARE(plugin->Caption(), QStringLiteral("会话探针"));
}

QTEST_GUILESS_MAIN(tst_Contracts)
#include "tst_contracts.moc"

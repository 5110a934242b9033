// The first start of a program installed for all users: the program folder,
// its configuration and the seeded registry belong to root, and an ordinary
// operator (a real user, run through runuser) starts it. The demo database
// goes to the operator's data folder, the log to the operator's state folder
// with one line saying so, seeded settings stay visible, a refused write of a
// setting is logged, and a database of root's gives one message at the login.
#include "app/bmain.h"
#include "app/widgetui.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "demo/demodb.h"
#include "platform/appinfo.h"
#include "platform/registrystore.h"
#include "platform/settings.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include "testsupport.h"

namespace {

const char kChildVariable[] = "ZENLO_TEST_INSTALLED_PROGRAM";
const QString kCaption = QString::fromUtf8("Zenlo企业管理系统"); // the demo configuration's caption

// The operator's side: one start-up as the program runs it, reported line by line on stdout.
int runAsOperator()
{
    const QString program = qEnvironmentVariable(kChildVariable);
    appinfo::setProgramFolder(program);
    testsupport::RecordingUi ui;
    bMain::Wiring wiring;
    wiring.prepareDatabase = widgetui::prepareDemoDatabase;
    wiring.databaseConnected = widgetui::upgradeDemoDatabase;
    wiring.showLogin = [](Session &g) {
        g.op->setName(QStringLiteral("admin"));
        g.op->VerifyPassword(QString());
    };
    const bool running = bMain::Main({QStringLiteral("/cfg:") + program + QStringLiteral("/zenlo.Exe.Config")}, wiring);
    QTextStream out(stdout);
    out << "running=" << running << '\n';
    if (Session *s = Session::current()) {
        out << "isversion=" << s->getSetting(QStringLiteral("main"), QStringLiteral("ISVERSION")) << '\n';
        out << "saved=" << s->saveSetting(QStringLiteral("main"), QStringLiteral("navpanel_width"), QStringLiteral("3300")) << '\n';
    }
    out << "log=" << LogService::instance().logFile() << '\n';
    bMain::LogOut();
    for (const auto &b : std::as_const(ui.boxes))
        out << "box=" << QString(b.text).replace(u'\n', u' ') << '\n';
    for (const auto &m : std::as_const(ui.messages))
        out << "message" << m.level << '=' << QString(m.text).replace(u'\n', u' ') << '\n';
    return 0;
}

QStringList listing(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

} // namespace

class tst_Installed : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstStart_data();
    void firstStart();
};

void tst_Installed::firstStart_data()
{
    QTest::addColumn<bool>("databaseOfRoot");
    QTest::newRow("fresh installation") << false;
    QTest::newRow("demo database made by root") << true;
}

void tst_Installed::firstStart()
{
    QFETCH(bool, databaseOfRoot);
    QString why;
    if (!testsupport::ordinaryUser::available(&why))
        QFAIL(qPrintable(why));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(testsupport::ordinaryUser::allowTraverse(dir.path()));
    const QString program = dir.filePath(QStringLiteral("opt/zenlo"));
    const QString registry = dir.filePath(QStringLiteral("registry"));
    const QString home = dir.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(registry) && QDir().mkpath(home));
    QVERIFY(testsupport::ordinaryUser::allowTraverse(dir.filePath(QStringLiteral("opt"))));
    QVERIFY(QFile::copy(QStringLiteral(ZENLO_SOURCE_DIR "/demo/zenlo.Exe.Config"), program + QStringLiteral("/zenlo.Exe.Config")));
    QVERIFY(testsupport::ordinaryUser::giveFolder(home));
    if (databaseOfRoot) {
        QVERIFY(QDir().mkpath(program + QStringLiteral("/demo")));
        QVERIFY2(demo::create(program + QStringLiteral("/demo/zenlo-demo.db"), &why), qPrintable(why));
    }

    // The installer seeds the operator's settings; the hive stays root's.
    qputenv("ZENLO_REGISTRY_DIR", registry.toUtf8());
    QVERIFY(settings::SaveSetting(kCaption, QStringLiteral("main"), QStringLiteral("ISVERSION"), QStringLiteral("2.1")));
    QVERIFY(settings::SaveSetting(kCaption, QStringLiteral("settings"), QStringLiteral("tipsshow"), QStringLiteral("1")));
    registry::closeAllHives();
    qunsetenv("ZENLO_REGISTRY_DIR");
    for (const QString &f : QDir(registry).entryList(QDir::Files))
        QVERIFY(QFile::setPermissions(registry + u'/' + f, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                                              | QFileDevice::ReadOther));
    const QStringList programBefore = listing(program);
    const QStringList registryBefore = listing(registry);

    const auto r = testsupport::ordinaryUser::run(
        QCoreApplication::applicationFilePath(), {},
        {QString::fromLatin1(kChildVariable) + u'=' + program, QStringLiteral("HOME=") + home,
         QStringLiteral("XDG_DATA_HOME=") + home + QStringLiteral("/data"), QStringLiteral("XDG_STATE_HOME=") + home + QStringLiteral("/state"),
         QStringLiteral("XDG_CONFIG_HOME=") + home + QStringLiteral("/config"), QStringLiteral("ZENLO_REGISTRY_DIR=") + registry,
         QStringLiteral("QT_QPA_PLATFORM=offscreen"), QStringLiteral("PATH=/usr/bin:/bin")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.contains(QStringLiteral("running=1")), qPrintable(r.out + r.err));
    // Seeded by the installer, read through the read-only hive.
    QVERIFY2(lines.contains(QStringLiteral("isversion=2.1")), qPrintable(r.out));
    QVERIFY2(lines.contains(QStringLiteral("saved=0")), qPrintable(r.out));
    // Nothing of root's was touched.
    QCOMPARE(listing(program), programBefore);
    QCOMPARE(listing(registry), registryBefore);

    const QString logFile = home + QStringLiteral("/state/zenlo/log/zenlo.log");
    QVERIFY2(lines.contains(QStringLiteral("log=") + logFile), qPrintable(r.out));
    const QString log = QString::fromUtf8(testsupport::readFile(logFile));
    QCOMPARE(log.count(QStringLiteral("日志改写到")), 1);
    QVERIFY2(log.section(u'\n', 0, 0).contains(program + QStringLiteral("/log")), qPrintable(log.left(400)));
    QVERIFY(log.contains(QStringLiteral("安装版本:2.1")));
    QVERIFY(log.contains(QStringLiteral("个人设置 main\\navpanel_width 未能保存：注册表文件 ") + registry));

    const QString userDemo = home + QStringLiteral("/data/zenlo/demo/zenlo-demo.db");
    QStringList boxes, warnings;
    for (const QString &l : lines) {
        if (l.startsWith(QLatin1String("box=")))
            boxes << l;
        else if (l.startsWith(QLatin1String("message4=")) || l.startsWith(QLatin1String("message8=")))
            warnings << l;
    }
    QCOMPARE(boxes, QStringList());
    if (databaseOfRoot) {
        QVERIFY(!QFileInfo::exists(userDemo));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().contains(QStringLiteral("数据库不能写入：没有写入数据库文件 ") + program + QStringLiteral("/demo/zenlo-demo.db")),
                 qPrintable(warnings.first()));
        QVERIFY(!log.contains(QStringLiteral("第一次启动")));
    } else {
        QVERIFY(QFileInfo(userDemo).isFile());
        QCOMPARE(warnings, QStringList());
        QVERIFY(log.contains(QStringLiteral("第一次启动：正在创建演示数据库 ") + userDemo));
        QVERIFY2(log.contains(QStringLiteral("参数文件指定的演示数据库 %1/demo/zenlo-demo.db 所在的文件夹不存在且无法创建，演示数据库改用 %2")
                                  .arg(program, userDemo)),
                 qPrintable(log.left(1200)));
    }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildVariable))
        return runAsOperator();
    tst_Installed test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installed.moc"

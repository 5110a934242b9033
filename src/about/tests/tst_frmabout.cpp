// The about window against a real demo installation: version line, the
// shortened installation path, links, the server line, the logo rules and the
// system-information tool found through the registry.
#include "about/frmabout.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/database.h"
#include "components/kx/kxlinklabel.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "platform/appinfo.h"
#include "platform/settings.h"
#include "platform/timing.h"
#include "util/clsregistryaccess.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include "platform/timing.h"

#include <QTest>

#include "modal.h"
#include "testsite.h"
#include "testsupport.h"

using testsupport::TestSite;

namespace {

const QString kMsinfoKey = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kCaption = QStringLiteral("关于测试");

QString versionNumbers()
{
    return QStringLiteral("%1.%2.%3").arg(appinfo::versionMajor()).arg(appinfo::versionMinor()).arg(appinfo::versionRevision());
}

// Writes an executable shell script that leaves a marker file behind.
// The tool stand-in notes at once that it started, and only a moment later that it
// ran: whatever else the click started has noted its start before the "ran" note comes.
bool writeScript(const QString &path, const QString &marker)
{
    if (!testsupport::writeFile(path, "#!/bin/sh\necho started > '" + marker.toUtf8() + ".started'\nsleep 0.2\necho ran > '"
                                          + marker.toUtf8() + "'\n"))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                           | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

} // namespace

// Receives the addresses QDesktopServices would hand to the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

using Strings = QList<QPair<QString, QString>>;

class tst_frmAbout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void version_data();
    void version();
    void installationPath_data();
    void installationPath();
    void links_data();
    void links();
    void openUrl_data();
    void openUrl();
    void titleAndDescription_data();
    void titleAndDescription();
    void logo_data();
    void logo();
    void captions();
    void systemInformation_data();
    void systemInformation();
    void diagnosticsPage();
    void look_data();
    void look();

private:
    void resetSite();
    // A demo site with the given system section and language strings (a null text deletes the string).
    void openSite(const QString &systemInner = QString(), const Strings &strings = {}, const QString &databaseNode = QString());
    QString logText() const;

    std::unique_ptr<TestSite> m_site;
    testsupport::RecordingUi *m_ui = nullptr;
};

void tst_frmAbout::initTestCase()
{
    m_site = std::make_unique<TestSite>();
    QVERIFY2(m_site->ok(), qPrintable(m_site->error()));
    QVERIFY(m_site->snapshot());
}

void tst_frmAbout::cleanupTestCase()
{
    m_site.reset();
}

// Every case starts from the demo database as created and an empty log.
void tst_frmAbout::resetSite()
{
    QVERIFY(m_site->restore());
}

void tst_frmAbout::init()
{
    m_ui = new testsupport::RecordingUi;
    settings::DeleteSetting(kCaption, QStringLiteral("main"));
    clsRegistryAccess reg;
    reg.KillValue(kMsinfoKey, QStringLiteral("PATH"));
    reg.KillValue(kLocationKey, QStringLiteral("MSINFO"));
}

void tst_frmAbout::cleanup()
{
    bMain::LogOut();
    LogService::instance().shutdown();
    appinfo::setProgramFolder(QString());
    frmAbout::setMakerLine(QString());
    delete m_ui;
    m_ui = nullptr;
}

void tst_frmAbout::openSite(const QString &systemInner, const Strings &strings, const QString &databaseNode)
{
    resetSite();
    m_site->writeConfig(QStringLiteral("<caption>%1</caption>").arg(kCaption) + systemInner, databaseNode);
    if (!strings.isEmpty()) {
        auto db = m_site->connect();
        QVERIFY(db);
        for (const auto &s : strings) {
            QVERIFY(db->exec("delete from sys_language where family='kxplan' and path=?", {s.first}));
            if (!s.second.isNull())
                QVERIFY(db->exec("insert into sys_language(family, path, text) values('kxplan', ?, ?)", {s.first, s.second}));
        }
    }
    LogService::instance().setConfigFile(m_site->configPath());
    QVERIFY(LogService::instance().Init(nullptr, nullptr));
    Session &g = testsupport::session();
    g.config = std::make_unique<clsConfig>();
    QVERIFY(g.config->Init(m_site->configPath()));
    g.db = std::make_unique<Database>();
    QVERIFY(g.db->Init(m_site->configPath(), true));
    g.op = std::make_unique<Operator>();
    g.sys = std::make_unique<SystemServices>();
    if (databaseNode.isEmpty()) {
        QVERIFY2(g.db->Connect(), qPrintable(g.db->LastError().description));
        QVERIFY2(g.sys->Init(g.db.get(), g.op.get(), 0), qPrintable(g.sys->LastError().description));
    }
}

QString tst_frmAbout::logText() const
{
    LogService::instance().flush();
    return QString::fromUtf8(testsupport::readFile(LogService::instance().logFile()));
}

void tst_frmAbout::version_data()
{
    QTest::addColumn<QString>("installed");
    QTest::addColumn<Strings>("strings");
    QTest::addColumn<QString>("line");
    const QString base = QStringLiteral("版本:") + versionNumbers() + QStringLiteral(" 标准版");
    QTest::newRow("no installed version") << QString() << Strings{} << base;
    QTest::newRow("installed version") << "2024.3" << Strings{} << base + QStringLiteral(" 安装版本: 2024.3");
    QTest::newRow("site's own words") << "2024.3"
                                      << Strings{{"/frmabout/version", "Version"}, {"/frmabout/isversion", "Setup"}}
                                      << QStringLiteral("Version:") + versionNumbers() + QStringLiteral(" 标准版 Setup 2024.3");
}

void tst_frmAbout::version()
{
    QFETCH(QString, installed);
    QFETCH(Strings, strings);
    QFETCH(QString, line);
    openSite(QString(), strings);
    if (!installed.isEmpty())
        testsupport::session().saveSetting(QStringLiteral("main"), QStringLiteral("ISVERSION"), installed);
    frmAbout w(testsupport::session());
    QCOMPARE(w.lblVersion->text(), line);
    const QString log = logText();
    if (installed.isEmpty()) {
        QVERIFY2(!log.contains(QStringLiteral("安装版本")), qPrintable(log));
    } else {
        // A trace line with the full-width colon.
        const QRegularExpression traced(QStringLiteral("\\[trace\\] [^\\n]*: 安装版本：") + QRegularExpression::escape(installed) + QStringLiteral("\\n"));
        QVERIFY2(traced.match(log).hasMatch(), qPrintable(log));
    }
    QVERIFY(m_ui->messages.isEmpty());
}

void tst_frmAbout::installationPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("pattern"); // what the label shows; "" = Qt's elision
    const QString longFolder = QStringLiteral("installation-of-the-enterprise-suite-for-the-head-office-and-its-branches-");
    QTest::newRow("fits") << "/opt/zenlo" << "^安装目录:/opt/zenlo$";
    QTest::newRow("last folder gives way first")
        << QStringLiteral("/opt/zenlo/") + longFolder + longFolder + QStringLiteral("/bin")
        << "^安装目录:/opt/zenlo/installation-[a-z-]+\\.\\./bin$";
    QTest::newRow("then the folder before it")
        << QStringLiteral("/opt/") + QString(60, QLatin1Char('a')) + QLatin1Char('/') + QString(80, QLatin1Char('b')) + QStringLiteral("/bin")
        << "^安装目录:/opt/a+\\.\\./\\.\\./bin$";
    QTest::newRow("final part keeps its end")
        << QStringLiteral("/ab/cd/") + QString(150, QLatin1Char('x')) + QStringLiteral("-tail")
        << "^安装目录:/\\.\\./\\.\\./\\.\\.x+-tail$";
    QTest::newRow("one-character folders") << QStringLiteral("/a/b/c/") + QString(150, QLatin1Char('x')) << "";
}

void tst_frmAbout::installationPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, pattern);
    openSite();
    appinfo::setProgramFolder(folder);
    frmAbout w(testsupport::session());
    const QString shown = w.lblPath->text();
    if (pattern.isEmpty())
        QVERIFY2(shown.startsWith(QStringLiteral("安装目录:")) && shown.contains(QChar(0x2026)), qPrintable(shown));
    else
        QVERIFY2(QRegularExpression(pattern).match(shown).hasMatch(), qPrintable(shown));
    QVERIFY(QFontMetrics(w.lblPath->font()).horizontalAdvance(shown) <= w.lblPath->width());
    QCOMPARE(w.dlnkPath->caption(), shown);
    QCOMPARE(w.lblPath->toolTip(), folder);
    QCOMPARE(w.dlnkPath->link(), folder);

    // The path link opens the folder itself.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    w.dlnkPath->activate();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(folder)});
}

void tst_frmAbout::links_data()
{
    QTest::addColumn<Strings>("strings");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("link");
    const QString home = QStringLiteral("https://www.zenlo.example/upgrade");
    QTest::newRow("from the configuration") << Strings{{"/frmabout/web", QString()}} << "升级网站:" + home << home;
    QTest::newRow("site's caption") << Strings{} << "升级网站: www.zenlo.example" << home; // the demo's own string
    QTest::newRow("site's address") << Strings{{"/frmabout/weburl", "https://mirror.example/zenlo"}}
                                    << "升级网站: www.zenlo.example" << "https://mirror.example/zenlo";
}

void tst_frmAbout::links()
{
    QFETCH(Strings, strings);
    QFETCH(QString, caption);
    QFETCH(QString, link);
    openSite(QStringLiteral("<webhome>https://www.zenlo.example/upgrade</webhome>"), strings);
    frmAbout w(testsupport::session());
    QCOMPARE(w.dlnkWeb->caption(), caption);
    QCOMPARE(w.dlnkWeb->link(), link);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    w.dlnkWeb->activate();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(link)});
}

void tst_frmAbout::openUrl_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("handedOn");
    QTest::addColumn<QString>("url"); // what the desktop receives
    QTest::newRow("web address") << "https://www.zenlo.example/" << true << "https://www.zenlo.example/";
    QTest::newRow("bare www address") << "www.zenlo.example" << true << "http://www.zenlo.example";
    QTest::newRow("mail address") << "mailto:support@zenlo.example" << true << "mailto:support@zenlo.example";
    QTest::newRow("existing folder") << "<dir>" << true << "<dir>";
    QTest::newRow("missing file") << "/no/such/file.txt" << false << "";
    QTest::newRow("empty") << "" << false << "";
}

void tst_frmAbout::openUrl()
{
    QFETCH(QString, address);
    QFETCH(bool, handedOn);
    QFETCH(QString, url);
    QTemporaryDir dir;
    address.replace(QStringLiteral("<dir>"), dir.path());
    const QUrl expected = url == QStringLiteral("<dir>") ? QUrl::fromLocalFile(dir.path()) : QUrl(url);
    UrlCatcher catcher;
    for (const char *scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "open");
    const int result = frmAbout::OpenURL(address);
    for (const char *scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    QCOMPARE(result > 32, handedOn);
    QCOMPARE(catcher.urls, handedOn ? QList<QUrl>{expected} : QList<QUrl>{});
}

void tst_frmAbout::titleAndDescription_data()
{
    QTest::addColumn<bool>("mssql");
    QTest::newRow("SQLite") << false;
    QTest::newRow("SQL Server out of reach") << true;
}

void tst_frmAbout::titleAndDescription()
{
    QFETCH(bool, mssql);
    // An SQL Server that cannot answer: the query fails and no server line appears.
    openSite(QString(), {}, mssql ? QStringLiteral("<database driver=\"mssql\"><server>127.0.0.1,1</server><database>x</database></database>") : QString());
    QCOMPARE(testsupport::session().db->ConnectionProperties().value("driver"), mssql ? QStringLiteral("mssql") : QStringLiteral("sqlite"));
    frmAbout w(testsupport::session());
    QCOMPARE(w.lblDescription->text(), QStringLiteral("Zenlo企业管理系统主控台"));
    QCOMPARE(w.lblTitle[0]->text(), kCaption);
    QCOMPARE(w.lblTitle[1]->text(), kCaption);
    QCOMPARE(w.lblTitle[0]->x(), w.lblTitle[1]->x());
    QCOMPARE(w.lblTitle[0]->y(), w.lblTitle[1]->y() + 1);
    QCOMPARE(w.lblTitle[0]->size(), w.lblTitle[1]->size());
    QVERIFY(m_ui->boxes.isEmpty());
}

void tst_frmAbout::logo_data()
{
    QTest::addColumn<QString>("logo");  // the "/logo" string; <none> = not stored
    QTest::addColumn<QString>("file");  // what the site holds at "logo.png": "picture", "garbage" or ""
    QTest::addColumn<QString>("maker");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("builtIn");
    QTest::addColumn<bool>("titleMoved");
    const QString ours = QStringLiteral("程序制作：Zenlo软件");
    const QString theirs = QStringLiteral("程序制作：远方软件");
    QTest::newRow("configured logo") << "%APP.PATH%/logo.png" << "picture" << theirs << true << false << false;
    QTest::newRow("configured logo, relative") << "logo.png" << "picture" << ours << true << false << false;
    QTest::newRow("missing file, our maker") << "%app.path%/logo.png" << "" << ours << true << true << false;
    QTest::newRow("missing file, another maker") << "%app.path%/logo.png" << "" << theirs << false << true << true;
    QTest::newRow("no logo string, another maker") << "<none>" << "" << theirs << false << true << true;
    QTest::newRow("maker in lower case") << "<none>" << "" << "程序制作：zenlo" << false << true << true;
    QTest::newRow("not a picture, another maker") << "%app.path%/logo.png" << "garbage" << theirs << true << true << false;
}

void tst_frmAbout::logo()
{
    QFETCH(QString, logo);
    QFETCH(QString, file);
    QFETCH(QString, maker);
    QFETCH(bool, shown);
    QFETCH(bool, builtIn);
    QFETCH(bool, titleMoved);
    openSite(QString(), logo == "<none>" ? Strings{} : Strings{{"/logo", logo}});
    appinfo::setProgramFolder(m_site->programFolder());
    const QString path = m_site->programFolder() + QStringLiteral("/logo.png");
    QFile::remove(path);
    if (file == "picture") {
        QImage img(48, 32, QImage::Format_RGB32);
        img.fill(Qt::darkGreen);
        QVERIFY(img.save(path));
    } else if (file == "garbage") {
        QVERIFY(testsupport::writeFile(path, "not a picture"));
    }
    frmAbout::setMakerLine(maker);
    frmAbout w(testsupport::session());
    QCOMPARE(w.lblProduct->text(), maker);
    QCOMPARE(!w.ImgLogo->isHidden(), shown);
    QCOMPARE(w.builtInLogo(), builtIn);
    if (shown && !builtIn)
        QCOMPARE(w.ImgLogo->pixmap().toImage().pixelColor(10, 10), QColor(Qt::darkGreen));
    for (QLabel *title : std::as_const(w.lblTitle)) {
        if (titleMoved)
            QCOMPARE(title->x(), w.ImgLogo->x());
        else
            QVERIFY(title->x() >= w.ImgLogo->geometry().right());
    }
    QCOMPARE(w.lblTitle[0]->y(), w.lblTitle[1]->y() + 1);
}

void tst_frmAbout::captions()
{
    openSite(QString(), {{"/frmabout/runpath", "Folder:"}, {"/frmabout/title", "Zenlo ERP"}, {"/filedescription", "Shell"},
                         {"/frmabout/cmdok", "OK"}, {"/frmabout/cmdsysteminfo", "Info"}});
    appinfo::setProgramFolder(QStringLiteral("/opt/zenlo"));
    frmAbout w(testsupport::session());
    QCOMPARE(w.lblPath->text(), QStringLiteral("Folder:/opt/zenlo"));
    QCOMPARE(w.lblTitle[1]->text(), QStringLiteral("Zenlo ERP"));
    QCOMPARE(w.lblDescription->text(), QStringLiteral("Shell"));
    QCOMPARE(w.CmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(w.cmdInfo->text(), QStringLiteral("Info"));

    cleanup();
    init();
    openSite();
    frmAbout defaults(testsupport::session());
    QCOMPARE(defaults.CmdOK->text(), QStringLiteral("关闭(&C)"));
    QCOMPARE(defaults.cmdInfo->text(), QStringLiteral("系统信息(&I)"));
    QVERIFY(!defaults.lblDisclaimer->text().isEmpty());
    defaults.show();
    QTest::mouseClick(defaults.CmdOK, Qt::LeftButton);
    QVERIFY(!defaults.isVisible());
}

void tst_frmAbout::systemInformation_data()
{
    QTest::addColumn<QString>("toolPath");      // the MSINFO "PATH" value; <script> = a script of the test
    QTest::addColumn<QString>("toolFolder");    // the "MSINFO" location; <folder> = a folder holding MSINFO32.EXE
    QTest::addColumn<QString>("ran");           // which script ran: "path", "folder" or ""
    QTest::newRow("nothing registered") << "" << "" << "";
    QTest::newRow("tool path") << "<script>" << "" << "path";
    QTest::newRow("tool path wins over the folder") << "<script>" << "<folder>" << "path";
    QTest::newRow("tool path missing") << "/no/such/msinfo32" << "" << "";
    QTest::newRow("tool path with a drive letter") << "C:\\Windows\\msinfo32.exe" << "" << "";
    QTest::newRow("tool folder") << "" << "<folder>" << "folder";
    QTest::newRow("tool folder without the tool") << "" << "<empty folder>" << "";
}

void tst_frmAbout::systemInformation()
{
    QFETCH(QString, toolPath);
    QFETCH(QString, toolFolder);
    QFETCH(QString, ran);
    openSite();
    QTemporaryDir dir;
    const QString pathMarker = dir.path() + QStringLiteral("/path.ran");
    const QString folderMarker = dir.path() + QStringLiteral("/folder.ran");
    clsRegistryAccess reg;
    if (toolPath == "<script>") {
        toolPath = dir.path() + QStringLiteral("/my msinfo.sh");
        QVERIFY(writeScript(toolPath, pathMarker));
    }
    if (toolFolder == "<folder>" || toolFolder == "<empty folder>") {
        const bool withTool = toolFolder == "<folder>";
        toolFolder = dir.path() + QStringLiteral("/Microsoft Shared/MSInfo");
        QVERIFY(QDir().mkpath(toolFolder));
        if (withTool)
            QVERIFY(writeScript(toolFolder + QStringLiteral("/MSINFO32.EXE"), folderMarker));
    }
    if (!toolPath.isEmpty())
        QVERIFY(reg.WriteString(kMsinfoKey, QStringLiteral("PATH"), toolPath));
    if (!toolFolder.isEmpty())
        QVERIFY(reg.WriteString(kLocationKey, QStringLiteral("MSINFO"), toolFolder));

    frmAbout w(testsupport::session());
    w.show();
    QTest::mouseClick(w.cmdInfo, Qt::LeftButton);
    if (ran.isEmpty()) {
        QCOMPARE(m_ui->boxes.size(), 1);
        QCOMPARE(m_ui->boxes.first().text, QStringLiteral("此时系统信息不可用"));
        QCOMPARE(m_ui->boxes.first().style, 0);
        QCOMPARE(m_ui->boxes.first().title, QString());
    } else {
        QVERIFY(m_ui->boxes.isEmpty());
        QTRY_VERIFY(QFile::exists(ran == "path" ? pathMarker : folderMarker));
        QVERIFY(!QFile::exists((ran == "path" ? folderMarker : pathMarker) + QStringLiteral(".started")));
    }
    QVERIFY(w.isVisible());
}

// Every control lies inside the window and every one-line caption fits; the
// picture of the window goes to ZENLO_SCREENSHOT_DIR when that is set.
void tst_frmAbout::look_data()
{
    QTest::addColumn<QString>("maker");
    QTest::addColumn<QString>("picture");
    QTest::newRow("our build") << QString() << "about.png";
    QTest::newRow("another maker's build") << QStringLiteral("程序制作：远方软件") << "about-nologo.png";
}

void tst_frmAbout::look()
{
    QFETCH(QString, maker);
    QFETCH(QString, picture);
    frmAbout::setMakerLine(maker);
    openSite(QStringLiteral("<webhome>https://www.zenlo.example/upgrade</webhome>"));
    appinfo::setProgramFolder(QStringLiteral("/opt/zenlo/installations/enterprise-suite-for-the-head-office-and-branches/current-release/bin"));
    testsupport::session().saveSetting(QStringLiteral("main"), QStringLiteral("ISVERSION"), QStringLiteral("2024.3"));
    frmAbout w(testsupport::session());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect inside = w.rect();
    for (QWidget *child : w.findChildren<QWidget *>()) {
        if (!child->isVisibleTo(&w))
            continue;
        const QRect r(child->mapTo(&w, QPoint(0, 0)), child->size());
        QVERIFY2(inside.contains(r), qPrintable(child->objectName()));
        if (auto *l = qobject_cast<QLabel *>(child); l && l->pixmap().isNull()) {
            if (l->wordWrap())
                QVERIFY2(l->heightForWidth(l->width()) <= l->height(), qPrintable(l->objectName()));
            else
                QVERIFY2(l->sizeHint().width() <= l->width() && l->sizeHint().height() <= l->height(), qPrintable(l->objectName()));
        }
        if (auto *k = qobject_cast<kxLinkLabel *>(child))
            QVERIFY2(k->sizeHint().width() <= k->width() + 2, qPrintable(k->objectName()));
        if (auto *b = qobject_cast<QPushButton *>(child))
            QVERIFY2(b->sizeHint().width() <= b->width(), qPrintable(b->objectName()));
    }
    const QImage shot = w.grab().toImage();
    QVERIFY(!shot.isNull());
    const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(shot.save(dir + QLatin1Char('/') + picture));
}

void tst_frmAbout::diagnosticsPage()
{
    openSite();
    timing::mark("config_loaded"); // as the start-up marks it
    frmAbout w(testsupport::session());
    QString shown;
    auto answered = testsupport::whenModal<QDialog>([&](QDialog *page) {
        auto *text = page->findChild<QPlainTextEdit *>(QStringLiteral("txtDiagnostics"));
        shown = text ? text->toPlainText() : QString();
        if (auto *copy = page->findChild<QPushButton *>(QStringLiteral("cmdCopy")))
            copy->click();
        const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            page->grab().save(dir + QStringLiteral("/diagnostics.png"));
        page->accept();
    });
    w.findChild<QPushButton *>(QStringLiteral("cmdDiag"))->click();
    QTRY_VERIFY(*answered);
    QCOMPARE(QGuiApplication::clipboard()->text(), shown);
    for (const QString &part : {QStringLiteral("[程序]"), QStringLiteral("配置文件: ") + testsupport::session().configPath,
                                QStringLiteral("[数据库]"), QStringLiteral("驱动: SQLite"), QStringLiteral("往返时间: "),
                                QStringLiteral("[注册表]"), QStringLiteral("个人设置: HKEY_CURRENT_USER\\"),
                                QStringLiteral("\n参数文件已读取 (config_loaded): "),
                                QStringLiteral("[已加载的库]"), QStringLiteral("[未能加载的库]")})
        QVERIFY2(shown.contains(part), qPrintable(part + QStringLiteral(" missing from:\n") + shown));
}

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"

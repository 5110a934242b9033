#include "app/bmain.h"

#include "core/bcommon.h"
#include "core/clsconfig.h"
#include "app/frmsplash.h"
#include "core/logger.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/commandline.h"
#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "components/xmldocument.h"
#include "login/frmlogin.h"
#include "platform/appinfo.h"
#include "platform/instance.h"
#include "platform/objectfactory.h"
#include "platform/runtimeerror.h"
#include "platform/settings.h"
#include "platform/timing.h"
#include "platform/uiservice.h"
#include "platform/vbconv.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QVBoxLayout>


namespace bMain {

namespace {

// Without a workspace: a plain maximised window naming the operator.
class PlainMainWindow : public QMainWindow, public IMainWindow
{
public:
    explicit PlainMainWindow(Session &session) : m_session(session) {}
    QWidget *widget() override { return this; }
    void load() override
    {
        setWindowTitle(m_session.config ? m_session.config->Caption() : QString());
        auto *label = new QLabel(this);
        label->setAlignment(Qt::AlignCenter);
        const Operator *op = m_session.op.get();
        label->setText(QStringLiteral("登录用户名：") + (op ? op->name() : QString()));
        setCentralWidget(label);
    }
    void showWorkspace() override { showMaximized(); }
    void setAlertButton(bool, bool) override {}
    void release() override { deleteLater(); }

private:
    Session &m_session;
};

QString separator()
{
    return PathContext::current().separator();
}

} // namespace

bool Main(const QStringList &arguments, const Wiring &wiring)
{
    QString status;
    QPointer<frmSplash> splash;
    Session &g = Session::open();
    const PathContext ctx = PathContext::current();
    const QString programFolder = appinfo::programFolder();
    try {
        // 1. The command line.
        status = QStringLiteral("正在读取命令行参数...");
        auto parser = std::make_unique<CommandLine>();
        parser->parseArguments(arguments);
        parser->setIgnoreCase(true);

        // 2. The configuration file's path.
        QString path;
        const CommandLine::Option cfg = parser->option(QStringLiteral("cfg"));
        if (cfg.present) {
            path = cfg.value;
            const bool hasFolder = ctx.style == PathStyle::Windows ? path.contains(QLatin1Char('\\'))
                                                                   : (path.contains(QLatin1Char('/')) || path.contains(QLatin1Char('\\')));
            if (!hasFolder)
                path = programFolder + separator() + path;
        } else {
            path = programFolder + separator() + appinfo::executableName() + QStringLiteral(".Exe.Config");
        }
        path = bCommon::ExpandPath(path, false);

        // 3. It must exist.
        if (path.isEmpty() || !QFileInfo(bCommon::toNativePath(path, ctx.style)).isFile()) {
            // The log is not open yet: the path goes in the box, and to the error output.
            qWarning("cannot find the configuration file %s", qPrintable(path));
            ui::msgBox(QStringLiteral("找不到参数文件，软件不能继续运行！\r\n\r\n参数文件：") + bCommon::toNativePath(path, ctx.style),
                       ui::Critical, QStringLiteral("错误："));
            Session::close(); // nothing was created yet: no log-out
            return false;
        }

        // 4. One instance only when asked for with MultiThread=false.
        const CommandLine::Option multi = parser->option(QStringLiteral("MultiThread"));
        if (multi.present && multi.value == QLatin1String("false") && instance::previousInstanceRunning()) {
            ui::msgBox(QStringLiteral("程序正在运行，不能启动另一个主窗体"), ui::Information, QStringLiteral("提示："));
            Session::close();
            return false;
        }

        // 5. The configuration.
        parser.reset();
        g.configPath = path;
        g.config = std::make_unique<clsConfig>(ctx);
        if (!g.config->Init(bCommon::GetFullPath(path))) {
            qWarning("cannot read the configuration file %s: %s", qPrintable(path), qPrintable(g.config->lastError()));
            ui::msgBox(path + QStringLiteral("程序错误，初始化参数文件") + QStringLiteral("出错!") + QStringLiteral("\r\n\r\n")
                           + g.config->operatorError(),
                       ui::Critical, QStringLiteral("错误："));
            g.config.reset();
            LogOut();
            return false;
        }
        timing::mark("config_loaded");

        // 6. The help file.
        g.helpFile = g.config->HelpFileName();

        // 7. Plug-ins of stage 100.
        status = QStringLiteral("正在运行<初始化插件>...");
        if (wiring.runPlugins)
            wiring.runPlugins(g, 100);
        timing::mark("plugins_100_done");

        // 8. The log service.
        status = QStringLiteral("初始化Log配置..");
        g.logConfig = std::make_unique<LogConfig>();
        g.logConfig->load(path);
        LogService::instance().setConfigFile(path);
        LogService::instance().Init(QCoreApplication::instance(), g.logConfig.get());

        // 9. The database.
        status = QStringLiteral("正在初始化数据库...");
        if (wiring.prepareDatabase && !wiring.prepareDatabase(path)) {
            LogOut();
            return false;
        }
        QString createError;
        QObject *created = objects::createObject(QStringLiteral("kxDataAccessHelper.Database"), &createError);
        g.db.reset(qobject_cast<Database *>(created));
        if (!g.db) {
            delete created;
            throw RuntimeError(createError, RuntimeError::CannotCreateObject);
        }
        if (!g.db->Init(path, true)) {
            LogOut();
            return false;
        }
        if (!g.db->Connect()) {
            Logger::WriteMessage(QStringLiteral("无法连接数据库：") + g.db->LastError().description, 4);
            ui::msgBox(g.db->LastError().description, ui::Critical, QStringLiteral("错误"));
            LogOut();
            return false;
        }
        LogService::instance().attachDatabase(g.db.get());
        if (wiring.databaseConnected)
            wiring.databaseConnected(*g.db);
        timing::mark("db_connected");

        // 10. Operator and system services.
        status = QStringLiteral("正在初始化系统...");
        g.op = std::make_unique<Operator>();
        g.sys = std::make_unique<SystemServices>();
        if (!g.sys->Init(g.db.get(), g.op.get(), 0)) {
            ui::msgBox(g.sys->LastError().description, ui::Exclamation, QStringLiteral("提示："));
            LogOut();
            return false;
        }

        // 11. Environment.
        Environment *env = g.sys->environment();
        env->setAppFolder(programFolder);
        env->setConfigFile(path);
        env->setCaption(g.config->Caption());
        const auto temp = g.config->XML() ? g.config->XML()->value(QStringLiteral("/configuration/system/temporarypath")) : std::nullopt;
        env->setTempFolder(temp ? *temp : programFolder + separator() + QStringLiteral("temp") + separator());

        // 12. Theme.
        const QString theme = g.config->value(QStringLiteral("/configuration/system/settings/theme"));
        if (!theme.isEmpty() && QFileInfo(programFolder + separator() + QStringLiteral("themes") + separator() + theme).isDir())
            g.sys->themeService()->LoadTheme(theme, env->appFolder() + separator() + QStringLiteral("themes") + separator() + theme);

        // 13.
        Logger::WriteMessage(QStringLiteral("系统正常启动,登录操作"), 1);
        // A database that takes no changes would fail the login and operation records one by one, unseen.
        if (QString why; !g.db->canWrite(&why))
            Logger::WriteMessage(QStringLiteral("数据库不能写入：") + why
                                     + QStringLiteral("。登录记录和操作记录不能保存，请系统管理员检查数据库的权限。"),
                                 4);

        // 14. The login window.
        status = QStringLiteral("正在用户设置..");
        if (wiring.showLogin) {
            wiring.showLogin(g);
        } else {
            // The program draws in the login window's font while it is up: every line edit
            // lays its text out once in the program's font before it takes the window's,
            // which would load that font (and its Chinese fallback) for nothing.
            const QFont programFont = QApplication::font();
            QApplication::setFont(frmLogin::windowFont(programFont));
            const auto restoreFont = qScopeGuard([&programFont] { QApplication::setFont(programFont); });
            auto login = std::make_unique<frmLogin>(g);
            QTimer::singleShot(0, [] { timing::mark("login_shown"); });
            login->exec();
        }
        ui::doEvents();
        timing::mark("login_done");

        // 15. Logged in?
        if (!g.op->LoggedIn()) {
            Logger::WriteMessage(QStringLiteral("操作员") + g.op->name() + QStringLiteral("登录失败"), 1);
            LogOut();
            return false;
        }
        const QString company = g.sys->companyInfo().text();
        Logger::WriteMessage(QStringLiteral("操作员") + g.op->name() + QStringLiteral("成功登录") + company, 1);
        if (g.op->name().isEmpty()) {
            Logger::WriteMessage(QStringLiteral("操作员已取消登录"), 1);
            LogOut();
            return false;
        }

        // 16. The login record.
        const QString now = g.db->OpenRecordset(QStringLiteral("select ") + g.db->TranslateFunction(QStringLiteral("getdate()")), 1)
                                ->firstValue().toString();
        const QString loginTime = QStringLiteral("登录时间:") + now;
        Logger::WriteOperation(QStringLiteral("成功登录[") + company + QStringLiteral("]！") + loginTime + QStringLiteral(" ")
                                   + QStringLiteral("主控台版本:") + QString::number(appinfo::versionMajor()) + QLatin1Char('.')
                                   + QString::number(appinfo::versionMinor()) + QLatin1Char('.')
                                   + QString::number(appinfo::versionRevision()) + QStringLiteral(" 安装版本:")
                                   + g.getSetting(QStringLiteral("main"), QStringLiteral("ISVERSION")),
                               0);

        // 17.
        g.op->Started();
        LoadCompanyInfo();

        // 18. The splash window.
        Logger::WriteMessage(QStringLiteral("加载splash窗体中..."), 1);
        status = QStringLiteral("正在加载显示Splash窗体..");
        splash = new frmSplash(g);
        splash->Timer1->stop();
        splash->show();
        ui::doEvents();

        // 19. Plug-ins of stage 101.
        status = QStringLiteral("正在运行<加载插件>...");
        if (wiring.runPlugins)
            wiring.runPlugins(g, 101);

        // 20. The main window.
        Logger::WriteMessage(QStringLiteral("加载主工作窗体中..."), 1);
        status = QStringLiteral("正在加载主程序(main)...");
        IMainWindow *main = wiring.createMainWindow ? wiring.createMainWindow(g) : new PlainMainWindow(g);
        g.setMainWindow(main);
        main->load();
        Logger::WriteMessage(QStringLiteral("显示主工作台..."), 1);
        status = QStringLiteral("显示主工作台...");
        main->showWorkspace();
        timing::mark("main_shown");

        // 21. The splash closes after the configured delay.
        const int delay = g.config->SplashDelay();
        if (splash) {
            splash->Timer1->setInterval(delay);
            if (delay < 1)
                splash->close();
            else
                splash->Timer1->start();
        }

        // 22. The alert window, unless the operator turned it off.
        const QString tips = g.getSetting(QStringLiteral("settings"), QStringLiteral("tipsshow"), QStringLiteral("0"));
        if (vbconv::leadingNumber(tips) == 0.0) {
            const bool ok = wiring.openAlertWindow ? wiring.openAlertWindow(g) : false;
            main->setAlertButton(ok, ok);
        }
        return true;
    } catch (const std::exception &e) {
        status += QStringLiteral(";错误原因:") + RuntimeError::describe(e);
        if (splash)
            splash->close();
        ui::msgBox(QStringLiteral("主程序执行过程中发生错误") + QStringLiteral("\r\n\r\n") + status, ui::Critical, QStringLiteral("错误:"));
        LogOut();
        return false;
    }
}

} // namespace bMain

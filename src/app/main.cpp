#include "app/bmain.h"
#include "app/systemfonts.h"
#include "app/widgetui.h"
#include "components/commandline.h"
#include "core/sessionprocs.h"
#include "hosting/functionhost.h"
#include "platform/registrystore.h"
#include "platform/timing.h"
#include "plugins/addinrunner.h"
#include "plugins/frmpluginrun.h"
#include "plugins/startupplugins.h"
#include "util/ui/clsshowmodal.h"
#include "workspace/frmmain.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <future>
#include <memory>
#include <thread>

namespace {

// Without a session bus address, a bus socket or the program that starts a bus, the D-Bus
// library still forks a child of this whole process to look for one, and the first
// window waits for it; it is told at once that there is none.
void skipHopelessBusLaunch()
{
#ifndef Q_OS_WIN
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")))
        return;
    if (QFileInfo::exists(QStringLiteral("/usr/bin/dbus-launch"))
        || !QStandardPaths::findExecutable(QStringLiteral("dbus-launch")).isEmpty())
        return;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
#endif
}

} // namespace

int main(int argc, char **argv)
{
    skipHopelessBusLaunch();
    // While the application connects to the display, a helper reads what the start needs
    // later: the system's font configuration (the largest single cost before the login window
    // can show text), the registry's library and the hive of the classes, which the start-up
    // plug-ins read first; then, once the application is there, the font list, beside the
    // configuration, database and system services.
    std::promise<void> appCreated;
    std::thread ahead([created = appCreated.get_future()] {
        systemfonts::load();
        registry::loadStoreLibrary();
        registry::openExistingHive(registry::HKEY_CLASSES_ROOT);
        created.wait();
        QFontDatabase::families();
    });
    QApplication app(argc, argv);
    appCreated.set_value();
    timing::mark("qapp_ready");
    // Beside them too: the session bus, which accessibility asks for when the first label
    // gets its text.
    std::thread bus([] { QDBusConnection::sessionBus(); });
    // The standard buttons and dialogs speak the operators' language.
    widgetui::loadQtTranslations();
    WidgetUi widgetUi;
    ui::install(&widgetUi);

    // The composition root: the main window with function launch and hosting.
    QPointer<FunctionHost> functions;
    bMain::Wiring wiring;
    wiring.createMainWindow = [&functions](Session &session) {
        auto *window = new frmMain(session);
        functions = new FunctionHost(session, *window, window);
        window->setMenuRunner(functions);
        functions->openPluginList = [&session](int32_t operationId, const QString &caption, QWidget *owner) {
            auto list = std::make_unique<frmPluginRun>(session);
            list->Py_Init(operationId, caption);
            if (owner) // over the middle of the main window, as a dialog of it
                list->move(owner->frameGeometry().center() - list->rect().center());
            clsShowModal modal;
            modal.ShowModal(list.get(), owner);
        };
        functions->runAddIn = [&session](int32_t programNumber, const QString &systemCode, const QString &menuName) {
            plugins::RunAddIn(session, programNumber, systemCode, menuName);
        };
        return window;
    };
    wiring.runPlugins = [](Session &session, int stage) { plugins::RunConfiguredPlugins(session, stage); };
    wiring.openAlertWindow = [&functions](Session &) { return functions && functions->openAlertWindow(); };
    wiring.prepareDatabase = widgetui::prepareDemoDatabase;
    wiring.databaseConnected = widgetui::upgradeDemoDatabase;

    // /run:CODE opens a menu entry once the main window is shown, exactly as a click would.
    CommandLine options;
    options.parseArguments(app.arguments().mid(1));
    const CommandLine::Option run = options.option(QStringLiteral("run"));

    const bool running = bMain::Main(app.arguments().mid(1), wiring);
    // The last session's functions first, so a /run:CODE entry ends up in front;
    // one after the other, so that their questions and messages never overlap.
    if (running) {
        QTimer::singleShot(0, [&functions, run] {
            if (functions)
                functions->reopenLastFunctions();
            if (!functions || !run.present)
                return;
            bool inEditWindow = false, executed = false;
            functions->ExecuteMenu(run.value, inEditWindow, executed);
        });
    }
    const int rc = running ? app.exec() : 1;
    bMain::LogOut();
    // The main window goes through the event loop once the session has ended.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ui::install(nullptr);
    ahead.join();
    bus.join();
    return running ? rc : 1;
}

#include "app/bmain.h"
#include "app/widgetui.h"
#include "core/sessionprocs.h"
#include "workspace/frmmain.h"

#include <QApplication>
#include <QFontDatabase>

#include <thread>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Reading the system's fonts is the largest single cost before the login window can
    // show text; it runs beside the configuration, database and system services.
    std::thread fonts([] { QFontDatabase::families(); });
    // The standard buttons and dialogs speak the operators' language.
    widgetui::loadQtTranslations();
    WidgetUi widgetUi;
    ui::install(&widgetUi);
    bMain::Wiring wiring;
    wiring.createMainWindow = [](Session &session) { return new frmMain(session); };
    wiring.prepareDatabase = widgetui::prepareDemoDatabase;
    const bool running = bMain::Main(app.arguments().mid(1), wiring);
    const int rc = running ? app.exec() : 1;
    bMain::LogOut();
    // The main window goes through the event loop once the session has ended.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ui::install(nullptr);
    fonts.join();
    return running ? rc : 1;
}

#include "app/bmain.h"
#include "app/session.h"
#include "app/widgetui.h"
#include "demo/demodb.h"
#include "platform/timing.h"
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
    WidgetUi widgetUi;
    ui::install(&widgetUi);
    bMain::seams().createMainWindow = [] { return new frmMain; };
    bMain::seams().prepareDatabase = [](const QString &configPath) {
        QString error;
        if (!demo::createIfMissing(configPath, &error))
            ui::msgBox(QStringLiteral("演示数据库不能创建：") + error, ui::Exclamation, QStringLiteral("提示："));
    };
    const bool running = bMain::Main(app.arguments().mid(1));
    const int rc = running ? app.exec() : 1;
    bMain::LogOut();
    ui::install(nullptr);
    fonts.join();
    return running ? rc : 1;
}

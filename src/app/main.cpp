#include "app/bmain.h"
#include "app/session.h"
#include "app/widgetui.h"
#include "demo/demodb.h"
#include "platform/timing.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    WidgetUi widgetUi;
    ui::install(&widgetUi);
    bMain::seams().prepareDatabase = [](const QString &configPath) {
        QString error;
        if (!demo::createIfMissing(configPath, &error))
            ui::msgBox(QStringLiteral("演示数据库不能创建：") + error, ui::Exclamation, QStringLiteral("提示："));
    };
    const bool running = bMain::Main(app.arguments().mid(1));
    const int rc = running ? app.exec() : 1;
    bMain::LogOut();
    ui::install(nullptr);
    return running ? rc : 1;
}

// The yardstick of the start-up benchmark: a bare Qt window of the login
// window's size, shown, then the time since the process started is printed.
#include "platform/timing.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.setFixedSize(560, 340);
    w.show();
    QTimer::singleShot(0, [] {
        timing::mark("login_shown");
        QCoreApplication::exit(0);
    });
    return app.exec();
}

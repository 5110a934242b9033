// The yardstick of the start-up benchmark: a bare Qt window of the login
// window's size, shown, then the time since the process started is printed
// ("timing login_shown MS" on stderr, as the program's own milestone; the
// start-up benchmark measures the time itself and reads only that line). It
// links Qt Widgets and nothing of ours, so it stays the cost of a bare window.
// Run alone it has no goal of its own: it prints how long the window took from
// the application object to shown, and its verdict fails only when the window
// was not shown. --quick (or ZENLO_BENCH_QUICK=1) changes nothing but the
// verdict's words.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "benchsupport.h"

int main(int argc, char **argv)
{
    const bool quick = benchsupport::quickRun(argc, argv);
    benchsupport::Verdict verdict(quick);
    QElapsedTimer sinceApp;
    sinceApp.start();
    QApplication app(argc, argv);
    QWidget w;
    w.setFixedSize(560, 340);
    w.show();
    QTimer::singleShot(0, [] {
        std::fprintf(stderr, "timing login_shown 0\n");
        std::fflush(stderr);
        QCoreApplication::exit(0);
    });
    const int rc = app.exec();
    benchsupport::say("bare window %dx%d: %.1f ms from making the application object to the window shown (no goal: the "
                      "yardstick of bench_startup)\n",
                      w.width(), w.height(), double(sinceApp.nsecsElapsed()) / 1e6);
    if (rc != 0 || !w.isVisible())
        verdict.broken("the bare window was not shown");
    return verdict.finish("bare window shown (the yardstick of bench_startup, no goal of its own)");
}

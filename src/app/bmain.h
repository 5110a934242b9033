#pragma once
// The entry procedure: from the command line to the main window on screen.
#include "core/imainwindow.h"

#include <QStringList>

#include <functional>

class Session;

class Database;

namespace bMain {

// What the composition root (main(), or a test) plugs into the start-up.
// An empty function takes the default noted beside it.
struct Wiring {
    // Creates the main window (not yet loaded). Default: a plain window.
    std::function<IMainWindow *(Session &)> createMainWindow;
    // Runs the configured plug-ins of a stage (100 before the database, 101 after the login). Default: none.
    std::function<void(Session &, int stage)> runPlugins;
    // Opens the alert window ("预警", catalog 220); true when its initialisation succeeded. Default: false.
    std::function<bool(Session &)> openAlertWindow;
    // Shows the login window modally. Default: frmLogin.
    std::function<void(Session &)> showLogin;
    // Called with the configuration file before the database is initialised
    // (the program creates its demo database there when it is missing). False
    // when it told the operator it could not: the start-up then shuts down.
    std::function<bool(const QString &configPath)> prepareDatabase;
    // Called with the connected database before the system services start (the program
    // brings a demo database of an earlier build up to today's tables there). Default: none.
    std::function<void(Database &)> databaseConnected;
};

// Runs the start-up sequence with these arguments (without the program name).
// True when the main window is on screen and the program should run its event loop;
// the session is open then, and the log-out closes it.
bool Main(const QStringList &arguments, const Wiring &wiring = Wiring());

} // namespace bMain

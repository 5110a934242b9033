#pragma once
// The entry procedure: from the command line to the main window on screen.
#include <QStringList>
#include <QWidget>

#include <functional>

namespace bMain {

// The main window as the start-up sequence sees it.
class IMainWindow
{
public:
    virtual ~IMainWindow() = default;
    virtual QWidget *widget() = 0;
    // Builds the window (its load); errors are reported by the window itself.
    virtual void load() = 0;
    // Shows it modeless (maximised).
    virtual void showWorkspace() = 0;
    // The alert button: its active mark and its second state flag.
    virtual void setAlertButton(bool active, bool switchedOn) = 0;
};

struct Seams {
    // Creates the main window (not yet loaded). Default: a plain window.
    std::function<IMainWindow *()> createMainWindow;
    // Runs the configured plug-ins of a stage (100 before the database, 101 after the login).
    std::function<void(int stage)> runPlugins;
    // Opens the alert window ("预警", catalog 220); true when its initialisation succeeded.
    std::function<bool()> openAlertWindow;
    // Shows the login window modally (default: frmLogin). Tests may answer it.
    std::function<void()> showLogin;
    // Called with the configuration file before the database is initialised
    // (the program creates its demo database there when it is missing).
    std::function<void(const QString &configPath)> prepareDatabase;
};
Seams &seams();

// Runs the start-up sequence with these arguments (without the program name).
// True when the main window is on screen and the program should run its event loop.
bool Main(const QStringList &arguments);

// The main window of this run, or nullptr.
IMainWindow *mainWindow();

} // namespace bMain

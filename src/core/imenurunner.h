#pragma once
// What the workspace asks of function launch and hosting: running a menu entry
// (a button, a map box, a report button, the alert button), the header's
// buttons and the lock screen, and releasing the hosted component before the
// main window goes. The composition root wires the
// hosting side in; without it the workspace only shows where the operator is.
#include <QString>

class QObject;

class IMenuRunner
{
public:
    virtual ~IMenuRunner() = default;
    // Runs the entry with this menu code. inEditWindow comes back true when it
    // opened in an edit window of its own; executed tells whether anything ran.
    virtual void ExecuteMenu(const QString &code, bool &inEditWindow, bool &executed) = 0;
    // Opens the alert window ("预警"); true when its initialisation succeeded.
    virtual bool openAlertWindow() = 0;
    // Releases the hosted components (the one given, or all) before the main window goes.
    virtual void ClearControl(QObject *component) = 0;
    // The operator closes the function tab with this index (its close affordance).
    virtual void closeFunctionTab(int tabIndex) { (void)tabIndex; }
    // The main window is about to close: asks every hosted component and edit
    // window about unsaved work and, when any holds some, the operator whether
    // to quit all the same. False keeps the program running as it is.
    virtual bool confirmQuit() { return true; }
    // The main window unloads: the functions open now are remembered for the operator.
    virtual void rememberOpenFunctions() {}

    // A button of the header or of the lock screen: 0 leave, 1 lock the screen,
    // 2 help, 3 unlock (the password panel's 返回系统), 4 leave (its 退出系统), 5 alerts.
    virtual void headerButtonClick(int index) { (void)index; }
    // Whether the lock screen covers the main window now.
    virtual bool isLocked() const { return false; }
    // The theme's picture for the lock screen's password panel (a file; "" keeps the designed one).
    virtual void setLockPanelPicture(const QString &file) { (void)file; }
};

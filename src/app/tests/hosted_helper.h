#pragma once
// The main window with function hosting, wired as the program wires them.
#include <QSize>

class FunctionHost;
class Session;
class frmMain;

namespace apptest {

struct HostedWindow {
    frmMain *window = nullptr;
    FunctionHost *host = nullptr; // owned by the window
};

// Made on the session, loaded and shown in a normal (not maximised) state at
// the size; exposed tells whether the window system showed it in time.
HostedWindow showHostedWindow(Session &session, QSize size = QSize(1280, 800), bool *exposed = nullptr);

} // namespace apptest

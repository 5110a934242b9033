#pragma once
// The main window with function hosting, wired as the program wires them.
#include <QSize>
#include <QString>

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

// A session on the site's configuration with the operator logged in on
// 2026-12-08, the build's program folder (its components/ and themes) and its
// components scanned, then the hosted main window at 1280 x 800; false when
// the login failed or the window was not shown.
bool openWorkspace(const QString &configPath, const QString &op, const QString &password, HostedWindow *out);

} // namespace apptest

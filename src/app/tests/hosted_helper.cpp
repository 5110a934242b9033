#include "hosted_helper.h"

#include "hosting/functionhost.h"
#include "workspace/frmmain.h"

#include <QTest>

namespace apptest {

HostedWindow showHostedWindow(Session &session, QSize size, bool *exposed)
{
    HostedWindow w;
    w.window = new frmMain(session);
    w.host = new FunctionHost(session, *w.window, w.window);
    w.window->setMenuRunner(w.host);
    w.window->load();
    w.window->setWindowState(Qt::WindowNoState);
    w.window->resize(size);
    w.window->show();
    const bool shown = QTest::qWaitForWindowExposed(w.window);
    if (exposed)
        *exposed = shown;
    return w;
}

} // namespace apptest

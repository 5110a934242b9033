#include "hosted_helper.h"

#include "components/sysservices.h"
#include "core/session.h"
#include "hosting/functionhost.h"
#include "platform/appinfo.h"
#include "platform/objectfactory.h"
#include "workspace/frmmain.h"

#include <QDate>
#include <QTest>

#include "testsupport.h"

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

bool openWorkspace(const QString &configPath, const QString &op, const QString &password, HostedWindow *out)
{
    if (!testsupport::openSession(configPath, op, password))
        return false;
    Session &s = *Session::current();
    s.sys->environment()->setOperatingDate(QDate(2026, 12, 8));
    appinfo::setProgramFolder(QStringLiteral(ZENLO_PROGRAM_DIR));
    objects::rescanComponents();
    bool exposed = false;
    *out = showHostedWindow(s, QSize(1280, 800), &exposed);
    return exposed;
}

} // namespace apptest

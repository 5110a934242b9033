#include "core/sessionprocs.h"

#include "core/clsconfig.h"
#include "core/session.h"
#include "core/logger.h"
#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSession, "zenlo.session", QtInfoMsg)

namespace bMain {

void StatusPrompt(const QString &text, int mode)
{
    if (mode != 0)
        return;
    Session *s = Session::current();
    if (!s)
        return;
    try {
        const QString prefix = s->lookup(QStringLiteral("/mdimain/statusbar/prompt"), QStringLiteral("【Zenlo软件】"));
        const QString line = text.isEmpty()
            ? prefix + s->lookup(QStringLiteral("/mdimain/statusbar/wait"), QStringLiteral("Ready..."))
            : prefix + text;
        s->showStatus(line);
    } catch (...) {
    }
}

// Runs one step of the log-out when its object exists; a failing step never stops the next.
template <typename F>
static void step(bool exists, const char *what, F &&f)
{
    if (!exists)
        return;
    qCDebug(lcSession) << "log-out:" << what;
    try {
        f();
    } catch (const std::exception &e) {
        qCWarning(lcSession) << "log-out step" << what << "failed:" << e.what();
    } catch (...) {
        qCWarning(lcSession) << "log-out step" << what << "failed";
    }
}

void LogOut()
{
    Session *session = Session::current();
    if (!session)
        return;
    Session &g = *session;
    step(g.op && !g.op->name().isEmpty(), "operation record", [&] {
        Logger::WriteOperation(QStringLiteral("正在注销用户并退出系统！"), 0);
        g.op->SignOut();
    });
    step(bool(g.sys), "sign off", [&] { g.sys->SignOff(QString()); });
    step(bool(g.db), "database", [&] {
        LogService::instance().detachDatabase(g.db.get());
        g.db.reset();
    });
    step(bool(g.op), "operator", [&] { g.op.reset(); });
    step(bool(g.sys), "system services", [&] {
        g.sys->Close(0);
        g.sys.reset();
    });
    step(bool(g.logConfig), "log configuration", [&] { g.logConfig.reset(); });
    step(bool(g.config), "configuration", [&] {
        g.config->Clear();
        g.config.reset();
    });
    LogService::instance().flush();
    step(g.mainWindow() != nullptr, "main window", [&] { g.releaseMainWindow(); });
    Session::close();
}

void LoadCompanyInfo()
{
    try {
        Session *s = Session::current();
        if (!s || !s->db || !s->sys)
            return;
        Session &g = *s;
        if (!g.db || !g.sys)
            return;
        RecordSetPtr rs = g.db->OpenRecordset(QStringLiteral("select top 1 * from sysdatabase order by zt_code"), 1);
        if (!rs)
            return;
        if (!rs->isEOF()) {
            static const char *const fields[] = {"zt_account", "zt_addrb",  "zt_addrg", "zt_addrr", "zt_attrib", "zt_code",
                                                 "zt_coname",  "zt_database", "zt_addrg", "zt_eaddrr", "zt_ename", "zt_fax",
                                                 "zt_fr",      "zt_mail",   "zt_phone", "zt_tax",   "zt_name"};
            for (int i = 0; i < CompanyInfo::FieldCount; ++i)
                g.sys->companyInfo().set(CompanyInfo::Field(i), rs->text(QString::fromLatin1(fields[i])));
        }
        rs->close();
    } catch (...) {
        // The loader stops silently at its first error; what was set stays.
    }
}

} // namespace bMain

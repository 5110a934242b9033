#include "plugins/addinrunner.h"

#include "components/database.h"
#include "components/sysservices.h"
#include "core/contracts.h"
#include "core/logger.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "platform/appinfo.h"
#include "platform/runtimeerror.h"
#include "plugins/pluginscan.h"

#include <memory>

namespace plugins {

bool ProgramDefinition::Load(int32_t programNumber)
{
    m_progId.clear();
    m_commandLine.clear();
    if (!m_db)
        throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
    m_db->ClearError();
    RecordSetPtr rs = m_db->query(QStringLiteral("select progClass, progCommandLine from xt_objects where progID=?"), {programNumber});
    // A table that cannot be read (an account set without the progClass column) is an error, not an empty row.
    if (!m_db->LastError().isEmpty())
        throw RuntimeError(m_db->LastError().description);
    if (!rs || rs->isEOF())
        return false;
    m_progId = rs->text(QStringLiteral("progClass"));
    m_commandLine = rs->text(QStringLiteral("progCommandLine"));
    return true;
}

void RunAddIn(Session &session, int32_t programNumber, const QString &systemCode, const QString &menuName)
{
    if (programNumber <= 0) {
        Logger::WriteMessage(QStringLiteral("插件未定义！"), 4, QStringLiteral("提示："));
        return;
    }
    Logger::WriteMessage(QStringLiteral("检查外接程序的程序权限操作，progID=") + QString::number(programNumber), 1);
    PluginObject addIn;
    try {
        SystemServices *sys = session.sys.get();
        if (!sys)
            throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
        if (!sys->rights(programNumber).right(1)) {
            Logger::WriteMessage(QStringLiteral("没有运行权限，请检查后再试"), 2, QStringLiteral("提示："));
        } else {
            ProgramDefinition definition(sys->database() ? sys->database() : session.db.get());
            definition.Load(programNumber);
            const QString progId = definition.ProgID().trimmed();
            if (!progId.isEmpty()) {
                Operator *op = session.op.get();
                if (!op)
                    throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
                if (!op->IsReady()) {
                    Logger::WriteMessage(op->LastError().description, 2);
                    return;
                }
                addIn = createAddIn(appinfo::programFolder(), progId);
                IPluginParameters *parameters = addIn.ui->Parameters();
                if (!parameters)
                    throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
                parameters->Add(QStringLiteral("ProgID"), QString(), QVariant(programNumber));
                parameters->Add(QStringLiteral("ModeCode"), QString(), QVariant(systemCode));
                parameters->Add(QStringLiteral("Caption"), QString(), QVariant(menuName));
                parameters->Add(QStringLiteral("CommandLine"), QString(), QVariant(definition.CommandLine()));
                const QString caption = addIn.ui->Caption();
                bMain::StatusPrompt(QStringLiteral("正在初始化[") + caption + QStringLiteral("]对象"));
                Logger::WriteOperation(QStringLiteral("操作插件[") + caption + QStringLiteral("]"), 0);
                SystemServices *given = sys;
                if (addIn.ui->Init(given)) {
                    bMain::StatusPrompt(QStringLiteral("正在运行") + caption);
                    QString text;
                    addIn.ui->Run(text);
                }
                addIn.ui->Terminate();
            }
        }
    } catch (...) {
        Logger::WriteMessage(QStringLiteral("程序执行错误，原因：") + describeException(std::current_exception()), 8,
                             QStringLiteral("错误："));
    }
    addIn = PluginObject();
    bMain::StatusPrompt(QString());
}

} // namespace plugins

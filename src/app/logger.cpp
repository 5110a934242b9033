#include "app/logger.h"

#include "app/clsconfig.h"
#include "app/globals.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "components/textencoder.h"

namespace Logger {

QString defaultSource()
{
    const clsConfig *cfg = app::g().config.get();
    if (cfg && !cfg->Subject().isEmpty())
        return cfg->Subject();
    return QStringLiteral("Zenlo软件");
}

void WriteMessage(const QString &text, int level, const QString &source)
{
    LogEntry e;
    e.source = source.isEmpty() ? defaultSource() : source;
    e.level = level;
    e.message = text;
    LogService::instance().Write(e, 0);
}

QString operationRecord(const QString &text, int operationId, const QString &operatorName)
{
    // The operator name is encoded as well: a record must stay well-formed whatever the name holds.
    return QStringLiteral("<log><progid>") + QString::number(operationId) + QStringLiteral("</progid><user>")
        + TextEncoder::Encode(operatorName) + QStringLiteral("</user><message>") + TextEncoder::Encode(text)
        + QStringLiteral("</message></log>");
}

void WriteOperation(const QString &text, int operationId, const QString &source)
{
    LogEntry e;
    e.source = source.isEmpty() ? defaultSource() : source;
    e.level = 48;
    const Operator *op = app::g().op ? app::g().op.get() : Operator::current();
    e.message = operationRecord(text, operationId, op ? op->name() : QString());
    LogService::instance().Write(e, 0);
}

} // namespace Logger

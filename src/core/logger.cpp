#include "core/logger.h"

#include "core/clsconfig.h"
#include "core/session.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "components/textencoder.h"

namespace Logger {

QString defaultSource()
{
    const Session *s = Session::current();
    const clsConfig *cfg = s ? s->config.get() : nullptr;
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

void WriteLogOnly(const QString &text, int level, const QString &source)
{
    LogEntry e;
    e.source = source.isEmpty() ? defaultSource() : source;
    e.level = level;
    e.message = text;
    LogService::instance().Write(e, LogService::LogOnly);
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
    const Session *s = Session::current();
    const Operator *op = s ? s->op.get() : nullptr;
    e.message = operationRecord(text, operationId, op ? op->name() : QString());
    LogService::instance().Write(e, 0);
}

} // namespace Logger

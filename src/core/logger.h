#pragma once
// The single funnel for everything the program reports: the message writer
// (levels 1 trace, 2 notice, 4 warning, 8 error) and the operation-record
// writer (level 48: who did what, in which function).
#include "platform/zenlo_export.h"

#include <QString>

namespace Logger {

ZENLO_CORE_EXPORT void WriteMessage(const QString &text, int level, const QString &source = QString());
// The same entry in the log only, never presented to the operator (what the
// program works around and goes on without: an administrator's matter).
ZENLO_CORE_EXPORT void WriteLogOnly(const QString &text, int level, const QString &source = QString());
ZENLO_CORE_EXPORT void WriteOperation(const QString &text, int operationId, const QString &source = QString());

// "<log><progid>id</progid><user>name</user><message>text</message></log>", both texts encoded.
ZENLO_CORE_EXPORT QString operationRecord(const QString &text, int operationId, const QString &operatorName);
ZENLO_CORE_EXPORT QString defaultSource();

} // namespace Logger

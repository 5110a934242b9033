#pragma once
// The single funnel for everything the program reports: the message writer
// (levels 1 trace, 2 notice, 4 warning, 8 error) and the operation-record
// writer (level 48: who did what, in which function).
#include <QString>

namespace Logger {

void WriteMessage(const QString &text, int level, const QString &source = QString());
void WriteOperation(const QString &text, int operationId, const QString &source = QString());

// "<log><progid>id</progid><user>name</user><message>text</message></log>", both texts encoded.
QString operationRecord(const QString &text, int operationId, const QString &operatorName);
QString defaultSource();

} // namespace Logger

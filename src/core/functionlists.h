#pragma once
// The operator's recent and pinned functions, kept per operator in the per-user
// settings (sections "recentfunctions" and "pinnedfunctions", key = operator
// name, value = menu codes separated by commas). Function launch records a run;
// the workspace shows both lists and pins and unpins. Whether a stored code is
// still a function the operator may run is the reader's question: these lists
// only keep codes.
#include "platform/zenlo_export.h"

#include <QObject>
#include <QString>
#include <QStringList>

class Session;

namespace functionlists {

constexpr int recentLimit = 10;
constexpr int pinnedLimit = 30;

// Tells the windows that a list of the session's operator changed.
class ZENLO_CORE_EXPORT Notifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
Q_SIGNALS:
    void changed();
};

// The session's notifier (made on first use, owned by the session).
ZENLO_CORE_EXPORT Notifier *notifier(Session &session);

// Most recent first, no duplicates, at most recentLimit.
ZENLO_CORE_EXPORT QStringList recent(const Session &session);
// In the order they were pinned.
ZENLO_CORE_EXPORT QStringList pinned(const Session &session);
ZENLO_CORE_EXPORT bool isPinned(const Session &session, const QString &code);

// A function ran: it goes to the front of the recent list.
ZENLO_CORE_EXPORT void recordRun(Session &session, const QString &code);
// Pins (at the end) or unpins a code; false when nothing changed or the code cannot be kept.
ZENLO_CORE_EXPORT bool setPinned(Session &session, const QString &code, bool pin);

// The stored form and back (codes trimmed; empty ones and ones with a comma left out).
ZENLO_CORE_EXPORT QStringList parse(const QString &stored);
ZENLO_CORE_EXPORT QString join(const QStringList &codes);

} // namespace functionlists

#include "core/functionlists.h"

#include "components/sysservices.h"
#include "core/session.h"

namespace functionlists {

namespace {

const QString kRecentSection = QStringLiteral("recentfunctions");
const QString kPinnedSection = QStringLiteral("pinnedfunctions");

// Without an operator there is no one to keep lists for.
QString operatorKey(const Session &s)
{
    return s.op ? s.op->name().trimmed() : QString();
}

bool usable(const QString &code)
{
    return !code.isEmpty() && !code.contains(u',') && code.size() <= 100;
}

QStringList read(const Session &s, const QString &section)
{
    const QString who = operatorKey(s);
    if (who.isEmpty())
        return {};
    return parse(s.getSetting(section, who));
}

bool write(Session &s, const QString &section, const QStringList &codes)
{
    const QString who = operatorKey(s);
    if (who.isEmpty())
        return false;
    const bool ok = s.saveSetting(section, who, join(codes));
    Q_EMIT notifier(s)->changed();
    return ok;
}

} // namespace

Notifier *notifier(Session &session)
{
    auto *n = session.findChild<Notifier *>(QStringLiteral("functionlists"), Qt::FindDirectChildrenOnly);
    if (!n) {
        n = new Notifier(&session);
        n->setObjectName(QStringLiteral("functionlists"));
    }
    return n;
}

QStringList parse(const QString &stored)
{
    QStringList out;
    for (const QString &part : stored.split(u',', Qt::SkipEmptyParts)) {
        const QString code = part.trimmed();
        if (usable(code) && !out.contains(code))
            out << code;
    }
    return out;
}

QString join(const QStringList &codes)
{
    return codes.join(u',');
}

QStringList recent(const Session &session)
{
    return read(session, kRecentSection).mid(0, recentLimit);
}

QStringList pinned(const Session &session)
{
    return read(session, kPinnedSection).mid(0, pinnedLimit);
}

bool isPinned(const Session &session, const QString &code)
{
    return pinned(session).contains(code.trimmed());
}

void recordRun(Session &session, const QString &code)
{
    const QString c = code.trimmed();
    if (!usable(c))
        return;
    QStringList list = recent(session);
    if (!list.isEmpty() && list.first() == c)
        return; // already the most recent: nothing to write, nothing to redraw
    list.removeAll(c);
    list.prepend(c);
    write(session, kRecentSection, list.mid(0, recentLimit));
}

bool setPinned(Session &session, const QString &code, bool pin)
{
    const QString c = code.trimmed();
    if (!usable(c))
        return false;
    QStringList list = read(session, kPinnedSection);
    if (pin == list.contains(c))
        return false;
    if (pin) {
        if (list.size() >= pinnedLimit)
            return false;
        list << c;
    } else {
        list.removeAll(c);
    }
    return write(session, kPinnedSection, list);
}

} // namespace functionlists

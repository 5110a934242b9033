#include "login/loginrules.h"

namespace loginrules {

int wrapSpinner(int index, int value)
{
    if (index == 1) {
        if (value > 12)
            return 1;
        if (value < 1)
            return 12;
    } else if (index == 2) {
        if (value > 31)
            return 1;
        if (value < 1)
            return 31;
    }
    return value;
}

QString dateText(int year, int month, int day)
{
    return QString::number(year) + QLatin1Char('-') + QString::number(month) + QLatin1Char('-') + QString::number(day);
}

QDate operatingDate(int year, int month, int day)
{
    return QDate(year, month, day);
}

QStringList readRecent(const std::function<QString(const QString &)> &get, int count)
{
    QStringList out;
    for (int n = 1; n <= count; ++n) {
        const QString v = get(QString::number(n) + QStringLiteral("LogonUser"));
        if (v.isEmpty())
            break;
        out << v;
    }
    return out;
}

QStringList recentAfterLogin(const QStringList &stored, const QString &name, int count)
{
    QString list;
    for (const QString &s : stored)
        list += QLatin1Char('[') + s + QStringLiteral("],");
    const QString marked = QLatin1Char('[') + name + QLatin1Char(']');
    if (list.contains(marked)) {
        list.remove(marked);
        list.replace(QStringLiteral(",,"), QStringLiteral(","));
        if (list.startsWith(QLatin1Char(',')))
            list.remove(0, 1);
    }
    list += marked + QLatin1Char(',');
    QStringList pieces = list.split(QLatin1Char(','));
    pieces.removeLast(); // the empty piece after the last comma
    QStringList out;
    for (int i = 0; i < pieces.size() && i < count; ++i) {
        QString p = pieces.at(i);
        p.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        out << p;
    }
    return out;
}

} // namespace loginrules

#include "commands.h"

#include "components/database.h"
#include "platform/appinfo.h"
#include "platform/registrystore.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

namespace admin {

namespace {

const char kUsage[] =
    "usage: zenlo-admin oplog [--since DATE] [--until DATE] [--user NAME] [--csv FILE] [--cfg FILE]\n"
    "  lists the operation records (time, operator, program number, text) of the database the\n"
    "  configuration names (default: zenlo.Exe.Config beside zenlo-admin), oldest first.\n"
    "  DATE is yyyy-MM-dd; --until includes that whole day. --user matches the operator's name.\n"
    "  --csv writes them to a new CSV file (UTF-8) instead; an existing file is never replaced.\n";

QString csvField(const QString &text)
{
    QString t = text;
    // A text a spreadsheet would run as a formula is kept as text.
    if (!t.isEmpty() && QStringLiteral("=+-@").contains(t.at(0)))
        t.prepend(u'\'');
    if (!t.contains(u',') && !t.contains(u'"') && !t.contains(u'\n') && !t.contains(u'\r'))
        return t;
    t.replace(u'"', QStringLiteral("\"\""));
    return u'"' + t + u'"';
}

} // namespace

int oplogCommand(const QStringList &args)
{
    if (wantsHelp(args))
        return usage(QString::fromUtf8(kUsage));
    QString since, until, user, csv, cfg;
    bool hasUser = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        QString *target = a == QLatin1String("--since") ? &since
            : a == QLatin1String("--until")             ? &until
            : a == QLatin1String("--user")              ? &user
            : a == QLatin1String("--csv")               ? &csv
            : a == QLatin1String("--cfg")               ? &cfg
                                                        : nullptr;
        if (!target)
            return usageError(a.startsWith(QLatin1String("-")) ? QStringLiteral("unknown option '%1'").arg(a)
                                                               : QStringLiteral("oplog takes no argument '%1'").arg(a));
        if (i + 1 >= args.size())
            return usageError(QStringLiteral("option %1 needs a value").arg(a));
        *target = args.at(++i);
        hasUser = hasUser || target == &user;
    }
    const QDate from = QDate::fromString(since, Qt::ISODate), to = QDate::fromString(until, Qt::ISODate);
    if (!since.isEmpty() && !from.isValid())
        return usageError(QStringLiteral("--since %1: not a date (yyyy-MM-dd)").arg(since));
    if (!until.isEmpty() && !to.isValid())
        return usageError(QStringLiteral("--until %1: not a date (yyyy-MM-dd)").arg(until));
    if (!csv.isEmpty() && (QFileInfo::exists(csv) || QFileInfo(csv).isSymLink()))
        return fail(QStringLiteral("%1: the file exists already").arg(csv));
    if (cfg.isEmpty())
        cfg = appinfo::programFolder() + QStringLiteral("/zenlo.Exe.Config");
    if (QFileInfo(cfg).isDir())
        return fail(QStringLiteral("%1: is a folder, not a configuration file").arg(cfg));
    if (!QFileInfo(cfg).isFile())
        return fail(QStringLiteral("%1: no such file").arg(cfg));
    registry::setCreateHives(false);
    // Another installation's configuration: its %app.path% is its own folder.
    appinfo::setProgramFolder(QFileInfo(cfg).absolutePath());

    Database db;
    if (!db.Init(cfg, false) || !db.Connect())
        return fail(QStringLiteral("%1: the database cannot be opened: %2").arg(cfg, db.LastError().description));
    QString sql = QStringLiteral("select logtime, opname, progid, message from sys_oplog where 1 = 1");
    QVariantList values;
    if (from.isValid()) {
        sql += QStringLiteral(" and logtime >= ?");
        values << from.toString(Qt::ISODate) + QStringLiteral(" 00:00:00");
    }
    if (to.isValid()) {
        sql += QStringLiteral(" and logtime < ?");
        values << to.addDays(1).toString(Qt::ISODate) + QStringLiteral(" 00:00:00");
    }
    if (hasUser) {
        sql += QStringLiteral(" and opname = ?");
        values << user;
    }
    sql += QStringLiteral(" order by logtime, id");
    RecordSetPtr rs = db.query(sql, values);
    if (!rs)
        return fail(QStringLiteral("the operation records cannot be read: %1").arg(db.LastError().description));

    auto timeText = [&] {
        const QVariant v = rs->field(QStringLiteral("logtime"));
        const QDateTime t = v.toDateTime();
        return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : v.toString();
    };
    if (csv.isEmpty()) {
        QTextStream &o = out();
        for (; !rs->isEOF(); rs->moveNext())
            o << timeText() << '\t' << rs->text(QStringLiteral("opname")) << '\t' << rs->text(QStringLiteral("progid")) << '\t'
              << rs->text(QStringLiteral("message")).replace(u'\n', u' ') << '\n';
        o.flush();
        return 0;
    }
    QStringList lines{QStringLiteral("时间,操作员,程序号,内容")};
    for (; !rs->isEOF(); rs->moveNext())
        lines << QStringList{csvField(timeText()), csvField(rs->text(QStringLiteral("opname"))),
                             csvField(rs->text(QStringLiteral("progid"))), csvField(rs->text(QStringLiteral("message")))}
                     .join(u',');
    QFile file(csv);
    // NewOnly: a file that appeared meanwhile is not replaced either.
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        const QString why = file.errorString();
        if (file.isOpen()) {
            file.close();
            file.remove();
        }
        return fail(QStringLiteral("%1: cannot be written: %2").arg(csv, why));
    }
    out() << lines.size() - 1 << " records written to " << csv << Qt::endl;
    return 0;
}

} // namespace admin

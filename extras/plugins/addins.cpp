#include "addins.h"

#include "components/database.h"
#include "components/sysservices.h"
#include "core/logger.h"
#include "platform/uiservice.h"

namespace zenloaddins {

namespace {

bool failWith(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

QDate dateOf(const QVariant &v)
{
    const QString text = v.toString();
    QDate d = QDate::fromString(text.left(10), Qt::ISODate);
    return d.isValid() ? d : v.toDate();
}

QString dateText(const QDate &d) { return d.toString(Qt::ISODate) + QStringLiteral(" 00:00:00"); }

} // namespace

bool closePeriod(Database &db, const QString &systemCode, PeriodChange *change, QString *error)
{
    const QString code = systemCode.trimmed();
    if (code.isEmpty())
        return failWith(error, QStringLiteral("菜单没有指定系统，无法结转会计期间"));
    RecordSetPtr rs = db.query(QStringLiteral("select year, period, startdate, enddate, isclosed from sys_period where syscode=? and iscurrent=1"),
                               {code});
    if (!rs || !db.LastError().isEmpty())
        return failWith(error, QStringLiteral("无法读取会计期间: ") + db.LastError().description);
    if (rs->isEOF())
        return failWith(error, QStringLiteral("系统 ") + code + QStringLiteral(" 没有当前会计期间"));
    if (rs->recordCount() > 1)
        return failWith(error, QStringLiteral("系统 ") + code + QStringLiteral(" 有多个当前会计期间，请先修正期间设置"));
    const int period = rs->field(QStringLiteral("period")).toInt();
    const QDate start = dateOf(rs->field(QStringLiteral("startdate")));
    const QDate end = dateOf(rs->field(QStringLiteral("enddate")));
    const QVariant yearValue = rs->field(QStringLiteral("year"));
    const int year = yearValue.isNull() ? start.year() : yearValue.toInt();
    if (period < 1 || period > 12 || !end.isValid() || year < 1900 || year > 9999)
        return failWith(error, QStringLiteral("系统 ") + code + QStringLiteral(" 的当前会计期间设置无效"));
    auto periodName = [&](int y, int p) { return QStringLiteral("系统 %1 %2年第 %3 期").arg(code).arg(y).arg(p); };
    if (rs->field(QStringLiteral("isclosed")).toInt() == 1)
        return failWith(error, periodName(year, period) + QStringLiteral("已结转，不能再次结转"));
    PeriodChange c;
    c.closedYear = year;
    c.closed = period;
    c.year = period == 12 ? year + 1 : year;
    c.current = period % 12 + 1;
    c.start = end.addDays(1);
    c.end = c.start.addMonths(1).addDays(-1);

    if (!db.transaction())
        return failWith(error, db.LastError().description);
    auto rollback = [&](const QString &why) {
        db.rollback();
        return failWith(error, QStringLiteral("结转失败，会计期间没有改变: ") + why);
    };
    // Only the closed period's row and the next one's current flag change: earlier years keep their rows.
    int changed = 0;
    if (!db.exec(QStringLiteral("update sys_period set iscurrent=0, isclosed=1 where syscode=? and year=? and period=? and iscurrent=1 "
                                "and (isclosed is null or isclosed=0)"),
                 {code, year, period}, &changed))
        return rollback(db.LastError().description);
    if (changed != 1) // somebody else closed it since it was read
        return rollback(periodName(year, period) + QStringLiteral("已结转"));
    RecordSetPtr next = db.query(QStringLiteral("select isclosed, startdate, enddate from sys_period where syscode=? and year=? and period=?"), {code, c.year, c.current});
    if (!next || !db.LastError().isEmpty())
        return rollback(db.LastError().description);
    if (!next->isEOF()) {
        if (next->field(QStringLiteral("isclosed")).toInt() == 1)
            return rollback(periodName(c.year, c.current) + QStringLiteral("已经结转过，请先修正期间设置"));
        // A period set up in advance keeps its own dates.
        const QDate nextStart = dateOf(next->field(QStringLiteral("startdate")));
        const QDate nextEnd = dateOf(next->field(QStringLiteral("enddate")));
        if (nextStart.isValid() && nextEnd.isValid()) {
            c.start = nextStart;
            c.end = nextEnd;
        }
        if (!db.exec(QStringLiteral("update sys_period set iscurrent=1 where syscode=? and year=? and period=?"), {code, c.year, c.current}))
            return rollback(db.LastError().description);
    } else if (!db.exec(QStringLiteral("insert into sys_period(syscode, year, period, startdate, enddate, iscurrent, isclosed) "
                                       "values (?, ?, ?, ?, ?, 1, 0)"),
                        {code, c.year, c.current, dateText(c.start), dateText(c.end)})) {
        return rollback(db.LastError().description);
    }
    if (!db.commit())
        return rollback(db.LastError().description);
    if (change)
        *change = c;
    return true;
}

bool PeriodClose::Init(SystemServices *&sys)
{
    m_sys = sys;
    m_error.clear();
    return sys != nullptr && sys->database() != nullptr;
}

QVariant PeriodClose::Terminate()
{
    m_sys = nullptr;
    return QVariant();
}

QString PeriodClose::Description() const
{
    return QStringLiteral("结束菜单所属系统的当前会计期间，并把下一期间设为当前期间。");
}

QVariant PeriodClose::Run(QString &)
{
    m_error.clear();
    Database *db = m_sys ? m_sys->database() : nullptr;
    if (!db)
        return false;
    const QString code = m_parameters.Item(QStringLiteral("ModeCode")).toString().trimmed();
    const Period current = m_sys->accountPeriod(code, 0);
    if (!current.exists) {
        m_error = {1, QStringLiteral("系统 ") + code + QStringLiteral(" 没有当前会计期间")};
        Logger::WriteMessage(m_error.description, 4);
        return false;
    }
    const QString question = QStringLiteral("确定要结转系统 %1 的第 %2 期吗？结转后当前期间将变为第 %3 期。")
                                 .arg(code)
                                 .arg(current.current)
                                 .arg(current.current % 12 + 1);
    if (ui::msgBox(question, ui::YesNo | ui::Question, Caption()) != ui::Yes)
        return false;
    PeriodChange change;
    QString why;
    if (!closePeriod(*db, code, &change, &why)) {
        m_error = {1, why};
        Logger::WriteMessage(why, 4);
        return false;
    }
    Logger::WriteMessage(QStringLiteral("系统 %1 第 %2 期已结转，当前期间为第 %3 期（%4 至 %5）")
                             .arg(code)
                             .arg(change.closed)
                             .arg(change.current)
                             .arg(change.start.toString(Qt::ISODate), change.end.toString(Qt::ISODate)),
                         2);
    return true;
}

} // namespace zenloaddins

#include "workspace/menurules.h"

#include "platform/vbconv.h"
#include "platform/vbconv.h"

#include <algorithm>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace workspace {
QString sqlQuote(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

int firstLevelCodeLength(const QString &menubm)
{
    const QString structure = menubm.isEmpty() ? QStringLiteral("22222") : menubm;
    const QChar first = structure.at(0);
    return first >= QLatin1Char('0') && first <= QLatin1Char('9') ? first.unicode() - '0' : 0;
}

QString catalogQuery(int n)
{
    return QStringLiteral(" SELECT menucode,systemcatalog,xt_menu.systemcode")
        + QStringLiteral(" FROM xt_menu INNER JOIN xt_mode ON xt_menu.systemcode=xt_mode.systemcode ")
        + QStringLiteral(" WHERE (menucode in (select left(parent,") + QString::number(n) + QStringLiteral(") from xt_menu)")
        + QStringLiteral(" or menucode in(select menucode from xt_menu where parent='' and menuismx=1))")
        + QStringLiteral(" ORDER BY menuorder");
}

QList<CatalogItem> catalogItems(const QList<CatalogRow> &rows)
{
    // Names are compared whole: a list of "[name]" markers would take "a" for
    // seen once "a][b" is, and drop a catalog.
    QList<CatalogItem> items;
    QSet<QString> seen;
    for (const CatalogRow &row : rows) {
        const QString catalog = vbconv::trimBlanks(row.systemcatalog);
        if (seen.contains(catalog))
            continue;
        seen.insert(catalog);
        items.append({catalog, vbconv::trimBlanks(row.systemcode), vbconv::trimBlanks(row.menucode)});
    }
    return items;
}

QString buttonQuery(const QString &catalog)
{
    return QStringLiteral(" SELECT menucode ,menuname,systemcode,menuIsMajor,parent,menuorder")
        + QStringLiteral(" FROM xt_menu")
        + QStringLiteral(" WHERE ((menucode in (select parent from xt_menu) and menuismx=0) or menulevel=1)")
        + QStringLiteral(" and menuIsMajor=1 and systemcode in(select systemcode from xt_mode where systemcatalog=")
        + sqlQuote(catalog) + QStringLiteral(")") + QStringLiteral(" ORDER BY parent,menuorder");
}

QString storedFileQuery(int type)
{
    return QStringLiteral("SELECT filename,iscompress,contents FROM xt_menuPilot WHERE type=") + QString::number(type)
        + QStringLiteral(" and menuCode=?");
}

int buttonToPress(const QStringList &captions, const QString &remembered)
{
    if (captions.isEmpty())
        return 0;
    int selected = 0;
    if (!remembered.isEmpty()) {
        for (int k = 0; k < captions.size(); ++k)
            if (vbconv::trimBlanks(captions.at(k)) == remembered)
                selected = k + 1;
    }
    return selected != 0 ? selected : 1;
}

StoredWidth navPanelWidth(const QString &stored, double designWidth)
{
    static const QRegularExpression leadingNumber(QStringLiteral("^[ \\t\\r\\n]*[+-]?([0-9]|\\.[0-9])"));
    StoredWidth out;
    out.width = designWidth;
    if (!leadingNumber.match(stored).hasMatch()) {
        out.usable = false;
        out.reason = QStringLiteral("不是数字");
        return out;
    }
    const double value = vbconv::leadingNumber(stored);
    if (!std::isfinite(value)) {
        out.usable = false;
        out.reason = QStringLiteral("数值超出范围");
    } else if (value < 0) {
        out.usable = false;
        out.reason = QStringLiteral("宽度不能为负数");
    } else {
        out.width = value;
    }
    return out;
}

int visibleRows(const QString &stored, int defaultRows)
{
    const auto rows = vbconv::toInt32(vbconv::leadingNumber(stored));
    if (!rows)
        return defaultRows;
    return *rows < 0 ? 0 : *rows;
}

QString savedNavPanelWidth(double panelWidth)
{
    // Single precision, as the setting has always held it.
    return QString::number(double(float(panelWidth - 60)), 'g', 7);
}

double restoredNavPanelWidth(double storedWidth)
{
    return storedWidth + 60;
}

DatabaseBadge databaseBadge(const QString &company, const QString &driver, const QString &server,
                            const QString &database, const QString &dsn, const QString &copyKind)
{
    DatabaseBadge b;
    const QString host = server.trimmed().isEmpty() ? QStringLiteral("localhost") : server.trimmed();
    QString where;
    if (driver == QLatin1String("sqlite")) {
        const qsizetype slash = std::max(database.lastIndexOf(u'/'), database.lastIndexOf(u'\\'));
        where = QStringLiteral("SQLite ") + database.mid(slash + 1);
        b.detail = database;
    } else if (driver == QLatin1String("odbc")) {
        where = QStringLiteral("ODBC ") + dsn;
        b.detail = where;
    } else {
        where = (driver == QLatin1String("mssql") ? QStringLiteral("SQL Server ") : QStringLiteral("PostgreSQL ")) + host
            + u'/' + database;
        b.detail = where;
    }
    b.line = company.trimmed().isEmpty() ? where : company.trimmed() + QStringLiteral(" · ") + where;
    if (copyKind == QLatin1String("test") || copyKind == QLatin1String("training")) {
        const QString mark = copyKind == QLatin1String("test") ? QStringLiteral("测试账套") : QStringLiteral("培训账套");
        b.copy = true;
        b.line = QStringLiteral("【") + mark + QStringLiteral("】") + b.line;
        b.titleSuffix = QStringLiteral(" - ") + mark;
    }
    return b;
}

int idleLockMinutes(const QString &setting, QString *problem)
{
    const QString t = setting.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const int minutes = t.toInt(&ok);
    if (!ok || minutes < 0 || minutes > 1440) {
        if (problem)
            *problem = QStringLiteral("空闲锁屏时间“%1”无效（应为 0 到 1440 分钟），空闲锁屏关闭").arg(t);
        return 0;
    }
    return minutes;
}

IdleStep idleStep(qint64 idleMs, int minutes, bool warned)
{
    if (minutes <= 0)
        return IdleStep::Nothing;
    const qint64 limit = qint64(minutes) * 60000;
    if (idleMs >= limit)
        return IdleStep::Lock;
    if (!warned && idleMs >= limit - 60000)
        return IdleStep::Warn;
    return IdleStep::Nothing;
}

} // namespace workspace

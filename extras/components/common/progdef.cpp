#include "progdef.h"

#include "components/database.h"
#include "components/sysservices.h"

#include <QRegularExpression>

namespace lwcommon {

namespace {

const QString kSelect = QStringLiteral(
    "select progno, kind, caption, tablename, keycol, columns, linetable, linefk, linecols, scope, readonly, "
    "reportsql, params, groupcol, sumcols, opensprog, openskey, docopts from xt_progdef");

bool isType(QChar t) { return t == u't' || t == u'n' || t == u'd'; }

// One row of xt_progdef; false when a name in it is not a plain identifier or a list does not parse
// (with *reason when the list's parser gave one).
bool fromRow(const RecordSet &rs, Definition *out, QString *reason)
{
    Definition d;
    d.programNumber = rs.field(QStringLiteral("progno")).toInt();
    d.kind = rs.text(QStringLiteral("kind")).trimmed().toLower();
    if (d.kind.isEmpty())
        d.kind = QStringLiteral("edit");
    d.caption = rs.text(QStringLiteral("caption"));
    d.table = rs.text(QStringLiteral("tablename")).trimmed();
    d.key = rs.text(QStringLiteral("keycol")).trimmed();
    d.lineTable = rs.text(QStringLiteral("linetable")).trimmed();
    d.lineForeignKey = rs.text(QStringLiteral("linefk")).trimmed();
    d.readOnly = rs.field(QStringLiteral("readonly")).toInt() != 0;
    d.reportSql = rs.text(QStringLiteral("reportsql")).trimmed();
    d.groupColumn = rs.text(QStringLiteral("groupcol")).trimmed();
    d.opensProgram = rs.field(QStringLiteral("opensprog")).toInt();
    d.opensKey = rs.text(QStringLiteral("openskey")).trimmed();
    for (const QString &s : rs.text(QStringLiteral("sumcols")).split(u',', Qt::SkipEmptyParts))
        d.sumColumns << s.trimmed();
    for (const QString &pair : rs.text(QStringLiteral("scope")).split(u',', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        const QString col = pair.left(eq).trimmed();
        if (eq < 0 || !isIdentifier(col))
            return false;
        d.scope.append({col, pair.mid(eq + 1).trimmed()});
    }
    const QString columns = rs.text(QStringLiteral("columns"));
    if (d.kind == QLatin1String("edit")) {
        if (!isIdentifier(d.table) || !isIdentifier(d.key) || !parseColumns(columns, &d.columns, reason))
            return false;
        if (d.hasLines()
            && (!isIdentifier(d.lineTable) || !isIdentifier(d.lineForeignKey)
                || !parseColumns(rs.text(QStringLiteral("linecols")), &d.lineColumns, reason)))
            return false;
        if (!parseDocOptions(rs.text(QStringLiteral("docopts")), &d, reason) || (d.approves && (d.statuses.size() < 2 || !d.versioned)))
            return false;
        // Computed columns name columns of their own row, totals a line column.
        for (const QList<Column> *cols : {&d.columns, &d.lineColumns})
            for (const Column &c : *cols) {
                const Definition &dd = d;
                auto has = [&](const QString &n) { return cols == &dd.columns ? dd.column(n) : dd.lineColumn(n); };
                if (!c.calcA.isEmpty() && (!has(c.calcA) || !has(c.calcB)))
                    return false;
                if (!c.sumOf.isEmpty() && (cols != &dd.columns || !dd.lineColumn(c.sumOf)))
                    return false;
            }
    } else {
        // A report's SQL is the administrator's, kept in the database like the menus; only its values are bound.
        if (!d.reportSql.startsWith(QLatin1String("select"), Qt::CaseInsensitive) || !parseColumns(columns, &d.columns, reason)
            || !parseParams(rs.text(QStringLiteral("params")), &d.params, reason))
            return false;
        if (!d.groupColumn.isEmpty() && !d.column(d.groupColumn))
            return false;
        for (const QString &s : std::as_const(d.sumColumns))
            if (!d.column(s))
                return false;
        if (!d.opensKey.isEmpty() && !d.column(d.opensKey))
            return false;
        const QString opts = rs.text(QStringLiteral("docopts")).trimmed();
        if (opts.startsWith(QLatin1String("right="))) {
            bool ok = false;
            d.rightProgram = opts.mid(6).toInt(&ok);
            if (!ok)
                return false;
        } else if (!opts.isEmpty()) {
            return false;
        }
    }
    *out = d;
    return true;
}

} // namespace

const Column *Definition::column(const QString &name) const
{
    for (const Column &c : columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const Column *Definition::lineColumn(const QString &name) const
{
    for (const Column &c : lineColumns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

bool parseDocOptions(const QString &text, Definition *d, QString *reason)
{
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        const QString opt = part.trimmed();
        auto refuse = [&](const QString &why) {
            if (reason)
                *reason = QStringLiteral("单据选项“%1”不正确：%2").arg(opt, why);
            return false;
        };
        const qsizetype eq = opt.indexOf(u'=');
        const QString key = opt.left(eq).trimmed().toLower();
        const QString value = eq < 0 ? QString() : opt.mid(eq + 1).trimmed();
        if (key == QLatin1String("number")) {
            const QStringList f = value.split(u':');
            bool ok = false;
            d->numberPrefix = f.value(0).trimmed();
            d->numberDateFormat = f.value(1).trimmed();
            d->numberDigits = f.value(2).toInt(&ok);
            if (!ok || d->numberDigits < 1 || d->numberDigits > 9 || f.size() != 3)
                return refuse(QStringLiteral("应为 number=前缀:日期格式:位数（1 到 9 位）"));
        } else if (key == QLatin1String("typed")) {
            d->numberTyped = true;
        } else if (key == QLatin1String("status")) {
            d->statusColumn = value.section(u':', 0, 0).trimmed();
            for (const QString &s : value.section(u':', 1).split(u',', Qt::SkipEmptyParts))
                d->statuses << s.trimmed();
            if (!isIdentifier(d->statusColumn))
                return refuse(QStringLiteral("状态列名“%1”不是标识符").arg(d->statusColumn));
            if (d->statuses.isEmpty())
                return refuse(QStringLiteral("没有状态值"));
        } else if (key == QLatin1String("version")) {
            d->versioned = true;
        } else if (key == QLatin1String("approve")) {
            d->approves = true;
        } else {
            return refuse(QStringLiteral("不认识的选项"));
        }
    }
    return true;
}

namespace {
// "dec=2,min>0,calc=qty*price,ref=bd_item,nameof=partycode"; false with *bad, the option not understood.
bool parseColumnOptions(const QString &text, Column *c, QString *bad)
{
    static const QRegularExpression number(QRegularExpression::anchoredPattern(QStringLiteral("-?[0-9]+(\\.[0-9]+)?")));
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts)) {
        const QString opt = part.trimmed();
        *bad = opt;
        if (opt.startsWith(QLatin1String("dec="))) {
            bool ok = false;
            c->decimals = opt.mid(4).toInt(&ok);
            if (!ok || c->decimals < 0 || c->decimals > 6)
                return false;
        } else if (opt.startsWith(QLatin1String("min>"))) {
            c->hasMin = true;
            c->minInclusive = opt.startsWith(QLatin1String("min>="));
            c->minimum = opt.mid(c->minInclusive ? 5 : 4).trimmed();
            if (!number.match(c->minimum).hasMatch())
                return false;
        } else if (opt.startsWith(QLatin1String("calc="))) {
            const QStringList f = opt.mid(5).split(u'*');
            if (f.size() != 2 || !isIdentifier(f.at(0).trimmed()) || !isIdentifier(f.at(1).trimmed()))
                return false;
            c->calcA = f.at(0).trimmed();
            c->calcB = f.at(1).trimmed();
        } else if (opt.startsWith(QLatin1String("sum="))) {
            c->sumOf = opt.mid(4).trimmed();
            if (!isIdentifier(c->sumOf))
                return false;
        } else if (opt.startsWith(QLatin1String("ref="))) {
            c->reference = opt.mid(4).trimmed();
            if (!isIdentifier(c->reference))
                return false;
        } else if (opt.startsWith(QLatin1String("nameof="))) {
            c->nameOf = opt.mid(7).trimmed();
            if (!isIdentifier(c->nameOf))
                return false;
        } else {
            return false;
        }
    }
    bad->clear();
    return true;
}

bool refuseList(QString *reason, const QString &why)
{
    if (reason)
        *reason = why;
    return false;
}
} // namespace

bool isIdentifier(const QString &name)
{
    // Anchored at both ends: a "$" alone would let a name end in a line break.
    static const QRegularExpression re(QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z_][A-Za-z0-9_]{0,63}")));
    return re.match(name).hasMatch();
}

bool parseColumns(const QString &text, QList<Column> *out, QString *reason)
{
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList f = part.trimmed().split(u':');
        Column c;
        c.name = f.value(0).trimmed();
        if (c.name.startsWith(u'*')) {
            c.required = true;
            c.name.remove(0, 1);
        }
        if (!isIdentifier(c.name))
            return refuseList(reason, QStringLiteral("列名“%1”不是标识符（字母、数字或下划线，不以数字开头，至多 64 个字符）")
                                          .arg(c.name));
        c.caption = f.value(1, c.name).trimmed();
        const QString type = f.value(2, QStringLiteral("t")).trimmed();
        c.type = type.isEmpty() ? QChar(u't') : type.at(0).toLower();
        if (!isType(c.type))
            return refuseList(reason, QStringLiteral("列“%1”的类型“%2”不是 t、n 或 d").arg(c.name, type));
        c.width = qBound(40, f.value(3).toInt() > 0 ? f.value(3).toInt() : 100, 600);
        QString bad;
        if (!parseColumnOptions(f.value(4), &c, &bad))
            return refuseList(reason, QStringLiteral("列“%1”的选项“%2”不正确").arg(c.name, bad));
        if (c.type != u'n' && (c.decimals >= 0 || c.hasMin || c.computed()))
            return refuseList(reason, QStringLiteral("列“%1”不是数字列，不能有 dec、min、calc 或 sum 选项").arg(c.name));
        out->append(c);
    }
    return !out->isEmpty() || refuseList(reason, QStringLiteral("没有定义列"));
}

bool parseParams(const QString &text, QList<Param> *out, QString *reason)
{
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList f = part.trimmed().split(u':');
        Param p;
        p.name = f.value(0).trimmed();
        if (!isIdentifier(p.name))
            return refuseList(reason, QStringLiteral("参数名“%1”不是标识符（字母、数字或下划线，不以数字开头，至多 64 个字符）")
                                          .arg(p.name));
        p.caption = f.value(1, p.name).trimmed();
        const QString type = f.value(2, QStringLiteral("t")).trimmed();
        p.type = type.isEmpty() ? QChar(u't') : type.at(0).toLower();
        if (!isType(p.type) && p.type != u'l')
            return refuseList(reason, QStringLiteral("参数“%1”的类型“%2”不是 t、n、d 或 l").arg(p.name, type));
        p.defaultValue = f.mid(3).join(u':').trimmed();
        out->append(p);
    }
    return true;
}

bool readDefinition(Database *db, int programNumber, Definition *out, QString *error)
{
    if (!db || !db->isConnected()) {
        *error = QStringLiteral("没有数据库连接。");
        return false;
    }
    RecordSetPtr rs = db->query(kSelect + QStringLiteral(" where progno = ?"), {programNumber});
    if (!rs) {
        *error = QStringLiteral("读取程序定义失败：%1").arg(db->LastError().description);
        return false;
    }
    if (rs->recordCount() == 0) {
        *error = QStringLiteral("程序号 %1 没有定义。").arg(programNumber);
        return false;
    }
    QString why;
    if (!fromRow(*rs, out, &why)) {
        *error = why.isEmpty() ? QStringLiteral("程序号 %1 的定义不正确。").arg(programNumber)
                               : QStringLiteral("程序号 %1 的定义不正确：%2。").arg(programNumber).arg(why);
        return false;
    }
    return true;
}

QList<Definition> readDefinitions(Database *db, const QString &kind, QString *error)
{
    QList<Definition> out;
    if (!db || !db->isConnected()) {
        *error = QStringLiteral("没有数据库连接。");
        return out;
    }
    RecordSetPtr rs = db->query(kSelect + QStringLiteral(" where kind = ? order by progno"), {kind});
    if (!rs) {
        *error = QStringLiteral("读取程序定义失败：%1").arg(db->LastError().description);
        return out;
    }
    for (; !rs->isEOF(); rs->moveNext()) {
        Definition d;
        QString why;
        const int number = rs->field(QStringLiteral("progno")).toInt();
        if (fromRow(*rs, &d, &why))
            out << d;
        else
            *error = why.isEmpty() ? QStringLiteral("程序号 %1 的定义不正确。").arg(number)
                                   : QStringLiteral("程序号 %1 的定义不正确：%2。").arg(number).arg(why);
    }
    return out;
}

QString typeProblem(QChar type, const QString &caption, const QString &value)
{
    bool ok = true;
    if (type == u'n')
        value.toDouble(&ok);
    else if (type == u'd')
        ok = QDate::fromString(value, Qt::ISODate).isValid();
    if (ok)
        return QString();
    return type == u'n' ? QStringLiteral("“%1”必须是数字：%2").arg(caption, value)
                        : QStringLiteral("“%1”必须是日期（年-月-日）：%2").arg(caption, value);
}

QString defaultParamValue(const Param &p, const QDate &today)
{
    const QString v = p.defaultValue;
    if (!v.startsWith(u'@'))
        return v;
    QDate d;
    if (v == QLatin1String("@today"))
        d = today;
    else if (v == QLatin1String("@monthstart"))
        d = QDate(today.year(), today.month(), 1);
    else if (v == QLatin1String("@yearstart"))
        d = QDate(today.year(), 1, 1);
    else if (v.startsWith(QLatin1String("@today-"))) {
        bool ok = false;
        const int days = v.mid(7).toInt(&ok);
        if (ok)
            d = today.addDays(-days);
    }
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

bool bindReportSql(const Definition &d, const QMap<QString, QString> &values, QString *sql, QVariantList *bound,
                   QString *error)
{
    static const QRegularExpression name(QStringLiteral(":([A-Za-z_][A-Za-z0-9_]*)"));
    sql->clear();
    bound->clear();
    const QString &text = d.reportSql;
    qsizetype last = 0;
    // What the database reads as text: 'literals', "quoted names", -- and /* */ comments.
    // Nothing in them is a parameter, and a "?" outside them would take a value meant for another.
    QChar closing;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (!closing.isNull()) {
            if (closing == u'\n' ? c == u'\n' : closing == u'*' ? (c == u'*' && next == u'/') : c == closing) {
                if (closing == u'*')
                    ++i;
                closing = QChar();
            }
            continue;
        }
        if (c == u'\'' || c == u'"') {
            closing = c;
            continue;
        }
        if (c == u'-' && next == u'-') {
            closing = u'\n';
            ++i;
            continue;
        }
        if (c == u'/' && next == u'*') {
            closing = u'*';
            ++i;
            continue;
        }
        if (c == u'?') {
            *error = QStringLiteral("“%1”的 SQL 在第 %2 个字符处有“?”：参数要写作 :名称。").arg(d.caption).arg(i + 1);
            sql->clear();
            bound->clear();
            return false;
        }
        if (c != u':')
            continue;
        if (next == u':') {
            ++i; // a cast (x::date), not a parameter
            continue;
        }
        const auto m = name.match(text, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            continue;
        const Param *p = nullptr;
        for (const Param &q : d.params)
            if (q.name.compare(m.captured(1), Qt::CaseInsensitive) == 0)
                p = &q;
        if (!p)
            continue;
        const QString v = values.value(p->name).trimmed();
        QVariant b = v;
        if (p->type == u'l') {
            // Found anywhere in the text. The operator's % and _ are dropped: the report's
            // SQL names no escape character, so they could not be searched for as characters.
            QString plain = v;
            plain.remove(u'%').remove(u'_');
            b = u'%' + plain + u'%';
        } else if (!v.isEmpty()) {
            if (const QString problem = typeProblem(p->type, p->caption, v); !problem.isEmpty()) {
                *error = problem;
                sql->clear();
                bound->clear();
                return false;
            }
            if (p->type == u'n')
                b = v.toDouble();
        } else if (p->type == u'n') {
            b = 0;
        }
        sql->append(text.mid(last, i - last));
        sql->append(u'?');
        bound->append(b);
        last = m.capturedEnd(0);
        i = last - 1;
    }
    sql->append(text.mid(last));
    return true;
}

QDate operatingDate(SystemServices *sys)
{
    const QDate d = sys && sys->environment() ? sys->environment()->operatingDate() : QDate();
    return d.isValid() ? d : QDate::currentDate();
}

} // namespace lwcommon

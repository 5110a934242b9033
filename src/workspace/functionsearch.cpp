#include "workspace/functionsearch.h"

#include "components/database.h"
#include "platform/vbconv.h"
#include "workspace/pinyininitials.h"

#include <QSet>

#include <algorithm>

namespace workspace {

const QString FunctionIndex::pathSeparator = QStringLiteral(" › ");

namespace {

// Menus are a few levels deep; a parent chain longer than this is a loop in the table.
constexpr int kMaxDepth = 16;

QString key(QStringView text)
{
    return text.toString().toLower();
}

} // namespace

QList<MenuRow> FunctionIndex::readRows(Database &db)
{
    QList<MenuRow> rows;
    RecordSetPtr rs = db.query(QStringLiteral("select menucode, menuname, parent, menuorder, menuismx, progID, inActive from xt_menu"), {});
    if (!rs) {
        db.ClearError();
        return rows;
    }
    rows.reserve(rs->recordCount());
    for (; !rs->isEOF(); rs->moveNext()) {
        MenuRow r;
        r.code = rs->text(QStringLiteral("menucode"));
        r.name = rs->text(QStringLiteral("menuname"));
        r.parent = rs->text(QStringLiteral("parent"));
        r.order = vbconv::toInt32(vbconv::leadingNumber(rs->text(QStringLiteral("menuorder")))).value_or(0);
        r.isFunction = vbconv::leadingNumber(rs->text(QStringLiteral("menuismx"))) == 1.0;
        r.programNumber = vbconv::toInt32(vbconv::leadingNumber(rs->text(QStringLiteral("progID")))).value_or(0);
        r.inactive = vbconv::leadingNumber(rs->text(QStringLiteral("inActive"))) == 1.0;
        rows << r;
    }
    rs->close();
    return rows;
}

FunctionIndex FunctionIndex::fromRows(const QList<MenuRow> &rows, const std::function<bool(int32_t)> &mayRun)
{
    FunctionIndex index;
    QHash<QString, int> rowByCode;
    for (int i = 0; i < rows.size(); ++i)
        rowByCode.insert(rows[i].code.trimmed(), i);

    // Rights are asked once per program number.
    QHash<int32_t, bool> allowed;
    struct Sorted {
        QList<int> orderPath; // menuorder of each level from the top
        int row;
    };
    QList<Sorted> picked;
    QSet<QString> indexed;
    for (int i = 0; i < rows.size(); ++i) {
        const MenuRow &r = rows[i];
        const QString code = r.code.trimmed();
        // A code twice (a table without its key) is one function: the first row's.
        if (!r.isFunction || r.inactive || code.isEmpty() || indexed.contains(code))
            continue;
        auto a = allowed.constFind(r.programNumber);
        if (a == allowed.constEnd())
            a = allowed.insert(r.programNumber, mayRun ? mayRun(r.programNumber) : false);
        if (!*a)
            continue;
        FunctionEntry e;
        e.code = code;
        e.name = r.name.trimmed();
        e.programNumber = r.programNumber;
        QStringList names;
        QList<int> orders{r.order};
        QSet<QString> seen{code};
        QString parent = r.parent.trimmed();
        for (int depth = 0; !parent.isEmpty() && depth < kMaxDepth && !seen.contains(parent); ++depth) {
            seen.insert(parent);
            const auto p = rowByCode.constFind(parent);
            if (p == rowByCode.constEnd())
                break;
            const MenuRow &pr = rows[*p];
            names.prepend(pr.name.trimmed());
            orders.prepend(pr.order);
            parent = pr.parent.trimmed();
        }
        e.path = names.join(pathSeparator);
        e.codeKey = key(e.code);
        e.nameKey = key(e.name);
        e.initials = pinyin::initials(e.name);
        e.initialSets = pinyin::initialSets(e.name);
        index.m_entries << e;
        indexed.insert(code);
        picked << Sorted{orders, int(index.m_entries.size()) - 1};
    }
    // Menu order: as the menus show them, level by level.
    std::stable_sort(picked.begin(), picked.end(), [&](const Sorted &a, const Sorted &b) {
        if (a.orderPath != b.orderPath)
            return std::lexicographical_compare(a.orderPath.begin(), a.orderPath.end(), b.orderPath.begin(), b.orderPath.end());
        return index.m_entries[a.row].code < index.m_entries[b.row].code;
    });
    for (int i = 0; i < picked.size(); ++i)
        index.m_entries[picked[i].row].rank = i;
    for (int i = 0; i < index.m_entries.size(); ++i) {
        const FunctionEntry &e = index.m_entries[i];
        index.m_byCode.insert(e.code, i);
        index.m_longestKey = std::max({index.m_longestKey, int(e.codeKey.size()), int(e.nameKey.size()), int(e.initials.size())});
    }
    return index;
}

QList<int> FunctionIndex::search(QStringView text, int limit) const
{
    QList<int> out;
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty() || limit <= 0 || trimmed.size() > std::min(maxQueryLength, m_longestKey))
        return out;
    const QString q = trimmed.toString().toLower();
    struct Hit {
        int tier;
        int length;
        int rank;
        int entry;
    };
    QList<Hit> hits;
    for (int i = 0; i < m_entries.size(); ++i) {
        const FunctionEntry &e = m_entries[i];
        int tier;
        if (e.codeKey == q || e.nameKey == q)
            tier = 0;
        else if (e.nameKey.startsWith(q) || e.initials.startsWith(q) || e.codeKey.startsWith(q))
            tier = 1;
        else if (e.nameKey.contains(q) || e.initials.contains(q) || e.codeKey.contains(q))
            tier = 2;
        else if (pinyin::findInitials(e.initialSets, q) >= 0)
            tier = 3; // by another reading of an ideograph (会计 as kj): after the usual readings
        else
            continue;
        hits.append(Hit{tier, int(e.name.size()), e.rank, i});
    }
    const auto better = [](const Hit &a, const Hit &b) {
        if (a.tier != b.tier)
            return a.tier < b.tier;
        if (a.length != b.length)
            return a.length < b.length;
        return a.rank < b.rank;
    };
    const qsizetype n = std::min<qsizetype>(limit, hits.size());
    std::partial_sort(hits.begin(), hits.begin() + n, hits.end(), better);
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        out << hits[i].entry;
    return out;
}

int FunctionIndex::find(const QString &code) const
{
    return m_byCode.value(code.trimmed(), -1);
}

QList<int> FunctionIndex::entriesOf(const QStringList &codes) const
{
    QList<int> out;
    for (const QString &c : codes) {
        const int i = find(c);
        if (i >= 0 && !out.contains(i))
            out << i;
    }
    return out;
}

} // namespace workspace

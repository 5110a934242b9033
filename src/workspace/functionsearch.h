#pragma once
// The operator's functions as the header's search box finds them: every menu
// entry that runs a function and that the operator may run (right 1 on its
// program number), with its catalog path and the initials of its name. The
// search runs over this index in memory; no text typed by the operator ever
// reaches the database.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <functional>

class Database;

namespace workspace {

// One row of xt_menu as the index reads it.
struct MenuRow {
    QString code;
    QString name;
    QString parent;
    int order = 0;        // menuorder
    bool isFunction = false; // menuismx = 1
    int32_t programNumber = 0;
    bool inactive = false;   // inActive = 1
};

struct FunctionEntry {
    QString code;  // trimmed
    QString name;  // trimmed
    QString path;  // parent names from the top, "采购管理 › 采购订单"
    int32_t programNumber = 0;
    int rank = 0;  // position in menu order (top entries first, each level by menuorder)
    // Lower-case forms the search compares with.
    QString codeKey;
    QString nameKey;
    QString initials;           // by each ideograph's first reading
    QList<quint64> initialSets; // every reading (pinyin::initialSets)
};

class FunctionIndex
{
public:
    // The separator between the names of a catalog path.
    static const QString pathSeparator;
    // Longest search text that can still match; longer ones find nothing.
    static constexpr int maxQueryLength = 200;

    FunctionIndex() = default;
    // From menu rows: function entries, not inactive, with a code, that mayRun allows.
    static FunctionIndex fromRows(const QList<MenuRow> &rows, const std::function<bool(int32_t)> &mayRun);
    // The rows of xt_menu through the database; an unreadable table gives an empty index.
    static QList<MenuRow> readRows(Database &db);

    // Matches of a search text, best first, at most limit: exact code or name,
    // then prefixes of the name, the initials or the code, then the texts that
    // hold it anywhere, then names whose initials hold it by another reading of
    // an ideograph (会计 as "kj"); within each, shorter names first, then menu order.
    // Blank text finds nothing.
    QList<int> search(QStringView text, int limit = 50) const;

    int size() const { return int(m_entries.size()); }
    const FunctionEntry &entry(int i) const { return m_entries[i]; }
    // The entry of a menu code (compared trimmed), -1 when the operator has none such.
    int find(const QString &code) const;
    // The entries of stored codes, in their order, once each; unknown codes are left out.
    QList<int> entriesOf(const QStringList &codes) const;

private:
    QList<FunctionEntry> m_entries;
    QHash<QString, int> m_byCode;
    int m_longestKey = 0;
};

} // namespace workspace

#pragma once
// Libraries that only some work needs (the map archives, the password check)
// are opened when that work first runs, not mapped by every start: the start
// to the login window loads nothing the login window does not use.
#include "platform/zenlo_export.h"

#include <QString>

#include <type_traits>

namespace lateload {

// The library by its file name (e.g. "libarchive.so.13"), opened on the first
// call and kept open; null with the reason when it cannot be opened.
struct Opened {
    void *handle = nullptr;
    QString reason;
};
ZENLO_CORE_EXPORT Opened open(const char *fileName);

// One function of an opened library, or null.
ZENLO_CORE_EXPORT QFunctionPointer resolve(const Opened &library, const char *symbol);

// Fills a table of functions: every entry must resolve, else the reason names the first missing one.
template <typename Table>
bool fill(const Opened &library, Table &table, QString *reason)
{
    if (!library.handle) {
        *reason = library.reason;
        return false;
    }
    bool ok = true;
    table.forEach([&](auto &fn, const char *name) {
        if (!ok)
            return;
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(resolve(library, name));
        if (!fn) {
            *reason = QStringLiteral("the function %1 is missing from the library").arg(QLatin1String(name));
            ok = false;
        }
    });
    return ok;
}

// The table of one library, filled once (from any thread) on the first call: null when the
// library or one of its functions is missing, the reason then in *reason when asked for.
template <typename Table>
const Table *once(const char *fileName, QString *reason = nullptr)
{
    static QString why;
    static const Table *table = [fileName]() -> const Table * {
        static Table filled;
        return fill(open(fileName), filled, &why) ? &filled : nullptr;
    }();
    if (!table && reason)
        *reason = why;
    return table;
}

} // namespace lateload

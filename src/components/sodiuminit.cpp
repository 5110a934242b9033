#include "components/sodiuminit.h"

#include "platform/lateload.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSodium, "zenlo.sodium")

namespace zenlo {

const SodiumApi *sodium()
{
    // A function-local static opens the library and runs sodium_init() exactly once, even with threads.
    static const SodiumApi *api = []() -> const SodiumApi * {
        QString why;
        const SodiumApi *table = lateload::once<SodiumApi>(ZENLO_SODIUM_LIBRARY, &why);
        if (!table) {
            qCWarning(lcSodium) << "libsodium is not available:" << why;
            return nullptr;
        }
        if (table->sodium_init() < 0) {
            qCWarning(lcSodium) << "libsodium cannot initialise";
            return nullptr;
        }
        return table;
    }();
    return api;
}

bool sodiumReady()
{
    return sodium() != nullptr;
}

} // namespace zenlo

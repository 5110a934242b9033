#include "components/sodiuminit.h"

#include <sodium.h>

namespace zenlo {

bool sodiumReady()
{
    // A function-local static runs sodium_init() exactly once, even with threads.
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace zenlo

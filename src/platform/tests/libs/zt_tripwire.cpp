// A library whose code must never run: loading it ends the process. Reading
// its metadata (listing, registration, the components scan) must not load it.
#include "platform/classobject.h"

#include <cstdio>
#include <cstdlib>

namespace {
[[maybe_unused]] const int g_tripped = [] {
    std::fputs("zt_tripwire: library code ran\n", stderr);
    std::abort();
    return 0;
}();
} // namespace

class ZenTripwireLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_tripwire.json")
};

#include "zt_tripwire.moc"

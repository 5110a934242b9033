// The library's class-object entry point.
#include "addins.h"

#include "platform/classobject.h"

class ZenloAddinsLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "addins.json")
public:
    ZenloAddinsLibrary() { addClass<zenloaddins::PeriodClose>("{4D8A2C73-9E1B-4F5D-A6C7-3B2E1F0D9A01}"); }
};

#include "addins_entry.moc"

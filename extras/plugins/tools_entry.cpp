// The library's class-object entry point.
#include "tools.h"

#include "platform/classobject.h"

class ZenloToolsLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "tools.json")
public:
    ZenloToolsLibrary()
    {
        addClass<zenlotools::DbBackup>("{9C3F5A62-1B4D-4E7A-8C2F-5D6E7A8B9C01}");
        addClass<zenlotools::OpLogExport>("{9C3F5A62-1B4D-4E7A-8C2F-5D6E7A8B9C02}");
    }
};

#include "tools_entry.moc"

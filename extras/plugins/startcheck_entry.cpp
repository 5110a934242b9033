// The library's class-object entry point.
#include "startcheck.h"

#include "platform/classobject.h"

class ZenloStartLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "startcheck.json")
public:
    ZenloStartLibrary()
    {
        addClass<startcheck::FolderCheck>("{2E6B8D41-5A7C-4F1E-9B3D-0C4A6E8F1A01}");
        addClass<startcheck::VersionCheck>("{2E6B8D41-5A7C-4F1E-9B3D-0C4A6E8F1A02}");
    }
};

#include "startcheck_entry.moc"

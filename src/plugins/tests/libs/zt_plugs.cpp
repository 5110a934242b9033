// Two _IExtPluginUI classes in one library (the second lists another interface first).
#include "platform/classobject.h"
#include "zt_testplugin.h"

class ZtPlugsLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_plugs.json")
public:
    ZtPlugsLibrary()
    {
        addClass<zt::Alpha>("{0B6E4C1A-2D3F-4E5A-8B9C-1D2E3F4A5B61}");
        addClass<zt::Beta>("{0B6E4C1A-2D3F-4E5A-8B9C-1D2E3F4A5B62}");
    }
};

#include "zt_plugs.moc"

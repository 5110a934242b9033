// One _IExtPluginUI class, beside a class whose interface name differs only in letter case.
#include "platform/classobject.h"
#include "zt_testplugin.h"

class ZtSingleLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_single.json")
public:
    ZtSingleLibrary() { addClass<zt::Solo>("{3F1D3A20-6C55-4A8B-9E01-6B2D7A9C0E31}"); }
};

#include "zt_single.moc"

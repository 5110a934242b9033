// Valid metadata that lists no class at all.
#include "platform/classobject.h"

class ZenEmptyLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_noclasses.json")
};

#include "zt_noclasses.moc"

// Metadata naming a class whose code is in another library: this one's entry
// point serves nothing.
#include "platform/classobject.h"

class ZenElsewhereLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_unserved.json")
};

#include "zt_unserved.moc"

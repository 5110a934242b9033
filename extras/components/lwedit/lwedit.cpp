// The LwEdit library: the generic document editor of the demo business data.
#include "oedit.h"

#include "platform/classobject.h"

class LwEditLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "lwedit.json")
public:
    LwEditLibrary() { addClass<lwedit::OEdit>("{99B60398-4B41-4F08-B041-0DDFB92FC07C}"); }
};

#include "lwedit.moc"

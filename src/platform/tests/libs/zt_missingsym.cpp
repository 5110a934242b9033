// Valid metadata, but the library needs a function nothing in the process defines.
#include "platform/classobject.h"

extern "C" int zenlo_test_symbol_nobody_defines();

class ZenMissingLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_missingsym.json")

public:
    ZenMissingLibrary()
    {
        addClass(QUuid::fromString(QLatin1String("{4DAA099F-8B56-4F7C-989F-1CD0E3D8A28B}")), [] {
            zenlo_test_symbol_nobody_defines();
            return new QObject;
        });
    }
};

#include "zt_missingsym.moc"

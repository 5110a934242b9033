// Metadata of a plug-in, but the library needs a function nothing in the
// process defines, so it cannot be loaded.
#include "platform/classobject.h"

extern "C" int zenlo_plugin_test_symbol_nobody_defines();

class ZtBrokenLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_brokenplug.json")
public:
    ZtBrokenLibrary()
    {
        addClass(QUuid::fromString(QLatin1String("{7D1E5F20-3A4B-4C6D-8E9F-0A1B2C3D4E51}")), [] {
            zenlo_plugin_test_symbol_nobody_defines();
            return new QObject;
        });
    }
};

#include "zt_brokenplug.moc"

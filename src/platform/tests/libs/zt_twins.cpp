// Two classes whose names differ only in letter case; both are served.
#include "greeter.h"
#include "platform/classobject.h"

namespace {
const int g_anchor = 0;
}

class ZenTwinsLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_twins.json")

public:
    ZenTwinsLibrary()
    {
        addClass(QUuid::fromString(QLatin1String("{AE69E5C9-7476-421D-8561-D41793A6ED74}")),
                 [] { return new Greeter(QStringLiteral("Twin"), &g_anchor); });
        addClass(QUuid::fromString(QLatin1String("{8713D9A5-F763-4926-A52F-CFB028448376}")),
                 [] { return new Greeter(QStringLiteral("TWIN"), &g_anchor); });
    }
};

#include "zt_twins.moc"

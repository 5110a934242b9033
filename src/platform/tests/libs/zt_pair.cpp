// Two classes in one library. Each time the library is loaded into the process
// its static initialiser counts one in ZENLO_TESTLIB_LOADS, so a test sees
// whether a library was loaded again.
#include "greeter.h"
#include "platform/classobject.h"

namespace {

const int g_loaded = [] {
    qputenv("ZENLO_TESTLIB_LOADS", QByteArray::number(qEnvironmentVariableIntValue("ZENLO_TESTLIB_LOADS") + 1));
    return 1;
}();

} // namespace

class ZenTestLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_pair.json")

public:
    ZenTestLibrary()
    {
        addClass(QUuid::fromString(QLatin1String("{7789CAA1-0ECA-4653-87C6-02F7369C2872}")),
                 [] { return new Greeter(QStringLiteral("Alpha"), &g_loaded); });
        addClass(QUuid::fromString(QLatin1String("{911F3323-7CEE-4F16-8E6D-1E5849A49EB2}")),
                 [] { return new Greeter(QStringLiteral("Beta"), &g_loaded); });
    }
};

#include "zt_pair.moc"

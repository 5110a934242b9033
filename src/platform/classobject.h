#pragma once
// The class-object entry point of a loadable library: what DllGetClassObject
// and IClassFactory are on Windows.
//
// A library's root object (its Qt plug-in instance) implements
// IClassObjectEntry. Asked for a class id, it hands out the factory of that
// class, or nullptr when it does not serve it; the factory's CreateInstance
// makes a new object, owned by the caller (no parent), or returns nullptr.
// The factory belongs to the library and is never deleted by the caller.
// Library code reports by result values: it must not let an exception out.
//
// A library with N classes derives its root from ClassLibrary and lists them:
//
//   #include "platform/classobject.h"
//   class LwEditLibrary : public objects::ClassLibrary
//   {
//       Q_OBJECT
//       Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "lwedit.json")
//   public:
//       LwEditLibrary()
//       {
//           addClass<OEdit>("{0D1C...}");   // the clsid of "oedit" in lwedit.json
//           addClass<OReport>("{7A2B...}");
//       }
//   };
//
// and links zenlo_core, so the interfaces (and everything else it shares with
// the shell) exist once in the process and qobject_cast works across the boundary.
#include "platform/zenlo_export.h"

#include <QObject>
#include <QUuid>

#include <functional>
#include <memory>
#include <vector>

// The plug-in IID of a class library (Q_PLUGIN_METADATA's IID).
#define ZENLO_CLASS_LIBRARY_IID "zenlo.ClassLibrary/1.0"

namespace objects {

class ZENLO_CORE_EXPORT IClassFactory
{
public:
    virtual ~IClassFactory();
    virtual QObject *CreateInstance() = 0;
};

class ZENLO_CORE_EXPORT IClassObjectEntry
{
public:
    virtual ~IClassObjectEntry();
    virtual IClassFactory *DllGetClassObject(const QUuid &clsid) = 0;
};

} // namespace objects

// The factory's IID is the one COM gives IClassFactory.
Q_DECLARE_INTERFACE(objects::IClassFactory, "{00000001-0000-0000-C000-000000000046}")
Q_DECLARE_INTERFACE(objects::IClassObjectEntry, ZENLO_CLASS_LIBRARY_IID)

namespace objects {

// A root object serving the classes added in its constructor.
class ZENLO_CORE_EXPORT ClassLibrary : public QObject, public IClassObjectEntry
{
    Q_OBJECT
    Q_INTERFACES(objects::IClassObjectEntry)

public:
    ~ClassLibrary() override;
    IClassFactory *DllGetClassObject(const QUuid &clsid) override;

protected:
    explicit ClassLibrary(QObject *parent = nullptr);

    // Serves clsid ("{xxxxxxxx-...}") with new instances of T. A clsid that is
    // no GUID serves nothing (and says so in the developer log).
    template <class T>
    void addClass(const char *clsid)
    {
        addClass(QUuid::fromString(QLatin1String(clsid)), [] { return static_cast<QObject *>(new T); });
    }
    void addClass(const QUuid &clsid, std::function<QObject *()> create);

private:
    struct Factory;
    std::vector<std::unique_ptr<Factory>> m_factories;
};

} // namespace objects

#include "platform/classobject.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcClassLibrary, "zenlo.objects.library")

namespace objects {

IClassFactory::~IClassFactory() = default;
IClassObjectEntry::~IClassObjectEntry() = default;

struct ClassLibrary::Factory final : IClassFactory {
    QUuid clsid;
    std::function<QObject *()> create;
    QObject *CreateInstance() override { return create ? create() : nullptr; }
};

ClassLibrary::ClassLibrary(QObject *parent) : QObject(parent) {}

ClassLibrary::~ClassLibrary() = default;

void ClassLibrary::addClass(const QUuid &clsid, std::function<QObject *()> create)
{
    if (clsid.isNull()) {
        qCWarning(lcClassLibrary) << metaObject()->className() << "adds a class without a valid clsid";
        return;
    }
    auto f = std::make_unique<Factory>();
    f->clsid = clsid;
    f->create = std::move(create);
    m_factories.push_back(std::move(f));
}

IClassFactory *ClassLibrary::DllGetClassObject(const QUuid &clsid)
{
    if (clsid.isNull())
        return nullptr;
    for (const auto &f : m_factories) {
        if (f->clsid == clsid)
            return f.get();
    }
    return nullptr;
}

} // namespace objects

// Stand-ins of the business components that speak the whole message protocol,
// for the hosting tests. What a component does in Py_Init depends on the
// program number: 9001 returns false, 9002 sends "unload" from inside, 9003
// and 9203 throw a std::exception, 9005 and 9205 throw something that is none,
// 9004 sends "message" from inside; any other number succeeds. Every call is
// recorded in the "calls" property; send() emits an event. The class of
// LwEdit.oalert keeps the contract but is no widget, so it cannot be hosted.
#include "core/contracts.h"
#include "platform/classobject.h"

#include <QVariant>
#include <QWidget>

#include <stdexcept>

// What a component written without the standard library might throw.
struct ComponentFault {
    int code;
};

class ProtocolComponent : public QWidget, public IBusinessComponent
{
    Q_OBJECT
    Q_INTERFACES(IBusinessComponent)
    Q_PROPERTY(QStringList calls MEMBER m_calls)
    Q_PROPERTY(bool dirty MEMBER m_dirty)
    Q_PROPERTY(QString work MEMBER m_work)          // what unsavedWork() answers
    Q_PROPERTY(bool answerThrows MEMBER m_throws)   // hasUnsavedChanges() throws
public:
    explicit ProtocolComponent(const QString &kind) : m_kind(kind) {}

    bool Py_Init(SystemServices *&sys, clsConfig *&config, int32_t &programNumber, QVariantList &args) override
    {
        QStringList shown;
        for (const QVariant &a : args)
            shown << (a.isValid() ? a.toString() + QLatin1Char(':') + QString::fromLatin1(a.typeName()) : QStringLiteral("none"));
        m_calls << QStringLiteral("%1.Py_Init(%2,%3,%4|%5)")
                       .arg(m_kind)
                       .arg(sys ? 1 : 0)
                       .arg(config ? 1 : 0)
                       .arg(programNumber)
                       .arg(shown.join(QLatin1Char(',')));
        if (!args.isEmpty() && m_kind == QLatin1String("oedit") && args.size() == 3)
            args[2] = QStringLiteral("data-back"); // the data object comes back to the window
        switch (programNumber) {
        case 9001:
            return false;
        case 9002:
            Q_EMIT objectEvent(QStringLiteral("Unload"), {true});
            return true;
        case 9003:
        case 9203:
            throw std::runtime_error("component exploded");
        case 9005:
        case 9205:
            throw ComponentFault{7};
        case 9004:
            Q_EMIT objectEvent(QStringLiteral("MESSAGE"), {QStringLiteral("starting")});
            return true;
        default:
            return true;
        }
    }
    void Clear() override { m_calls << m_kind + QStringLiteral(".Clear"); }
    void setSParameters(const ParameterSet &p) override
    {
        const ParameterSet::Entry *e = p.find(QStringLiteral("sID"));
        m_calls << QStringLiteral("%1.sParameters(sID=%2,%3)").arg(m_kind, e ? e->value.toString() : QString()).arg(e ? e->type : 0);
    }
    bool hasUnsavedChanges() const override
    {
        if (m_throws)
            throw std::runtime_error("cannot tell");
        return m_dirty;
    }
    QString unsavedWork() const override { return m_work; }

public Q_SLOTS:
    void send(const QString &name, const QVariantList &params) { Q_EMIT objectEvent(name, params); }

Q_SIGNALS:
    void objectEvent(const QString &name, const QVariantList &params);

private:
    QString m_kind;
    QStringList m_calls;
    bool m_dirty = false;
    bool m_throws = false;
    QString m_work;
};

class NoWidgetComponent : public QObject, public IBusinessComponent
{
    Q_OBJECT
    Q_INTERFACES(IBusinessComponent)
public:
    bool Py_Init(SystemServices *&, clsConfig *&, int32_t &, QVariantList &) override { return true; }
    void Clear() override {}
    void setSParameters(const ParameterSet &) override {}
Q_SIGNALS:
    void objectEvent(const QString &name, const QVariantList &params);
};

class ProtocolLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_components.json")
public:
    ProtocolLibrary()
    {
        const struct {
            const char *clsid;
            const char *kind;
        } classes[] = {{"{3A6F0C21-5B7E-4D8A-9E1F-0C2B3D4E5F61}", "oedit"},
                       {"{3A6F0C21-5B7E-4D8A-9E1F-0C2B3D4E5F62}", "oReport"},
                       {"{3A6F0C21-5B7E-4D8A-9E1F-0C2B3D4E5F63}", "oeditrpt"},
                       {"{3A6F0C21-5B7E-4D8A-9E1F-0C2B3D4E5F64}", "oquery"}};
        for (const auto &c : classes) {
            const QString kind = QString::fromLatin1(c.kind);
            addClass(QUuid::fromString(QLatin1String(c.clsid)), [kind] { return static_cast<QObject *>(new ProtocolComponent(kind)); });
        }
        addClass(QUuid::fromString(QLatin1String("{3A6F0C21-5B7E-4D8A-9E1F-0C2B3D4E5F65}")),
                 [] { return static_cast<QObject *>(new NoWidgetComponent); });
    }
};

#include "zt_components.moc"

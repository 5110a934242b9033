// A plug-in library that looks at the program-wide objects from inside: Run
// writes back what it sees of the open session, so a test can tell whether the
// library shares the shell's objects or has copies of its own.
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/contracts.h"
#include "core/logger.h"
#include "core/session.h"
#include "platform/classobject.h"

namespace {

QString address(const void *p)
{
    return QString::number(quintptr(p), 16);
}

class SessionProbe : public QObject, public _IExtPluginUI
{
    Q_OBJECT
    Q_INTERFACES(_IExtPluginUI)
public:
    bool Init(SystemServices *&sys) override
    {
        m_sys = sys;
        return sys != nullptr;
    }
    QVariant Terminate() override { return QVariant(); }
    QVariant Configure() override { return QVariant(); }
    IPluginParameters *Parameters() override { return &m_parameters; }
    // "session=<address> sys=<address> same-sys=<0|1> caption=<caption>"; writes one operation record.
    QVariant Run(QString &text) override
    {
        const Session *s = Session::current();
        text = QStringLiteral("session=") + address(s) + QStringLiteral(" sys=") + address(s ? s->sys.get() : nullptr)
            + QStringLiteral(" same-sys=") + QString::number(s && s->sys.get() == m_sys ? 1 : 0)
            + QStringLiteral(" caption=") + (s && s->config ? s->config->Caption() : QString());
        Logger::WriteOperation(QStringLiteral("探针运行"), 7);
        return QVariant(true);
    }
    ErrorInfo LastError() const override { return {}; }
    QString Description() const override { return QStringLiteral("看一眼会话"); }
    QString Caption() const override { return QStringLiteral("会话探针"); }
    QString Vendor() const override { return QStringLiteral("Zenlo"); }

private:
    SystemServices *m_sys = nullptr;
    PluginParameters m_parameters;
};

} // namespace

class ZenProbeLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_sessionprobe.json")
public:
    ZenProbeLibrary() { addClass<SessionProbe>("{5C0B3E0A-8A51-4C55-9E0B-2F7C1D4E6A11}"); }
};

#include "zt_sessionprobe.moc"

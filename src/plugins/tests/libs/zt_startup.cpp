// Start-up plug-ins for the tests: First and Second trace what their
// environment holds when they are initialised and run; a test makes one throw
// or report a last error.
#include "core/contracts.h"
#include "platform/classobject.h"
#include "zt_trace.h"

namespace {

class StartupPlugin : public QObject, public IStartupPlugin
{
    Q_OBJECT
    Q_INTERFACES(IStartupPlugin)
public:
    explicit StartupPlugin(QString name) : m_name(name) {}
    QString Name() const override { return m_name + QStringLiteral("插件"); }
    void Run(const QString &input, QString &output) override
    {
        zt::trace(m_name + QStringLiteral(".Run input=[") + input + QStringLiteral("]"));
        zt::failIf(m_name, QStringLiteral("run"));
        if (zt::mode(m_name) == QStringLiteral("lasterror"))
            m_error = {1, m_name + QStringLiteral("发现日志文件夹不可写")};
        output = QStringLiteral("ignored");
    }
    void Initialise() override
    {
        zt::trace(m_name + QStringLiteral(".Initialise config=") + m_env.configFile + QStringLiteral(" folder=")
                  + m_env.appFolder + QStringLiteral(" caption=") + m_env.caption + QStringLiteral(" period=")
                  + QString::number(m_env.accountPeriod) + QStringLiteral(" company=") + m_env.company
                  + QStringLiteral(" file=") + zt::libraryFile());
        zt::failIf(m_name, QStringLiteral("init"));
    }
    IPluginEnvironment *Environment() override { return &m_env; }
    ErrorInfo LastError() const override { return m_error; }

private:
    QString m_name;
    PluginEnvironment m_env;
    ErrorInfo m_error;
};

class First : public StartupPlugin
{
    Q_OBJECT
public:
    First() : StartupPlugin(QStringLiteral("First")) {}
};

class Second : public StartupPlugin
{
    Q_OBJECT
public:
    Second() : StartupPlugin(QStringLiteral("Second")) {}
};

// A class of the library that is no start-up plug-in.
class NotStartup : public QObject
{
    Q_OBJECT
};

} // namespace

class ZtStartLibrary : public objects::ClassLibrary
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZENLO_CLASS_LIBRARY_IID FILE "zt_startup.json")
public:
    ZtStartLibrary()
    {
        addClass<First>("{6A0E2B3C-4D5E-4F60-8172-93A4B5C6D701}");
        addClass<Second>("{6A0E2B3C-4D5E-4F60-8172-93A4B5C6D702}");
        addClass<NotStartup>("{6A0E2B3C-4D5E-4F60-8172-93A4B5C6D703}");
    }
};

#include "zt_startup.moc"

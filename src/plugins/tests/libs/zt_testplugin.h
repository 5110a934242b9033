#pragma once
// _IExtPluginUI classes for the tests. Each call is traced; a test makes a
// class throw in a member, report a last error, refuse Init or hand out no
// parameter collection.
#include "core/contracts.h"
#include "zt_trace.h"

namespace zt {

class TestPlugin : public QObject, public _IExtPluginUI
{
    Q_OBJECT
    Q_INTERFACES(_IExtPluginUI)
public:
    TestPlugin(QString name, QString caption, QString vendor) : m_name(name), m_caption(caption), m_vendor(vendor) {}

    bool Init(SystemServices *&sys) override
    {
        zt::trace(m_name + QStringLiteral(".Init sys=") + (sys ? QStringLiteral("1") : QStringLiteral("0"))
                  + QStringLiteral(" file=") + zt::libraryFile());
        zt::failIf(m_name, QStringLiteral("init"));
        return zt::mode(m_name) != QStringLiteral("init-false");
    }
    QVariant Terminate() override
    {
        zt::trace(m_name + QStringLiteral(".Terminate"));
        return QVariant();
    }
    QVariant Configure() override
    {
        zt::trace(m_name + QStringLiteral(".Configure"));
        zt::failIf(m_name, QStringLiteral("configure"));
        if (zt::mode(m_name) == QStringLiteral("lasterror"))
            m_error = {1, m_name + QStringLiteral("的配置文件夹不可写")};
        return QVariant();
    }
    IPluginParameters *Parameters() override
    {
        zt::trace(m_name + QStringLiteral(".Parameters"));
        return zt::mode(m_name) == QStringLiteral("no-parameters") ? nullptr : &m_parameters;
    }
    QVariant Run(QString &text) override
    {
        QStringList values;
        for (const char *n : {"ProgID", "ModeCode", "Caption", "CommandLine"})
            if (m_parameters.Item(QString::fromLatin1(n)).isValid())
                values << QString::fromLatin1(n) + QLatin1Char('=') + m_parameters.Item(QString::fromLatin1(n)).toString();
        zt::trace(m_name + QStringLiteral(".Run text=[") + text + QStringLiteral("]")
                  + (values.isEmpty() ? QString() : QLatin1Char(' ') + values.join(QLatin1Char(' '))));
        zt::failIf(m_name, QStringLiteral("run"));
        text = QStringLiteral("ignored");
        return QVariant();
    }
    ErrorInfo LastError() const override { return m_error; }
    QString Description() const override { return m_caption + QStringLiteral("的说明"); }
    QString Caption() const override { return m_caption; }
    QString Vendor() const override { return m_vendor; }

private:
    QString m_name, m_caption, m_vendor;
    ErrorInfo m_error;
    PluginParameters m_parameters;
};

class Alpha : public TestPlugin
{
    Q_OBJECT
public:
    Alpha() : TestPlugin(QStringLiteral("Alpha"), QStringLiteral("甲插件"), QStringLiteral("甲公司")) {}
};

class Beta : public TestPlugin
{
    Q_OBJECT
public:
    Beta() : TestPlugin(QStringLiteral("Beta"), QStringLiteral("乙插件"), QStringLiteral("乙公司")) {}
};

class Solo : public TestPlugin
{
    Q_OBJECT
public:
    Solo() : TestPlugin(QStringLiteral("Solo"), QStringLiteral("独立插件"), QStringLiteral("丙公司")) {}
};

} // namespace zt

#pragma once
#include "core/contracts.h"

#include <QObject>
#include <QVersionNumber>

namespace startcheck {

// Why a folder cannot take a new file ("" when it can); a missing folder is made.
QString folderProblem(const QString &folder);
// The operator's text when current is older than minimum ("" when not, or when no minimum is set).
QString versionProblem(const QString &minimum, const QVersionNumber &current);

class CheckBase : public QObject, public IStartupPlugin
{
    Q_OBJECT
    Q_INTERFACES(IStartupPlugin)
public:
    void Initialise() override { m_error.clear(); }
    IPluginEnvironment *Environment() override { return &m_env; }
    ErrorInfo LastError() const override { return m_error; }

protected:
    PluginEnvironment m_env;
    ErrorInfo m_error;
};

class FolderCheck : public CheckBase
{
    Q_OBJECT
public:
    QString Name() const override;
    void Run(const QString &input, QString &output) override;
};

class VersionCheck : public CheckBase
{
    Q_OBJECT
public:
    QString Name() const override;
    void Run(const QString &input, QString &output) override;
};

} // namespace startcheck

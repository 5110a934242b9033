#pragma once
// A throw-away installation for the plug-in tests: the demo site with an open
// session (with or without database, operator and system services), a
// Plugin folder filled with copies of the test libraries, the plug-ins'
// trace, the operator messages and the operation records written.
#include "testsite.h"
#include "testsupport.h"

#include <QString>
#include <QStringList>

#include <memory>

class Session;

namespace plugintest {

class Site
{
public:
    enum Services { ConfigOnly, LoggedIn };
    // systemInner goes inside <system> of the configuration.
    explicit Site(const QString &systemInner = QString());
    ~Site();

    bool open(Services services, QString *why, const QString &operatorName = QStringLiteral("admin"),
              const QString &password = QString());
    Session &session();
    QString programFolder() const { return m_site.programFolder(); }
    QString pluginFolder() const;
    testsupport::TestSite &site() { return m_site; }

    // Copies a library of the test tree (e.g. "zt_plugs") into folder as fileName.
    static bool place(const QString &library, const QString &folder, const QString &fileName);
    static QString testLibrary(const QString &library);

    // The operation records' messages, in writing order.
    QStringList records() const;
    testsupport::RecordingUi ui;

private:
    testsupport::TestSite m_site;
};

QStringList trace();
void clearTrace();
// Asks a test class ("Alpha", "First", ...) to behave so; "" for normal.
void setMode(const QString &className, const QString &mode);
void clearModes();

} // namespace plugintest

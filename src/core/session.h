#pragma once
// The program-wide objects of one run, in the shared core so that the shell
// and every library it loads see the same objects. The entry procedure opens
// the session and creates the objects in their fixed order; only the log-out
// procedure releases them (and then closes the session). Windows and
// components get the session, or the objects they need, as arguments.
#include "platform/zenlo_export.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class clsConfig;
class Database;
class LogConfig;
class Operator;
class SystemServices;

namespace bMain {
class IMainWindow;
}

class ZENLO_CORE_EXPORT Session : public QObject
{
    Q_OBJECT
public:
    // Opens the session of this run; an open one is closed first. The core owns it.
    static Session &open();
    // The open session, or nullptr before the start and after the log-out.
    static Session *current();
    // Releases what is left (in the log-out order) and ends the session.
    static void close();

    ~Session() override;

    QString configPath; // the configuration file, absolute
    std::unique_ptr<clsConfig> config;
    std::unique_ptr<LogConfig> logConfig;
    std::unique_ptr<Database> db;
    std::unique_ptr<Operator> op;
    std::unique_ptr<SystemServices> sys;
    QString helpFile; // the program's help file (from the configuration)

    // The main window of this run; the session owns it and the log-out deletes it
    // (later, through the event loop: the log-out may run inside its own close).
    void setMainWindow(bMain::IMainWindow *window);
    bMain::IMainWindow *mainWindow() const { return m_mainWindow; }
    void releaseMainWindow();

    // Language-string lookup of the "kxplan" family; the default without system services.
    QString lookup(const QString &path, const QString &defaultText) const;
    // Per-user settings of this program (application name = the configuration's Caption).
    QString appName() const;
    QString getSetting(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    bool saveSetting(const QString &section, const QString &key, const QString &value) const;

    // The status prompt's line for the main window (see bMain::StatusPrompt).
    void showStatus(const QString &line) { Q_EMIT statusPrompt(line); }

Q_SIGNALS:
    void statusPrompt(const QString &line);

private:
    Session();
    bMain::IMainWindow *m_mainWindow = nullptr;
};

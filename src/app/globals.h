#pragma once
// The program-wide objects of one run: created by the start-up sequence in a
// fixed order and released only by the log-out procedure.
#include <QString>

#include <functional>
#include <memory>

class clsConfig;
class Database;
class LogConfig;
class Operator;
class SystemServices;

namespace app {

struct Globals {
    QString configPath; // the configuration file, absolute
    std::unique_ptr<clsConfig> config;
    std::unique_ptr<LogConfig> logConfig;
    std::unique_ptr<Database> db;
    std::unique_ptr<Operator> op;
    std::unique_ptr<SystemServices> sys;
    QString helpFile; // the program's help file (from the configuration)
    // Shows a status line in the main window's message link (set by the main window).
    std::function<void(const QString &)> statusSink;
};

Globals &g();

// Language-string lookup of the "kxplan" family, the default when there is no system services object.
QString lookup(const QString &path, const QString &defaultText);

// Per-user settings of this program (application name = the configuration's Caption).
QString appName();
QString getSetting(const QString &section, const QString &key, const QString &defaultValue = QString());
void saveSetting(const QString &section, const QString &key, const QString &value);

} // namespace app

#pragma once
// Each sub-command group of zenlo-admin: args are what follows the group name.
// A command prints its result on stdout, a one-line reason on stderr, and
// returns the process exit code: 0 success, 1 failure (with its reason: bad
// input, a file or key that cannot be used), 2 usage error (a missing or
// unknown command, argument or option, an option without its value).
#include <QStringList>
#include <QTextStream>

namespace admin {

struct ExitCode {
    int code;
    const char *meaning;
};

QTextStream &out();
QTextStream &err();
// Prints "zenlo-admin: " + reason on stderr and returns 1.
int fail(const QString &reason);
// Prints "zenlo-admin: " + reason + " (try --help)" on stderr and returns 2.
int usageError(const QString &reason);
// Prints the help text on stdout and returns 0 (asked for with --help).
int usage(const QString &text);
// Whether the arguments ask for help (--help or -h).
bool wantsHelp(const QStringList &args);

int configCommand(const QStringList &args);
int regCommand(const QStringList &args);
int dbCommand(const QStringList &args);
int classesCommand(const QStringList &args);
int regsvrCommand(const QStringList &args);
int pluginCommand(const QStringList &args);
int mapCommand(const QStringList &args);
int oplogCommand(const QStringList &args);
int diagCommand(const QStringList &args);

} // namespace admin

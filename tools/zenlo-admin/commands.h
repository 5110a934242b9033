#pragma once
// Each sub-command group of zenlo-admin: args are what follows the group name.
// A command prints its result on stdout, a one-line reason on stderr, and
// returns the process exit code (0 success, 1 bad input or failure, 2 usage).
#include <QStringList>
#include <QTextStream>

namespace admin {

QTextStream &out();
QTextStream &err();
// Prints "zenlo-admin: " + reason on stderr and returns 1.
int fail(const QString &reason);
int usage(const QString &text);

int configCommand(const QStringList &args);
int regCommand(const QStringList &args);
int dbCommand(const QStringList &args);
int classesCommand(const QStringList &args);
int regsvrCommand(const QStringList &args);

} // namespace admin

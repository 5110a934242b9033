#pragma once
// The command-line parser used for the program's own command line ("cfg",
// "MultiThread") and for the switches stored with a function ("s", "w", ...).
// Accepted forms: /name:value  /name=value  -name value  --name=value  /name
// Names match without regard to case; values are kept exactly as written,
// a quoted value may hold blanks (the quotes are not part of the value).
#include "platform/zenlo_export.h"

#include <QList>
#include <QString>
#include <QStringList>

class ZENLO_CORE_EXPORT CommandLine
{
public:
    struct Option {
        bool present = false;
        QString value;
    };

    // The whole command line as one text (Windows style).
    void parse(const QString &commandLine);
    // Already split arguments (argv without the program name).
    void parseArguments(const QStringList &arguments);
    // The parser's one switch; on means names are compared without regard to case (the default).
    void setIgnoreCase(bool on) { m_ignoreCase = on; }

    Option option(const QString &name) const;
    bool isPresent(const QString &name) const { return option(name).present; }
    // Arguments that are not options, in order.
    QStringList positional() const { return m_positional; }

    // Splits a Windows-style command line into arguments: blanks separate,
    // double quotes group, "" inside quotes is one quote.
    static QStringList split(const QString &commandLine);

private:
    struct Entry {
        QString name;
        QString value;
    };
    QList<Entry> m_options;
    QStringList m_positional;
    bool m_ignoreCase = true;
};

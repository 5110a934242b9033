#pragma once
// The object every test library makes: it says which class and which file it came from.
#include "testgreeter.h"

#include <QFile>
#include <QObject>

#include <dlfcn.h>

class Greeter : public QObject, public ITestGreeter
{
    Q_OBJECT
    Q_INTERFACES(ITestGreeter)

public:
    Greeter(const QString &name, const void *anchor) : m_name(name)
    {
        Dl_info info{};
        if (dladdr(anchor, &info) && info.dli_fname)
            m_module = QFile::decodeName(info.dli_fname);
    }
    QString greet() const override { return m_name; }
    QString modulePath() const override { return m_module; }

private:
    QString m_name;
    QString m_module;
};

#pragma once
// The one run-time error of the shell: where a procedure lets an error travel to
// its caller's handler, this carries the error number and the description that
// the handler puts into its message ("执行功能时出错，原因：" + description).
// It never crosses a library boundary: loaded components and plug-ins report by
// result values.
#include "platform/zenlo_export.h"

#include <QString>

#include <exception>

class ZENLO_CORE_EXPORT RuntimeError : public std::exception
{
public:
    // Numbers of the errors the shell raises itself.
    enum Number {
        General = 5,              // invalid procedure call or argument
        Overflow = 6,             // a number out of range of its type
        SubscriptOutOfRange = 9,  // an index past the end of a list
        TypeMismatch = 13,        // a value of the wrong type
        ObjectNotSet = 91,        // an object variable that holds no object
        CannotCreateObject = 429, // no class of that ProgID can be created
        ObjectLacksMember = 438,  // an object without the member asked for
    };

    explicit RuntimeError(QString description, int number = General);

    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    // The description of any exception: ours as it stands, others' what() read as UTF-8.
    static QString describe(const std::exception &e);

private:
    int m_number;
    QString m_description;
    QByteArray m_utf8;
};

#include "platform/logonuser.h"

#include "platform/ansi.h"

#include <QString>

#include <pwd.h>
#include <unistd.h>

namespace appinfo {

std::string logonUserName()
{
    QString name;
    if (const passwd *pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
        name = QString::fromLocal8Bit(pw->pw_name);
    else
        name = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    QByteArray bytes = ansi::fromUnicode(name.left(255));
    return std::string(bytes.constData(), size_t(bytes.size()));
}

} // namespace appinfo

#include "util/mcommondialog.h"

#include <algorithm>

namespace MCommonDialog {

QString FileTitleFromPath(const QString &path, bool dropExtension)
{
    QString title;
    const qsizetype separator = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    if (separator >= 0)
        title = path.mid(separator + 1);
    else if (path.indexOf(QLatin1Char(':')) == 1)
        title = path.mid(2);
    else
        title = path;

    if (dropExtension) {
        const qsizetype dot = title.indexOf(QLatin1Char('.'));
        if (dot >= 0)
            title.truncate(dot);
    }
    return title;
}

} // namespace MCommonDialog

#include "util/ui/bchm.h"

#include "platform/uiservice.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace bCHM {

static HelpOpener &opener()
{
    static HelpOpener current;
    return current;
}

void setHelpOpener(HelpOpener o)
{
    opener() = std::move(o);
}

void ShowHelpContents(const QString &helpFile)
{
    if (helpFile.isEmpty()) {
        ui::msgBox(QStringLiteral("无法显示帮助目录，该工程没有相关联的帮助。"), ui::Information, QStringLiteral("提示:"));
        return;
    }
    if (!QFileInfo(helpFile).isFile()) {
        ui::msgBox(QStringLiteral("无法显示帮助目录，没有找到该工程相关联的帮助文件。"), ui::Information,
                   QStringLiteral("提示:"));
        return;
    }
    const bool opened = opener() ? opener()(helpFile)
                                 : QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(helpFile).absoluteFilePath()));
    if (!opened)
        ui::msgBox(QStringLiteral("无法显示帮助文件：") + QDir::toNativeSeparators(QFileInfo(helpFile).absoluteFilePath())
                       + QStringLiteral("\n系统中没有可以打开它的程序。"),
                   ui::Information, QStringLiteral("提示:"));
}

} // namespace bCHM

#pragma once
// The help button: shows the help file's table of contents.
#include <QString>

#include <functional>

namespace bCHM {

// Opens a help file with the desktop's handler; returns whether it started.
using HelpOpener = std::function<bool(const QString &helpFile)>;
// Replaces the opener (tests); an empty function restores the desktop's.
void setHelpOpener(HelpOpener opener);

// helpFile is the program's help-file setting. Empty: tells the operator the
// program has no help ("无法显示帮助目录，该工程没有相关联的帮助。"); naming
// no existing file: tells that the help file was not found ("无法显示帮助目录，
// 没有找到该工程相关联的帮助文件。"); both with the information icon and the
// title "提示:" through the UI service. Otherwise opens the file; when the
// desktop has no handler for it, tells the operator so, naming the file.
void ShowHelpContents(const QString &helpFile);

} // namespace bCHM

#pragma once
// The file-name part of a path, as the process-map loader names its files.
#include <QString>

namespace MCommonDialog {

// Everything after the last separator; both "\" and "/" separate (paths on
// this platform use "/", stored paths from Windows use "\"). Without a
// separator, a path whose first ":" is its second character loses that drive
// ("C:name" gives "name"); any other text comes back whole. With
// dropExtension the result is cut before its first "." ("a.b.c" gives "a",
// ".hidden" gives "").
QString FileTitleFromPath(const QString &path, bool dropExtension);

} // namespace MCommonDialog

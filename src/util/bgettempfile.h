#pragma once
// Unique temporary files for stored files on their way out of the database
// (icons, process maps).
#include <QString>

namespace bGetTempFile {

// Creates a new, empty file named prefix + a unique part + ".tmp" in the
// user's temporary folder and returns its full path. When that folder cannot
// be written, the file goes to the user's cache folder ("<cache>/zenlo/tmp").
// Returns "" when no file could be created or the prefix holds a path
// separator (a prefix names a file, it does not choose a folder).
// The caller deletes the file.
QString GetTempFile(const QString &prefix);

} // namespace bGetTempFile

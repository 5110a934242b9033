#pragma once
// Writes a binary database field (a stored file's contents) to a file.
#include <QString>
#include <QVariant>

namespace file2db {

// Writes the field's bytes to path. The field must hold bytes (QByteArray);
// a NULL field or any other type is refused. With overwrite false an existing
// file is left alone and the call fails. The bytes go to a temporary file in
// the same folder that is renamed to path only when complete, so path never
// holds a partly written file. Returns false on any failure.
bool SaveFieldToFile(const QString &path, const QVariant &field, bool overwrite);

} // namespace file2db

#pragma once
// The ANSI code page of the target workstations: text that Windows would pass
// through its "...A" entry points (REGEDIT4 files, Base64-decoded captions) is
// converted here. Code page 936 (GBK) unless set otherwise.
#include "platform/zenlo_export.h"

#include <QByteArray>
#include <QString>

namespace ansi {

ZENLO_CORE_EXPORT int codePage();
// Returns false when the platform has no converter for that code page.
ZENLO_CORE_EXPORT bool setCodePage(int codePage);

// Characters the code page cannot hold become '?'; *ok then reports false.
ZENLO_CORE_EXPORT QByteArray fromUnicode(const QString &text, bool *ok = nullptr);
// Byte sequences that are not valid in the code page become U+FFFD.
ZENLO_CORE_EXPORT QString toUnicode(const QByteArray &bytes);
ZENLO_CORE_EXPORT QString toUnicode(const char *data, qsizetype size);

} // namespace ansi

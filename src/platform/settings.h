#pragma once
// Per-user settings the way VB programs keep them: text values under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section> of the
// registry store, so an installer can seed one (e.g. "ISVERSION", "tipsshow")
// with a REGEDIT4 import. Texts are stored in the ANSI code page, as on Windows.
#include "platform/zenlo_export.h"

#include <QString>

namespace settings {

// The key path below HKEY_CURRENT_USER that holds a section.
ZENLO_CORE_EXPORT QString sectionPath(const QString &appName, const QString &section);

// The stored text, or defaultValue when the application, section or key is
// missing. A DWORD seeded by an installer reads as its decimal number.
ZENLO_CORE_EXPORT QString GetSetting(const QString &appName, const QString &section, const QString &key,
                                     const QString &defaultValue = QString());

// False when nothing was stored: an empty application, section or key name, a
// text the ANSI code page cannot hold (it would come back as '?'), or a
// registry that cannot be written.
ZENLO_CORE_EXPORT bool SaveSetting(const QString &appName, const QString &section, const QString &key,
                                   const QString &value);

// Deletes one key, or the whole section when key is empty. True when the
// setting (or section) no longer exists afterwards.
ZENLO_CORE_EXPORT bool DeleteSetting(const QString &appName, const QString &section,
                                     const QString &key = QString());

} // namespace settings

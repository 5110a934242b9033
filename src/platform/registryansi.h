#pragma once
// The registry functions over plain bytes, as the "...A" entry points take them:
// key and value names are byte strings in the ANSI code page, value data is raw
// bytes (RegSz data in the ANSI code page with its terminating NUL). Plain C++,
// no Qt: on Windows these map one to one onto RegOpenKeyExA, RegCreateKeyExA,
// ... (src/platform/win32), on Linux onto the SQLite hives of registrystore.h.
//
// The rules are Windows': names compare case-insensitively and keep their case;
// a key with subkeys is not deleted (AccessDenied); a key name component has at
// most MaxKeyNameLength characters (InvalidParameter); a handle that is no root
// and was not opened gives InvalidHandle. On Linux a name that is not valid text
// in the code page gives InvalidParameter, since the hive stores names as text.
#include "platform/registrytypes.h"
#include "platform/zenlo_export.h"

#include <cstdint>
#include <string>
#include <vector>

namespace registry {

using Bytes = std::vector<uint8_t>;

ZENLO_CORE_EXPORT int32_t openKeyA(HKEY key, const std::string &subKey, uint32_t access, HKEY *result);
ZENLO_CORE_EXPORT int32_t createKeyA(HKEY key, const std::string &subKey, uint32_t access, HKEY *result,
                                     bool *created = nullptr);
ZENLO_CORE_EXPORT int32_t closeKeyA(HKEY key);
ZENLO_CORE_EXPORT int32_t deleteKeyA(HKEY key, const std::string &subKey);
ZENLO_CORE_EXPORT int32_t deleteValueA(HKEY key, const std::string &name);
ZENLO_CORE_EXPORT int32_t enumKeyA(HKEY key, uint32_t index, std::string *name);
// Data in full, whatever its size.
ZENLO_CORE_EXPORT int32_t enumValueA(HKEY key, uint32_t index, std::string *name, uint32_t *type = nullptr,
                                     Bytes *data = nullptr);
ZENLO_CORE_EXPORT int32_t queryValueA(HKEY key, const std::string &name, uint32_t *type, Bytes *data);
ZENLO_CORE_EXPORT int32_t setValueA(HKEY key, const std::string &name, uint32_t type, const Bytes &data);

// "HKEY_CURRENT_USER" for HKEY_CURRENT_USER; "" for a handle that is no root.
ZENLO_CORE_EXPORT std::string rootNameA(HKEY root);

} // namespace registry

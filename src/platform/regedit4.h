#pragma once
// The core of registry access by one text path and of the REGEDIT4 export, in
// plain C++ over registryansi.h: paths, names and texts are bytes in the ANSI
// code page. clsRegistryAccess gives the same results over Qt text; the Windows
// build uses this core directly, so a tree exported there and one exported here
// are the same bytes.
//
// Readers follow clsRegistryAccess: each opens its key, reads and closes it
// again; a value of another type than asked for reads as missing.
#include "platform/registryansi.h"
#include "platform/zenlo_export.h"

#include <cstdint>
#include <string>
#include <vector>

namespace regedit4 {

// The roots a path may name, in full or by their four-letter abbreviation.
struct Root {
    const char *full;
    const char *abbreviation;
    registry::HKEY handle;
};
ZENLO_CORE_EXPORT extern const Root roots[7];

// The root handle of a path whose root is a full name ("HKEY_CURRENT_USER") or
// its four-letter abbreviation ("HKCU"), in any letter case; 0 for another
// root. *subKey gets the part after the first "\".
ZENLO_CORE_EXPORT registry::HKEY parseKeyPath(const std::string &keyPath, std::string *subKey);
// The path with its root written out in full and no trailing "\".
ZENLO_CORE_EXPORT std::string fullKeyPath(const std::string &keyPath);

// " 01 0A FF": each byte two upper-case hex digits preceded by a space.
ZENLO_CORE_EXPORT std::string binToStr(const registry::Bytes &bytes);

// A REG_SZ (or REG_EXPAND_SZ) value up to its first NUL, without leading and
// trailing spaces. The empty name is the key's default value.
ZENLO_CORE_EXPORT bool readString(const std::string &keyPath, const std::string &name, std::string *text);
// A REG_DWORD value of exactly four bytes.
ZENLO_CORE_EXPORT bool readDword(const std::string &keyPath, const std::string &name, uint32_t *value);
// Subkey names in the registry's order; -1 when the key cannot be opened.
ZENLO_CORE_EXPORT int32_t enumKeys(const std::string &keyPath, std::vector<std::string> *names);

struct Value {
    std::string name; // without leading and trailing spaces
    uint32_t type = 0;
    std::string text; // RegSz: the trimmed text; RegBinary: trimmed hex text
    uint32_t dword = 0;
};
// The values of one type (or every value with typeFilter -1) in the registry's
// order; -1 when the key cannot be opened.
ZENLO_CORE_EXPORT int32_t enumValues(const std::string &keyPath, int32_t typeFilter, std::vector<Value> *values);

// A whole REGEDIT4 file for the key and, when asked, its subkeys (depth first):
// "REGEDIT4", an empty line, then per key its line in brackets with the full
// root name, the default value, the string, binary and DWORD values, and an
// empty line; CR LF line ends. False with *reason for an unknown root, a key
// that cannot be opened, or a name or text holding a line break (the file could
// not carry it).
ZENLO_CORE_EXPORT bool exportText(const std::string &keyPath, bool includeSubkeys, std::string *out,
                                  std::string *reason = nullptr);

} // namespace regedit4

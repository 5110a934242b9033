#pragma once
// Registry access by one text path and REGEDIT4 export and import, in plain C++
// over registryansi.h: paths, names and texts are bytes in the ANSI code page.
// This is the one implementation of these rules on every platform:
// clsRegistryAccess only converts Qt text to and from the code page, and the
// Windows build (src/platform/win32) runs it over the "...A" functions, so a
// tree exported there and one exported here are the same bytes.
//
// A path is "HKCU\Software\..." or "HKEY_CURRENT_USER\Software\...". Each
// operation opens its key, works and closes it again; a value of another type
// than asked for reads as missing. Binary values travel as hex text, two
// upper-case digits per byte, separated by spaces ("01 0A FF").
#include "platform/registryansi.h"
#include "platform/zenlo_export.h"

#include <cstdint>
#include <functional>
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

// ---- key paths ----

// The root handle of a path whose root is a full name ("HKEY_CURRENT_USER") or
// its four-letter abbreviation ("HKCU"), in any letter case; 0 for another
// root. *subKey gets the part after the first "\".
ZENLO_CORE_EXPORT registry::HKEY parseKeyPath(const std::string &keyPath, std::string *subKey);
// The path with its root written out in full and no trailing "\".
ZENLO_CORE_EXPORT std::string fullKeyPath(const std::string &keyPath);

// ---- hex text ----

// " 01 0A FF": each byte two upper-case hex digits preceded by a space.
ZENLO_CORE_EXPORT std::string binToStr(const registry::Bytes &bytes);
// The bytes of hex digits, spaces ignored. A trailing single digit gives one
// byte ("ABC" is AB 0C); a character that is not a hex digit gives no bytes.
ZENLO_CORE_EXPORT registry::Bytes strToBin(const std::string &hex);
// At least one digit, and nothing but hex digits and spaces.
ZENLO_CORE_EXPORT bool isBinValid(const std::string &text);

// ---- keys ----

// Creates the key and any missing parents.
ZENLO_CORE_EXPORT bool createKey(const std::string &keyPath);
// True only when the key was deleted: a key with subkeys, a missing key, a root
// or one the user may not change is kept.
ZENLO_CORE_EXPORT bool killKey(const std::string &keyPath);
// Opens with all access, so a key the user may only read counts as missing.
ZENLO_CORE_EXPORT bool keyExists(const std::string &keyPath);
ZENLO_CORE_EXPORT bool haveSubkey(const std::string &keyPath);
// Subkey names in the registry's order; -1 when the key cannot be opened. A
// name the code page cannot hold is left out.
ZENLO_CORE_EXPORT int32_t enumKeys(const std::string &keyPath, std::vector<std::string> *names);

// ---- values ----

// Each writes one value, first creating a missing key when createMissing is set.
// name "@" is the key's default value (for writeString only). False, with
// nothing written, for a name longer than MaxValueNameLength characters or data
// larger than MaxValueDataSize bytes.
ZENLO_CORE_EXPORT bool writeString(const std::string &keyPath, const std::string &name, const std::string &text,
                                   bool createMissing = true);
ZENLO_CORE_EXPORT bool writeDword(const std::string &keyPath, const std::string &name, uint32_t value,
                                  bool createMissing = true);
// hex: space-separated pairs; refused when it is not hex or has an odd number of
// digits. An empty text stores a zero-length value.
ZENLO_CORE_EXPORT bool writeBinary(const std::string &keyPath, const std::string &name, const std::string &hex,
                                   bool createMissing = true);

// A REG_SZ (or REG_EXPAND_SZ) value up to its first NUL, without leading and
// trailing spaces. The empty name is the key's default value.
ZENLO_CORE_EXPORT bool readString(const std::string &keyPath, const std::string &name, std::string *text);
// A REG_DWORD value of exactly four bytes.
ZENLO_CORE_EXPORT bool readDword(const std::string &keyPath, const std::string &name, uint32_t *value);
// The bytes of a value of any type as trimmed hex text ("01 0A FF").
ZENLO_CORE_EXPORT bool readBinary(const std::string &keyPath, const std::string &name, std::string *hex);
// True when the key could be opened and the value no longer exists afterwards.
ZENLO_CORE_EXPORT bool killValue(const std::string &keyPath, const std::string &name);
ZENLO_CORE_EXPORT bool valueExists(const std::string &keyPath, const std::string &name);

struct Value {
    std::string name; // without leading and trailing spaces
    uint32_t type = 0;
    std::string text; // RegSz: the trimmed text; RegBinary: trimmed hex text
    uint32_t dword = 0;
};
// The values of one type (or every value with typeFilter -1) in the registry's
// order; -1 when the key cannot be opened. A value whose name the code page
// cannot hold is left out.
ZENLO_CORE_EXPORT int32_t enumValues(const std::string &keyPath, int32_t typeFilter, std::vector<Value> *values);

// ---- REGEDIT4 files ----

// Called with the full path of each key as the export reaches it.
using Progress = std::function<void(const std::string &keyPath)>;

// A whole REGEDIT4 file for the key and, when asked, its subkeys (depth first):
// "REGEDIT4", an empty line, then per key its line in brackets with the full
// root name, the default value, the string, binary and DWORD values, and an
// empty line; CR LF line ends. False with *reason (and *out empty) for an
// unknown root, a key that cannot be opened, a name or text holding a line break
// (the file could not carry it) or one that is no text in the code page.
ZENLO_CORE_EXPORT bool exportText(const std::string &keyPath, bool includeSubkeys, std::string *out,
                                  std::string *reason = nullptr, const Progress &progress = {});

// Applies a whole REGEDIT4 file. The file is checked first; one with a fault is
// refused with nothing changed and *reason ("line 8: ..."). Texts are read as
// this system writes them: every double quote dropped, no backslash unescaped;
// *escapedLines, when given, gets the numbers of the value lines that held \"
// or \\ (regedit would have read them otherwise). The writes form one batch; a
// write that fails ends the import, what was written before it stays.
ZENLO_CORE_EXPORT bool importText(const std::string &file, std::string *reason = nullptr,
                                  std::vector<int> *escapedLines = nullptr);

} // namespace regedit4

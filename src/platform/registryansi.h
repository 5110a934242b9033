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
// A name the code page cannot hold (written through the Qt-text functions, or
// Unicode ones on Windows) enumerates with '?' in place of each such character,
// as the "...A" functions give it; *replaced tells (on Linux; Windows' own
// functions do not, so there it is always false).
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
ZENLO_CORE_EXPORT int32_t enumKeyA(HKEY key, uint32_t index, std::string *name, bool *replaced = nullptr);
// Data in full, whatever its size.
ZENLO_CORE_EXPORT int32_t enumValueA(HKEY key, uint32_t index, std::string *name, uint32_t *type = nullptr,
                                     Bytes *data = nullptr, bool *replaced = nullptr);
ZENLO_CORE_EXPORT int32_t queryValueA(HKEY key, const std::string &name, uint32_t *type, Bytes *data);
ZENLO_CORE_EXPORT int32_t setValueA(HKEY key, const std::string &name, uint32_t type, const Bytes &data);

// "HKEY_CURRENT_USER" for HKEY_CURRENT_USER; "" for a handle that is no root.
ZENLO_CORE_EXPORT std::string rootNameA(HKEY root);

// ---- the ANSI code page, as the functions above read names ----

// The code page's number (936 for GBK).
ZENLO_CORE_EXPORT int ansiCodePageA();
// Whether a byte starts a double-byte character of the code page (GBK: 0x81 to
// 0xFE); its second byte may be 0x5C, the backslash, or 0x5D, the bracket.
ZENLO_CORE_EXPORT bool isLeadByteA(uint8_t byte);
// The length of a text in UTF-16 units (what the registry's length limits
// count); -1 when the bytes are not valid text in the code page.
ZENLO_CORE_EXPORT int64_t textLengthA(const std::string &text);
// A subkey path the registry accepts: names separated by "\", each 1 to
// MaxKeyNameLength characters; one trailing "\" is tolerated; "" is the key itself.
ZENLO_CORE_EXPORT bool isValidSubKeyPathA(const std::string &subKey);

// ---- write batches and read-only hives ----

// A write batch: from beginWriteBatch() to the matching endWriteBatch(), the
// writes of this process to each hive form one transaction, committed at the end
// (far quicker for thousands of writes, and another process sees all or none of
// them). Each write still succeeds or fails as a whole, and a failed write does
// not undo the ones before it. The hive's write lock is held meanwhile, so other
// processes' writes wait: keep batches short. Batches nest; on Windows a batch
// does nothing. endWriteBatch() reports IoFailed when a hive could not commit.
//
// abortWriteBatch() ends a batch like endWriteBatch() but undoes every write of
// the outermost batch in every hive, so a caller that finds one write failing
// leaves nothing half written. An abort inside a nested batch takes effect when
// the outermost batch ends; that end then reports IoFailed (nothing committed).
// On Windows, where a batch does nothing, the caller must undo by hand.
ZENLO_CORE_EXPORT void beginWriteBatch();
ZENLO_CORE_EXPORT int32_t endWriteBatch();
ZENLO_CORE_EXPORT int32_t abortWriteBatch();

class WriteBatch
{
public:
    WriteBatch() { beginWriteBatch(); }
    ~WriteBatch()
    {
        if (!m_ended)
            endWriteBatch();
    }
    WriteBatch(const WriteBatch &) = delete;
    WriteBatch &operator=(const WriteBatch &) = delete;
    int32_t commit()
    {
        m_ended = true;
        return endWriteBatch();
    }
    int32_t abort()
    {
        m_ended = true;
        return abortWriteBatch();
    }

private:
    bool m_ended = false;
};

// Whether a root's hive takes no writes (its file or folder cannot be written,
// or it could not be opened at all). Never on Windows, whose registry refuses
// each write by itself.
ZENLO_CORE_EXPORT bool isReadOnly(HKEY root);
// The file a root's hive lives in, in the code page; "" on Windows and for a
// handle that is no root.
ZENLO_CORE_EXPORT std::string hiveFilePathA(HKEY root);

} // namespace registry

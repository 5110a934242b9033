// The plain-bytes registry functions over the Win32 registry's "...A" entry
// points, with the code page's rules (lead bytes, text lengths) from Win32 too. Handles are 32-bit numbers here, as on every platform of the shell;
// a table maps them to the system's handles.
#include <windows.h>

namespace {
// The predefined keys, taken before the macros give way to the shell's names.
const HKEY kSystemRoots[] = {HKEY_CLASSES_ROOT,  HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE, HKEY_USERS,
                             HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
} // namespace
#undef HKEY_CLASSES_ROOT
#undef HKEY_CURRENT_USER
#undef HKEY_LOCAL_MACHINE
#undef HKEY_USERS
#undef HKEY_PERFORMANCE_DATA
#undef HKEY_CURRENT_CONFIG
#undef HKEY_DYN_DATA

#include "platform/registryansi.h"

#include <map>

namespace registry {
namespace {

const char *const kRootNames[] = {"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
                                  "HKEY_USERS",            "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                                  "HKEY_DYN_DATA"};

int rootIndex(HKEY h) { return (h >= HKEY_CLASSES_ROOT && h <= HKEY_DYN_DATA) ? int(h - HKEY_CLASSES_ROOT) : -1; }

// Single-threaded like the rest of the shell's registry use.
std::map<HKEY, ::HKEY> &handles()
{
    static std::map<HKEY, ::HKEY> table;
    return table;
}

::HKEY resolve(HKEY h)
{
    const int idx = rootIndex(h);
    if (idx >= 0)
        return kSystemRoots[idx];
    const auto it = handles().find(h);
    return it == handles().end() ? nullptr : it->second;
}

HKEY remember(::HKEY sys)
{
    static HKEY next = 0x1000;
    auto &table = handles();
    while (next == 0 || rootIndex(next) >= 0 || table.count(next))
        next = (next >= 0x7FFFFFF0u) ? 0x1000 : next + 4;
    const HKEY h = next;
    next += 4;
    table.emplace(h, sys);
    return h;
}

// The shell's rule for a subkey path, the same on every platform (Windows
// versions and Wine differ in what they take): components of 1 to
// MaxKeyNameLength characters separated by "\", one trailing "\" tolerated.
// The next "\\" from a position on that separates names: a double-byte
// character's second byte may be 0x5C as well and is part of its name.
size_t findSeparator(const std::string &s, size_t from)
{
    for (size_t i = from; i < s.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(s[i])) && i + 1 < s.size())
            ++i;
        else if (s[i] == '\\')
            return i;
    }
    return std::string::npos;
}

bool validSubKey(const std::string &subKey)
{
    if (subKey.empty())
        return true;
    size_t from = 0;
    for (;;) {
        const size_t slash = findSeparator(subKey, from);
        const size_t end = slash == std::string::npos ? subKey.size() : slash;
        if (end == from)
            return slash != std::string::npos ? false : from > 0; // empty component; trailing "\" is fine
        const int chars = MultiByteToWideChar(CP_ACP, 0, subKey.data() + from, int(end - from), nullptr, 0);
        if (chars <= 0 || chars > MaxKeyNameLength)
            return false;
        if (slash == std::string::npos || slash + 1 == subKey.size())
            return true;
        from = slash + 1;
    }
}

// The store's default access is the most the key allows.
REGSAM samFor(uint32_t access) { return access == DefaultAccess ? KEY_ALL_ACCESS : REGSAM(access); }

} // namespace

int32_t openKeyA(HKEY key, const std::string &subKey, uint32_t access, HKEY *result)
{
    if (!result)
        return InvalidParameter;
    *result = 0;
    const ::HKEY base = resolve(key);
    if (!base)
        return InvalidHandle;
    if (!validSubKey(subKey))
        return InvalidParameter;
    ::HKEY sys = nullptr;
    LONG st = RegOpenKeyExA(base, subKey.c_str(), 0, samFor(access), &sys);
    if (st == ERROR_ACCESS_DENIED && access == DefaultAccess)
        st = RegOpenKeyExA(base, subKey.c_str(), 0, KEY_READ, &sys);
    if (st != ERROR_SUCCESS)
        return int32_t(st);
    *result = remember(sys);
    return Success;
}

int32_t createKeyA(HKEY key, const std::string &subKey, uint32_t access, HKEY *result, bool *created)
{
    if (created)
        *created = false;
    if (!result)
        return InvalidParameter;
    *result = 0;
    const ::HKEY base = resolve(key);
    if (!base)
        return InvalidHandle;
    if (!validSubKey(subKey))
        return InvalidParameter;
    ::HKEY sys = nullptr;
    DWORD disposition = 0;
    const LONG st = RegCreateKeyExA(base, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, samFor(access),
                                    nullptr, &sys, &disposition);
    if (st != ERROR_SUCCESS)
        return int32_t(st);
    if (created)
        *created = disposition == REG_CREATED_NEW_KEY;
    *result = remember(sys);
    return Success;
}

int32_t closeKeyA(HKEY key)
{
    if (rootIndex(key) >= 0)
        return Success;
    auto &table = handles();
    const auto it = table.find(key);
    if (it == table.end())
        return InvalidHandle;
    const LONG st = RegCloseKey(it->second);
    table.erase(it);
    return int32_t(st);
}

int32_t deleteKeyA(HKEY key, const std::string &subKey)
{
    const ::HKEY base = resolve(key);
    if (!base)
        return InvalidHandle;
    if (subKey.empty() && rootIndex(key) >= 0)
        return AccessDenied;
    return int32_t(RegDeleteKeyA(base, subKey.c_str()));
}

int32_t deleteValueA(HKEY key, const std::string &name)
{
    const ::HKEY base = resolve(key);
    if (!base)
        return InvalidHandle;
    return int32_t(RegDeleteValueA(base, name.c_str()));
}

int32_t enumKeyA(HKEY key, uint32_t index, std::string *name, bool *replaced)
{
    if (replaced)
        *replaced = false;
    if (name)
        name->clear();
    const ::HKEY base = resolve(key);
    if (!base)
        return InvalidHandle;
    char buffer[MaxKeyNameLength * 2 + 2]; // a name of 255 characters may take two bytes each
    DWORD size = sizeof buffer;
    const LONG st = RegEnumKeyExA(base, index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
    if (st == ERROR_SUCCESS && name)
        name->assign(buffer, size);
    return int32_t(st);
}

int32_t enumValueA(HKEY key, uint32_t index, std::string *name, uint32_t *type, Bytes *data, bool *replaced)
{
    if (replaced)
        *replaced = false;
    if (name)
        name->clear();
    if (data)
        data->clear();
    const ::HKEY base = resolve(key);
    if (!base)
        return InvalidHandle;
    DWORD maxName = 0, maxData = 0;
    LONG st = RegQueryInfoKeyA(base, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                               &maxData, nullptr, nullptr);
    if (st != ERROR_SUCCESS)
        return int32_t(st);
    // Another writer may grow a value meanwhile: ask again with the new sizes.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string n(size_t(maxName) * 2 + 2, '\0');
        Bytes d(size_t(maxData) + 1);
        DWORD nameSize = DWORD(n.size()), dataSize = DWORD(d.size()), t = 0;
        st = RegEnumValueA(base, index, n.data(), &nameSize, nullptr, &t, d.data(), &dataSize);
        if (st == ERROR_MORE_DATA) {
            maxName = maxName * 2 + 64;
            maxData = dataSize > maxData ? dataSize : maxData * 2 + 64;
            continue;
        }
        if (st != ERROR_SUCCESS)
            return int32_t(st);
        if (name)
            name->assign(n.data(), nameSize);
        if (type)
            *type = t;
        if (data)
            data->assign(d.begin(), d.begin() + dataSize);
        return Success;
    }
    return int32_t(st);
}

int32_t queryValueA(HKEY key, const std::string &name, uint32_t *type, Bytes *data)
{
    if (data)
        data->clear();
    const ::HKEY base = resolve(key);
    if (!base)
        return InvalidHandle;
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD t = 0, size = 0;
        LONG st = RegQueryValueExA(base, name.c_str(), nullptr, &t, nullptr, &size);
        if (st != ERROR_SUCCESS)
            return int32_t(st);
        Bytes d(size_t(size) + 1);
        DWORD got = DWORD(d.size());
        st = RegQueryValueExA(base, name.c_str(), nullptr, &t, d.data(), &got);
        if (st == ERROR_MORE_DATA)
            continue;
        if (st != ERROR_SUCCESS)
            return int32_t(st);
        if (type)
            *type = t;
        if (data)
            data->assign(d.begin(), d.begin() + got);
        return Success;
    }
    return IoFailed;
}

int32_t setValueA(HKEY key, const std::string &name, uint32_t type, const Bytes &data)
{
    const ::HKEY base = resolve(key);
    if (!base)
        return InvalidHandle;
    if (data.size() > size_t(MaxValueDataSize))
        return InvalidParameter;
    return int32_t(RegSetValueExA(base, name.c_str(), 0, type, data.empty() ? nullptr : data.data(), DWORD(data.size())));
}

std::string rootNameA(HKEY root)
{
    const int idx = rootIndex(root);
    return idx < 0 ? std::string() : kRootNames[idx];
}

int ansiCodePageA() { return int(GetACP()); }

bool isLeadByteA(uint8_t byte) { return IsDBCSLeadByte(byte) != 0; }

int64_t textLengthA(const std::string &text)
{
    if (text.empty())
        return 0;
    const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    return n > 0 ? int64_t(n) : -1;
}

bool isValidSubKeyPathA(const std::string &subKey) { return validSubKey(subKey); }

// The Win32 registry writes each change by itself: a batch holds nothing back.
void beginWriteBatch() {}
int32_t endWriteBatch() { return Success; }
int32_t abortWriteBatch() { return Success; }

bool isReadOnly(HKEY) { return false; }

std::string hiveFilePathA(HKEY) { return std::string(); }

} // namespace registry

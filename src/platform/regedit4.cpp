#include "platform/regedit4.h"

#include "platform/regedit4_p.h"

#include <cstdio>

namespace regedit4 {

using namespace detail;

// Every abbreviation has four letters: the parser takes a path's first four characters.
const Root roots[7] = {
    {"HKEY_CLASSES_ROOT", "HKCR", registry::HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", "HKCU", registry::HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", registry::HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", "HKUS", registry::HKEY_USERS},
    {"HKEY_PERFORMANCE_DATA", "HKPD", registry::HKEY_PERFORMANCE_DATA},
    {"HKEY_CURRENT_CONFIG", "HKCC", registry::HKEY_CURRENT_CONFIG},
    {"HKEY_DYN_DATA", "HKDD", registry::HKEY_DYN_DATA},
};

namespace {

// ASCII only: a lead or trail byte of a double-byte character is never a letter.
std::string upper(std::string s)
{
    for (char &c : s) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return s;
}

bool startsWithNoCase(const std::string &s, const std::string &prefix)
{
    return s.size() >= prefix.size() && upper(s.substr(0, prefix.size())) == upper(prefix);
}

std::string textOf(const registry::Bytes &data)
{
    size_t n = 0;
    while (n < data.size() && data[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char *>(data.data()), n);
}

// The first "\" that separates names; npos when there is none.
size_t firstSeparator(const std::string &s)
{
    for (size_t i = 0; i < s.size(); i += charLength(s, i)) {
        if (s[i] == '\\')
            return i;
    }
    return std::string::npos;
}

// The length of s without the backslashes that end it.
size_t withoutTrailingSeparators(const std::string &s)
{
    size_t end = 0; // just after the last character that is not a separator
    for (size_t i = 0; i < s.size();) {
        const size_t n = charLength(s, i);
        if (n == 2 || s[i] != '\\')
            end = i + n;
        i += n;
    }
    return end;
}

uint32_t dwordOf(const registry::Bytes &d)
{
    return uint32_t(d[0]) | uint32_t(d[1]) << 8 | uint32_t(d[2]) << 16 | uint32_t(d[3]) << 24;
}

registry::Bytes dwordBytes(uint32_t v)
{
    return registry::Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string withoutSpaces(const std::string &s)
{
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        if (c != ' ')
            out += c;
    }
    return out;
}

// An open key, closed again when it goes out of scope.
struct Key {
    registry::HKEY h = 0;
    Key() = default;
    Key(const std::string &keyPath, uint32_t access)
    {
        std::string sub;
        const registry::HKEY root = parseKeyPath(keyPath, &sub);
        if (root && registry::openKeyA(root, sub, access, &h) != registry::Success)
            h = 0;
    }
    ~Key()
    {
        if (h)
            registry::closeKeyA(h);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;
    explicit operator bool() const { return h != 0; }
};

bool query(const std::string &keyPath, const std::string &name, uint32_t *type, registry::Bytes *data)
{
    const Key key(keyPath, registry::KeyRead);
    return key && registry::queryValueA(key.h, name, type, data) == registry::Success;
}

bool writeValue(const std::string &keyPath, const std::string &name, uint32_t type, const registry::Bytes &data,
                bool createMissing)
{
    if (!keyExists(keyPath) && (!createMissing || !createKey(keyPath)))
        return false;
    const Key key(keyPath, registry::KeyWrite);
    return key && registry::setValueA(key.h, name, type, data) == registry::Success;
}

bool fail(std::string *reason, const std::string &text)
{
    if (reason)
        *reason = text;
    return false;
}

std::string quoted(const std::string &s) { return '"' + s + '"'; }

// Whitespace runs as one space, none at either end (for a line shown in a message).
std::string simplified(const std::string &s)
{
    std::string out;
    bool space = false;
    for (const char c : s) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

std::string codePageText() { return std::to_string(registry::ansiCodePageA()); }

bool exportKey(const std::string &keyPath, bool includeSubkeys, std::string *out, std::string *reason,
               const Progress &progress)
{
    if (!parseKeyPath(keyPath, nullptr))
        return fail(reason, keyPath + ": unknown root key");
    const std::string path = fullKeyPath(keyPath);
    if (progress)
        progress(path);
    const Key key(path, registry::DefaultAccess);
    if (!key)
        return fail(reason, path + ": the key cannot be opened");

    // The default value first, then the strings, binaries and DWORDs, each in
    // the registry's order.
    std::vector<std::string> lines{'[' + path + ']'};
    std::vector<std::string> binaries, dwords;
    uint32_t type = 0;
    registry::Bytes data;
    if (registry::queryValueA(key.h, std::string(), &type, &data) == registry::Success
        && (type == registry::RegSz || type == registry::RegExpandSz))
        lines.push_back("@=" + quoted(trimBlanks(textOf(data))));
    std::string name;
    bool replaced = false;
    for (uint32_t i = 0;; ++i) {
        const int32_t st = registry::enumValueA(key.h, i, &name, &type, &data, &replaced);
        if (st == registry::NoMoreItems)
            break;
        if (st == registry::Success && replaced)
            return fail(reason, path + ": a value name cannot be written in code page " + codePageText() + ": " + name);
        if (st != registry::Success)
            return fail(reason, path + ": the values cannot be read (status " + std::to_string(st) + ")");
        name = trimBlanks(name);
        if (type == registry::RegSz && !name.empty()) {
            lines.push_back(quoted(name) + '=' + quoted(trimBlanks(textOf(data))));
        } else if (type == registry::RegBinary) {
            std::string hex = trimBlanks(binToStr(data));
            for (char &c : hex) {
                if (c == ' ')
                    c = ',';
            }
            binaries.push_back(quoted(name) + "=hex:" + hex);
        } else if (type == registry::RegDword) {
            char digits[9];
            std::snprintf(digits, sizeof digits, "%08X", unsigned(data.size() == 4 ? dwordOf(data) : 0));
            dwords.push_back(quoted(name) + "=dword:" + digits);
        }
    }
    lines.insert(lines.end(), binaries.begin(), binaries.end());
    lines.insert(lines.end(), dwords.begin(), dwords.end());

    for (const std::string &line : lines) {
        // A line break inside a name or text would end the line early and turn
        // the rest into lines of their own (even key lines) when imported.
        if (line.find_first_of("\r\n") != std::string::npos)
            return fail(reason, path + ": a name or text holds a line break, which a REGEDIT4 file cannot carry: "
                                    + simplified(line));
        // Bytes the code page does not know would not come back from an import.
        if (registry::textLengthA(line) < 0)
            return fail(reason, path + ": a name or text cannot be written in code page " + codePageText() + ": " + line);
        *out += line;
        *out += "\r\n";
    }
    *out += "\r\n";

    if (!includeSubkeys)
        return true;
    std::vector<std::string> keys;
    for (uint32_t i = 0;; ++i) {
        const int32_t st = registry::enumKeyA(key.h, i, &name, &replaced);
        if (st == registry::NoMoreItems)
            break;
        if (st == registry::Success && replaced)
            return fail(reason, path + ": a subkey name cannot be written in code page " + codePageText() + ": " + name);
        if (st != registry::Success)
            return fail(reason, path + ": the subkeys cannot be read (status " + std::to_string(st) + ")");
        keys.push_back(name);
    }
    for (const std::string &k : keys) {
        if (!exportKey(path + '\\' + k, true, out, reason, progress))
            return false;
    }
    return true;
}

} // namespace

// ---- key paths ----

registry::HKEY parseKeyPath(const std::string &keyPath, std::string *subKey)
{
    std::string path = keyPath;
    // Only the root is rewritten: a subkey that happens to be called
    // "HKEY_USERS" (or contain it) keeps its name.
    for (const Root &r : roots) {
        const std::string full(r.full);
        if (startsWithNoCase(path, full) && (path.size() == full.size() || path[full.size()] == '\\')) {
            path = r.abbreviation + path.substr(full.size());
            break;
        }
    }
    std::string root;
    const size_t slash = firstSeparator(path);
    if (slash != std::string::npos) {
        root = upper(path.substr(0, 4));
        if (subKey)
            *subKey = path.substr(slash + 1);
    } else {
        root = upper(path);
        if (subKey)
            subKey->clear();
    }
    for (const Root &r : roots) {
        if (root == r.abbreviation)
            return r.handle;
    }
    return 0;
}

std::string fullKeyPath(const std::string &keyPath)
{
    std::string sub;
    const registry::HKEY root = parseKeyPath(keyPath, &sub);
    if (!root)
        return keyPath;
    sub.resize(withoutTrailingSeparators(sub));
    const std::string name = registry::rootNameA(root);
    return sub.empty() ? name : name + '\\' + sub;
}

// ---- hex text ----

std::string binToStr(const registry::Bytes &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const uint8_t b : bytes) {
        out += ' ';
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

registry::Bytes strToBin(const std::string &hex)
{
    const std::string digits = withoutSpaces(hex);
    registry::Bytes bytes;
    bytes.reserve((digits.size() + 1) / 2);
    for (size_t i = 0; i < digits.size(); i += 2) {
        const int hi = hexValue(digits[i]);
        const int lo = i + 1 < digits.size() ? hexValue(digits[i + 1]) : 0;
        if (hi < 0 || lo < 0)
            return {};
        bytes.push_back(i + 1 < digits.size() ? uint8_t(hi * 16 + lo) : uint8_t(hi));
    }
    return bytes;
}

bool isBinValid(const std::string &text)
{
    const std::string digits = withoutSpaces(text);
    if (digits.empty())
        return false;
    for (const char c : digits) {
        if (!isHexDigit(c))
            return false;
    }
    return true;
}

// ---- keys ----

bool createKey(const std::string &keyPath)
{
    std::string sub;
    const registry::HKEY root = parseKeyPath(keyPath, &sub);
    registry::HKEY h = 0;
    if (!root || registry::createKeyA(root, sub, registry::DefaultAccess, &h) != registry::Success)
        return false;
    registry::closeKeyA(h);
    return true;
}

bool killKey(const std::string &keyPath)
{
    if (!keyExists(keyPath))
        return false;
    std::string sub;
    const registry::HKEY root = parseKeyPath(keyPath, &sub);
    return registry::deleteKeyA(root, sub) == registry::Success;
}

bool keyExists(const std::string &keyPath) { return bool(Key(keyPath, registry::KeyAllAccess)); }

bool haveSubkey(const std::string &keyPath)
{
    const Key key(keyPath, registry::DefaultAccess);
    std::string name;
    return key && registry::enumKeyA(key.h, 0, &name) == registry::Success;
}

int32_t enumKeys(const std::string &keyPath, std::vector<std::string> *names)
{
    names->clear();
    const Key key(keyPath, registry::DefaultAccess);
    if (!key)
        return -1;
    std::string name;
    bool replaced = false;
    for (uint32_t i = 0; registry::enumKeyA(key.h, i, &name, &replaced) == registry::Success; ++i) {
        if (!replaced)
            names->push_back(name);
    }
    return int32_t(names->size());
}

// ---- values ----

bool writeString(const std::string &keyPath, const std::string &name, const std::string &text, bool createMissing)
{
    const std::string stored = name == "@" ? std::string() : name;
    if (nameTooLong(stored) || text.size() + 1 > size_t(registry::MaxValueDataSize))
        return false;
    registry::Bytes data(text.begin(), text.end());
    data.push_back(0);
    return writeValue(keyPath, stored, registry::RegSz, data, createMissing);
}

bool writeDword(const std::string &keyPath, const std::string &name, uint32_t value, bool createMissing)
{
    return !nameTooLong(name) && writeValue(keyPath, name, registry::RegDword, dwordBytes(value), createMissing);
}

bool writeBinary(const std::string &keyPath, const std::string &name, const std::string &hex, bool createMissing)
{
    const std::string digits = withoutSpaces(hex);
    // Half a byte or a stray character would store something other than what was asked.
    if (!digits.empty() && (!isBinValid(digits) || digits.size() % 2 != 0))
        return false;
    const registry::Bytes bytes = strToBin(digits);
    if (nameTooLong(name) || bytes.size() > size_t(registry::MaxValueDataSize))
        return false;
    return writeValue(keyPath, name, registry::RegBinary, bytes, createMissing);
}

bool readString(const std::string &keyPath, const std::string &name, std::string *text)
{
    uint32_t type = 0;
    registry::Bytes data;
    // A DWORD or binary value is no text: its raw bytes would read as garbage.
    if (!query(keyPath, name, &type, &data) || (type != registry::RegSz && type != registry::RegExpandSz))
        return false;
    *text = trimBlanks(textOf(data));
    return true;
}

bool readDword(const std::string &keyPath, const std::string &name, uint32_t *value)
{
    uint32_t type = 0;
    registry::Bytes data;
    if (!query(keyPath, name, &type, &data) || type != registry::RegDword || data.size() != 4)
        return false;
    *value = dwordOf(data);
    return true;
}

bool readBinary(const std::string &keyPath, const std::string &name, std::string *hex)
{
    uint32_t type = 0;
    registry::Bytes data;
    if (!query(keyPath, name, &type, &data))
        return false;
    *hex = trimBlanks(binToStr(data));
    return true;
}

bool killValue(const std::string &keyPath, const std::string &name)
{
    const Key key(keyPath, registry::KeyWrite);
    if (!key)
        return false;
    const int32_t st = registry::deleteValueA(key.h, name);
    return st == registry::Success || st == registry::NotFound;
}

bool valueExists(const std::string &keyPath, const std::string &name)
{
    const Key key(keyPath, registry::KeyRead);
    return key && registry::queryValueA(key.h, name, nullptr, nullptr) == registry::Success;
}

int32_t enumValues(const std::string &keyPath, int32_t typeFilter, std::vector<Value> *values)
{
    values->clear();
    const Key key(keyPath, registry::DefaultAccess);
    if (!key)
        return -1;
    std::string name;
    uint32_t type = 0;
    registry::Bytes data;
    bool replaced = false;
    for (uint32_t i = 0; registry::enumValueA(key.h, i, &name, &type, &data, &replaced) == registry::Success; ++i) {
        if (replaced || (typeFilter != -1 && uint32_t(typeFilter) != type))
            continue;
        Value v;
        v.name = trimBlanks(name);
        v.type = type;
        if (type == registry::RegBinary)
            v.text = trimBlanks(binToStr(data));
        else if (type == registry::RegDword)
            v.dword = data.size() == 4 ? dwordOf(data) : 0;
        else if (type == registry::RegSz)
            v.text = trimBlanks(textOf(data));
        values->push_back(std::move(v));
    }
    return int32_t(values->size());
}

// ---- REGEDIT4 export ----

bool exportText(const std::string &keyPath, bool includeSubkeys, std::string *out, std::string *reason,
                const Progress &progress)
{
    out->assign("REGEDIT4\r\n\r\n");
    if (reason)
        reason->clear();
    if (!exportKey(keyPath, includeSubkeys, out, reason, progress)) {
        out->clear();
        return false;
    }
    return true;
}

} // namespace regedit4

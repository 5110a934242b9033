#include "platform/regedit4.h"

#include <cctype>
#include <cstdio>

#ifdef _WIN32
// From kernel32, declared here: <windows.h> would turn the root names below into macros.
extern "C" __declspec(dllimport) int __stdcall IsDBCSLeadByte(unsigned char testChar);
#endif

namespace regedit4 {

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

std::string trimBlanks(const std::string &s)
{
    size_t from = 0, to = s.size();
    while (from < to && s[from] == ' ')
        ++from;
    while (to > from && s[to - 1] == ' ')
        --to;
    return s.substr(from, to - from);
}

std::string textOf(const registry::Bytes &data)
{
    size_t n = 0;
    while (n < data.size() && data[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char *>(data.data()), n);
}

// Whether a byte starts a double-byte character of the ANSI code page (GBK:
// 0x81 to 0xFE). Its second byte may be 0x5C, the backslash.
bool isLeadByte(unsigned char c)
{
#ifdef _WIN32
    return IsDBCSLeadByte(c) != 0;
#else
    return c >= 0x81 && c <= 0xFE;
#endif
}

// The length of s without the backslashes that end it; a backslash that is
// the second byte of a double-byte character is part of the name.
size_t withoutTrailingSeparators(const std::string &s)
{
    size_t end = 0; // just after the last byte that is not a separator
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = isLeadByte(c) && i + 1 < s.size() ? 2 : 1;
        if (n == 2 || c != '\\')
            end = i + n;
        i += n;
    }
    return end;
}

uint32_t dwordOf(const registry::Bytes &d)
{
    return uint32_t(d[0]) | uint32_t(d[1]) << 8 | uint32_t(d[2]) << 16 | uint32_t(d[3]) << 24;
}

// The key of a path, opened; 0 when the root is unknown or the key cannot be opened.
registry::HKEY open(const std::string &keyPath, uint32_t access)
{
    std::string sub;
    const registry::HKEY root = parseKeyPath(keyPath, &sub);
    registry::HKEY h = 0;
    if (!root || registry::openKeyA(root, sub, access, &h) != registry::Success)
        return 0;
    return h;
}

bool query(const std::string &keyPath, const std::string &name, uint32_t *type, registry::Bytes *data)
{
    const registry::HKEY h = open(keyPath, registry::KeyRead);
    if (!h)
        return false;
    const int32_t st = registry::queryValueA(h, name, type, data);
    registry::closeKeyA(h);
    return st == registry::Success;
}

bool fail(std::string *reason, const std::string &text)
{
    if (reason)
        *reason = text;
    return false;
}

std::string quoted(const std::string &s) { return '"' + s + '"'; }

bool exportKey(const std::string &keyPath, bool includeSubkeys, std::string *out, std::string *reason)
{
    std::string sub;
    if (!parseKeyPath(keyPath, &sub))
        return fail(reason, keyPath + ": unknown root key");
    const std::string path = fullKeyPath(keyPath);

    std::vector<std::string> lines;
    lines.push_back('[' + path + ']');
    std::string text;
    if (readString(path, std::string(), &text))
        lines.push_back("@=" + quoted(text));

    std::vector<Value> values;
    if (enumValues(path, registry::RegSz, &values) < 0)
        return fail(reason, path + ": the key cannot be opened");
    for (const Value &v : values) {
        if (!v.name.empty())
            lines.push_back(quoted(v.name) + '=' + quoted(v.text));
    }
    enumValues(path, registry::RegBinary, &values);
    for (const Value &v : values) {
        std::string hex = v.text;
        for (char &c : hex) {
            if (c == ' ')
                c = ',';
        }
        lines.push_back(quoted(v.name) + "=hex:" + hex);
    }
    enumValues(path, registry::RegDword, &values);
    for (const Value &v : values) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08X", unsigned(v.dword));
        lines.push_back(quoted(v.name) + "=dword:" + digits);
    }

    for (const std::string &line : lines) {
        // A line break inside a name or text would end the line early and turn
        // the rest into lines of their own (even key lines) when imported.
        if (line.find_first_of("\r\n") != std::string::npos)
            return fail(reason, path + ": a name or text holds a line break, which a REGEDIT4 file cannot carry");
        *out += line;
        *out += "\r\n";
    }
    *out += "\r\n";

    if (includeSubkeys) {
        std::vector<std::string> keys;
        enumKeys(path, &keys);
        for (const std::string &k : keys) {
            if (!exportKey(path + '\\' + k, true, out, reason))
                return false;
        }
    }
    return true;
}

} // namespace

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
    const size_t slash = path.find('\\');
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

int32_t enumKeys(const std::string &keyPath, std::vector<std::string> *names)
{
    names->clear();
    const registry::HKEY h = open(keyPath, registry::DefaultAccess);
    if (!h)
        return -1;
    std::string name;
    for (uint32_t i = 0; registry::enumKeyA(h, i, &name) == registry::Success; ++i)
        names->push_back(name);
    registry::closeKeyA(h);
    return int32_t(names->size());
}

int32_t enumValues(const std::string &keyPath, int32_t typeFilter, std::vector<Value> *values)
{
    values->clear();
    const registry::HKEY h = open(keyPath, registry::DefaultAccess);
    if (!h)
        return -1;
    std::string name;
    uint32_t type = 0;
    registry::Bytes data;
    for (uint32_t i = 0; registry::enumValueA(h, i, &name, &type, &data) == registry::Success; ++i) {
        if (typeFilter != -1 && uint32_t(typeFilter) != type)
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
    registry::closeKeyA(h);
    return int32_t(values->size());
}

bool exportText(const std::string &keyPath, bool includeSubkeys, std::string *out, std::string *reason)
{
    out->assign("REGEDIT4\r\n\r\n");
    if (reason)
        reason->clear();
    if (!exportKey(keyPath, includeSubkeys, out, reason)) {
        out->clear();
        return false;
    }
    return true;
}

} // namespace regedit4

#include "registryrules.h"

#include "platform/regedit4.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace registryrules {
namespace {

using namespace registry;

// GBK bytes: 中文 D6D0 CEC4, 键 BCFC, 值 D6B5, 测试 B2E2 CAD4.
const std::string kChineseKey = "\xD6\xD0\xCE\xC4\xBC\xFC";
const std::string kChineseValue = "\xD6\xB5";
const std::string kChineseText = "\xB2\xE2\xCA\xD4 \xD6\xD0\xCE\xC4";

struct Check {
    const char *name;
    std::function<bool(HKEY scratch, std::string *why)> run;
};

std::string status(int32_t st) { return "status " + std::to_string(st); }

bool expect(int32_t got, int32_t want, const std::string &what, std::string *why)
{
    if (got == want)
        return true;
    *why = what + ": " + status(got) + ", expected " + status(want);
    return false;
}

Bytes text(const std::string &s)
{
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
}

Bytes dword(uint32_t v) { return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// A fresh subkey of the scratch key, closed again by the caller.
HKEY make(HKEY parent, const std::string &name)
{
    HKEY h = 0;
    return createKeyA(parent, name, KeyAllAccess, &h) == Success ? h : 0;
}

std::vector<std::string> keyNames(HKEY h)
{
    std::vector<std::string> out;
    std::string name;
    for (uint32_t i = 0; enumKeyA(h, i, &name) == Success; ++i)
        out.push_back(name);
    return out;
}

std::vector<std::string> valueNames(HKEY h)
{
    std::vector<std::string> out;
    std::string name;
    for (uint32_t i = 0; enumValueA(h, i, &name) == Success; ++i)
        out.push_back(name);
    return out;
}

std::string join(const std::vector<std::string> &v)
{
    std::string out;
    for (const std::string &s : v)
        out += (out.empty() ? "" : ",") + s;
    return "[" + out + "]";
}

bool sameList(const std::vector<std::string> &got, const std::vector<std::string> &want, const std::string &what,
              std::string *why)
{
    if (got == want)
        return true;
    *why = what + ": " + join(got) + ", expected " + join(want);
    return false;
}

// Value types: what is set is what is read back, type and bytes.
struct TypeCase {
    const char *name;
    uint32_t type;
    Bytes data;
};

const std::vector<TypeCase> &typeCases()
{
    static const std::vector<TypeCase> cases = {
        {"sz", RegSz, text("plain text")},
        {"sz-empty", RegSz, text("")},
        {"sz-gbk", RegSz, text(kChineseText)},
        {"dword", RegDword, dword(0x12345678)},
        {"dword-max", RegDword, dword(0xFFFFFFFF)},
        {"binary", RegBinary, Bytes{0x01, 0x00, 0xFF, 0x0A}},
        {"binary-empty", RegBinary, Bytes{}},
        {"binary-long", RegBinary, Bytes(300, 0x5A)},
    };
    return cases;
}

const std::vector<Check> &checks()
{
    static const std::vector<Check> table = {
        {"key names compare case-insensitively and keep their case",
         [](HKEY s, std::string *why) {
             HKEY a = make(s, "MixedCase");
             if (!a)
                 return expect(-1, Success, "create MixedCase", why);
             closeKeyA(a);
             HKEY b = 0;
             if (!expect(openKeyA(s, "MIXEDCASE", KeyRead, &b), Success, "open MIXEDCASE", why))
                 return false;
             closeKeyA(b);
             bool created = true;
             if (!expect(createKeyA(s, "mixedcase", KeyAllAccess, &b, &created), Success, "create mixedcase", why))
                 return false;
             closeKeyA(b);
             if (created) {
                 *why = "create mixedcase made a second key";
                 return false;
             }
             return sameList(keyNames(s), {"MixedCase"}, "subkeys", why);
         }},
        {"value names compare case-insensitively and keep their case",
         [](HKEY s, std::string *why) {
             if (!expect(setValueA(s, "Colour", RegSz, text("red")), Success, "set Colour", why)
                 || !expect(setValueA(s, "COLOUR", RegSz, text("blue")), Success, "set COLOUR", why))
                 return false;
             uint32_t type = 0;
             Bytes data;
             if (!expect(queryValueA(s, "colour", &type, &data), Success, "query colour", why))
                 return false;
             if (data != text("blue")) {
                 *why = "colour does not hold the last text written";
                 return false;
             }
             return sameList(valueNames(s), {"Colour"}, "values", why);
         }},
        {"a key with subkeys is not deleted; a leaf is",
         [](HKEY s, std::string *why) {
             HKEY p = make(s, "parent");
             HKEY c = p ? make(p, "child") : 0;
             if (!c)
                 return expect(-1, Success, "create parent\\child", why);
             closeKeyA(c);
             closeKeyA(p);
             if (!expect(deleteKeyA(s, "parent"), AccessDenied, "delete parent", why))
                 return false;
             HKEY h = 0;
             if (!expect(openKeyA(s, "parent\\child", KeyRead, &h), Success, "open child after refusal", why))
                 return false;
             closeKeyA(h);
             return expect(deleteKeyA(s, "parent\\child"), Success, "delete child", why)
                    && expect(deleteKeyA(s, "parent"), Success, "delete parent", why)
                    && expect(openKeyA(s, "parent", KeyRead, &h), NotFound, "open parent", why);
         }},
        {"values of each type read back as written",
         [](HKEY s, std::string *why) {
             for (const TypeCase &c : typeCases()) {
                 if (!expect(setValueA(s, c.name, c.type, c.data), Success, std::string("set ") + c.name, why))
                     return false;
             }
             for (const TypeCase &c : typeCases()) {
                 uint32_t type = 0;
                 Bytes data;
                 if (!expect(queryValueA(s, c.name, &type, &data), Success, std::string("query ") + c.name, why))
                     return false;
                 if (type != c.type || data != c.data) {
                     *why = std::string(c.name) + ": type " + std::to_string(type) + ", " + std::to_string(data.size())
                            + " bytes, expected type " + std::to_string(c.type) + ", " + std::to_string(c.data.size())
                            + " bytes";
                     return false;
                 }
             }
             return true;
         }},
        {"the default value is the empty name",
         [](HKEY s, std::string *why) {
             uint32_t type = 0;
             Bytes data;
             if (!expect(queryValueA(s, "", &type, &data), NotFound, "query missing default", why)
                 || !expect(setValueA(s, "", RegSz, text("dflt")), Success, "set default", why)
                 || !expect(queryValueA(s, "", &type, &data), Success, "query default", why))
                 return false;
             std::string name = "x";
             if (!expect(enumValueA(s, 0, &name), Success, "enumerate", why))
                 return false;
             if (!name.empty()) {
                 *why = "the default value enumerates as \"" + name + "\"";
                 return false;
             }
             return expect(deleteValueA(s, ""), Success, "delete default", why)
                    && expect(queryValueA(s, "", &type, &data), NotFound, "query deleted default", why);
         }},
        {"subkeys enumerate in name order, ignoring case",
         [](HKEY s, std::string *why) {
             for (const char *n : {"delta", "Bravo", "alpha", "Charlie"}) {
                 HKEY h = make(s, n);
                 if (!h)
                     return expect(-1, Success, std::string("create ") + n, why);
                 closeKeyA(h);
             }
             std::string name;
             return sameList(keyNames(s), {"alpha", "Bravo", "Charlie", "delta"}, "subkeys", why)
                    && expect(enumKeyA(s, 4, &name), NoMoreItems, "index past the end", why);
         }},
        {"values enumerate each once, under the name first written",
         [](HKEY s, std::string *why) {
             // The order is the registry's own: Windows keeps the order written,
             // Wine sorts by name; the hives keep the written order, which
             // tst_registrystore checks.
             for (const char *n : {"one", "two", "three", "TWO"}) {
                 if (!expect(setValueA(s, n, RegDword, dword(1)), Success, std::string("set ") + n, why))
                     return false;
             }
             std::vector<std::string> got = valueNames(s);
             std::sort(got.begin(), got.end());
             std::string name;
             return sameList(got, {"one", "three", "two"}, "values", why)
                    && expect(enumValueA(s, 3, &name), NoMoreItems, "index past the end", why);
         }},
        {"names and texts in the ANSI code page (GBK)",
         [](HKEY s, std::string *why) {
             HKEY h = make(s, kChineseKey);
             if (!h)
                 return expect(-1, Success, "create GBK key", why);
             const int32_t st = setValueA(h, kChineseValue, RegSz, text(kChineseText));
             closeKeyA(h);
             if (!expect(st, Success, "set GBK value", why) || !sameList(keyNames(s), {kChineseKey}, "subkeys", why))
                 return false;
             if (!expect(openKeyA(s, kChineseKey, KeyRead, &h), Success, "open GBK key", why))
                 return false;
             std::string name;
             uint32_t type = 0;
             Bytes data;
             const int32_t e = enumValueA(h, 0, &name, &type, &data);
             closeKeyA(h);
             if (!expect(e, Success, "enumerate GBK value", why))
                 return false;
             if (name != kChineseValue || data != text(kChineseText)) {
                 *why = "the GBK name or text came back changed";
                 return false;
             }
             return true;
         }},
        {"a handle that is no root and was never opened is refused",
         [](HKEY, std::string *why) {
             HKEY h = 0;
             for (const HKEY bad : {HKEY(0), HKEY(0x80000007u), HKEY(0x7FFFFFF0u)}) {
                 if (!expect(openKeyA(bad, "Software", KeyRead, &h), InvalidHandle, "open on a bad handle", why)
                     || !expect(setValueA(bad, "x", RegSz, text("x")), InvalidHandle, "set on a bad handle", why))
                     return false;
             }
             return true;
         }},
        {"a path names its root in full or abbreviated, in any case; another root reaches nothing",
         [](HKEY s, std::string *why) {
             if (!expect(setValueA(s, "p", RegSz, text("found")), Success, "set", why))
                 return false;
             const std::string tail = std::string("\\") + kScratch + "\\work";
             for (const std::string root : {"HKCU", "hkcu", "HKEY_CURRENT_USER", "hkey_current_user"}) {
                 std::string t;
                 if (!regedit4::readString(root + tail, "p", &t) || t != "found") {
                     *why = root + tail + " does not reach the key";
                     return false;
                 }
             }
             std::string sub, t, out;
             for (const std::string root : {"HKXX", "HKEY_CURRENT", "HKEY_CURRENT_USERS", ""}) {
                 if (regedit4::parseKeyPath(root + tail, &sub) != 0 || regedit4::readString(root + tail, "p", &t)
                     || regedit4::exportText(root + tail, false, &out)) {
                     *why = "the root of \"" + root + tail + "\" was taken";
                     return false;
                 }
             }
             return true;
         }},
        {"a name whose double-byte character ends in the backslash byte keeps it (U+4E57 is 81 5C)",
         [](HKEY s, std::string *why) {
             const std::string name = "\xD6\xD0\x81\x5C"; // 中乗
             HKEY h = make(s, name);
             if (!h)
                 return expect(-1, Success, "create", why);
             const int32_t st = setValueA(h, "p", RegSz, text("found"));
             closeKeyA(h);
             if (!expect(st, Success, "set", why))
                 return false;
             // A key below it: the byte is no separator on the way down either.
             if (!expect(createKeyA(s, name + "\\" + name, KeyAllAccess, &h), Success, "create below", why))
                 return false;
             closeKeyA(h);
             if (!sameList(keyNames(s), {name}, "subkeys", why))
                 return false;
             const std::string path = std::string("HKCU\\") + kScratch + "\\work\\" + name;
             const std::string full = std::string("HKEY_CURRENT_USER\\") + kScratch + "\\work\\" + name;
             std::string t, out;
             if (regedit4::fullKeyPath(path) != full || regedit4::fullKeyPath(path + "\\") != full) {
                 *why = "the full path lost the character's second byte";
                 return false;
             }
             if (!regedit4::readString(path, "p", &t) || t != "found") {
                 *why = "the key is not reached by its path";
                 return false;
             }
             if (!regedit4::exportText(path, false, &out) || out.find("[" + full + "]\r\n\"p\"=\"found\"") == std::string::npos) {
                 *why = "the export does not name the key as it is: " + out;
                 return false;
             }
             return true;
         }},
        {"a key name longer than 255 characters is refused; 255 are taken",
         [](HKEY s, std::string *why) {
             HKEY h = 0;
             if (!expect(createKeyA(s, std::string(256, 'k'), KeyAllAccess, &h), InvalidParameter, "create 256", why))
                 return false;
             if (!expect(createKeyA(s, std::string(255, 'k'), KeyAllAccess, &h), Success, "create 255", why))
                 return false;
             closeKeyA(h);
             return expect(openKeyA(s, std::string(256, 'k'), KeyRead, &h), InvalidParameter, "open 256", why);
         }},
        {"missing keys and values are reported missing",
         [](HKEY s, std::string *why) {
             HKEY h = 0;
             uint32_t type = 0;
             Bytes data;
             return expect(openKeyA(s, "no such key", KeyRead, &h), NotFound, "open", why)
                    && expect(queryValueA(s, "no such value", &type, &data), NotFound, "query", why)
                    && expect(deleteValueA(s, "no such value"), NotFound, "delete value", why)
                    && expect(deleteKeyA(s, "no such key"), NotFound, "delete key", why);
         }},
        {"a value written as another type takes the new type; readers refuse the wrong one",
         [](HKEY s, std::string *why) {
             if (!expect(setValueA(s, "v", RegSz, text("12")), Success, "set text", why))
                 return false;
             const std::string path = std::string("HKCU\\") + kScratch + "\\work";
             uint32_t d = 7;
             if (regedit4::readDword(path, "v", &d)) {
                 *why = "a text value read as a DWORD";
                 return false;
             }
             if (!expect(setValueA(s, "v", RegDword, dword(12)), Success, "set DWORD", why))
                 return false;
             uint32_t type = 0;
             Bytes data;
             queryValueA(s, "v", &type, &data);
             std::string t;
             if (type != RegDword || !regedit4::readDword(path, "v", &d) || d != 12 || regedit4::readString(path, "v", &t)) {
                 *why = "the DWORD value was not read as one, or read as text";
                 return false;
             }
             return true;
         }},
        {"a path's first separator is never the second byte of a double-byte character",
         [](HKEY, std::string *why) {
             // "HKCU乗\..." : the root is its first four characters; 乗 (81 5C) belongs to it.
             std::string sub;
             const HKEY root = regedit4::parseKeyPath("HKCU\x81\x5C\\Software\\x", &sub);
             if (root != HKEY_CURRENT_USER || sub != "Software\\x") {
                 *why = "the path split into root " + std::to_string(root) + " and \"" + sub + "\"";
                 return false;
             }
             return true;
         }},
        {"an exported tree imports back the same, an empty default value dropped",
         [](HKEY, std::string *why) {
             std::string first, second, reason;
             if (!buildExportTree() || !regedit4::exportText(kExportKey, true, &first, &reason)) {
                 *why = "the tree cannot be built or exported: " + reason;
                 return false;
             }
             deleteTree(HKEY_CURRENT_USER, std::string(kScratch) + "\\export");
             if (!regedit4::importText(first, &reason)) {
                 *why = "the import was refused: " + reason;
                 return false;
             }
             if (!regedit4::exportText(kExportKey, true, &second, &reason)) {
                 *why = "the imported tree cannot be exported: " + reason;
                 return false;
             }
             // @="" deletes a key's default value: Beta's empty default does not come back.
             std::string expected = first;
             const size_t at = expected.find("\\Beta]\r\n@=\"\"\r\n");
             if (at == std::string::npos) {
                 *why = "the export lacks Beta's empty default";
                 return false;
             }
             expected.erase(at + 8, 6);
             if (second != expected) {
                 *why = "the imported tree exports as\n" + second;
                 return false;
             }
             return true;
         }},
        {"a file with a fault is refused with its line and changes nothing",
         [](HKEY s, std::string *why) {
             struct Bad {
                 const char *line;
                 const char *reason;
             };
             // The fault is on line 5, after a value line that would change "keep".
             static const Bad bads[] = {
                 {"[HKEY_CURRENT_USER\\Software\\x\x81]", "line 5: a key line must end with \"]\""}, // 81 5D is one character
                 {"[HKEY_CURRENT_USER\\Software\\x", "line 5: a key line must end with \"]\""},
                 {"[HKEY_NOWHERE\\x]", "line 5: unknown root key"},
                 {"[HKEY_CURRENT_USER\\Software\\\\x]", "line 5: a key name in"},
                 {"\"b\"=hex:01,0", "line 5: hex data with an odd number of digits"},
                 {"\"b\"=hex:0g", "line 5: \"0g\" is not hex data"},
                 {"\"d\"=dword:123456789", "line 5: a dword needs 1 to 8 hex digits"},
                 {"\"s\"=\"\x81 \"", "line 5: the line is not valid text in code page"},
             };
             if (!expect(setValueA(s, "keep", RegSz, text("old")), Success, "set keep", why))
                 return false;
             const std::string head = std::string("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\") + kScratch
                                      + "\\work]\r\n\"keep\"=\"changed\"\r\n";
             for (const Bad &b : bads) {
                 std::string reason;
                 if (regedit4::importText(head + b.line + "\r\n", &reason) || reason.find(b.reason) != 0) {
                     *why = std::string(b.line) + ": \"" + reason + "\", expected \"" + b.reason + "...\"";
                     return false;
                 }
                 uint32_t type = 0;
                 Bytes data;
                 if (queryValueA(s, "keep", &type, &data) != Success || data != text("old")) {
                     *why = std::string(b.line) + ": a refused file changed a value";
                     return false;
                 }
             }
             std::string reason;
             if (regedit4::importText("REGEDIT5\r\n", &reason) || reason.find("line 1 is not") != 0
                 || regedit4::importText("\xEF\xBB\xBFREGEDIT4\r\n", &reason) || reason.find("the file begins") != 0) {
                 *why = "a file with another first line was taken: " + reason;
                 return false;
             }
             return true;
         }},
        {"texts are taken as written: quotes dropped, backslashes kept, escapes reported by line",
         [](HKEY s, std::string *why) {
             // 乗 is 81 5C: its second byte before a quote is no escape.
             const std::string file = std::string("REGEDIT4\r\n[HKCU\\") + kScratch
                                      + "\\work]\r\n\"a\"=\"\x81\x5C\"\r\n\"b\"=\"x\\\"y\"\r\n\"c\"=\"C:\\\\dir\"\r\n"
                                        "\"d\"=\"C:\\dir\"\r\n";
             std::string reason;
             std::vector<int> escaped;
             if (!regedit4::importText(file, &reason, &escaped)) {
                 *why = "refused: " + reason;
                 return false;
             }
             if (escaped != std::vector<int>{4, 5}) {
                 std::string lines;
                 for (int n : escaped)
                     lines += ' ' + std::to_string(n);
                 *why = "escapes reported on lines" + lines + ", expected 4 5";
                 return false;
             }
             const std::pair<const char *, std::string> want[] = {
                 {"a", "\x81\x5C"}, {"b", "x\\y"}, {"c", "C:\\\\dir"}, {"d", "C:\\dir"}};
             for (const auto &[name, value] : want) {
                 uint32_t type = 0;
                 Bytes data;
                 if (queryValueA(s, name, &type, &data) != Success || data != text(value)) {
                     *why = std::string("value ") + name + " does not hold " + value;
                     return false;
                 }
             }
             return true;
         }},
        {"a key opened for reading takes no writes",
         [](HKEY, std::string *why) {
             HKEY h = 0;
             if (!expect(openKeyA(HKEY_CURRENT_USER, std::string(kScratch) + "\\readonly", KeyRead, &h), Success,
                         "open for reading", why))
                 return false;
             const int32_t st = setValueA(h, "x", RegSz, text("x"));
             closeKeyA(h);
             return expect(st, AccessDenied, "set through a read handle", why);
         }},
    };
    return table;
}

} // namespace

int32_t deleteTree(HKEY root, const std::string &subKey)
{
    HKEY h = 0;
    int32_t st = openKeyA(root, subKey, KeyAllAccess, &h);
    if (st != Success)
        return st;
    for (const std::string &k : keyNames(h))
        deleteTree(h, k);
    closeKeyA(h);
    return deleteKeyA(root, subKey);
}

bool buildExportTree()
{
    const std::string base = std::string(kScratch) + "\\export";
    deleteTree(HKEY_CURRENT_USER, base);
    HKEY top = make(HKEY_CURRENT_USER, base);
    // Each key's values of one type are written in name order, so a registry
    // that enumerates them sorted (Wine) gives the same file as one that keeps
    // the written order.
    if (!top)
        return false;
    bool ok = setValueA(top, "", RegSz, text("  default text  ")) == Success
              && setValueA(top, "Name", RegSz, text("zenlo")) == Success
              && setValueA(top, kChineseValue, RegSz, text(kChineseText)) == Success
              && setValueA(top, "Blob", RegBinary, Bytes{0x01, 0x0A, 0xFF, 0x00}) == Success
              && setValueA(top, "Empty", RegBinary, Bytes{}) == Success
              && setValueA(top, "Count", RegDword, dword(0xCAFE)) == Success
              && setValueA(top, "Minus", RegDword, dword(0xFFFFFFFF)) == Success;
    HKEY a = make(top, "Beta");
    HKEY b = make(top, "alpha");
    HKEY c = b ? make(b, kChineseKey) : 0;
    ok = ok && a && b && c && setValueA(a, "", RegSz, text("")) == Success
         && setValueA(b, "Flag", RegDword, dword(1)) == Success && setValueA(c, "Path", RegSz, text("C:\\zenlo\\bin")) == Success;
    for (HKEY h : {a, b, c, top}) {
        if (h)
            closeKeyA(h);
    }
    return ok;
}

int checkExport(const std::string &goldenPath, std::ostream &log, bool write)
{
    std::string text, reason;
    if (!buildExportTree() || !regedit4::exportText(kExportKey, true, &text, &reason)) {
        log << "FAIL  REGEDIT4 export of the golden tree: " << (reason.empty() ? "the tree cannot be built" : reason)
            << "\n";
        deleteTree(HKEY_CURRENT_USER, kScratch);
        return 1;
    }
    deleteTree(HKEY_CURRENT_USER, kScratch);
    if (write) {
        std::ofstream(goldenPath, std::ios::binary) << text;
        log << "wrote " << goldenPath << "\n";
        return 0;
    }
    std::ifstream in(goldenPath, std::ios::binary);
    const std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && golden.empty()) {
        log << "FAIL  REGEDIT4 export: cannot read " << goldenPath << "\n";
        return 1;
    }
    if (golden != text) {
        size_t at = 0;
        while (at < golden.size() && at < text.size() && golden[at] == text[at])
            ++at;
        log << "FAIL  REGEDIT4 export differs from " << goldenPath << " at byte " << at << "\n";
        std::ofstream(goldenPath + ".actual", std::ios::binary) << text;
        return 1;
    }
    log << "PASS  REGEDIT4 export equals " << goldenPath << " byte for byte\n";
    return 0;
}

int runAll(std::ostream &log)
{
    int failed = 0;
    for (const Check &c : checks()) {
        deleteTree(HKEY_CURRENT_USER, kScratch);
        HKEY scratch = 0;
        std::string why;
        bool ok = false;
        if (createKeyA(HKEY_CURRENT_USER, std::string(kScratch) + "\\work", KeyAllAccess, &scratch) != Success) {
            why = "the scratch key cannot be created";
        } else {
            HKEY ro = 0;
            if (createKeyA(HKEY_CURRENT_USER, std::string(kScratch) + "\\readonly", KeyAllAccess, &ro) == Success)
                closeKeyA(ro);
            ok = c.run(scratch, &why);
            closeKeyA(scratch);
        }
        log << (ok ? "PASS  " : "FAIL  ") << c.name << (ok ? "" : ": " + why) << "\n";
        if (!ok)
            ++failed;
    }
    deleteTree(HKEY_CURRENT_USER, kScratch);
    log << (failed ? "FAILED " : "PASSED ") << checks().size() - size_t(failed) << "/" << checks().size()
        << " registry rules\n";
    return failed;
}

} // namespace registryrules

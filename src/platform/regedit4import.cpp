// The REGEDIT4 import: the whole file is checked first, then applied as one
// batch of writes.
#include "platform/regedit4.h"

#include "platform/regedit4_p.h"

#include <cstdlib>

namespace regedit4 {

using namespace detail;

namespace {

struct Step {
    enum Kind { CreateKey, DeleteKey, String, Binary, Dword, DeleteValue };
    Kind kind = CreateKey;
    int line = 0;
    std::string path;
    std::string name;
    std::string text; // String: the text; Binary: the hex digits
    uint32_t dword = 0;
    bool deleteDefault = false;
};

std::vector<std::string> splitLines(const std::string &file)
{
    std::vector<std::string> lines;
    for (size_t from = 0;;) {
        const size_t at = file.find("\r\n", from);
        if (at == std::string::npos) {
            lines.push_back(file.substr(from));
            return lines;
        }
        lines.push_back(file.substr(from, at - from));
        from = at + 2;
    }
}

std::string withoutQuotes(const std::string &s)
{
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        if (c != '"')
            out += c;
    }
    return out;
}

bool startsWithNoCase(const std::string &s, const char *prefix)
{
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= s.size())
            return false;
        char c = s[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// Whether the last character is ']' on its own, not the second byte of a double-byte one.
bool endsWithBracket(const std::string &s)
{
    size_t last = 0;
    for (size_t i = 0; i < s.size(); i += charLength(s, i))
        last = i;
    return !s.empty() && last == s.size() - 1 && s[last] == ']';
}

// A backslash followed by a double quote or a second backslash: what regedit
// reads as an escape and this system does not.
bool holdsEscape(const std::string &line)
{
    for (size_t i = 0; i < line.size(); i += charLength(line, i)) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
            return true;
    }
    return false;
}

bool present(const std::string &path)
{
    std::string sub;
    const registry::HKEY root = parseKeyPath(path, &sub);
    registry::HKEY h = 0;
    if (!root || registry::openKeyA(root, sub, registry::KeyRead, &h) != registry::Success)
        return false;
    registry::closeKeyA(h);
    return true;
}

class Import
{
public:
    Import(std::string *reason) : m_reason(reason) {}

    bool check(const std::string &file, std::vector<int> *escaped);
    bool apply();

private:
    bool fail(const std::string &why)
    {
        if (m_reason)
            *m_reason = why;
        return false;
    }
    bool bad(int line, const std::string &why) { return fail("line " + std::to_string(line) + ": " + why); }
    bool checkPath(const std::string &path, std::string *why);
    bool valueLine(int lineNo, const std::string &t, const std::string &keyPath);

    std::string *m_reason;
    std::vector<Step> m_steps;
};

bool Import::checkPath(const std::string &path, std::string *why)
{
    std::string sub;
    if (!parseKeyPath(path, &sub)) {
        *why = "unknown root key in [" + path + "]";
        return false;
    }
    if (!registry::isValidSubKeyPathA(sub)) {
        *why = "a key name in [" + path + "] is empty or longer than " + std::to_string(registry::MaxKeyNameLength)
               + " characters";
        return false;
    }
    return true;
}

std::string notText() { return "the line is not valid text in code page " + std::to_string(registry::ansiCodePageA()); }

bool Import::valueLine(int lineNo, const std::string &t, const std::string &keyPath)
{
    if (registry::textLengthA(t) < 0)
        return bad(lineNo, notText());
    // Only the text between the first and a second "=" counts.
    const size_t eq = t.find('=');
    const size_t end = t.find('=', eq + 1);
    Step step;
    step.line = lineNo;
    step.path = keyPath;
    step.name = t.substr(0, eq);
    const std::string value = t.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
    size_t dataSize = 0;
    if (trimBlanks(value) == "-") {
        step.kind = Step::DeleteValue;
    } else if (startsWithNoCase(value, "hex:")) {
        step.kind = Step::Binary;
        step.text = value.substr(4);
        std::string digits;
        for (char &c : step.text) {
            if (c == ',')
                c = ' ';
            if (c != ' ')
                digits += c;
        }
        if (!digits.empty() && !isBinValid(digits))
            return bad(lineNo, '"' + value.substr(4) + "\" is not hex data");
        if (digits.size() % 2 != 0)
            return bad(lineNo, "hex data with an odd number of digits");
        dataSize = digits.size() / 2;
    } else if (startsWithNoCase(value, "dword:")) {
        step.kind = Step::Dword;
        size_t n = 6;
        while (n < value.size() && isHexDigit(value[n]))
            ++n;
        const std::string digits = value.substr(6, n - 6);
        if (digits.empty() || digits.size() > 8)
            return bad(lineNo, "a dword needs 1 to 8 hex digits");
        step.dword = uint32_t(std::strtoul(digits.c_str(), nullptr, 16));
        dataSize = 4;
    } else {
        step.kind = Step::String;
        step.text = value;
        step.deleteDefault = step.name == "@" && value.empty();
        dataSize = value.size() + 1;
    }
    const bool isDefault = step.kind == Step::String && step.name == "@";
    if (!isDefault && nameTooLong(step.name))
        return bad(lineNo,
                   "a value name longer than " + std::to_string(registry::MaxValueNameLength) + " characters");
    if (dataSize > size_t(registry::MaxValueDataSize))
        return bad(lineNo, "a value larger than " + std::to_string(registry::MaxValueDataSize) + " bytes");
    m_steps.push_back(std::move(step));
    return true;
}

bool Import::check(const std::string &file, std::vector<int> *escaped)
{
    if (file.compare(0, 3, "\xEF\xBB\xBF") == 0 || file.compare(0, 2, "\xFF\xFE") == 0
        || file.compare(0, 2, "\xFE\xFF") == 0)
        return fail("the file begins with a byte-order mark; a REGEDIT4 file is text in the ANSI code page");
    const std::vector<std::string> lines = splitLines(file);
    if (!(lines.front().size() == 8 && startsWithNoCase(lines.front(), "regedit4")))
        return fail("line 1 is not \"REGEDIT4\" (lines must end with CR LF)");

    bool inKey = false;
    bool deletingKey = false;
    std::string keyPath;
    for (size_t i = 1; i < lines.size(); ++i) {
        const int lineNo = int(i + 1);
        const std::string t = withoutQuotes(trimBlanks(lines[i]));
        if (!t.empty() && t[0] == '[') {
            if (t.size() < 2 || !endsWithBracket(t))
                return bad(lineNo, "a key line must end with \"]\"");
            if (registry::textLengthA(t) < 0)
                return bad(lineNo, notText());
            std::string path = t.substr(1, t.size() - 2);
            Step step;
            step.line = lineNo;
            deletingKey = !path.empty() && path[0] == '-';
            if (deletingKey) {
                path.erase(0, 1);
                step.kind = Step::DeleteKey;
            }
            std::string why;
            if (!checkPath(path, &why))
                return bad(lineNo, why);
            step.path = path;
            keyPath = path;
            inKey = true;
            m_steps.push_back(std::move(step));
            continue;
        }
        if (!inKey || deletingKey)
            continue;
        if (t.empty() || t[0] == ';' || t.find('=') == std::string::npos)
            continue;
        if (!valueLine(lineNo, t, keyPath))
            return false;
        if (escaped && holdsEscape(lines[i]))
            escaped->push_back(lineNo);
    }
    return true;
}

bool Import::apply()
{
    // A hive that takes no writes (a file of another user's) is named before anything is written.
    for (const Step &s : m_steps) {
        const registry::HKEY root = parseKeyPath(s.path, nullptr);
        if (root && registry::isReadOnly(root))
            return fail("the registry file " + registry::hiveFilePathA(root) + " cannot be written; nothing was changed");
    }
    // One batch of writes: quick for large files, and another process sees the
    // import whole.
    registry::WriteBatch batch;
    for (const Step &s : m_steps) {
        const std::string key = '[' + s.path + ']';
        const std::string value = '"' + s.name + "\" of " + key;
        switch (s.kind) {
        case Step::CreateKey:
            // The key itself, so that a key without values survives a round trip.
            if (!createKey(s.path))
                return bad(s.line, "cannot create " + key);
            break;
        case Step::DeleteKey:
            if (!killKey(s.path) && present(s.path))
                return bad(s.line, "cannot delete " + key + " (a key with subkeys is never deleted)");
            break;
        case Step::String:
            if (!writeString(s.path, s.name, s.text))
                return bad(s.line, "cannot write value " + value);
            if (s.deleteDefault && !killValue(s.path, std::string()))
                return bad(s.line, "cannot delete the default value of " + key);
            break;
        case Step::Binary:
            if (!writeBinary(s.path, s.name, s.text))
                return bad(s.line, "cannot write value " + value);
            break;
        case Step::Dword:
            if (!writeDword(s.path, s.name, s.dword))
                return bad(s.line, "cannot write value " + value);
            break;
        case Step::DeleteValue:
            if (!killValue(s.path, s.name) && present(s.path))
                return bad(s.line, "cannot delete value " + value);
            break;
        }
    }
    if (batch.commit() != registry::Success)
        return fail("the registry could not save the changes");
    return true;
}

} // namespace

bool importText(const std::string &file, std::string *reason, std::vector<int> *escapedLines)
{
    if (reason)
        reason->clear();
    std::vector<int> escaped;
    Import import(reason);
    if (!import.check(file, &escaped) || !import.apply())
        return false;
    if (escapedLines)
        *escapedLines = escaped;
    return true;
}

} // namespace regedit4

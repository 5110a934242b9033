#include "util/clsregistryaccess.h"

#include "platform/ansi.h"
#include "platform/regedit4.h"
#include "platform/uiservice.h"
#include "platform/vbconv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <vector>

namespace {
using regedit4::Root;

// Whether the ANSI code page holds every character (the "...A" functions would
// otherwise pass '?').
bool isAnsi(const QString &s)
{
    for (const QChar c : s) {
        if (c.unicode() >= 0x80) {
            bool ok = false;
            ansi::fromUnicode(s, &ok);
            return ok;
        }
    }
    return true;
}

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

QString quoted(const QString &s) { return QLatin1Char('"') + s + QLatin1Char('"'); }

uint32_t dwordOf(const QByteArray &data)
{
    return uint32_t(uchar(data[0])) | uint32_t(uchar(data[1])) << 8 | uint32_t(uchar(data[2])) << 16
           | uint32_t(uchar(data[3])) << 24;
}

} // namespace

// ---- key paths ----

registry::HKEY clsRegistryAccess::ParseKeyPath(const QString &keyPath, QString *subKey)
{
    QString path = keyPath;
    // Only the root is rewritten: a subkey that happens to be called
    // "HKEY_USERS" (or contain it) keeps its name.
    for (const Root &r : regedit4::roots) {
        const QLatin1String full(r.full);
        if (path.startsWith(full, Qt::CaseInsensitive)
            && (path.size() == full.size() || path.at(full.size()) == QLatin1Char('\\'))) {
            path = QLatin1String(r.abbreviation) + path.mid(full.size());
            break;
        }
    }
    QString root;
    const qsizetype slash = path.indexOf(QLatin1Char('\\'));
    if (slash >= 0) {
        root = path.left(4).toUpper();
        if (subKey)
            *subKey = path.mid(slash + 1);
    } else {
        root = path.toUpper();
        if (subKey)
            subKey->clear();
    }
    for (const Root &r : regedit4::roots) {
        if (root == QLatin1String(r.abbreviation))
            return r.handle;
    }
    return 0;
}

QString clsRegistryAccess::fullKeyPath(const QString &keyPath)
{
    QString sub;
    const registry::HKEY root = ParseKeyPath(keyPath, &sub);
    if (!root)
        return keyPath;
    while (sub.endsWith(QLatin1Char('\\')))
        sub.chop(1);
    return sub.isEmpty() ? registry::rootName(root) : registry::rootName(root) + QLatin1Char('\\') + sub;
}

bool clsRegistryAccess::parse(const QString &keyPath)
{
    m_key = 0;
    m_root = ParseKeyPath(keyPath, &m_subKey);
    if (m_root && !isAnsi(m_subKey))
        m_root = 0;
    return m_root != 0;
}

bool clsRegistryAccess::openKey(const QString &keyPath, uint32_t access)
{
    if (!parse(keyPath))
        return false;
    registry::HKEY h = 0;
    if (registry::openKey(m_root, m_subKey, access, &h) != registry::Success)
        return false;
    m_key = h;
    return true;
}

void clsRegistryAccess::closeKey()
{
    if (m_key)
        registry::closeKey(m_key);
    m_key = 0;
}

// ---- keys ----

int32_t clsRegistryAccess::CreateKey(const QString &keyPath)
{
    if (!parse(keyPath))
        return 0;
    registry::HKEY h = 0;
    if (registry::createKey(m_root, m_subKey, registry::DefaultAccess, &h) != registry::Success)
        return 0;
    registry::closeKey(h);
    return 1;
}

int32_t clsRegistryAccess::KillKey(const QString &keyPath)
{
    if (!openKey(keyPath, registry::KeyAllAccess))
        return 0;
    closeKey();
    return registry::deleteKey(m_root, m_subKey) == registry::Success ? 1 : 0;
}

bool clsRegistryAccess::KeyExists(const QString &keyPath)
{
    if (!openKey(keyPath, registry::KeyAllAccess))
        return false;
    closeKey();
    return true;
}

int32_t clsRegistryAccess::EnumKeys(const QString &keyPath, QStringList &keys)
{
    keys.clear();
    if (!openKey(keyPath, registry::DefaultAccess))
        return -1;
    QString name;
    for (uint32_t i = 0; registry::enumKey(m_key, i, &name) == registry::Success; ++i)
        keys.append(name);
    closeKey();
    return int32_t(keys.size());
}

bool clsRegistryAccess::HaveSubkey(const QString &keyPath)
{
    if (!openKey(keyPath, registry::DefaultAccess))
        return false;
    QString name;
    const bool has = registry::enumKey(m_key, 0, &name) == registry::Success;
    closeKey();
    return has;
}

// ---- values ----

// Makes the key exist (when allowed) and opens it for writing.
int32_t clsRegistryAccess::prepareWrite(const QString &keyPath)
{
    if (!KeyExists(keyPath)) {
        if (!m_createKeyIfDoesntExists || !CreateKey(keyPath))
            return 0;
    }
    return openKey(keyPath, registry::KeyWrite) ? 1 : 0;
}

int32_t clsRegistryAccess::writeValue(const QString &keyPath, const QString &valueName, uint32_t type,
                                      const QByteArray &data)
{
    if (!prepareWrite(keyPath))
        return 0;
    const int32_t st = registry::setValue(m_key, valueName, type, data);
    closeKey();
    return st == registry::Success ? 1 : 0;
}

bool clsRegistryAccess::readValue(const QString &keyPath, const QString &valueName, uint32_t *type, QByteArray *data)
{
    if (!isAnsi(valueName) || !openKey(keyPath, registry::KeyRead))
        return false;
    const int32_t st = registry::queryValue(m_key, valueName, type, data);
    closeKey();
    return st == registry::Success;
}

int32_t clsRegistryAccess::WriteString(const QString &keyPath, const QString &valueName, const QString &value)
{
    const QString name = valueName == QLatin1String("@") ? QString() : valueName;
    bool ok = false;
    const QByteArray data = registry::stringData(value, &ok);
    if (!ok || !isAnsi(name) || name.size() > registry::MaxValueNameLength || data.size() > registry::MaxValueDataSize)
        return 0;
    return writeValue(keyPath, name, registry::RegSz, data);
}

QString clsRegistryAccess::ReadString(const QString &keyPath, const QString &valueName, const QString &defaultValue)
{
    uint32_t type = 0;
    QByteArray data;
    // A DWORD or binary value is no text: its raw bytes would read as garbage.
    if (!readValue(keyPath, valueName, &type, &data) || (type != registry::RegSz && type != registry::RegExpandSz))
        return defaultValue;
    return vbconv::trimBlanks(registry::stringFromData(data));
}

int32_t clsRegistryAccess::WriteDword(const QString &keyPath, const QString &valueName, int32_t value)
{
    if (!isAnsi(valueName) || valueName.size() > registry::MaxValueNameLength)
        return 0;
    return writeValue(keyPath, valueName, registry::RegDword, registry::dwordData(uint32_t(value)));
}

int32_t clsRegistryAccess::ReadDword(const QString &keyPath, const QString &valueName, int32_t defaultValue)
{
    uint32_t type = 0;
    QByteArray data;
    if (!readValue(keyPath, valueName, &type, &data) || type != registry::RegDword || data.size() != 4)
        return defaultValue;
    return int32_t(dwordOf(data));
}

int32_t clsRegistryAccess::WriteBinary(const QString &keyPath, const QString &valueName, const QString &hex)
{
    QString digits = hex;
    digits.remove(QLatin1Char(' '));
    // Half a byte or a stray character would store something other than what was asked.
    if (!digits.isEmpty() && (!isBinValid(digits) || digits.size() % 2 != 0))
        return 0;
    const QByteArray bytes = StrToBin(digits);
    if (!isAnsi(valueName) || valueName.size() > registry::MaxValueNameLength
        || bytes.size() > registry::MaxValueDataSize)
        return 0;
    return writeValue(keyPath, valueName, registry::RegBinary, bytes);
}

QString clsRegistryAccess::ReadBinary(const QString &keyPath, const QString &valueName, const QString &defaultValue)
{
    QByteArray data;
    if (!readValue(keyPath, valueName, nullptr, &data))
        return defaultValue;
    return vbconv::trimBlanks(BinToStr(data));
}

int32_t clsRegistryAccess::KillValue(const QString &keyPath, const QString &valueName)
{
    if (!isAnsi(valueName) || !openKey(keyPath, registry::KeyWrite))
        return 0;
    const int32_t st = registry::deleteValue(m_key, valueName);
    closeKey();
    return (st == registry::Success || st == registry::NotFound) ? 1 : 0;
}

bool clsRegistryAccess::ValueExists(const QString &keyPath, const QString &valueName)
{
    if (!isAnsi(valueName) || !openKey(keyPath, registry::KeyRead))
        return false;
    const bool exists = registry::queryValue(m_key, valueName, nullptr, nullptr) == registry::Success;
    closeKey();
    return exists;
}

int32_t clsRegistryAccess::EnumValues(const QString &keyPath, QStringList &names, QStringList &values,
                                      int32_t typeFilter)
{
    names.clear();
    values.clear();
    if (!openKey(keyPath, registry::DefaultAccess))
        return -1;
    QString name;
    uint32_t type = 0;
    QByteArray data;
    for (uint32_t i = 0; registry::enumValue(m_key, i, &name, &type, &data) == registry::Success; ++i) {
        if (typeFilter != -1 && uint32_t(typeFilter) != type)
            continue;
        names.append(vbconv::trimBlanks(name));
        switch (type) {
        case registry::RegBinary:
            values.append(vbconv::trimBlanks(BinToStr(data)));
            break;
        case registry::RegDword:
            values.append(QString::number(data.size() == 4 ? int32_t(dwordOf(data)) : 0));
            break;
        case registry::RegSz:
            values.append(vbconv::trimBlanks(registry::stringFromData(data)));
            break;
        default:
            values.append(QString());
            break;
        }
    }
    closeKey();
    return int32_t(names.size());
}

// ---- hex text ----

QByteArray clsRegistryAccess::StrToBin(QString &hex)
{
    hex.remove(QLatin1Char(' '));
    QByteArray bytes;
    bytes.reserve((hex.size() + 1) / 2);
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const int hi = hexValue(hex.at(i));
        if (i + 1 == hex.size()) {
            if (hi < 0)
                return {};
            bytes.append(char(hi));
            break;
        }
        const int lo = hexValue(hex.at(i + 1));
        if (hi < 0 || lo < 0)
            return {};
        bytes.append(char(hi * 16 + lo));
    }
    return bytes;
}

QString clsRegistryAccess::BinToStr(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char b : bytes) {
        out.append(QLatin1Char(' '));
        out.append(QLatin1Char(digits[(uchar(b) >> 4) & 0xF]));
        out.append(QLatin1Char(digits[uchar(b) & 0xF]));
    }
    return out;
}

bool clsRegistryAccess::isBinValid(const QString &text)
{
    QString s = text;
    s.remove(QLatin1Char(' '));
    if (s.isEmpty())
        return false;
    for (const QChar c : s) {
        if (!isHexDigit(c))
            return false;
    }
    return true;
}

// ---- REGEDIT4 export ----

bool clsRegistryAccess::fail(const QString &reason)
{
    m_lastError = reason;
    return false;
}

bool clsRegistryAccess::exportKey(const QString &keyPath, QByteArray &out, bool includeSubkeys,
                                  const std::function<void(const QString &)> &progress)
{
    QString sub;
    if (!ParseKeyPath(keyPath, &sub))
        return fail(QStringLiteral("%1: unknown root key").arg(keyPath));
    const QString path = fullKeyPath(keyPath);
    if (!isAnsi(path))
        return fail(QStringLiteral("[%1]: the key name cannot be written in code page %2").arg(path).arg(ansi::codePage()));
    if (progress) {
        ui::doEvents();
        progress(path);
    }

    QStringList lines;
    lines.append(QLatin1Char('[') + path + QLatin1Char(']'));
    const QString missing(QChar(0));
    const QString defaultText = ReadString(path, QString(), missing);
    if (defaultText != missing)
        lines.append(QStringLiteral("@=") + quoted(defaultText));

    QStringList names, values;
    if (EnumValues(path, names, values, registry::RegSz) < 0)
        return fail(QStringLiteral("%1: the key cannot be opened").arg(path));
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!names.at(i).isEmpty())
            lines.append(quoted(names.at(i)) + QLatin1Char('=') + quoted(values.at(i)));
    }
    if (EnumValues(path, names, values, registry::RegBinary) < 0)
        return fail(QStringLiteral("%1: the key cannot be opened").arg(path));
    for (qsizetype i = 0; i < names.size(); ++i) {
        QString hex = values.at(i);
        hex.replace(QLatin1Char(' '), QLatin1Char(','));
        lines.append(quoted(names.at(i)) + QStringLiteral("=hex:") + hex);
    }
    if (EnumValues(path, names, values, registry::RegDword) < 0)
        return fail(QStringLiteral("%1: the key cannot be opened").arg(path));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const uint32_t v = uint32_t(values.at(i).toInt());
        lines.append(quoted(names.at(i)) + QStringLiteral("=dword:")
                     + QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper());
    }

    for (const QString &line : lines) {
        // A line break inside a name or text would end the line early and turn
        // the rest into lines of their own (even key lines) when imported.
        if (hasLineBreak(line))
            return fail(QStringLiteral("%1: a name or text holds a line break, which a REGEDIT4 file cannot carry: %2")
                            .arg(path, line.simplified()));
        bool ok = false;
        out += ansi::fromUnicode(line, &ok);
        if (!ok)
            return fail(QStringLiteral("%1: a name or text cannot be written in code page %2: %3")
                            .arg(path)
                            .arg(ansi::codePage())
                            .arg(line));
        out += "\r\n";
    }
    out += "\r\n";

    if (includeSubkeys) {
        QStringList keys;
        EnumKeys(path, keys);
        for (const QString &k : keys) {
            if (!exportKey(path + QLatin1Char('\\') + k, out, true, progress))
                return false;
        }
    }
    return true;
}

int32_t clsRegistryAccess::ExportToReg(const QString &keyPath, const QString &filePath, bool includeSubkeys,
                                       const std::function<void(const QString &)> &progress)
{
    m_lastError.clear();
    const QFileInfo target(filePath);
    if (target.exists() || target.isSymLink()) {
        fail(QStringLiteral("%1 already exists; an export never overwrites a file").arg(filePath));
        return 0;
    }
    QByteArray out("REGEDIT4\r\n\r\n");
    if (!exportKey(keyPath, out, includeSubkeys, progress))
        return 0;

    // Written beside the target and renamed at the end, so a failure never
    // leaves a half-written file under the target's name.
    QTemporaryFile tmp(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!tmp.open()) {
        fail(QStringLiteral("cannot create a file in %1: %2").arg(target.absolutePath(), tmp.errorString()));
        return 0;
    }
    if (tmp.write(out) != out.size() || !tmp.flush()) {
        fail(QStringLiteral("cannot write %1: %2").arg(filePath, tmp.errorString()));
        return 0;
    }
    tmp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // rename() refuses an existing target, so a file created meanwhile survives too.
    if (!tmp.rename(target.absoluteFilePath())) {
        fail(target.exists() ? QStringLiteral("%1 already exists; an export never overwrites a file").arg(filePath)
                             : QStringLiteral("cannot create %1: %2").arg(filePath, tmp.errorString()));
        return 0;
    }
    tmp.setAutoRemove(false);
    return 1;
}

// ---- REGEDIT4 import ----

namespace {
struct ImportStep {
    enum Kind { CreateKey, DeleteKey, String, Binary, Dword, DeleteValue };
    Kind kind = CreateKey;
    int line = 0;
    QString path;
    QString name;
    QString text; // String: the text; Binary: the hex digits
    int32_t dword = 0;
    bool deleteDefault = false;
};

} // namespace

int32_t clsRegistryAccess::ImportFromReg(const QString &filePath, QList<int> *escapedLines)
{
    if (escapedLines)
        escapedLines->clear();
    QList<int> escaped;
    m_createKeyIfDoesntExists = true;
    m_lastError.clear();
    if (!QFileInfo(filePath).isFile()) {
        fail(QStringLiteral("%1: no such file").arg(filePath));
        return 0;
    }
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("%1: %2").arg(filePath, file.errorString()));
        return 0;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        fail(QStringLiteral("%1: the file begins with a byte-order mark; a REGEDIT4 file is text in the ANSI code page")
                 .arg(filePath));
        return 0;
    }
    const QStringList lines = ansi::toUnicode(bytes).split(QStringLiteral("\r\n"));
    if (lines.first().toUpper() != QLatin1String("REGEDIT4")) {
        fail(QStringLiteral("%1: line 1 is not \"REGEDIT4\" (lines must end with CR LF)").arg(filePath));
        return 0;
    }

    // Check the whole file first: a file with a fault changes nothing.
    std::vector<ImportStep> steps;
    auto bad = [&](int line, const QString &why) {
        fail(QStringLiteral("%1: line %2: %3").arg(filePath).arg(line).arg(why));
        return 0;
    };
    auto checkPath = [&](const QString &path, QString *why) {
        QString sub;
        if (!ParseKeyPath(path, &sub)) {
            *why = QStringLiteral("unknown root key in [%1]").arg(path);
            return false;
        }
        if (!registry::isValidSubKeyPath(sub)) {
            *why = QStringLiteral("a key name in [%1] is empty or longer than %2 characters")
                       .arg(path)
                       .arg(registry::MaxKeyNameLength);
            return false;
        }
        return true;
    };
    const QChar replacement(0xFFFD);
    bool inKey = false;
    bool deletingKey = false;
    QString keyPath;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int lineNo = int(i + 1);
        QString t = vbconv::trimBlanks(lines.at(i));
        t.remove(QLatin1Char('"'));
        if (t.startsWith(QLatin1Char('['))) {
            if (t.size() < 2 || !t.endsWith(QLatin1Char(']')))
                return bad(lineNo, QStringLiteral("a key line must end with \"]\""));
            if (t.contains(replacement))
                return bad(lineNo, QStringLiteral("the line is not valid text in code page %1").arg(ansi::codePage()));
            QString path = t.mid(1, t.size() - 2);
            ImportStep step;
            step.line = lineNo;
            deletingKey = path.startsWith(QLatin1Char('-'));
            if (deletingKey) {
                path.remove(0, 1);
                step.kind = ImportStep::DeleteKey;
            }
            QString why;
            if (!checkPath(path, &why))
                return bad(lineNo, why);
            step.path = path;
            keyPath = path;
            inKey = true;
            steps.push_back(step);
            continue;
        }
        if (!inKey || deletingKey)
            continue;
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || !t.contains(QLatin1Char('=')))
            continue;
        if (t.contains(replacement))
            return bad(lineNo, QStringLiteral("the line is not valid text in code page %1").arg(ansi::codePage()));
        const QStringList pieces = t.split(QLatin1Char('='));
        ImportStep step;
        step.line = lineNo;
        step.path = keyPath;
        step.name = pieces.at(0);
        const QString value = pieces.at(1);
        qsizetype dataSize = 0;
        if (vbconv::trimBlanks(value) == QLatin1String("-")) {
            step.kind = ImportStep::DeleteValue;
        } else if (value.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
            step.kind = ImportStep::Binary;
            step.text = value.mid(4);
            step.text.replace(QLatin1Char(','), QLatin1Char(' '));
            QString digits = step.text;
            digits.remove(QLatin1Char(' '));
            if (!digits.isEmpty() && !isBinValid(digits))
                return bad(lineNo, QStringLiteral("\"%1\" is not hex data").arg(value.mid(4)));
            if (digits.size() % 2 != 0)
                return bad(lineNo, QStringLiteral("hex data with an odd number of digits"));
            dataSize = digits.size() / 2;
        } else if (value.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            step.kind = ImportStep::Dword;
            qsizetype n = 6;
            while (n < value.size() && isHexDigit(value.at(n)))
                ++n;
            const QString digits = value.mid(6, n - 6);
            if (digits.isEmpty() || digits.size() > 8)
                return bad(lineNo, QStringLiteral("a dword needs 1 to 8 hex digits"));
            step.dword = int32_t(digits.toUInt(nullptr, 16));
            dataSize = 4;
        } else {
            step.kind = ImportStep::String;
            step.text = value;
            step.deleteDefault = step.name == QLatin1String("@") && value.isEmpty();
            dataSize = ansi::fromUnicode(value).size() + 1;
        }
        const QString storedName =
            (step.kind == ImportStep::String && step.name == QLatin1String("@")) ? QString() : step.name;
        if (storedName.size() > registry::MaxValueNameLength)
            return bad(lineNo, QStringLiteral("a value name longer than %1 characters").arg(registry::MaxValueNameLength));
        if (dataSize > registry::MaxValueDataSize)
            return bad(lineNo, QStringLiteral("a value larger than %1 bytes").arg(registry::MaxValueDataSize));
        if (lines.at(i).contains(QLatin1String("\\\"")) || lines.at(i).contains(QLatin1String("\\\\")))
            escaped.append(lineNo);
        steps.push_back(step);
    }

    // Apply, as one batch of writes: quick for large files, and another process
    // sees the import whole. A write that fails ends the import; what was
    // written before it stays.
    // A hive that takes no writes (a file of another user's) is named before anything is written.
    for (const ImportStep &s : steps) {
        const registry::HKEY root = ParseKeyPath(s.path, nullptr);
        if (root && registry::isReadOnly(root)) {
            fail(QStringLiteral("%1: the registry file %2 cannot be written; nothing was changed")
                     .arg(filePath, registry::hiveFilePath(root)));
            return 0;
        }
    }
    registry::WriteBatch batch;
    auto present = [&](const QString &path) {
        const bool ok = openKey(path, registry::KeyRead);
        closeKey();
        return ok;
    };
    for (const ImportStep &s : steps) {
        switch (s.kind) {
        case ImportStep::CreateKey:
            // The key itself, so that a key without values survives a round trip.
            if (!CreateKey(s.path))
                return bad(s.line, QStringLiteral("cannot create [%1]").arg(s.path));
            break;
        case ImportStep::DeleteKey:
            if (!KillKey(s.path) && present(s.path))
                return bad(s.line, QStringLiteral("cannot delete [%1] (a key with subkeys is never deleted)").arg(s.path));
            break;
        case ImportStep::String:
            if (!WriteString(s.path, s.name, s.text))
                return bad(s.line, QStringLiteral("cannot write value \"%1\" of [%2]").arg(s.name, s.path));
            if (s.deleteDefault && !KillValue(s.path, QString()))
                return bad(s.line, QStringLiteral("cannot delete the default value of [%1]").arg(s.path));
            break;
        case ImportStep::Binary:
            if (!WriteBinary(s.path, s.name, s.text))
                return bad(s.line, QStringLiteral("cannot write value \"%1\" of [%2]").arg(s.name, s.path));
            break;
        case ImportStep::Dword:
            if (!WriteDword(s.path, s.name, s.dword))
                return bad(s.line, QStringLiteral("cannot write value \"%1\" of [%2]").arg(s.name, s.path));
            break;
        case ImportStep::DeleteValue:
            if (!KillValue(s.path, s.name) && present(s.path))
                return bad(s.line, QStringLiteral("cannot delete value \"%1\" of [%2]").arg(s.name, s.path));
            break;
        }
    }
    if (batch.commit() != registry::Success) {
        fail(QStringLiteral("%1: the registry could not save the changes").arg(filePath));
        return 0;
    }
    if (escapedLines)
        *escapedLines = escaped;
    return 1;
}

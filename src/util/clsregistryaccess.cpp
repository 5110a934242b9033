// Qt text over the plain registry core: each call converts its paths, names and
// texts to the ANSI code page, lets regedit4 do the work and converts back.
#include "util/clsregistryaccess.h"

#include "platform/ansi.h"
#include "platform/regedit4.h"
#include "platform/uiservice.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <string>
#include <vector>

namespace {

// The text in the ANSI code page; false when the code page cannot hold every
// character (the "...A" functions would otherwise pass '?').
bool toAnsi(const QString &s, std::string *out)
{
    bool ascii = true;
    for (const QChar c : s) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        const QByteArray latin = s.toLatin1();
        out->assign(latin.constData(), size_t(latin.size()));
        return true;
    }
    bool ok = false;
    const QByteArray bytes = ansi::fromUnicode(s, &ok);
    out->assign(bytes.constData(), size_t(bytes.size()));
    return ok;
}

QString fromAnsi(const std::string &s)
{
    for (const char c : s) {
        if (uchar(c) >= 0x80)
            return ansi::toUnicode(s.data(), qsizetype(s.size()));
    }
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// What the key-path parser reads of a path: its root names and separators are
// ASCII, so every other character stands in as the byte 0x7F, one byte per
// UTF-16 unit; the parts it finds are then cut from the path itself.
std::string parserView(const QString &path)
{
    std::string view(size_t(path.size()), '\x7F');
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path.at(i).unicode() < 0x80)
            view[size_t(i)] = char(path.at(i).unicode());
    }
    return view;
}

} // namespace

// ---- key paths ----

registry::HKEY clsRegistryAccess::ParseKeyPath(const QString &keyPath, QString *subKey)
{
    std::string sub;
    const registry::HKEY root = regedit4::parseKeyPath(parserView(keyPath), &sub);
    if (subKey)
        *subKey = keyPath.right(qsizetype(sub.size()));
    return root;
}

QString clsRegistryAccess::fullKeyPath(const QString &keyPath)
{
    QString sub;
    const registry::HKEY root = ParseKeyPath(keyPath, &sub);
    if (!root)
        return keyPath;
    const std::string rootName = registry::rootNameA(root);
    // The parser's full path keeps the first `kept` characters of the subkey.
    const qsizetype kept = qsizetype(regedit4::fullKeyPath(parserView(keyPath)).size() - rootName.size()) - 1;
    const QString name = QString::fromLatin1(rootName.data(), qsizetype(rootName.size()));
    return kept > 0 ? name + QLatin1Char('\\') + sub.left(kept) : name;
}

// ---- keys ----

int32_t clsRegistryAccess::CreateKey(const QString &keyPath)
{
    std::string path;
    return toAnsi(keyPath, &path) && regedit4::createKey(path) ? 1 : 0;
}

int32_t clsRegistryAccess::KillKey(const QString &keyPath)
{
    std::string path;
    return toAnsi(keyPath, &path) && regedit4::killKey(path) ? 1 : 0;
}

bool clsRegistryAccess::KeyExists(const QString &keyPath)
{
    std::string path;
    return toAnsi(keyPath, &path) && regedit4::keyExists(path);
}

int32_t clsRegistryAccess::EnumKeys(const QString &keyPath, QStringList &keys)
{
    keys.clear();
    std::string path;
    std::vector<std::string> names;
    if (!toAnsi(keyPath, &path) || regedit4::enumKeys(path, &names) < 0)
        return -1;
    for (const std::string &n : names)
        keys.append(fromAnsi(n));
    return int32_t(keys.size());
}

bool clsRegistryAccess::HaveSubkey(const QString &keyPath)
{
    std::string path;
    return toAnsi(keyPath, &path) && regedit4::haveSubkey(path);
}

// ---- values ----

int32_t clsRegistryAccess::WriteString(const QString &keyPath, const QString &valueName, const QString &value)
{
    std::string path, name, text;
    if (!toAnsi(keyPath, &path) || !toAnsi(valueName, &name) || !toAnsi(value, &text))
        return 0;
    return regedit4::writeString(path, name, text, m_createKeyIfDoesntExists) ? 1 : 0;
}

QString clsRegistryAccess::ReadString(const QString &keyPath, const QString &valueName, const QString &defaultValue)
{
    std::string path, name, text;
    if (!toAnsi(keyPath, &path) || !toAnsi(valueName, &name) || !regedit4::readString(path, name, &text))
        return defaultValue;
    return fromAnsi(text);
}

int32_t clsRegistryAccess::WriteDword(const QString &keyPath, const QString &valueName, int32_t value)
{
    std::string path, name;
    if (!toAnsi(keyPath, &path) || !toAnsi(valueName, &name))
        return 0;
    return regedit4::writeDword(path, name, uint32_t(value), m_createKeyIfDoesntExists) ? 1 : 0;
}

int32_t clsRegistryAccess::ReadDword(const QString &keyPath, const QString &valueName, int32_t defaultValue)
{
    std::string path, name;
    uint32_t value = 0;
    if (!toAnsi(keyPath, &path) || !toAnsi(valueName, &name) || !regedit4::readDword(path, name, &value))
        return defaultValue;
    return int32_t(value);
}

int32_t clsRegistryAccess::WriteBinary(const QString &keyPath, const QString &valueName, const QString &hex)
{
    // A character the code page cannot hold is no hex digit either.
    std::string path, name, digits;
    if (!toAnsi(keyPath, &path) || !toAnsi(valueName, &name) || !toAnsi(hex, &digits))
        return 0;
    return regedit4::writeBinary(path, name, digits, m_createKeyIfDoesntExists) ? 1 : 0;
}

QString clsRegistryAccess::ReadBinary(const QString &keyPath, const QString &valueName, const QString &defaultValue)
{
    std::string path, name, hex;
    if (!toAnsi(keyPath, &path) || !toAnsi(valueName, &name) || !regedit4::readBinary(path, name, &hex))
        return defaultValue;
    return QString::fromLatin1(hex.data(), qsizetype(hex.size()));
}

int32_t clsRegistryAccess::KillValue(const QString &keyPath, const QString &valueName)
{
    std::string path, name;
    return toAnsi(keyPath, &path) && toAnsi(valueName, &name) && regedit4::killValue(path, name) ? 1 : 0;
}

bool clsRegistryAccess::ValueExists(const QString &keyPath, const QString &valueName)
{
    std::string path, name;
    return toAnsi(keyPath, &path) && toAnsi(valueName, &name) && regedit4::valueExists(path, name);
}

int32_t clsRegistryAccess::EnumValues(const QString &keyPath, QStringList &names, QStringList &values,
                                      int32_t typeFilter)
{
    names.clear();
    values.clear();
    std::string path;
    std::vector<regedit4::Value> found;
    if (!toAnsi(keyPath, &path) || regedit4::enumValues(path, typeFilter, &found) < 0)
        return -1;
    for (const regedit4::Value &v : found) {
        names.append(fromAnsi(v.name));
        switch (v.type) {
        case registry::RegBinary:
        case registry::RegSz:
            values.append(fromAnsi(v.text));
            break;
        case registry::RegDword:
            values.append(QString::number(int32_t(v.dword)));
            break;
        default:
            values.append(QString());
            break;
        }
    }
    return int32_t(names.size());
}

// ---- hex text ----

QByteArray clsRegistryAccess::StrToBin(QString &hex)
{
    hex.remove(QLatin1Char(' '));
    std::string digits;
    toAnsi(hex, &digits); // a character outside the code page turns into '?', no digit either
    const registry::Bytes bytes = regedit4::strToBin(digits);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

QString clsRegistryAccess::BinToStr(const QByteArray &bytes)
{
    const std::string hex = regedit4::binToStr(registry::Bytes(bytes.begin(), bytes.end()));
    return QString::fromLatin1(hex.data(), qsizetype(hex.size()));
}

bool clsRegistryAccess::isBinValid(const QString &text)
{
    std::string digits;
    toAnsi(text, &digits);
    return regedit4::isBinValid(digits);
}

// ---- REGEDIT4 files ----

bool clsRegistryAccess::fail(const QString &reason)
{
    m_lastError = reason;
    return false;
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
    std::string path;
    if (!toAnsi(keyPath, &path)) {
        fail(ParseKeyPath(keyPath, nullptr)
                 ? QStringLiteral("[%1]: the key name cannot be written in code page %2")
                       .arg(fullKeyPath(keyPath))
                       .arg(ansi::codePage())
                 : QStringLiteral("%1: unknown root key").arg(keyPath));
        return 0;
    }
    regedit4::Progress shown;
    if (progress) {
        shown = [&progress](const std::string &key) {
            ui::doEvents();
            progress(fromAnsi(key));
        };
    }
    std::string text, reason;
    if (!regedit4::exportText(path, includeSubkeys, &text, &reason, shown)) {
        fail(fromAnsi(reason));
        return 0;
    }

    // Written beside the target and renamed at the end, so a failure never
    // leaves a half-written file under the target's name.
    QTemporaryFile tmp(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!tmp.open()) {
        fail(QStringLiteral("cannot create a file in %1: %2").arg(target.absolutePath(), tmp.errorString()));
        return 0;
    }
    if (tmp.write(text.data(), qint64(text.size())) != qint64(text.size()) || !tmp.flush()) {
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

int32_t clsRegistryAccess::ImportFromReg(const QString &filePath, QList<int> *escapedLines)
{
    if (escapedLines)
        escapedLines->clear();
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
    std::string reason;
    std::vector<int> escaped;
    if (!regedit4::importText(std::string(bytes.constData(), size_t(bytes.size())), &reason, &escaped)) {
        fail(filePath + QStringLiteral(": ") + fromAnsi(reason));
        return 0;
    }
    if (escapedLines)
        *escapedLines = QList<int>(escaped.begin(), escaped.end());
    return 1;
}

#pragma once
// Registry access by one text path ("HKCU\Software\..." or
// "HKEY_CURRENT_USER\Software\..."): string, DWORD and binary values, key and
// value enumeration, and export to / import from REGEDIT4 files.
//
// Results follow the registry idiom of the suite: a success token (non-zero on
// success, 0 on failure), a default value, or a count of -1 when the key cannot
// be opened. Binary values travel as hex text, two upper-case digits per byte,
// separated by spaces ("01 0A FF"). Names and texts pass through the ANSI code
// page; a name or text the code page cannot hold makes the operation fail
// rather than turn into '?'.
//
// The rules themselves are those of the plain core (platform/regedit4.h), the
// same on every platform; this class converts Qt text to and from the ANSI code
// page around it. An instance keeps the last error and must not be shared
// between threads; make a fresh one for each use.
#include "platform/registrytypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class clsRegistryAccess
{
public:
    clsRegistryAccess() = default;

    // Whether the three write operations create a missing key first (yes by default).
    bool CreateKeyIfDoesntExists() const { return m_createKeyIfDoesntExists; }
    void setCreateKeyIfDoesntExists(bool v) { m_createKeyIfDoesntExists = v; }

    // Creates the key and any missing parents.
    int32_t CreateKey(const QString &keyPath);
    // Non-zero only when the key was deleted: a key with subkeys, a missing key or
    // one the user may not change gives 0.
    int32_t KillKey(const QString &keyPath);
    // Opens with all access, so a key the user may only read counts as missing.
    bool KeyExists(const QString &keyPath);
    // Subkey names in the registry's order; -1 when the key cannot be opened.
    int32_t EnumKeys(const QString &keyPath, QStringList &keys);
    bool HaveSubkey(const QString &keyPath);

    // valueName "@" is the key's default value (for WriteString only).
    int32_t WriteString(const QString &keyPath, const QString &valueName, const QString &value);
    // The whole text without leading and trailing spaces; defaultValue when the
    // key or value cannot be read or the value holds no text.
    QString ReadString(const QString &keyPath, const QString &valueName, const QString &defaultValue = QString());
    int32_t WriteDword(const QString &keyPath, const QString &valueName, int32_t value);
    int32_t ReadDword(const QString &keyPath, const QString &valueName, int32_t defaultValue = 0);
    // hex: space-separated hex pairs; 0 and nothing written when it is not valid hex
    // or has an odd number of digits. An empty text stores a zero-length value.
    int32_t WriteBinary(const QString &keyPath, const QString &valueName, const QString &hex);
    QString ReadBinary(const QString &keyPath, const QString &valueName, const QString &defaultValue = QString());
    // Non-zero when the key could be opened and the value no longer exists afterwards.
    int32_t KillValue(const QString &keyPath, const QString &valueName);
    bool ValueExists(const QString &keyPath, const QString &valueName);
    // typeFilter: -1 for every value, else registry::RegSz, RegBinary or RegDword.
    // Count of values taken; -1 when the key cannot be opened.
    int32_t EnumValues(const QString &keyPath, QStringList &names, QStringList &values, int32_t typeFilter = -1);

    // 1 when the key (and, if asked, its subkeys) was written to a new REGEDIT4
    // file, 0 otherwise: an existing file is never overwritten and a failed export
    // leaves no file behind. progress, when given, is shown each key path.
    int32_t ExportToReg(const QString &keyPath, const QString &filePath, bool includeSubkeys = true,
                        const std::function<void(const QString &)> &progress = {});
    // 1 when the whole file was applied. The file is checked first; a file with a
    // fault is refused with nothing changed (see lastError()). Texts are read as
    // this system writes them: every double quote dropped, no backslash
    // unescaped. *escapedLines, when given, gets the numbers of the value lines
    // that held \" or \\ (regedit would have read them otherwise).
    int32_t ImportFromReg(const QString &filePath, QList<int> *escapedLines = nullptr);

    // Why the last ExportToReg or ImportFromReg failed ("" after a success).
    QString lastError() const { return m_lastError; }

    // hex loses its spaces. A trailing single digit gives one byte ("ABC" is AB 0C);
    // a character that is not a hex digit gives an empty result.
    static QByteArray StrToBin(QString &hex);
    // " 01 0A FF": each byte preceded by a space; empty for no bytes.
    static QString BinToStr(const QByteArray &bytes);
    static bool isBinValid(const QString &text);

    // Splits a key path into its root handle (0 when the root is unknown) and
    // the subkey path. Roots are accepted as full names or four-letter abbreviations.
    static registry::HKEY ParseKeyPath(const QString &keyPath, QString *subKey);
    // The path with its root written out in full ("HKCU\x" gives "HKEY_CURRENT_USER\x").
    static QString fullKeyPath(const QString &keyPath);

private:
    bool fail(const QString &reason);

    bool m_createKeyIfDoesntExists = true;
    QString m_lastError;
};

// The plain-bytes registry functions over the hive store: names are converted
// from the ANSI code page and back, data passes unchanged.
#include "platform/registryansi.h"

#include "platform/ansi.h"
#include "platform/registrystore.h"

namespace registry {
namespace {

// A name whose bytes are no valid text in the code page cannot be stored as
// text without changing it, so it is refused instead of turned into U+FFFD.
bool toName(const std::string &bytes, QString *name)
{
    const QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    *name = ansi::toUnicode(raw);
    bool ok = false;
    return ansi::fromUnicode(*name, &ok) == raw && ok;
}

// Characters the code page cannot hold become '?' (*replaced set), as the "...A" functions give them.
std::string fromName(const QString &name, bool *replaced)
{
    bool ok = false;
    const QByteArray raw = ansi::fromUnicode(name, &ok);
    if (replaced)
        *replaced = !ok;
    return std::string(raw.constData(), size_t(raw.size()));
}

QByteArray toData(const Bytes &data)
{
    return QByteArray(reinterpret_cast<const char *>(data.data()), qsizetype(data.size()));
}

Bytes fromData(const QByteArray &data)
{
    return Bytes(reinterpret_cast<const uint8_t *>(data.constData()),
                 reinterpret_cast<const uint8_t *>(data.constData()) + data.size());
}

} // namespace

int32_t openKeyA(HKEY key, const std::string &subKey, uint32_t access, HKEY *result)
{
    QString sub;
    if (!toName(subKey, &sub)) {
        if (result)
            *result = 0;
        return InvalidParameter;
    }
    return openKey(key, sub, access, result);
}

int32_t createKeyA(HKEY key, const std::string &subKey, uint32_t access, HKEY *result, bool *created)
{
    QString sub;
    if (!toName(subKey, &sub)) {
        if (result)
            *result = 0;
        if (created)
            *created = false;
        return InvalidParameter;
    }
    return createKey(key, sub, access, result, created);
}

int32_t closeKeyA(HKEY key) { return closeKey(key); }

int32_t deleteKeyA(HKEY key, const std::string &subKey)
{
    QString sub;
    return toName(subKey, &sub) ? deleteKey(key, sub) : InvalidParameter;
}

int32_t deleteValueA(HKEY key, const std::string &name)
{
    QString n;
    return toName(name, &n) ? deleteValue(key, n) : InvalidParameter;
}

int32_t enumKeyA(HKEY key, uint32_t index, std::string *name, bool *replaced)
{
    QString n;
    if (replaced)
        *replaced = false;
    const int32_t st = enumKey(key, index, &n);
    if (name)
        *name = st == Success ? fromName(n, replaced) : std::string();
    return st;
}

int32_t enumValueA(HKEY key, uint32_t index, std::string *name, uint32_t *type, Bytes *data, bool *replaced)
{
    QString n;
    QByteArray d;
    if (replaced)
        *replaced = false;
    const int32_t st = enumValue(key, index, &n, type, data ? &d : nullptr);
    if (name)
        *name = st == Success ? fromName(n, replaced) : std::string();
    if (data)
        *data = fromData(d);
    return st;
}

int32_t queryValueA(HKEY key, const std::string &name, uint32_t *type, Bytes *data)
{
    QString n;
    if (!toName(name, &n))
        return InvalidParameter;
    QByteArray d;
    const int32_t st = queryValue(key, n, type, data ? &d : nullptr);
    if (data)
        *data = fromData(d);
    return st;
}

int32_t setValueA(HKEY key, const std::string &name, uint32_t type, const Bytes &data)
{
    QString n;
    return toName(name, &n) ? setValue(key, n, type, toData(data)) : InvalidParameter;
}

std::string rootNameA(HKEY root) { return rootName(root).toStdString(); }

int ansiCodePageA() { return ansi::codePage(); }

bool isLeadByteA(uint8_t byte)
{
    switch (ansi::codePage()) {
    case 932: // Shift-JIS
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936: // GBK
    case 949: // Unified Hangul
    case 950: // Big5
        return byte >= 0x81 && byte <= 0xFE;
    default: // the single-byte code pages
        return false;
    }
}

int64_t textLengthA(const std::string &text)
{
    bool ascii = true;
    for (const char c : text) {
        if (uchar(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return int64_t(text.size());
    // A byte sequence the code page does not know reads as U+FFFD.
    const QString wide = ansi::toUnicode(text.data(), qsizetype(text.size()));
    return wide.contains(QChar(0xFFFD)) ? -1 : int64_t(wide.size());
}

bool isValidSubKeyPathA(const std::string &subKey)
{
    QString sub;
    return toName(subKey, &sub) && isValidSubKeyPath(sub);
}

std::string hiveFilePathA(HKEY root)
{
    const QByteArray raw = ansi::fromUnicode(hiveFilePath(root));
    return std::string(raw.constData(), size_t(raw.size()));
}

} // namespace registry

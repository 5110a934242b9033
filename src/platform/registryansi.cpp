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

std::string fromName(const QString &name)
{
    const QByteArray raw = ansi::fromUnicode(name);
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

int32_t enumKeyA(HKEY key, uint32_t index, std::string *name)
{
    QString n;
    const int32_t st = enumKey(key, index, &n);
    if (name)
        *name = st == Success ? fromName(n) : std::string();
    return st;
}

int32_t enumValueA(HKEY key, uint32_t index, std::string *name, uint32_t *type, Bytes *data)
{
    QString n;
    QByteArray d;
    const int32_t st = enumValue(key, index, &n, type, data ? &d : nullptr);
    if (name)
        *name = st == Success ? fromName(n) : std::string();
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

} // namespace registry

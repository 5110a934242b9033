// Class metadata: any bytes are accepted or refused with a one-line reason, and
// whatever is accepted keeps the promises registration relies on (a ProgID is
// one registry key name, class ids are real and distinct and survive a round
// trip through their text).
#include "platform/classmeta.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    objects::LibraryMeta meta;
    QString reason;
    if (!objects::parseClassMetadata(bytes, &meta, &reason)) {
        if (reason.isEmpty() || reason.contains(QLatin1Char('\n')) || !meta.library.isEmpty())
            std::abort();
        return 0;
    }
    if (!reason.isEmpty() || meta.library.isEmpty())
        std::abort();
    QSet<QUuid> ids;
    for (const objects::ClassInfo &c : std::as_const(meta.classes)) {
        const QString progId = meta.progId(c);
        if (progId.size() > 255 || progId.contains(QLatin1Char('\\')) || c.clsid.isNull() || ids.contains(c.clsid))
            std::abort();
        ids.insert(c.clsid);
        if (objects::parseGuid(objects::guidText(c.clsid)) != c.clsid)
            std::abort();
        for (const objects::InterfaceInfo &i : c.interfaces)
            if (i.name.isEmpty() || i.iid.isNull())
                std::abort();
    }
    return 0;
}

// The plug-in list's look at a file in the Plugin folder that may be no library at all:
// the bytes are written to a file of their own and its class metadata is read as the
// plug-in list and "zenlo-admin classes" read it. Properties: the file is refused with a
// one-line reason (and an operator's text for it) or accepted with well-formed classes
// (a ProgID is one registry key name, class ids are real, distinct and survive their
// text); the file is only read, never loaded: it is not mapped into the process
// afterwards and the loader handed back has not loaded it.
//
// The ELF seeds are the smallest shared objects that carry a plug-in metadata note: the
// note of tests/libs/zt_pair.so (objcopy -O binary --only-section=.note.qt.metadata),
// patched where the seed's name says, assembled with one instruction of code
//   .text / ret / .section .note.qt.metadata,"a",@note / .balign 8 / .incbin "note.bin"
// by gcc -shared -nostdlib -Wl,-s -Wl,--build-id=none -Wl,-z,max-page-size=0x10
// -Wl,-z,noseparate-code; the others are cut or patched copies, or no ELF at all.
#include "platform/classmeta.h"

#include <QDir>
#include <QFile>
#include <QPluginLoader>
#include <QSet>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

bool mapped(const QString &path)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    return maps.readAll().contains(QFile::encodeName(path));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A folder and file of their own per input, so nothing read before (Qt keeps what it
    // read of a library by its path) speaks for this one.
    QTemporaryDir folder;
    if (!folder.isValid())
        std::abort();
    const QString path = folder.filePath(QStringLiteral("Candidate.so"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    objects::LibraryMeta meta;
    QString reason;
    QPluginLoader *raw = nullptr;
    const bool ok = objects::readClassMetadata(path, &meta, &reason, &raw);
    const std::unique_ptr<QPluginLoader> loader(raw);
    if ((loader && loader->isLoaded()) || mapped(path))
        std::abort(); // read, never loaded
    if (!ok) {
        if (reason.isEmpty() || reason.contains(u'\n') || !meta.library.isEmpty() || !meta.classes.isEmpty()
            || objects::reasonInChinese(reason).isEmpty())
            std::abort();
        return 0;
    }
    if (!reason.isEmpty() || meta.library.isEmpty())
        std::abort();
    QSet<QUuid> ids;
    for (const objects::ClassInfo &c : std::as_const(meta.classes)) {
        const QString progId = meta.progId(c);
        if (c.name.isEmpty() || progId.size() > 255 || progId.contains(u'\\') || c.clsid.isNull() || ids.contains(c.clsid))
            std::abort();
        for (const QChar ch : progId)
            if (ch.isSpace() || ch.unicode() < 0x20)
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

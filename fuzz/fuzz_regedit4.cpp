// REGEDIT4 files: any bytes imported into a fresh registry must be applied or
// refused without a crash; a refused file changes nothing, and whatever was
// imported exports again; that export imported into another fresh registry
// gives the same keys and values and exports the same bytes (the round trip).
#include "platform/registrystore.h"
#include "util/clsregistryaccess.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// Each input gets registry folders of its own: what an input leaves behind never
// changes how the next one is applied.
void freshRegistry(const QString &name)
{
    registry::closeAllHives();
    const QString path = folder().filePath(name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    qputenv("ZENLO_REGISTRY_DIR", path.toUtf8());
}

const char *const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                              "HKEY_CURRENT_CONFIG"};

[[noreturn]] void fault(const char *what, const QByteArray &detail = {})
{
    std::fprintf(stderr, "fuzz_regedit4: %s\n%s\n", what, detail.constData());
    std::abort();
}

// Every root with something in it, each as its own export file; the texts joined.
QByteArray exportAll(const QString &prefix)
{
    QByteArray all;
    clsRegistryAccess reg;
    for (const char *root : kRoots) {
        QStringList keys;
        if (reg.EnumKeys(QString::fromLatin1(root), keys) <= 0)
            continue;
        const QString out = folder().filePath(prefix + QString::fromLatin1(root) + QStringLiteral(".reg"));
        QFile::remove(out);
        if (reg.ExportToReg(QString::fromLatin1(root), out, true) != 1)
            fault("an imported tree does not export", reg.lastError().toUtf8());
        QFile f(out);
        if (!f.open(QIODevice::ReadOnly))
            fault("the export file is missing");
        all += f.readAll();
    }
    return all;
}

// What the registry holds under every root, as the export rules read it: names
// and texts without leading and trailing spaces, a text up to its first NUL,
// other data as bytes.
void walk(registry::HKEY key, const QString &path, QByteArray *out)
{
    QByteArray values;
    QString name;
    uint32_t type = 0;
    QByteArray data;
    QStringList lines;
    for (uint32_t i = 0; registry::enumValue(key, i, &name, &type, &data) == 0; ++i) {
        QByteArray shown = type == registry::RegSz ? registry::stringFromData(data).trimmed().toUtf8() : data.toHex();
        lines << path + QLatin1Char('|') + name.trimmed() + QLatin1Char('|') + QString::number(type) + QLatin1Char('|')
                     + QString::fromUtf8(shown);
    }
    *out += lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    for (uint32_t i = 0; registry::enumKey(key, i, &name) == 0; ++i) {
        registry::HKEY sub = 0;
        if (registry::openKey(key, name, registry::KeyRead, &sub) != 0)
            fault("a subkey cannot be opened", (path + QLatin1Char('\\') + name).toUtf8());
        walk(sub, path + QLatin1Char('\\') + name, out);
        registry::closeKey(sub);
    }
}

QByteArray contents()
{
    QByteArray out;
    for (const auto &root : {registry::HKEY_CLASSES_ROOT, registry::HKEY_CURRENT_USER, registry::HKEY_LOCAL_MACHINE,
                             registry::HKEY_USERS, registry::HKEY_CURRENT_CONFIG})
        walk(root, registry::rootName(root), &out);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString file = folder().filePath(QStringLiteral("in.reg"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    freshRegistry(QStringLiteral("first"));
    clsRegistryAccess reg;
    if (reg.ImportFromReg(file) != 1) {
        if (!exportAll(QStringLiteral("refused-")).isEmpty())
            fault("a refused file changed the registry");
        return 0;
    }
    const QByteArray first = exportAll(QStringLiteral("first-"));
    const QByteArray imported = contents();

    freshRegistry(QStringLiteral("second"));
    for (const char *root : kRoots) {
        const QString again = folder().filePath(QStringLiteral("first-") + QString::fromLatin1(root) + QStringLiteral(".reg"));
        if (QFile::exists(again) && reg.ImportFromReg(again) != 1)
            fault("an export is refused on import", reg.lastError().toUtf8());
        QFile::remove(again);
    }
    const QByteArray second = exportAll(QStringLiteral("second-"));
    if (contents() != imported)
        fault("the re-imported export holds other values", imported + "\n----\n" + contents());
    if (first != second)
        fault("the export of the re-imported export differs", first + "\n----\n" + second);
    return 0;
}

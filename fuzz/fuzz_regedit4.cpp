// REGEDIT4 files: any bytes imported into a throw-away registry must be
// applied or refused without a crash; whatever was imported must export again.
#include "util/clsregistryaccess.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    static const bool once = [] {
        qputenv("ZENLO_REGISTRY_DIR", dir.filePath(QStringLiteral("registry")).toUtf8());
        return true;
    }();
    Q_UNUSED(once);
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTemporaryDir &dir = folder();
    const QString file = dir.filePath(QStringLiteral("in.reg"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    clsRegistryAccess reg;
    reg.ImportFromReg(file);
    const QString out = dir.filePath(QStringLiteral("out.reg"));
    QFile::remove(out);
    reg.ExportToReg(QStringLiteral("HKEY_CURRENT_USER\\Software"), out, true);
    return 0;
}

// The configuration file: any bytes written as the file must load or be
// refused without a crash, and every typed property must then be readable.
#include "core/clsconfig.h"
#include "components/xmldocument.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

const QString &configPath()
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("zenlo.Exe.Config"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString &path = configPath();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    PathContext ctx;
    ctx.style = size % 2 ? PathStyle::Windows : PathStyle::Posix;
    ctx.programFolder = ctx.style == PathStyle::Windows ? QStringLiteral("C:\\zenlo") : QStringLiteral("/opt/zenlo");
    ctx.today = QDate(2024, 2, 29);

    clsConfig cfg(ctx);
    if (cfg.Init(path)) {
        cfg.Background_main();
        cfg.Background_splash();
        cfg.Background_Login();
        cfg.ConfigFileName();
        cfg.MenuFileName();
        cfg.UpdateFileName();
        cfg.TreeWidth();
        cfg.SplashDelay();
        cfg.Caption();
        cfg.HelpFileName();
        cfg.MenuToolWidth();
        cfg.AutoRegister();
        cfg.AutoResize();
        cfg.Subject();
        cfg.RootCaption();
        cfg.MenuMode();
        cfg.Navigate();
        cfg.UnFormStatus();
        // Settings other parts read straight from the document.
        cfg.value(QStringLiteral("/configuration/system/temporarypath"));
        cfg.value(QStringLiteral("//configuration/system/settings/splashalpha"));
        if (XmlDocument *xml = cfg.XML()) {
            const int plugins = xml->count(QStringLiteral("/configuration/system/plugins/plugin"));
            for (int i = 0; i < plugins && i < 16; ++i) {
                const QString p = QStringLiteral("/configuration/system/plugins/plugin[%1]").arg(i);
                xml->attribute(p, QStringLiteral("active"));
                xml->value(p + QStringLiteral("/classname"));
            }
        }
    }
    cfg.lastError();
    // The same file read as a language file.
    cfg.SetLanguague(path, 0);
    cfg.Clear();
    return 0;
}

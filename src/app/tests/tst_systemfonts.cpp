// The start's font configuration is fontconfig's own: the same fonts and the same font for
// each kind of text, whatever configuration file the system has.
#include "app/systemfonts.h"

#include <QTemporaryDir>
#include <QTest>

#if ZENLO_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>

namespace {

// The number of fonts, and the file chosen for each pattern.
QStringList describe(FcConfig *config)
{
    const FcFontSet *fonts = FcConfigGetFonts(config, FcSetSystem);
    QStringList out{QString::number(fonts ? fonts->nfont : 0)};
    for (const char *name : {"sans-serif:lang=zh-cn", "serif", "monospace:bold"}) {
        FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>(name));
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern *match = FcFontMatch(config, pattern, &result);
        FcChar8 *file = nullptr;
        if (match)
            FcPatternGetString(match, FC_FILE, 0, &file);
        out << QLatin1String(name) + QStringLiteral(" -> ") + QString::fromUtf8(reinterpret_cast<const char *>(file));
        if (match)
            FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
    return out;
}

} // namespace
#endif

class tst_SystemFonts : public QObject
{
    Q_OBJECT
private slots:
    void sameAsFontconfigsOwn_data();
    void sameAsFontconfigsOwn();
};

void tst_SystemFonts::sameAsFontconfigsOwn_data()
{
    QTest::addColumn<QByteArray>("file"); // the configuration file's text; "" the system's, "-" none
    QTest::newRow("the system's") << QByteArray();
    QTest::newRow("without a cache folder") << QByteArray("<fontconfig><dir>/usr/share/fonts</dir></fontconfig>");
    QTest::newRow("missing") << QByteArray("-");
}

void tst_SystemFonts::sameAsFontconfigsOwn()
{
#if !ZENLO_HAVE_FONTCONFIG
    QSKIP("the fonts do not come from fontconfig here");
#else
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fonts.conf"));
    if (!file.isEmpty()) {
        QFile f(path);
        QVERIFY(file == "-" || (f.open(QIODevice::WriteOnly) && f.write(file) == file.size()));
        qputenv("FONTCONFIG_FILE", QFile::encodeName(path));
    }
    const auto restore = qScopeGuard([] {
        qunsetenv("FONTCONFIG_FILE");
        FcFini();
    });
    FcConfig *own = FcInitLoadConfigAndFonts();
    const QStringList expected = describe(own);
    FcConfigDestroy(own);
    QVERIFY2(expected.first() != QLatin1String("0"), "no fonts to compare");

    FcFini(); // no current configuration, as when a program starts
    systemfonts::load();
    FcConfig *current = FcConfigReference(nullptr);
    QCOMPARE(describe(current), expected);
    FcConfigDestroy(current);
#endif
}

QTEST_APPLESS_MAIN(tst_SystemFonts)
#include "tst_systemfonts.moc"

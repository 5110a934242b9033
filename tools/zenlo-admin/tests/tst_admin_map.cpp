// "zenlo-admin map": the check lists what the main window would create from a
// map file, in order, and stops where the window's load would; the render
// writes a new picture and never replaces a file.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "components/archive.h"
#include "testsupport.h"

namespace {

const char kMap[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><print><page><blocks><arrows>"
                    "<arrow left=\"40\" top=\"30\" width=\"20\" height=\"10\" forecolor=\"&amp;H00B26F1F\" arrowdirection=\"0\" "
                    "appearance=\"1\" backcolor=\"16115416\" constantalpha=\"255\" borderstyle=\"1\" shadowlength=\"2\" shadowstep=\"2\"/>"
                    "</arrows><pilots>"
                    "<pilot caption=\"=?gb2312?B?suLK1A==?=\" left=\"10\" top=\"20\" width=\"30\" height=\"22\" iconsize=\"32\" "
                    "righttoleft=\"False\" textalign=\"2\"><menu code=\"010101\"/><icon filename=\"C:\\maps\\p.png\">%1</icon></pilot>"
                    "<pilot caption=\"无菜单\" left=\"70\" top=\"20\" width=\"30\" height=\"22\" iconsize=\"\" righttoleft=\"1\" "
                    "textalign=\"0\"><icon filename=\"p.png\">%1</icon></pilot>"
                    "%2</pilots></blocks></page></print>";

QByteArray pngBase64()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    // Wrapped as the map files keep it: lines of 72 characters, one byte between them.
    const QByteArray b = bytes.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b.size(); i += 72)
        out += (i ? "\n" : "") + b.mid(i, 72);
    return out;
}

QByteArray map(const QString &extra = QString())
{
    return QString::fromUtf8(kMap).arg(QString::fromLatin1(pngBase64()), extra).toUtf8();
}

} // namespace

class tst_AdminMap : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void check_data();
    void check();
    void render_data();
    void render();

private:
    testsupport::ProgramRun run(const QStringList &args);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_AdminMap::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

testsupport::ProgramRun tst_AdminMap::run(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env;
    const QString home = m_dir->filePath(QStringLiteral("home"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), m_dir->filePath(QStringLiteral("registry")));
    p.setProcessEnvironment(env);
    QStringList expanded;
    for (const QString &a : args)
        expanded << QString(a).replace(QLatin1Char('@'), m_dir->path());
    return testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"), expanded, 60000);
}

void tst_AdminMap::check_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err"); // a part of stderr, "" for none

    const QStringList all{
        "arrow 1 left=3280 top=3210 width=1140 height=570 forecolor=11693855 arrowdirection=0 appearance=1 backcolor=16115416 "
        "constantalpha=255 borderstyle=1 shadowlength=2 shadowstep=2",
        QStringLiteral("box 1 left=1570 top=2640 width=1710 height=1254 iconsize=32 righttoleft=False textalign=2 code=010101 "
                       "caption=测试 icon=p.png"),
        QStringLiteral("box 2 left=4990 top=2640 width=1710 height=1254 iconsize=0 righttoleft=1 textalign=0 code= caption=无菜单 icon=p.png"),
    };
    QTest::newRow("a map") << map() << 0 << (QStringList(all) << "ok 1 arrows, 2 boxes") << "";
    QTest::newRow("not XML") << QByteArray("no map") << 1 << QStringList() << QStringLiteral("读取导航窗口文件时格式错误！");
    QTest::newRow("well-formed XML that is no map") << QByteArray("<?xml version=\"1.0\"?><configuration/>") << 1 << QStringList()
                                                    << QStringLiteral("不是导航窗口文件");
    {
        // As the database stores it with iscompress 1.
        QTemporaryDir zip;
        testsupport::writeFile(zip.filePath("m.xml"), map());
        zLibControl::compress(zip.filePath("m.xml"), zip.filePath("m.zip"));
        QTest::newRow("a zipped map") << testsupport::readFile(zip.filePath("m.zip")) << 0 << (QStringList(all) << "ok 1 arrows, 2 boxes")
                                      << "";
    }
    QTest::newRow("truncated") << map().left(200) << 1 << QStringList() << QStringLiteral("读取导航窗口文件时格式错误！");
    QTest::newRow("a run-time error after two boxes")
        << map("<pilot caption=\"x\" left=\"-abc\"/>") << 1 << all << QStringLiteral("加载导航窗口文件，原因：类型不匹配");
    QTest::newRow("an icon without filename")
        << map("<pilot caption=\"x\" left=\"1\" top=\"1\" width=\"1\" height=\"1\" iconsize=\"1\" righttoleft=\"0\" textalign=\"0\">"
               "<icon>QQ==</icon></pilot>")
        << 1 << all << QStringLiteral("加载导航窗口文件，原因：无效使用 Null");
}

void tst_AdminMap::check()
{
    QFETCH(QByteArray, file);
    QFETCH(int, code);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    QVERIFY(testsupport::writeFile(m_dir->filePath("m.xml"), file));
    const testsupport::ProgramRun r = run({"map", "check", "@/m.xml"});
    QVERIFY2(r.code == code, qPrintable(QString::number(r.code) + ": " + r.err));
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, out);
    if (err.isEmpty())
        QVERIFY2(!r.err.contains("zenlo-admin:"), qPrintable(r.err));
    else
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"m.xml"}); // no picture written by a check
}

void tst_AdminMap::render_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QSize>("size"); // of the picture written, invalid for none
    QTest::addColumn<QString>("err");
    QTest::newRow("extent of the map") << QStringList{"map", "render", "@/m.xml", "@/o.png"} << 0 << QSize(640, 400) << "";
    QTest::newRow("given size") << QStringList{"map", "render", "@/m.xml", "@/o.png", "--size", "300x200"} << 0 << QSize(300, 200) << "";
    QTest::newRow("an existing picture stays") << QStringList{"map", "render", "@/m.xml", "@/keep.png"} << 1 << QSize() << "exists already";
    QTest::newRow("bad size") << QStringList{"map", "render", "@/m.xml", "@/o.png", "--size", "0x9"} << 2 << QSize() << "--size";
    QTest::newRow("size without value") << QStringList{"map", "render", "@/m.xml", "@/o.png", "--size"} << 2 << QSize() << "needs a value";
    QTest::newRow("no picture named") << QStringList{"map", "render", "@/m.xml"} << 2 << QSize() << "needs a FILE and an OUT.png";
    QTest::newRow("missing map") << QStringList{"map", "render", "@/none.xml", "@/o.png"} << 1 << QSize() << "does not exist";
    QTest::newRow("missing folder") << QStringList{"map", "render", "@/m.xml", "@/no/o.png"} << 1 << QSize() << "does not exist";
    QTest::newRow("unknown command") << QStringList{"map", "draw"} << 2 << QSize() << "unknown map command 'draw'";
}

void tst_AdminMap::render()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QSize, size);
    QFETCH(QString, err);
    QVERIFY(testsupport::writeFile(m_dir->filePath("m.xml"), map()));
    QVERIFY(testsupport::writeFile(m_dir->filePath("keep.png"), "mine"));
    const testsupport::ProgramRun r = run(args);
    QVERIFY2(r.code == code, qPrintable(QString::number(r.code) + ": " + r.err));
    if (!err.isEmpty())
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QCOMPARE(testsupport::readFile(m_dir->filePath("keep.png")), QByteArray("mine"));
    const QImage picture(m_dir->filePath("o.png"));
    QCOMPARE(picture.size(), size.isValid() ? size : QSize(0, 0));
    if (size.isValid()) {
        QCOMPARE(picture.pixelColor(2, 2), QColor(Qt::white));
        // The icon of box 1 is drawn (left 1570 twips at 96 dpi is about 105 pixels).
        bool red = false;
        for (int x = 100; x < 220 && !red; ++x)
            for (int y = 170; y < 260 && !red; ++y)
                red = picture.pixelColor(x, y) == QColor(Qt::red);
        QVERIFY(red || size.width() < 220);
    }
    // Only the files the test made, the picture asked for, and nothing half-written.
    QStringList files = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    files.removeAll("o.png");
    QCOMPARE(files, (QStringList{"keep.png", "m.xml"}));
}

QTEST_GUILESS_MAIN(tst_AdminMap)
#include "tst_admin_map.moc"

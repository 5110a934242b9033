// Process maps in the main window's home area, stored in real SQLite rows,
// plain or in real zip archives: the cache and its stale test, the elements
// made from a map, the messages, and what a box press runs.
#include "components/kx/kxarrow.h"
#include "components/kx/kxpilot.h"
#include "components/archive.h"
#include "components/database.h"
#include "core/session.h"
#include "workspace/frmmain.h"
#include "workspace/layout.h"
#include "components/kx/picturebox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"
#include "workspace_helper.h"

using wstest::Site;

namespace {

const QString kCode = QStringLiteral("0101");

// Base64 as the map files keep it: lines of 72 characters separated by one byte.
QString wrappedBase64(const QByteArray &bytes)
{
    const QByteArray b = bytes.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b.size(); i += 72) {
        if (i)
            out += '\n';
        out += b.mid(i, 72);
    }
    return QString::fromLatin1(out);
}

QString boxXml(const QString &caption, int left, const QString &code, const QString &icon, const QByteArray &png)
{
    return QStringLiteral("<pilot caption=\"%1\" left=\"%2\" top=\"20\" width=\"30\" height=\"40\" iconsize=\"24\" righttoleft=\"False\" "
                          "textalign=\"2\"><menu code=\"%3\"/><icon filename=\"%4\">%5</icon></pilot>")
        .arg(caption)
        .arg(left)
        .arg(code, icon, wrappedBase64(png));
}

const char *kArrowXml = "<arrow left=\"40\" top=\"30\" width=\"20\" height=\"10\" forecolor=\"8421504\" arrowdirection=\"0\" "
                        "appearance=\"0\" backcolor=\"0\" constantalpha=\"255\" borderstyle=\"1\" shadowlength=\"0\" shadowstep=\"1\"/>";

QByteArray mapXml(const QString &arrows, const QString &pilots)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<print><page><blocks><arrows>%1</arrows><pilots>%2</pilots>"
                          "</blocks></page></print>\n")
        .arg(arrows, pilots)
        .toUtf8();
}

QByteArray oneBoxMap(const QString &caption)
{
    return mapXml(kArrowXml, boxXml(caption, 10, "010101", "p.png", wstest::pngBytes(16, Qt::red)));
}

bool storeMap(Site &site, const QString &code, const QString &filename, int iscompress, const QByteArray &contents,
              const QVariant &filesize)
{
    return site.exec("delete from xt_menuPilot where type=0 and menuCode=?", {code})
        && site.exec("insert into xt_menuPilot(menuCode, type, filename, iscompress, contents, filesize) values (?, 0, ?, ?, ?, ?)",
                     {code, filename, iscompress, contents, filesize});
}

QStringList captions(const frmMain &w)
{
    QStringList out;
    for (int i = 1; i < w.kxPilot.size(); ++i)
        out << w.kxPilot[i]->text();
    return out;
}

QStringList filesBelow(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

} // namespace

class tst_LoadPilotMap : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void cache_data();
    void cache();
    void maps_data();
    void maps();
    void geometryAndOrder();
    void storedFaults_data();
    void storedFaults();
    void existingImageKept();
    void folderFallback();
    void boxPress();
    void nextMapReplacesElements();
    void demoMaps();
    void largeMaps_data();
    void largeMaps();

private:
    testsupport::RecordingUi *m_ui = nullptr;
    wstest::RecordingRunner m_runner;
    QStringList m_ran;
};

void tst_LoadPilotMap::init()
{
    m_ui = new testsupport::RecordingUi;
    m_ran.clear();
    m_runner = wstest::RecordingRunner{};
    m_runner.run = [this](const QString &code, bool &, bool &executed) {
        m_ran << code;
        executed = true;
    };
}

void tst_LoadPilotMap::cleanup()
{
    delete m_ui;
    m_ui = nullptr;
}

void tst_LoadPilotMap::cache_data()
{
    QTest::addColumn<bool>("compressed");
    QTest::addColumn<QString>("filesize"); // "match" the stored XML, "null", "archive" the archive's length
    QTest::addColumn<QString>("cached");   // "none", "same" length as the stored XML, "longer"
    QTest::addColumn<bool>("fromRow");     // whether the map shown is the stored one

    QTest::newRow("first load") << false << "match" << "none" << true;
    QTest::newRow("cache of the same length kept though the row changed") << false << "match" << "same" << false;
    QTest::newRow("filesize changed: fetched again") << false << "match" << "longer" << true;
    QTest::newRow("null filesize with a cache: kept") << false << "null" << "longer" << false;
    QTest::newRow("null filesize without a cache: fetched") << false << "null" << "none" << true;
    QTest::newRow("first load of a compressed map") << true << "match" << "none" << true;
    QTest::newRow("compressed, cache of the extracted length kept") << true << "match" << "same" << false;
    QTest::newRow("compressed, filesize of the archive: fetched each time") << true << "archive" << "same" << true;
}

void tst_LoadPilotMap::cache()
{
    QFETCH(bool, compressed);
    QFETCH(QString, filesize);
    QFETCH(QString, cached);
    QFETCH(bool, fromRow);

    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QByteArray stored = oneBoxMap(QStringLiteral("新单"));
    const QByteArray old = oneBoxMap(QStringLiteral("旧单"));
    QCOMPARE(old.size(), stored.size());
    const QByteArray contents = compressed ? wstest::zipBytes("map.xml", stored) : stored;
    QVariant size = filesize == "null" ? QVariant(QMetaType::fromType<int>()) : QVariant(int(stored.size()));
    if (filesize == "archive")
        size = int(contents.size());
    QVERIFY2(storeMap(site, kCode, "map.xml", compressed ? 1 : 0, contents, size), qPrintable(site.error()));
    QVERIFY2(site.open(), qPrintable(site.error()));

    const QString menu = QDir::cleanPath(site.tempFolder() + "/menu");
    const QString file = menu + "/" + kCode + ".mnu";
    if (cached != "none") {
        QVERIFY(QDir().mkpath(menu));
        QVERIFY(testsupport::writeFile(file, cached == "same" ? old : old + "<!-- longer -->"));
    }
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    QVERIFY(w.LoadPilotMap(kCode));
    QCOMPARE(captions(w), QStringList{fromRow ? QStringLiteral("新单") : QStringLiteral("旧单")});
    if (fromRow)
        QCOMPARE(testsupport::readFile(file), stored);
    QCOMPARE(filesBelow(menu), QStringList{kCode + ".mnu"}); // nothing else left behind by the extraction
    QVERIFY(m_ui->boxes.isEmpty());
}

void tst_LoadPilotMap::maps_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("arrows");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QString>("message"); // "" for none

    const QByteArray png = wstest::pngBytes(16, Qt::blue);
    const QString good = boxXml("甲", 10, "010101", "b.png", png);
    QTest::newRow("one arrow and two boxes") << mapXml(kArrowXml, good + boxXml("乙", 80, "010102", "b.png", png)) << true << 1 << 2 << "";
    QTest::newRow("arrows without boxes") << mapXml(QString::fromLatin1(kArrowXml) + kArrowXml, "") << true << 2 << 0 << "";
    QTest::newRow("empty blocks") << QByteArray("<print><page><blocks/></page></print>") << true << 0 << 0 << "";
    QTest::newRow("not XML") << QByteArray("this is no map") << false << 0 << 0 << "读取导航窗口文件时格式错误！";
    QTest::newRow("truncated") << mapXml(kArrowXml, good).left(120) << false << 0 << 0 << "读取导航窗口文件时格式错误！";
    QTest::newRow("a box without top stops the load, the elements before stay")
        << mapXml(kArrowXml, good + QStringLiteral("<pilot caption=\"x\" left=\"1\"/>")) << false << 1 << 1
        << "加载导航窗口文件，原因：无效使用 Null";
    QTest::newRow("coordinates of 1e9") << mapXml(kArrowXml, QString(good).replace("left=\"10\"", "left=\"1e9\"")) << false << 1 << 0
                                        << "加载导航窗口文件，原因：溢出";
    QTest::newRow("broken Base64 of an icon") << mapXml("", boxXml("甲", 10, "1", "broken.png", png).replace("<icon filename=\"broken.png\">", "<icon filename=\"broken.png\">@@@@"))
                                              << false << 0 << 0 << "加载导航窗口文件，原因：无效图片";
    QTest::newRow("an icon of empty text") << mapXml("", QStringLiteral("<pilot caption=\"x\" left=\"1\" top=\"1\" width=\"1\" height=\"1\" "
                                                                        "iconsize=\"1\" righttoleft=\"0\" textalign=\"0\"><icon filename=\"none.png\"/></pilot>"))
                                           << false << 0 << 0 << "加载导航窗口文件，原因：文件未找到";
    QTest::newRow("a Windows path as icon name") << mapXml("", boxXml("甲", 10, "1", "..\\..\\x.png", png)) << true << 0 << 1 << "";
}

void tst_LoadPilotMap::maps()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, result);
    QFETCH(int, arrows);
    QFETCH(int, boxes);
    QFETCH(QString, message);

    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    QVERIFY2(storeMap(site, kCode, "map.xml", 0, xml, int(xml.size())), qPrintable(site.error()));
    QVERIFY2(site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    QCOMPARE(w.LoadPilotMap(kCode), result);
    QCOMPARE(w.kxArrow.size() - 1, arrows);
    QCOMPARE(w.kxPilot.size() - 1, boxes);
    for (int i = 1; i < w.kxPilot.size(); ++i) {
        QVERIFY(!w.kxPilot[i]->isHidden());
        QCOMPARE(w.kxPilot[i]->parentWidget(), w.PicTable);
        QVERIFY(!w.kxPilot[i]->picture().isNull());
    }
    if (message.isEmpty()) {
        QVERIFY(m_ui->boxes.isEmpty());
    } else {
        QCOMPARE(m_ui->boxes.size(), 1);
        QVERIFY2(m_ui->boxes[0].text.startsWith(message), qPrintable(m_ui->boxes[0].text));
        QCOMPARE(m_ui->boxes[0].title, QStringLiteral("错误"));
        QCOMPARE(m_ui->boxes[0].icon(), int(ui::Critical));
    }
    // Pictures land in the images folder and nowhere else; a broken one is not kept.
    const QStringList images = filesBelow(QDir::cleanPath(site.tempFolder() + "/images"));
    for (const QString &f : images)
        QVERIFY2(f == "b.png" || f == "x.png", qPrintable(f));
    QVERIFY(!QFileInfo::exists(site.programFolder() + "/x.png"));
    QVERIFY(!QFileInfo::exists(site.tempFolder() + "/x.png"));
}

void tst_LoadPilotMap::geometryAndOrder()
{
    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QByteArray xml = oneBoxMap("甲");
    QVERIFY(storeMap(site, kCode, "map.xml", 0, xml, int(xml.size())));
    QVERIFY2(site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    QVERIFY(w.LoadPilotMap(kCode));
    QCOMPARE(w.kxPilot.size(), 2);
    // left 10, top 20, width 30, height 40 in file units: 1570, 2640, 1710, 2280 twips, at 96 dpi
    // (15 twips a pixel, the edges rounded) these pixels.
    QCOMPARE(w.dpi(), 96.0);
    QCOMPARE(w.kxPilot[1]->geometry(), QRect(105, 176, 114, 152));
    QCOMPARE(w.kxPilot[1]->tag(), QStringLiteral("010101"));
    QCOMPARE(w.kxPilot[1]->pictureSize(), 24);
    // left 40, top 30, width 20, height 10: 3280, 3210, 1140, 570 twips.
    QCOMPARE(w.kxArrow[1]->geometry(), QRect(219, 214, 76, 38));
    QCOMPARE(w.kxArrow[1]->foreColor(), 8421504);
    // Boxes lie above arrows.
    const QObjectList order = w.PicTable->children();
    QVERIFY(order.indexOf(w.kxPilot[1]) > order.indexOf(w.kxArrow[1]));
}

void tst_LoadPilotMap::storedFaults_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("filename");
    QTest::addColumn<int>("iscompress");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");

    const QByteArray xml = oneBoxMap("甲");
    QTest::newRow("archive without the named file") << kCode << "map.xml" << 1 << wstest::zipBytes("other.xml", xml)
                                                    << "压缩包中没有文件“map.xml”";
    QTest::newRow("damaged archive") << kCode << "map.xml" << 1 << QByteArray("PK\x03\x04 broken") << "压缩内容不能解压";
    QTest::newRow("archive filename with a folder") << kCode << "../map.xml" << 1 << wstest::zipBytes("map.xml", xml)
                                                    << "不是单纯的文件名";
    QTest::newRow("a code that would leave the cache folder") << "../../up" << "map.xml" << 0 << xml << "不能用作文件名";
    QTest::newRow("a code with a quote is a value, not SQL") << "01'02" << "map.xml" << 0 << xml << "";
    QTest::newRow("archived under the cache file's own name") << kCode << kCode + ".mnu" << 1 << wstest::zipBytes(kCode + ".mnu", xml) << "";
    QTest::newRow("an archive's other files stay out of the cache")
        << kCode << "map.xml" << 1 << QByteArray("two") << "";
    QTest::newRow("archive holding a link") << kCode << "map.xml" << 1 << QByteArray() << "压缩内容不能解压";
}

void tst_LoadPilotMap::storedFaults()
{
    QFETCH(QString, code);
    QFETCH(QString, filename);
    QFETCH(int, iscompress);
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);

    if (contents == "two") { // the map and a file named like another code's cached map
        QTemporaryDir dir;
        QVERIFY(testsupport::writeFile(dir.filePath("map.xml"), oneBoxMap("甲")));
        QVERIFY(testsupport::writeFile(dir.filePath("0102.mnu"), "not a map"));
        const QString zip = dir.filePath("a.zip");
        QVERIFY(zLibControl::compress({{dir.filePath("map.xml"), "map.xml"}, {dir.filePath("0102.mnu"), "0102.mnu"}}, zip));
        contents = testsupport::readFile(zip);
    }
    if (contents.isEmpty()) { // an archive with a symbolic link, made by the zip tool
        QTemporaryDir dir;
        QVERIFY(QFile::link("/etc/passwd", dir.filePath("map.xml")));
        QProcess zip;
        zip.setWorkingDirectory(dir.path());
        zip.start("zip", {"--symlinks", "-q", "a.zip", "map.xml"});
        if (!zip.waitForFinished() || zip.exitCode() != 0)
            QSKIP("the zip tool is not available");
        contents = testsupport::readFile(dir.filePath("a.zip"));
    }
    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    QVERIFY2(storeMap(site, code, filename, iscompress, contents, 1), qPrintable(site.error()));
    QVERIFY2(site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    QCOMPARE(w.LoadPilotMap(code), message.isEmpty());
    if (message.isEmpty()) {
        QVERIFY(m_ui->boxes.isEmpty());
        QCOMPARE(captions(w), QStringList{"甲"});
    } else {
        QCOMPARE(m_ui->boxes.size(), 1);
        QVERIFY2(m_ui->boxes[0].text.startsWith(QStringLiteral("加载导航窗口文件，原因：")) && m_ui->boxes[0].text.contains(message),
                 qPrintable(m_ui->boxes[0].text));
        QCOMPARE(w.kxPilot.size(), 1);
    }
    // Nothing written outside the menu folder, no map left under the code.
    const QString temp = QDir::cleanPath(site.tempFolder());
    QVERIFY(!QFileInfo::exists(temp + "/up.mnu"));
    QVERIFY(!QFileInfo::exists(site.programFolder() + "/up.mnu"));
    QVERIFY(!QFileInfo::exists(temp + "/map.xml"));
    for (const QString &f : filesBelow(temp + "/menu"))
        QVERIFY2(f == code + ".mnu" && message.isEmpty(), qPrintable(f));
}

void tst_LoadPilotMap::existingImageKept()
{
    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QByteArray xml = oneBoxMap("甲"); // carries a red p.png
    QVERIFY(storeMap(site, kCode, "map.xml", 0, xml, int(xml.size())));
    QVERIFY2(site.open(), qPrintable(site.error()));
    const QString image = QDir::cleanPath(site.tempFolder() + "/images/p.png");
    QVERIFY(QDir().mkpath(QFileInfo(image).path()));
    const QByteArray green = wstest::pngBytes(16, Qt::green);
    QVERIFY(testsupport::writeFile(image, green));
    frmMain w(testsupport::session());
    QVERIFY(w.LoadPilotMap(kCode));
    QCOMPARE(testsupport::readFile(image), green);
    QCOMPARE(w.kxPilot[1]->picture().toImage().pixelColor(2, 2), QColor(Qt::green));
}

// A temporary folder that cannot be made: the maps and pictures go to the user's cache folder.
void tst_LoadPilotMap::folderFallback()
{
    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QString plain = site.programFolder() + "/plain";
    QVERIFY(testsupport::writeFile(plain, "a file, not a folder"));
    site.setTempFolder(plain + "/temp/");
    const QByteArray xml = oneBoxMap("甲");
    QVERIFY(storeMap(site, kCode, "map.xml", 0, xml, int(xml.size())));
    QVERIFY2(site.open(), qPrintable(site.error()));
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QFile::remove(cache + "/menu/" + kCode + ".mnu");
    QFile::remove(cache + "/images/p.png");
    frmMain w(testsupport::session());
    QVERIFY(w.LoadPilotMap(kCode));
    QVERIFY(m_ui->boxes.isEmpty());
    QVERIFY(QFileInfo(cache + "/menu/" + kCode + ".mnu").isFile());
    QVERIFY(QFileInfo(cache + "/images/p.png").isFile());
    QVERIFY2(site.logText().contains(QStringLiteral("不能写入，改用缓存文件夹")), qPrintable(site.logText()));
    QVERIFY(QFileInfo(plain).isFile());
}

void tst_LoadPilotMap::boxPress()
{
    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QByteArray png = wstest::pngBytes(16, Qt::blue);
    const QByteArray xml = mapXml("", boxXml("甲", 10, "010101", "b.png", png) + boxXml("乙", 60, "010102", "b.png", png)
                                          + QStringLiteral("<pilot caption=\"丙\" left=\"110\" top=\"20\" width=\"30\" height=\"40\" "
                                                           "iconsize=\"24\" righttoleft=\"0\" textalign=\"0\"><icon filename=\"b.png\"/></pilot>"));
    QVERIFY(storeMap(site, kCode, "map.xml", 0, xml, int(xml.size())));
    QVERIFY2(site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    w.resize(1200, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.LoadPilotMap(kCode));
    QCOMPARE(w.kxPilot.size(), 4);
    QTest::mouseClick(w.kxPilot[2], Qt::LeftButton);
    QCOMPARE(m_ran, QStringList{"010102"});
    // The keyboard: focus on the first box, Tab to the next, Enter and Space press.
    w.kxPilot[1]->setFocus();
    QTest::keyClick(w.kxPilot[1], Qt::Key_Return);
    QTRY_COMPARE(m_ran.size(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.kxPilot[2]);
    QTest::keyClick(w.kxPilot[2], Qt::Key_Space);
    QCOMPARE(m_ran, (QStringList{"010102", "010101", "010102"}));
    // A box without a menu runs the empty code, as its tag says.
    QTest::mouseClick(w.kxPilot[3], Qt::LeftButton);
    QCOMPARE(m_ran.last(), QString());
}

void tst_LoadPilotMap::nextMapReplacesElements()
{
    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QByteArray xml = oneBoxMap("甲");
    QVERIFY(storeMap(site, kCode, "map.xml", 0, xml, int(xml.size())));
    QVERIFY2(site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    QVERIFY(w.LoadPilotMap(kCode));
    QVERIFY(w.LoadPilotMap(kCode));
    QCOMPARE(w.kxPilot.size(), 2);
    QCOMPARE(w.kxArrow.size(), 2);
    // No stored map: nothing shown, nothing said.
    QVERIFY(!w.LoadPilotMap(QStringLiteral("9999")));
    QCOMPARE(w.kxPilot.size(), 1);
    QCOMPARE(w.kxArrow.size(), 1);
    QVERIFY(m_ui->boxes.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(w.PicTable->findChildren<kxPilot *>().size(), 1); // the template
}

// Every map of the demo loads to its end, twice (the second time from the
// cache), and every box runs a function entry of the demo menus. With
// ZENLO_SCREENSHOT_DIR set, the home area of each goes there as a picture.
void tst_LoadPilotMap::demoMaps()
{
    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    QVERIFY2(site.open(), qPrintable(site.error()));
    Database *db = testsupport::session().db.get();
    RecordSetPtr rs = db->query("select menuCode, iscompress, filesize from xt_menuPilot where type=0 order by menuCode", {});
    QStringList codes;
    QHash<QString, qint64> sizes;
    int archived = 0;
    for (; rs && !rs->isEOF(); rs->moveNext()) {
        codes << rs->text("menuCode");
        sizes.insert(codes.last(), rs->field("filesize").toLongLong());
        archived += rs->text("iscompress") == "1";
    }
    QVERIFY(codes.size() >= 10);
    QVERIFY(archived > 0 && archived < codes.size());
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    w.resize(1280, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString shots = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR");
    for (const QString &code : codes) {
        for (int pass = 0; pass < 2; ++pass) {
            QVERIFY2(w.LoadPilotMap(code), qPrintable(code));
            QVERIFY2(m_ui->boxes.isEmpty(), qPrintable(m_ui->boxes.value(0).text));
            QVERIFY(w.kxPilot.size() > 1);
            // filesize is the cached file's length, so the second load reads the cache.
            QCOMPARE(QFileInfo(QDir::cleanPath(site.tempFolder() + "/menu/" + code + ".mnu")).size(), sizes.value(code));
        }
        for (int i = 1; i < w.kxPilot.size(); ++i) {
            RecordSetPtr entry = db->query("select menuismx from xt_menu where menucode=?", {w.kxPilot[i]->tag()});
            QVERIFY2(entry && !entry->isEOF() && entry->text("menuismx") == "1", qPrintable(code + ": " + w.kxPilot[i]->tag()));
            // Every box lies inside the home area, left of the report column.
            QVERIFY2(w.PicTable->rect().contains(w.kxPilot[i]->geometry()), qPrintable(code));
        }
        if (!shots.isEmpty()) {
            QDir().mkpath(shots);
            QCoreApplication::processEvents();
            w.grab().save(shots + "/pilotmap-" + code + ".png");
        }
    }
}

void tst_LoadPilotMap::largeMaps_data()
{
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("padding"); // bytes of comment in the file
    QTest::newRow("100,000 boxes") << 100000 << 0;
    QTest::newRow("50 MB") << 1 << 50 * 1024 * 1024;
}

void tst_LoadPilotMap::largeMaps()
{
    QFETCH(int, boxes);
    QFETCH(int, padding);
    Site site(QStringLiteral("导航图测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QString one = boxXml("甲", 10, "010101", "b.png", wstest::pngBytes(4, Qt::blue));
    QString pilots;
    pilots.reserve(one.size() * boxes);
    for (int i = 0; i < boxes; ++i)
        pilots += one;
    QByteArray xml = mapXml(kArrowXml, pilots);
    if (padding)
        xml.append("<!--").append(QByteArray(padding, 'x')).append("-->");
    QVERIFY(storeMap(site, kCode, "map.xml", 0, xml, int(xml.size())));
    QVERIFY2(site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    QVERIFY(w.LoadPilotMap(kCode));
    QCOMPARE(w.kxPilot.size() - 1, boxes);
    QVERIFY(m_ui->boxes.isEmpty());
    QCoreApplication::sendPostedEvents(); // the event loop runs before the next map is chosen
    QVERIFY(!w.LoadPilotMap(QStringLiteral("9999")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(w.PicTable->findChildren<kxPilot *>().size(), 1);
}

QTEST_MAIN(tst_LoadPilotMap)
#include "tst_loadpilotmap.moc"

// The process-map reader without widgets: conversions, element order, the
// rules for missing attributes, and files that are not maps.
#include "workspace/pilotmap.h"

#include <QTest>

using namespace workspace;

namespace {

// A map with the given arrow and box elements.
QByteArray mapXml(const QString &arrows, const QString &pilots)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><print><page><blocks><arrows>%1</arrows><pilots>%2</pilots>"
                          "</blocks></page></print>")
        .arg(arrows, pilots)
        .toUtf8();
}

const char *kArrow = "<arrow left=\"1\" top=\"2\" width=\"3\" height=\"4\" forecolor=\"255\" arrowdirection=\"2\" appearance=\"1\" "
                     "backcolor=\"65280\" constantalpha=\"200\" borderstyle=\"3\" shadowlength=\"4\" shadowstep=\"2\"/>";

QString box(const QString &attrs, const QString &inner = QStringLiteral("<menu code=\"0101\"/><icon filename=\"a.png\">QQ==</icon>"))
{
    return QStringLiteral("<pilot %1>%2</pilot>").arg(attrs, inner);
}

const char *kBoxAttrs = "caption=\"订单\" left=\"10\" top=\"20\" width=\"30\" height=\"40\" iconsize=\"24\" righttoleft=\"False\" textalign=\"2\"";

} // namespace

class tst_PilotMap : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void notXml_data();
    void notXml();
    void boxAttribute_data();
    void boxAttribute();
    void listsAndLargeMaps();
};

void tst_PilotMap::read_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("arrows");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QString>("error"); // part of the description, "" when read to the end

    const QString attrs = QString::fromUtf8(kBoxAttrs);
    const QString b = box(attrs);
    const QString a = QString::fromLatin1(kArrow);
    QTest::newRow("arrows end at the first without left") << mapXml(a + "<arrow top=\"1\"/>" + a, "") << 1 << 0 << "";
    QTest::newRow("boxes end at the first without caption") << mapXml("", b + box("left=\"1\"") + b) << 0 << 1 << "";
    QTest::newRow("missing colours read as 0, strict numbers do not")
        << mapXml("<arrow left=\"1\" top=\"2\" width=\"3\" height=\"4\" arrowdirection=\"0\" appearance=\"0\" "
                  "constantalpha=\"255\" borderstyle=\"1\" shadowlength=\"0\" shadowstep=\"abc\"/>",
                  "")
        << 0 << 0 << "类型不匹配";
    QTest::newRow("a missing top ends the load at that arrow, the one before stays")
        << mapXml(a + "<arrow left=\"1\" width=\"3\"/>", b) << 1 << 0 << "arrows/arrow[1] 没有属性“top”";
    QTest::newRow("1e9 overflows") << mapXml("", box(QString(attrs).replace("left=\"10\"", "left=\"1e9\""))) << 0 << 0 << "溢出";
    QTest::newRow("-abc is no number") << mapXml("", box(QString(attrs).replace("top=\"20\"", "top=\"-abc\""))) << 0 << 0
                                       << "类型不匹配";
    QTest::newRow("a box without icon") << mapXml("", b + box(attrs, "<menu code=\"1\"/>")) << 0 << 1 << "pilot[1] 没有子元素“icon”";
    QTest::newRow("an icon without filename") << mapXml("", box(attrs, "<icon>QQ==</icon>")) << 0 << 0 << "没有属性“filename”";
}

void tst_PilotMap::read()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, arrows);
    QFETCH(int, boxes);
    QFETCH(QString, error);
    PilotMapReader r;
    QVERIFY2(r.loadData(xml), qPrintable(r.formatError()));
    const PilotMap m = r.read();
    if (error.isEmpty())
        QVERIFY2(m.complete(), qPrintable(m.error));
    else
        QVERIFY2(m.error.contains(error), qPrintable(m.error));
    QCOMPARE(m.arrows.size(), arrows);
    QCOMPARE(m.boxes.size(), boxes);
}

void tst_PilotMap::notXml_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text") << QByteArray("not a map");
    QTest::newRow("truncated") << mapXml(kArrow, "").left(60);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("two roots") << QByteArray("<print/><print/>");
    QTest::newRow("declared utf-8, holds gbk") << QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?><print a=\"\xb6\xa9\"/>");
}

void tst_PilotMap::notXml()
{
    QFETCH(QByteArray, bytes);
    PilotMapReader r;
    QVERIFY(!r.loadData(bytes));
    QVERIFY(!r.formatError().isEmpty());
    QVERIFY(!r.read().complete());
}

void tst_PilotMap::boxAttribute_data()
{
    QTest::addColumn<QString>("attrs");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("line"); // the box line from "left=", or "!" + part of the error
    const QString base = QString::fromUtf8(kBoxAttrs);
    const QString ok = QStringLiteral("<icon filename=\"a.png\">QQ==</icon>");
    QTest::newRow("encoded caption") << QString(base).replace("订单", "=?gb2312?B?suLK1A==?=") << ok << "caption=测试";
    QTest::newRow("capital charset is plain text") << QString(base).replace("订单", "=?GB2312?B?suLK1A==?=") << ok
                                                   << "caption==?GB2312?B?suLK1A==?=";
    QTest::newRow("hex colour of a box's size") << QString(base).replace("iconsize=\"24\"", "iconsize=\"&H20\"") << ok << "iconsize=32";
    QTest::newRow("iconsize missing is 0") << QString(base).replace("iconsize=\"24\" ", "") << ok << "iconsize=0";
    QTest::newRow("iconsize lenient") << QString(base).replace("iconsize=\"24\"", "iconsize=\"16px\"") << ok << "iconsize=16";
    QTest::newRow("iconsize too big") << QString(base).replace("iconsize=\"24\"", "iconsize=\"40000\"") << ok << "!溢出";
    QTest::newRow("halves round to even") << QString(base).replace("left=\"10\"", "left=\"1.5\"") << ok << "left=1086";
    QTest::newRow("blanks around numbers") << QString(base).replace("left=\"10\"", "left=\" 10 \"") << ok << "left=1570";
    QTest::newRow("righttoleft as read") << QString(base).replace("False", "-1") << ok << "righttoleft=-1";
    QTest::newRow("righttoleft not boolean") << QString(base).replace("False", "maybe") << ok << "!类型不匹配";
    QTest::newRow("textalign missing") << QString(base).replace("textalign=\"2\"", "") << ok << "!没有属性“textalign”";
    QTest::newRow("windows path of the icon") << base << "<icon filename=\"..\\..\\x.png\">QQ==</icon>" << "icon=x.png";
    QTest::newRow("posix path of the icon") << base << "<icon filename=\"../../x.png\">QQ==</icon>" << "icon=x.png";
    QTest::newRow("encoded icon name") << base << "<icon filename=\"=?gb2312?B?suLK1C5wbmc=?=\">QQ==</icon>" << "icon=测试.png";
    QTest::newRow("an icon name of dots") << base << "<icon filename=\"a\\..\">QQ==</icon>" << "!不是单纯的文件名";
    QTest::newRow("an icon name that ends in a separator") << base << "<icon filename=\"a\\\">QQ==</icon>" << "!不是单纯的文件名";
}

void tst_PilotMap::boxAttribute()
{
    QFETCH(QString, attrs);
    QFETCH(QString, icon);
    QFETCH(QString, line);
    PilotMapReader r;
    QVERIFY(r.loadData(mapXml("", box(attrs, icon))));
    const PilotMap m = r.read();
    if (line.startsWith('!')) {
        QVERIFY2(m.error.contains(line.mid(1)), qPrintable(m.error));
        QCOMPARE(m.boxes.size(), 0);
        return;
    }
    QVERIFY2(m.complete(), qPrintable(m.error));
    QCOMPARE(m.boxes.size(), 1);
    QVERIFY2(describeBox(m.boxes[0], 1).contains(line), qPrintable(describeBox(m.boxes[0], 1)));
}

void tst_PilotMap::listsAndLargeMaps()
{
    // Two "arrows" lists: arrow[1] is the second element of the first list that has one.
    PilotMapReader r;
    const QByteArray two = "<print><page><blocks><arrows><arrow left=\"1\" top=\"0\" width=\"0\" height=\"0\" arrowdirection=\"0\" "
                           "appearance=\"0\" constantalpha=\"0\" borderstyle=\"0\" shadowlength=\"0\" shadowstep=\"0\"/></arrows>"
                           "<arrows><arrow left=\"2\"/><arrow left=\"3\" top=\"0\" width=\"0\" height=\"0\" arrowdirection=\"0\" "
                           "appearance=\"0\" constantalpha=\"0\" borderstyle=\"0\" shadowlength=\"0\" shadowstep=\"0\"/></arrows>"
                           "</blocks></page></print>";
    QVERIFY(r.loadData(two));
    PilotMap m = r.read();
    QCOMPARE(m.arrows.size(), 2);
    QCOMPARE(m.arrows[1].rect.left, 1171); // file unit 3: 57 twips each, 1000 twips in

    // 100,000 boxes read in one pass.
    QString pilots;
    const QString b = box(QString::fromUtf8(kBoxAttrs));
    pilots.reserve(b.size() * 100000);
    for (int i = 0; i < 100000; ++i)
        pilots += b;
    QVERIFY(r.loadData(mapXml("", pilots)));
    m = r.read();
    QVERIFY(m.complete());
    QCOMPARE(m.boxes.size(), 100000);
}

QTEST_GUILESS_MAIN(tst_PilotMap)
#include "tst_pilotmap.moc"

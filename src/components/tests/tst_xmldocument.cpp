#include "components/xmldocument.h"

#include "platform/ansi.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

class tst_XmlDocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void toXPath_data();
    void toXPath();
    void queries_data();
    void queries();
    void countAndAttributes();
    void badDocuments_data();
    void badDocuments();
    void loadFromFile();
    void encodings_data();
    void encodings();
    void encodingFailures_data();
    void encodingFailures();
    void deviceFromItsPosition();
};

namespace {

QByteArray gbk(const QString &text)
{
    bool ok = false;
    const QByteArray bytes = ansi::fromUnicode(text, &ok);
    Q_ASSERT(ok);
    return bytes;
}

QByteArray configWith(const QByteArray &declaration, const QByteArray &caption)
{
    return declaration + "<configuration><system><caption>" + caption + "</caption></system></configuration>";
}

// A caption every Chinese encoding can hold.
const QString kCaption = QString::fromUtf8("企业管理系统");

} // namespace

// A site's files as Windows tools save them; each must read back as the same text.
void tst_XmlDocument::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("encoding");
    const QByteArray gbDecl = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n";
    QTest::newRow("gb2312 declared") << configWith(gbDecl, gbk(kCaption)) << kCaption << "GBK";
    // GBK characters in a file declared gb2312: what Notepad on a Chinese workstation writes.
    const QString gbkOnly = QString::fromUtf8("鎔镕");
    QTest::newRow("gb2312 declared holding GBK characters") << configWith(gbDecl, gbk(gbkOnly)) << gbkOnly << "GBK";
    QTest::newRow("GBK in capitals, single quotes")
        << configWith("<?xml version='1.0' encoding='GBK' standalone='yes'?>", gbk(kCaption)) << kCaption << "GBK";
    QTest::newRow("blanks around the equals sign, a line break before the name")
        << configWith("<?xml version=\"1.0\"\r\n\tencoding =  \"gbk\" ?>", gbk(kCaption)) << kCaption << "GBK";
    QTest::newRow("an unclosed name, then a real one")
        << configWith("<?xml version=\"1.0\" encoding=\"utf-8' encoding='gbk'?>", gbk(kCaption)) << kCaption << "GBK";
    const QString beyondGbk = QString::fromUtf8("字\U00020000");
    QTest::newRow("gb18030 four-byte character")
        << configWith("<?xml version=\"1.0\" encoding=\"GB18030\"?>", QByteArray("\xD7\xD6\x95\x32\x82\x36", 6)) << beyondGbk
        << "GB18030";
    QTest::newRow("utf-8 declared") << configWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>", kCaption.toUtf8()) << kCaption
                                    << "UTF-8";
    QTest::newRow("no declaration, UTF-8") << configWith("", kCaption.toUtf8()) << kCaption << "UTF-8";
    QTest::newRow("declaration without encoding, ANSI bytes")
        << configWith("<?xml version=\"1.0\"?>", gbk(kCaption)) << kCaption << "GBK";
    QTest::newRow("no declaration, ANSI bytes") << configWith("", gbk(kCaption)) << kCaption << "GBK";
    QTest::newRow("UTF-8 byte-order mark") << "\xEF\xBB\xBF" + configWith("<?xml version=\"1.0\"?>", kCaption.toUtf8())
                                           << kCaption << "UTF-8";
    const QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-16\"?><configuration><system><caption>")
        + kCaption + QStringLiteral("</caption></system></configuration>");
    QTest::newRow("UTF-16 with byte-order mark")
        << "\xFF\xFE" + QByteArray(reinterpret_cast<const char *>(doc.utf16()), doc.size() * 2) << kCaption << "UTF-16LE";
}

void tst_XmlDocument::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, caption);
    QFETCH(QString, encoding);
    XmlDocument doc;
    QVERIFY2(doc.loadData(bytes), qPrintable(doc.lastError()));
    QCOMPARE(doc.value("/configuration/system/caption").value(), caption);
    QCOMPARE(doc.encoding(), encoding);
}

void tst_XmlDocument::encodingFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("encoding that does not exist")
        << configWith("<?xml version=\"1.0\" encoding=\"gb9999\"?>", "x") << "encoding \"gb9999\", which this program cannot read";
    QTest::newRow("declared UTF-8, holding GBK bytes")
        << configWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", gbk(kCaption)) << "declared \"UTF-8\" but holds bytes that are not UTF-8 (offset 70)";
    QTest::newRow("declared GBK, holding bytes GBK lacks")
        << configWith("<?xml version=\"1.0\" encoding=\"gbk\"?>", "\xFF\xFF") << "declared \"gbk\" but holds bytes that are not valid there";
    QTest::newRow("UTF-8 mark, GBK bytes") << "\xEF\xBB\xBF" + configWith("", gbk(kCaption)) << "UTF-8 byte-order mark";
}

void tst_XmlDocument::encodingFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    XmlDocument doc;
    QVERIFY(!doc.loadData(bytes));
    QVERIFY2(doc.lastError().contains(reason), qPrintable(doc.lastError()));
    QVERIFY(!doc.isLoaded());
    QVERIFY(!doc.value("/configuration/system/caption").has_value());
}

// A reader given a device reads what is left of it, whatever came before.
void tst_XmlDocument::deviceFromItsPosition()
{
    QByteArray bytes = "HEADER" + configWith("<?xml version=\"1.0\" encoding=\"gb2312\"?>", gbk(kCaption));
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(buffer.read(6), QByteArray("HEADER"));
    XmlDocument doc;
    QVERIFY2(doc.loadDevice(&buffer), qPrintable(doc.lastError()));
    QCOMPARE(doc.value("/configuration/system/caption").value(), kCaption);
    QBuffer closed;
    QVERIFY(!doc.loadDevice(&closed));
    QVERIFY(!doc.isLoaded());
}

void tst_XmlDocument::toXPath_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("first element") << "/a/b[0]" << "/a/b[1]";
    QTest::newRow("nested") << "/a/b[2]/c[0]/d" << "/a/b[3]/c[1]/d";
    QTest::newRow("blanks") << "/a/b[ 4 ]" << "/a/b[5]";
    QTest::newRow("not a number") << "/a/b[@x='1']" << "/a/b[@x='1']";
    QTest::newRow("bracket inside a literal") << "/a/b[@x='[0]']" << "/a/b[@x='[0]']";
    QTest::newRow("expression") << "/a/b[last()]" << "/a/b[last()]";
    QTest::newRow("no predicate") << "//configuration/system" << "//configuration/system";
}

void tst_XmlDocument::toXPath()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(XmlDocument::toXPath(in), out);
}

static const char kDoc[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<configuration><system><caption>Zenlo系统</caption><empty/><blank>  </blank>"
    "<mixed>a<b>b</b>c</mixed>"
    "<plugins><plugin active=\"加载\"><style>100</style></plugin><plugin active=\"no\"><style>101</style></plugin></plugins>"
    "</system></configuration>";

void tst_XmlDocument::queries_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("isNull");
    QTest::addColumn<QString>("value");
    QTest::newRow("element text") << "/configuration/system/caption" << false << QString::fromUtf8("Zenlo系统");
    QTest::newRow("descendant axis") << "//configuration/system/caption" << false << QString::fromUtf8("Zenlo系统");
    QTest::newRow("empty element is empty, not null") << "/configuration/system/empty" << false << "";
    QTest::newRow("blanks kept") << "/configuration/system/blank" << false << "  ";
    QTest::newRow("whole text of an element") << "/configuration/system/mixed" << false << "abc";
    QTest::newRow("missing node is null") << "/configuration/system/nothing" << true << "";
    QTest::newRow("index from 0") << "/configuration/system/plugins/plugin[0]/style" << false << "100";
    QTest::newRow("second element") << "/configuration/system/plugins/plugin[1]/style" << false << "101";
    QTest::newRow("past the end") << "/configuration/system/plugins/plugin[2]/style" << true << "";
    QTest::newRow("attribute path") << "/configuration/system/plugins/plugin[1]/@active" << false << "no";
    QTest::newRow("invalid xpath") << "/configuration/[[" << true << "";
    QTest::newRow("not a node set") << "count(//plugin)" << true << "";
}

void tst_XmlDocument::queries()
{
    QFETCH(QString, path);
    QFETCH(bool, isNull);
    QFETCH(QString, value);
    XmlDocument doc;
    QVERIFY(doc.loadData(QByteArray(kDoc)));
    const auto v = doc.value(path);
    QCOMPARE(!v.has_value(), isNull);
    if (v)
        QCOMPARE(*v, value);
}

void tst_XmlDocument::countAndAttributes()
{
    XmlDocument doc;
    QVERIFY(doc.loadData(QByteArray(kDoc)));
    QCOMPARE(doc.count("/configuration/system/plugins/plugin"), 2);
    QCOMPARE(doc.count("/configuration/system/none"), 0);
    QCOMPARE(doc.count("]]]"), 0);
    QCOMPARE(doc.attribute("/configuration/system/plugins/plugin[0]", "active").value(), QString::fromUtf8("加载"));
    QVERIFY(!doc.attribute("/configuration/system/plugins/plugin[0]", "missing").has_value());
    QVERIFY(!doc.attribute("/configuration/nothing", "active").has_value());
}

void tst_XmlDocument::badDocuments_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("truncated") << QByteArray("<configuration><system><caption>x</cap");
    QTest::newRow("two roots") << QByteArray("<a/><b/>");
    QTest::newRow("binary") << QByteArray("\x00\x01\x02\xff", 4);
    QTest::newRow("text only") << QByteArray("just text");
}

void tst_XmlDocument::badDocuments()
{
    QFETCH(QByteArray, bytes);
    XmlDocument doc;
    QVERIFY(!doc.loadData(bytes));
    QVERIFY(!doc.lastError().isEmpty());
    QVERIFY(!doc.value("/configuration").has_value());
    QCOMPARE(doc.count("//*"), 0);
}

void tst_XmlDocument::loadFromFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("c.xml");
    QVERIFY(testsupport::writeFile(path, kDoc));
    XmlDocument doc;
    int p = 99;
    doc.prepare(p);
    QVERIFY(doc.load(path));
    QCOMPARE(doc.value("/configuration/system/plugins/plugin[0]/style").value(), QString("100"));
    QVERIFY(!doc.load(dir.filePath("missing.xml")));
    QVERIFY(doc.lastError().contains("missing.xml"));
    QVERIFY(!doc.value("/configuration/system/caption").has_value());
}

QTEST_GUILESS_MAIN(tst_XmlDocument)
#include "tst_xmldocument.moc"

#include "components/xmldocument.h"

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
};

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

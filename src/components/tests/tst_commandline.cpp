#include "components/commandline.h"

#include <QTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void options_data();
    void options();
    void split_data();
    void split();
};

void tst_CommandLine::options_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("value");

    QTest::newRow("slash colon") << "/cfg:my.config" << "cfg" << true << "my.config";
    QTest::newRow("slash equals") << "/cfg=my.config" << "cfg" << true << "my.config";
    QTest::newRow("dash space") << "-cfg my.config" << "cfg" << true << "my.config";
    QTest::newRow("double dash equals") << "--cfg=my.config" << "cfg" << true << "my.config";
    QTest::newRow("bare switch") << "/s" << "s" << true << "";
    QTest::newRow("name any case") << "/MULTITHREAD:false" << "MultiThread" << true << "false";
    QTest::newRow("value case kept") << "/MultiThread:FALSE" << "multithread" << true << "FALSE";
    QTest::newRow("quoted value with blanks") << "/cfg:\"C:\\Program Files\\z.config\"" << "cfg" << true << "C:\\Program Files\\z.config";
    QTest::newRow("dash with quoted value") << "-cfg \"a b.config\"" << "cfg" << true << "a b.config";
    QTest::newRow("dash value is a posix path") << "-cfg /etc/zenlo/z.config" << "cfg" << true << "/etc/zenlo/z.config";
    QTest::newRow("dash followed by another option") << "-s /w:800" << "s" << true << "";
    QTest::newRow("after the dashed switch") << "-s /w:800" << "w" << true << "800";
    QTest::newRow("absent") << "/w:800 /h:600" << "s" << false << "";
    QTest::newRow("switch list") << "/w:800 /h:600 /l:10 /t:20 /s" << "t" << true << "20";
    QTest::newRow("value with colon") << "/cfg:C:\\z.config" << "cfg" << true << "C:\\z.config";
    QTest::newRow("empty value") << "/cfg:" << "cfg" << true << "";
    QTest::newRow("prefix is not the name") << "/sw:1" << "s" << false << "";
    QTest::newRow("empty line") << "" << "cfg" << false << "";
    QTest::newRow("first of two wins") << "/w:1 /W:2" << "w" << true << "1";
    QTest::newRow("unterminated quote") << "/cfg:\"a b" << "cfg" << true << "a b";
}

void tst_CommandLine::options()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    QFETCH(bool, present);
    QFETCH(QString, value);
    CommandLine cl;
    cl.parse(line);
    cl.setIgnoreCase(true);
    const auto o = cl.option(name);
    QCOMPARE(o.present, present);
    QCOMPARE(o.value, value);
}

void tst_CommandLine::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("blanks") << "  a   b\tc " << QStringList{"a", "b", "c"};
    QTest::newRow("quotes group") << "\"a b\" c" << QStringList{"a b", "c"};
    QTest::newRow("doubled quote inside") << "\"a \"\"q\"\" b\"" << QStringList{"a \"q\" b"};
    QTest::newRow("empty quoted") << "\"\" x" << QStringList{"", "x"};
    QTest::newRow("quote in the middle") << "/cfg:\"x y\"z" << QStringList{"/cfg:x yz"};
}

void tst_CommandLine::split()
{
    QFETCH(QString, line);
    QFETCH(QStringList, parts);
    QCOMPARE(CommandLine::split(line), parts);
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"

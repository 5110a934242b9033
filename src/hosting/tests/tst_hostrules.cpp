// The rules of function launch that need no window.
#include "hosting/hostrules.h"

#include <QTest>

class tst_HostRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void progIds_data();
    void progIds();
    void hostIndex_data();
    void hostIndex();
    void parameter_data();
    void parameter();
    void geometry_data();
    void geometry();
};

void tst_HostRules::progIds_data()
{
    QTest::addColumn<int>("catalog");
    QTest::addColumn<QString>("inTab");
    QTest::addColumn<QString>("inWindow");
    QTest::newRow("100") << 100 << "LwEdit.oedit" << "LwEdit.oedit";
    QTest::newRow("105 as 100") << 105 << "LwEdit.oedit" << "LwEdit.oedit";
    QTest::newRow("101") << 101 << "LwEdit.oReport" << "LwEdit.oReport";
    QTest::newRow("102") << 102 << "LwEdit.oeditrpt" << "LwEdit.oeditrpt";
    QTest::newRow("103 differs by host") << 103 << "LwReport.oEditRpt" << "LwEdit.oquery";
    QTest::newRow("220") << 220 << "LwEdit.oalert" << "LwEdit.oalert";
    QTest::newRow("unknown") << 104 << "" << "";
    QTest::newRow("add-ins are no component") << 230 << "" << "";
}

void tst_HostRules::progIds()
{
    QFETCH(int, catalog);
    QFETCH(QString, inTab);
    QFETCH(QString, inWindow);
    QCOMPARE(hosting::mainProgId(catalog), inTab);
    QCOMPARE(hosting::editProgId(catalog), inWindow);
}

void tst_HostRules::hostIndex_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("index"); // -1: none
    QTest::newRow("code and counter") << hosting::tabKey(QStringLiteral("0102"), 7) << 7;
    QTest::newRow("last dash counts") << "01-02-12" << 12;
    QTest::newRow("home tab") << "home" << -1;
    QTest::newRow("nothing after the dash") << "0102-" << -1;
    QTest::newRow("16-bit limit") << "0102-32767" << 32767;
    QTest::newRow("past 16 bits") << "0102-32768" << -1;
}

void tst_HostRules::hostIndex()
{
    QFETCH(QString, key);
    QFETCH(int, index);
    const auto n = hosting::hostIndexFromKey(key);
    QCOMPARE(n ? int(*n) : -1, index);
}

void tst_HostRules::parameter_data()
{
    QTest::addColumn<QVariant>("given");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("plain number") << QVariant(QStringLiteral("12")) << QVariant(12);
    QTest::newRow("leading zero stays text") << QVariant(QStringLiteral("012")) << QVariant(QStringLiteral("012"));
    QTest::newRow("code stays text") << QVariant(QStringLiteral("A1")) << QVariant(QStringLiteral("A1"));
    QTest::newRow("exponent stays text") << QVariant(QStringLiteral("1e3")) << QVariant(QStringLiteral("1e3"));
    QTest::newRow("blanks around a number") << QVariant(QStringLiteral(" 7 ")) << QVariant(7);
    QTest::newRow("fraction") << QVariant(QStringLiteral("2.5")) << QVariant(2.5);
    QTest::newRow("a number stays a number") << QVariant(5) << QVariant(5);
    QTest::newRow("missing stays missing") << QVariant() << QVariant();
}

void tst_HostRules::parameter()
{
    QFETCH(QVariant, given);
    QFETCH(QVariant, stored);
    const QVariant v = hosting::editParameter(given);
    QCOMPARE(v.typeId(), stored.typeId());
    QCOMPARE(v, stored);
}

void tst_HostRules::geometry_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QList<int>>("whlt"); // -1: the design value
    QTest::addColumn<bool>("editWindow");
    QTest::newRow("none") << "" << QList<int>{-1, -1, -1, -1} << false;
    QTest::newRow("all four") << "/s /w:9000 /h:6000 /l:300 /t:200" << QList<int>{9000, 6000, 300, 200} << true;
    QTest::newRow("not numbers, zero, negative") << "/w:abc /h:-5 /l:0" << QList<int>{-1, -1, -1, -1} << false;
    QTest::newRow("switch in capitals") << "/S /W:4000" << QList<int>{4000, -1, -1, -1} << true;
    QTest::newRow("a longer switch is not s") << "/sw:1" << QList<int>{-1, -1, -1, -1} << false;
}

void tst_HostRules::geometry()
{
    QFETCH(QString, commandLine);
    QFETCH(QList<int>, whlt);
    QFETCH(bool, editWindow);
    const hosting::EditGeometry g = hosting::editGeometry(commandLine);
    const QList<int> got{g.width.value_or(-1), g.height.value_or(-1), g.left.value_or(-1), g.top.value_or(-1)};
    QCOMPARE(got, whlt);
    QCOMPARE(hosting::wantsEditWindow(commandLine), editWindow);
}

QTEST_GUILESS_MAIN(tst_HostRules)
#include "tst_hostrules.moc"

// The main window's widget-free rules: query texts, the catalog and button
// choices and the reading of the window's settings.
#include "workspace/menurules.h"

#include <QTest>

using namespace workspace;

class tst_MenuRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void idleLock_data();
    void idleLock();
    void databaseBadge_data();
    void databaseBadge();
    void catalogQuery_data();
    void catalogQuery();
    void catalogItems_data();
    void catalogItems();
    void buttonQuery_data();
    void buttonQuery();
    void buttonToPress_data();
    void buttonToPress();
    void storedWidth_data();
    void storedWidth();
    void visibleRows_data();
    void visibleRows();
    void savedWidth_data();
    void savedWidth();
};

void tst_MenuRules::catalogQuery_data()
{
    QTest::addColumn<QString>("menubm");
    QTest::addColumn<QString>("sql");
    const QString head = QStringLiteral(" SELECT menucode,systemcatalog,xt_menu.systemcode FROM xt_menu INNER JOIN xt_mode ON "
                                        "xt_menu.systemcode=xt_mode.systemcode  WHERE (menucode in (select left(parent,");
    const QString tail = QStringLiteral(") from xt_menu) or menucode in(select menucode from xt_menu where parent='' and "
                                        "menuismx=1)) ORDER BY menuorder");
    QTest::newRow("22222") << "22222" << head + "2" + tail;
    QTest::newRow("33222 reads left(parent,3)") << "33222" << head + "3" + tail;
    QTest::newRow("empty structure is 22222") << "" << head + "2" + tail;
    QTest::newRow("only the first digit counts") << "4" << head + "4" + tail;
    QTest::newRow("no leading digit gives 0") << "x2" << head + "0" + tail;
}

void tst_MenuRules::catalogQuery()
{
    QFETCH(QString, menubm);
    QFETCH(QString, sql);
    QCOMPARE(workspace::catalogQuery(firstLevelCodeLength(menubm)), sql);
}

Q_DECLARE_METATYPE(QList<workspace::CatalogRow>)

void tst_MenuRules::catalogItems_data()
{
    QTest::addColumn<QList<CatalogRow>>("rows");
    QTest::addColumn<QStringList>("items"); // caption|key|icon code

    QTest::newRow("one item per catalog, from its first row")
        << QList<CatalogRow>{{"01", "采购管理", "PU"}, {"04", "财务管理", "GL"}, {"05", "财务管理", "AR"}, {"02", "销售管理", "SA"}}
        << QStringList{"采购管理|PU|01", "财务管理|GL|04", "销售管理|SA|02"};
    QTest::newRow("names and codes trimmed")
        << QList<CatalogRow>{{"04  ", " 财务管理  ", " GL "}, {"05", "财务管理", "AR"}}
        << QStringList{"财务管理|GL|04"};
    QTest::newRow("a name inside another is a different catalog")
        << QList<CatalogRow>{{"01", "管理", "A"}, {"02", "采购管理", "B"}, {"03", "管理", "C"}}
        << QStringList{"管理|A|01", "采购管理|B|02"};
    QTest::newRow("brackets in a name do not confuse the seen list")
        << QList<CatalogRow>{{"01", "a][b", "A"}, {"02", "a", "B"}, {"03", "b", "C"}, {"04", "a][b", "D"}}
        << QStringList{"a][b|A|01", "a|B|02", "b|C|03"};
    QTest::newRow("no rows") << QList<CatalogRow>{} << QStringList{};
}

void tst_MenuRules::catalogItems()
{
    QFETCH(QList<CatalogRow>, rows);
    QFETCH(QStringList, items);
    QStringList got;
    for (const CatalogItem &i : workspace::catalogItems(rows))
        got << i.caption + "|" + i.key + "|" + i.iconCode;
    QCOMPARE(got, items);
}

void tst_MenuRules::buttonQuery_data()
{
    QTest::addColumn<QString>("catalog");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain name") << "采购管理" << "'采购管理'";
    QTest::newRow("quote doubled") << "老王's管理" << "'老王''s管理'";
    QTest::newRow("an injection stays a name") << "x' or '1'='1" << "'x'' or ''1''=''1'";
    QTest::newRow("blanks kept as received") << " 财务管理 " << "' 财务管理 '";
}

void tst_MenuRules::buttonQuery()
{
    QFETCH(QString, catalog);
    QFETCH(QString, quoted);
    const QString expected = QStringLiteral(" SELECT menucode ,menuname,systemcode,menuIsMajor,parent,menuorder FROM xt_menu"
                                            " WHERE ((menucode in (select parent from xt_menu) and menuismx=0) or menulevel=1)"
                                            " and menuIsMajor=1 and systemcode in(select systemcode from xt_mode where systemcatalog=")
        + quoted + QStringLiteral(") ORDER BY parent,menuorder");
    QCOMPARE(workspace::buttonQuery(catalog), expected);
}

void tst_MenuRules::buttonToPress_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<int>("press");
    QTest::newRow("remembered one") << QStringList{"  采购管理", "  采购订单", "  采购入库"} << "采购订单" << 2;
    QTest::newRow("two equal captions: the later wins") << QStringList{"  同名", "  其他", "  同名"} << "同名" << 3;
    QTest::newRow("no match: the first") << QStringList{"  a", "  b"} << "gone" << 1;
    QTest::newRow("nothing remembered: the first") << QStringList{"  a", "  b"} << "" << 1;
    QTest::newRow("no buttons: none") << QStringList{} << "a" << 0;
    QTest::newRow("captions compared trimmed") << QStringList{"  a  ", "  b"} << "a" << 1;
    QTest::newRow("case matters") << QStringList{"  Abc", "  abc"} << "abc" << 2;
}

void tst_MenuRules::buttonToPress()
{
    QFETCH(QStringList, captions);
    QFETCH(QString, remembered);
    QFETCH(int, press);
    QCOMPARE(workspace::buttonToPress(captions, remembered), press);
}

void tst_MenuRules::storedWidth_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("usable");
    QTest::newRow("a width") << "5000" << 5000.0 << true;
    QTest::newRow("single precision text") << "3539.5" << 3539.5 << true;
    QTest::newRow("leading number taken") << " 4200abc" << 4200.0 << true;
    QTest::newRow("zero is a width (the pass raises it)") << "0" << 0.0 << true;
    QTest::newRow("not a number") << "abc" << 3300.0 << false;
    QTest::newRow("negative") << "-5" << 3300.0 << false;
    QTest::newRow("empty") << "" << 3300.0 << false;
    QTest::newRow("endless") << "1e999" << 3300.0 << false;
    QTest::newRow("a dot number") << ".5e3" << 500.0 << true;
}

void tst_MenuRules::storedWidth()
{
    QFETCH(QString, stored);
    QFETCH(double, width);
    QFETCH(bool, usable);
    const StoredWidth w = navPanelWidth(stored, 3300);
    QCOMPARE(w.width, width);
    QCOMPARE(w.usable, usable);
    QCOMPARE(w.reason.isEmpty(), usable);
}

void tst_MenuRules::visibleRows_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("rows");
    QTest::newRow("three") << "3" << 3;
    QTest::newRow("half to even") << "2.5" << 2;
    QTest::newRow("not a number is 0") << "abc" << 0;
    QTest::newRow("negative is 0") << "-4" << 0;
    QTest::newRow("too large keeps the default") << "1e20" << 3;
}

void tst_MenuRules::visibleRows()
{
    QFETCH(QString, stored);
    QFETCH(int, rows);
    QCOMPARE(workspace::visibleRows(stored), rows);
}

void tst_MenuRules::savedWidth_data()
{
    QTest::addColumn<double>("panel");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole twips") << 3600.0 << "3540";
    QTest::newRow("a fraction") << 3599.5 << "3539.5";
    QTest::newRow("the design width after one pass") << 3360.0 << "3300";
}

void tst_MenuRules::savedWidth()
{
    QFETCH(double, panel);
    QFETCH(QString, text);
    QCOMPARE(workspace::savedNavPanelWidth(panel), text);
}

void tst_MenuRules::idleLock_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<bool>("problem");
    QTest::addColumn<QList<int>>("steps"); // at 0, limit-61 s, limit-60 s (twice), limit; 0 nothing, 1 warn, 2 lock
    QTest::newRow("off by default") << "" << 0 << false << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("five minutes") << " 5 " << 5 << false << QList<int>{0, 0, 1, 0, 2};
    QTest::newRow("one minute warns at once") << "1" << 1 << false << QList<int>{1, 0, 0, 0, 2};
    QTest::newRow("not a number") << "abc" << 0 << true << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("negative") << "-1" << 0 << true << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("more than a day") << "1441" << 0 << true << QList<int>{0, 0, 0, 0, 0};
}

void tst_MenuRules::idleLock()
{
    QFETCH(QString, setting);
    QFETCH(int, minutes);
    QFETCH(bool, problem);
    QFETCH(QList<int>, steps);
    QString why;
    QCOMPARE(workspace::idleLockMinutes(setting, &why), minutes);
    QCOMPARE(!why.isEmpty(), problem);
    const qint64 limit = qint64(minutes) * 60000;
    const qint64 at[] = {0, limit - 61000, limit - 60000, limit - 60000, limit};
    bool warned = false;
    QList<int> got;
    for (qint64 ms : at) {
        const workspace::IdleStep step = workspace::idleStep(std::max<qint64>(0, ms), minutes, warned);
        warned = warned || step == workspace::IdleStep::Warn;
        got << int(step);
    }
    QCOMPARE(got, steps);
}

void tst_MenuRules::databaseBadge_data()
{
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("sqlite: the file's name") << "示范" << "sqlite" << "" << "/srv/books/a.db" << "" << "示范 · SQLite a.db" << "";
    QTest::newRow("a Windows path") << "示范" << "sqlite" << "" << "D:\\账套\\b.db" << "" << "示范 · SQLite b.db" << "";
    QTest::newRow("postgres without a server") << "" << "postgres" << "" << "erp" << "" << "PostgreSQL localhost/erp" << "";
    QTest::newRow("sql server, test copy") << "示范" << "mssql" << "db1" << "erp" << "test"
                                           << "【测试账套】示范 · SQL Server db1/erp" << " - 测试账套";
    QTest::newRow("training copy") << "示范" << "postgres" << "pg" << "train" << "training"
                                   << "【培训账套】示范 · PostgreSQL pg/train" << " - 培训账套";
}

void tst_MenuRules::databaseBadge()
{
    QFETCH(QString, company);
    QFETCH(QString, driver);
    QFETCH(QString, server);
    QFETCH(QString, database);
    QFETCH(QString, copy);
    QFETCH(QString, line);
    QFETCH(QString, suffix);
    const workspace::DatabaseBadge b = workspace::databaseBadge(company, driver, server, database, QString(), copy);
    QCOMPARE(b.line, line);
    QCOMPARE(b.titleSuffix, suffix);
    QCOMPARE(b.copy, !copy.isEmpty());
}

QTEST_GUILESS_MAIN(tst_MenuRules)
#include "tst_menurules.moc"

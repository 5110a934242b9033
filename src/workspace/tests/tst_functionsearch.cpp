// The function search's index on the demo menus: ranking, the operator's rights,
// the pinyin initials table made at build time, and texts and menu rows that
// must find nothing or keep the index sound.
#include "components/sysservices.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "workspace/functionsearch.h"
#include "workspace/pinyininitials.h"

#include <QTest>

#include "testsite.h"
#include "testsupport.h"

using testsupport::TestSite;
using workspace::FunctionIndex;
using workspace::MenuRow;

namespace {

// The index of an operator of the demo site, with his rights.
FunctionIndex indexOf(TestSite &site, const QString &op, const QString &password)
{
    if (!testsupport::openSession(site.configPath(), op, password))
        return {};
    Session &s = *Session::current();
    SystemServices *sys = s.sys.get();
    FunctionIndex index = FunctionIndex::fromRows(FunctionIndex::readRows(*s.db), [sys](int32_t n) { return sys->rights(n).right(1); });
    bMain::LogOut();
    return index;
}

QStringList codes(const FunctionIndex &index, const QList<int> &entries)
{
    QStringList out;
    for (int i : entries)
        out << index.entry(i).code;
    return out;
}

} // namespace

Q_DECLARE_METATYPE(QList<MenuRow>)

class tst_FunctionSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void initials_data();
    void initials();
    void tableIsComplete();
    void everyReading_data();
    void everyReading();
    void ranking_data();
    void ranking();
    void rightsOfTheOperator_data();
    void rightsOfTheOperator();
    void catalogPath();
    void menuRows_data();
    void menuRows();

private:
    std::unique_ptr<TestSite> m_site;
    std::unique_ptr<testsupport::RecordingUi> m_ui;
    FunctionIndex m_admin;
};

void tst_FunctionSearch::initTestCase()
{
    m_ui = std::make_unique<testsupport::RecordingUi>();
    m_site = std::make_unique<TestSite>();
    QVERIFY2(m_site->ok(), qPrintable(m_site->error()));
    m_admin = indexOf(*m_site, QStringLiteral("admin"), QString());
    QVERIFY(m_admin.size() >= 30);
}

void tst_FunctionSearch::cleanupTestCase()
{
    m_site.reset();
    m_ui.reset();
}

void tst_FunctionSearch::initials_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("purchase order entry") << "采购订单录入" << "cgddlr";
    QTest::newRow("stock ledger") << "库存台账" << "kctz";
    QTest::newRow("tone mark on the first letter") << "爱恶欧" << "aeo";
    QTest::newRow("syllabic n and m") << "嗯呣" << "nm";
    QTest::newRow("first of several readings") << "行长" << "xz";
    QTest::newRow("extension A") << QString(QChar(0x3400)) << "q";
    QTest::newRow("latin and digits kept, lower-cased") << "BOM清单2" << "bomqd2";
    QTest::newRow("punctuation and blanks leave nothing") << "（采购）- 单" << "cgd";
    QTest::newRow("emoji leaves nothing") << QString::fromUtf8("\xF0\x9F\x98\x80采购") << "cg";
    QTest::newRow("extension B leaves nothing") << QString::fromUtf8("\xF0\xA0\x80\x80") << "";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + QStringLiteral("单") << "d";
    QTest::newRow("full-width letters") << "ＡＢ" << "";
    QTest::newRow("empty") << "" << "";
}

void tst_FunctionSearch::initials()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(pinyin::initials(text), expected);
}

void tst_FunctionSearch::everyReading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("spellings");
    QTest::newRow("readings with one initial each") << "采购" << QStringList{"cg"};
    QTest::newRow("单 dān shàn chán") << "订单" << QStringList{"dd", "dc", "ds"};
    QTest::newRow("会 huì kuài") << "会计" << QStringList{"hj", "kj"};
    QTest::newRow("长 zhǎng cháng, 行 xíng háng héng") << "长行" << QStringList{"zx", "cx", "zh", "ch"};
    QTest::newRow("letters and digits") << "A4纸" << QStringList{"a4z"};
    QTest::newRow("empty") << "" << QStringList{""};
}

void tst_FunctionSearch::everyReading()
{
    QFETCH(QString, text);
    QFETCH(QStringList, spellings);
    QCOMPARE(pinyin::initialsSpellings(text), spellings);
    for (const QString &s : std::as_const(spellings))
        QVERIFY2(s.isEmpty() || pinyin::containsInitials(text, s), qPrintable(s));
    QVERIFY(!pinyin::containsInitials(text, QStringLiteral("q")));
    QVERIFY(!pinyin::containsInitials(text, QString()));
}

void tst_FunctionSearch::tableIsComplete()
{
    // Unihan has a reading for nearly every ideograph of the two blocks (27,584 code points).
    QVERIFY2(pinyin::tableReadings() > 26000, qPrintable(QString::number(pinyin::tableReadings())));
    QCOMPARE(pinyin::initial(0x4E00), 'y'); // 一
    QCOMPARE(pinyin::initial(0x9FA5), 'y'); // 龥
    QCOMPARE(pinyin::initial(0x33FF), char(0));
    QCOMPARE(pinyin::initial(U'a'), char(0));
    QCOMPARE(pinyin::initial(0x20000), char(0));
}

void tst_FunctionSearch::ranking_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("first"); // the best matches, in order
    QTest::newRow("initials, menu order") << "cgdd" << QStringList{"010101", "010102", "010103"};
    QTest::newRow("initials, upper case") << "CGDD" << QStringList{"010101", "010102", "010103"};
    QTest::newRow("exact code first") << "010201" << QStringList{"010201"};
    QTest::newRow("code prefix") << "0101" << QStringList{"010101", "010102", "010103"};
    QTest::newRow("name prefix, shorter names first") << "采购"
                                                       << QStringList{"010201", "010202", "010301", "010302", "010101"};
    QTest::newRow("exact name before the longer ones") << "总账" << QStringList{"040201"};
    QTest::newRow("prefix before substring") << "明细" << QStringList{"040202", "010301", "020301"};
    QTest::newRow("substring") << "订单审核" << QStringList{"010102", "020102"};
    QTest::newRow("initials prefix before substring") << "kc" << QStringList{"030301", "030302"};
    QTest::newRow("blanks around") << "  记账 " << QStringList{"040103"};
    QTest::newRow("会 read huì") << "jzhj" << QStringList{"060203"};
    QTest::newRow("会 read kuài") << "jzkj" << QStringList{"060203"};
    QTest::newRow("会计 inside the name, kuài") << "kjqj" << QStringList{"060203"};
    QTest::newRow("no reading of 会 begins with q") << "jzqj" << QStringList{};
    QTest::newRow("a catalog is no function") << "采购管理" << QStringList{};
    QTest::newRow("SQL-looking") << "' or 1=1 --" << QStringList{};
    QTest::newRow("SQL wildcard") << "%" << QStringList{};
    QTest::newRow("quote in a name") << "采购'" << QStringList{};
    QTest::newRow("1,000 characters") << QString(1000, QChar(u'采')) << QStringList{};
    QTest::newRow("1,000 letters") << QString(1000, QLatin1Char('c')) << QStringList{};
    QTest::newRow("emoji") << QString::fromUtf8("\xF0\x9F\x98\x80") << QStringList{};
    QTest::newRow("rare ideograph") << QString::fromUtf8("\xF0\xA0\x80\x80") << QStringList{};
    QTest::newRow("blank") << "   " << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
}

void tst_FunctionSearch::ranking()
{
    QFETCH(QString, text);
    QFETCH(QStringList, first);
    const QStringList found = codes(m_admin, m_admin.search(text));
    QCOMPARE(found.mid(0, first.size()), first);
    if (first.isEmpty())
        QVERIFY(found.isEmpty());
}

void tst_FunctionSearch::rightsOfTheOperator_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("张三: purchasing and sales")
        << "张三" << "zhang3" << "单"
        << QStringList{"010201", "010202", "020201", "020202", "010101", "010102", "010103", "010303", "020101", "020102", "020103"};
    QTest::newRow("李四: inventory only") << "李四" << "li4" << "单" << QStringList{"030103", "030201", "030101", "030102"};
    QTest::newRow("李四 finds no purchase order") << "李四" << "li4" << "cgdd" << QStringList{};
    QTest::newRow("张三 finds no stock ledger") << "张三" << "zhang3" << "库存台账" << QStringList{};
    QTest::newRow("李四 by code") << "李四" << "li4" << "0303" << QStringList{"030301", "030302"};
}

void tst_FunctionSearch::rightsOfTheOperator()
{
    QFETCH(QString, op);
    QFETCH(QString, password);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    const FunctionIndex index = indexOf(*m_site, op, password);
    QVERIFY(index.size() > 0);
    QCOMPARE(codes(index, index.search(text)), found);
}

void tst_FunctionSearch::catalogPath()
{
    const int i = m_admin.find(QStringLiteral(" 010101 "));
    QVERIFY(i >= 0);
    QCOMPARE(m_admin.entry(i).name, QStringLiteral("采购订单录入"));
    QCOMPARE(m_admin.entry(i).path, QStringLiteral("采购管理 › 采购订单"));
    QCOMPARE(m_admin.entry(i).initials, QStringLiteral("cgddlr"));
    QCOMPARE(m_admin.find(QStringLiteral("01")), -1); // a catalog
    QCOMPARE(m_admin.find(QStringLiteral("999999")), -1);
    QCOMPARE(codes(m_admin, m_admin.entriesOf({"030301", "999999", "0301", "01'01", "030301", "010101"})),
             (QStringList{"030301", "010101"}));
}

void tst_FunctionSearch::menuRows_data()
{
    QTest::addColumn<QList<MenuRow>>("rows");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QString>("path"); // of the first found
    const MenuRow top{"A", "甲", "", 1, false, 0, false};
    QTest::newRow("parents in a loop") << QList<MenuRow>{{"A", "甲", "B", 1, false, 0, false}, {"B", "乙", "A", 1, false, 0, false},
                                                         {"C", "丙单", "B", 1, true, 7, false}}
                                       << "丙" << QStringList{"C"} << "甲 › 乙";
    QTest::newRow("entry its own parent") << QList<MenuRow>{{"C", "丙单", "C", 1, true, 7, false}} << "丙" << QStringList{"C"} << "";
    QTest::newRow("missing parent") << QList<MenuRow>{{"C", "丙单", "Z", 1, true, 7, false}} << "bd" << QStringList{"C"} << "";
    QTest::newRow("inactive left out") << QList<MenuRow>{top, {"A1", "丙单", "A", 1, true, 7, true}, {"A2", "丙单二", "A", 2, true, 7, false}}
                                       << "丙单" << QStringList{"A2"} << "甲";
    QTest::newRow("no right left out") << QList<MenuRow>{top, {"A1", "丙单", "A", 1, true, 8, false}, {"A2", "丙单二", "A", 2, true, 7, false}}
                                       << "丙" << QStringList{"A2"} << "甲";
    QTest::newRow("blank code left out") << QList<MenuRow>{{"  ", "丙单", "", 1, true, 7, false}} << "丙" << QStringList{} << "";
    QTest::newRow("blanks trimmed") << QList<MenuRow>{{"A ", " 甲 ", "", 1, false, 0, false}, {" A1 ", " 丙单 ", "A  ", 1, true, 7, false}}
                                    << "丙单" << QStringList{"A1"} << "甲";
    QTest::newRow("menu order, not code order") << QList<MenuRow>{top, {"A1", "丙单", "A", 2, true, 7, false}, {"A2", "丁单", "A", 1, true, 7, false}}
                                                << "单" << QStringList{"A2", "A1"} << "甲";
    QTest::newRow("same code twice, first kept") << QList<MenuRow>{{"C", "丙单", "", 1, true, 7, false}, {"C", "丙单", "", 2, true, 7, false}}
                                                 << "c" << QStringList{"C"} << "";
    QTest::newRow("prefix before a shorter substring") << QList<MenuRow>{top, {"A1", "丙单据", "A", 1, true, 7, false}, {"A2", "单据查询汇总", "A", 2, true, 7, false}}
                                                       << "单据" << QStringList{"A2", "A1"} << "甲";
}

void tst_FunctionSearch::menuRows()
{
    QFETCH(QList<MenuRow>, rows);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    QFETCH(QString, path);
    const FunctionIndex index = FunctionIndex::fromRows(rows, [](int32_t n) { return n == 7; });
    const QList<int> hits = index.search(text);
    QCOMPARE(codes(index, hits), found);
    if (!hits.isEmpty())
        QCOMPARE(index.entry(hits.first()).path, path);
}

QTEST_MAIN(tst_FunctionSearch)
#include "tst_functionsearch.moc"

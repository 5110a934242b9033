// The document editor of LwEdit, made by ProgID from the program folder's
// components/ and run on a real session over the test site's database.
#include "components/database.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/contracts.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "platform/appinfo.h"
#include "platform/objectfactory.h"
#include "platform/uiservice.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "testsite.h"
#include "testsupport.h"

#include "../lwedit/oedit.h"

using Lines = QList<QMap<QString, QString>>;
Q_DECLARE_METATYPE(Lines)

class tst_LwEdit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void unknownProgramUnloadsFromInit();
    void listAndFilter_data();
    void listAndFilter();
    void save_data();
    void save();
    void savesOnEveryDriver_data();
    void savesOnEveryDriver();
    void scopedRecordGetsItsType();
    void viewOnlyProgramSavesNothing();
    void editOpensRecordOfParameter();
    void unsavedChangesAsked_data();
    void unsavedChangesAsked();

private:
    lwedit::OEdit *make(int programNumber, QVariantList args, QSignalSpy **spy = nullptr);
    int count(const QString &sql);
    std::unique_ptr<testsupport::TestSite> m_site;
    std::unique_ptr<QWidget> m_widget;
};

void tst_LwEdit::initTestCase()
{
    appinfo::setProgramFolder(QStringLiteral(ZENLO_PROGRAM_DIR));
    objects::rescanComponents();
}

void tst_LwEdit::init()
{
    // Rows tagged "postgresql" run on the test server's database.
    using testsupport::TestSite;
    const bool pg = qstrcmp(QTest::currentDataTag(), "postgresql") == 0;
    QString why;
    if (pg && !TestSite::postgresAvailable(&why)) {
        if (TestSite::postgresRequired())
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }
    m_site = std::make_unique<TestSite>(pg ? TestSite::PostgreSQL : TestSite::SQLite);
    QVERIFY2(m_site->ok(), qPrintable(m_site->error()));
    QVERIFY(testsupport::openSession(m_site->configPath()));
    // The site made its own program folder; the classes come from the build's.
    appinfo::setProgramFolder(QStringLiteral(ZENLO_PROGRAM_DIR));
    objects::rescanComponents();
}

void tst_LwEdit::cleanup()
{
    m_widget.reset();
    if (Session::current())
        bMain::LogOut();
    m_site.reset();
}

lwedit::OEdit *tst_LwEdit::make(int programNumber, QVariantList args, QSignalSpy **spy)
{
    QString error, reason;
    QObject *o = objects::createObject(QStringLiteral("LwEdit.oedit"), &error, &reason);
    if (!o)
        qWarning() << error << reason;
    auto *w = qobject_cast<QWidget *>(o);
    m_widget.reset(w);
    auto *component = qobject_cast<IBusinessComponent *>(o);
    if (!component)
        return nullptr;
    if (spy)
        *spy = new QSignalSpy(o, SIGNAL(objectEvent(QString, QVariantList)));
    SystemServices *sys = Session::current()->sys.get();
    clsConfig *config = Session::current()->config.get();
    int32_t number = programNumber;
    component->Py_Init(sys, config, number, args);
    return static_cast<lwedit::OEdit *>(component);
}

int tst_LwEdit::count(const QString &sql)
{
    auto db = m_site->connect();
    return db->query(sql, {})->firstValue().toInt();
}

void tst_LwEdit::unknownProgramUnloadsFromInit()
{
    QSignalSpy *spy = nullptr;
    QVERIFY(make(4711, {0}, &spy));
    std::unique_ptr<QSignalSpy> owner(spy);
    QCOMPARE(spy->count(), 2);
    QCOMPARE(spy->at(0).at(0).toString(), QStringLiteral("errmessage"));
    QCOMPARE(spy->at(0).at(1).toList().value(0).toString(), QStringLiteral("程序号 4711 没有定义。"));
    QCOMPARE(spy->at(1).at(0).toString(), QStringLiteral("unload"));
    QCOMPARE(spy->at(1).at(1).toList(), QVariantList{true});
}

void tst_LwEdit::listAndFilter_data()
{
    QTest::addColumn<int>("program");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("rows"); // a count query over the demo data
    QTest::newRow("every purchase order") << 2101 << "" << "select count(*) from pu_order";
    QTest::newRow("by number") << 2101 << "PO202611" << "select count(*) from pu_order where billno like 'PO202611%'";
    QTest::newRow("a quote is a character") << 2101 << "O'Neil" << "select 0";
    QTest::newRow("receipts see their bill type only") << 2104 << "" << "select count(*) from in_bill where billtype = '采购入库'";
    QTest::newRow("returns: none yet") << 2105 << "" << "select 0";
}

void tst_LwEdit::listAndFilter()
{
    QFETCH(int, program);
    QFETCH(QString, filter);
    QFETCH(QString, rows);
    lwedit::OEdit *e = make(program, {0});
    QVERIFY(e);
    e->setFilter(filter);
    QVERIFY(count(rows) >= 0);
    QCOMPARE(e->listRowCount(), count(rows));
    QVERIFY2(e->lastError().isEmpty(), qPrintable(e->lastError()));
}

void tst_LwEdit::save_data()
{
    QTest::addColumn<QString>("billno");
    QTest::addColumn<QString>("supplier");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QString>("error"); // "" saves; else the start of the message
    QTest::addColumn<int>("linesSaved");
    auto line = [](const char *item, const char *qty) {
        return QMap<QString, QString>{{QStringLiteral("item"), QString::fromUtf8(item)}, {QStringLiteral("qty"), QString::fromUtf8(qty)}};
    };
    const Lines blank{QMap<QString, QString>{}};
    QTest::newRow("header and two lines") << "PO-T1" << "S002" << Lines{line("A1001", "3"), line("A2001", "4.5")} << "" << 2;
    QTest::newRow("a blank line is left out") << "PO-T1" << "S002" << Lines{line("A1001", "3")} + blank << "" << 1;
    QTest::newRow("required header field") << "PO-T1" << "" << Lines{line("A1001", "3")} << "“供应商”不能为空。" << 0;
    QTest::newRow("number of a line") << "PO-T1" << "S002" << Lines{line("A1001", "三")} << "第 1 行“数量”必须是数字：三" << 0;
    QTest::newRow("required line field") << "PO-T1" << "S002" << Lines{line("A1001", "1"), line("", "2")} << "第 2 行“物料”不能为空。" << 0;
    // The header goes in, then the database refuses: nothing stays.
    QTest::newRow("duplicate number rolls back") << "PO202610001" << "S002" << Lines{line("A1001", "1")}
                                                 << "保存“采购订单”失败，未保存任何内容" << -1;
}

void tst_LwEdit::save()
{
    QFETCH(QString, billno);
    QFETCH(QString, supplier);
    QFETCH(Lines, lines);
    QFETCH(QString, error);
    QFETCH(int, linesSaved);
    const int orders = count(QStringLiteral("select count(*) from pu_order"));
    const QString lineCount = QStringLiteral("select count(*) from pu_orderline where billno = '%1'").arg(billno);
    const int linesBefore = count(lineCount);
    QSignalSpy *spy = nullptr;
    lwedit::OEdit *e = make(2101, {0}, &spy);
    std::unique_ptr<QSignalSpy> owner(spy);
    QVERIFY(e);
    e->newRecord();
    e->setField(QStringLiteral("billno"), billno);
    e->setField(QStringLiteral("supplier"), supplier);
    e->setField(QStringLiteral("billdate"), QStringLiteral("2026-12-01"));
    e->setLines(lines);
    QCOMPARE(e->save(), error.isEmpty());
    QVERIFY2(error.isEmpty() ? e->lastError().isEmpty() : e->lastError().startsWith(error), qPrintable(e->lastError()));
    QCOMPARE(e->hasUnsavedChanges(), !error.isEmpty());
    QCOMPARE(count(lineCount), linesSaved < 0 ? linesBefore : linesSaved);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order")), orders + (error.isEmpty() ? 1 : 0));
    if (error.isEmpty())
        QCOMPARE(count(QStringLiteral("select max(lineno) from pu_orderline where billno = '%1'").arg(billno)), linesSaved);
    else
        QCOMPARE(spy->last().at(0).toString(), QStringLiteral("errmessage"));
}

void tst_LwEdit::savesOnEveryDriver_data()
{
    QTest::addColumn<int>("unused");
    QTest::newRow("sqlite") << 0;
    QTest::newRow("postgresql") << 0;
}

// A document with lines saved, changed and read back through the editor's own SQL.
void tst_LwEdit::savesOnEveryDriver()
{
    lwedit::OEdit *e = make(2104, {0});
    QVERIFY(e);
    const int before = e->listRowCount();
    e->newRecord();
    e->setField(QStringLiteral("billno"), QStringLiteral("RK-T1"));
    e->setField(QStringLiteral("billdate"), QStringLiteral("2026-12-03"));
    e->setLines({{{QStringLiteral("item"), QStringLiteral("A1001")}, {QStringLiteral("qty"), QStringLiteral("12.5")}},
                 {{QStringLiteral("item"), QStringLiteral("B1001")}, {QStringLiteral("qty"), QStringLiteral("2")}}});
    QVERIFY2(e->save(), qPrintable(e->lastError()));
    QCOMPARE(e->listRowCount(), before + 1);
    e->setField(QStringLiteral("remark"), QStringLiteral("O'Neil 的货"));
    e->setLines({{{QStringLiteral("item"), QStringLiteral("A1001")}, {QStringLiteral("qty"), QStringLiteral("3")}}});
    QVERIFY2(e->save(), qPrintable(e->lastError()));
    lwedit::OEdit *again = make(2104, {QStringLiteral("RK-T1"), 0, QVariant()});
    QVERIFY(again);
    QCOMPARE(again->field(QStringLiteral("remark")), QStringLiteral("O'Neil 的货"));
    QCOMPARE(again->lineCount(), 1);
    QCOMPARE(count(QStringLiteral("select count(*) from in_bill where billno = 'RK-T1' and billtype = '采购入库' and direction = 1")), 1);
}

void tst_LwEdit::scopedRecordGetsItsType()
{
    lwedit::OEdit *e = make(2105, {0});
    QVERIFY(e);
    e->newRecord();
    e->setField(QStringLiteral("billno"), QStringLiteral("TH-T1"));
    e->setField(QStringLiteral("billdate"), QStringLiteral("2026-12-02"));
    e->setLines({{{QStringLiteral("item"), QStringLiteral("A1001")}, {QStringLiteral("qty"), QStringLiteral("2")}}});
    QVERIFY2(e->save(), qPrintable(e->lastError()));
    QCOMPARE(count(QStringLiteral("select direction from in_bill where billno = 'TH-T1' and billtype = '采购退货'")), -1);
    // Another bill type's program does not reach it.
    lwedit::OEdit *other = make(2104, {QStringLiteral("TH-T1"), 2, QVariant()});
    QVERIFY(other);
    QCOMPARE(other->lastError(), QStringLiteral("“采购入库单”中没有编号为 TH-T1 的记录。"));
}

void tst_LwEdit::viewOnlyProgramSavesNothing()
{
    lwedit::OEdit *e = make(9901, {QStringLiteral("01"), 2, QVariant()});
    QVERIFY(e);
    QCOMPARE(e->field(QStringLiteral("opname")), QStringLiteral("张三"));
    e->setField(QStringLiteral("isadmin"), QStringLiteral("1"));
    QVERIFY(!e->save());
    QCOMPARE(count(QStringLiteral("select isadmin from sys_operator where opcode = '01'")), 0);
}

void tst_LwEdit::editOpensRecordOfParameter()
{
    lwedit::OEdit *e = make(2101, {QStringLiteral("PO202610001"), 2, QVariant()});
    QVERIFY(e);
    QVERIFY(!e->field(QStringLiteral("supplier")).isEmpty());
    QCOMPARE(e->lineCount(), count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202610001'")));
    ParameterSet p;
    p.Add(0, 0, 0, QStringLiteral("sID"), QStringLiteral("nonexistent"), 203, 0);
    e->setSParameters(p);
    QCOMPARE(e->lastError(), QStringLiteral("“采购订单”中没有编号为 nonexistent 的记录。"));
    QCOMPARE(e->field(QStringLiteral("billno")), QStringLiteral("PO202610001"));
}

void tst_LwEdit::unsavedChangesAsked_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("mayClose");
    QTest::addColumn<QString>("savedName");
    QTest::newRow("yes saves") << int(ui::Yes) << true << "华东钢材集团";
    QTest::newRow("no drops") << int(ui::No) << true << "";
    QTest::newRow("cancel keeps") << int(ui::Cancel) << false << "";
}

void tst_LwEdit::unsavedChangesAsked()
{
    QFETCH(int, answer);
    QFETCH(bool, mayClose);
    QFETCH(QString, savedName);
    testsupport::RecordingUi recording;
    recording.answers << answer;
    auto db = m_site->connect();
    const QString bill = db->query(QStringLiteral("select min(billno) from ar_bill"), {})->firstValue().toString();
    lwedit::OEdit *e = make(2401, {bill, 2, QVariant()});
    QVERIFY(e);
    QVERIFY(e->queryClose()); // nothing changed: nothing asked
    QCOMPARE(recording.boxes.size(), 0);
    const QString before = db->query(QStringLiteral("select remark from ar_bill where billno = ?"), {bill})->firstValue().toString();
    e->setField(QStringLiteral("remark"), QStringLiteral("华东钢材集团"));
    QCOMPARE(e->queryClose(), mayClose);
    QCOMPARE(recording.boxes.size(), 1);
    QCOMPARE(e->hasUnsavedChanges(), !mayClose);
    QCOMPARE(db->query(QStringLiteral("select remark from ar_bill where billno = ?"), {bill})->firstValue().toString(),
             savedName.isEmpty() ? before : savedName);
}

QTEST_MAIN(tst_LwEdit)
#include "tst_lwedit.moc"

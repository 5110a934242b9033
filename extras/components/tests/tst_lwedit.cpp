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
    m_site = std::make_unique<testsupport::TestSite>();
    QVERIFY2(m_site->ok(), qPrintable(m_site->error()));
    auto db = m_site->connect();
    QVERIFY(db);
    const QStringList ddl{
        QStringLiteral("create table xt_progdef (progno int primary key, caption varchar(40), tablename varchar(40), "
                       "keycol varchar(40), columns varchar(400), linetable varchar(40), linefk varchar(40), linecols varchar(400))"),
        QStringLiteral("create table xt_po (pono varchar(20) primary key, supplier varchar(40) not null, podate varchar(10))"),
        QStringLiteral("create table xt_poline (pono varchar(20) not null, item varchar(20) not null, qty numeric(12,2) not null)"),
        QStringLiteral("create table xt_supplier (code varchar(20) primary key, name varchar(40))")};
    for (const QString &s : ddl)
        QVERIFY2(db->exec(s), qPrintable(db->LastError().description));
    QVERIFY(db->exec(QStringLiteral("insert into xt_progdef values (?, ?, ?, ?, ?, ?, ?, ?)"),
                     {2101, QStringLiteral("采购订单"), QStringLiteral("xt_po"), QStringLiteral("pono"),
                      QStringLiteral("*pono:订单号:t:100;*supplier:供应商:t:160;podate:日期:d:100"),
                      QStringLiteral("xt_poline"), QStringLiteral("pono"), QStringLiteral("*item:物料:t:120;*qty:数量:n:80")}));
    QVERIFY(db->exec(QStringLiteral("insert into xt_progdef (progno, caption, tablename, keycol, columns) values (?, ?, ?, ?, ?)"),
                     {1201, QStringLiteral("供应商"), QStringLiteral("xt_supplier"), QStringLiteral("code"),
                      QStringLiteral("*code:编号:t:80;*name:名称:t:200")}));
    for (const auto &[code, name] : {std::pair{"S01", "华东钢材"}, {"S02", "华南电子"}, {"S03", "O'Neil 五金"}})
        QVERIFY(db->exec(QStringLiteral("insert into xt_supplier values (?, ?)"),
                         {QString::fromUtf8(code), QString::fromUtf8(name)}));
    QVERIFY(db->exec(QStringLiteral("insert into xt_po values ('P001', 'S01', '2026-01-05')")));
    QVERIFY(db->exec(QStringLiteral("insert into xt_poline values ('P001', 'A100', 5)")));

    Session &s = Session::open();
    s.config = std::make_unique<clsConfig>();
    QVERIFY(s.config->Init(m_site->configPath()));
    s.db = std::make_unique<Database>();
    QVERIFY(s.db->Init(m_site->configPath(), true) && s.db->Connect());
    s.op = std::make_unique<Operator>();
    s.sys = std::make_unique<SystemServices>();
    QVERIFY(s.sys->Init(s.db.get(), s.op.get(), 0));
    // The site made its own program folder; the classes come from the build's.
    appinfo::setProgramFolder(QStringLiteral(ZENLO_PROGRAM_DIR));
    objects::rescanComponents();
}

void tst_LwEdit::cleanup()
{
    m_widget.reset();
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
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("rows");
    QTest::newRow("all") << "" << 3;
    QTest::newRow("by name") << "华南" << 1;
    QTest::newRow("a quote is a character") << "O'Neil" << 1;
    QTest::newRow("wildcard-free miss") << "北方" << 0;
}

void tst_LwEdit::listAndFilter()
{
    QFETCH(QString, filter);
    QFETCH(int, rows);
    lwedit::OEdit *e = make(1201, {0});
    QVERIFY(e);
    e->setFilter(filter);
    QCOMPARE(e->listRowCount(), rows);
    QCOMPARE(count(QStringLiteral("select count(*) from xt_supplier")), 3);
}

void tst_LwEdit::save_data()
{
    QTest::addColumn<QString>("pono");
    QTest::addColumn<QString>("supplier");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QString>("error"); // "" saves; else the start of the message
    QTest::addColumn<int>("linesSaved");
    auto line = [](const char *item, const char *qty) {
        return QMap<QString, QString>{{QStringLiteral("item"), QString::fromUtf8(item)}, {QStringLiteral("qty"), QString::fromUtf8(qty)}};
    };
    QTest::newRow("header and two lines") << "P002" << "S02" << Lines{line("A1", "3"), line("B2", "4.5")} << "" << 2;
    QTest::newRow("required header field") << "P002" << "" << Lines{line("A1", "3")} << "“供应商”不能为空。" << 0;
    QTest::newRow("number of a line") << "P002" << "S02" << Lines{line("A1", "三")} << "第 1 行“数量”必须是数字：三" << 0;
    QTest::newRow("required line field") << "P002" << "S02" << Lines{line("A1", "1"), line("", "2")} << "第 2 行“物料”不能为空。" << 0;
    // The header goes in, then the database refuses: nothing stays.
    QTest::newRow("duplicate number rolls back") << "P001" << "S02" << Lines{line("A1", "1")} << "保存“采购订单”失败，未保存任何内容" << 1;
}

void tst_LwEdit::save()
{
    QFETCH(QString, pono);
    QFETCH(QString, supplier);
    QFETCH(Lines, lines);
    QFETCH(QString, error);
    QFETCH(int, linesSaved);
    QSignalSpy *spy = nullptr;
    lwedit::OEdit *e = make(2101, {0}, &spy);
    std::unique_ptr<QSignalSpy> owner(spy);
    QVERIFY(e);
    e->newRecord();
    e->setField(QStringLiteral("pono"), pono);
    e->setField(QStringLiteral("supplier"), supplier);
    e->setField(QStringLiteral("podate"), QStringLiteral("2026-02-01"));
    e->setLines(lines);
    QCOMPARE(e->save(), error.isEmpty());
    QVERIFY2(error.isEmpty() ? e->lastError().isEmpty() : e->lastError().startsWith(error), qPrintable(e->lastError()));
    QCOMPARE(e->hasUnsavedChanges(), !error.isEmpty());
    QCOMPARE(count(QStringLiteral("select count(*) from xt_poline where pono = '%1'").arg(pono)), linesSaved);
    QCOMPARE(count(QStringLiteral("select count(*) from xt_po")), error.isEmpty() ? 2 : 1);
    if (!error.isEmpty())
        QCOMPARE(spy->last().at(0).toString(), QStringLiteral("errmessage"));
}

void tst_LwEdit::editOpensRecordOfParameter()
{
    lwedit::OEdit *e = make(2101, {QStringLiteral("P001"), 2, QVariant()});
    QVERIFY(e);
    QCOMPARE(e->field(QStringLiteral("supplier")), QStringLiteral("S01"));
    QCOMPARE(e->lineCount(), 1);
    ParameterSet p;
    p.Add(0, 0, 0, QStringLiteral("sID"), QStringLiteral("nonexistent"), 203, 0);
    e->setSParameters(p);
    QCOMPARE(e->lastError(), QStringLiteral("“采购订单”中没有编号为 nonexistent 的记录。"));
    QCOMPARE(e->field(QStringLiteral("supplier")), QStringLiteral("S01"));
}

void tst_LwEdit::unsavedChangesAsked_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("mayClose");
    QTest::addColumn<QString>("savedName");
    QTest::newRow("yes saves") << int(ui::Yes) << true << "华东钢材集团";
    QTest::newRow("no drops") << int(ui::No) << true << "华东钢材";
    QTest::newRow("cancel keeps") << int(ui::Cancel) << false << "华东钢材";
}

void tst_LwEdit::unsavedChangesAsked()
{
    QFETCH(int, answer);
    QFETCH(bool, mayClose);
    QFETCH(QString, savedName);
    testsupport::RecordingUi recording;
    recording.answers << answer;
    lwedit::OEdit *e = make(1201, {QStringLiteral("S01"), 2, QVariant()});
    QVERIFY(e);
    QVERIFY(e->queryClose()); // nothing changed: nothing asked
    QCOMPARE(recording.boxes.size(), 0);
    e->setField(QStringLiteral("name"), QStringLiteral("华东钢材集团"));
    QCOMPARE(e->queryClose(), mayClose);
    QCOMPARE(recording.boxes.size(), 1);
    QCOMPARE(e->hasUnsavedChanges(), !mayClose);
    auto db = m_site->connect();
    QCOMPARE(db->query(QStringLiteral("select name from xt_supplier where code = ?"), {QStringLiteral("S01")})->firstValue().toString(),
             savedName);
}

QTEST_MAIN(tst_LwEdit)
#include "tst_lwedit.moc"

// The document editor of LwEdit, made by ProgID from the program folder's
// components/ and run on a real session over the test site's database.
#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/contracts.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "platform/appinfo.h"
#include "platform/objectfactory.h"
#include "platform/uiservice.h"

#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "testsite.h"
#include "testsupport.h"

#include "../common/decimal.h"
#include "../lwedit/oedit.h"
#include "../lwedit/documentlist.h"
#include "demo/demodb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

using Lines = QList<QMap<QString, QString>>;
Q_DECLARE_METATYPE(Lines)

namespace {

// Another operator at another workstation: a connection, login and editor of his own.
struct OtherOperator {
    Database db;
    Operator op;
    SystemServices sys;
    std::unique_ptr<lwedit::OEdit> editor;

    bool login(const QString &config, const QString &name, const QString &password)
    {
        if (!db.Init(config, true) || !db.Connect() || !sys.Init(&db, &op, 0))
            return false;
        op.setName(name);
        if (!op.VerifyPassword(password))
            return false;
        sys.environment()->setOperatorName(name);
        return true;
    }
    lwedit::OEdit *open(int program, QVariantList args)
    {
        editor = std::make_unique<lwedit::OEdit>();
        SystemServices *s = &sys;
        clsConfig *config = nullptr;
        int32_t number = program;
        return editor->Py_Init(s, config, number, args) ? editor.get() : nullptr;
    }
};

void fillOrder(lwedit::OEdit *e, const QString &date, const QString &supplier, const QString &remark)
{
    e->newRecord();
    e->setField(QStringLiteral("billdate"), date);
    e->setField(QStringLiteral("supplier"), supplier);
    e->setField(QStringLiteral("remark"), remark);
    e->setLines({{{QStringLiteral("item"), QStringLiteral("A1001")}, {QStringLiteral("qty"), QStringLiteral("2")},
                  {QStringLiteral("price"), QStringLiteral("186")}},
                 {{QStringLiteral("item"), QStringLiteral("A2001")}, {QStringLiteral("qty"), QStringLiteral("1")},
                  {QStringLiteral("price"), QStringLiteral("35")}}});
}

// --operator CONFIG NAME PASSWORD REMARK: 张三 at his own workstation. Opens a new purchase order and
// fills it, says "filled", saves when told ("save" on stdin) and says "saved NUMBER" or "failed MESSAGE".
int runOperator(const QStringList &args)
{
    auto say = [](const QString &line) {
        std::fputs(qPrintable(line + u'\n'), stdout);
        std::fflush(stdout);
    };
    testsupport::RecordingUi answers;
    OtherOperator op;
    if (args.size() != 4 || !op.login(args.at(0), args.at(1), args.at(2))) {
        say(QStringLiteral("failed login"));
        return 1;
    }
    lwedit::OEdit *e = op.open(2101, {QString(), 2, QVariant()});
    if (!e) {
        say(QStringLiteral("failed editor"));
        return 1;
    }
    fillOrder(e, QStringLiteral("2026-12-08"), QStringLiteral("S001"), args.at(3));
    say(QStringLiteral("filled"));
    char line[64] = {};
    if (!std::fgets(line, sizeof line, stdin))
        return 1;
    if (!e->save()) {
        say(QStringLiteral("failed ") + e->lastError());
        return 1;
    }
    say(QStringLiteral("saved ") + e->field(QStringLiteral("billno")));
    return 0;
}

#ifdef __linux__
// Root writes a file whatever its mode says: the immutable flag stops root as well.
bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}
#endif

// The database file made read-only for as long as it lives.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString &path) : m_path(path), m_mode(QFile::permissions(path))
    {
        m_ok = QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
#ifdef __linux__
        if (m_ok && ::geteuid() == 0)
            m_ok = m_immutable = setImmutable(path, true);
#endif
    }
    ~ReadOnlyFile() { undo(); }
    bool ok() const { return m_ok; }
    void undo()
    {
#ifdef __linux__
        if (m_immutable)
            setImmutable(m_path, false);
#endif
        m_immutable = false;
        QFile::setPermissions(m_path, m_mode);
    }

private:
    QString m_path;
    QFileDevice::Permissions m_mode;
    bool m_ok = false, m_immutable = false;
};

} // namespace

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
    void listSortsAndShowsNames_data();
    void listSortsAndShowsNames();
    void listReadsAsScrolled_data();
    void listReadsAsScrolled();
    void save_data();
    void save();
    void savesOnEveryDriver_data();
    void savesOnEveryDriver();
    void scopedRecordGetsItsType();
    void viewOnlyProgramSavesNothing();
    void editOpensRecordOfParameter();
    void unsavedChangesAsked_data();
    void unsavedChangesAsked();
    void computedAndDecimal_data();
    void computedAndDecimal();
    void newDocumentNumberedAndDated_data();
    void newDocumentNumberedAndDated();
    void noLostUpdates_data();
    void noLostUpdates();
    void referencesComplete_data();
    void referencesComplete();
    void earlierDemoDatabaseUpgraded();
    void approveThenDelete_data();
    void approveThenDelete();
    void rightsGuardActions();
    void auditTrail_data();
    void auditTrail();
    void otherOperatorMeanwhile_data();
    void otherOperatorMeanwhile();
    void numbersRaced_data();
    void numbersRaced();
    void numbersOfAMonthRunOut_data();
    void numbersOfAMonthRunOut();
    void readOnlyDatabase_data();
    void readOnlyDatabase();
    void connectionDropped_data();
    void connectionDropped();

private:
    lwedit::OEdit *make(int programNumber, QVariantList args, QSignalSpy **spy = nullptr);
    int count(const QString &sql);
    std::unique_ptr<testsupport::TestSite> m_site;
    std::unique_ptr<QWidget> m_widget;
    std::vector<std::unique_ptr<QWidget>> m_others; // editors of other operators, open at the same time
    std::unique_ptr<OtherOperator> m_other;
    bool onServer() const { return m_site->driver() == testsupport::TestSite::PostgreSQL; }
    // The log file of the session, opened for the test that reads it.
    QString openLog();
};

void tst_LwEdit::initTestCase()
{
    appinfo::setProgramFolder(QStringLiteral(ZENLO_PROGRAM_DIR));
    objects::rescanComponents();
}

void tst_LwEdit::init()
{
    // Rows tagged "postgresql" (or "postgresql: ...") run on the test server's database.
    using testsupport::TestSite;
    const QByteArray tag = QTest::currentDataTag();
    const bool pg = tag == "postgresql" || tag.startsWith("postgresql:");
    QString why;
    if (pg && !TestSite::postgresAvailable(&why)) {
        if (TestSite::postgresRequired())
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }
    m_site = std::make_unique<TestSite>(pg ? TestSite::PostgreSQL : TestSite::SQLite);
    QVERIFY2(m_site->ok(), qPrintable(m_site->error()));
    QVERIFY(testsupport::openSession(m_site->configPath()));
    // Operation records go to the database as after a login.
    LogService::instance().attachDatabase(Session::current()->db.get());
    // The site made its own program folder; the classes come from the build's.
    appinfo::setProgramFolder(QStringLiteral(ZENLO_PROGRAM_DIR));
    objects::rescanComponents();
}

void tst_LwEdit::cleanup()
{
    m_widget.reset();
    m_others.clear();
    m_other.reset();
    LogService::instance().shutdown();
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
    QTest::addColumn<int>("rows"); // of the fixed demo data
    QTest::newRow("every purchase order") << 2101 << "" << 40;
    QTest::newRow("by number") << 2101 << "PO202611" << 17;
    QTest::newRow("by supplier code") << 2101 << "S006" << 7;
    QTest::newRow("a quote is a character") << 2101 << "O'Neil" << 0;
    QTest::newRow("by supplier name") << 2101 << "宁波" << 6;
    QTest::newRow("by the name's initials") << 2101 << "nbwj" << 6;
    QTest::newRow("initials in capitals") << 2101 << "NBWJZ" << 6;
    QTest::newRow("% is a character") << 2101 << "%" << 0;
    QTest::newRow("_ is a character") << 2101 << "_" << 0;
    QTest::newRow("a backslash") << 2101 << "\\" << 0;
    QTest::newRow("1,000 characters") << 2101 << QString(1000, u'宁') << 0;
    QTest::newRow("emoji") << 2101 << "宁波😀" << 0;
    QTest::newRow("receipts see their bill type only") << 2104 << "" << 26;
    QTest::newRow("returns: none yet") << 2105 << "" << 0;
}

void tst_LwEdit::listAndFilter()
{
    QFETCH(int, program);
    QFETCH(QString, filter);
    QFETCH(int, rows);
    lwedit::OEdit *e = make(program, {0});
    QVERIFY(e);
    e->setFilter(filter);
    QCOMPARE(e->listRowCount(), rows);
    QVERIFY2(e->lastError().isEmpty(), qPrintable(e->lastError()));
}

void tst_LwEdit::save_data()
{
    QTest::addColumn<QString>("billno");
    QTest::addColumn<QString>("supplier");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<bool>("refuseSecondLine"); // the database refuses the second line (a trigger)
    QTest::addColumn<QString>("error"); // "" saves; else the whole message
    QTest::addColumn<int>("linesSaved");
    auto line = [](const char *item, const char *qty, const char *price = "5") {
        return QMap<QString, QString>{{QStringLiteral("item"), QString::fromUtf8(item)}, {QStringLiteral("qty"), QString::fromUtf8(qty)},
                                      {QStringLiteral("price"), QString::fromUtf8(price)}};
    };
    const Lines blank{QMap<QString, QString>{}};
    const Lines one{line("A1001", "3")};
    QTest::newRow("header and two lines") << "PO-T1" << "S002" << Lines{line("A1001", "3"), line("A2001", "4.5")} << false << "" << 2;
    QTest::newRow("a blank line is left out") << "PO-T1" << "S002" << one + blank << false << "" << 1;
    QTest::newRow("no line at all") << "PO-T1" << "S002" << Lines{} << false << "“采购订单”至少要有一行明细。" << 0;
    QTest::newRow("only blank lines") << "PO-T1" << "S002" << blank + blank << false << "“采购订单”至少要有一行明细。" << 0;
    QTest::newRow("500 lines") << "PO-T1" << "S002" << Lines(500, line("A1001", "1")) << false << "" << 500;
    QTest::newRow("1000 characters of remark are a text") << "PO-T1" << "S002" << one << false << "" << 1;
    QTest::newRow("required header field") << "PO-T1" << "" << one << false << "“供应商”不能为空。" << 0;
    QTest::newRow("number of a line") << "PO-T1" << "S002" << Lines{line("A1001", "三")} << false << "第 1 行“数量”必须是数字：三" << 0;
    QTest::newRow("required line field") << "PO-T1" << "S002" << Lines{line("A1001", "1"), line("", "2")} << false
                                         << "第 2 行“物料”不能为空。" << 0;
    QTest::newRow("negative quantity") << "PO-T1" << "S002" << Lines{line("A1001", "-5", "45")} << false << "第 1 行“数量”必须大于 0：-5" << 0;
    QTest::newRow("zero quantity") << "PO-T1" << "S002" << Lines{line("A1001", "0")} << false << "第 1 行“数量”必须大于 0：0" << 0;
    QTest::newRow("1e20") << "PO-T1" << "S002" << Lines{line("A1001", "1e20")} << false << "第 1 行“数量”超出范围（最多 15 位整数）：1e20" << 0;
    QTest::newRow("inf") << "PO-T1" << "S002" << Lines{line("A1001", "inf")} << false << "第 1 行“数量”必须是有限的数字：inf" << 0;
    QTest::newRow("nan in a required number") << "PO-T1" << "S002" << Lines{line("A1001", "nan")} << false
                                              << "第 1 行“数量”必须是有限的数字：nan" << 0;
    QTest::newRow("19-digit price") << "PO-T1" << "S002" << Lines{line("A1001", "1", "1234567890123456789")} << false
                                    << "第 1 行“单价”超出范围（最多 15 位整数）：1234567890123456789" << 0;
    QTest::newRow("more decimals than the price holds") << "PO-T1" << "S002" << Lines{line("A1001", "1", "1.23456")} << false
                                                        << "第 1 行“单价”最多 4 位小数：1.23456" << 0;
    QTest::newRow("amount beyond the column") << "PO-T1" << "S002" << Lines{line("A1001", "99999999999", "99999")} << false
                                              << "第 1 行“金额”超出范围（最多 15 位整数）：9999899999900001.00\n“金额”超出范围（最多 15 位整数）：9999899999900001.00"
                                              << 0;
    QTest::newRow("unknown supplier") << "PO-T1" << "S999" << one << false << "供应商 S999 不存在。" << 0;
    QTest::newRow("a quote in the supplier code") << "PO-T1" << "S0'1" << one << false << "供应商 S0'1 不存在。" << 0;
    QTest::newRow("a percent sign is no pattern") << "PO-T1" << "S00%" << one << false << "供应商 S00% 不存在。" << 0;
    QTest::newRow("unknown item") << "PO-T1" << "S002" << Lines{line("A1001", "1"), line("不存在的物料", "1")} << false
                                  << "第 2 行物料 不存在的物料 不存在。" << 0;
    QTest::newRow("a number that exists") << "PO202610001" << "S002" << one << false
                                          << "单据 PO202610001 已存在，未保存任何内容。请换一个单号。" << -1;
    // The header and the first line go in, then the database refuses the second: nothing stays.
    QTest::newRow("a refused line rolls the document back") << "PO-T1" << "S002" << Lines{line("A1001", "1"), line("A2001", "2")}
                                                            << true << "单据 PO-T1 保存失败，未保存任何内容。原因已记入日志。" << 0;
}

void tst_LwEdit::save()
{
    QFETCH(QString, billno);
    QFETCH(QString, supplier);
    QFETCH(Lines, lines);
    QFETCH(bool, refuseSecondLine);
    QFETCH(QString, error);
    QFETCH(int, linesSaved);
    if (refuseSecondLine) {
        auto db = m_site->connect();
        QVERIFY(db->exec(QStringLiteral("create trigger refuse_second_line before insert on pu_orderline when new.lineno = 2 "
                                        "begin select raise(abort, 'line refused'); end")));
    }
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
    const QString remark = QString(1000, QChar(u'货'));
    if (qstrcmp(QTest::currentDataTag(), "1000 characters of remark are a text") == 0)
        e->setField(QStringLiteral("remark"), remark);
    e->setLines(lines);
    QCOMPARE(e->save(), error.isEmpty());
    QCOMPARE(e->lastError(), error);
    QCOMPARE(e->hasUnsavedChanges(), !error.isEmpty());
    QCOMPARE(count(lineCount), linesSaved < 0 ? linesBefore : linesSaved);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order")), orders + (error.isEmpty() ? 1 : 0));
    if (error.isEmpty()) {
        QCOMPARE(count(QStringLiteral("select max(lineno) from pu_orderline where billno = '%1'").arg(billno)), linesSaved);
        if (qstrcmp(QTest::currentDataTag(), "1000 characters of remark are a text") == 0) {
            auto db = m_site->connect();
            QCOMPARE(db->query(QStringLiteral("select remark from pu_order where billno = ?"), {billno})->firstValue().toString(), remark);
        }
    } else {
        QCOMPARE(spy->last().at(0).toString(), QStringLiteral("errmessage"));
        // Titled with the function's caption.
        QCOMPARE(spy->last().at(1).toList().value(2).toString(), QStringLiteral("采购订单"));
        QCOMPARE(e->field(QStringLiteral("supplier")), supplier); // the typed values stay in the form
        // The database's refusal belongs to that save only: with a free number the next one stands.
        if (qstrcmp(QTest::currentDataTag(), "a number that exists") == 0) {
            e->setField(QStringLiteral("billno"), QStringLiteral("PO-T9"));
            QVERIFY2(e->save(), qPrintable(e->lastError()));
            QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO-T9'")), 1);
        }
    }
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
    QCOMPARE(e->field(QStringLiteral("supplier")), QStringLiteral("S006"));
    QCOMPARE(e->referenceName(QStringLiteral("supplier")), QStringLiteral("杭州包装材料公司"));
    QCOMPARE(e->lineCount(), 1);
    QCOMPARE(e->lineText(0, QStringLiteral("price")), QStringLiteral("5.6000"));
    QCOMPARE(e->field(QStringLiteral("amount")), QStringLiteral("336.00"));
    // Delivered (已入库): looked at, never saved again.
    e->setField(QStringLiteral("remark"), QStringLiteral("改"));
    QVERIFY(!e->save());
    QCOMPARE(e->lastError(), QStringLiteral("单据 PO202610001 的状态是“已入库”，不能修改。"));
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

void tst_LwEdit::computedAndDecimal_data()
{
    QTest::addColumn<QString>("qty");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("typedAmount"); // what the operator typed into the computed column
    QTest::addColumn<QString>("amount");      // as the form shows it after the save
    QTest::addColumn<QString>("stored");      // the line's amount read back as text
    QTest::newRow("10 × 5 gets its amount") << "10" << "5" << "" << "50.00" << "50";
    QTest::newRow("a contradicting amount is replaced") << "5" << "45" << "450" << "225.00" << "225";
    QTest::newRow("rounded half up to the cent") << "3" << "0.1235" << "" << "0.37" << "0.37";
    QTest::newRow("no binary noise") << "0.1" << "0.2" << "" << "0.02" << "0.02";
    QTest::newRow("decimal places kept") << "2.5" << "12.8" << "" << "32.00" << "32";
    QTest::newRow("postgresql") << "3" << "0.1235" << "450" << "0.37" << "0.37";
}

// Line amounts are quantity × price rounded to the cent, the header total their sum, exactly.
void tst_LwEdit::computedAndDecimal()
{
    QFETCH(QString, qty);
    QFETCH(QString, price);
    QFETCH(QString, typedAmount);
    QFETCH(QString, amount);
    QFETCH(QString, stored);
    lwedit::OEdit *e = make(2101, {0});
    QVERIFY(e);
    e->newRecord();
    e->setField(QStringLiteral("billno"), QStringLiteral("PO-C1"));
    e->setField(QStringLiteral("supplier"), QStringLiteral("S003"));
    e->setLines({{{QStringLiteral("item"), QStringLiteral("A3001")}, {QStringLiteral("qty"), qty}, {QStringLiteral("price"), price},
                  {QStringLiteral("amount"), typedAmount}},
                 {{QStringLiteral("item"), QStringLiteral("A3002")}, {QStringLiteral("qty"), QStringLiteral("1")},
                  {QStringLiteral("price"), QStringLiteral("51774.8")}}});
    QVERIFY2(e->save(), qPrintable(e->lastError()));
    QCOMPARE(e->lineText(0, QStringLiteral("amount")), amount);
    auto db = m_site->connect();
    // The server's own form without a fixed scale's zeros (numeric(19,4) on PostgreSQL).
    QCOMPARE(lwcommon::formatNumber(
                 db->query(QStringLiteral("select amount from pu_orderline where billno = 'PO-C1' and lineno = 1"), {})->firstValue(), -1),
             stored);
    // 51774.80 plus the first line, shown and stored as decimal text.
    const QString total = db->query(QStringLiteral("select amount from pu_order where billno = 'PO-C1'"), {})->firstValue().toString();
    QCOMPARE(e->field(QStringLiteral("amount")), QStringLiteral("%1").arg(
        QString::number(qRound64((51774.8 + amount.toDouble()) * 100) / 100.0, 'f', 2)));
    QVERIFY2(!total.contains(QLatin1String("9999")) && !total.contains(QLatin1String("0000")), qPrintable(total));
    // Read back into a new form as the column's decimals.
    lwedit::OEdit *again = make(2101, {QStringLiteral("PO-C1"), 2, QVariant()});
    QCOMPARE(again->lineText(1, QStringLiteral("amount")), QStringLiteral("51774.80"));
    QCOMPARE(again->lineText(1, QStringLiteral("qty")), QStringLiteral("1.00"));
}

void tst_LwEdit::newDocumentNumberedAndDated_data()
{
    QTest::addColumn<int>("unused");
    QTest::newRow("sqlite") << 0;
    QTest::newRow("postgresql") << 0;
}

// The demo's December holds PO202612001 … PO202612007.
void tst_LwEdit::newDocumentNumberedAndDated()
{
    lwedit::OEdit *a = make(2101, {0});
    QVERIFY(a);
    a->newRecord();
    QCOMPARE(a->field(QStringLiteral("billdate")), lwcommon::operatingDate(Session::current()->sys.get()).toString(Qt::ISODate));
    QCOMPARE(a->field(QStringLiteral("status")), QStringLiteral("未审核"));
    QCOMPARE(a->field(QStringLiteral("billno")), QString());
    a->setField(QStringLiteral("billdate"), QStringLiteral("2026-12-08"));
    a->setField(QStringLiteral("supplier"), QStringLiteral("S001"));
    a->setLines({{{QStringLiteral("item"), QStringLiteral("A1001")}, {QStringLiteral("qty"), QStringLiteral("1")},
                  {QStringLiteral("price"), QStringLiteral("186")}}});
    // A second clerk starts an order of the same month at the same time.
    m_others.push_back(std::unique_ptr<QWidget>(m_widget.release()));
    lwedit::OEdit *b = make(2101, {0});
    b->newRecord();
    b->setField(QStringLiteral("billdate"), QStringLiteral("2026-12-09"));
    b->setField(QStringLiteral("supplier"), QStringLiteral("S002"));
    b->setLines({{{QStringLiteral("item"), QStringLiteral("A2001")}, {QStringLiteral("qty"), QStringLiteral("2")},
                  {QStringLiteral("price"), QStringLiteral("35")}}});
    QVERIFY2(a->save(), qPrintable(a->lastError()));
    QVERIFY2(b->save(), qPrintable(b->lastError()));
    QCOMPARE(a->field(QStringLiteral("billno")), QStringLiteral("PO202612008"));
    QCOMPARE(b->field(QStringLiteral("billno")), QStringLiteral("PO202612009"));
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno in ('PO202612008', 'PO202612009') and status = '未审核'")), 2);
    // A month of its own starts at 001; a typed number stands.
    lwedit::OEdit *c = make(2101, {0});
    c->newRecord();
    c->setField(QStringLiteral("billdate"), QStringLiteral("2027-01-02"));
    c->setField(QStringLiteral("supplier"), QStringLiteral("S002"));
    c->setLines({{{QStringLiteral("item"), QStringLiteral("A2001")}, {QStringLiteral("qty"), QStringLiteral("2")},
                  {QStringLiteral("price"), QStringLiteral("35")}}});
    QVERIFY2(c->save(), qPrintable(c->lastError()));
    QCOMPARE(c->field(QStringLiteral("billno")), QStringLiteral("PO202701001"));
}

void tst_LwEdit::noLostUpdates_data()
{
    QTest::addColumn<bool>("deleted"); // B deletes the order instead of changing it
    QTest::newRow("sqlite") << false;
    QTest::newRow("postgresql") << false;
    QTest::newRow("deleted meanwhile") << true;
}

// A and B open PO202610013; B saves first: B's change stands, A's save is refused and writes nothing.
void tst_LwEdit::noLostUpdates()
{
    QFETCH(bool, deleted);
    const QString bill = QStringLiteral("PO202610013");
    lwedit::OEdit *a = make(2101, {bill, 2, QVariant()});
    QVERIFY(a);
    QCOMPARE(a->version(), 1);
    m_others.push_back(std::unique_ptr<QWidget>(m_widget.release()));
    auto db = m_site->connect();
    if (deleted) {
        QVERIFY(db->exec(QStringLiteral("delete from pu_orderline where billno = ?"), {bill}));
        QVERIFY(db->exec(QStringLiteral("delete from pu_order where billno = ?"), {bill}));
    } else {
        lwedit::OEdit *b = make(2101, {bill, 2, QVariant()});
        QVERIFY(b);
        b->setField(QStringLiteral("remark"), QStringLiteral("B 的修改"));
        QVERIFY2(b->save(), qPrintable(b->lastError()));
        QCOMPARE(b->version(), 2);
    }
    a->setField(QStringLiteral("remark"), QStringLiteral("A 的修改"));
    a->setLines({{{QStringLiteral("item"), QStringLiteral("A1001")}, {QStringLiteral("qty"), QStringLiteral("1")},
                  {QStringLiteral("price"), QStringLiteral("1")}}});
    QVERIFY(!a->save());
    const QString who = Session::current()->sys->environment()->operatorName();
    if (deleted) {
        QCOMPARE(a->lastError(), QStringLiteral("单据 PO202610013 已被删除，未保存。"));
        QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202610013'")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202610013'")), 0);
    } else {
        const QRegularExpression re(QStringLiteral("^单据 PO202610013 已被 %1 于 \\d\\d:\\d\\d 修改，请重新打开后再改。$")
                                        .arg(QRegularExpression::escape(who)));
        QVERIFY2(re.match(a->lastError()).hasMatch(), qPrintable(a->lastError()));
        QCOMPARE(db->query(QStringLiteral("select remark from pu_order where billno = ?"), {bill})->firstValue().toString(),
                 QStringLiteral("B 的修改"));
        QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202610013'")), 4);
        QCOMPARE(count(QStringLiteral("select version from pu_order where billno = 'PO202610013'")), 2);
    }
    // A's typed change stays in the form.
    QCOMPARE(a->field(QStringLiteral("remark")), QStringLiteral("A 的修改"));
    QVERIFY(a->hasUnsavedChanges());
}

void tst_LwEdit::referencesComplete_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("by code") << "supplier" << "S00" << QStringList{"S001", "S002", "S003", "S004", "S005", "S006", "S007", "S008"};
    QTest::newRow("by name") << "supplier" << "宁波" << QStringList{"S003"};
    QTest::newRow("by initials") << "supplier" << "nbwj" << QStringList{"S003"};
    QTest::newRow("initials of an item") << "item" << "bxgg" << QStringList{"A1003"};
    QTest::newRow("nothing") << "supplier" << "zzzz" << QStringList{};
}

void tst_LwEdit::referencesComplete()
{
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QStringList, codes);
    lwedit::OEdit *e = make(2101, {0});
    QVERIFY(e);
    QCOMPARE(e->completions(column, typed), codes);
    e->newRecord();
    e->setField(QStringLiteral("supplier"), QStringLiteral("S003"));
    QCOMPARE(e->referenceName(QStringLiteral("supplier")), QStringLiteral("宁波五金制品公司"));
}

// A demo database an earlier build made: definitions without numbering or version, no version
// columns, order lines stored without their amount. The upgrade keeps every row.
void tst_LwEdit::earlierDemoDatabaseUpgraded()
{
    auto db = m_site->connect();
    const int orders = count(QStringLiteral("select count(*) from pu_order"));
    for (const char *sql : {"create table pu_order_old as select billno, billdate, supplier, deliverydate, status, remark from pu_order",
                            "drop table pu_order", "alter table pu_order_old rename to pu_order",
                            "create table xt_progdef_old as select progno, kind, caption, tablename, keycol, columns, linetable, linefk, "
                            "linecols, scope, readonly, reportsql, params, groupcol, sumcols, opensprog, openskey from xt_progdef",
                            "drop table xt_progdef", "alter table xt_progdef_old rename to xt_progdef",
                            "update xt_progdef set columns = replace(columns, ':ref=bd_supplier', '')",
                            "update pu_orderline set amount = null where billno = 'PO202610013' and lineno = 2",
                            "create table sys_period_old as select syscode, period, startdate, enddate, iscurrent from sys_period",
                            "drop table sys_period", "alter table sys_period_old rename to sys_period",
                            "drop index ix_pu_orderline_billno_lineno_item_qty_price_amount", "PRAGMA user_version = 0"})
        QVERIFY2(db->exec(QString::fromUtf8(sql)), qPrintable(db->LastError().description));
    QString error;
    {
        // As the start-up finds it: the program's connection to its demo file.
        ConnectionSettings s = db->settings();
        s.demo = true;
        Database started;
        QVERIFY(started.Init(s) && started.Connect());
        QVERIFY2(demo::upgradeIfOld(started, &error), qPrintable(error));
    }
    QCOMPARE(count(QStringLiteral("PRAGMA user_version")), demo::kSchemaStamp);
    // The indexes the reports read a period's orders and lines from.
    QCOMPARE(count(QStringLiteral("select count(*) from sqlite_master where type = 'index' and name in "
                                  "('ix_pu_order_billdate_billno_supplier', 'ix_pu_orderline_billno_lineno_item_qty_price_amount')")),
             2);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order")), orders);
    QCOMPARE(count(QStringLiteral("select amount from pu_orderline where billno = 'PO202610013' and lineno = 2")), 5100);
    QCOMPARE(count(QStringLiteral("select amount from pu_order where billno = 'PO202610013'")), 16595);
    // Periods keyed by year: the six rows of 2026, November closed, December the open current one.
    QCOMPARE(count(QStringLiteral("select count(*) from sys_period where year = 2026")), 6);
    QCOMPARE(count(QStringLiteral("select isclosed from sys_period where syscode = 'GL' and period = 11")), 1);
    QCOMPARE(count(QStringLiteral("select isclosed + 2 * iscurrent from sys_period where syscode = 'GL' and period = 12")), 2);
    // Upgraded once: a second start changes nothing.
    QVERIFY2(demo::upgrade(*db, &error), qPrintable(error));
    db.reset();
    lwedit::OEdit *e = make(2101, {QStringLiteral("PO202610013"), 2, QVariant()});
    QVERIFY(e);
    e->setField(QStringLiteral("supplier"), QStringLiteral("S999"));
    QVERIFY(!e->save());
    QCOMPARE(e->lastError(), QStringLiteral("供应商 S999 不存在。"));
    e->setField(QStringLiteral("supplier"), QStringLiteral("S002"));
    QVERIFY2(e->save(), qPrintable(e->lastError()));
    QCOMPARE(count(QStringLiteral("select version from pu_order where billno = 'PO202610013'")), 1);
}

void tst_LwEdit::approveThenDelete_data()
{
    QTest::addColumn<int>("unused");
    QTest::newRow("sqlite") << 0;
    QTest::newRow("postgresql") << 0;
}

// 审核 in the approving program; the approved order opens read-only and stays; 弃审, then deleted with its lines.
void tst_LwEdit::approveThenDelete()
{
    testsupport::RecordingUi recording;
    const QString bill = QStringLiteral("PO202610013");
    const QString who = Session::current()->sys->environment()->operatorName();
    lwedit::OEdit *a = make(2102, {bill, 2, QVariant()});
    QVERIFY(a);
    a->setField(QStringLiteral("remark"), QStringLiteral("未保存"));
    QVERIFY(!a->approve());
    QCOMPARE(a->lastError(), QStringLiteral("单据 PO202610013 有未保存的修改，请先保存再审核。"));
    a = make(2102, {bill, 2, QVariant()});
    QVERIFY2(a->approve(), qPrintable(a->lastError()));
    auto db = m_site->connect();
    RecordSetPtr rs = db->query(QStringLiteral("select status, approver, version from pu_order where billno = ?"), {bill});
    QCOMPARE(rs->text(QStringLiteral("status")), QStringLiteral("已审核"));
    QCOMPARE(rs->text(QStringLiteral("approver")), who);
    QCOMPARE(rs->field(QStringLiteral("version")).toInt(), 2);
    QCOMPARE(a->field(QStringLiteral("status")), QStringLiteral("已审核"));
    QVERIFY(!a->approve());
    QCOMPARE(a->lastError(), QStringLiteral("单据 PO202610013 的状态是“已审核”，不能审核。"));

    lwedit::OEdit *e = make(2101, {bill, 2, QVariant()});
    e->setField(QStringLiteral("remark"), QStringLiteral("改"));
    QVERIFY(!e->save());
    QCOMPARE(e->lastError(), QStringLiteral("单据 PO202610013 的状态是“已审核”，不能修改。"));
    QVERIFY(!e->deleteRecord());
    QCOMPARE(e->lastError(), QStringLiteral("单据 PO202610013 的状态是“已审核”，不能删除。"));
    QCOMPARE(recording.boxes.size(), 0);

    a = make(2102, {bill, 2, QVariant()});
    QVERIFY2(a->unapprove(), qPrintable(a->lastError()));
    e = make(2101, {bill, 2, QVariant()});
    QCOMPARE(e->field(QStringLiteral("status")), QStringLiteral("未审核"));
    recording.answers << int(ui::No) << int(ui::Yes);
    QVERIFY(!e->deleteRecord()); // asked, and the answer was no
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202610013'")), 1);
    QVERIFY2(e->deleteRecord(), qPrintable(e->lastError()));
    QCOMPARE(recording.boxes.size(), 2);
    QCOMPARE(recording.boxes.at(1).text, QStringLiteral("确定要删除单据 PO202610013 吗？"));
    QCOMPARE(recording.boxes.at(1).title, QStringLiteral("采购订单"));
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202610013'")), 0);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202610013'")), 0);
    QCOMPARE(e->listRowCount(), 39);
}

// 李四 approves nothing and deletes no purchase order; 张三 approves purchasing.
void tst_LwEdit::rightsGuardActions()
{
    testsupport::RecordingUi recording;
    bMain::LogOut();
    QVERIFY(testsupport::openSession(m_site->configPath(), QStringLiteral("李四"), QStringLiteral("li4")));
    lwedit::OEdit *e = make(2102, {QStringLiteral("PO202610013"), 2, QVariant()});
    QVERIFY(!e->approve());
    QCOMPARE(e->lastError(), QStringLiteral("您没有“采购订单审核”的审核权限。"));
    e = make(2101, {QStringLiteral("PO202610013"), 2, QVariant()});
    QVERIFY(!e->deleteRecord());
    QCOMPARE(e->lastError(), QStringLiteral("您没有“采购订单”的删除权限。"));
    QCOMPARE(recording.boxes.size(), 0);
    m_widget.reset();
    bMain::LogOut();
    QVERIFY(testsupport::openSession(m_site->configPath(), QStringLiteral("张三"), QStringLiteral("zhang3")));
    e = make(2102, {QStringLiteral("PO202610013"), 2, QVariant()});
    QVERIFY2(e->approve(), qPrintable(e->lastError()));
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202610013' and approver = '张三'")), 1);
}

void tst_LwEdit::auditTrail_data()
{
    QTest::addColumn<int>("unused");
    QTest::newRow("sqlite") << 0;
    QTest::newRow("postgresql") << 0;
}

// 张三 enters an order, changes it, approves it, takes the approval back and deletes it: five operation
// records with who, the program, the number and what, read from sys_oplog and by zenlo-admin oplog.
void tst_LwEdit::auditTrail()
{
    testsupport::RecordingUi recording;
    bMain::LogOut();
    QVERIFY(testsupport::openSession(m_site->configPath(), QStringLiteral("张三"), QStringLiteral("zhang3")));
    LogService::instance().attachDatabase(Session::current()->db.get());
    lwedit::OEdit *e = make(2101, {0});
    QVERIFY(e);
    e->newRecord();
    e->setField(QStringLiteral("billdate"), QStringLiteral("2026-12-08"));
    e->setField(QStringLiteral("supplier"), QStringLiteral("S001"));
    e->setLines({{{QStringLiteral("item"), QStringLiteral("A1001")}, {QStringLiteral("qty"), QStringLiteral("2")},
                  {QStringLiteral("price"), QStringLiteral("186")}}});
    QVERIFY2(e->save(), qPrintable(e->lastError()));
    const QString bill = e->field(QStringLiteral("billno"));
    QCOMPARE(bill, QStringLiteral("PO202612008"));
    e->setField(QStringLiteral("remark"), QStringLiteral("加急"));
    QVERIFY2(e->save(), qPrintable(e->lastError()));
    // A refused save writes no record.
    e->setField(QStringLiteral("supplier"), QStringLiteral("S999"));
    QVERIFY(!e->save());
    lwedit::OEdit *a = make(2102, {bill, 2, QVariant()});
    QVERIFY2(a->approve(), qPrintable(a->lastError()));
    QVERIFY2(a->unapprove(), qPrintable(a->lastError()));
    e = make(2101, {bill, 2, QVariant()});
    QVERIFY2(e->deleteRecord(), qPrintable(e->lastError()));

    const QStringList expected{
        QStringLiteral("张三|2101|采购订单 PO202612008：新增"), QStringLiteral("张三|2101|采购订单 PO202612008：修改"),
        QStringLiteral("张三|2102|采购订单审核 PO202612008：审核"), QStringLiteral("张三|2102|采购订单审核 PO202612008：弃审"),
        QStringLiteral("张三|2101|采购订单 PO202612008：删除")};
    QStringList stored;
    {
        auto db = m_site->connect();
        RecordSetPtr rs = db->query(QStringLiteral("select opname, progid, message from sys_oplog where progid in (2101, 2102) order by id"), {});
        QVERIFY(rs);
        for (; !rs->isEOF(); rs->moveNext())
            stored << QStringList{rs->text(QStringLiteral("opname")), rs->text(QStringLiteral("progid")), rs->text(QStringLiteral("message"))}
                          .join(u'|');
    }
    QCOMPARE(stored, expected);

    QTemporaryDir dir;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), dir.filePath(QStringLiteral("registry")));
    p.setProcessEnvironment(env);
    const testsupport::ProgramRun run = testsupport::runProgram(
        p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"),
        {QStringLiteral("oplog"), QStringLiteral("--cfg"), m_site->configPath(), QStringLiteral("--user"), QStringLiteral("张三")});
    QCOMPARE(run.code, 0);
    QStringList listed;
    for (const QString &line : run.out.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(u'\t');
        QCOMPARE(f.size(), 4);
        QVERIFY2(QDateTime::fromString(f.at(0), QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid(), qPrintable(line));
        if (f.at(2) == QLatin1String("2101") || f.at(2) == QLatin1String("2102"))
            listed << f.mid(1).join(u'|');
    }
    QCOMPARE(listed, expected);
}

void tst_LwEdit::listSortsAndShowsNames_data()
{
    QTest::addColumn<int>("unused");
    QTest::newRow("sqlite") << 0;
    QTest::newRow("postgresql") << 0;
}

// Sorted by the database on every column both ways; names beside codes, also for a supplier deleted since.
void tst_LwEdit::listSortsAndShowsNames()
{
    lwedit::OEdit *e = make(2101, {0});
    QVERIFY(e);
    lwedit::DocumentList *list = e->documentList();
    QVERIFY(list);
    const int columns = list->model()->columnCount();
    QCOMPARE(columns, 8); // the supplier's name beside its code
    for (int col = 0; col < columns; ++col)
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            list->sortBy(col, order);
            QVERIFY2(list->lastError().isEmpty(), qPrintable(list->lastError()));
            QCOMPARE(list->rowCount(), 40);
        }
    list->sortBy(3, Qt::AscendingOrder);
    QCOMPARE(list->text(0, QStringLiteral("supplier_name")), QStringLiteral("华东钢材有限公司"));
    list->sortBy(3, Qt::DescendingOrder);
    QCOMPARE(list->text(0, QStringLiteral("supplier_name")), QStringLiteral("苏州精密机械有限公司"));
    list->sortBy(7, Qt::DescendingOrder);
    QCOMPARE(list->text(0, QStringLiteral("billno")), QStringLiteral("PO202611002"));
    QCOMPARE(list->text(0, QStringLiteral("amount")), QStringLiteral("90770.00"));
    list->sortBy(0, Qt::AscendingOrder);
    QCOMPARE(list->text(0, QStringLiteral("billno")), QStringLiteral("PO202610001"));
    QVERIFY(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202611001' and supplier = 'S003'")) == 1);
    auto db = m_site->connect();
    QVERIFY(db->exec(QStringLiteral("delete from bd_supplier where code = 'S003'")));
    e->setFilter(QStringLiteral("PO202611001"));
    QCOMPARE(e->listRowCount(), 1);
    QCOMPARE(e->listText(0, QStringLiteral("supplier")), QStringLiteral("S003"));
    QCOMPARE(e->listText(0, QStringLiteral("supplier_name")), QString());
}

void tst_LwEdit::listReadsAsScrolled_data()
{
    QTest::addColumn<bool>("dropped"); // the server ends the list's connection before the end is read
    QTest::newRow("sqlite") << false;
    QTest::newRow("postgresql") << false;
    QTest::newRow("postgresql: the connection ends while scrolling") << true;
}

// 5,000 more orders: opening reads their count and no row; the end is one page away, read even when
// the server ended the list's connection meanwhile (opened again for that page).
void tst_LwEdit::listReadsAsScrolled()
{
    QFETCH(bool, dropped);
    auto db = m_site->connect();
    QVERIFY(db->exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 5000) "
                                    "insert into pu_order (billno, billdate, supplier, status, amount, version) "
                                    "select 'PX' || %1, '2026-09-30', 'S001', '未审核', 1, 1 from n")
                         .arg(onServer() ? QStringLiteral("lpad(i::text, 5, '0')") : QStringLiteral("substr('0000' || i, -5)"))));
    lwedit::OEdit *e = make(2101, {0});
    QVERIFY(e);
    lwcommon::PagedModel *model = e->documentList()->model();
    QCOMPARE(e->listRowCount(), 5040);
    QCOMPARE(model->pagesRead(), 0);
    QSignalSpy failed(model, &lwcommon::PagedModel::failed);
    if (dropped)
        QVERIFY(db->exec(QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                                        "where datname = current_database() and pid <> pg_backend_pid()")));
    QCOMPARE(e->listText(5039, QStringLiteral("billno")), QStringLiteral("PX05000"));
    QCOMPARE(e->listText(5039, QStringLiteral("supplier_name")), QStringLiteral("华东钢材有限公司"));
    QCOMPARE(model->pagesRead(), 1);
    QCOMPARE(failed.size(), 0);
    // Rows far apart come from pages of their own: every sampled number is read and none twice.
    QSet<QString> sampled;
    for (int row = 0; row < 5040; row += 50)
        sampled.insert(e->listText(row, QStringLiteral("billno")));
    sampled.remove(QString());
    QCOMPARE(sampled.size(), 101);
    QVERIFY(model->pagesKept() <= 16);
    e->setFilter(QStringLiteral("PX0499"));
    QCOMPARE(e->listRowCount(), 10);
}

QString tst_LwEdit::openLog()
{
    LogService::instance().setConfigFile(m_site->configPath());
    if (!LogService::instance().Init(nullptr, nullptr))
        return QString();
    LogService::instance().attachDatabase(Session::current()->db.get());
    return LogService::instance().logFile();
}

void tst_LwEdit::otherOperatorMeanwhile_data()
{
    QTest::addColumn<QString>("does"); // what 张三 does to the order A has open
    QTest::addColumn<QString>("saveRefused");
    QTest::addColumn<QString>("deleteRefused");
    const char *changes[] = {"sqlite: 张三 changes it", "postgresql: 张三 changes it"};
    const char *deletes[] = {"sqlite: 张三 deletes it", "postgresql: 张三 deletes it"};
    const char *approves[] = {"sqlite: 张三 approves it", "postgresql: 张三 approves it"};
    for (int i = 0; i < 2; ++i) {
        QTest::newRow(changes[i]) << "change" << "单据 PO202610013 已被 张三 于 %1 修改，请重新打开后再改。"
                                  << "单据 PO202610013 已被 张三 于 %1 修改，请重新打开后再删除。";
        QTest::newRow(deletes[i]) << "delete" << "单据 PO202610013 已被删除，未保存。" << "单据 PO202610013 已被删除。";
        QTest::newRow(approves[i]) << "approve" << "单据 PO202610013 已被 张三 于 %1 修改，请重新打开后再改。"
                                   << "单据 PO202610013 已被 张三 于 %1 修改，请重新打开后再删除。";
    }
}

// The session's operator (A) opens PO202610013; 张三, at his own workstation and connection, opens it
// too and changes, deletes or approves it. A's save and A's deletion are refused naming who and when,
// nothing of A's is written, and A's typed changes stay in the form.
void tst_LwEdit::otherOperatorMeanwhile()
{
    QFETCH(QString, does);
    QFETCH(QString, saveRefused);
    QFETCH(QString, deleteRefused);
    testsupport::RecordingUi recording; // deletions are asked: yes
    const QString bill = QStringLiteral("PO202610013");
    lwedit::OEdit *a = make(2101, {bill, 2, QVariant()});
    QVERIFY(a);
    const QString remark = m_site->connect()->query(QStringLiteral("select remark from pu_order where billno = ?"), {bill})->firstValue().toString();

    m_other = std::make_unique<OtherOperator>();
    QVERIFY(m_other->login(m_site->configPath(), QStringLiteral("张三"), QStringLiteral("zhang3")));
    lwedit::OEdit *b = m_other->open(does == QLatin1String("approve") ? 2102 : 2101, {bill, 2, QVariant()});
    QVERIFY(b);
    if (does == QLatin1String("change")) {
        b->setField(QStringLiteral("remark"), QStringLiteral("张三的修改"));
        b->setLines({{{QStringLiteral("item"), QStringLiteral("A1001")}, {QStringLiteral("qty"), QStringLiteral("2")},
                      {QStringLiteral("price"), QStringLiteral("10")}},
                     {{QStringLiteral("item"), QStringLiteral("A2001")}, {QStringLiteral("qty"), QStringLiteral("1")},
                      {QStringLiteral("price"), QStringLiteral("3")}}});
        QVERIFY2(b->save(), qPrintable(b->lastError()));
    } else if (does == QLatin1String("delete")) {
        QVERIFY2(b->deleteRecord(), qPrintable(b->lastError()));
    } else {
        QVERIFY2(b->approve(), qPrintable(b->lastError()));
    }
    auto db = m_site->connect();
    const QString at = QDateTime::fromString(db->query(QStringLiteral("select modtime from pu_order where billno = ?"), {bill})
                                                 ->firstValue().toString(),
                                             QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                           .toString(QStringLiteral("HH:mm"));

    a->setField(QStringLiteral("remark"), QStringLiteral("A 的修改"));
    a->setLines({{{QStringLiteral("item"), QStringLiteral("A3001")}, {QStringLiteral("qty"), QStringLiteral("7")},
                  {QStringLiteral("price"), QStringLiteral("1")}}});
    QVERIFY(!a->save());
    auto at_ = [&at](const QString &text) { return text.contains(QLatin1String("%1")) ? text.arg(at) : text; };
    QCOMPARE(a->lastError(), at_(saveRefused));
    QVERIFY(!a->deleteRecord());
    QCOMPARE(a->lastError(), at_(deleteRefused));

    // 张三's work stands, nothing of A's is stored.
    const int orders = count(QStringLiteral("select count(*) from pu_order where billno = 'PO202610013'"));
    const int lines = count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202610013'"));
    RecordSetPtr rs = db->query(QStringLiteral("select remark, status, version, modifier from pu_order where billno = ?"), {bill});
    if (does == QLatin1String("delete")) {
        QCOMPARE(orders, 0);
        QCOMPARE(lines, 0);
    } else {
        QCOMPARE(orders, 1);
        QCOMPARE(rs->field(QStringLiteral("version")).toInt(), 2);
        QCOMPARE(rs->text(QStringLiteral("modifier")), QStringLiteral("张三"));
        QCOMPARE(rs->text(QStringLiteral("remark")), does == QLatin1String("change") ? QStringLiteral("张三的修改") : remark);
        QCOMPARE(rs->text(QStringLiteral("status")), does == QLatin1String("change") ? QStringLiteral("未审核") : QStringLiteral("已审核"));
        QCOMPARE(lines, does == QLatin1String("change") ? 2 : 4);
        QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202610013' and item = 'A3001'")), 0);
    }
    QCOMPARE(a->field(QStringLiteral("remark")), QStringLiteral("A 的修改"));
    QCOMPARE(a->lineCount(), 1);
    QCOMPARE(a->lineText(0, QStringLiteral("item")), QStringLiteral("A3001"));
    QVERIFY(a->hasUnsavedChanges());
    // Opened again, A works on 张三's version.
    if (does == QLatin1String("change")) {
        QVERIFY(a->openRecord(bill));
        QCOMPARE(a->field(QStringLiteral("remark")), QStringLiteral("张三的修改"));
        a->setField(QStringLiteral("remark"), QStringLiteral("A 的修改"));
        QVERIFY2(a->save(), qPrintable(a->lastError()));
        QCOMPARE(count(QStringLiteral("select version from pu_order where billno = 'PO202610013'")), 3);
        QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202610013'")), 2);
    }
}

void tst_LwEdit::numbersRaced_data()
{
    QTest::addColumn<int>("unused");
    QTest::newRow("sqlite") << 0;
    QTest::newRow("postgresql") << 0;
}

// 张三 (another process, connection and login) and the session's operator both fill a new December
// order before either saves. 张三's save holds its transaction open after taking the number (the
// database is made slow for his order); the other save looks its number up meanwhile, so it finds
// the same one, is refused by the database and numbers again. Both orders are stored, numbered apart.
void tst_LwEdit::numbersRaced()
{
    const QString log = openLog();
    QCOMPARE(log, m_site->programFolder() + QStringLiteral("/log/zenlo.log")); // the site's configured log
    auto db = m_site->connect();
    const QString slow = QStringLiteral("张三的慢单");
    if (onServer()) {
        QVERIFY(db->exec(QStringLiteral("create function slow_order() returns trigger language plpgsql as $$ begin "
                                        "if new.remark = '%1' then perform pg_sleep(1.5); end if; return new; end $$")
                             .arg(slow)));
        QVERIFY(db->exec(QStringLiteral("create trigger slow_order after insert on pu_order for each row execute function slow_order()")));
    } else {
        QVERIFY(db->exec(QStringLiteral("create table burn (x integer)")));
        QVERIFY(db->exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 100) "
                                        "insert into burn select i from n")));
        QVERIFY(db->exec(QStringLiteral("create trigger slow_order after insert on pu_order when new.remark = '%1' begin "
                                        "select count(*) from burn a, burn b, burn c, burn d where d.x <= 10; end")
                             .arg(slow)));
    }
    QProcess zhang;
    zhang.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    zhang.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--operator"), m_site->configPath(), QStringLiteral("张三"), QStringLiteral("zhang3"), slow});
    QVERIFY(zhang.waitForReadyRead(30000));
    QCOMPARE(QString::fromUtf8(zhang.readLine()).trimmed(), QStringLiteral("filled"));

    lwedit::OEdit *e = make(2101, {0});
    QVERIFY(e);
    fillOrder(e, QStringLiteral("2026-12-09"), QStringLiteral("S002"), QStringLiteral("同时录入"));

    // 张三 saves; once his transaction holds the number, the other save starts.
    zhang.write("save\n");
    QVERIFY(zhang.waitForBytesWritten(10000));
    QElapsedTimer waited;
    waited.start();
    const QString journal = m_site->databaseFile() + QStringLiteral("-journal");
    auto holding = [&] {
        if (!onServer())
            return QFile::exists(journal); // his transaction has written and not committed
        return db->query(QStringLiteral("select count(*) from pg_stat_activity where datname = current_database() "
                                        "and wait_event = 'PgSleep'"),
                         {})
                   ->firstValue()
                   .toInt()
            == 1;
    };
    while (!holding() && waited.elapsed() < 30000 && zhang.state() == QProcess::Running)
        QThread::usleep(200);
    QVERIFY2(holding(), qPrintable(QStringLiteral("张三's save did not get under way: ") + QString::fromUtf8(zhang.readAll())));
    QVERIFY2(e->save(), qPrintable(e->lastError()));

    QVERIFY(zhang.waitForFinished(30000));
    const QString said = QString::fromUtf8(zhang.readAll()).trimmed();
    QCOMPARE(zhang.exitCode(), 0);
    QCOMPARE(said, QStringLiteral("saved PO202612008"));
    QCOMPARE(e->field(QStringLiteral("billno")), QStringLiteral("PO202612009"));
    // The second save was refused by the database once (the number, or the lock) before it numbered again.
    LogService::instance().flush();
    const QString logged = QString::fromUtf8(testsupport::readFile(log));
    QVERIFY2(logged.contains(QStringLiteral("采购订单（新单据） 保存: ")), qPrintable(logged.right(2000)));
    // Both stored whole, each with its own supplier and lines.
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202612008' and supplier = 'S001' and modifier = '张三'")), 1);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202612009' and supplier = 'S002'")), 1);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202612008'")), 2);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202612009'")), 2);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno like 'PO202612%'")), 9);
}

void tst_LwEdit::numbersOfAMonthRunOut_data()
{
    QTest::addColumn<QString>("stored"); // a December number somebody typed before
    QTest::addColumn<QString>("number"); // the next order's, or "" when refused
    QTest::addColumn<QString>("error");
    const QString usedUp = QStringLiteral("“采购订单”的单号 PO202612001 至 PO202612999 已全部用完，未保存任何内容。请手工输入单号。");
    for (const char *server : {"sqlite", "postgresql"}) {
        QTest::addRow("%s: the month's last number", server) << "PO202612998" << "PO202612999" << "";
        QTest::addRow("%s: the month used up", server) << "PO202612999" << "" << usedUp;
        QTest::addRow("%s: a letter where the digits go", server) << "PO20261205A" << "PO202612008" << "";
        QTest::addRow("%s: a longer number is no sequence", server) << "PO2026121000" << "PO202612008" << "";
    }
}

// Numbers are PO + yyyyMM + 3 digits. After 999 a month has no number that sorts after the ones
// before it (PO2026121000 sorts before PO202612999): the 1,000th is refused, the form kept for a typed
// number, and the numbers stored stay as they are; another month numbers on.
void tst_LwEdit::numbersOfAMonthRunOut()
{
    QFETCH(QString, stored);
    QFETCH(QString, number);
    QFETCH(QString, error);
    {
        auto db = m_site->connect();
        QVERIFY(db->exec(QStringLiteral("insert into pu_order (billno, billdate, supplier, status, amount, version) "
                                        "values (?, '2026-12-20', 'S001', '未审核', 0, 1)"),
                         {stored}));
    }
    const int orders = count(QStringLiteral("select count(*) from pu_order"));
    lwedit::OEdit *e = make(2101, {0});
    QVERIFY(e);
    fillOrder(e, QStringLiteral("2026-12-21"), QStringLiteral("S003"), QStringLiteral("月末"));
    QCOMPARE(e->save(), error.isEmpty());
    QCOMPARE(e->lastError(), error);
    if (error.isEmpty()) {
        QCOMPARE(e->field(QStringLiteral("billno")), number);
        QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = '%1'").arg(number)), 2);
        return;
    }
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order")), orders);
    QCOMPARE(e->field(QStringLiteral("billno")), QString());
    QCOMPARE(e->field(QStringLiteral("remark")), QStringLiteral("月末"));
    QCOMPARE(e->lineCount(), 2);
    QVERIFY(e->hasUnsavedChanges());
    // January numbers from 001; the used-up December order is still there to open.
    e->setField(QStringLiteral("billdate"), QStringLiteral("2027-01-04"));
    QVERIFY2(e->save(), qPrintable(e->lastError()));
    QCOMPARE(e->field(QStringLiteral("billno")), QStringLiteral("PO202701001"));
    QVERIFY(e->openRecord(stored));
}

void tst_LwEdit::readOnlyDatabase_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("error");
    QTest::newRow("a new order") << "new" << "数据库只能读取，不能写入：采购订单（新单据）未保存。请告知系统管理员。";
    QTest::newRow("a changed order") << "change" << "数据库只能读取，不能写入：单据 PO202610013 未保存。请告知系统管理员。";
    QTest::newRow("an approval") << "approve" << "数据库只能读取，不能写入：单据 PO202610013 未审核。请告知系统管理员。";
    QTest::newRow("a deletion") << "delete" << "数据库只能读取，不能写入：单据 PO202610013 未删除。请告知系统管理员。";
}

// The database file is made read-only while the form is open: one message naming the document, the
// file's state in the log only, nothing written, the form as typed; writable again, the same action stands.
void tst_LwEdit::readOnlyDatabase()
{
    QFETCH(QString, action);
    QFETCH(QString, error);
    testsupport::RecordingUi recording;
    const QString log = openLog();
    const QString bill = QStringLiteral("PO202610013");
    lwedit::OEdit *e = make(action == QLatin1String("approve") ? 2102 : 2101, {action == QLatin1String("new") ? QVariant(0) : QVariant(bill), 2, QVariant()});
    QVERIFY(e);
    if (action == QLatin1String("new"))
        fillOrder(e, QStringLiteral("2026-12-10"), QStringLiteral("S004"), QStringLiteral("只读时录入"));
    else if (action == QLatin1String("change"))
        e->setField(QStringLiteral("remark"), QStringLiteral("只读时修改"));
    const QByteArray before = testsupport::readFile(m_site->databaseFile());
    auto act = [&] {
        if (action == QLatin1String("approve"))
            return e->approve();
        if (action == QLatin1String("delete"))
            return e->deleteRecord();
        return e->save();
    };
    {
        ReadOnlyFile readOnly(m_site->databaseFile());
        if (!readOnly.ok())
            QSKIP("the database file cannot be made read-only here");
        QVERIFY(!act());
        QCOMPARE(e->lastError(), error);
        QVERIFY(!QFile::exists(m_site->databaseFile() + QStringLiteral("-journal")));
    }
    QCOMPARE(testsupport::readFile(m_site->databaseFile()), before);
    QCOMPARE(e->hasUnsavedChanges(), action == QLatin1String("new") || action == QLatin1String("change"));
    if (action == QLatin1String("new"))
        QCOMPARE(e->field(QStringLiteral("remark")), QStringLiteral("只读时录入"));
    LogService::instance().flush();
    const QString logged = QString::fromUtf8(testsupport::readFile(log));
    QVERIFY2(logged.contains(QStringLiteral("没有写入数据库文件")), qPrintable(logged.right(1000)));
    // Writable again: the very same form is saved, approved or deleted.
    QVERIFY2(act(), qPrintable(e->lastError()));
    if (action == QLatin1String("new"))
        QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202612008'")), 2);
    else if (action == QLatin1String("change"))
        QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202610013' and remark = '只读时修改'")), 1);
    else if (action == QLatin1String("approve"))
        QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202610013' and status = '已审核'")), 1);
    else
        QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202610013'")), 0);
}

void tst_LwEdit::connectionDropped_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("midSave"); // the server ends the connection as the second line goes in
    QTest::addColumn<QString>("error");
    QTest::newRow("postgresql: a new order, dropped at its second line") << "new" << true
                                                                        << "与数据库的连接已断开：采购订单（新单据）未保存，请稍后再试。";
    QTest::newRow("postgresql: a changed order, dropped at its second line") << "change" << true
                                                                            << "与数据库的连接已断开：单据 PO202610013 未保存，请稍后再试。";
    QTest::newRow("postgresql: a new order, dropped before the save") << "new" << false << "";
    QTest::newRow("postgresql: a deletion, dropped before it") << "delete" << false << "";
}

// The PostgreSQL server ends the editor's connection (pg_terminate_backend) during a save or before it:
// one message and nothing of the document, or, opened again at the start, the whole document; the
// next save after a failed one stands.
void tst_LwEdit::connectionDropped()
{
    QFETCH(QString, action);
    QFETCH(bool, midSave);
    QFETCH(QString, error);
    testsupport::RecordingUi recording;
    const QString log = openLog();
    auto logged = [&log] {
        LogService::instance().flush();
        return QString::fromUtf8(testsupport::readFile(log));
    };
    const QString bill = QStringLiteral("PO202610013");
    auto db = m_site->connect();
    lwedit::OEdit *e = make(2101, {action == QLatin1String("new") ? QVariant(0) : QVariant(bill), 2, QVariant()});
    QVERIFY(e);
    if (action == QLatin1String("new")) {
        fillOrder(e, QStringLiteral("2026-12-11"), QStringLiteral("S005"), QStringLiteral("断线"));
    } else if (action == QLatin1String("change")) {
        e->setField(QStringLiteral("remark"), QStringLiteral("断线"));
        e->setLines({{{QStringLiteral("item"), QStringLiteral("A1001")}, {QStringLiteral("qty"), QStringLiteral("1")},
                      {QStringLiteral("price"), QStringLiteral("2")}},
                     {{QStringLiteral("item"), QStringLiteral("A2001")}, {QStringLiteral("qty"), QStringLiteral("3")},
                      {QStringLiteral("price"), QStringLiteral("4")}}});
    }
    const int orders = count(QStringLiteral("select count(*) from pu_order"));
    if (midSave) {
        QVERIFY(db->exec(QStringLiteral("create function drop_connection() returns trigger language plpgsql as $$ begin "
                                        "if new.lineno = 2 then perform pg_terminate_backend(pg_backend_pid()); end if; "
                                        "return new; end $$")));
        QVERIFY(db->exec(QStringLiteral("create trigger drop_connection before insert on pu_orderline for each row "
                                        "execute function drop_connection()")));
        QVERIFY(!e->save());
        QCOMPARE(e->lastError(), error);
        QVERIFY2(logged().contains(QStringLiteral("terminating connection")), qPrintable(logged())); // the server's words: the log's
        QVERIFY(e->hasUnsavedChanges());
        QCOMPARE(count(QStringLiteral("select count(*) from pu_order")), orders);
        QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202612008'")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from pu_order where remark = '断线'")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202610013'")), 4);
        QCOMPARE(count(QStringLiteral("select version from pu_order where billno = 'PO202610013'")), 1);
        QVERIFY(db->exec(QStringLiteral("drop trigger drop_connection on pu_orderline")));
    } else {
        // Every other connection to the account set ends: the editor's among them.
        QVERIFY(db->exec(QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                                        "where datname = current_database() and pid <> pg_backend_pid()")));
    }
    // Opened again at the start of the next save: the whole document.
    if (action == QLatin1String("delete")) {
        QVERIFY2(e->deleteRecord(), qPrintable(e->lastError()));
        QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = 'PO202610013'")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = 'PO202610013'")), 0);
        return;
    }
    QVERIFY2(e->save(), qPrintable(e->lastError() + u'\n' + logged()));
    const QString saved = e->field(QStringLiteral("billno"));
    QCOMPARE(saved, action == QLatin1String("new") ? QStringLiteral("PO202612008") : bill);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_orderline where billno = '%1'").arg(saved)), 2);
    QCOMPARE(count(QStringLiteral("select count(*) from pu_order where billno = '%1' and remark = '断线'").arg(saved)), 1);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (argc >= 2 && qstrcmp(argv[1], "--operator") == 0)
        return runOperator(app.arguments().mid(2));
    tst_LwEdit test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lwedit.moc"

// The report-like components of LwEdit and LwReport, made by ProgID from the
// program folder's components/ and run on the demo database, SQLite and the
// test PostgreSQL server alike; and the binding of report parameters.
#include "components/database.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "platform/appinfo.h"
#include "platform/objectfactory.h"

#include <QLineEdit>
#include <QScopeGuard>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include "testsite.h"
#include "testsupport.h"

#include "../common/reportcomponent.h"

using testsupport::TestSite;
using lwcommon::ReportComponent;
using lwcommon::ReportView;

class tst_LwReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bindReportSql_data();
    void bindReportSql();
    void definitionListsRefused_data();
    void definitionListsRefused();
    void everyReportRuns_data();
    void everyReportRuns();
    void groupsAndTotals();
    void narrowParameterRowWraps();
    void rowsOpenTheirDocuments_data();
    void rowsOpenTheirDocuments();
    void exports();
    void refusedParameters_data();
    void refusedParameters();
    void namesBesideCodesAndMissingMasters_data();
    void namesBesideCodesAndMissingMasters();
    void countsAndStatusLine_data();
    void countsAndStatusLine();
    void csvExportSaysWhereAndStops();
    void totalsBesideTheFirstPage_data();
    void totalsBesideTheFirstPage();
    void pdfTextCopiesRight();
    void alertListRespectsRights();
    void cleanup();

private:
    bool openSite(int driver);
    ReportComponent *make(const QString &progId, int program, QSignalSpy **spy = nullptr);
    std::unique_ptr<TestSite> m_site;
    std::unique_ptr<QWidget> m_widget;
};

void tst_LwReport::cleanup()
{
    m_widget.reset();
    if (Session::current())
        bMain::LogOut();
    m_site.reset();
}

bool tst_LwReport::openSite(int driver)
{
    QString why;
    if (driver == TestSite::PostgreSQL && !TestSite::postgresAvailable(&why)) {
        if (TestSite::postgresRequired())
            qFatal("%s", qPrintable(why));
        return false;
    }
    m_site = std::make_unique<TestSite>(TestSite::Driver(driver));
    if (!m_site->ok())
        qFatal("%s", qPrintable(m_site->error()));
    if (!testsupport::openSession(m_site->configPath()))
        qFatal("cannot open a session on %s", qPrintable(m_site->configPath()));
    Session::current()->sys->environment()->setOperatingDate(QDate(2026, 12, 8));
    appinfo::setProgramFolder(QStringLiteral(ZENLO_PROGRAM_DIR));
    objects::rescanComponents();
    return true;
}

ReportComponent *tst_LwReport::make(const QString &progId, int program, QSignalSpy **spy)
{
    QString error, reason;
    QObject *o = objects::createObject(progId, &error, &reason);
    if (!o) {
        qWarning() << progId << error << reason;
        return nullptr;
    }
    m_widget.reset(qobject_cast<QWidget *>(o));
    auto *component = qobject_cast<IBusinessComponent *>(o);
    if (!component)
        return nullptr;
    if (spy)
        *spy = new QSignalSpy(o, SIGNAL(objectEvent(QString, QVariantList)));
    SystemServices *sys = Session::current()->sys.get();
    clsConfig *config = Session::current()->config.get();
    int32_t number = program;
    QVariantList args{QStringLiteral("caption")};
    if (!component->Py_Init(sys, config, number, args))
        return nullptr;
    return static_cast<ReportComponent *>(component);
}

void tst_LwReport::bindReportSql_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("params");
    QTest::addColumn<QStringList>("values"); // name=value
    QTest::addColumn<QString>("bound");      // the SQL after binding, or the error
    QTest::addColumn<QVariantList>("binds");
    QTest::newRow("used twice, bound twice")
        << "select 1 where a between :from and :to or b = :from" << "from:起:d:;to:止:d:"
        << QStringList{"from=2026-01-01", "to=2026-02-01"} << "select 1 where a between ? and ? or b = ?"
        << QVariantList{"2026-01-01", "2026-02-01", "2026-01-01"};
    QTest::newRow("a colon in a literal stays") << "select '12:30' as t, :n as n" << "n:数:n:" << QStringList{"n=5"}
                                                << "select '12:30' as t, ? as n" << QVariantList{5.0};
    QTest::newRow("unknown names stay") << "select :other" << "n:数:n:" << QStringList{} << "select :other" << QVariantList{};
    QTest::newRow("a quote is a value, not SQL") << "select 1 where name like :p" << "p:名:l:" << QStringList{"p=O'Neil%_"}
                                                 << "select 1 where name like ?" << QVariantList{"%O'Neil%"};
    QTest::newRow("not a number") << "select :n" << "n:数量:n:" << QStringList{"n=12a"} << "“数量”必须是数字：12a" << QVariantList{};
    QTest::newRow("not a date") << "select :d" << "d:日期:d:" << QStringList{"d=2026-02-30"}
                                << "“日期”必须是日期（年-月-日）：2026-02-30" << QVariantList{};
    QTest::newRow("a question mark of its own is refused") << "select ?, :n" << "n:数:n:" << QStringList{"n=5"}
                                                           << "“报表”的 SQL 在第 8 个字符处有“?”：参数要写作 :名称。" << QVariantList{};
    QTest::newRow("a question mark in a literal stays") << "select 'what?', :n" << "n:数:n:" << QStringList{"n=5"}
                                                        << "select 'what?', ?" << QVariantList{5.0};
    QTest::newRow("a cast is no parameter") << "select x::date, :date" << "date:日:d:" << QStringList{"date=2026-01-02"}
                                            << "select x::date, ?" << QVariantList{"2026-01-02"};
    QTest::newRow("quoted names and comments are left alone")
        << "select \"a:n\" /* it's :n? */, :n -- :n?\n from t" << "n:数:n:" << QStringList{"n=1"}
        << "select \"a:n\" /* it's :n? */, ? -- :n?\n from t" << QVariantList{1.0};
}

void tst_LwReport::bindReportSql()
{
    QFETCH(QString, sql);
    QFETCH(QString, params);
    QFETCH(QStringList, values);
    QFETCH(QString, bound);
    QFETCH(QVariantList, binds);
    lwcommon::Definition d;
    d.caption = QStringLiteral("报表");
    d.reportSql = sql;
    QVERIFY(lwcommon::parseParams(params, &d.params));
    QMap<QString, QString> v;
    for (const QString &nv : values)
        v.insert(nv.section(u'=', 0, 0), nv.section(u'=', 1));
    QString out, error;
    QVariantList b;
    const bool ok = lwcommon::bindReportSql(d, v, &out, &b, &error);
    QCOMPARE(ok ? out : error, bound);
    if (ok)
        QCOMPARE(b, binds);
}

void tst_LwReport::definitionListsRefused_data()
{
    QTest::addColumn<QString>("list"); // columns, params or docopts
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason"); // "" when accepted
    QTest::newRow("demo columns") << "columns" << "*item:物料:t:120:ref=bd_item;*qty:数量:n:80:dec=2,min>0;*price:单价:n:90:dec=4,min>=0;amount:金额:n:100:dec=2,calc=qty*price"
                                  << "";
    QTest::newRow("a space in a name") << "columns" << "bill no:单号:t" << "列名“bill no”不是标识符（字母、数字或下划线，不以数字开头，至多 64 个字符）";
    QTest::newRow("SQL in a name") << "columns" << "x) from sys_user --:名" << "列名“x) from sys_user --”不是标识符（字母、数字或下划线，不以数字开头，至多 64 个字符）";
    QTest::newRow("a name in Chinese") << "columns" << "单号:单号:t" << "列名“单号”不是标识符（字母、数字或下划线，不以数字开头，至多 64 个字符）";
    QTest::newRow("a nameless column") << "columns" << "a:甲;:乙" << "列名“”不是标识符（字母、数字或下划线，不以数字开头，至多 64 个字符）";
    QTest::newRow("an unknown type") << "columns" << "a:甲:x" << "列“a”的类型“x”不是 t、n 或 d";
    QTest::newRow("a reference that is no name") << "columns" << "a:甲:t:100:ref=bd item" << "列“a”的选项“ref=bd item”不正确";
    QTest::newRow("decimals on text") << "columns" << "a:甲:t:100:dec=2" << "列“a”不是数字列，不能有 dec、min、calc 或 sum 选项";
    QTest::newRow("no columns") << "columns" << ";;" << "没有定义列";
    QTest::newRow("a parameter of an unknown type") << "params" << "from:起:d:;p:名:q:" << "参数“p”的类型“q”不是 t、n、d 或 l";
    QTest::newRow("a parameter name with a digit first") << "params" << "1p:名:t" << "参数名“1p”不是标识符（字母、数字或下划线，不以数字开头，至多 64 个字符）";
    QTest::newRow("a status column that is no name") << "docopts" << "version;status=st atus:a,b" << "单据选项“status=st atus:a,b”不正确：状态列名“st atus”不是标识符";
    QTest::newRow("an unknown option") << "docopts" << "colour=red" << "单据选项“colour=red”不正确：不认识的选项";
    QTest::newRow("demo options") << "docopts" << "number=PO:yyyyMM:3;typed;status=status:未审核,已审核;version;approve" << "";
}

// A definition list that cannot be used is refused with the entry and what is wrong with it:
// every name it accepts is written into SQL as a column name.
void tst_LwReport::definitionListsRefused()
{
    QFETCH(QString, list);
    QFETCH(QString, text);
    QFETCH(QString, reason);
    QString why;
    bool ok = false;
    if (list == "columns") {
        QList<lwcommon::Column> cols;
        ok = lwcommon::parseColumns(text, &cols, &why);
    } else if (list == "params") {
        QList<lwcommon::Param> params;
        ok = lwcommon::parseParams(text, &params, &why);
    } else {
        lwcommon::Definition d;
        ok = lwcommon::parseDocOptions(text, &d, &why);
    }
    QCOMPARE(why, reason);
    QCOMPARE(ok, reason.isEmpty());
    // A name is checked to its very end: a line break after it is no part of a name.
    QVERIFY(lwcommon::isIdentifier("billno"));
    QVERIFY(!lwcommon::isIdentifier("billno\n"));
}

void tst_LwReport::everyReportRuns_data()
{
    QTest::addColumn<int>("driver");
    QTest::newRow("sqlite") << int(TestSite::SQLite);
    QTest::newRow("postgresql") << int(TestSite::PostgreSQL);
}

// Every report and alert of the demo runs through its component and shows rows.
void tst_LwReport::everyReportRuns()
{
    QFETCH(int, driver);
    if (!openSite(driver))
        QSKIP("no PostgreSQL server");
    auto db = m_site->connect();
    RecordSetPtr defs = db->query(QStringLiteral("select progno, kind, caption from xt_progdef where kind = 'report' order by progno"), {});
    QVERIFY(defs && defs->recordCount() >= 14);
    for (; !defs->isEOF(); defs->moveNext()) {
        const int program = defs->field(QStringLiteral("progno")).toInt();
        QSignalSpy *spy = nullptr;
        ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), program, &spy);
        std::unique_ptr<QSignalSpy> owner(spy);
        QVERIFY2(c, qPrintable(QString::number(program)));
        ReportView *view = c->views().value(0);
        QVERIFY2(view->lastError().isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(program).arg(view->lastError())));
        QVERIFY2(view->dataRowCount() > 0, qPrintable(defs->text(QStringLiteral("caption"))));
        QCOMPARE(spy->last().at(0).toString(), QStringLiteral("message"));
    }
    QSignalSpy *spy = nullptr;
    ReportComponent *alerts = make(QStringLiteral("LwEdit.oalert"), 0, &spy);
    std::unique_ptr<QSignalSpy> owner(spy);
    QVERIFY(alerts);
    QCOMPARE(alerts->views().size(), 4);
    for (ReportView *v : alerts->views()) {
        QVERIFY2(v->lastError().isEmpty(), qPrintable(v->lastError()));
        QVERIFY2(v->dataRowCount() > 0, qPrintable(v->definition().caption));
    }
}

void tst_LwReport::groupsAndTotals()
{
    QVERIFY(openSite(TestSite::SQLite));
    ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), 2106, nullptr);
    QVERIFY(c);
    ReportView *view = c->views().at(0);
    view->setParam(QStringLiteral("from"), QStringLiteral("2026-10-01"));
    view->setParam(QStringLiteral("to"), QStringLiteral("2026-12-08"));
    QVERIFY(view->run());
    // The demo's purchase lines of that range: 106 lines of 8 suppliers, grouped by supplier.
    QCOMPARE(view->dataRowCount(), 106);
    QStringList sums;
    double groupSum = 0, subtotalSum = 0;
    for (int r = 0; r < view->rowCount(); ++r) {
        bool ok = false;
        const QString text = view->cell(r, QStringLiteral("amount"));
        const double amount = QLocale(QLocale::Chinese, QLocale::China).toDouble(text, &ok);
        QVERIFY2(ok, qPrintable(text));
        switch (view->rowKind(r)) {
        case ReportView::DataRow:
            groupSum += amount;
            break;
        case ReportView::SubtotalRow:
            QCOMPARE(amount, groupSum);
            subtotalSum += amount;
            groupSum = 0;
            sums << QStringLiteral("%1 %2 %3").arg(r).arg(view->cell(r, QStringLiteral("party")), text);
            break;
        case ReportView::TotalRow:
            QCOMPARE(amount, subtotalSum);
            sums << QStringLiteral("%1 %2 %3").arg(r).arg(view->cell(r, QStringLiteral("party")), text);
            break;
        }
    }
    const QStringList expected{
        QStringLiteral("30 小计：华东钢材有限公司 158,862.00"),   QStringLiteral("41 小计：天津北方塑胶厂 49,039.00"),
        QStringLiteral("59 小计：宁波五金制品公司 93,461.00"),    QStringLiteral("64 小计：广州恒通轴承有限公司 60,290.00"),
        QStringLiteral("73 小计：无锡电线电缆厂 59,482.00"),      QStringLiteral("88 小计：杭州包装材料公司 102,299.00"),
        QStringLiteral("96 小计：深圳华南电子元件厂 129,258.00"), QStringLiteral("113 小计：苏州精密机械有限公司 182,175.00"),
        QStringLiteral("114 合计 834,866.00")};
    QCOMPARE(sums, expected);
    QCOMPARE(view->rowCount(), 115);
}

// At the main window's smallest width the parameter row goes on in a second line: every box
// keeps at least its minimum width (a whole date shows) and nothing lies over anything.
void tst_LwReport::narrowParameterRowWraps()
{
    QVERIFY(openSite(TestSite::SQLite));
    ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), 2106, nullptr);
    QVERIFY(c);
    // Hosted as the main window hosts it: a child given its size, whatever its minimum.
    QWidget host;
    host.resize(520, 400);
    m_widget->setParent(&host);
    m_widget->setGeometry(0, 0, 520, 400);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    auto release = qScopeGuard([&] { m_widget->setParent(nullptr); });
    QList<QWidget *> pieces;
    for (QLineEdit *e : m_widget->findChildren<QLineEdit *>())
        if (e->isVisible()) {
            QVERIFY2(e->width() >= e->minimumSizeHint().width(), qPrintable(e->text()));
            pieces << e;
        }
    for (QPushButton *b : m_widget->findChildren<QPushButton *>())
        if (b->text() == QStringLiteral("查询"))
            pieces << b;
    QCOMPARE(pieces.size(), 4); // from, to, supplier, 查询
    auto place = [&](QWidget *w) { return QRect(w->mapTo(m_widget.get(), QPoint(0, 0)), w->size()); };
    for (int i = 0; i < pieces.size(); ++i)
        for (int j = i + 1; j < pieces.size(); ++j)
            QVERIFY2(!place(pieces[i]).intersects(place(pieces[j])), qPrintable(QStringLiteral("%1 / %2").arg(i).arg(j)));
    QVERIFY(place(pieces.last()).y() > place(pieces.first()).y()); // 查询 went on in the second line
}

void tst_LwReport::rowsOpenTheirDocuments_data()
{
    QTest::addColumn<QString>("progId");
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("opens"); // 0: rows open nothing
    QTest::addColumn<QString>("key"); // the first row's document in the demo data
    QTest::newRow("a plain report opens nothing") << "LwEdit.oReport" << 2106 << 0 << "";
    QTest::newRow("report with documents") << "LwEdit.oeditrpt" << 1203 << 1201 << "记-0042";
    QTest::newRow("the tab's query") << "LwReport.oEditRpt" << 2103 << 2101 << "PO202610004";
    QTest::newRow("alert rows") << "LwEdit.oalert" << 0 << 2101 << "PO202610015";
}

void tst_LwReport::rowsOpenTheirDocuments()
{
    QFETCH(QString, progId);
    QFETCH(int, program);
    QFETCH(int, opens);
    QFETCH(QString, key);
    QVERIFY(openSite(TestSite::SQLite));
    QSignalSpy *spy = nullptr;
    ReportComponent *c = make(progId, program, &spy);
    std::unique_ptr<QSignalSpy> owner(spy);
    QVERIFY(c);
    // The alert list: the section of late purchase orders.
    ReportView *view = c->views().value(progId.endsWith(QLatin1String("oalert")) ? 1 : 0);
    QVERIFY(view && view->dataRowCount() > 0);
    spy->clear();
    auto *grid = view->grid();
    QVERIFY(grid);
    Q_EMIT grid->doubleClicked(grid->model()->index(0, 1));
    if (opens == 0) {
        // Said in the status line instead of doing nothing.
        QCOMPARE(spy->count(), 1);
        QCOMPARE(spy->at(0).at(0).toString(), QStringLiteral("message"));
        QCOMPARE(spy->at(0).at(1).toList().value(0).toString(), QStringLiteral("“采购明细表”的行不打开单据。"));
        return;
    }
    QCOMPARE(spy->count(), 1);
    QCOMPARE(spy->at(0).at(0).toString(), QStringLiteral("detailes"));
    const QVariantList p = spy->at(0).at(1).toList();
    QCOMPARE(p.value(0).toInt(), opens);
    QCOMPARE(p.value(1).toString(), key);
}

void tst_LwReport::exports()
{
    QVERIFY(openSite(TestSite::SQLite));
    auto db = m_site->connect();
    // A customer name with a comma and a quote must stay one CSV field.
    QVERIFY(db->exec(QStringLiteral("update bd_customer set name = ? where code = 'C001'"), {QStringLiteral("东方, \"机电\"")}));
    ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), 2206, nullptr);
    QVERIFY(c);
    ReportView *view = c->views().at(0);
    view->setParam(QStringLiteral("from"), QStringLiteral("2026-10-01"));
    QVERIFY(view->run());
    QTemporaryDir dir;
    QString error;
    QVERIFY2(view->exportCsv(dir.filePath(QStringLiteral("r.csv")), &error), qPrintable(error));
    QFile csv(dir.filePath(QStringLiteral("r.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), view->rowCount() + 1);
    QCOMPARE(lines.first(), QStringLiteral("客户,客户编码,单号,日期,物料编码,物料,数量,单价,金额"));
    QVERIFY(lines.join(u'\n').contains(QStringLiteral("\"东方, \"\"机电\"\"\",")));
    // Amounts without thousands separators, so a spreadsheet reads them as numbers.
    QVERIFY(!lines.last().contains(QRegularExpression(QStringLiteral("\\d,\\d{3}"))));
    QVERIFY2(view->exportPdf(dir.filePath(QStringLiteral("r.pdf")), &error), qPrintable(error));
    QFile pdf(dir.filePath(QStringLiteral("r.pdf")));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(!view->exportCsv(dir.filePath(QStringLiteral("no/such/folder/r.csv")), &error));
    QVERIFY(error.startsWith(QStringLiteral("无法写入文件")));
}

void tst_LwReport::refusedParameters_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("error");
    QTest::newRow("start after end") << "2026-12-01" << "2026-11-01" << "“起始日期”2026-12-01 晚于“截止日期”2026-11-01，请更正。";
    QTest::newRow("month 13") << "2026-13-01" << "2026-12-08" << "“起始日期”必须是日期（年-月-日）：2026-13-01";
    QTest::newRow("0000-00-00") << "2026-10-01" << "0000-00-00" << "“截止日期”必须是日期（年-月-日）：0000-00-00";
    QTest::newRow("empty") << "" << "2026-12-08" << "“起始日期”不能为空。";
    QTest::newRow("the same day is a range") << "2026-11-02" << "2026-11-02" << "";
}

void tst_LwReport::refusedParameters()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, error);
    QVERIFY(openSite(TestSite::SQLite));
    QSignalSpy *spy = nullptr;
    ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), 2106, &spy);
    std::unique_ptr<QSignalSpy> owner(spy);
    QVERIFY(c);
    ReportView *view = c->views().at(0);
    QVERIFY(view->dataRowCount() > 0);
    spy->clear();
    view->setParam(QStringLiteral("from"), from);
    view->setParam(QStringLiteral("to"), to);
    QCOMPARE(view->run(), error.isEmpty());
    QCOMPARE(view->lastError(), error);
    if (!error.isEmpty()) {
        // Said to the operator, and the rows of the last run are not left standing.
        QCOMPARE(spy->count(), 1);
        QCOMPARE(spy->at(0).at(1).toList().value(0).toString(), error);
        QCOMPARE(view->rowCount(), 0);
        QCOMPARE(view->param(QStringLiteral("from")), from); // what was typed stays to be corrected
    }
}

void tst_LwReport::namesBesideCodesAndMissingMasters_data()
{
    everyReportRuns_data();
}

// 采购明细表 of the demo's purchase lines up to 2026-12-08 (106 lines, total 834,866.00);
// the 17 lines of 宁波五金制品公司 (S003, 93,461.00) stay when the supplier is deleted.
void tst_LwReport::namesBesideCodesAndMissingMasters()
{
    QFETCH(int, driver);
    if (!openSite(driver))
        QSKIP("no PostgreSQL server");
    auto db = m_site->connect();
    ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), 2106, nullptr);
    QVERIFY(c);
    ReportView *view = c->views().at(0);
    view->setParam(QStringLiteral("from"), QStringLiteral("2026-10-01"));
    view->setParam(QStringLiteral("to"), QStringLiteral("2026-12-08"));
    QVERIFY(view->run());
    QCOMPARE(view->cell(0, QStringLiteral("partycode")), QStringLiteral("S001"));
    QCOMPARE(view->cell(0, QStringLiteral("party")), QStringLiteral("华东钢材有限公司"));
    QCOMPARE(view->cell(0, QStringLiteral("itemcode")), QStringLiteral("A5002"));
    QCOMPARE(view->cell(0, QStringLiteral("item")), QStringLiteral("尼龙扎带"));
    QVERIFY(db->exec(QStringLiteral("delete from bd_supplier where code = 'S003'")));
    QVERIFY(view->run());
    QCOMPARE(view->dataRowCount(), 106);
    int orphans = 0;
    QStringList subtotals;
    for (int r = 0; r < view->rowCount(); ++r) {
        if (view->rowKind(r) == ReportView::DataRow && view->cell(r, QStringLiteral("partycode")) == QLatin1String("S003")) {
            ++orphans;
            QCOMPARE(view->cell(r, QStringLiteral("party")), QString());
        }
        if (view->rowKind(r) != ReportView::DataRow)
            subtotals << view->cell(r, QStringLiteral("party")) + u' ' + view->cell(r, QStringLiteral("amount"));
    }
    QCOMPARE(orphans, 17);
    QVERIFY2(subtotals.contains(QStringLiteral("小计： 93,461.00")), qPrintable(subtotals.join(u'|')));
    QCOMPARE(subtotals.last(), QStringLiteral("合计 834,866.00"));
    QCOMPARE(subtotals.size(), 9);

    // Two suppliers of one name are one group (S005 49,039.00 and S007 60,290.00), its lines together
    // above its subtotal.
    QVERIFY(db->exec(QStringLiteral("update bd_supplier set name = '天津北方塑胶厂' where code = 'S007'")));
    QVERIFY(view->run());
    subtotals.clear();
    QStringList codes;
    for (int r = 0; r < view->rowCount(); ++r) {
        if (view->rowKind(r) == ReportView::DataRow) {
            if (!codes.contains(view->cell(r, QStringLiteral("partycode"))))
                codes << view->cell(r, QStringLiteral("partycode"));
            continue;
        }
        codes.sort();
        subtotals << view->cell(r, QStringLiteral("party")) + u' ' + view->cell(r, QStringLiteral("amount")) + u' ' + codes.join(u'+');
        codes.clear();
    }
    QVERIFY2(subtotals.contains(QStringLiteral("小计：天津北方塑胶厂 109,329.00 S005+S007")), qPrintable(subtotals.join(u'|')));
    QCOMPARE(subtotals.size(), 8);
}

void tst_LwReport::countsAndStatusLine_data()
{
    everyReportRuns_data();
}

// 采购汇总表 of November 2026: 7 suppliers, S001 first with 6 orders, 1,438 pieces, 106,357.00.
void tst_LwReport::countsAndStatusLine()
{
    QFETCH(int, driver);
    if (!openSite(driver))
        QSKIP("no PostgreSQL server");
    QSignalSpy *spy = nullptr;
    ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), 2107, &spy);
    std::unique_ptr<QSignalSpy> owner(spy);
    QVERIFY(c);
    ReportView *view = c->views().at(0);
    view->setParam(QStringLiteral("from"), QStringLiteral("2026-10-01"));
    view->setParam(QStringLiteral("to"), QStringLiteral("2026-12-08"));
    QVERIFY(view->run());
    QCOMPARE(spy->last().at(1).toList().value(0).toString(), QStringLiteral("采购汇总表：8 行"));
    view->setParam(QStringLiteral("from"), QStringLiteral("2026-11-01"));
    view->setParam(QStringLiteral("to"), QStringLiteral("2026-11-30"));
    QVERIFY(view->run());
    QCOMPARE(spy->last().at(0).toString(), QStringLiteral("message"));
    QCOMPARE(spy->last().at(1).toList().value(0).toString(), QStringLiteral("采购汇总表：7 行"));
    QCOMPARE(view->rowCount(), 8);
    const QStringList first{view->cell(0, QStringLiteral("partycode")), view->cell(0, QStringLiteral("party")),
                            view->cell(0, QStringLiteral("orders")), view->cell(0, QStringLiteral("qty")),
                            view->cell(0, QStringLiteral("amount"))};
    QCOMPARE(first, (QStringList{"S001", "华东钢材有限公司", "6", "1,438.00", "106,357.00"}));
    QCOMPARE(view->rowKind(7), ReportView::TotalRow);
    QCOMPARE(view->cell(7, QStringLiteral("partycode")), QStringLiteral("合计"));
    QCOMPARE(view->cell(7, QStringLiteral("orders")), QStringLiteral("17"));
    QCOMPARE(view->cell(7, QStringLiteral("qty")), QStringLiteral("3,424.00"));
    QCOMPARE(view->cell(7, QStringLiteral("amount")), QStringLiteral("367,011.00"));
}

// 3,000 more lines on PO202611001 (S003): 3,106 lines up to 2026-12-08.
void tst_LwReport::csvExportSaysWhereAndStops()
{
    QVERIFY(openSite(TestSite::SQLite));
    auto db = m_site->connect();
    QVERIFY(db->transaction());
    for (int i = 0; i < 3000; ++i)
        QVERIFY(db->exec(QStringLiteral("insert into pu_orderline (billno, lineno, item, qty, price, amount) values (?, ?, ?, ?, ?, ?)"),
                         {QStringLiteral("PO202611001"), 100 + i, QStringLiteral("A3002"), 1, 1, 1}));
    QVERIFY(db->commit());
    QSignalSpy *spy = nullptr;
    ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), 2106, &spy);
    std::unique_ptr<QSignalSpy> owner(spy);
    QVERIFY(c);
    ReportView *view = c->views().at(0);
    view->setParam(QStringLiteral("from"), QStringLiteral("2026-10-01"));
    view->setParam(QStringLiteral("to"), QStringLiteral("2026-12-08"));
    QVERIFY(view->run());
    QCOMPARE(view->dataRowCount(), 3106);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("明细.csv"));
    QString error;
    qint64 asked = 0;
    QVERIFY(!view->exportCsv(file, &error, [&](qint64 done, qint64 total) {
        asked = done;
        return total != 3106; // stopped at the first report of progress
    }));
    QCOMPARE(asked, 1000);
    QCOMPARE(error, QStringLiteral("导出已取消，未写入文件 %1。").arg(file));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    spy->clear();
    QVERIFY(view->exportTo(file, false));
    QCOMPARE(spy->last().at(1).toList().value(0).toString(), QStringLiteral("已导出 3,106 行到 %1").arg(file));
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 3106 + 8 + 1 + 1); // header, lines, subtotals, total, the last line's end
    QVERIFY(lines.at(lines.size() - 2).startsWith("合计,,,,,,"));
}

// The totals are counted on a second connection while the first page is read: lines committed
// by another operator are in both; lines the session itself has not committed yet are seen by
// its own connection only, so the totals are then counted there. The first page is read once,
// and the column fit reads no other.
void tst_LwReport::totalsBesideTheFirstPage_data()
{
    QTest::addColumn<int>("driver");
    QTest::addColumn<bool>("ownTransaction");
    QTest::newRow("sqlite, committed by another connection") << int(TestSite::SQLite) << false;
    QTest::newRow("sqlite, the session's own uncommitted lines") << int(TestSite::SQLite) << true;
    QTest::newRow("postgres, committed by another connection") << int(TestSite::PostgreSQL) << false;
    QTest::newRow("postgres, the session's own uncommitted lines") << int(TestSite::PostgreSQL) << true;
}

void tst_LwReport::totalsBesideTheFirstPage()
{
    QFETCH(int, driver);
    QFETCH(bool, ownTransaction);
    if (!openSite(driver))
        QSKIP("no PostgreSQL test server");
    ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), 2106, nullptr);
    QVERIFY(c);
    auto other = m_site->connect();
    Database *db = ownTransaction ? Session::current()->sys->database() : other.get();
    QVERIFY(db->transaction());
    for (int i = 0; i < 1500; ++i)
        QVERIFY(db->exec(QStringLiteral("insert into pu_orderline (billno, lineno, item, qty, price, amount) values (?, ?, ?, ?, ?, ?)"),
                         {QStringLiteral("PO202611001"), 100 + i, QStringLiteral("A3002"), 1, 2, 2}));
    if (!ownTransaction)
        QVERIFY(db->commit());
    ReportView *view = c->views().at(0);
    view->setParam(QStringLiteral("from"), QStringLiteral("2026-10-01"));
    view->setParam(QStringLiteral("to"), QStringLiteral("2026-12-08"));
    const int before = view->model()->pagesRead(); // the report ran once when it opened
    QVERIFY(view->run());
    const int pages = view->model()->pagesRead() - before;
    QCOMPARE(view->dataRowCount(), 1606);
    const int last = view->rowCount() - 1;
    QCOMPARE(view->cell(last, QStringLiteral("party")), QStringLiteral("合计"));
    QCOMPARE(view->cell(last, QStringLiteral("amount")), QStringLiteral("837,866.00")); // the demo's 834,866.00 + 1,500 × 2
    QCOMPARE(view->cell(last, QStringLiteral("qty")), QStringLiteral("10,071.00")); // 8,571.00 + 1,500
    QCOMPARE(pages, 1);
    if (ownTransaction)
        QVERIFY(db->rollback());
}

// The text pdftotext reads out of an exported PDF is the grid's text, character for character.
void tst_LwReport::pdfTextCopiesRight()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QFAIL("pdftotext is missing: scripts/setup.sh installs poppler-utils");
    QVERIFY2(!ReportView::pdfFontFamily().isEmpty(), "no Chinese (Simplified) font installed: scripts/setup.sh installs one");
    QVERIFY(openSite(TestSite::SQLite));
    ReportComponent *c = make(QStringLiteral("LwEdit.oReport"), 2106, nullptr);
    QVERIFY(c);
    ReportView *view = c->views().at(0);
    view->setParam(QStringLiteral("from"), QStringLiteral("2026-10-01"));
    view->setParam(QStringLiteral("to"), QStringLiteral("2026-12-08"));
    QVERIFY(view->run());
    QTemporaryDir dir;
    QString error;
    QVERIFY2(view->exportPdf(dir.filePath(QStringLiteral("r.pdf")), &error), qPrintable(error));
    if (const QString shots = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR"); !shots.isEmpty()) // to be looked at
        QFile::copy(dir.filePath(QStringLiteral("r.pdf")), shots + QStringLiteral("/purchase-report.pdf"));
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-raw"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), dir.filePath(QStringLiteral("r.pdf")),
                        QStringLiteral("-")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QString text = QString::fromUtf8(p.readAllStandardOutput());
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    QVERIFY(text.contains(QStringLiteral("采购明细表")));
    QString head;
    for (const lwcommon::Column &col : view->definition().columns)
        head += col.caption;
    QVERIFY2(text.contains(head), qPrintable(head));
    for (int r = 0; r < view->rowCount(); ++r) {
        QString row;
        for (const lwcommon::Column &col : view->definition().columns)
            row += view->cell(r, col.name);
        row.remove(QRegularExpression(QStringLiteral("\\s")));
        QVERIFY2(text.contains(row), qPrintable(QStringLiteral("row %1: %2").arg(r).arg(row)));
    }
    QVERIFY(text.contains(QStringLiteral("天津北方塑胶厂")));
}

// 李四 runs inventory only: of the four sections he sees the stock below its minimum.
void tst_LwReport::alertListRespectsRights()
{
    QVERIFY(openSite(TestSite::SQLite));
    bMain::LogOut();
    QVERIFY(testsupport::openSession(m_site->configPath(), QStringLiteral("李四"), QStringLiteral("li4")));
    Session::current()->sys->environment()->setOperatingDate(QDate(2026, 12, 8));
    ReportComponent *alerts = make(QStringLiteral("LwEdit.oalert"), 0, nullptr);
    QVERIFY(alerts);
    QStringList captions;
    for (ReportView *v : alerts->views())
        captions << v->definition().caption;
    QCOMPARE(captions, QStringList{QStringLiteral("低于最低库存的物料")});
    m_widget.reset();
    bMain::LogOut();
    QVERIFY(testsupport::openSession(m_site->configPath(), QStringLiteral("张三"), QStringLiteral("zhang3")));
    alerts = make(QStringLiteral("LwEdit.oalert"), 0, nullptr);
    QVERIFY(alerts);
    captions.clear();
    for (ReportView *v : alerts->views())
        captions << v->definition().caption;
    QCOMPARE(captions, (QStringList{QStringLiteral("逾期未交货的采购订单"), QStringLiteral("逾期未发货的销售订单")}));
}

QTEST_MAIN(tst_LwReport)
#include "tst_lwreport.moc"

#include "components/database.h"
#include "components/schema.h"
#include "components/sysservices.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "testsupport.h"

class tst_SysServices : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void parameters_data();
    void parameters();
    void systemCode();
    void periods_data();
    void periods();
    void strings_data();
    void strings();
    void rights_data();
    void rights();
    void companyText_data();
    void companyText();
    void operatorNames();
    void initAttachesOperator();
    void theme_data();
    void theme();
    void themeFolders();
    void initWithoutTables();
    void databaseReleasedFirst();

private:
    bool exec(const QString &sql, const QVariantList &params = {});
    static std::unique_ptr<Database> openSqlite(const QString &path);

    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<Operator> m_op;
    SystemServices m_sys;
};

std::unique_ptr<Database> tst_SysServices::openSqlite(const QString &path)
{
    auto db = std::make_unique<Database>();
    ConnectionSettings s;
    s.driver = QStringLiteral("sqlite");
    s.database = path;
    s.createIfMissing = true;
    if (!db->Init(s) || !db->Connect())
        return nullptr;
    return db;
}

bool tst_SysServices::exec(const QString &sql, const QVariantList &params)
{
    if (m_db->exec(sql, params))
        return true;
    qWarning() << sql << m_db->LastError().description;
    return false;
}

void tst_SysServices::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_db = openSqlite(m_dir.filePath(QStringLiteral("sys.db")));
    QVERIFY(m_db);
    QString error;
    QVERIFY2(schema::create(*m_db, &error), qPrintable(error));

    const QString insParam = QStringLiteral("insert into sys_param (sysno, paramno, name, value) values (?, ?, ?, ?)");
    QVERIFY(exec(insParam, {12, 1, QStringLiteral("period"), QStringLiteral("202402")}));
    QVERIFY(exec(insParam, {12, 2, QStringLiteral("menubm"), QStringLiteral("32222")}));
    QVERIFY(exec(insParam, {12, 3, QStringLiteral("loginuserstyle"), QStringLiteral("2")}));
    QVERIFY(exec(insParam, {12, 4, QStringLiteral("blank"), QString::fromLatin1("")}));
    QVERIFY(exec(insParam, {38, 1, QStringLiteral("loginusercount"), QStringLiteral("5")}));

    const QString insSystem = QStringLiteral("insert into sys_system (sysno, code, name) values (?, ?, ?)");
    QVERIFY(exec(insSystem, {12, QStringLiteral("GL  "), QString::fromUtf8("总账")}));

    const QString insPeriod =
        QStringLiteral("insert into sys_period (syscode, year, period, startdate, enddate, iscurrent) values (?, ?, ?, ?, ?, ?)");
    QVERIFY(exec(insPeriod, {QStringLiteral("GL"), 2024, 202401, QStringLiteral("2024-01-01"), QStringLiteral("2024-01-31"), 0}));
    QVERIFY(exec(insPeriod, {QStringLiteral("GL"), 2024, 202402, QStringLiteral("2024-02-01"), QStringLiteral("2024-02-29"), 1}));
    QVERIFY(exec(insPeriod, {QStringLiteral("GL"), 2024, 202403, QStringLiteral("2024-03-01"), QStringLiteral("2024-03-31"), QVariant()}));
    QVERIFY(exec(insPeriod, {QStringLiteral("AP"), 2023, 202311, QStringLiteral("2023-11-01"), QStringLiteral("2023-11-30"), 0}));
    QVERIFY(exec(insPeriod, {QStringLiteral("AP"), 2023, 202312, QStringLiteral("2023-12-01"), QStringLiteral("2023-12-31"), QVariant()}));
    QVERIFY(exec(insPeriod, {QStringLiteral("AP"), 2023, 202310, QStringLiteral("2023-10-01"), QStringLiteral("2023-10-31"), 0}));

    const QString insText = QStringLiteral("insert into sys_language (family, path, text) values (?, ?, ?)");
    QVERIFY(exec(insText, {QStringLiteral("kxplan"), QStringLiteral("/FrmPass/Caption"), QString::fromUtf8("更改密码")}));
    QVERIFY(exec(insText, {QStringLiteral("kxplan"), QStringLiteral("/login/hint"), QVariant()}));
    QVERIFY(exec(insText, {QStringLiteral("kxplan"), QStringLiteral("/login/empty"), QString::fromLatin1("")}));
    QVERIFY(exec(insText, {QStringLiteral("kxplan"), QString::fromUtf8("/菜单/标题"), QString::fromUtf8("中文路径")}));
    QVERIFY(exec(insText, {QStringLiteral("lwedit"), QStringLiteral("/edit/caption"), QStringLiteral("Edit")}));

    // Codes out of name order, so the code order is seen.
    QVERIFY2(Operator::createOperator(m_db.get(), QStringLiteral("002"), QString::fromUtf8("张三"), QStringLiteral("pw"), false,
                                      &error),
             qPrintable(error));
    QVERIFY2(Operator::createOperator(m_db.get(), QStringLiteral("001"), QStringLiteral("admin"), QString(), true, &error),
             qPrintable(error));
    QVERIFY2(Operator::createOperator(m_db.get(), QStringLiteral("003"), QStringLiteral("off"), QStringLiteral("pw"), false,
                                      &error),
             qPrintable(error));
    QVERIFY2(Operator::createOperator(m_db.get(), QStringLiteral("004"), QStringLiteral("bob"), QStringLiteral("pw"), false,
                                      &error),
             qPrintable(error));
    QVERIFY(exec(QStringLiteral("update sys_operator set disabled = 1 where opcode = ?"), {QStringLiteral("003")}));
    QVERIFY(Operator::grantRights(m_db.get(), QStringLiteral("002"), 100, 0b101u, &error));
    QVERIFY(Operator::grantRights(m_db.get(), QStringLiteral("002"), 200, 0x80000000u, &error));
    QVERIFY(Operator::grantRights(m_db.get(), QStringLiteral("002"), 300, 0xffffffffu, &error));
    QVERIFY(Operator::grantRights(m_db.get(), QStringLiteral("002"), 300, 0u, &error)); // replaced: no rights left
    QVERIFY(Operator::grantRights(m_db.get(), QStringLiteral("004"), 100, 0b10u, &error));

    m_op = std::make_unique<Operator>();
    QVERIFY2(m_sys.Init(m_db.get(), m_op.get(), 0), qPrintable(m_sys.LastError().description));
    QVERIFY(m_sys.LastError().isEmpty());
    QCOMPARE(m_sys.database(), m_db.get());
}

void tst_SysServices::parameters_data()
{
    QTest::addColumn<int>("sysno");
    QTest::addColumn<QString>("name"); // empty: look up by number
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("value");
    QTest::newRow("menubm") << 12 << "menubm" << 0 << true << "32222";
    QTest::newRow("name in other case") << 12 << "MenuBM" << 0 << true << "32222";
    QTest::newRow("loginuserstyle") << 12 << "loginuserstyle" << 0 << true << "2";
    QTest::newRow("loginusercount of system 38") << 38 << "loginusercount" << 0 << true << "5";
    QTest::newRow("loginusercount is not in system 12") << 12 << "loginusercount" << 0 << false << "";
    QTest::newRow("empty value exists") << 12 << "blank" << 0 << true << "";
    QTest::newRow("unknown name") << 12 << "nothing" << 0 << false << "";
    QTest::newRow("name with a quote") << 12 << "x' or '1'='1" << 0 << false << "";
    QTest::newRow("current period by number") << 12 << "" << 1 << true << "202402";
    QTest::newRow("number 2") << 12 << "" << 2 << true << "32222";
    QTest::newRow("unknown number") << 12 << "" << 99 << false << "";
    QTest::newRow("unknown system") << 7 << "" << 1 << false << "";
}

void tst_SysServices::parameters()
{
    QFETCH(int, sysno);
    QFETCH(QString, name);
    QFETCH(int, number);
    QFETCH(bool, exists);
    QFETCH(QString, value);
    const Parameter p = name.isEmpty() ? m_sys.parameterByNumber(sysno, number) : m_sys.parameter(sysno, name);
    QCOMPARE(p.exists, exists);
    QCOMPARE(p.value, value);
}

void tst_SysServices::systemCode()
{
    QCOMPARE(m_sys.systemCode(12), QStringLiteral("GL"));
    QCOMPARE(m_sys.systemCode(13), QString());
}

void tst_SysServices::periods_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("current");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::newRow("flagged current, not the latest") << "GL" << true << 202402 << QDate(2024, 2, 1) << QDate(2024, 2, 29);
    QTest::newRow("code in other case, padded") << "gl " << true << 202402 << QDate(2024, 2, 1) << QDate(2024, 2, 29);
    QTest::newRow("none flagged: the latest") << "AP" << true << 202312 << QDate(2023, 12, 1) << QDate(2023, 12, 31);
    QTest::newRow("unknown system") << "XX" << false << 0 << QDate() << QDate();
    QTest::newRow("empty code") << "" << false << 0 << QDate() << QDate();
}

void tst_SysServices::periods()
{
    QFETCH(QString, code);
    QFETCH(bool, exists);
    QFETCH(int, current);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    const Period p = m_sys.accountPeriod(code, 0);
    QCOMPARE(p.exists, exists);
    QCOMPARE(p.current, current);
    QCOMPARE(p.start, start);
    QCOMPARE(p.end, end);
}

void tst_SysServices::strings_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("defaultText");
    QTest::addColumn<QString>("expected");
    const QString stored = QString::fromUtf8("更改密码");
    QTest::newRow("path as stored") << "kxplan" << "/FrmPass/Caption" << "修改密码" << stored;
    QTest::newRow("path in lower case") << "kxplan" << "/frmpass/caption" << "修改密码" << stored;
    QTest::newRow("path in upper case") << "kxplan" << "/FRMPASS/CAPTION" << "修改密码" << stored;
    QTest::newRow("family in other case") << "KxPlan" << "/frmpass/caption" << "修改密码" << stored;
    QTest::newRow("no translation") << "kxplan" << "/frmpass/title" << "修改密码" << "修改密码";
    QTest::newRow("stored null text") << "kxplan" << "/login/hint" << "提示：默认密码为空！" << "提示：默认密码为空！";
    QTest::newRow("stored empty text") << "kxplan" << "/login/empty" << "x" << "";
    QTest::newRow("Chinese path") << "kxplan" << "/菜单/标题" << "d" << "中文路径";
    QTest::newRow("path of another family") << "kxplan" << "/edit/caption" << "d" << "d";
    QTest::newRow("another family") << "LWEDIT" << "/EDIT/caption" << "d" << "Edit";
    QTest::newRow("unknown family") << "nothing" << "/frmpass/caption" << "d" << "d";
    QTest::newRow("path with a quote") << "kxplan" << "/a'b" << "d'" << "d'";
    QTest::newRow("empty path and default") << "kxplan" << "" << "" << "";
}

void tst_SysServices::strings()
{
    QFETCH(QString, family);
    QFETCH(QString, path);
    QFETCH(QString, defaultText);
    QFETCH(QString, expected);
    QCOMPARE(m_sys.GetString(family, path, defaultText), expected);
}

void tst_SysServices::rights_data()
{
    QTest::addColumn<QString>("name"); // empty: nobody logged in
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("program");
    QTest::addColumn<quint32>("mask");
    const QString zs = QString::fromUtf8("张三");
    QTest::newRow("nobody logged in") << "" << "" << 100 << 0u;
    QTest::newRow("rights 1 and 3") << zs << "pw" << 100 << 0b101u;
    QTest::newRow("right 32 only") << zs << "pw" << 200 << 0x80000000u;
    QTest::newRow("replaced by none") << zs << "pw" << 300 << 0u;
    QTest::newRow("program without a row") << zs << "pw" << 400 << 0u;
    QTest::newRow("rights are per operator") << "bob" << "pw" << 100 << 0b10u;
    QTest::newRow("administrator: every right") << "admin" << "" << 100 << 0xffffffffu;
    QTest::newRow("administrator, program without a row") << "admin" << "" << 999 << 0xffffffffu;
}

void tst_SysServices::rights()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(int, program);
    QFETCH(quint32, mask);
    m_op->SignOut();
    if (!name.isEmpty()) {
        m_op->setName(name);
        QVERIFY(m_op->VerifyPassword(password));
    }
    const Rights r = m_sys.rights(program);
    QCOMPARE(r.mask(), mask);
    for (int n = 1; n <= 32; ++n)
        QCOMPARE(r.right(n), bool(mask >> (n - 1) & 1u));
    QVERIFY(!r.right(0));
    QVERIFY(!r.right(33));
    m_op->SignOut();
    QCOMPARE(m_sys.rights(program).mask(), 0u); // signed out: no rights
}

void tst_SysServices::companyText_data()
{
    QTest::addColumn<QString>("coName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("company name") << "示例公司" << "帐套一" << "示例公司";
    QTest::newRow("no company name: account set") << "" << "帐套一" << "帐套一";
    QTest::newRow("blank company name") << "   " << "帐套一" << "帐套一";
    QTest::newRow("neither") << "" << "" << "";
}

void tst_SysServices::companyText()
{
    QFETCH(QString, coName);
    QFETCH(QString, name);
    QFETCH(QString, text);
    CompanyInfo info;
    info.set(CompanyInfo::CoName, coName);
    info.set(CompanyInfo::Name, name);
    QCOMPARE(info.text(), text);
}

void tst_SysServices::operatorNames()
{
    QCOMPARE(m_sys.operatorNames(), (QStringList{QStringLiteral("admin"), QString::fromUtf8("张三"), QStringLiteral("bob")}));
}

void tst_SysServices::initAttachesOperator()
{
    // The operator created before the services learns its database from them.
    m_op->setName(QStringLiteral("BOB"));
    QVERIFY(m_op->VerifyPassword(QStringLiteral("pw")));
    QCOMPARE(m_op->name(), QStringLiteral("bob"));
    QVERIFY(m_op->IsReady());
    m_op->SignOut();
}

void tst_SysServices::theme_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("expected"); // %1 = the theme folder
    QTest::newRow("bare relative url") << "QWidget { background: url(img/bg.png); }"
                                       << "QWidget { background: url(\"%1/img/bg.png\"); }";
    QTest::newRow("double quoted") << "a { image: url(\"btn.png\") }" << "a { image: url(\"%1/btn.png\") }";
    QTest::newRow("single quoted with blanks") << "a { image: url( 'my btn.png' ) }" << "a { image: url(\"%1/my btn.png\") }";
    QTest::newRow("parent folder") << "a { image: url(../shared/x.png) }" << "a { image: url(\"%1/../shared/x.png\") }";
    QTest::newRow("absolute kept") << "a { image: url(/usr/share/x.png) }" << "a { image: url(/usr/share/x.png) }";
    QTest::newRow("resource kept") << "a { image: url(:/icons/x.png) }" << "a { image: url(:/icons/x.png) }";
    QTest::newRow("upper case URL") << "a { image: URL(x.png) }" << "a { image: url(\"%1/x.png\") }";
    QTest::newRow("two in a row") << "a{b:url(1.png);c:url(2.png)}" << "a{b:url(\"%1/1.png\");c:url(\"%1/2.png\")}";
    QTest::newRow("Chinese text kept") << "/* 主题 */ QLabel { color: red; }" << "/* 主题 */ QLabel { color: red; }";
}

void tst_SysServices::theme()
{
    QFETCH(QString, sheet);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("themes/blue"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(testsupport::writeFile(folder + QStringLiteral("/style.qss"), sheet.toUtf8()));

    ThemeService theme;
    QVERIFY(theme.LoadTheme(QStringLiteral("blue"), folder));
    const QString abs = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QString want = QString(expected).replace(QStringLiteral("%1"), abs);
    if (want.contains(QLatin1String("/../")))
        want.replace(abs + QStringLiteral("/../shared"), QDir::cleanPath(abs + QStringLiteral("/../shared")));
    QCOMPARE(theme.styleSheet(), want);
    QCOMPARE(theme.folder(), abs);
    QCOMPARE(theme.name(), QStringLiteral("blue"));

    QObject window;
    theme.ApplyTheme(&window);
    QCOMPARE(window.property("styleSheet").toString(), want);
    theme.ApplyTheme(nullptr);
}

void tst_SysServices::themeFolders()
{
    QTemporaryDir dir;
    ThemeService theme;
    QObject window;
    window.setProperty("styleSheet", QStringLiteral("keep"));
    theme.ApplyTheme(&window); // nothing loaded: the window keeps its own look
    QCOMPARE(window.property("styleSheet").toString(), QStringLiteral("keep"));

    const QString red = dir.filePath(QStringLiteral("red"));
    QVERIFY(QDir().mkpath(red));
    QVERIFY(testsupport::writeFile(red + QStringLiteral("/style.qss"), "QWidget{color:red}"));
    QVERIFY(theme.LoadTheme(QStringLiteral("red"), red));

    // A missing folder fails and leaves the loaded theme in place.
    QVERIFY(!theme.LoadTheme(QStringLiteral("none"), dir.filePath(QStringLiteral("none"))));
    QVERIFY(!theme.LoadTheme(QStringLiteral("empty"), QString()));
    QCOMPARE(theme.name(), QStringLiteral("red"));
    QCOMPARE(theme.styleSheet(), QStringLiteral("QWidget{color:red}"));

    // Images only: the folder still serves logo and title pictures.
    const QString plain = dir.filePath(QStringLiteral("plain"));
    QVERIFY(QDir().mkpath(plain));
    QVERIFY(testsupport::writeFile(plain + QStringLiteral("/logo.gif"), "GIF89a"));
    QVERIFY(theme.LoadTheme(QStringLiteral("plain"), plain));
    QCOMPARE(theme.folder(), QDir::cleanPath(plain));
    QCOMPARE(theme.styleSheet(), QString());

    // The services hand out one theme service.
    QCOMPARE(m_sys.themeService(), m_sys.themeService());
    QVERIFY(m_sys.themeService()->LoadTheme(QStringLiteral("red"), red));
    m_sys.themeService()->ApplyTheme(&window);
    QCOMPARE(window.property("styleSheet").toString(), QStringLiteral("QWidget{color:red}"));
}

void tst_SysServices::initWithoutTables()
{
    QTemporaryDir dir;
    std::unique_ptr<Database> empty = openSqlite(dir.filePath(QStringLiteral("empty.db")));
    QVERIFY(empty);
    SystemServices sys;
    QVERIFY(!sys.Init(empty.get(), nullptr, 0));
    const QString prefix = QString::fromUtf8("系统表不存在或无法读取：");
    QVERIFY2(sys.LastError().description.startsWith(prefix), qPrintable(sys.LastError().description));
    QVERIFY(sys.LastError().description.size() > prefix.size()); // the driver's reason follows
    QVERIFY(empty->LastError().isEmpty()); // our failure does not linger in the database's error
    // Nothing can be read, and nothing crashes.
    QCOMPARE(sys.GetString(QStringLiteral("kxplan"), QStringLiteral("/a"), QStringLiteral("d")), QStringLiteral("d"));
    QVERIFY(!sys.parameter(12, QStringLiteral("menubm")).exists);
    QVERIFY(!sys.accountPeriod(QStringLiteral("GL")).exists);
    QVERIFY(sys.operatorNames().isEmpty());

    // Only some of the tables: still refused.
    QVERIFY(empty->exec(QStringLiteral("create table sys_operator (opcode text, opname text)")));
    QVERIFY(!sys.Init(empty.get(), nullptr, 0));
    QVERIFY(sys.LastError().description.startsWith(prefix));

    QVERIFY(!sys.Init(nullptr, nullptr, 0));
    QVERIFY(!sys.LastError().description.isEmpty());
    Database unconnected;
    QVERIFY(!sys.Init(&unconnected, nullptr, 0));
    QVERIFY(!sys.LastError().description.isEmpty());
}

void tst_SysServices::databaseReleasedFirst()
{
    // The log-out releases the database before it closes the services.
    std::unique_ptr<Database> db = openSqlite(m_dir.filePath(QStringLiteral("sys.db")));
    QVERIFY(db);
    SystemServices sys;
    QVERIFY(sys.Init(db.get(), nullptr, 0));
    QCOMPARE(sys.GetString(QStringLiteral("kxplan"), QStringLiteral("/frmpass/caption"), QStringLiteral("d")),
             QString::fromUtf8("更改密码"));
    db.reset();
    QCOMPARE(sys.database(), nullptr);
    QVERIFY(!sys.parameter(12, QStringLiteral("menubm")).exists);
    QCOMPARE(sys.rights(100).mask(), 0u);
    QCOMPARE(sys.GetString(QStringLiteral("lwedit"), QStringLiteral("/edit/caption"), QStringLiteral("d")), QStringLiteral("d"));
    sys.SignOff(QString());
    sys.Close(0);
    sys.SignOff(QString());
    sys.Close(0);
    QCOMPARE(sys.GetString(QStringLiteral("kxplan"), QStringLiteral("/frmpass/caption"), QStringLiteral("d")),
             QStringLiteral("d"));
}

QTEST_GUILESS_MAIN(tst_SysServices)
#include "tst_sysservices.moc"

#include "components/database.h"
#include "components/schema.h"
#include "components/sysservices.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <memory>

// The operator's login and password rules on real databases: a SQLite file
// always, and the test PostgreSQL server when scripts/pg-test-server.sh has
// published it (each run in a database of its own, dropped afterwards).
class tst_Operator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void verifyPassword_data();
    void verifyPassword();
    void failedVerifyLogsOut_data();
    void failedVerifyLogsOut();
    void changePassword_data();
    void changePassword();
    void hasAndCheckPassword();
    void storedHashes();
    void hashOfOtherParameters();
    void plainTextNeverMatches();
    void nameChangeAndSignOut();
    void createOperatorRules();
    void readyState();

private:
    struct Backend {
        std::unique_ptr<Database> db;
        std::unique_ptr<Database> admin; // postgres: the connection that created and drops the test database
        QString dropName;
    };
    Database *db(const QString &driver) { return m_backends.at(driver).db.get(); }
    void addRowsPerBackend(const char *label, const std::function<void(QTestData &)> &fill);
    static QString longPassword(QChar last = QLatin1Char('!'));

    QTemporaryDir m_dir;
    std::map<QString, Backend> m_backends;
    QString m_postgresMissing; // why the server's rows skip
};

// The server's rows are there in every run: without a server each says why it skips.
#define REQUIRE_BACKEND(driver)                                                                                           \
    do {                                                                                                                  \
        const auto found = m_backends.find(driver);                                                                       \
        if (found == m_backends.end() || !found->second.db)                                                               \
            QSKIP(qPrintable(m_postgresMissing.isEmpty() ? QStringLiteral("no %1 database").arg(driver) : m_postgresMissing)); \
    } while (false)

QString tst_Operator::longPassword(QChar last)
{
    QString pw = QString::fromUtf8("ab1密").repeated(2500);
    pw[pw.size() - 1] = last;
    return pw; // 10,000 characters
}

static bool seed(Database &db, QString *error)
{
    struct Op {
        const char *code, *name;
        QString password;
        bool admin;
    };
    const Op ops[] = {
        {"002", "Alice", QStringLiteral("Secret-1"), false},
        {"001", "admin", QString(), true},
        {"003", "bob", QStringLiteral("Secret-1"), false},
        {"004", "carol", QStringLiteral("pw"), false},
        {"005", "long", QString::fromUtf8("ab1密").repeated(2500).chopped(1) + QLatin1Char('!'), false},
        {"006", "王五", QString::fromUtf8("密码123"), false},
    };
    for (const Op &o : ops)
        if (!Operator::createOperator(&db, QLatin1String(o.code), QString::fromUtf8(o.name), o.password, o.admin, error))
            return false;
    if (!db.exec(QStringLiteral("update sys_operator set disabled = 1 where opcode = ?"), {QStringLiteral("004")})) {
        *error = db.LastError().description;
        return false;
    }
    return true;
}

void tst_Operator::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    {
        Backend b;
        b.db = std::make_unique<Database>();
        ConnectionSettings s;
        s.driver = QStringLiteral("sqlite");
        s.database = m_dir.filePath(QStringLiteral("operators.db"));
        s.createIfMissing = true;
        QVERIFY(b.db->Init(s));
        QVERIFY2(b.db->Connect(), qPrintable(b.db->LastError().description));
        QVERIFY2(schema::create(*b.db, &error), qPrintable(error));
        QVERIFY2(seed(*b.db, &error), qPrintable(error));
        m_backends[QStringLiteral("sqlite")] = std::move(b);
    }

    // The server suite runs when scripts/pg-test-server.sh has published its server;
    // ZENLO_TEST_PG_REQUIRED=1 turns a missing server into a failure.
    const bool required = qEnvironmentVariable("ZENLO_TEST_PG_REQUIRED") == QLatin1String("1");
    const QString host = qEnvironmentVariable("ZENLO_TEST_PG_HOST");
    if (host.isEmpty()) {
        m_postgresMissing = QStringLiteral("ZENLO_TEST_PG_HOST is not set (scripts/pg-test-server.sh start BUILD_DIR)");
        QVERIFY2(!required, qPrintable(m_postgresMissing));
        return;
    }
    ConnectionSettings s;
    s.driver = QStringLiteral("postgres");
    s.server = host;
    s.port = qEnvironmentVariableIntValue("ZENLO_TEST_PG_PORT");
    s.user = qEnvironmentVariable("ZENLO_TEST_PG_USER");
    s.database = qEnvironmentVariable("ZENLO_TEST_PG_DATABASE");
    Backend b;
    b.admin = std::make_unique<Database>();
    QVERIFY(b.admin->Init(s));
    if (!b.admin->Connect()) {
        m_postgresMissing = QStringLiteral("PostgreSQL not reachable: ") + b.admin->LastError().description;
        QVERIFY2(!required, qPrintable(m_postgresMissing));
        return;
    }
    // A database of our own: other test programs use the server at the same time.
    const QString name =
        QStringLiteral("zenlo_tst_op_%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    QVERIFY2(b.admin->exec(QStringLiteral("create database ") + name), qPrintable(b.admin->LastError().description));
    b.dropName = name;
    // Kept from here on, so the clean-up drops the database whatever fails next.
    Backend &pg = m_backends[QStringLiteral("postgres")] = std::move(b);
    s.database = name;
    pg.db = std::make_unique<Database>();
    QVERIFY(pg.db->Init(s));
    QVERIFY2(pg.db->Connect(), qPrintable(pg.db->LastError().description));
    QVERIFY2(schema::create(*pg.db, &error), qPrintable(error));
    QVERIFY2(seed(*pg.db, &error), qPrintable(error));
}

void tst_Operator::cleanupTestCase()
{
    for (auto &[driver, b] : m_backends) {
        if (b.db)
            b.db->Close();
        b.db.reset();
        if (b.admin && !b.dropName.isEmpty())
            b.admin->exec(QStringLiteral("drop database if exists ") + b.dropName + QStringLiteral(" with (force)"));
    }
    m_backends.clear();
}

void tst_Operator::addRowsPerBackend(const char *label, const std::function<void(QTestData &)> &fill)
{
    for (const QString driver : {QStringLiteral("sqlite"), QStringLiteral("postgres")}) {
        QTestData &row = QTest::newRow(qPrintable(driver + QStringLiteral(": ") + QString::fromUtf8(label)));
        row << driver;
        fill(row);
    }
}

void tst_Operator::verifyPassword_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("canonicalName");
    QTest::addColumn<QString>("code");

    const QString none;
    auto row = [this](const char *label, const QString &name, const QString &pw, bool ok, const QString &canon,
                      const QString &code) {
        addRowsPerBackend(label, [&](QTestData &r) { r << name << pw << ok << canon << code; });
    };
    row("right password", "Alice", "Secret-1", true, "Alice", "002");
    row("wrong password", "Alice", "Secret-2", false, none, none);
    row("password differs in case", "Alice", "secret-1", false, none, none);
    row("empty password for an operator with one", "Alice", "", false, none, none);
    row("name in other case", "ALICE", "Secret-1", true, "Alice", "002");
    row("name in lower case", "alice", "Secret-1", true, "Alice", "002");
    row("unknown operator", "nobody", "Secret-1", false, none, none);
    row("unknown operator, empty password", "nobody", "", false, none, none);
    row("injection in the name", "' or 1=1 --", "", false, none, none);
    row("injection in the name with a password", "' or '1'='1", "Secret-1", false, none, none);
    row("injection in the password", "Alice", "' or 1=1 --", false, none, none);
    row("no password: empty accepted", "admin", "", true, "admin", "001");
    row("no password: any text refused", "admin", "x", false, none, none);
    row("10,000 characters, wrong", "Alice", longPassword(), false, none, none);
    row("10,000 characters, right", "long", longPassword(), true, "long", "005");
    row("10,000 characters, last one wrong", "long", longPassword(QLatin1Char('?')), false, none, none);
    row("disabled operator", "carol", "pw", false, none, none);
    row("Chinese name and password", QString::fromUtf8("王五"), QString::fromUtf8("密码123"), true,
        QString::fromUtf8("王五"), "006");
    row("empty name", "", "", false, none, none);
}

void tst_Operator::verifyPassword()
{
    QFETCH(QString, driver);
    REQUIRE_BACKEND(driver);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    QFETCH(QString, canonicalName);
    QFETCH(QString, code);

    Operator op;
    op.attach(db(driver));
    op.setName(name);
    QCOMPARE(op.VerifyPassword(password), accepted);
    QCOMPARE(op.LoggedIn(), accepted);
    QCOMPARE(op.IsReady(), accepted);
    if (accepted) {
        QCOMPARE(op.name(), canonicalName);
        QCOMPARE(op.code(), code);
        QVERIFY(op.LastError().isEmpty());
        RecordSetPtr rs = db(driver)->query(QStringLiteral("select lastlogin from sys_operator where opcode = ?"), {code});
        QVERIFY(rs && !rs->isEOF());
        QVERIFY(!rs->field(QStringLiteral("lastlogin")).isNull());
    } else {
        QVERIFY(op.code().isEmpty());
        QVERIFY(!op.LastError().description.isEmpty());
        QVERIFY(op.LastError().description.size() < 80);
    }
}

void tst_Operator::failedVerifyLogsOut_data()
{
    QTest::addColumn<QString>("driver");
    addRowsPerBackend("wrong password after a login", [](QTestData &) {});
}

void tst_Operator::failedVerifyLogsOut()
{
    QFETCH(QString, driver);
    REQUIRE_BACKEND(driver);
    Operator op;
    op.attach(db(driver));
    op.setName(QStringLiteral("Alice"));
    QVERIFY(op.VerifyPassword(QStringLiteral("Secret-1")));
    QVERIFY(!op.VerifyPassword(QStringLiteral("nope")));
    QVERIFY(!op.LoggedIn());
    QVERIFY(op.code().isEmpty());
    // Unknown name and wrong password read the same, so neither tells which names exist.
    Operator other;
    other.attach(db(driver));
    other.setName(QStringLiteral("nobody"));
    QVERIFY(!other.VerifyPassword(QStringLiteral("nope")));
    QCOMPARE(other.LastError().description,
             op.LastError().description.replace(QStringLiteral("Alice"), QStringLiteral("nobody")));
}

void tst_Operator::changePassword_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("initial");   // password the operator starts with
    QTest::addColumn<bool>("logIn");
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("worksAfter"); // the password that logs in afterwards

    auto row = [this](const char *label, const QString &initial, bool logIn, const QString &oldPw, const QString &newPw,
                      bool stored, const QString &after) {
        addRowsPerBackend(label, [&](QTestData &r) { r << initial << logIn << oldPw << newPw << stored << after; });
    };
    row("right old password", "old-1", true, "old-1", "new-1", true, "new-1");
    row("wrong old password", "old-1", true, "old-2", "new-1", false, "old-1");
    row("empty old password for an operator with one", "old-1", true, "", "new-1", false, "old-1");
    row("not logged in", "old-1", false, "old-1", "new-1", false, "old-1");
    row("empty new password removes it", "old-1", true, "old-1", "", true, "");
    row("no password: empty old passes", "", true, "", "new-1", true, "new-1");
    row("no password: other old refused", "", true, "x", "new-1", false, "");
    row("Chinese new password", "old-1", true, "old-1", QString::fromUtf8("新密码"), true, QString::fromUtf8("新密码"));
}

void tst_Operator::changePassword()
{
    QFETCH(QString, driver);
    REQUIRE_BACKEND(driver);
    QFETCH(QString, initial);
    QFETCH(bool, logIn);
    QFETCH(QString, oldPassword);
    QFETCH(QString, newPassword);
    QFETCH(bool, stored);
    QFETCH(QString, worksAfter);

    Database *d = db(driver);
    QString error;
    QVERIFY2(Operator::createOperator(d, QStringLiteral("c01"), QStringLiteral("changer"), initial, false, &error),
             qPrintable(error));
    Operator op;
    op.attach(d);
    op.setName(QStringLiteral("changer"));
    if (logIn)
        QVERIFY(op.VerifyPassword(initial));
    QCOMPARE(op.ChangePassword(oldPassword, newPassword), stored);
    if (!stored)
        QVERIFY(!op.LastError().description.isEmpty());
    else
        QCOMPARE(op.hasPassword(), !newPassword.isEmpty());

    Operator fresh;
    fresh.attach(d);
    fresh.setName(QStringLiteral("changer"));
    QVERIFY(fresh.VerifyPassword(worksAfter));
    if (worksAfter != initial) {
        fresh.setName(QStringLiteral("changer"));
        QVERIFY(!fresh.VerifyPassword(initial));
    }
}

void tst_Operator::hasAndCheckPassword()
{
    Database *d = db(QStringLiteral("sqlite"));
    Operator op;
    op.attach(d);
    QVERIFY(!op.hasPassword());
    QVERIFY(!op.checkPassword(QString()));

    op.setName(QStringLiteral("Alice"));
    QVERIFY(op.VerifyPassword(QStringLiteral("Secret-1")));
    QVERIFY(op.hasPassword());
    QVERIFY(op.checkPassword(QStringLiteral("Secret-1")));
    QVERIFY(!op.checkPassword(QStringLiteral("secret-1")));
    QVERIFY(!op.checkPassword(QString()));
    QVERIFY(op.LoggedIn()); // a wrong check leaves the login alone

    op.setName(QStringLiteral("admin"));
    QVERIFY(op.VerifyPassword(QString()));
    QVERIFY(!op.hasPassword());
    QVERIFY(op.checkPassword(QString()));
    QVERIFY(!op.checkPassword(QStringLiteral("x")));
}

void tst_Operator::storedHashes()
{
    Database *d = db(QStringLiteral("sqlite"));
    RecordSetPtr rs = d->query(QStringLiteral("select opname, pwhash from sys_operator where opcode in (?, ?, ?) order by opcode"),
                               {QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("003")});
    QVERIFY(rs && rs->recordCount() == 3);
    QCOMPARE(rs->text(QStringLiteral("opname")), QStringLiteral("admin"));
    QCOMPARE(rs->text(QStringLiteral("pwhash")), QString()); // no password: nothing stored
    rs->moveNext();
    const QString alice = rs->text(QStringLiteral("pwhash"));
    rs->moveNext();
    const QString bob = rs->text(QStringLiteral("pwhash"));
    for (const QString &h : {alice, bob}) {
        QVERIFY2(h.startsWith(QLatin1String("$argon2id$")), qPrintable(h));
        QVERIFY2(h.contains(QLatin1String("m=19456,t=2")), qPrintable(h));
        QVERIFY(!h.contains(QLatin1String("Secret-1")));
        QVERIFY(Operator::verifyHash(h, QStringLiteral("Secret-1")));
    }
    QVERIFY(alice != bob); // same password, different salt
    QVERIFY(Operator::hashPassword(QString()).isEmpty());
    QVERIFY(Operator::hashPassword(QStringLiteral("a")) != Operator::hashPassword(QStringLiteral("a")));
}

void tst_Operator::hashOfOtherParameters()
{
    // Written with older costs (m=8192, t=3): still verifies, and the login stores today's costs.
    const QString oldHash = QStringLiteral(
        "$argon2id$v=19$m=8192,t=3,p=1$NCRMRWxUxJw1LzOJLW9m8A$8hHDxvetEwkiBbN4RMWKqq74cw4y8EH0+cxTkPYQ2DY");
    Database *d = db(QStringLiteral("sqlite"));
    QString error;
    QVERIFY2(Operator::createOperator(d, QStringLiteral("r01"), QStringLiteral("rehash"), QStringLiteral("x"), false, &error),
             qPrintable(error));
    QVERIFY(d->exec(QStringLiteral("update sys_operator set pwhash = ? where opcode = ?"), {oldHash, QStringLiteral("r01")}));
    Operator op;
    op.attach(d);
    op.setName(QStringLiteral("rehash"));
    QVERIFY(op.VerifyPassword(QStringLiteral("old-params")));
    RecordSetPtr rs = d->query(QStringLiteral("select pwhash from sys_operator where opcode = ?"), {QStringLiteral("r01")});
    QVERIFY(rs && !rs->isEOF());
    const QString now = rs->text(QStringLiteral("pwhash"));
    QVERIFY2(now.contains(QLatin1String("m=19456,t=2")), qPrintable(now));
    op.setName(QStringLiteral("rehash"));
    QVERIFY(op.VerifyPassword(QStringLiteral("old-params")));
}

void tst_Operator::plainTextNeverMatches()
{
    // A password written into the table by hand as plain text must not open the account.
    Database *d = db(QStringLiteral("sqlite"));
    QString error;
    QVERIFY2(Operator::createOperator(d, QStringLiteral("p01"), QStringLiteral("plain"), QStringLiteral("x"), false, &error),
             qPrintable(error));
    QVERIFY(d->exec(QStringLiteral("update sys_operator set pwhash = ? where opcode = ?"),
                    {QStringLiteral("letmein"), QStringLiteral("p01")}));
    Operator op;
    op.attach(d);
    op.setName(QStringLiteral("plain"));
    QVERIFY(!op.VerifyPassword(QStringLiteral("letmein")));
    QVERIFY(!op.VerifyPassword(QString()));
}

void tst_Operator::nameChangeAndSignOut()
{
    Database *d = db(QStringLiteral("sqlite"));
    Operator op;
    op.attach(d);
    op.setName(QStringLiteral("Alice"));
    QVERIFY(op.VerifyPassword(QStringLiteral("Secret-1")));
    op.setName(QStringLiteral("alice")); // the same operator
    QVERIFY(op.LoggedIn());
    QCOMPARE(op.name(), QStringLiteral("Alice"));
    op.setName(QStringLiteral("bob")); // another one: Alice's login must not carry over
    QVERIFY(!op.LoggedIn());
    QVERIFY(op.code().isEmpty());

    op.setName(QStringLiteral("Alice"));
    QVERIFY(op.VerifyPassword(QStringLiteral("Secret-1")));
    op.SignOut();
    op.SignOut();
    QVERIFY(!op.LoggedIn());
    QCOMPARE(op.name(), QStringLiteral("Alice"));
    QVERIFY(!op.IsReady());
    QVERIFY(!op.ChangePassword(QStringLiteral("Secret-1"), QStringLiteral("y")));
    QVERIFY(op.Started());

    op.setName(QString()); // login cancelled
    QVERIFY(!op.LoggedIn());
    QVERIFY(op.name().isEmpty());

    // Emptying the name of a logged-in operator keeps the login, so the start-up can tell a
    // called-off login from a failed one.
    op.setName(QStringLiteral("Alice"));
    QVERIFY(op.VerifyPassword(QStringLiteral("Secret-1")));
    op.setName(QString());
    QVERIFY(op.LoggedIn());
    QVERIFY(op.name().isEmpty());
}

void tst_Operator::createOperatorRules()
{
    Database *d = db(QStringLiteral("sqlite"));
    QString error;
    QVERIFY(!Operator::createOperator(d, QStringLiteral("099"), QStringLiteral("ALICE"), QStringLiteral("x"), false, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!Operator::createOperator(d, QString(), QStringLiteral("x"), QString(), false, &error));
    QVERIFY(!Operator::createOperator(d, QStringLiteral("098"), QStringLiteral("  "), QString(), false, &error));
    QVERIFY(!Operator::createOperator(nullptr, QStringLiteral("097"), QStringLiteral("x"), QString(), false, &error));

    // Replacing an operator (same code) re-enables it and takes the new password.
    QVERIFY2(Operator::createOperator(d, QStringLiteral("d01"), QStringLiteral("dave"), QStringLiteral("one"), false, &error),
             qPrintable(error));
    QVERIFY(d->exec(QStringLiteral("update sys_operator set disabled = 1 where opcode = ?"), {QStringLiteral("d01")}));
    QVERIFY2(Operator::createOperator(d, QStringLiteral("d01"), QStringLiteral("Dave"), QStringLiteral("two"), false, &error),
             qPrintable(error));
    Operator op;
    op.attach(d);
    op.setName(QStringLiteral("dave"));
    QVERIFY(op.VerifyPassword(QStringLiteral("two")));
    QCOMPARE(op.name(), QStringLiteral("Dave"));
    RecordSetPtr rs = d->query(QStringLiteral("select count(*) from sys_operator where opcode = ?"), {QStringLiteral("d01")});
    QCOMPARE(rs->firstValue().toInt(), 1);
}

void tst_Operator::readyState()
{
    Operator op;
    QVERIFY(!op.IsReady());
    QVERIFY(!op.LastError().description.isEmpty());
    op.setName(QStringLiteral("Alice"));
    QVERIFY(!op.VerifyPassword(QStringLiteral("Secret-1"))); // no database attached
    QVERIFY(!op.LastError().description.isEmpty());

    auto closed = std::make_unique<Database>();
    ConnectionSettings s;
    s.driver = QStringLiteral("sqlite");
    s.database = m_dir.filePath(QStringLiteral("operators.db"));
    QVERIFY(closed->Init(s));
    QVERIFY(closed->Connect());
    op.attach(closed.get());
    QVERIFY(op.VerifyPassword(QStringLiteral("Secret-1")));
    QVERIFY(op.IsReady());
    closed->Close();
    QVERIFY(!op.IsReady());
    closed.reset(); // the log-out releases the database before the operator
    QVERIFY(!op.IsReady());
    QVERIFY(!op.ChangePassword(QStringLiteral("Secret-1"), QStringLiteral("z")));
}

QTEST_GUILESS_MAIN(tst_Operator)
#include "tst_operator.moc"

#include "components/sysservices.h"

#include "components/database.h"
#include "components/sodiuminit.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <sodium.h>

Q_LOGGING_CATEGORY(lcSysServices, "zenlo.sysservices")

namespace {

// Password hashes: Argon2id with these costs; the parameters travel inside the
// stored hash string, so raising them later still verifies the old hashes.
constexpr unsigned long long kOpsLimit = 2;
constexpr size_t kMemLimit = 19u * 1024u * 1024u;

const QChar kKeySeparator(0x1f);

// Runs a SELECT with bound values. The database keeps its last error for the
// program's own SQL, so a failure of ours is taken out of it again: a caller
// that checks the error after its own query must not see ours.
RecordSetPtr select(Database *db, const QString &sql, const QVariantList &params, QString *error)
{
    if (!db || !db->isConnected()) {
        if (error)
            *error = QStringLiteral("数据库未连接");
        return nullptr;
    }
    db->ClearError();
    RecordSetPtr rs = db->query(sql, params);
    const ErrorInfo e = db->LastError();
    if (!e.isEmpty() || !rs) {
        if (error)
            *error = e.isEmpty() ? QStringLiteral("查询失败") : e.description;
        db->ClearError();
        return nullptr;
    }
    return rs;
}

bool execute(Database *db, const QString &sql, const QVariantList &params, QString *error)
{
    if (!db || !db->isConnected()) {
        if (error)
            *error = QStringLiteral("数据库未连接");
        return false;
    }
    db->ClearError();
    if (db->exec(sql, params))
        return true;
    if (error) {
        const ErrorInfo e = db->LastError();
        *error = e.isEmpty() ? QStringLiteral("执行失败") : e.description;
    }
    db->ClearError();
    return false;
}

// Numbers come back as integers, doubles or text depending on the driver.
qint64 toNumber(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return 0;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (ok)
        return n;
    const double d = v.toString().trimmed().toDouble(&ok);
    return ok ? qint64(d) : 0;
}

// SQLite hands dates back as text, the server drivers as date values.
QDate toDate(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate();
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return QDate::fromString(v.toString().trimmed().left(10), QStringLiteral("yyyy-MM-dd"));
}

QString fold(const QString &s) { return s.toCaseFolded(); }

// url(...) in a theme's style sheet is written relative to the theme folder;
// Qt resolves it against the working directory, so it is made absolute here.
QString resolveUrls(const QString &sheet, const QString &folder)
{
    static const QRegularExpression re(QStringLiteral(R"re(url\(\s*(?:"([^"]*)"|'([^']*)'|([^)'"\s]*))\s*\))re"),
                                       QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype last = 0;
    auto it = re.globalMatch(sheet);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QString ref = m.captured(1);
        if (ref.isNull())
            ref = m.captured(2);
        if (ref.isNull())
            ref = m.captured(3);
        out += QStringView(sheet).mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        const bool keep = ref.isEmpty() || QDir::isAbsolutePath(ref) || ref.startsWith(QLatin1Char(':'))
            || ref.contains(QLatin1String("://")) || ref.startsWith(QLatin1String("qrc:"), Qt::CaseInsensitive)
            || ref.startsWith(QLatin1String("data:"), Qt::CaseInsensitive);
        if (keep) {
            out += m.captured(0);
            continue;
        }
        const QString abs = QDir::cleanPath(folder + QLatin1Char('/') + ref);
        const QChar quote = abs.contains(QLatin1Char('"')) ? QLatin1Char('\'') : QLatin1Char('"');
        out += QLatin1String("url(") + quote + abs + quote + QLatin1Char(')');
    }
    out += QStringView(sheet).mid(last);
    return out;
}

} // namespace

// ---------------------------------------------------------------- CompanyInfo

QString CompanyInfo::text() const
{
    const QString coName = m_values[CoName].trimmed();
    return coName.isEmpty() ? m_values[Name].trimmed() : coName;
}

// --------------------------------------------------------------- ThemeService

bool ThemeService::LoadTheme(const QString &name, const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QFileInfo dirInfo(folder);
    if (!dirInfo.isDir()) {
        qCDebug(lcSysServices) << "theme folder missing:" << folder;
        return false;
    }
    const QString absFolder = QDir::cleanPath(dirInfo.absoluteFilePath());
    QString sheet;
    QFile qss(absFolder + QStringLiteral("/style.qss"));
    if (qss.exists()) {
        if (!qss.open(QIODevice::ReadOnly)) {
            qCDebug(lcSysServices) << "theme style sheet unreadable:" << qss.fileName() << qss.errorString();
            return false;
        }
        sheet = QString::fromUtf8(qss.readAll());
    }
    // A theme without a style sheet still supplies its images (logo, title, lock panel).
    m_name = name;
    m_folder = absFolder;
    m_styleSheet = sheet;
    m_urlsResolved = sheet.isEmpty();
    return true;
}

QString ThemeService::styleSheet() const
{
    if (!m_urlsResolved) {
        m_styleSheet = resolveUrls(m_styleSheet, m_folder);
        m_urlsResolved = true;
    }
    return m_styleSheet;
}

void ThemeService::ApplyTheme(QObject *window) const
{
    // Without a loaded theme the window keeps the look it was designed with.
    if (!window || m_folder.isEmpty())
        return;
    window->setProperty("styleSheet", styleSheet());
}

// ------------------------------------------------------------- SystemServices

SystemServices::SystemServices(QObject *parent) : QObject(parent) {}
SystemServices::~SystemServices() = default;

Database *SystemServices::database() const { return m_db.data(); }

bool SystemServices::Init(Database *db, Operator *op, int flag)
{
    Q_UNUSED(flag);
    m_lastError.clear();
    m_strings.clear();
    m_loadedFamilies.clear();
    m_db = db;
    if (!db) {
        m_lastError = {-1, QStringLiteral("数据库对象不存在")};
        return false;
    }
    if (!db->isConnected()) {
        m_lastError = {-1, QStringLiteral("数据库未连接")};
        return false;
    }
    static const char *const ownTables[] = {"sys_operator", "sys_rights", "sys_param", "sys_system", "sys_period",
                                            "sys_language"};
    for (const char *table : ownTables) {
        QString error;
        if (!select(db, QStringLiteral("select count(*) from ") + QLatin1String(table), {}, &error)) {
            m_lastError = {-1, QStringLiteral("系统表不存在或无法读取：") + error};
            return false;
        }
    }
    if (!loadStrings(QStringLiteral("kxplan"))) {
        m_lastError = {-1, QStringLiteral("系统表不存在或无法读取：sys_language")};
        return false;
    }
    // The company text is known from the start (the login records name the company); the
    // company loader fills every other property after the login.
    if (RecordSetPtr rs = select(db, QStringLiteral("select top 1 zt_coname, zt_name from sysdatabase order by zt_code"), {}, nullptr);
        rs && !rs->isEOF()) {
        m_company.set(CompanyInfo::CoName, rs->text(QStringLiteral("zt_coname")));
        m_company.set(CompanyInfo::Name, rs->text(QStringLiteral("zt_name")));
    }
    m_operator = op;
    if (op)
        op->attach(db);
    return true;
}

bool SystemServices::loadStrings(const QString &family) const
{
    QString error;
    RecordSetPtr rs = select(m_db.data(), QStringLiteral("select path, text from sys_language where family = ?"),
                             {family}, &error);
    if (!rs) {
        qCDebug(lcSysServices) << "language strings of" << family << "unreadable:" << error;
        return false;
    }
    const QString prefix = fold(family) + kKeySeparator;
    for (; !rs->isEOF(); rs->moveNext()) {
        const QVariant text = rs->field(QStringLiteral("text"));
        if (text.isNull())
            continue;
        m_strings.insert(prefix + fold(rs->text(QStringLiteral("path"))), text.toString());
    }
    rs->close();
    m_loadedFamilies.insert(fold(family));
    return true;
}

QString SystemServices::GetString(const QString &family, const QString &path, const QString &defaultText) const
{
    const QString fam = fold(family);
    if (!m_loadedFamilies.contains(fam) && !loadStrings(family))
        return defaultText;
    const auto it = m_strings.constFind(fam + kKeySeparator + fold(path));
    return it == m_strings.constEnd() ? defaultText : *it;
}

Rights SystemServices::rights(int programNumber) const
{
    const Operator *op = m_operator.data();
    if (!op || !op->LoggedIn())
        return {};
    if (op->isAdministrator())
        return Rights(0xffffffffu);
    QString error;
    RecordSetPtr rs = select(m_db.data(), QStringLiteral("select rights from sys_rights where opcode = ? and progid = ?"),
                             {op->code(), programNumber}, &error);
    if (!rs || rs->isEOF())
        return {};
    // Stored as a signed 32-bit number on servers without unsigned columns.
    return Rights(quint32(quint64(toNumber(rs->field(QStringLiteral("rights")))) & 0xffffffffu));
}

Parameter SystemServices::parameter(int systemNumber, const QString &name) const
{
    QString error;
    RecordSetPtr rs = select(m_db.data(),
                             QStringLiteral("select value from sys_param where sysno = ? and name = ? order by paramno"),
                             {systemNumber, name}, &error);
    if (!rs || rs->isEOF())
        return {};
    return {true, rs->text(QStringLiteral("value"))};
}

Parameter SystemServices::parameterByNumber(int systemNumber, int number) const
{
    QString error;
    RecordSetPtr rs = select(m_db.data(), QStringLiteral("select value from sys_param where sysno = ? and paramno = ?"),
                             {systemNumber, number}, &error);
    if (!rs || rs->isEOF())
        return {};
    return {true, rs->text(QStringLiteral("value"))};
}

QString SystemServices::systemCode(int systemNumber) const
{
    QString error;
    RecordSetPtr rs = select(m_db.data(), QStringLiteral("select code from sys_system where sysno = ?"), {systemNumber},
                             &error);
    if (!rs || rs->isEOF())
        return {};
    // Fixed-width text columns come back padded from SQL Server.
    return rs->text(QStringLiteral("code")).trimmed();
}

Period SystemServices::accountPeriod(const QString &systemCode, int flag) const
{
    Q_UNUSED(flag);
    QString error;
    // The flagged current period first, otherwise the latest one. The CASE keeps
    // the order the same whether the server sorts NULLs first or last.
    RecordSetPtr rs = select(m_db.data(),
                             QStringLiteral("select period, startdate, enddate from sys_period where syscode = ? "
                                            "order by case when iscurrent = 1 then 0 else 1 end, coalesce(year, 0) desc, period desc"),
                             {systemCode.trimmed()}, &error);
    if (!rs) // a period table of an earlier build, without years
        rs = select(m_db.data(),
                    QStringLiteral("select period, startdate, enddate from sys_period where syscode = ? "
                                   "order by case when iscurrent = 1 then 0 else 1 end, period desc"),
                    {systemCode.trimmed()}, &error);
    if (!rs || rs->isEOF())
        return {};
    Period p;
    p.exists = true;
    p.current = int(toNumber(rs->field(QStringLiteral("period"))));
    p.start = toDate(rs->field(QStringLiteral("startdate")));
    p.end = toDate(rs->field(QStringLiteral("enddate")));
    return p;
}

void SystemServices::SignOff(const QString &text)
{
    // The session's end is recorded by the log writer; nothing is held per operator here.
    Q_UNUSED(text);
}

void SystemServices::Close(int flag)
{
    Q_UNUSED(flag);
    // The database may already be gone (the log-out releases it first): only the binding is dropped.
    m_db = nullptr;
    m_strings.clear();
    m_loadedFamilies.clear();
}

QStringList SystemServices::operatorNames() const
{
    QString error;
    RecordSetPtr rs = select(m_db.data(),
                             QStringLiteral("select opname from sys_operator where disabled is null or disabled = 0 "
                                            "order by opcode"),
                             {}, &error);
    QStringList names;
    if (!rs)
        return names;
    for (; !rs->isEOF(); rs->moveNext())
        names.append(rs->text(QStringLiteral("opname")));
    return names;
}

// ------------------------------------------------------------------- Operator

Operator::Operator(QObject *parent) : QObject(parent) {}

Operator::~Operator() = default;

void Operator::attach(Database *db)
{
    // A login holds only for the database it was checked against.
    if (m_db.data() != db)
        clearLogin();
    m_db = db;
}

void Operator::setName(const QString &name)
{
    // Another name is another operator: the login of the previous one must not carry over.
    if (m_loggedIn && m_name.compare(name, Qt::CaseInsensitive) == 0)
        return;
    // An emptied name is how a login is called off; the start-up tells that apart from a failed one.
    if (name.isEmpty()) {
        m_name.clear();
        return;
    }
    clearLogin();
    m_name = name;
}

void Operator::clearLogin()
{
    m_loggedIn = false;
    m_administrator = false;
    m_code.clear();
    m_hash.clear();
}

bool Operator::fail(const QString &reason)
{
    m_lastError = {-1, reason};
    return false;
}

bool Operator::VerifyPassword(const QString &password)
{
    clearLogin();
    m_lastError.clear();
    if (!zenlo::sodiumReady())
        return fail(QStringLiteral("密码组件无法初始化"));
    if (!m_db || !m_db->isConnected())
        return fail(QStringLiteral("数据库未连接"));
    if (m_name.trimmed().isEmpty())
        return fail(QStringLiteral("用户名不能为空"));

    QString error;
    RecordSetPtr rs = select(m_db.data(),
                             QStringLiteral("select opcode, opname, pwhash, isadmin, disabled from sys_operator "
                                            "where opname = ? order by opcode"),
                             {m_name}, &error);
    if (!rs)
        return fail(QStringLiteral("读取操作员时出错：") + error);

    // Names compare without regard to case; should two operators differ only in
    // case, the exactly typed one wins.
    bool found = false;
    QString code, name, hash;
    bool admin = false, disabled = false;
    for (; !rs->isEOF(); rs->moveNext()) {
        const QString rowName = rs->text(QStringLiteral("opname"));
        if (found && rowName != m_name)
            continue;
        found = true;
        code = rs->text(QStringLiteral("opcode"));
        name = rowName;
        hash = rs->text(QStringLiteral("pwhash"));
        admin = toNumber(rs->field(QStringLiteral("isadmin"))) == 1;
        disabled = toNumber(rs->field(QStringLiteral("disabled"))) != 0;
        if (rowName == m_name)
            break;
    }
    rs->close();

    // One text for an unknown name and a wrong password, so the answer does not
    // tell which names exist; an unknown name costs a hash check all the same.
    const QString refused = QStringLiteral("操作员") + m_name + QStringLiteral("不存在或密码错误");
    if (!found) {
        static const QString dummy = hashPassword(QStringLiteral("zenlo-no-such-operator"));
        verifyHash(dummy, password.isEmpty() ? QStringLiteral(" ") : password);
        return fail(refused);
    }
    if (!verifyHash(hash, password))
        return fail(refused);
    if (disabled)
        return fail(QStringLiteral("操作员") + name + QStringLiteral("已停用"));

    m_loggedIn = true;
    m_code = code;
    m_name = name;
    m_hash = hash;
    m_administrator = admin;

    if (!hash.isEmpty()) {
        const QByteArray h = hash.toLatin1();
        if (zenlo::sodium()->crypto_pwhash_str_needs_rehash(h.constData(), kOpsLimit, kMemLimit) != 0) {
            const QString fresh = hashPassword(password);
            if (!fresh.isEmpty()
                && execute(m_db.data(), QStringLiteral("update sys_operator set pwhash = ? where opcode = ?"),
                           {fresh, m_code}, &error))
                m_hash = fresh;
        }
    }
    if (!execute(m_db.data(), QStringLiteral("update sys_operator set lastlogin = ? where opcode = ?"),
                 {QDateTime::currentDateTime(), m_code}, &error))
        qCDebug(lcSysServices) << "last login not recorded:" << error;
    return true;
}

bool Operator::ChangePassword(const QString &oldPassword, const QString &newPassword)
{
    m_lastError.clear();
    if (!m_loggedIn)
        return fail(QStringLiteral("操作员未登录"));
    if (!m_db || !m_db->isConnected())
        return fail(QStringLiteral("数据库未连接"));
    if (!zenlo::sodiumReady())
        return fail(QStringLiteral("密码组件无法初始化"));

    // The stored hash, not the one read at login: the password may have changed since.
    QString error;
    RecordSetPtr rs = select(m_db.data(), QStringLiteral("select pwhash from sys_operator where opcode = ?"), {m_code},
                             &error);
    if (!rs)
        return fail(QStringLiteral("读取操作员时出错：") + error);
    if (rs->isEOF())
        return fail(QStringLiteral("操作员") + m_name + QStringLiteral("不存在"));
    const QString stored = rs->text(QStringLiteral("pwhash"));
    rs->close();
    if (!verifyHash(stored, oldPassword))
        return fail(QStringLiteral("旧密码不正确"));

    const QString fresh = hashPassword(newPassword);
    if (!newPassword.isEmpty() && fresh.isEmpty())
        return fail(QStringLiteral("无法生成密码散列"));
    if (!execute(m_db.data(), QStringLiteral("update sys_operator set pwhash = ? where opcode = ?"), {fresh, m_code},
                 &error))
        return fail(QStringLiteral("保存新密码时出错：") + error);
    m_hash = fresh;
    return true;
}

bool Operator::Started() { return true; }

void Operator::SignOut() { clearLogin(); }

bool Operator::hasNoPassword(Database *db, const QString &name)
{
    if (!db || !db->isConnected())
        return false;
    QString error;
    RecordSetPtr rs = select(db, QStringLiteral("select pwhash from sys_operator where opname = ? and coalesce(disabled, 0) = 0"), {name}, &error);
    if (!rs || rs->isEOF())
        return false;
    for (; !rs->isEOF(); rs->moveNext())
        if (!rs->text(QStringLiteral("pwhash")).isEmpty())
            return false;
    return true;
}

bool Operator::hasPassword() const { return m_loggedIn && !m_hash.isEmpty(); }

bool Operator::checkPassword(const QString &password) const { return m_loggedIn && verifyHash(m_hash, password); }

bool Operator::IsReady()
{
    if (!m_loggedIn)
        return fail(QStringLiteral("操作员未登录"));
    if (!m_db || !m_db->isConnected())
        return fail(QStringLiteral("数据库未连接"));
    m_lastError.clear();
    return true;
}

bool Operator::createOperator(Database *db, const QString &code, const QString &name, const QString &password,
                              bool administrator, QString *error)
{
    QString reason;
    auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!db || !db->isConnected())
        return refuse(QStringLiteral("数据库未连接"));
    if (code.trimmed().isEmpty())
        return refuse(QStringLiteral("操作员编码不能为空"));
    if (name.trimmed().isEmpty())
        return refuse(QStringLiteral("操作员名称不能为空"));

    // Names identify operators at the login, so two codes may not share one.
    RecordSetPtr rs = select(db, QStringLiteral("select opcode from sys_operator where opname = ? and opcode <> ?"),
                             {name, code}, &reason);
    if (!rs)
        return refuse(QStringLiteral("读取操作员时出错：") + reason);
    if (!rs->isEOF())
        return refuse(QStringLiteral("操作员名称") + name + QStringLiteral("已被使用"));

    const QString hash = hashPassword(password);
    if (!password.isEmpty() && hash.isEmpty())
        return refuse(QStringLiteral("无法生成密码散列"));

    rs = select(db, QStringLiteral("select count(*) from sys_operator where opcode = ?"), {code}, &reason);
    if (!rs)
        return refuse(QStringLiteral("读取操作员时出错：") + reason);
    const bool exists = toNumber(rs->firstValue()) > 0;
    const bool ok = exists
        ? execute(db,
                  QStringLiteral("update sys_operator set opname = ?, pwhash = ?, isadmin = ?, disabled = 0 "
                                 "where opcode = ?"),
                  {name, hash, administrator ? 1 : 0, code}, &reason)
        : execute(db,
                  QStringLiteral("insert into sys_operator (opcode, opname, pwhash, isadmin, disabled) "
                                 "values (?, ?, ?, ?, 0)"),
                  {code, name, hash, administrator ? 1 : 0}, &reason);
    if (!ok)
        return refuse(QStringLiteral("保存操作员时出错：") + reason);
    return true;
}

bool Operator::grantRights(Database *db, const QString &code, int programNumber, quint32 rightsMask, QString *error)
{
    QString reason;
    auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!db || !db->isConnected())
        return refuse(QStringLiteral("数据库未连接"));
    if (code.trimmed().isEmpty())
        return refuse(QStringLiteral("操作员编码不能为空"));
    RecordSetPtr rs = select(db, QStringLiteral("select count(*) from sys_rights where opcode = ? and progid = ?"),
                             {code, programNumber}, &reason);
    if (!rs)
        return refuse(QStringLiteral("读取权限时出错：") + reason);
    // Bit 32 would not fit a signed integer column: the mask travels as its signed 32-bit image.
    const qint32 stored = qint32(rightsMask);
    const bool ok = toNumber(rs->firstValue()) > 0
        ? execute(db, QStringLiteral("update sys_rights set rights = ? where opcode = ? and progid = ?"),
                  {stored, code, programNumber}, &reason)
        : execute(db, QStringLiteral("insert into sys_rights (opcode, progid, rights) values (?, ?, ?)"),
                  {code, programNumber, stored}, &reason);
    if (!ok)
        return refuse(QStringLiteral("保存权限时出错：") + reason);
    return true;
}

QString Operator::hashPassword(const QString &password)
{
    if (password.isEmpty() || !zenlo::sodiumReady())
        return {};
    QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    const int rc = zenlo::sodium()->crypto_pwhash_str_alg(out, utf8.constData(), quint64(utf8.size()), kOpsLimit, kMemLimit,
                                         crypto_pwhash_ALG_ARGON2ID13);
    zenlo::sodium()->sodium_memzero(utf8.data(), size_t(utf8.size()));
    if (rc != 0)
        return {};
    return QString::fromLatin1(out);
}

bool Operator::verifyHash(const QString &hash, const QString &password)
{
    if (hash.isEmpty())
        return password.isEmpty();
    // Anything but an Argon2 hash string (a password stored as plain text, say) never matches.
    if (!hash.startsWith(QLatin1String("$argon2")) || hash.size() >= qsizetype(crypto_pwhash_STRBYTES)
        || !zenlo::sodiumReady())
        return false;
    const QByteArray h = hash.toLatin1();
    QByteArray utf8 = password.toUtf8();
    const bool ok = zenlo::sodium()->crypto_pwhash_str_verify(h.constData(), utf8.constData(), quint64(utf8.size())) == 0;
    zenlo::sodium()->sodium_memzero(utf8.data(), size_t(utf8.size()));
    return ok;
}

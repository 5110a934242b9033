#pragma once
// The system services component: language strings, environment, themes,
// company data, system parameters, accounting periods and rights, over tables
// of its own in the suite's database (see schema.h). One instance per run.
#include "components/errorinfo.h"
#include "platform/zenlo_export.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

class Database;

class ZENLO_CORE_EXPORT Environment : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    QString appFolder() const { return m_appFolder; }
    void setAppFolder(const QString &v) { m_appFolder = v; }
    QString configFile() const { return m_configFile; }
    void setConfigFile(const QString &v) { m_configFile = v; }
    QString caption() const { return m_caption; }
    void setCaption(const QString &v) { m_caption = v; }
    QString tempFolder() const { return m_tempFolder; }
    void setTempFolder(const QString &v) { m_tempFolder = v; }
    QDate operatingDate() const { return m_operatingDate; }
    void setOperatingDate(const QDate &v) { m_operatingDate = v; }
    QString operatorName() const { return m_operatorName; }
    void setOperatorName(const QString &v) { m_operatorName = v; }
    QString operatorCode() const { return m_operatorCode; }
    void setOperatorCode(const QString &v) { m_operatorCode = v; }

private:
    QString m_appFolder, m_configFile, m_caption, m_tempFolder, m_operatorName, m_operatorCode;
    QDate m_operatingDate;
};

// The account set's company record (filled from sysdatabase after the login).
class ZENLO_CORE_EXPORT CompanyInfo
{
public:
    // In the order the company loader fills them; index 8 takes zt_addrg a second time.
    enum Field {
        Account, AddrB, AddrG, AddrR, Attrib, Code, CoName, DatabaseName, AddrG2,
        EAddrR, EName, Fax, Fr, Mail, Phone, Tax, Name, FieldCount
    };
    void set(Field f, const QString &value) { m_values[f] = value; }
    QString get(Field f) const { return m_values[f]; }
    // The company text shown to the operator: the company name, else the account set's name.
    QString text() const;

private:
    QString m_values[FieldCount];
};

struct Parameter {
    bool exists = false;
    QString value;
};

struct Period {
    bool exists = false;
    int current = 0; // the current period number
    QDate start, end;
};

class ZENLO_CORE_EXPORT Rights
{
public:
    Rights() = default;
    explicit Rights(quint32 mask) : m_mask(mask) {}
    // Right n (1-based) of the operator on the program.
    bool right(int n) const { return n >= 1 && n <= 32 && (m_mask >> (n - 1)) & 1u; }
    quint32 mask() const { return m_mask; }

private:
    quint32 m_mask = 0;
};

// Loads themes/<name>/ (a Qt style sheet "style.qss" plus images) and applies it to windows.
class ZENLO_CORE_EXPORT ThemeService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    bool LoadTheme(const QString &name, const QString &folder);
    // Sets the window's style sheet (any QWidget; set as its "styleSheet" property).
    void ApplyTheme(QObject *window) const;
    QString name() const { return m_name; }
    QString folder() const { return m_folder; }
    // Its url(...) references made absolute when first asked for: the login window, shown
    // before any themed window, does not wait for it.
    QString styleSheet() const;

private:
    QString m_name, m_folder;
    mutable QString m_styleSheet;
    mutable bool m_urlsResolved = true;
};

class Operator;

class ZENLO_CORE_EXPORT SystemServices : public QObject
{
    Q_OBJECT
public:
    explicit SystemServices(QObject *parent = nullptr);
    ~SystemServices() override;

    // Binds to the database and to the operator object whose rights it answers for
    // (nullptr: none yet); false when the tables cannot be read.
    bool Init(Database *db, Operator *op, int flag = 0);
    ErrorInfo LastError() const { return m_lastError; }
    Database *database() const;

    CompanyInfo &companyInfo() { return m_company; }
    // The logged-in operator's rights on a program number.
    Rights rights(int programNumber) const;
    Parameter parameter(int systemNumber, const QString &name) const;
    Parameter parameterByNumber(int systemNumber, int number) const;
    QString systemCode(int systemNumber) const;
    Period accountPeriod(const QString &systemCode, int flag = 0) const;
    Environment *environment() { return &m_environment; }
    // The translation stored for the path (case-insensitive), else the default.
    QString GetString(const QString &family, const QString &path, const QString &defaultText) const;
    ThemeService *themeService() { return &m_theme; }
    void SignOff(const QString &text);
    void Close(int flag);

    // Every operator name, in code order (the users object of the login window).
    QStringList operatorNames() const;

private:
    bool loadStrings(const QString &family) const;

    QPointer<Database> m_db; // guarded: the log-out releases the database before this object
    QPointer<Operator> m_operator; // guarded likewise
    ErrorInfo m_lastError;
    CompanyInfo m_company;
    Environment m_environment;
    ThemeService m_theme;
    mutable QHash<QString, QString> m_strings; // folded family + '\x1f' + folded path -> text
    mutable QSet<QString> m_loadedFamilies;    // folded family names already read into m_strings
};

// The logged-in operator. One instance per run; the system services object
// binds it to the database when it is initialised.
class ZENLO_CORE_EXPORT Operator : public QObject
{
    Q_OBJECT
public:
    explicit Operator(QObject *parent = nullptr);
    ~Operator() override;
    void attach(Database *db);

    QString name() const { return m_name; }
    void setName(const QString &name);
    QString code() const { return m_code; }
    // Checks the password of the operator named before; on success the operator is logged in.
    bool VerifyPassword(const QString &password);
    bool LoggedIn() const { return m_loggedIn; }
    ErrorInfo LastError() const { return m_lastError; }
    // Stores a new password after checking the old one; false with the reason as last error.
    bool ChangePassword(const QString &oldPassword, const QString &newPassword);
    bool Started();
    void SignOut();
    // Whether the logged-in operator has a password at all (an operator without one types none).
    bool hasPassword() const;
    // Checks a typed password against the logged-in operator's without changing any state.
    bool checkPassword(const QString &password) const;
    bool IsReady();
    // Administrators have every right on every program.
    bool isAdministrator() const { return m_loggedIn && m_administrator; }

    // Administration (demo data, tools): creates or replaces an operator.
    static bool createOperator(Database *db, const QString &code, const QString &name, const QString &password,
                               bool administrator, QString *error = nullptr);
    static bool grantRights(Database *db, const QString &code, int programNumber, quint32 rightsMask, QString *error = nullptr);
    // Argon2id hash of a password; "" for an empty password (no password).
    static QString hashPassword(const QString &password);
    // Whether an operator of that name exists and has no password (the demo's admin at first).
    static bool hasNoPassword(Database *db, const QString &name);
    static bool verifyHash(const QString &hash, const QString &password);

private:
    void clearLogin();
    bool fail(const QString &reason);

    QPointer<Database> m_db;
    QString m_name;
    QString m_code;
    QString m_hash;
    bool m_loggedIn = false;
    bool m_administrator = false;
    ErrorInfo m_lastError;
};

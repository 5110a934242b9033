// Placeholder bodies: the system services component is being written.
#include "components/sysservices.h"

QString CompanyInfo::text() const { return m_values[CoName]; }
bool ThemeService::LoadTheme(const QString &, const QString &) { return false; }
void ThemeService::ApplyTheme(QObject *) const {}

SystemServices::SystemServices(QObject *parent) : QObject(parent) {}
SystemServices::~SystemServices() = default;
bool SystemServices::Init(Database *, int) { return false; }
Rights SystemServices::rights(int) const { return {}; }
Parameter SystemServices::parameter(int, const QString &) const { return {}; }
Parameter SystemServices::parameterByNumber(int, int) const { return {}; }
QString SystemServices::systemCode(int) const { return {}; }
Period SystemServices::accountPeriod(const QString &, int) const { return {}; }
QString SystemServices::GetString(const QString &, const QString &, const QString &d) const { return d; }
void SystemServices::SignOff(const QString &) {}
void SystemServices::Close(int) {}
QStringList SystemServices::operatorNames() const { return {}; }

static Operator *g_current = nullptr;
Operator::Operator(QObject *parent) : QObject(parent) { g_current = this; }
Operator::~Operator() { if (g_current == this) g_current = nullptr; }
Operator *Operator::current() { return g_current; }
void Operator::attach(Database *db) { m_db = db; }
void Operator::setName(const QString &n) { m_name = n; }
bool Operator::VerifyPassword(const QString &) { return false; }
bool Operator::ChangePassword(const QString &, const QString &) { return false; }
bool Operator::Started() { return false; }
void Operator::SignOut() {}
bool Operator::hasPassword() const { return false; }
bool Operator::checkPassword(const QString &) const { return false; }
bool Operator::IsReady() { return false; }
bool Operator::createOperator(Database *, const QString &, const QString &, const QString &, bool, QString *) { return false; }
bool Operator::grantRights(Database *, const QString &, int, quint32, QString *) { return false; }
QString Operator::hashPassword(const QString &) { return {}; }
bool Operator::verifyHash(const QString &, const QString &) { return false; }

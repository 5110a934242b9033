// Placeholder bodies: the database access component is being written.
#include "components/database.h"

RecordSet::RecordSet() : m_open(false) {}
RecordSet::RecordSet(QStringList f, std::vector<QVariantList> r) : m_fields(std::move(f)), m_rows(std::move(r)) {}
bool RecordSet::isEOF() const { return m_pos >= int(m_rows.size()); }
bool RecordSet::isBOF() const { return m_rows.empty(); }
QString RecordSet::fieldName(int i) const { return m_fields.value(i); }
int RecordSet::fieldIndex(const QString &) const { return -1; }
QVariant RecordSet::field(const QString &) const { return {}; }
QVariant RecordSet::value(int) const { return {}; }
QString RecordSet::text(const QString &) const { return {}; }
void RecordSet::moveNext() { ++m_pos; }
void RecordSet::moveFirst() { m_pos = 0; }
void RecordSet::close() { m_open = false; }
QVariant RecordSet::firstValue() const { return {}; }

struct Database::Private {};
Database::Database(QObject *parent) : QObject(parent), d(std::make_unique<Private>()) {}
Database::~Database() = default;
bool Database::Init(const QString &, bool) { return false; }
bool Database::Init(const ConnectionSettings &) { return false; }
bool Database::Connect() { return false; }
bool Database::isConnected() const { return false; }
void Database::Close() {}
RecordSetPtr Database::OpenRecordset(const QString &, int) { return std::make_shared<RecordSet>(); }
QString Database::TranslateFunction(const QString &f) const { return f; }
QMap<QString, QString> Database::ConnectionProperties() const { return {}; }
SqlDialect Database::dialect() const { return SqlDialect::SQLite; }
RecordSetPtr Database::query(const QString &, const QVariantList &) { return std::make_shared<RecordSet>(); }
bool Database::exec(const QString &, const QVariantList &, int *) { return false; }
bool Database::transaction() { return false; }
bool Database::commit() { return false; }
bool Database::rollback() { return false; }
QString Database::translateSql(const QString &t, SqlDialect) { return t; }
bool Database::readSettings(const QString &, ConnectionSettings *, QString *) { return false; }

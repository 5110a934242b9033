#pragma once
// Plug-ins of the plug-in list for administrators.
//  DbBackup: a consistent copy of the account set's database into the folder
//    chosen in Configure (kept in the per-user settings, section "plugins",
//    key "backupfolder"). SQLite through its online backup, so a database in
//    use is copied as one state; PostgreSQL through pg_dump when it is on the path.
//  OpLogExport: the operation records (sys_oplog) as a CSV file in the folder
//    chosen in Configure (key "oplogfolder").
// Both tell the operator the outcome through the message writer and keep a
// failure as their last error.
#include "core/contracts.h"

#include <QDateTime>
#include <QObject>

class Database;
struct ConnectionSettings;

namespace zenlotools {

// Copies the SQLite database file source into folder as
// "<name>-yyyyMMdd-HHmmss.db"; the file appears only once it is complete.
bool backupSqlite(const QString &source, const QString &folder, const QDateTime &at, QString *file, QString *error);
// pg_dump of the configured PostgreSQL database into folder ("<database>-yyyyMMdd-HHmmss.dump", custom format).
bool backupPostgres(const ConnectionSettings &settings, const QString &folder, const QDateTime &at, QString *file,
                    QString *error);
// The operation records in time order into folder as "oplog-yyyyMMdd-HHmmss.csv" (UTF-8 with byte-order mark).
bool exportOpLog(Database &db, const QString &folder, const QDateTime &at, QString *file, int *rows, QString *error);
// One CSV field: quoted when it holds a comma, quote or line break; a leading
// "=", "+", "-" or "@" is kept as text so a spreadsheet does not run it.
QString csvField(const QString &text);

class ToolPlugin : public QObject, public _IExtPluginUI
{
    Q_OBJECT
    Q_INTERFACES(_IExtPluginUI)
public:
    bool Init(SystemServices *&sys) override;
    QVariant Terminate() override;
    QVariant Configure() override;
    IPluginParameters *Parameters() override { return &m_parameters; }
    QVariant Reserved() override { return QVariant(); }
    ErrorInfo LastError() const override { return m_error; }
    QString Vendor() const override { return QStringLiteral("Zenlo软件"); }

protected:
    virtual QString settingKey() const = 0;
    virtual QString dialogTitle() const = 0;
    QString folder() const;
    void fail(const QString &text);
    void done(const QString &text);

    SystemServices *m_sys = nullptr;
    ErrorInfo m_error;
    PluginParameters m_parameters;
};

class DbBackup : public ToolPlugin
{
    Q_OBJECT
public:
    QVariant Run(QString &text) override;
    QString Description() const override;
    QString Caption() const override { return QStringLiteral("数据库备份"); }

protected:
    QString settingKey() const override { return QStringLiteral("backupfolder"); }
    QString dialogTitle() const override { return QStringLiteral("选择数据库备份文件夹"); }
};

class OpLogExport : public ToolPlugin
{
    Q_OBJECT
public:
    QVariant Run(QString &text) override;
    QString Description() const override;
    QString Caption() const override { return QStringLiteral("导出操作日志"); }

protected:
    QString settingKey() const override { return QStringLiteral("oplogfolder"); }
    QString dialogTitle() const override { return QStringLiteral("选择操作日志的导出文件夹"); }
};

} // namespace zenlotools

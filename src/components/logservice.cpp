#include "components/logservice.h"

#include "components/database.h"
#include "components/textencoder.h"
#include "components/xmldocument.h"
#include "platform/appinfo.h"
#include "platform/uiservice.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QPointer>
#include <QStandardPaths>

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>

Q_LOGGING_CATEGORY(lcLog, "zenlo.log")

namespace {

QString levelName(int level)
{
    switch (level) {
    case 1: return QStringLiteral("trace");
    case 2: return QStringLiteral("notice");
    case 4: return QStringLiteral("warning");
    case 8: return QStringLiteral("error");
    case 48: return QStringLiteral("operation");
    default: return QStringLiteral("level%1").arg(level);
    }
}

QString expandLogFolder(QString folder)
{
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    folder.replace(QStringLiteral("%app.path%"), appinfo::programFolder(), Qt::CaseInsensitive);
    if (!QDir::isAbsolutePath(folder))
        folder = appinfo::programFolder() + QLatin1Char('/') + folder;
    return QDir::cleanPath(folder);
}

} // namespace

bool LogConfig::load(const QString &configFile)
{
    XmlDocument doc;
    if (!doc.load(configFile)) {
        m_lastError = doc.lastError();
        return false;
    }
    return read(doc);
}

bool LogConfig::load(QIODevice *device)
{
    XmlDocument doc;
    if (!doc.loadDevice(device)) {
        m_lastError = doc.lastError();
        return false;
    }
    return read(doc);
}

bool LogConfig::loadData(const QByteArray &bytes)
{
    XmlDocument doc;
    if (!doc.loadData(bytes)) {
        m_lastError = doc.lastError();
        return false;
    }
    return read(doc);
}

bool LogConfig::read(const XmlDocument &doc)
{
    m_lastError.clear();
    const QString node = QStringLiteral("/configuration/log");
    if (const auto f = doc.attribute(node, QStringLiteral("folder")); f && !f->trimmed().isEmpty())
        m_folder = f->trimmed();
    if (const auto s = doc.attribute(node, QStringLiteral("maxsize"))) {
        bool ok = false;
        const qint64 v = s->trimmed().toLongLong(&ok);
        if (ok && v >= 4096)
            m_maxSize = v;
    }
    if (const auto n = doc.attribute(node, QStringLiteral("maxfiles"))) {
        bool ok = false;
        const int v = n->trimmed().toInt(&ok);
        if (ok && v >= 1 && v <= 100)
            m_maxFiles = v;
    }
    return true;
}

QString LogConfig::folder() const
{
    return expandLogFolder(m_folder.isEmpty() ? QStringLiteral("%app.path%/log") : m_folder);
}

struct LogService::Private {
    QMutex mutex;
    std::shared_ptr<spdlog::logger> logger;
    QString file;
    QList<QPair<QDateTime, LogEntry>> pending; // written before the file is open
    QPointer<Database> db;
    bool storing = false;

    void writeLine(const QDateTime &at, const LogEntry &e)
    {
        const QString line = QStringLiteral("%1 [%2] %3: %4")
                                 .arg(at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), levelName(e.level), e.source,
                                      LogService::oneLine(e.message));
        const QByteArray utf8 = line.toUtf8();
        logger->log(spdlog::level::info, std::string_view(utf8.constData(), size_t(utf8.size())));
    }
};

QString LogService::oneLine(const QString &message)
{
    // A message box's paragraphs ("...\r\n\r\n程序继续运行！") are one entry: one line of the file,
    // the paragraphs joined by a blank, nothing of them written as escapes.
    QStringList parts;
    for (const QString &part : message.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
        if (const QString t = part.trimmed(); !t.isEmpty())
            parts << t;
    return parts.join(QLatin1Char(' '));
}

LogService::LogService() : d(std::make_unique<Private>()) {}
LogService::~LogService()
{
    // The process is ending: nothing may be presented any more.
    if (d->logger)
        d->logger->flush();
}

LogService &LogService::instance()
{
    static LogService s;
    return s;
}

// Where the log goes when the configured folder cannot take it (a program
// folder that belongs to root, a folder name that is a file): the user's state folder.
QString LogService::fallbackFolder()
{
#ifdef Q_OS_WIN
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/log");
#else
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/zenlo/log");
#endif
}

namespace {

// Why a folder cannot hold the log file, or "" when it can.
QString unusableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("这是一个文件，不是文件夹");
    if (!info.exists() && !QDir().mkpath(folder))
        return QStringLiteral("文件夹不能创建");
    const QFileInfo file(folder + QStringLiteral("/zenlo.log"));
    if (file.exists() ? !file.isWritable() || file.isDir() : !QFileInfo(folder).isWritable())
        return QStringLiteral("没有写入权限");
    return QString();
}

std::shared_ptr<spdlog::logger> openLog(const QString &file, const LogConfig &config, QString *error)
{
    try {
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(QFile::encodeName(file).toStdString(),
                                                                           size_t(config.maxSize()), size_t(config.maxFiles()));
        auto logger = std::make_shared<spdlog::logger>("zenlo", sink);
        logger->set_pattern("%v");
        logger->flush_on(spdlog::level::info);
        return logger;
    } catch (const std::exception &e) {
        *error = QString::fromLocal8Bit(e.what());
        return nullptr;
    }
}

} // namespace

bool LogService::Init(QObject *, LogConfig *config)
{
    LogConfig defaults;
    if (!config) {
        if (!m_configFile.isEmpty())
            defaults.load(m_configFile);
        config = &defaults;
    }
    QMutexLocker lock(&d->mutex);
    const QString folder = config->folder();
    QString why = unusableFolder(folder);
    QString file = folder + QStringLiteral("/zenlo.log");
    if (why.isEmpty()) {
        d->logger = openLog(file, *config, &why);
    } else {
        d->logger.reset();
    }
    QString notice;
    if (!d->logger) {
        const QString fallback = fallbackFolder();
        const QString fallbackWhy = unusableFolder(fallback);
        const QString fallbackFile = fallback + QStringLiteral("/zenlo.log");
        QString openWhy;
        if (fallbackWhy.isEmpty())
            d->logger = openLog(fallbackFile, *config, &openWhy);
        if (!d->logger) {
            qCWarning(lcLog) << "cannot open the log file" << file << why << "nor" << fallbackFile << fallbackWhy << openWhy;
            d->file.clear();
            return false;
        }
        notice = QStringLiteral("日志文件夹 %1 不能使用（%2），日志改写到 %3").arg(QDir::toNativeSeparators(folder), why,
                                                                          QDir::toNativeSeparators(fallback));
        file = fallbackFile;
    }
    d->file = file;
    if (!notice.isEmpty())
        d->writeLine(QDateTime::currentDateTime(), {QStringLiteral("Zenlo软件"), 1, notice});
    for (const auto &p : std::as_const(d->pending))
        d->writeLine(p.first, p.second);
    d->pending.clear();
    return true;
}

bool LogService::isInitialised() const { return d->logger != nullptr; }
QString LogService::logFile() const { return d->file; }

void LogService::Write(const LogEntry &entry, int flag)
{
    const QDateTime now = QDateTime::currentDateTime();
    Database *db = nullptr;
    {
        QMutexLocker lock(&d->mutex);
        if (d->logger)
            d->writeLine(now, entry);
        else if (d->pending.size() < 10000)
            d->pending.append({now, entry});
        if (entry.level == 48 && !d->storing)
            db = d->db.data();
    }
    if (db && db->isConnected()) {
        int progId = 0;
        QString user, message;
        if (parseOperationRecord(entry.message, &progId, &user, &message)) {
            d->storing = true;
            const bool ok = db->exec(QStringLiteral("insert into sys_oplog(logtime, opname, progid, message) values(?, ?, ?, ?)"),
                                     {now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), user, progId, message});
            d->storing = false;
            if (!ok) {
                QMutexLocker lock(&d->mutex);
                if (d->logger)
                    d->writeLine(now, {entry.source, 1, QStringLiteral("操作记录未能写入数据库: ") + db->LastError().description});
            }
        }
    }
    if ((entry.level == 2 || entry.level == 4 || entry.level == 8) && !(flag & LogOnly))
        ui::service().presentMessage(entry.level, entry.source, entry.message);
}

void LogService::attachDatabase(Database *db)
{
    QMutexLocker lock(&d->mutex);
    d->db = db;
}

void LogService::detachDatabase(Database *db)
{
    QMutexLocker lock(&d->mutex);
    if (!db || d->db == db)
        d->db = nullptr;
}

void LogService::flush()
{
    QMutexLocker lock(&d->mutex);
    if (d->logger)
        d->logger->flush();
}

void LogService::shutdown()
{
    QMutexLocker lock(&d->mutex);
    if (d->logger)
        d->logger->flush();
    d->logger.reset();
    d->file.clear();
    d->db = nullptr;
}

bool LogService::parseOperationRecord(const QString &record, int *progId, QString *user, QString *message)
{
    XmlDocument doc;
    if (!doc.loadData(record.toUtf8()))
        return false;
    const auto p = doc.value(QStringLiteral("/log/progid"));
    const auto u = doc.value(QStringLiteral("/log/user"));
    const auto m = doc.value(QStringLiteral("/log/message"));
    if (!p || !u || !m)
        return false;
    bool ok = false;
    const int id = p->trimmed().toInt(&ok);
    if (!ok)
        return false;
    if (progId)
        *progId = id;
    if (user)
        *user = TextEncoder::DecodeEscapes(*u);
    if (message)
        *message = TextEncoder::DecodeEscapes(*m);
    return true;
}

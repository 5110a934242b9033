#include "components/database.h"
#include "components/logservice.h"
#include "components/schema.h"
#include "components/textencoder.h"

#include <QBuffer>
#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

class tst_LogService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void presentation_data();
    void presentation();
    void entriesBeforeInit();
    void encoding_data();
    void encoding();
    void operationRecordsStored();
    void rotation();
    void configNode_data();
    void configNode();
    void unusableFolderFallsBack_data();
    void unusableFolderFallsBack();
    void configFromBytesAndDevice();
    void messageOfParagraphsIsOneLine();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<testsupport::RecordingUi> m_ui;
};

void tst_LogService::init()
{
    m_ui = std::make_unique<testsupport::RecordingUi>();
    LogService::instance().shutdown();
}

void tst_LogService::cleanup()
{
    LogService::instance().shutdown();
    m_ui.reset();
}

// Levels 2, 4 and 8 reach the operator at once, each with its own severity;
// traces and operation records do not.
void tst_LogService::presentation_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("presented");
    QTest::newRow("trace") << 1 << false;
    QTest::newRow("notice") << 2 << true;
    QTest::newRow("warning") << 4 << true;
    QTest::newRow("error") << 8 << true;
    QTest::newRow("operation record") << 48 << false;
}

void tst_LogService::presentation()
{
    QFETCH(int, level);
    QFETCH(bool, presented);
    LogConfig cfg;
    cfg.setFolder(m_dir.filePath("presentation"));
    QVERIFY(LogService::instance().Init(nullptr, &cfg));
    LogService::instance().Write({QStringLiteral("源"), level, QStringLiteral("文本")});
    QCOMPARE(m_ui->messages.size(), presented ? 1 : 0);
    if (presented) {
        QCOMPARE(m_ui->messages.first().level, level);
        QCOMPARE(m_ui->messages.first().source, QString::fromUtf8("源"));
        QCOMPARE(m_ui->messages.first().text, QString::fromUtf8("文本"));
    }
    LogService::instance().flush();
    const QString file = QString::fromUtf8(testsupport::readFile(LogService::instance().logFile()));
    QVERIFY(file.contains(QString::fromUtf8("源: 文本")));
}

void tst_LogService::entriesBeforeInit()
{
    LogService::instance().Write({"early", 1, "before the file is open"});
    LogConfig cfg;
    cfg.setFolder(m_dir.filePath("early"));
    QVERIFY(LogService::instance().Init(nullptr, &cfg));
    LogService::instance().flush();
    QVERIFY(testsupport::readFile(m_dir.filePath("early/zenlo.log")).contains("early: before the file is open"));
}

void tst_LogService::encoding_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("message");
    QTest::newRow("plain") << "admin" << QString::fromUtf8("修改当用户密码");
    QTest::newRow("markup in both") << "<b>&amp;" << "</message></log><x>";
    QTest::newRow("quotes and apostrophes") << "o'brien \"x\"" << "a'b\"c";
    QTest::newRow("control characters") << QString("a\x01" "b") << QString("line1\nline2\tend\x1f");
    QTest::newRow("backslashes") << "dom\\user" << "C:\\temp\\u0041";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("emoji") << QString::fromUtf8("李😀") << QString::fromUtf8("退出[😀]");
}

// A record stays well-formed XML and gives back exactly what went in.
void tst_LogService::encoding()
{
    QFETCH(QString, user);
    QFETCH(QString, message);
    const QString record = QStringLiteral("<log><progid>1024</progid><user>") + TextEncoder::Encode(user)
        + QStringLiteral("</user><message>") + TextEncoder::Encode(message) + QStringLiteral("</message></log>");
    QVERIFY(!record.contains(QLatin1Char('\n')));
    int id = 0;
    QString u, m;
    QVERIFY2(LogService::parseOperationRecord(record, &id, &u, &m), qPrintable(record));
    QCOMPARE(id, 1024);
    QCOMPARE(u, user);
    QCOMPARE(m, message);
}

void tst_LogService::operationRecordsStored()
{
    Database db;
    ConnectionSettings s;
    s.driver = QStringLiteral("sqlite");
    s.database = m_dir.filePath("oplog.db");
    s.createIfMissing = true;
    QVERIFY(db.Init(s) && db.Connect());
    QString error;
    QVERIFY2(schema::create(db, &error), qPrintable(error));
    LogConfig cfg;
    cfg.setFolder(m_dir.filePath("oplog"));
    QVERIFY(LogService::instance().Init(nullptr, &cfg));
    LogService::instance().attachDatabase(&db);
    const QString record = QStringLiteral("<log><progid>7</progid><user>") + TextEncoder::Encode("o'neil")
        + QStringLiteral("</user><message>") + TextEncoder::Encode(QString::fromUtf8("退出[修改密码]")) + QStringLiteral("</message></log>");
    LogService::instance().Write({"src", 48, record});
    LogService::instance().Write({"src", 4, "a warning is not an operation"});
    LogService::instance().Write({"src", 48, "<log>not a record"});
    LogService::instance().detachDatabase(&db);
    LogService::instance().Write({"src", 48, record}); // after the detach: the file only
    RecordSetPtr rs = db.OpenRecordset("select logtime, opname, progid, message from sys_oplog");
    QCOMPARE(rs->recordCount(), 1);
    QCOMPARE(rs->text("opname"), QStringLiteral("o'neil"));
    QCOMPARE(rs->field("progid").toInt(), 7);
    QCOMPARE(rs->text("message"), QString::fromUtf8("退出[修改密码]"));
    QVERIFY(!rs->text("logtime").isEmpty());
}

void tst_LogService::rotation()
{
    LogConfig cfg;
    cfg.setFolder(m_dir.filePath("rotate"));
    cfg.setMaxSize(8192);
    cfg.setMaxFiles(2);
    QVERIFY(LogService::instance().Init(nullptr, &cfg));
    for (int i = 0; i < 400; ++i)
        LogService::instance().Write({"rot", 1, QStringLiteral("entry %1 ").arg(i) + QString(60, QLatin1Char('x'))});
    LogService::instance().flush();
    const QStringList files = QDir(m_dir.filePath("rotate")).entryList(QDir::Files);
    QCOMPARE(files.size(), 3); // the current file and two older ones
    for (const QString &f : files)
        QVERIFY(QFileInfo(m_dir.filePath("rotate/" + f)).size() <= 8192 + 200);
    QVERIFY(testsupport::readFile(m_dir.filePath("rotate/zenlo.log")).contains("entry 399"));
}

void tst_LogService::configNode_data()
{
    QTest::addColumn<QByteArray>("node");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("files");
    QTest::newRow("absent: defaults") << QByteArray() << qint64(5 * 1024 * 1024) << 5;
    QTest::newRow("values") << QByteArray("<log maxsize=\"100000\" maxfiles=\"3\"/>") << qint64(100000) << 3;
    QTest::newRow("nonsense keeps defaults") << QByteArray("<log maxsize=\"abc\" maxfiles=\"-4\"/>") << qint64(5 * 1024 * 1024) << 5;
    QTest::newRow("too small a size keeps the default") << QByteArray("<log maxsize=\"10\"/>") << qint64(5 * 1024 * 1024) << 5;
}

void tst_LogService::configNode()
{
    QFETCH(QByteArray, node);
    QFETCH(qint64, size);
    QFETCH(int, files);
    const QString path = m_dir.filePath("log.config");
    QVERIFY(testsupport::writeFile(path, "<configuration><system/>" + node + "</configuration>"));
    LogConfig cfg;
    QVERIFY(cfg.load(path));
    QCOMPARE(cfg.maxSize(), size);
    QCOMPARE(cfg.maxFiles(), files);
    QVERIFY(QDir::isAbsolutePath(cfg.folder()));
}

// The configured folder cannot take the log: the user's state folder does, and the
// log's first line says why; nothing written before is lost.
void tst_LogService::unusableFolderFallsBack_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a file of that name") << "file" << "这是一个文件，不是文件夹";
    QTest::newRow("below a file") << "below file" << "文件夹不能创建";
}

void tst_LogService::unusableFolderFallsBack()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    const auto restore = qScopeGuard([] { qunsetenv("XDG_STATE_HOME"); });
    const QString file = m_dir.filePath(QStringLiteral("logfile-%1").arg(QTest::currentDataTag()).replace(u' ', u'_'));
    QVERIFY(testsupport::writeFile(file, "an operator's notes"));
    LogConfig cfg;
    cfg.setFolder(kind == QLatin1String("file") ? file : file + QStringLiteral("/log"));
    LogService::instance().Write({"early", 1, "written before the log was open"});
    QVERIFY(LogService::instance().Init(nullptr, &cfg));
    QCOMPARE(LogService::instance().logFile(), state.path() + QStringLiteral("/zenlo/log/zenlo.log"));
    LogService::instance().Write({"later", 1, "written after"});
    LogService::instance().flush();
    const QStringList lines = QString::fromUtf8(testsupport::readFile(LogService::instance().logFile())).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(0).contains(QDir::toNativeSeparators(cfg.folder())) && lines.at(0).contains(reason)
                 && lines.at(0).contains(state.path() + QStringLiteral("/zenlo/log")),
             qPrintable(lines.at(0)));
    QVERIFY(lines.at(1).contains(QLatin1String("written before the log was open")));
    QVERIFY(lines.at(2).contains(QLatin1String("written after")));
    QCOMPARE(testsupport::readFile(file), QByteArray("an operator's notes"));
    QVERIFY(m_ui->messages.isEmpty());
}

void tst_LogService::configFromBytesAndDevice()
{
    const QByteArray bytes = "<?xml version=\"1.0\" encoding=\"gbk\"?><configuration>"
                             "<log folder=\"/var/log/\xC8\xD5\xD6\xBE\" maxsize=\"100000\" maxfiles=\"3\"/></configuration>";
    LogConfig fromBytes;
    QVERIFY(fromBytes.loadData(bytes));
    QCOMPARE(fromBytes.folder(), QString::fromUtf8("/var/log/日志"));
    QCOMPARE(fromBytes.maxSize(), qint64(100000));
    QCOMPARE(fromBytes.maxFiles(), 3);
    QByteArray copy = bytes;
    QBuffer device(&copy);
    QVERIFY(device.open(QIODevice::ReadOnly));
    LogConfig fromDevice;
    QVERIFY(fromDevice.load(&device));
    QCOMPARE(fromDevice.folder(), fromBytes.folder());
    LogConfig broken;
    QVERIFY(!broken.loadData("<?xml version=\"1.0\" encoding=\"gb9999\"?><configuration/>"));
    QVERIFY2(broken.lastError().contains(QLatin1String("gb9999")), qPrintable(broken.lastError()));
    QCOMPARE(broken.maxFiles(), 5);
}

// A warning of a message box ("text" CR LF CR LF "程序继续运行！") is one line
// of the file, without escapes or carriage returns.
void tst_LogService::messageOfParagraphsIsOneLine()
{
    LogConfig cfg;
    cfg.setFolder(m_dir.filePath("lines"));
    QVERIFY(LogService::instance().Init(nullptr, &cfg));
    LogService::instance().Write({QStringLiteral("源"), 1, QStringLiteral("插件出错\r\n\r\n程序继续运行！")});
    LogService::instance().Write({QStringLiteral("源"), 1, QStringLiteral(" 第一行 \n\n 第二行\n")});
    LogService::instance().flush();
    const QString file = QString::fromUtf8(testsupport::readFile(LogService::instance().logFile()));
    QVERIFY2(file.contains(QStringLiteral("源: 插件出错 程序继续运行！\n")), qPrintable(file));
    QVERIFY2(file.contains(QStringLiteral("源: 第一行 第二行\n")), qPrintable(file));
    QVERIFY(!file.contains(QLatin1Char('\r')));
    QVERIFY(!file.contains(QStringLiteral("\\n")));
    QCOMPARE(file.count(QLatin1Char('\n')), 2);
}

QTEST_GUILESS_MAIN(tst_LogService)
#include "tst_logservice.moc"

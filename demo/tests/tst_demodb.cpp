// The demo account set as a newcomer gets it: every navigation item and menu
// button has a stored icon the loaders can turn into a picture, archived or
// plain, and "zenlo-admin db init-demo" never spoils or half-writes a file.
#include "components/archive.h"
#include "components/database.h"
#include "components/sysservices.h"
#include "demo/demodb.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

using Run = testsupport::ProgramRun;

QStringList listing(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class tst_DemoDb : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void menuIcon_data();
    void menuIcon();
    void iconFileNamesAreUnique();
    void iconRowsBelongToMenuEntries();
    void bothStorageKindsAreUsed();
    void initDemoCreates();
    void initDemoRefuses_data();
    void initDemoRefuses();
    void themePicture_data();
    void themePicture();
    void themeStyleSheetLoads();
    void configuredHelpFileIsInstalled();

private:
    Run admin(const QStringList &args, bool asOrdinaryUser = false);
    RecordSetPtr query(const QString &sql, const QVariantList &params = {});

    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_db;
};

void tst_DemoDb::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString file = m_dir.filePath(QStringLiteral("demo.db"));
    QString error;
    QVERIFY2(demo::create(file, &error), qPrintable(error));
    m_db = std::make_unique<Database>();
    ConnectionSettings s;
    s.driver = QStringLiteral("sqlite");
    s.database = file;
    QVERIFY(m_db->Init(s));
    QVERIFY2(m_db->Connect(), qPrintable(m_db->LastError().description));
}

void tst_DemoDb::cleanupTestCase()
{
    if (m_db)
        m_db->Close();
    m_db.reset();
}

RecordSetPtr tst_DemoDb::query(const QString &sql, const QVariantList &params)
{
    RecordSetPtr rs = params.isEmpty() ? m_db->OpenRecordset(sql) : m_db->query(sql, params);
    if (!rs)
        qWarning("%s: %s", qPrintable(sql), qPrintable(m_db->LastError().description));
    return rs;
}

Run tst_DemoDb::admin(const QStringList &args, bool asOrdinaryUser)
{
    if (asOrdinaryUser) {
        // An operator's own home, so nothing of root's is touched.
        const QString home = m_dir.filePath(QStringLiteral("operator-home"));
        QDir().mkpath(home);
        testsupport::ordinaryUser::giveFolder(home);
        const auto r = testsupport::ordinaryUser::run(
            QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"), args,
            {QStringLiteral("HOME=") + home, QStringLiteral("ZENLO_REGISTRY_DIR=") + home + QStringLiteral("/registry"),
             QStringLiteral("PATH=/usr/bin:/bin"), QStringLiteral("LANG=C.UTF-8")});
        return {r.exitCode, r.out, r.err};
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), m_dir.filePath(QStringLiteral("registry")));
    p.setProcessEnvironment(env);
    return testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"), args, 120000);
}

// The entries that show a picture: the navigation items (first-level entries)
// and the catalogs' buttons (first-level entries and grouping entries with children).
void tst_DemoDb::menuIcon_data()
{
    QTest::addColumn<QString>("code");
    const RecordSetPtr rs = query(QStringLiteral(
        "select menucode, menuname from xt_menu where menulevel=1 or (menuismx=0 and menucode in (select parent from xt_menu))"
        " order by menucode"));
    QVERIFY(rs);
    QVERIFY(rs->recordCount() > 0);
    for (; !rs->isEOF(); rs->moveNext()) {
        const QString code = rs->text(QStringLiteral("menucode")).trimmed();
        QTest::newRow(qPrintable(code + QLatin1Char(' ') + rs->text(QStringLiteral("menuname")))) << code;
    }
}

void tst_DemoDb::menuIcon()
{
    QFETCH(QString, code);
    const RecordSetPtr rs = query(
        QStringLiteral("select filename, iscompress, contents, filesize from xt_menuPilot where type=1 and menuCode=?"), {code});
    QVERIFY(rs);
    QCOMPARE(rs->recordCount(), 1);
    const QString filename = rs->text(QStringLiteral("filename"));
    const QByteArray contents = rs->field(QStringLiteral("contents")).toByteArray();
    const qint64 filesize = rs->field(QStringLiteral("filesize")).toLongLong();
    QVERIFY(!filename.isEmpty());
    QVERIFY2(!filename.contains(QLatin1Char('/')) && !filename.contains(QLatin1Char('\\')), qPrintable(filename));
    QVERIFY(!contents.isEmpty());

    QImage image;
    QByteArray picture;
    if (rs->field(QStringLiteral("iscompress")).toInt() == 1) {
        // As the icon loader does it: the field to a file, extracted into the icon folder.
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString archive = work.filePath(QStringLiteral("tmp0001.tmp"));
        QFile f(archive);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(contents), contents.size());
        f.close();
        const QString iconFolder = work.filePath(QStringLiteral("icon"));
        zLibControl zip;
        QVERIFY2(zip.Extract(archive, iconFolder, false, true, false, true, false, true), qPrintable(zip.lastError()));
        QCOMPARE(zip.extractedFiles(), QStringList{filename});
        QFile extracted(iconFolder + QLatin1Char('/') + filename);
        QVERIFY2(extracted.open(QIODevice::ReadOnly), qPrintable(extracted.fileName()));
        picture = extracted.readAll();
        image.load(extracted.fileName());
    } else {
        picture = contents;
        image.loadFromData(contents);
    }
    QVERIFY2(!image.isNull(), qPrintable(filename));
    QCOMPARE(qint64(picture.size()), filesize);
    QCOMPARE(image.width(), image.height());
    QVERIFY(image.width() == 32 || image.width() == 48);
    QVERIFY(image.hasAlphaChannel());
}

// The loaders keep icons in one cache folder under their file names and never
// fetch a cached name again, so two rows sharing a name would show one picture
// for both (on Windows names compare without regard to case).
void tst_DemoDb::iconFileNamesAreUnique()
{
    const RecordSetPtr rs = query(QStringLiteral("select menuCode, filename from xt_menuPilot where type=1"));
    QVERIFY(rs);
    QVERIFY(rs->recordCount() > 0);
    QSet<QString> seen;
    for (; !rs->isEOF(); rs->moveNext()) {
        const QString name = rs->text(QStringLiteral("filename")).toLower();
        QVERIFY2(!seen.contains(name), qPrintable(rs->text(QStringLiteral("menuCode")) + QLatin1Char(' ') + name));
        seen.insert(name);
    }
}

void tst_DemoDb::iconRowsBelongToMenuEntries()
{
    const RecordSetPtr rs = query(QStringLiteral(
        "select menuCode from xt_menuPilot where type=1 and menuCode not in (select menucode from xt_menu)"));
    QVERIFY(rs);
    QVERIFY2(rs->isEOF(), qPrintable(rs->text(QStringLiteral("menuCode"))));
}

void tst_DemoDb::bothStorageKindsAreUsed()
{
    const RecordSetPtr rs = query(QStringLiteral(
        "select sum(case when iscompress=1 then 1 else 0 end) as packed, count(*) as total from xt_menuPilot where type=1"));
    QVERIFY(rs);
    const int packed = rs->field(QStringLiteral("packed")).toInt();
    const int total = rs->field(QStringLiteral("total")).toInt();
    QVERIFY2(packed > 0 && packed < total, qPrintable(QStringLiteral("%1 of %2 archived").arg(packed).arg(total)));
}

void tst_DemoDb::initDemoCreates()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("sub/zenlo-demo.db"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("sub"))));
    const Run r = admin({QStringLiteral("db"), QStringLiteral("init-demo"), file});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY(r.out.contains(file));
    QCOMPARE(listing(dir.filePath(QStringLiteral("sub"))), QStringList{QStringLiteral("zenlo-demo.db")});

    Database db;
    ConnectionSettings s;
    s.driver = QStringLiteral("sqlite");
    s.database = file;
    QVERIFY(db.Init(s));
    QVERIFY(db.Connect());
    const RecordSetPtr rs = db.OpenRecordset(QStringLiteral("select count(*) from xt_menuPilot where type=1"));
    QVERIFY(rs);
    QCOMPARE(rs->firstValue().toInt(), query(QStringLiteral("select count(*) from xt_menuPilot where type=1"))->firstValue().toInt());
    db.Close();
}

void tst_DemoDb::initDemoRefuses_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("target"); // relative to the test's folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("existing file") << "file" << "zenlo-demo.db" << "the file exists already";
    QTest::newRow("existing folder") << "folder" << "zenlo-demo.db" << "a folder of that name exists";
    QTest::newRow("parent is a file") << "file" << "zenlo-demo.db/inner.db" << "is a file, not a folder";
    // Made only where the administrator said: a mistyped folder is not created silently.
    QTest::newRow("missing folder") << "" << "missing/zenlo-demo.db" << "/missing does not exist";
    // No file system takes such a name: the database cannot even be started, and nothing may be left.
    QTest::newRow("name too long") << "" << QString(300, QLatin1Char('d')) + QStringLiteral(".db") << "dddd.db";
    // Run by an ordinary user: root writes into read-only folders.
    QTest::newRow("folder not writable") << "readonly" << "locked/zenlo-demo.db" << "locked/zenlo-demo.db";
}

void tst_DemoDb::initDemoRefuses()
{
    QFETCH(QString, setup);
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const bool asUser = setup == QLatin1String("readonly");
    const QByteArray keep("not a database, and it stays so");
    const QString existing = dir.filePath(QStringLiteral("zenlo-demo.db"));
    QString watched = dir.path();
    if (setup == QLatin1String("file")) {
        QFile f(existing);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(keep);
    } else if (setup == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(existing));
    } else if (setup == QLatin1String("readonly")) {
        QString why;
        if (!testsupport::ordinaryUser::available(&why))
            QFAIL(qPrintable(why));
        watched = dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(watched));
        // Readable and searchable by everyone, writable by nobody but its owner (root, or the test's user made it so).
        QVERIFY(testsupport::ordinaryUser::allowTraverse(dir.path()) && testsupport::ordinaryUser::allowTraverse(m_dir.path()));
        QVERIFY(QFile::setPermissions(watched, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                   | QFileDevice::ExeOther | QFileDevice::ReadGroup | QFileDevice::ExeGroup));
    }
    const QStringList before = listing(watched);
    const QStringList beforeTop = listing(dir.path());

    const Run r = admin({QStringLiteral("db"), QStringLiteral("init-demo"), dir.filePath(target)}, asUser);
    if (asUser)
        QFile::setPermissions(watched, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.startsWith(QLatin1String("zenlo-admin: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(reason), qPrintable(r.err));
    QVERIFY2(!r.err.contains(QLatin1String(".tmp")), qPrintable(r.err));
    QCOMPARE(r.err.trimmed().count(QLatin1Char('\n')), 0);
    QCOMPARE(listing(watched), before);
    QCOMPARE(listing(dir.path()), beforeTop);
    if (setup == QLatin1String("file")) {
        QFile f(existing);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), keep);
    }
}

// The build puts the theme beside the program, where the main window looks for it.
void tst_DemoDb::themePicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("transparent");
    QTest::newRow("logo") << "logo.gif" << true;
    QTest::newRow("title") << "title.gif" << true;
    QTest::newRow("lock panel") << "piclogin.gif" << false;
}

void tst_DemoDb::themePicture()
{
    QFETCH(QString, name);
    QFETCH(bool, transparent);
    QVERIFY2(QImageReader::supportedImageFormats().contains("gif"), "this Qt reads no GIF pictures");
    QImageReader reader(QStringLiteral(ZENLO_PROGRAM_DIR "/themes/blue/") + name);
    QCOMPARE(reader.format(), QByteArray("gif"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.fileName() + QStringLiteral(": ") + reader.errorString()));
    // Drawn for the header's blue: the corners let the band show through.
    if (transparent) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(qAlpha(argb.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(argb.pixel(argb.width() - 1, argb.height() - 1)), 0);
    }
}

void tst_DemoDb::themeStyleSheetLoads()
{
    ThemeService theme;
    QVERIFY(theme.LoadTheme(QStringLiteral("blue"), QStringLiteral(ZENLO_PROGRAM_DIR "/themes/blue")));
    QVERIFY(theme.styleSheet().contains(QLatin1String("#Panel0")));
}

// The demo configuration names its help file by the program folder's macro.
void tst_DemoDb::configuredHelpFileIsInstalled()
{
    const Run r = admin({QStringLiteral("config"), QStringLiteral("check"), QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo.Exe.Config"),
                         QStringLiteral("--app-folder"), QStringLiteral(ZENLO_PROGRAM_DIR)});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QString help;
    for (const QString &line : r.out.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("HelpFileName=")))
            help = line.mid(13).trimmed();
    QVERIFY2(!help.isEmpty(), qPrintable(r.out));
    QFile f(help);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(help));
    QVERIFY(QString::fromUtf8(f.readAll()).contains(QStringLiteral("锁定屏幕")));
}

QTEST_GUILESS_MAIN(tst_DemoDb)
#include "tst_demodb.moc"

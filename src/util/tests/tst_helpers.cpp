#include "util/bgettempfile.h"
#include "util/file2db.h"
#include "util/mcommondialog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

class tst_Helpers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void tempFilesAreNewAndDistinct();
    void tempFileFallsBackToCache();
    void tempFileFailures();
    void saveField_data();
    void saveField();
    void fileTitle_data();
    void fileTitle();

private:
    QByteArray m_tmpdir;
    QByteArray m_cache;
};

void tst_Helpers::init()
{
    m_tmpdir = qgetenv("TMPDIR");
    m_cache = qgetenv("XDG_CACHE_HOME");
}

void tst_Helpers::cleanup()
{
    qputenv("TMPDIR", m_tmpdir);
    qputenv("XDG_CACHE_HOME", m_cache);
}

void tst_Helpers::tempFilesAreNewAndDistinct()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    const QString a = bGetTempFile::GetTempFile(QStringLiteral("tmp"));
    const QString b = bGetTempFile::GetTempFile(QStringLiteral("tmp"));
    QVERIFY(!a.isEmpty());
    QVERIFY(a != b);
    for (const QString &path : {a, b}) {
        const QFileInfo fi(path);
        QVERIFY(fi.isFile());
        QCOMPARE(fi.size(), 0);
        QVERIFY(fi.isAbsolute());
        QCOMPARE(fi.absolutePath(), QDir(dir.path()).canonicalPath());
        QVERIFY(fi.fileName().startsWith(QLatin1String("tmp")));
        QVERIFY(fi.fileName().endsWith(QLatin1String(".tmp")));
    }
}

void tst_Helpers::tempFileFallsBackToCache()
{
    // A temporary folder below a plain file cannot be written, whoever runs the test.
    QTemporaryDir dir;
    QVERIFY(testsupport::writeFile(dir.filePath("blocker"), "x"));
    qputenv("TMPDIR", dir.filePath("blocker/tmp").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", dir.filePath("cache").toLocal8Bit());

    const QString path = bGetTempFile::GetTempFile(QStringLiteral("tmp"));
    QVERIFY(!path.isEmpty());
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(dir.filePath("cache/zenlo/tmp")).canonicalPath());
    QVERIFY(QFileInfo(path).isFile());
}

void tst_Helpers::tempFileFailures()
{
    QTemporaryDir dir;
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    QCOMPARE(bGetTempFile::GetTempFile(QStringLiteral("../x")), QString());
    QCOMPARE(bGetTempFile::GetTempFile(QStringLiteral("a\\b")), QString());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 0);

    // Neither folder can be written: empty text, no crash.
    QVERIFY(testsupport::writeFile(dir.filePath("blocker"), "x"));
    qputenv("TMPDIR", dir.filePath("blocker/tmp").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", dir.filePath("blocker/cache").toLocal8Bit());
    QCOMPARE(bGetTempFile::GetTempFile(QStringLiteral("tmp")), QString());
}


void tst_Helpers::saveField_data()
{
    QTest::addColumn<QString>("target");   // "new", "existing", "missing folder", "directory"
    QTest::addColumn<QVariant>("field");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QByteArray>("content"); // what the target holds afterwards

    const QByteArray bytes("GIF89a\0\x01\x02\xff", 10);
    const QByteArray old("old contents");
    QTest::newRow("new file") << "new" << QVariant(bytes) << false << true << bytes;
    QTest::newRow("new file, overwrite") << "new" << QVariant(bytes) << true << true << bytes;
    QTest::newRow("existing kept") << "existing" << QVariant(bytes) << false << false << old;
    QTest::newRow("existing replaced") << "existing" << QVariant(bytes) << true << true << bytes;
    QTest::newRow("empty bytes") << "new" << QVariant(QByteArray("")) << false << true << QByteArray();
    QTest::newRow("empty bytes replace") << "existing" << QVariant(QByteArray("")) << true << true << QByteArray();
    QTest::newRow("no value") << "existing" << QVariant() << true << false << old;
    QTest::newRow("NULL field") << "existing" << QVariant(QMetaType::fromType<QByteArray>()) << true << false << old;
    QTest::newRow("text is not bytes") << "new" << QVariant(QStringLiteral("abc")) << true << false << QByteArray();
    QTest::newRow("missing folder") << "missing folder" << QVariant(bytes) << true << false << QByteArray();
    QTest::newRow("directory") << "directory" << QVariant(bytes) << true << false << QByteArray();
}

void tst_Helpers::saveField()
{
    QFETCH(QString, target);
    QFETCH(QVariant, field);
    QFETCH(bool, overwrite);
    QFETCH(bool, result);
    QFETCH(QByteArray, content);

    QTemporaryDir dir;
    QString path = dir.filePath("icon.gif");
    if (target == "existing")
        QVERIFY(testsupport::writeFile(path, "old contents"));
    else if (target == "missing folder")
        path = dir.filePath("nowhere/icon.gif");
    else if (target == "directory")
        QVERIFY(QDir(dir.path()).mkdir("icon.gif"));

    QCOMPARE(file2db::SaveFieldToFile(path, field, overwrite), result);
    if (target == "directory") {
        QVERIFY(QFileInfo(path).isDir());
    } else if (result || target == "existing") {
        QVERIFY(QFileInfo(path).isFile());
        QCOMPARE(testsupport::readFile(path), content);
    } else {
        QVERIFY(!QFileInfo::exists(path));
    }
    // Nothing else is left behind in the folder.
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    QCOMPARE(entries, QFileInfo::exists(dir.filePath("icon.gif")) ? QStringList{"icon.gif"} : QStringList{});
}

void tst_Helpers::fileTitle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("dropExtension");
    QTest::addColumn<QString>("title");

    QTest::newRow("windows path") << "C:\\maps\\0101.xml" << false << "0101.xml";
    QTest::newRow("windows path, no extension") << "C:\\maps\\0101.xml" << true << "0101";
    QTest::newRow("dot in a folder") << "C:\\a.b\\name" << true << "name";
    QTest::newRow("trailing backslash") << "C:\\maps\\" << false << "";
    QTest::newRow("unc path") << "\\\\server\\share\\x.y.z" << true << "x";
    QTest::newRow("posix path") << "/tmp/zenlo/icon.gif" << false << "icon.gif";
    QTest::newRow("mixed separators") << "dir/sub\\name.ext" << false << "name.ext";
    QTest::newRow("backslash after slash") << "a\\b/c.d" << true << "c";
    QTest::newRow("drive and name") << "C:name.txt" << false << "name.txt";
    QTest::newRow("drive and name, no extension") << "C:name.txt" << true << "name";
    QTest::newRow("drive only") << "C:" << false << "";
    QTest::newRow("colon later is not a drive") << "ab:c.txt" << false << "ab:c.txt";
    QTest::newRow("colon first is not a drive") << ":abc" << false << ":abc";
    QTest::newRow("plain name unchanged") << "readme.txt" << false << "readme.txt";
    QTest::newRow("several dots keep the first part") << "a.b.c" << true << "a";
    QTest::newRow("leading dot") << ".hidden" << true << "";
    QTest::newRow("no dot") << "name" << true << "name";
    QTest::newRow("empty") << "" << true << "";
}

void tst_Helpers::fileTitle()
{
    QFETCH(QString, path);
    QFETCH(bool, dropExtension);
    QFETCH(QString, title);
    QCOMPARE(MCommonDialog::FileTitleFromPath(path, dropExtension), title);
}

QTEST_GUILESS_MAIN(tst_Helpers)
#include "tst_helpers.moc"

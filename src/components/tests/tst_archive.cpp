#include "components/archive.h"
#include "platform/ansi.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

namespace {

// Every file below a folder, relative, sorted (hidden ones included).
QStringList filesBelow(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

QByteArray iconBytes()
{
    QByteArray b("GIF89a");
    for (int i = 0; i < 5000; ++i)
        b.append(char(i * 7 % 251));
    return b;
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : data) {
        crc ^= uchar(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A zip with one stored (uncompressed) entry whose name is given as raw bytes,
// as zip tools of Chinese Windows write them (code page 936, no UTF-8 mark).
QByteArray storedZip(const QByteArray &name, const QByteArray &data, quint16 flags)
{
    auto le16 = [](QByteArray &b, quint32 v) { b.append(char(v & 0xff)).append(char(v >> 8 & 0xff)); };
    auto le32 = [&](QByteArray &b, quint32 v) { le16(b, v & 0xffff); le16(b, v >> 16); };
    const quint32 crc = crc32(data);
    QByteArray local("PK\x03\x04", 4);
    le16(local, 20); le16(local, flags); le16(local, 0); le16(local, 0); le16(local, 0x21);
    le32(local, crc); le32(local, quint32(data.size())); le32(local, quint32(data.size()));
    le16(local, quint32(name.size())); le16(local, 0);
    local += name + data;
    QByteArray central("PK\x01\x02", 4);
    le16(central, 20); le16(central, 20); le16(central, flags); le16(central, 0); le16(central, 0); le16(central, 0x21);
    le32(central, crc); le32(central, quint32(data.size())); le32(central, quint32(data.size()));
    le16(central, quint32(name.size())); le16(central, 0); le16(central, 0); le16(central, 0); le16(central, 0);
    le32(central, 0); le32(central, 0);
    central += name;
    QByteArray end("PK\x05\x06", 4);
    le16(end, 0); le16(end, 0); le16(end, 1); le16(end, 1);
    le32(end, quint32(central.size())); le32(end, quint32(local.size())); le16(end, 0);
    return local + central + end;
}

} // namespace

class tst_Archive : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void refusedNames_data();
    void refusedNames();
    void damagedArchive_data();
    void damagedArchive();
    void sizeLimit_data();
    void sizeLimit();
    void missingEntryAndMissingArchive();
    void replacesExistingFile();
    void linkedFolderOutsideRefused();
    void namesFromOtherTools_data();
    void namesFromOtherTools();
};

void tst_Archive::roundTrip_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one icon") << QStringList{"0101.gif"} << QStringList{"0101.gif"};
    QTest::newRow("chinese name") << QStringList{"采购.gif"} << QStringList{"采购.gif"};
    QTest::newRow("sub-folder") << QStringList{"maps/0101.xml", "0101.gif"} << QStringList{"0101.gif", "maps/0101.xml"};
    QTest::newRow("backslash folder") << QStringList{"maps\\0102.xml"} << QStringList{"maps/0102.xml"};
    QTest::newRow("dot segments inside") << QStringList{"./a//b.txt"} << QStringList{"a/b.txt"};
}

void tst_Archive::roundTrip()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QList<zLibControl::Entry> entries;
    for (int i = 0; i < stored.size(); ++i) {
        const QString src = dir.filePath(QStringLiteral("src%1").arg(i));
        QVERIFY(testsupport::writeFile(src, iconBytes() + QByteArray::number(i)));
        entries.append({src, stored.at(i)});
    }
    const QString zip = dir.filePath("icons.zip");
    QVERIFY(zLibControl::compress(entries, zip));
    QVERIFY(testsupport::readFile(zip).startsWith("PK"));

    const QString dest = dir.filePath("temp/icon");
    zLibControl z;
    QVERIFY2(z.Extract(zip, dest, false, true, false, true, false, true), qPrintable(z.lastError()));
    QCOMPARE(z.lastError(), QString());
    QCOMPARE(filesBelow(dest), expected);
    for (int i = 0; i < stored.size(); ++i) {
        const QString name = QString(stored.at(i)).replace('\\', '/').remove(QStringLiteral("./")).replace("//", "/");
        QCOMPARE(testsupport::readFile(QDir(dest).filePath(name)), iconBytes() + QByteArray::number(i));
    }
}

void tst_Archive::refusedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent") << "../evil";
    QTest::newRow("parent deeper") << "maps/../../evil";
    QTest::newRow("parent with backslashes") << "..\\evil";
    QTest::newRow("absolute") << "/tmp/evil";
    QTest::newRow("absolute backslash") << "\\evil";
    QTest::newRow("drive") << "C:evil";
    QTest::newRow("drive and backslash") << "C:\\evil";
    QTest::newRow("only dots") << "./.";
}

void tst_Archive::refusedNames()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString src = dir.filePath("payload");
    QVERIFY(testsupport::writeFile(src, "evil"));
    const QString good = dir.filePath("good");
    QVERIFY(testsupport::writeFile(good, "good"));
    const QString zip = dir.filePath("evil.zip");
    // A harmless entry first: it must not be extracted either.
    QVERIFY(zLibControl::compress({{good, "good.txt"}, {src, name}}, zip));

    const QString dest = dir.filePath("out/icon");
    zLibControl z;
    QVERIFY(!z.Extract(zip, dest));
    QVERIFY(z.lastError().contains(QStringLiteral("refused")));
    QCOMPARE(filesBelow(dest), QStringList{});
    QVERIFY(!QFile::exists(dir.filePath("out/evil")));
    QVERIFY(!QFile::exists(dir.filePath("evil")));
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/evil")) || name != QLatin1String("/tmp/evil"));
}

void tst_Archive::damagedArchive_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("truncated to half") << "half";
    QTest::newRow("central directory cut") << "tail";
    QTest::newRow("second entry cut off") << "second";
    QTest::newRow("data bytes flipped") << "flip";
    QTest::newRow("not an archive") << "text";
    QTest::newRow("empty file") << "empty";
}

void tst_Archive::damagedArchive()
{
    QFETCH(QString, damage);
    QTemporaryDir dir;
    const QString src = dir.filePath("0101.gif");
    QVERIFY(testsupport::writeFile(src, iconBytes()));
    const QString zip = dir.filePath("icon.zip");
    QVERIFY(zLibControl::compress({{src, "0101.gif"}, {src, "0102.gif"}}, zip));
    QByteArray bytes = testsupport::readFile(zip);
    if (damage == "second") {
        // Everything up to the second entry's local header: the first entry is whole.
        bytes.truncate(bytes.indexOf(QByteArray("PK\x03\x04", 4), 4));
        QVERIFY(bytes.size() > 100);
    } else if (damage == "half")
        bytes.truncate(bytes.size() / 2);
    else if (damage == "tail")
        bytes.chop(30);
    else if (damage == "flip") {
        // Inside the compressed data, after the local header, the name and the extra fields.
        const int nameLength = uchar(bytes[26]) | uchar(bytes[27]) << 8;
        const int extraLength = uchar(bytes[28]) | uchar(bytes[29]) << 8;
        const int data = 30 + nameLength + extraLength;
        for (int i = data + 4; i < data + 40; ++i)
            bytes[i] = char(bytes[i] ^ 0x5a);
    } else if (damage == "text")
        bytes = "<pilot>not a zip</pilot>";
    else
        bytes.clear();
    QVERIFY(testsupport::writeFile(zip, bytes));

    const QString dest = dir.filePath("icon");
    QVERIFY(QDir().mkpath(dest));
    zLibControl z;
    QVERIFY(!z.Extract(zip, dest));
    QVERIFY(!z.lastError().isEmpty());
    QCOMPARE(filesBelow(dest), QStringList{});
}

void tst_Archive::sizeLimit_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QList<int>>("sizes"); // of the entries, all zero bytes (they compress a thousandfold)
    QTest::addColumn<bool>("accepted");
    QTest::newRow("one entry over the limit") << qint64(1 << 20) << QList<int>{2 << 20} << false;
    QTest::newRow("two entries over it together") << qint64(1 << 20) << QList<int>{600 << 10, 600 << 10} << false;
    QTest::newRow("exactly the limit") << qint64(1 << 20) << QList<int>{512 << 10, 512 << 10} << true;
    QTest::newRow("well within the default") << zLibControl::kDefaultSizeLimit << QList<int>{4 << 20} << true;
}

// A small archive that unpacks to more than the limit is refused, naming the limit, and leaves nothing.
void tst_Archive::sizeLimit()
{
    QFETCH(qint64, limit);
    QFETCH(QList<int>, sizes);
    QFETCH(bool, accepted);
    QTemporaryDir dir;
    QList<zLibControl::Entry> entries;
    qint64 total = 0;
    for (int i = 0; i < sizes.size(); ++i) {
        const QString src = dir.filePath(QStringLiteral("zeros%1").arg(i));
        QVERIFY(testsupport::writeFile(src, QByteArray(sizes.at(i), '\0')));
        entries.append({src, QStringLiteral("map%1.xml").arg(i)});
        total += sizes.at(i);
    }
    const QString zip = dir.filePath("bomb.zip");
    QVERIFY(zLibControl::compress(entries, zip));
    QVERIFY(QFileInfo(zip).size() * 100 < total);
    const QString dest = dir.filePath("menu");
    zLibControl z;
    z.setSizeLimit(limit);
    QCOMPARE(z.Extract(zip, dest), accepted);
    if (accepted) {
        QCOMPARE(filesBelow(dest).size(), sizes.size());
        return;
    }
    QVERIFY2(z.lastError().startsWith(QStringLiteral("archive too large: its files unpack to more than %1 bytes").arg(limit)),
             qPrintable(z.lastError()));
    QCOMPARE(filesBelow(dest), QStringList{});
}

void tst_Archive::missingEntryAndMissingArchive()
{
    QTemporaryDir dir;
    const QString src = dir.filePath("other.gif");
    QVERIFY(testsupport::writeFile(src, iconBytes()));
    const QString zip = dir.filePath("icon.zip");
    QVERIFY(zLibControl::compress(src, zip));

    // The archive is fine but holds another name: the caller finds no file.
    zLibControl z;
    QVERIFY(z.Extract(zip, dir.filePath("icon")));
    QCOMPARE(z.extractedFiles(), QStringList{"other.gif"});
    QVERIFY(!QFile::exists(dir.filePath("icon/0101.gif")));

    QVERIFY(!z.Extract(dir.filePath("nothere.zip"), dir.filePath("icon")));
    QVERIFY(z.lastError().contains(QStringLiteral("not found")));
    QVERIFY(z.extractedFiles().isEmpty());
    QVERIFY(!z.Extract(zip, QString()));

    // An archive without entries is a valid, empty archive.
    const QString empty = dir.filePath("empty.zip");
    QVERIFY(zLibControl::compress(QList<zLibControl::Entry>{}, empty));
    QVERIFY(z.Extract(empty, dir.filePath("none")));
    QCOMPARE(filesBelow(dir.filePath("none")), QStringList{});
}

void tst_Archive::replacesExistingFile()
{
    QTemporaryDir dir;
    const QString src = dir.filePath("src");
    QVERIFY(testsupport::writeFile(src, "new icon"));
    const QString zip = dir.filePath("icon.zip");
    QVERIFY(zLibControl::compress(src, zip, "0101.gif"));
    QVERIFY(QDir().mkpath(dir.filePath("icon")));
    QVERIFY(testsupport::writeFile(dir.filePath("icon/0101.gif"), "old icon"));

    zLibControl z;
    QVERIFY(z.Extract(zip, dir.filePath("icon")));
    QCOMPARE(testsupport::readFile(dir.filePath("icon/0101.gif")), QByteArray("new icon"));
    QCOMPARE(filesBelow(dir.filePath("icon")), QStringList{"0101.gif"});

    // A folder in the way of a file: refused, the folder stays.
    QVERIFY(QDir().mkpath(dir.filePath("busy/0101.gif")));
    QVERIFY(!z.Extract(zip, dir.filePath("busy")));
    QVERIFY(QFileInfo(dir.filePath("busy/0101.gif")).isDir());
    QCOMPARE(filesBelow(dir.filePath("busy")), QStringList{});
}

void tst_Archive::linkedFolderOutsideRefused()
{
    QTemporaryDir dir;
    const QString outside = dir.filePath("outside");
    QVERIFY(QDir().mkpath(outside));
    QVERIFY(QDir().mkpath(dir.filePath("icon")));
    QVERIFY(QFile::link(outside, dir.filePath("icon/maps")));

    const QString src = dir.filePath("src");
    QVERIFY(testsupport::writeFile(src, "x"));
    const QString zip = dir.filePath("maps.zip");
    QVERIFY(zLibControl::compress(src, zip, "maps/0101.xml"));
    zLibControl z;
    QVERIFY(!z.Extract(zip, dir.filePath("icon")));
    QCOMPARE(filesBelow(outside), QStringList{});
}

void tst_Archive::namesFromOtherTools_data()
{
    QTest::addColumn<QByteArray>("rawName");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("expected");
    QTest::newRow("code page 936") << ansi::fromUnicode(QStringLiteral("采购订单.gif")) << 0 << QStringLiteral("采购订单.gif");
    QTest::newRow("utf-8 marked") << QStringLiteral("采购订单.gif").toUtf8() << 0x800 << QStringLiteral("采购订单.gif");
    QTest::newRow("ascii") << QByteArray("0101.gif") << 0 << QStringLiteral("0101.gif");
    QTest::newRow("936 backslash path") << ansi::fromUnicode(QStringLiteral("图标\\采购.gif")) << 0 << QStringLiteral("图标/采购.gif");
}

void tst_Archive::namesFromOtherTools()
{
    QFETCH(QByteArray, rawName);
    QFETCH(int, flags);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString zip = dir.filePath("tool.zip");
    QVERIFY(testsupport::writeFile(zip, storedZip(rawName, "icon bytes", quint16(flags))));
    zLibControl z;
    QVERIFY2(z.Extract(zip, dir.filePath("icon")), qPrintable(z.lastError()));
    QCOMPARE(filesBelow(dir.filePath("icon")), QStringList{expected});
    QCOMPARE(testsupport::readFile(QDir(dir.filePath("icon")).filePath(expected)), QByteArray("icon bytes"));
}

QTEST_GUILESS_MAIN(tst_Archive)
#include "tst_archive.moc"

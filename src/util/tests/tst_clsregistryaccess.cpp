// clsRegistryAccess: key paths, the value rules, hex texts, and REGEDIT4 files
// (a golden export, the round trip, the files an import must refuse).
#include "util/clsregistryaccess.h"

#include "platform/regedit4.h"
#include "platform/registrystore.h"
#include "registryrules.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace registry;

namespace {

const QString kTree = QStringLiteral("HKCU\\Software\\ZenloTest");

// The tree every export test writes, in the order the file lists it: strings,
// then binaries, then DWORDs, each in the order first written; subkeys in
// case-insensitive order; a key without values keeps its block.
const QByteArray kGolden = QByteArray(
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\ZenloTest]\r\n"
    "@=\"\xB8\xF9\"\r\n"
    "\"Name\"=\"\xD6\xD0\xCE\xC4 text\"\r\n"
    "\"Empty\"=\"\"\r\n"
    "\"Blob\"=hex:01,0A,FF\r\n"
    "\"Zero\"=hex:\r\n"
    "\"Count\"=dword:0000002A\r\n"
    "\"Neg\"=dword:FFFFFFFF\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\ZenloTest\\alpha]\r\n"
    "\"Mode\"=\"x\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\ZenloTest\\Child]\r\n"
    "\"Path\"=\"C:\\Program Files\\Zenlo\"\r\n"
    "\"Flags\"=dword:00000010\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\ZenloTest\\Child\\Leaf]\r\n"
    "\r\n");

void buildTree()
{
    clsRegistryAccess r;
    QVERIFY(r.WriteDword(kTree, QStringLiteral("Count"), 42));
    QVERIFY(r.WriteString(kTree, QStringLiteral("Name"), QStringLiteral("中文 text")));
    QVERIFY(r.WriteBinary(kTree, QStringLiteral("Blob"), QStringLiteral("01 0a FF")));
    QVERIFY(r.WriteString(kTree, QStringLiteral("@"), QStringLiteral("根")));
    QVERIFY(r.WriteString(kTree, QStringLiteral("Empty"), QString()));
    QVERIFY(r.WriteDword(kTree, QStringLiteral("Neg"), -1));
    QVERIFY(r.WriteBinary(kTree, QStringLiteral("Zero"), QString()));
    QVERIFY(r.WriteString(kTree + QStringLiteral("\\Child"), QStringLiteral("Path"),
                          QStringLiteral("C:\\Program Files\\Zenlo")));
    QVERIFY(r.WriteDword(kTree + QStringLiteral("\\Child"), QStringLiteral("Flags"), 16));
    QVERIFY(r.CreateKey(kTree + QStringLiteral("\\Child\\Leaf")));
    QVERIFY(r.WriteString(kTree + QStringLiteral("\\alpha"), QStringLiteral("Mode"), QStringLiteral("x")));
}

// Deletes a key and everything below it, deepest first.
void killTree(const QString &path)
{
    clsRegistryAccess r;
    QStringList keys;
    r.EnumKeys(path, keys);
    for (const QString &k : keys)
        killTree(path + QLatin1Char('\\') + k);
    r.KillKey(path);
}

// A key tree as lines: "[relative path]" then "name=type:data" per value
// ("@" for the default), read straight from the store.
void dump(HKEY parent, const QString &sub, const QString &rel, QStringList &out)
{
    HKEY key = 0;
    if (openKey(parent, sub, KeyRead, &key) != Success)
        return;
    out << QLatin1Char('[') + rel + QLatin1Char(']');
    QString name;
    uint32_t type = 0;
    QByteArray data;
    for (uint32_t i = 0; enumValue(key, i, &name, &type, &data) == Success; ++i) {
        QString text;
        if (type == RegSz)
            text = QStringLiteral("sz:") + stringFromData(data);
        else if (type == RegDword)
            text = QStringLiteral("dword:%1").arg(int32_t(uchar(data[0]) | uchar(data[1]) << 8 | uchar(data[2]) << 16
                                                          | uchar(data[3]) << 24));
        else
            text = QStringLiteral("bin:") + QString::fromLatin1(data.toHex(' ').toUpper());
        out << (name.isEmpty() ? QStringLiteral("@") : name) + QLatin1Char('=') + text;
    }
    QStringList children;
    for (uint32_t i = 0; enumKey(key, i, &name) == Success; ++i)
        children << name;
    for (const QString &c : children)
        dump(key, c, rel.isEmpty() ? c : rel + QLatin1Char('\\') + c, out);
    closeKey(key);
}

QStringList dumpT()
{
    QStringList out;
    dump(HKEY_CURRENT_USER, QStringLiteral("Software\\T"), QString(), out);
    return out;
}

const QStringList kBaseline = {
    QStringLiteral("[]"),      QStringLiteral("keep=sz:old"),    QStringLiteral("gone=sz:x"),
    QStringLiteral("[Old]"),   QStringLiteral("[Parent]"),       QStringLiteral("[Parent\\Kid]"),
};

void buildBaseline()
{
    clsRegistryAccess r;
    QVERIFY(r.WriteString(QStringLiteral("HKCU\\Software\\T"), QStringLiteral("keep"), QStringLiteral("old")));
    QVERIFY(r.WriteString(QStringLiteral("HKCU\\Software\\T"), QStringLiteral("gone"), QStringLiteral("x")));
    QVERIFY(r.CreateKey(QStringLiteral("HKCU\\Software\\T\\Old")));
    QVERIFY(r.CreateKey(QStringLiteral("HKCU\\Software\\T\\Parent\\Kid")));
    QCOMPARE(dumpT(), kBaseline);
}

QStringList with(QStringList list, int at, const QString &line)
{
    list.insert(at, line);
    return list;
}

QStringList without(QStringList list, const QString &line)
{
    list.removeAll(line);
    return list;
}

} // namespace

class tst_clsRegistryAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void parseKeyPath_data();
    void parseKeyPath();
    void fullKeyPath_data();
    void fullKeyPath();
    void pathFormsAddressOneKey();
    void strToBin_data();
    void strToBin();
    void binToStr_data();
    void binToStr();
    void isBinValid_data();
    void isBinValid();

    void writeToMissingKey_data();
    void writeToMissingKey();
    void defaultValueName();
    void reads_data();
    void reads();
    void writeBinaryRefusesBadHex_data();
    void writeBinaryRefusesBadHex();
    void killKey_data();
    void killKey();
    void killValue_data();
    void killValue();
    void enumeration_data();
    void enumeration();
    void textOutsideCodePage();

    void exportGolden();
    void exportSameAsPlainCore_data();
    void exportSameAsPlainCore();
    void roundTrip();
    void exportDefaultValue();
    void exportWithoutSubkeys();
    void exportRefused_data();
    void exportRefused();
    void importForms_data();
    void importForms();
    void importRefused_data();
    void importRefused();
    void importReportsEscapes();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString file(const QString &name) const { return m_dir->filePath(name); }
    QString writeFile(const QString &name, const QByteArray &bytes);
};

void tst_clsRegistryAccess::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("registry")));
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(m_dir->filePath(QStringLiteral("registry"))));
}

void tst_clsRegistryAccess::cleanup()
{
    closeAllHives();
    m_dir.reset();
}

QString tst_clsRegistryAccess::writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

// ---- key paths and hex texts ----

void tst_clsRegistryAccess::parseKeyPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<uint32_t>("root");
    QTest::addColumn<QString>("subKey");
    QTest::newRow("abbreviation") << "HKCU\\Software\\Zenlo" << HKEY_CURRENT_USER << "Software\\Zenlo";
    QTest::newRow("lower-case abbreviation") << "hkcu\\Software" << HKEY_CURRENT_USER << "Software";
    QTest::newRow("full name") << "HKEY_CURRENT_USER\\Software" << HKEY_CURRENT_USER << "Software";
    QTest::newRow("full name any case") << "hkey_local_machine\\Software" << HKEY_LOCAL_MACHINE << "Software";
    QTest::newRow("root only") << "HKLM" << HKEY_LOCAL_MACHINE << "";
    QTest::newRow("full root only") << "HKEY_CLASSES_ROOT" << HKEY_CLASSES_ROOT << "";
    QTest::newRow("root with backslash") << "HKLM\\" << HKEY_LOCAL_MACHINE << "";
    QTest::newRow("users is HKUS") << "HKUS\\.DEFAULT" << HKEY_USERS << ".DEFAULT";
    QTest::newRow("users full") << "HKEY_USERS\\.DEFAULT" << HKEY_USERS << ".DEFAULT";
    QTest::newRow("classes") << "HKCR\\Zenlo.App\\CLSID" << HKEY_CLASSES_ROOT << "Zenlo.App\\CLSID";
    QTest::newRow("performance") << "HKEY_PERFORMANCE_DATA" << HKEY_PERFORMANCE_DATA << "";
    QTest::newRow("config") << "HKCC\\System" << HKEY_CURRENT_CONFIG << "System";
    QTest::newRow("dyn data") << "hkey_dyn_data\\x" << HKEY_DYN_DATA << "x";
    QTest::newRow("first four characters") << "HKLMX\\Software" << HKEY_LOCAL_MACHINE << "Software";
    QTest::newRow("HKU is unknown") << "HKU\\x" << 0u << "x";
    QTest::newRow("unknown root") << "HKXX\\Software" << 0u << "Software";
    QTest::newRow("empty") << "" << 0u << "";
    // A subkey named like a root keeps its name.
    QTest::newRow("root name inside") << "HKCU\\Software\\HKEY_USERS" << HKEY_CURRENT_USER << "Software\\HKEY_USERS";
    QTest::newRow("abbreviation inside") << "HKEY_CURRENT_USER\\HKCU\\x" << HKEY_CURRENT_USER << "HKCU\\x";
    // Characters the code page cannot hold pass through the parser unchanged.
    QTest::newRow("subkey outside the code page") << "HKCU\\Software\\\U0001F600x" << HKEY_CURRENT_USER
                                                  << "Software\\\U0001F600x";
    QTest::newRow("full root, subkey outside the code page") << "hkey_users\\\U0001F600" << HKEY_USERS << "\U0001F600";
    QTest::newRow("root outside the code page") << "\U0001F600\\x" << 0u << "x";
    // 乗 is 81 5C in GBK: it is a character of the root, not a separator.
    QTest::newRow("double-byte character after the root") << "HKCU乗\\x" << HKEY_CURRENT_USER << "x";
}

void tst_clsRegistryAccess::fullKeyPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("full");
    QTest::newRow("abbreviation") << "hkcu\\Software" << "HKEY_CURRENT_USER\\Software";
    QTest::newRow("trailing separators") << "HKCU\\Software\\\\" << "HKEY_CURRENT_USER\\Software";
    QTest::newRow("root only") << "HKLM\\" << "HKEY_LOCAL_MACHINE";
    QTest::newRow("full root in another case") << "hkey_classes_root\\x" << "HKEY_CLASSES_ROOT\\x";
    QTest::newRow("abbreviation inside") << "HKEY_CURRENT_USER\\HKCU\\" << "HKEY_CURRENT_USER\\HKCU";
    QTest::newRow("unknown root kept as it is") << "HKXX\\x\\" << "HKXX\\x\\";
    QTest::newRow("character outside the code page") << "hkcu\\\U0001F600\\" << "HKEY_CURRENT_USER\\\U0001F600";
    // The last byte of 乗 (81 5C) is no trailing separator.
    QTest::newRow("ends in a character whose second byte is 5C") << "HKUS\\中乗\\" << "HKEY_USERS\\中乗";
}

void tst_clsRegistryAccess::fullKeyPath()
{
    QFETCH(QString, path);
    QFETCH(QString, full);
    QCOMPARE(clsRegistryAccess::fullKeyPath(path), full);
}

void tst_clsRegistryAccess::parseKeyPath()
{
    QFETCH(QString, path);
    QFETCH(uint32_t, root);
    QFETCH(QString, subKey);
    QString sub;
    QCOMPARE(clsRegistryAccess::ParseKeyPath(path, &sub), root);
    QCOMPARE(sub, subKey);
}

void tst_clsRegistryAccess::pathFormsAddressOneKey()
{
    clsRegistryAccess r;
    QVERIFY(r.WriteString(QStringLiteral("hkcu\\Software\\T"), QStringLiteral("a"), QStringLiteral("1")));
    QCOMPARE(r.ReadString(QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\t"), QStringLiteral("A")), QStringLiteral("1"));
    QVERIFY(r.KeyExists(QStringLiteral("HKLM")));
    QVERIFY(r.KeyExists(QStringLiteral("HKEY_CURRENT_USER")));
    QVERIFY(!r.KeyExists(QStringLiteral("HKXX\\Software")));
    // The subkey named after a root is a key of its own.
    QVERIFY(r.CreateKey(QStringLiteral("HKCU\\Software\\HKEY_USERS")));
    QVERIFY(!r.KeyExists(QStringLiteral("HKCU\\Software\\HKUS")));
    QStringList keys;
    QCOMPARE(r.EnumKeys(QStringLiteral("HKCU\\Software"), keys), 2);
    QCOMPARE(keys, (QStringList{"HKEY_USERS", "T"}));
}

void tst_clsRegistryAccess::strToBin_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("spaceFree");
    QTest::newRow("three bytes") << "01 00 ff" << QByteArray("\x01\x00\xFF", 3) << "0100ff";
    QTest::newRow("no spaces") << "0A0b" << QByteArray("\x0A\x0B") << "0A0b";
    QTest::newRow("odd spacing") << " 0 1  2" << QByteArray("\x01\x02") << "012";
    QTest::newRow("trailing digit") << "ABC" << QByteArray("\xAB\x0C") << "ABC";
    QTest::newRow("empty") << "" << QByteArray() << "";
    QTest::newRow("only spaces") << "   " << QByteArray() << "";
    QTest::newRow("not hex") << "0G" << QByteArray() << "0G";
    QTest::newRow("not hex at the end") << "01 G" << QByteArray() << "01G";
}

void tst_clsRegistryAccess::strToBin()
{
    QFETCH(QString, hex);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, spaceFree);
    QCOMPARE(clsRegistryAccess::StrToBin(hex), bytes);
    QCOMPARE(hex, spaceFree);
}

void tst_clsRegistryAccess::binToStr_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("hex");
    QTest::newRow("three bytes") << QByteArray("\x01\x0A\xFF") << " 01 0A FF";
    QTest::newRow("zero byte") << QByteArray("\x01\x00\xFF", 3) << " 01 00 FF";
    QTest::newRow("empty") << QByteArray() << "";
}

void tst_clsRegistryAccess::binToStr()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, hex);
    QCOMPARE(clsRegistryAccess::BinToStr(bytes), hex);
}

void tst_clsRegistryAccess::isBinValid_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("spaces") << "   " << false;
    QTest::newRow("pairs") << "01 0a FF" << true;
    QTest::newRow("odd count") << "ABC" << true;
    QTest::newRow("prefix") << "0x01" << false;
    QTest::newRow("comma") << "01,02" << false;
    QTest::newRow("letter") << "G1" << false;
    QTest::newRow("fullwidth digit") << "０１" << false;
}

void tst_clsRegistryAccess::isBinValid()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(clsRegistryAccess::isBinValid(text), valid);
}

// ---- values ----

void tst_clsRegistryAccess::writeToMissingKey_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("create");
    for (const char *kind : {"string", "dword", "binary"}) {
        QTest::addRow("%s, create", kind) << QString::fromLatin1(kind) << true;
        QTest::addRow("%s, no create", kind) << QString::fromLatin1(kind) << false;
    }
}

void tst_clsRegistryAccess::writeToMissingKey()
{
    QFETCH(QString, kind);
    QFETCH(bool, create);
    const QString path = QStringLiteral("HKCU\\Software\\New\\Deep");
    clsRegistryAccess r;
    QVERIFY(r.CreateKeyIfDoesntExists());
    r.setCreateKeyIfDoesntExists(create);
    int32_t token = 0;
    if (kind == QLatin1String("string"))
        token = r.WriteString(path, QStringLiteral("v"), QStringLiteral("x"));
    else if (kind == QLatin1String("dword"))
        token = r.WriteDword(path, QStringLiteral("v"), 7);
    else
        token = r.WriteBinary(path, QStringLiteral("v"), QStringLiteral("07"));
    QCOMPARE(token != 0, create);
    QCOMPARE(r.KeyExists(path), create);
    QCOMPARE(r.KeyExists(QStringLiteral("HKCU\\Software\\New")), create);
    QCOMPARE(r.ValueExists(path, QStringLiteral("v")), create);
}

void tst_clsRegistryAccess::defaultValueName()
{
    clsRegistryAccess r;
    const QString path = QStringLiteral("HKCU\\Software\\T");
    // "@" is the default value for strings only.
    QVERIFY(r.WriteString(path, QStringLiteral("@"), QStringLiteral("def")));
    QCOMPARE(r.ReadString(path, QString()), QStringLiteral("def"));
    QVERIFY(!r.ValueExists(path, QStringLiteral("@")));
    QVERIFY(r.WriteDword(path, QStringLiteral("@"), 5));
    QVERIFY(r.ValueExists(path, QStringLiteral("@")));
    QCOMPARE(r.ReadDword(path, QStringLiteral("@")), 5);
    QCOMPARE(r.ReadString(path, QString()), QStringLiteral("def"));
    QVERIFY(r.WriteBinary(path, QStringLiteral("@"), QStringLiteral("01")));
    QCOMPARE(r.ReadBinary(path, QStringLiteral("@")), QStringLiteral("01"));
    QCOMPARE(r.ReadString(path, QString()), QStringLiteral("def"));
}

void tst_clsRegistryAccess::reads_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");
    const QString t = QStringLiteral("HKCU\\Software\\T");
    QTest::newRow("string") << "string" << t << "s" << "d" << "text";
    QTest::newRow("string trimmed") << "string" << t << "spaced" << "d" << "a  b";
    QTest::newRow("string, other case") << "string" << t << "S" << "d" << "text";
    QTest::newRow("string 300 characters") << "string" << t << "long300" << "d" << QString(300, QLatin1Char('L'));
    QTest::newRow("string 100000 characters") << "string" << t << "long100k" << "d" << QString(100000, QLatin1Char('M'));
    QTest::newRow("string, missing value") << "string" << t << "none" << "d" << "d";
    QTest::newRow("string, missing key") << "string" << t + "\\none" << "s" << "d" << "d";
    QTest::newRow("string, unknown root") << "string" << "HKXX\\x" << "s" << "d" << "d";
    QTest::newRow("string of a dword") << "string" << t << "n" << "d" << "d";
    QTest::newRow("string of binary") << "string" << t << "b" << "d" << "d";
    QTest::newRow("dword") << "dword" << t << "n" << "-9" << "-123456";
    QTest::newRow("dword, missing") << "dword" << t << "none" << "-9" << "-9";
    QTest::newRow("dword of a string") << "dword" << t << "s" << "-9" << "-9";
    QTest::newRow("binary") << "binary" << t << "b" << "d" << "00 7F 80";
    QTest::newRow("binary, empty") << "binary" << t << "empty" << "d" << "";
    QTest::newRow("binary of a string") << "binary" << t << "s" << "d" << "74 65 78 74 00";
    QTest::newRow("binary, missing") << "binary" << t << "none" << "d" << "d";
}

void tst_clsRegistryAccess::reads()
{
    QFETCH(QString, reader);
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);
    clsRegistryAccess r;
    const QString t = QStringLiteral("HKCU\\Software\\T");
    QVERIFY(r.WriteString(t, QStringLiteral("s"), QStringLiteral("text")));
    QVERIFY(r.WriteString(t, QStringLiteral("spaced"), QStringLiteral("  a  b  ")));
    QVERIFY(r.WriteString(t, QStringLiteral("long300"), QString(300, QLatin1Char('L'))));
    QVERIFY(r.WriteString(t, QStringLiteral("long100k"), QString(100000, QLatin1Char('M'))));
    QVERIFY(r.WriteDword(t, QStringLiteral("n"), -123456));
    QVERIFY(r.WriteBinary(t, QStringLiteral("b"), QStringLiteral("00 7f 80")));
    QVERIFY(r.WriteBinary(t, QStringLiteral("empty"), QString()));
    QString got;
    if (reader == QLatin1String("string"))
        got = r.ReadString(path, name, defaultValue);
    else if (reader == QLatin1String("dword"))
        got = QString::number(r.ReadDword(path, name, defaultValue.toInt()));
    else
        got = r.ReadBinary(path, name, defaultValue);
    QCOMPARE(got, expected);
}

void tst_clsRegistryAccess::writeBinaryRefusesBadHex_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("stored");
    QTest::newRow("pairs") << "01 0a FF" << true << "01 0A FF";
    QTest::newRow("no spaces") << "010aff" << true << "01 0A FF";
    QTest::newRow("empty") << "" << true << "";
    QTest::newRow("odd digits") << "ABC" << false << "";
    QTest::newRow("half byte") << "01 0" << false << "";
    QTest::newRow("not hex") << "0G" << false << "";
    QTest::newRow("commas") << "01,02" << false << "";
}

void tst_clsRegistryAccess::writeBinaryRefusesBadHex()
{
    QFETCH(QString, hex);
    QFETCH(bool, accepted);
    QFETCH(QString, stored);
    clsRegistryAccess r;
    const QString path = QStringLiteral("HKCU\\Software\\Bin");
    QCOMPARE(r.WriteBinary(path, QStringLiteral("v"), hex) != 0, accepted);
    QCOMPARE(r.ValueExists(path, QStringLiteral("v")), accepted);
    QCOMPARE(r.KeyExists(path), accepted);
    if (accepted)
        QCOMPARE(r.ReadBinary(path, QStringLiteral("v"), QStringLiteral("none")), stored);
}

void tst_clsRegistryAccess::killKey_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("token");
    QTest::addColumn<bool>("existsAfter");
    QTest::newRow("leaf") << "HKCU\\Software\\T\\Old" << true << false;
    QTest::newRow("leaf, full root name") << "HKEY_CURRENT_USER\\software\\t\\old" << true << false;
    QTest::newRow("with subkeys") << "HKCU\\Software\\T\\Parent" << false << true;
    QTest::newRow("missing") << "HKCU\\Software\\T\\None" << false << false;
    QTest::newRow("root") << "HKCU" << false << true;
    QTest::newRow("unknown root") << "HKXX\\Software" << false << false;
}

void tst_clsRegistryAccess::killKey()
{
    QFETCH(QString, path);
    QFETCH(bool, token);
    QFETCH(bool, existsAfter);
    buildBaseline();
    clsRegistryAccess r;
    QCOMPARE(r.KillKey(path) != 0, token);
    QCOMPARE(r.KeyExists(path), existsAfter);
}

void tst_clsRegistryAccess::killValue_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("token");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("existing") << "HKCU\\Software\\T" << "GONE" << true << without(kBaseline, "gone=sz:x");
    QTest::newRow("missing value") << "HKCU\\Software\\T" << "none" << true << kBaseline;
    QTest::newRow("missing key") << "HKCU\\Software\\T\\None" << "gone" << false << kBaseline;
}

void tst_clsRegistryAccess::killValue()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(bool, token);
    QFETCH(QStringList, after);
    buildBaseline();
    clsRegistryAccess r;
    QCOMPARE(r.KillValue(path, name) != 0, token);
    QCOMPARE(dumpT(), after);
}

void tst_clsRegistryAccess::enumeration_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("all") << -1 << QStringList{"Count", "Name", "Blob", "", "Empty", "Neg", "Zero"}
                         << QStringList{"42", "中文 text", "01 0A FF", "根", "", "-1", ""};
    QTest::newRow("strings") << 1 << QStringList{"Name", "", "Empty"} << QStringList{"中文 text", "根", ""};
    QTest::newRow("binary") << 3 << QStringList{"Blob", "Zero"} << QStringList{"01 0A FF", ""};
    QTest::newRow("dword") << 4 << QStringList{"Count", "Neg"} << QStringList{"42", "-1"};
    QTest::newRow("other type") << 7 << QStringList() << QStringList();
}

void tst_clsRegistryAccess::enumeration()
{
    QFETCH(int, filter);
    QFETCH(QStringList, names);
    QFETCH(QStringList, values);
    buildTree();
    clsRegistryAccess r;
    QStringList gotNames{QStringLiteral("stale")}, gotValues{QStringLiteral("stale")};
    QCOMPARE(r.EnumValues(kTree, gotNames, gotValues, filter), int32_t(names.size()));
    QCOMPARE(gotNames, names);
    QCOMPARE(gotValues, values);

    QCOMPARE(r.EnumValues(kTree + QStringLiteral("\\None"), gotNames, gotValues, filter), -1);
    QVERIFY(gotNames.isEmpty() && gotValues.isEmpty());
    QStringList keys{QStringLiteral("stale")};
    QCOMPARE(r.EnumKeys(kTree, keys), 2);
    QCOMPARE(keys, (QStringList{"alpha", "Child"}));
    QCOMPARE(r.EnumKeys(kTree + QStringLiteral("\\None"), keys), -1);
    QVERIFY(keys.isEmpty());
    QCOMPARE(r.EnumKeys(kTree + QStringLiteral("\\Child\\Leaf"), keys), 0);
    QVERIFY(r.HaveSubkey(kTree));
    QVERIFY(!r.HaveSubkey(kTree + QStringLiteral("\\Child\\Leaf")));
    QVERIFY(!r.HaveSubkey(kTree + QStringLiteral("\\None")));
}

void tst_clsRegistryAccess::textOutsideCodePage()
{
    // Windows' "...A" functions would store '?' for these; nothing is stored instead.
    clsRegistryAccess r;
    const QString t = QStringLiteral("HKCU\\Software\\T");
    const QString smile = QStringLiteral("\U0001F600");
    QVERIFY(!r.WriteString(t, QStringLiteral("v"), smile));
    QVERIFY(!r.WriteString(t, smile, QStringLiteral("x")));
    QVERIFY(!r.WriteDword(t, smile, 1));
    QVERIFY(!r.WriteBinary(t, smile, QStringLiteral("01")));
    QVERIFY(!r.CreateKey(t + QLatin1Char('\\') + smile));
    QVERIFY(!r.KeyExists(t));
    QVERIFY(r.WriteString(t, QStringLiteral("测试"), QStringLiteral("管理员")));
    QCOMPARE(r.ReadString(t, QStringLiteral("测试")), QStringLiteral("管理员"));
    QCOMPARE(r.ReadString(t, smile, QStringLiteral("d")), QStringLiteral("d"));
}

// ---- REGEDIT4 ----

void tst_clsRegistryAccess::exportGolden()
{
    buildTree();
    clsRegistryAccess r;
    QStringList shown;
    QCOMPARE(r.ExportToReg(QStringLiteral("hkcu\\Software\\ZenloTest"), file(QStringLiteral("tree.reg")), true,
                           [&](const QString &p) { shown << p; }),
             1);
    QCOMPARE(r.lastError(), QString());
    QCOMPARE(testsupport::readFile(file(QStringLiteral("tree.reg"))), kGolden);
    QCOMPARE(shown, (QStringList{"HKEY_CURRENT_USER\\Software\\ZenloTest", "HKEY_CURRENT_USER\\Software\\ZenloTest\\alpha",
                                 "HKEY_CURRENT_USER\\Software\\ZenloTest\\Child",
                                 "HKEY_CURRENT_USER\\Software\\ZenloTest\\Child\\Leaf"}));
    // Only the target file is left in the folder.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("tree.reg")});

    // An existing file is never overwritten.
    QCOMPARE(r.ExportToReg(kTree + QStringLiteral("\\Child"), file(QStringLiteral("tree.reg"))), 0);
    QVERIFY(r.lastError().contains(QStringLiteral("already exists")));
    QCOMPARE(testsupport::readFile(file(QStringLiteral("tree.reg"))), kGolden);
}

// The file is the plain core's export (regedit4.h, which the Windows build
// runs too) byte for byte, and the rules tree gives the golden file that the
// Windows suite compares its own export with.
void tst_clsRegistryAccess::exportSameAsPlainCore_data()
{
    QTest::addColumn<bool>("rulesTree");
    QTest::newRow("the tree of this test") << false;
    QTest::newRow("the tree of the registry rules (GBK names and texts)") << true;
}

void tst_clsRegistryAccess::exportSameAsPlainCore()
{
    QFETCH(bool, rulesTree);
    QString key = kTree;
    if (rulesTree) {
        QVERIFY(registryrules::buildExportTree());
        key = QString::fromLatin1(registryrules::kExportKey);
    } else {
        buildTree();
    }
    clsRegistryAccess r;
    QCOMPARE(r.ExportToReg(key, file(QStringLiteral("cls.reg"))), 1);
    const QByteArray cls = testsupport::readFile(file(QStringLiteral("cls.reg")));
    std::string plain, reason;
    QVERIFY2(regedit4::exportText(key.toStdString(), true, &plain, &reason), reason.c_str());
    QCOMPARE(cls, QByteArray::fromStdString(plain));
    if (rulesTree)
        QCOMPARE(cls, testsupport::readFile(QStringLiteral(ZENLO_SOURCE_DIR "/src/platform/tests/fixtures/rules-export.reg")));
}

void tst_clsRegistryAccess::roundTrip()
{
    buildTree();
    clsRegistryAccess r;
    QCOMPARE(r.ExportToReg(kTree, file(QStringLiteral("a.reg"))), 1);
    killTree(kTree);
    QVERIFY(!r.KeyExists(kTree));

    r.setCreateKeyIfDoesntExists(false);
    QCOMPARE(r.ImportFromReg(file(QStringLiteral("a.reg"))), 1);
    QVERIFY(r.CreateKeyIfDoesntExists());
    QCOMPARE(r.ReadString(kTree, QStringLiteral("Name")), QStringLiteral("中文 text"));
    QCOMPARE(r.ReadString(kTree, QString()), QStringLiteral("根"));
    QCOMPARE(r.ReadBinary(kTree, QStringLiteral("Blob")), QStringLiteral("01 0A FF"));
    QCOMPARE(r.ReadDword(kTree, QStringLiteral("Neg")), -1);
    QVERIFY(r.KeyExists(kTree + QStringLiteral("\\Child\\Leaf")));

    QCOMPARE(r.ExportToReg(kTree, file(QStringLiteral("b.reg"))), 1);
    QCOMPARE(testsupport::readFile(file(QStringLiteral("b.reg"))), kGolden);
}

void tst_clsRegistryAccess::exportDefaultValue()
{
    clsRegistryAccess r;
    QVERIFY(r.WriteString(QStringLiteral("HKCU\\Software\\T\\EmptyDefault"), QStringLiteral("@"), QString()));
    QVERIFY(r.CreateKey(QStringLiteral("HKCU\\Software\\T\\NoDefault")));
    QVERIFY(r.WriteDword(QStringLiteral("HKCU\\Software\\T\\DwordDefault"), QString(), 1));
    QCOMPARE(r.ExportToReg(QStringLiteral("HKCU\\Software\\T"), file(QStringLiteral("d.reg"))), 1);
    QCOMPARE(testsupport::readFile(file(QStringLiteral("d.reg"))),
             QByteArray("REGEDIT4\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\T]\r\n\r\n"
                        // A DWORD default is no text: it goes with the DWORDs, under an empty name.
                        "[HKEY_CURRENT_USER\\Software\\T\\DwordDefault]\r\n\"\"=dword:00000001\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\T\\EmptyDefault]\r\n@=\"\"\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\T\\NoDefault]\r\n\r\n"));
    // The DWORD default comes back under the empty name.
    killTree(QStringLiteral("HKCU\\Software\\T"));
    QCOMPARE(r.ImportFromReg(file(QStringLiteral("d.reg"))), 1);
    QCOMPARE(r.ReadDword(QStringLiteral("HKCU\\Software\\T\\DwordDefault"), QString()), 1);
}

void tst_clsRegistryAccess::exportWithoutSubkeys()
{
    buildTree();
    clsRegistryAccess r;
    QCOMPARE(r.ExportToReg(kTree + QStringLiteral("\\Child\\"), file(QStringLiteral("c.reg")), false), 1);
    QCOMPARE(testsupport::readFile(file(QStringLiteral("c.reg"))),
             QByteArray("REGEDIT4\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\ZenloTest\\Child]\r\n"
                        "\"Path\"=\"C:\\Program Files\\Zenlo\"\r\n"
                        "\"Flags\"=dword:00000010\r\n\r\n"));
}

void tst_clsRegistryAccess::exportRefused_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing key") << "" << "HKCU\\Software\\T\\None" << "cannot be opened";
    QTest::newRow("unknown root") << "" << "HKXX\\Software" << "unknown root";
    QTest::newRow("value name outside the code page") << "name" << "HKCU\\Software\\T" << "code page";
    QTest::newRow("text not valid in the code page") << "text" << "HKCU\\Software\\T" << "code page";
    QTest::newRow("key name outside the code page") << "key" << "HKCU\\Software\\T" << "code page";
    QTest::newRow("line break in a text") << "break" << "HKCU\\Software\\T" << "line break";
    QTest::newRow("line break in a subkey's value name") << "subbreak" << "HKCU\\Software\\T" << "line break";
    QTest::newRow("path outside the code page") << "" << "HKCU\\Software\\T\\\U0001F600"
                                                << "[HKEY_CURRENT_USER\\Software\\T\\\U0001F600]: the key name cannot be "
                                                   "written in code page 936";
    QTest::newRow("unknown root outside the code page") << "" << "\U0001F600\\T" << "\U0001F600\\T: unknown root key";
    QTest::newRow("folder missing") << "" << "HKCU\\Software\\T" << "cannot create";
}

void tst_clsRegistryAccess::exportRefused()
{
    QFETCH(QString, setup);
    QFETCH(QString, path);
    QFETCH(QString, error);
    buildBaseline();
    // Values that clsRegistryAccess itself never writes, straight into the store.
    HKEY t = 0;
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Software\\T\\Parent"), KeyAllAccess, &t), Success);
    if (setup == QLatin1String("name"))
        QCOMPARE(setValue(t, QStringLiteral("smile \U0001F600"), RegSz, stringData("x")), Success);
    else if (setup == QLatin1String("text"))
        QCOMPARE(setValue(t, QStringLiteral("bad"), RegSz, QByteArray("\xFF\xFF", 3)), Success);
    else if (setup == QLatin1String("key")) {
        HKEY k = 0;
        QCOMPARE(createKey(t, QStringLiteral("\U0001F600"), KeyAllAccess, &k), Success);
        closeKey(k);
    } else if (setup == QLatin1String("break"))
        QCOMPARE(setValue(t, QStringLiteral("text"), RegSz, stringData("a\r\n[-HKEY_CURRENT_USER\\Software\\T\\Old]")),
                 Success);
    else if (setup == QLatin1String("subbreak")) {
        HKEY k = 0;
        QCOMPARE(createKey(t, QStringLiteral("Kid"), KeyAllAccess, &k), Success);
        QCOMPARE(setValue(k, QStringLiteral("a\nb"), RegDword, dwordData(1)), Success);
        closeKey(k);
    }
    closeKey(t);

    const QString target = setup.isEmpty() && error == QLatin1String("cannot create")
                               ? file(QStringLiteral("no/such/folder/x.reg"))
                               : file(QStringLiteral("x.reg"));
    clsRegistryAccess r;
    QCOMPARE(r.ExportToReg(path, target), 0);
    QVERIFY2(r.lastError().contains(error), qPrintable(r.lastError()));
    // Neither the file nor a temporary file is left behind.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
}

void tst_clsRegistryAccess::importForms_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("after");
    const QByteArray t = "[HKEY_CURRENT_USER\\Software\\T]\r\n";
    QTest::newRow("lower-case header") << QByteArray("regedit4\r\n\r\n" + t + "\"new\"=\"v\"\r\n") << 1
                                       << with(kBaseline, 3, "new=sz:v");
    QTest::newRow("abbreviated root") << QByteArray("REGEDIT4\r\n[HKCU\\Software\\T]\r\n\"new\"=\"v\"\r\n") << 1
                                      << with(kBaseline, 3, "new=sz:v");
    QTest::newRow("comments, blank and odd lines")
        << QByteArray("REGEDIT4\r\n\"pre\"=\"before any key\"\r\n" + t
                      + "; \"c\"=\"comment\"\r\n\r\n   \r\njunk\r\n  \"new\"=\"v\"  \r\n")
        << 1 << with(kBaseline, 3, "new=sz:v");
    QTest::newRow("quoted key line") << QByteArray("REGEDIT4\r\n\"[HKEY_CURRENT_USER\\Software\\T\\Q]\"\r\n") << 1
                                     << with(kBaseline, 6, "[Q]");
    QTest::newRow("empty key is created") << QByteArray("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\T\\New]\r\n") << 1
                                          << with(kBaseline, 3, "[New]");
    QTest::newRow("delete value") << QByteArray("REGEDIT4\r\n" + t + "\"gone\"=-\r\n\"nothing\"= - \r\n") << 1
                                  << without(kBaseline, "gone=sz:x");
    QTest::newRow("delete key") << QByteArray("REGEDIT4\r\n[-HKEY_CURRENT_USER\\Software\\T\\Old]\r\n\"x\"=\"ignored\"\r\n")
                                << 1 << without(kBaseline, "[Old]");
    QTest::newRow("delete missing key") << QByteArray("REGEDIT4\r\n[-HKEY_CURRENT_USER\\Software\\T\\None]\r\n") << 1
                                        << kBaseline;
    QTest::newRow("delete key with subkeys")
        << QByteArray("REGEDIT4\r\n" + t + "\"new\"=\"v\"\r\n[-HKEY_CURRENT_USER\\Software\\T\\Parent]\r\n" + t
                      + "\"later\"=\"not reached\"\r\n")
        << 0 << with(kBaseline, 3, "new=sz:v");
    QTest::newRow("default value") << QByteArray("REGEDIT4\r\n" + t + "@=\"d\"\r\n") << 1 << with(kBaseline, 3, "@=sz:d");
    QTest::newRow("empty default deletes it") << QByteArray("REGEDIT4\r\n" + t + "@=\"d\"\r\n@=\"\"\r\n") << 1
                                              << kBaseline;
    QTest::newRow("@ in a dword is a name")
        << QByteArray("REGEDIT4\r\n" + t + "\"@\"=dword:00000001\r\n\"@\"=hex:02\r\n") << 1
        << with(kBaseline, 3, "@=bin:02");
    QTest::newRow("dword forms")
        << QByteArray("REGEDIT4\r\n" + t + "\"a\"=dword:FFFFFFFF\r\n\"b\"=DWORD:1a\r\n\"c\"=dword:0000001Az\r\n") << 1
        << (kBaseline.mid(0, 3) + QStringList{"a=dword:-1", "b=dword:26", "c=dword:26"} + kBaseline.mid(3));
    QTest::newRow("hex forms") << QByteArray("REGEDIT4\r\n" + t + "\"a\"=HEX:0a,0B\r\n\"b\"=hex:\r\n\"c\"=hex:01, 02\r\n")
                               << 1
                               << (kBaseline.mid(0, 3) + QStringList{"a=bin:0A 0B", "b=bin:", "c=bin:01 02"}
                                   + kBaseline.mid(3));
    QTest::newRow("second = drops the rest") << QByteArray("REGEDIT4\r\n" + t + "\"keep\"=\"b=c\"\r\n") << 1
                                             << (QStringList{"[]", "keep=sz:b", "gone=sz:x"} + kBaseline.mid(3));
    QTest::newRow("ansi text") << QByteArray("REGEDIT4\r\n" + t + "\"\xB2\xE2\xCA\xD4\"=\"\xB9\xDC\xC0\xED\xD4\xB1\"\r\n")
                               << 1 << with(kBaseline, 3, "测试=sz:管理员");
}

void tst_clsRegistryAccess::importForms()
{
    QFETCH(QByteArray, body);
    QFETCH(int, result);
    QFETCH(QStringList, after);
    buildBaseline();
    clsRegistryAccess r;
    QCOMPARE(r.ImportFromReg(writeFile(QStringLiteral("in.reg"), body)), result);
    QCOMPARE(dumpT(), after);
    if (!result)
        QVERIFY(!r.lastError().isEmpty());
}

void tst_clsRegistryAccess::importRefused_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    const QByteArray ok = "[HKEY_CURRENT_USER\\Software\\T]\r\n\"keep\"=\"changed\"\r\n\"gone\"=-\r\n"
                          "[-HKEY_CURRENT_USER\\Software\\T\\Old]\r\n"
                          "[HKEY_CURRENT_USER\\Software\\T\\Added]\r\n\"new\"=\"v\"\r\n";
    QTest::newRow("utf-8 byte-order mark") << QByteArray("\xEF\xBB\xBFREGEDIT4\r\n\r\n" + ok) << "byte-order mark";
    QTest::newRow("utf-16 byte-order mark") << QByteArray("\xFF\xFER\0E\0", 6) << "byte-order mark";
    QTest::newRow("other header") << QByteArray("Windows Registry Editor Version 5.00\r\n\r\n" + ok) << "line 1";
    QTest::newRow("header with a space") << QByteArray("REGEDIT4 \r\n" + ok) << "line 1";
    QTest::newRow("LF line ends") << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\T]\n\"keep\"=\"changed\"\n")
                                  << "line 1";
    QTest::newRow("empty file") << QByteArray() << "line 1";
    QTest::newRow("missing bracket") << QByteArray("REGEDIT4\r\n" + ok + "[HKEY_CURRENT_USER\\Software\\T\\X\r\n")
                                     << "line 8: a key line must end";
    QTest::newRow("odd hex digits") << QByteArray("REGEDIT4\r\n" + ok + "\"b\"=hex:01,0\r\n") << "line 8: hex data";
    QTest::newRow("non-hex data") << QByteArray("REGEDIT4\r\n" + ok + "\"b\"=hex:0g\r\n") << "line 8";
    QTest::newRow("wrapped hex") << QByteArray("REGEDIT4\r\n" + ok + "\"b\"=hex:01,02,\\\r\n  03\r\n") << "line 8";
    QTest::newRow("dword without digits") << QByteArray("REGEDIT4\r\n" + ok + "\"d\"=dword:\r\n") << "line 8: a dword";
    QTest::newRow("dword of 9 digits") << QByteArray("REGEDIT4\r\n" + ok + "\"d\"=dword:123456789\r\n") << "line 8";
    QTest::newRow("key name too long")
        << QByteArray("REGEDIT4\r\n" + ok + "[HKEY_CURRENT_USER\\Software\\" + QByteArray(256, 'k') + "]\r\n") << "line 8";
    QTest::newRow("empty key name") << QByteArray("REGEDIT4\r\n" + ok + "[HKEY_CURRENT_USER\\Software\\\\x]\r\n")
                                    << "line 8";
    QTest::newRow("unknown root") << QByteArray("REGEDIT4\r\n" + ok + "[HKEY_NOWHERE\\x]\r\n") << "line 8: unknown root";
    QTest::newRow("empty key line") << QByteArray("REGEDIT4\r\n" + ok + "[]\r\n") << "line 8";
    QTest::newRow("value name too long")
        << QByteArray("REGEDIT4\r\n" + ok + "\"" + QByteArray(16384, 'n') + "\"=\"v\"\r\n") << "line 8: a value name";
    QTest::newRow("string too long")
        << QByteArray("REGEDIT4\r\n" + ok + "\"s\"=\"" + QByteArray(1024 * 1024, 's') + "\"\r\n") << "line 8: a value larger";
    QTest::newRow("binary too long")
        << QByteArray("REGEDIT4\r\n" + ok + "\"b\"=hex:" + QByteArray(1024 * 1024 + 1, 'x').replace('x', "00") + "\r\n")
        << "line 8: a value larger";
    QTest::newRow("bytes outside the code page") << QByteArray("REGEDIT4\r\n" + ok + "\"s\"=\"\xFF\xFF\"\r\n")
                                                 << "line 8: the line is not valid text";
}

void tst_clsRegistryAccess::importRefused()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    buildBaseline();
    clsRegistryAccess r;
    QCOMPARE(r.ImportFromReg(writeFile(QStringLiteral("bad.reg"), body)), 0);
    QVERIFY2(r.lastError().contains(error), qPrintable(r.lastError()));
    QCOMPARE(dumpT(), kBaseline);

    QCOMPARE(r.ImportFromReg(file(QStringLiteral("missing.reg"))), 0);
    QVERIFY(r.lastError().contains(QStringLiteral("no such file")));
}

// The lines whose texts regedit would have unescaped come back by number, with
// the error of a refused file prefixed by the file's path.
void tst_clsRegistryAccess::importReportsEscapes()
{
    clsRegistryAccess r;
    QList<int> escaped{99};
    const QString good = writeFile(QStringLiteral("esc.reg"),
                                   "REGEDIT4\r\n[HKCU\\Software\\T]\r\n\"jo\"=\"\x81\x5C\"\r\n"
                                   "\"q\"=\"say \\\"hi\\\"\"\r\n\"p\"=\"C:\\dir\"\r\n\"u\"=\"\\\\server\"\r\n");
    QCOMPARE(r.ImportFromReg(good, &escaped), 1);
    QCOMPARE(escaped, (QList<int>{4, 6}));
    QCOMPARE(r.ReadString(QStringLiteral("HKCU\\Software\\T"), QStringLiteral("jo")), QStringLiteral("乗"));
    QCOMPARE(r.ReadString(QStringLiteral("HKCU\\Software\\T"), QStringLiteral("q")), QStringLiteral("say \\hi\\"));
    QCOMPARE(r.ReadString(QStringLiteral("HKCU\\Software\\T"), QStringLiteral("u")), QStringLiteral("\\\\server"));

    const QString bad = writeFile(QStringLiteral("bad.reg"), "REGEDIT4\r\n[HKCU\\Software\\T]\r\n\"d\"=dword:\r\n");
    QCOMPARE(r.ImportFromReg(bad, &escaped), 0);
    QVERIFY(escaped.isEmpty());
    QCOMPARE(r.lastError(), bad + QStringLiteral(": line 3: a dword needs 1 to 8 hex digits"));
}

QTEST_GUILESS_MAIN(tst_clsRegistryAccess)
#include "tst_clsregistryaccess.moc"

#include "components/encryption.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

class tst_Encryption : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
    void otherSecretFile();
    void secretPersists();
    void permissions();
    void defaultLocation();
    void damagedSecret();
    void looseSecretTightened();

private:
    static QFileDevice::Permissions othersBits()
    {
        return QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
            | QFileDevice::WriteOther | QFileDevice::ExeOther;
    }

    QTemporaryDir m_dir;
    QString m_secret;
};

void tst_Encryption::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_secret = m_dir.filePath(QStringLiteral("main/secret.key"));
}

void tst_Encryption::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << "Secret-1";
    QTest::newRow("Chinese") << "密码：中文123";
    QTest::newRow("empty") << "";
    QTest::newRow("blanks kept") << "  a b  ";
    QTest::newRow("line breaks") << "a\r\nb\n";
    QTest::newRow("outside the basic plane") << "😀x";
    QTest::newRow("long") << QString(5000, QLatin1Char('x'));
}

void tst_Encryption::roundTrip()
{
    QFETCH(QString, text);
    Encryption e(m_secret);
    const QString value = e.Encrypt(text, QStringLiteral("qoxu"));
    QVERIFY(!value.isEmpty());
    QVERIFY(QByteArray::fromBase64Encoding(value.toLatin1(), QByteArray::AbortOnBase64DecodingErrors));
    if (!text.isEmpty())
        QVERIFY(!value.contains(text));
    QCOMPARE(e.Decrypt(value, QStringLiteral("qoxu")), text);
    QVERIFY(e.lastDecryptOk());
    // A fresh nonce each time: the same text never gives the same value twice.
    QVERIFY(e.Encrypt(text, QStringLiteral("qoxu")) != value);
}

void tst_Encryption::refused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("other key") << "key";
    QTest::newRow("key in other case") << "keycase";
    QTest::newRow("one byte changed") << "tampered";
    QTest::newRow("cut short") << "truncated";
    QTest::newRow("one byte added") << "extended";
    QTest::newRow("not Base64") << "garbage";
    QTest::newRow("Chinese text") << "chinese";
    QTest::newRow("too short to hold a nonce") << "short";
    QTest::newRow("empty") << "empty";
    QTest::newRow("blanks") << "blanks";
}

void tst_Encryption::refused()
{
    QFETCH(QString, kind);
    Encryption e(m_secret);
    const QString good = e.Encrypt(QStringLiteral("Secret-1"), QStringLiteral("qoxu"));
    QCOMPARE(e.Decrypt(good, QStringLiteral("qoxu")), QStringLiteral("Secret-1"));
    QVERIFY(e.lastDecryptOk());

    QString value = good;
    QString key = QStringLiteral("qoxu");
    QByteArray raw = QByteArray::fromBase64(good.toLatin1());
    if (kind == QLatin1String("key")) {
        key = QStringLiteral("qoxv");
    } else if (kind == QLatin1String("keycase")) {
        key = QStringLiteral("QOXU");
    } else if (kind == QLatin1String("tampered")) {
        raw[raw.size() / 2] = char(raw.at(raw.size() / 2) ^ 0x01);
        value = QString::fromLatin1(raw.toBase64());
    } else if (kind == QLatin1String("truncated")) {
        value = QString::fromLatin1(raw.left(raw.size() - 1).toBase64());
    } else if (kind == QLatin1String("extended")) {
        value = QString::fromLatin1((raw + 'x').toBase64());
    } else if (kind == QLatin1String("garbage")) {
        value = QStringLiteral("not base64 at all!!");
    } else if (kind == QLatin1String("chinese")) {
        value = QString::fromUtf8("密码");
    } else if (kind == QLatin1String("short")) {
        value = QString::fromLatin1(QByteArray(20, 'a').toBase64());
    } else if (kind == QLatin1String("empty")) {
        value.clear();
    } else if (kind == QLatin1String("blanks")) {
        value = QStringLiteral("   ");
    }
    QCOMPARE(e.Decrypt(value, key), QString());
    QVERIFY(!e.lastDecryptOk());
}

void tst_Encryption::otherSecretFile()
{
    Encryption mine(m_secret);
    Encryption other(m_dir.filePath(QStringLiteral("other/secret.key")));
    const QString value = mine.Encrypt(QStringLiteral("Secret-1"), QStringLiteral("qoxu"));
    QCOMPARE(other.Decrypt(value, QStringLiteral("qoxu")), QString());
    QVERIFY(!other.lastDecryptOk());
    // Decrypting never creates a secret of its own.
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("other/secret.key"))));
    const QString theirs = other.Encrypt(QStringLiteral("Secret-1"), QStringLiteral("qoxu"));
    QVERIFY(QFileInfo::exists(other.secretFile()));
    QCOMPARE(mine.Decrypt(theirs, QStringLiteral("qoxu")), QString());
    QVERIFY(!mine.lastDecryptOk());
    QCOMPARE(other.Decrypt(theirs, QStringLiteral("qoxu")), QStringLiteral("Secret-1"));
}

void tst_Encryption::secretPersists()
{
    // A value written in one run is read in the next (another object over the same file).
    const QString value = Encryption(m_secret).Encrypt(QStringLiteral("密码"), QStringLiteral("qoxu"));
    const QByteArray secretBefore = testsupport::readFile(m_secret);
    QCOMPARE(secretBefore.size(), 32);
    Encryption later(m_secret);
    QCOMPARE(later.Decrypt(value, QStringLiteral("qoxu")), QString::fromUtf8("密码"));
    QCOMPARE(testsupport::readFile(m_secret), secretBefore);
}

void tst_Encryption::permissions()
{
    const QString file = m_dir.filePath(QStringLiteral("perm/deep/secret.key"));
    Encryption e(file);
    QVERIFY(!e.Encrypt(QStringLiteral("x"), QStringLiteral("qoxu")).isEmpty());
    const QFileDevice::Permissions p = QFile::permissions(file);
    QVERIFY(p & QFileDevice::ReadOwner);
    QVERIFY(p & QFileDevice::WriteOwner);
    QVERIFY(!(p & QFileDevice::ExeOwner));
    QCOMPARE(p & othersBits(), QFileDevice::Permissions());
    const QFileDevice::Permissions d = QFile::permissions(m_dir.filePath(QStringLiteral("perm/deep")));
    QVERIFY(d & QFileDevice::ExeOwner);
    QCOMPARE(d & othersBits(), QFileDevice::Permissions());
    // No temporary file is left beside the secret.
    QCOMPARE(QDir(m_dir.filePath(QStringLiteral("perm/deep"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("secret.key")});
}

void tst_Encryption::defaultLocation()
{
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString expected = config.path() + QStringLiteral("/zenlo/secret.key");
    QCOMPARE(Encryption::defaultSecretFile(), expected);
    Encryption e;
    QCOMPARE(e.secretFile(), expected);
    const QString value = e.Encrypt(QStringLiteral("Secret-1"), QStringLiteral("qoxu"));
    QCOMPARE(e.Decrypt(value, QStringLiteral("qoxu")), QStringLiteral("Secret-1"));
    QCOMPARE(QFile::permissions(expected) & othersBits(), QFileDevice::Permissions());
    QCOMPARE(QFile::permissions(config.path() + QStringLiteral("/zenlo")) & othersBits(), QFileDevice::Permissions());
    qputenv("XDG_CONFIG_HOME", saved);
}

void tst_Encryption::damagedSecret()
{
    // A secret of the wrong length is not silently replaced: values written with it would be lost.
    const QString file = m_dir.filePath(QStringLiteral("damaged.key"));
    QVERIFY(testsupport::writeFile(file, QByteArray(31, 'k')));
    Encryption e(file);
    QCOMPARE(e.Encrypt(QStringLiteral("x"), QStringLiteral("qoxu")), QString());
    QCOMPARE(e.Decrypt(Encryption(m_secret).Encrypt(QStringLiteral("x"), QStringLiteral("qoxu")), QStringLiteral("qoxu")),
             QString());
    QVERIFY(!e.lastDecryptOk());
    QCOMPARE(testsupport::readFile(file), QByteArray(31, 'k'));
}

void tst_Encryption::looseSecretTightened()
{
    const QString file = m_dir.filePath(QStringLiteral("loose.key"));
    QVERIFY(testsupport::writeFile(file, QByteArray(32, 's')));
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                            | QFileDevice::ReadOther));
    Encryption e(file);
    const QString value = e.Encrypt(QStringLiteral("x"), QStringLiteral("qoxu"));
    QCOMPARE(e.Decrypt(value, QStringLiteral("qoxu")), QStringLiteral("x"));
    QCOMPARE(QFile::permissions(file) & othersBits(), QFileDevice::Permissions());
}

QTEST_GUILESS_MAIN(tst_Encryption)
#include "tst_encryption.moc"

#include "util/b64.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray bytes(const char *data, qsizetype n) { return QByteArray(data, n); }

// The decoding rules written the plain way, one group at a time, as the oracle
// for the table-driven decoder on arbitrary input.
QByteArray decodeByRules(QByteArray in)
{
    while (in.size() % 4)
        in += '=';
    if (in.isEmpty())
        return {};
    auto value = [](uchar ch) -> int {
        if (ch >= 'A' && ch <= 'Z')
            return ch - 'A';
        if (ch >= 'a' && ch <= 'z')
            return ch - 'a' + 26;
        if (ch >= '0' && ch <= '9')
            return ch - '0' + 52;
        if (ch == '+')
            return 62;
        if (ch == '/')
            return 63;
        return ch == '=' ? 64 : 255;
    };
    const int pad = in.at(in.size() - 2) == '=' ? 2 : in.at(in.size() - 1) == '=' ? 1 : 0;
    QByteArray out(3 * (in.size() / 4) - pad, '\0');
    int o = 0;
    for (int i = 0; i < in.size(); i += 4) {
        const auto *g = reinterpret_cast<const uchar *>(in.constData() + i);
        if (g[0] > 233 || g[1] > 233 || g[2] > 233 || g[3] > 233)
            break;
        const int a = value(g[0]), b = value(g[1]), c = value(g[2]), d = value(g[3]);
        if (c == 64 || d == 64) {
            const int first = a * 4 + ((b >> 4) & 3);
            if (first > 255)
                break;
            out[o++] = char(first);
            if (c != 64)
                out[o++] = char(((b * 16) & 255) | (c >> 2));
            break;
        }
        out[o++] = char(((a * 4) & 255) | ((b >> 4) & 3));
        out[o++] = char(((b * 16) & 255) | ((c >> 2) & 15));
        out[o++] = char(((c * 64) & 255) | d);
    }
    return out;
}

QByteArray randomBytes(QRandomGenerator &rng, int n)
{
    QByteArray b(n, '\0');
    for (char &c : b)
        c = char(rng.bounded(256));
    return b;
}

} // namespace

class tst_b64 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodeBytes_data();
    void decodeBytes();
    void decodeMimeWord_data();
    void decodeMimeWord();
    void decodeText_data();
    void decodeText();
    void stripLineBreaks_data();
    void stripLineBreaks();
    void decodeToFile_data();
    void decodeToFile();
    void decodeToFileWritesNothing_data();
    void decodeToFileWritesNothing();
    void decodeToFileReplacesWholeFile();
    void validTextDecodesAsQt();
    void arbitraryBytesFollowTheRules();
};

void tst_b64::decodeBytes_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("rfc f") << QByteArray("Zg==") << QByteArray("f");
    QTest::newRow("rfc fo") << QByteArray("Zm8=") << QByteArray("fo");
    QTest::newRow("rfc foo") << QByteArray("Zm9v") << QByteArray("foo");
    QTest::newRow("rfc foob") << QByteArray("Zm9vYg==") << QByteArray("foob");
    QTest::newRow("rfc fooba") << QByteArray("Zm9vYmE=") << QByteArray("fooba");
    QTest::newRow("rfc foobar") << QByteArray("Zm9vYmFy") << QByteArray("foobar");
    QTest::newRow("QQ==") << QByteArray("QQ==") << QByteArray("A");
    QTest::newRow("all alphabet") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
                                  << QByteArray::fromHex("00108310518720928b30d38f41149351559761969b71d79f8218a39259a7a29aabb2dbafc31cb3d35db7e39ebbf3dfbf");

    // Lengths that are not a multiple of 4 are padded with "=".
    QTest::newRow("pad 2 chars") << QByteArray("QQ") << QByteArray("A");
    QTest::newRow("pad 3 chars") << QByteArray("Zm8") << QByteArray("fo");
    QTest::newRow("pad foob") << QByteArray("Zm9vYg") << QByteArray("foob");
    QTest::newRow("pad fooba") << QByteArray("Zm9vYmE") << QByteArray("fooba");
    QTest::newRow("one char") << QByteArray("Q") << QByteArray("\x40");
    QTest::newRow("one char after group") << QByteArray("Zm9vY") << QByteArray("foo`");
    QTest::newRow("only =") << QByteArray("=") << bytes("\0", 1);
    QTest::newRow("only ==") << QByteArray("==") << bytes("\0", 1);
    QTest::newRow("only ===") << QByteArray("===") << bytes("\0", 1);
    QTest::newRow("five =") << QByteArray("=====") << bytes("\0\0\0\0", 4);

    // Decoding ends at the first group whose third or fourth character is "=";
    // the output keeps the size the last group's padding gives it.
    QTest::newRow("pad group first") << QByteArray("QQ==Zm9v") << bytes("A\0\0\0\0\0", 6);
    QTest::newRow("one pad then group") << QByteArray("Zm8=Zm9v") << bytes("fo\0\0\0\0", 6);
    QTest::newRow("pad group in middle") << QByteArray("Zm9vQQ==Zm9vYmFy") << bytes("fooA\0\0\0\0\0\0\0\0", 12);
    QTest::newRow("= at third place") << QByteArray("Zm=v") << QByteArray("f");
    QTest::newRow("= at third, char at fourth") << QByteArray("Zm9vQQ=Q") << QByteArray("fooA");
    QTest::newRow("= at second place goes on") << QByteArray("A=AAZm9v") << bytes("\0\0\0foo", 6);
    QTest::newRow("= first in pad group") << QByteArray("Zm9v=A==") << bytes("foo\0", 4);
    QTest::newRow("= first, one pad") << QByteArray("Zm9v=AA=") << bytes("foo\0\0", 5);

    // Characters outside the alphabet count as 255.
    QTest::newRow("outside alphabet") << QByteArray("Zm9v!!!!") << QByteArray("foo\xff\xff\xff");
    QTest::newRow("outside at fourth") << QByteArray("Zm9!") << QByteArray("fo\xff");
    QTest::newRow("outside before pad") << QByteArray("Zg!=") << QByteArray("f?");
    QTest::newRow("line end inside") << QByteArray("Zm9v\r\nAA") << bytes("foo\xff\xf0\0", 6);
    QTest::newRow("outside first in pad group") << QByteArray("Zm9v!Q==") << bytes("foo\0", 4);
    QTest::newRow("code 233 counts as 255") << QByteArray("Zm9v\xe9" "AAA") << bytes("foo\xfc\0\0", 6);

    // A code above 233 ends decoding; the rest stays zero.
    QTest::newRow("code 234") << QByteArray("Zm9v\xea" "AAAZm9v") << bytes("foo\0\0\0\0\0\0", 9);
    QTest::newRow("code 255 last") << QByteArray("Zm9vAAA\xff") << bytes("foo\0\0\0", 6);
    QTest::newRow("code 255 padded") << QByteArray("Zm9v\xff") << bytes("foo\0", 4);
}

void tst_b64::decodeBytes()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);

    QCOMPARE(b64::DecodeBytes(QByteArrayView(input)), expected);

    QByteArray padded = input;
    QByteArray out("stale");
    b64::DecodeBytes(padded, out);
    QCOMPARE(out, expected);
    // The caller sees its input padded in place.
    QCOMPARE(padded.size() % 4, 0);
    QVERIFY(padded.startsWith(input));
    QCOMPARE(padded.mid(input.size()), QByteArray(padded.size() - input.size(), '='));
}

void tst_b64::decodeMimeWord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("plain caption") << QStringLiteral("采购管理") << QStringLiteral("采购管理");
    QTest::newRow("plain latin") << QStringLiteral("Purchase") << QStringLiteral("Purchase");
    QTest::newRow("gb2312 word") << QStringLiteral("=?gb2312?B?1tDOxA==?=") << QStringLiteral("中文");
    QTest::newRow("gb2312 one pad") << QStringLiteral("=?gb2312?B?1tDOxLHqzOI=?=") << QStringLiteral("中文标题");
    QTest::newRow("gb2312 with colon") << QStringLiteral("=?gb2312?B?wfezzM28o7qyybm6udzA7Q==?=")
                                       << QStringLiteral("流程图：采购管理");
    QTest::newRow("terminator not examined") << QStringLiteral("=?gb2312?B?1tDOxA==xx") << QStringLiteral("中文");
    QTest::newRow("charset in capitals") << QStringLiteral("=?GB2312?B?1tDOxA==?=") << QStringLiteral("=?GB2312?B?1tDOxA==?=");
    QTest::newRow("encoding in lower case") << QStringLiteral("=?gb2312?b?1tDOxA==?=") << QStringLiteral("=?gb2312?b?1tDOxA==?=");
    QTest::newRow("other charset") << QStringLiteral("=?utf-8?B?5Lit5paH?=") << QStringLiteral("=?utf-8?B?5Lit5paH?=");
    QTest::newRow("leading blank") << QStringLiteral(" =?gb2312?B?1tDOxA==?=") << QStringLiteral(" =?gb2312?B?1tDOxA==?=");
    QTest::newRow("prefix only") << QStringLiteral("=?gb2312?B?") << QString();
    QTest::newRow("12 characters") << QStringLiteral("=?gb2312?B?Q") << QString();
    QTest::newRow("13 characters") << QStringLiteral("=?gb2312?B?QQ") << QString();
    QTest::newRow("QQ== word") << QStringLiteral("=?gb2312?B?QQ==?=") << QStringLiteral("A");
}

void tst_b64::decodeMimeWord()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(b64::DecodeMimeWord(text), expected);
}

void tst_b64::decodeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString line = QStringLiteral("QUFB").repeated(18); // 72 characters, "AAA" x 18
    const QString aaa = QStringLiteral("A").repeated(54);

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("ascii") << QStringLiteral("Zm9vYmFy") << QStringLiteral("foobar");
    QTest::newRow("gb2312") << QStringLiteral("wfezzM28o7qyybm6udzA7Q==") << QStringLiteral("流程图：采购管理");
    QTest::newRow("wrapped at 72") << line + QStringLiteral("\nQkJC") << aaa + QStringLiteral("BBB");
    QTest::newRow("any byte at 73rd place") << line + QStringLiteral("#QkJC") << aaa + QStringLiteral("BBB");
    // One line of 76 characters loses its 73rd: "kJC" is what remains of the last group.
    QTest::newRow("73rd character lost") << line + QStringLiteral("QkJC") << aaa + QStringLiteral("悙");
    // Zero-filled bytes after the first pad group come back as NUL characters.
    QTest::newRow("pad group first") << QStringLiteral("QQ==Zm9v") << QStringLiteral("A") + QString(5, QChar(0));
    // GBK bytes of a non-Base64 text: out of the alphabet, the pad group's first byte overflows.
    QTest::newRow("chinese input") << QStringLiteral("中") << QString(1, QChar(0));
}

void tst_b64::decodeText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(b64::DecodeText(text), expected);
}

void tst_b64::stripLineBreaks_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    auto run = [](int n) {
        QByteArray b;
        for (int i = 0; i < n; ++i)
            b += char('a' + i % 26);
        return b;
    };
    auto without = [](QByteArray b, std::initializer_list<int> positions) {
        // Highest first, so earlier positions stay where they are.
        for (auto it = std::rbegin(positions); it != std::rend(positions); ++it)
            b.remove(*it, 1);
        return b;
    };

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("1") << run(1) << run(1);
    QTest::newRow("72 kept") << run(72) << run(72);
    QTest::newRow("73 drops 72") << run(73) << without(run(73), {72});
    QTest::newRow("145 drops 72") << run(145) << without(run(145), {72});
    QTest::newRow("146 drops 72 145") << run(146) << without(run(146), {72, 145});
    QTest::newRow("300 drops 72 145 218 291") << run(300) << without(run(300), {72, 145, 218, 291});
    QTest::newRow("crlf keeps lf") << QByteArray(run(72) + "\r\n" + run(10)) << QByteArray(run(72) + "\n" + run(10));
    QTest::newRow("short line not removed") << QByteArray(run(40) + "\n" + run(40)) << without(run(40) + "\n" + run(40), {72});
}

void tst_b64::stripLineBreaks()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(b64::StripLineBreaks(input), expected);
}

void tst_b64::decodeToFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QByteArray image;
    for (int i = 0; i < 256; ++i)
        image += char(i);
    const QString encoded = QString::fromLatin1(image.toBase64());
    QStringList lines;
    for (qsizetype i = 0; i < encoded.size(); i += 72)
        lines << encoded.mid(i, 72);
    const QString wrapped = lines.join(QLatin1Char('\n'));

    QTest::newRow("control bytes") << QStringLiteral("AA0KGgoA/w==") << bytes("\0\r\n\x1a\n\0\xff", 7);
    QTest::newRow("wrapped image") << wrapped << image;
    // A line break after the last line is a group of its own: it sets the size
    // (three more bytes) but is never decoded, the "==" group before it ends decoding.
    QTest::newRow("trailing line break") << wrapped + QLatin1Char('\n') << image + QByteArray(3, '\0');
    QTest::newRow("single byte") << QStringLiteral("QQ==") << QByteArray("A");
    QTest::newRow("zero-filled") << QStringLiteral("QQ==Zm9v") << bytes("A\0\0\0\0\0", 6);
}

void tst_b64::decodeToFile()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("icon.png"));
    QString error;
    QVERIFY(b64::DecodeToFile(path, text, &error));
    QVERIFY(error.isEmpty());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("icon.png")});
}

void tst_b64::decodeToFileWritesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reportsError");

    QTest::newRow("empty text") << QStringLiteral("icon.png") << QString() << false;
    QTest::newRow("missing folder") << QStringLiteral("no/such/folder/icon.png") << QStringLiteral("QQ==") << true;
    QTest::newRow("name of a folder") << QStringLiteral("sub") << QStringLiteral("QQ==") << true;
}

void tst_b64::decodeToFileWritesNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, reportsError);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QString error;
    QVERIFY(!b64::DecodeToFile(dir.filePath(name), text, &error));
    QCOMPARE(!error.isEmpty(), reportsError);
    // Nothing new beside the folder that was there: no file, no temporary left over.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("sub")});
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("sub"))).isDir());
    QVERIFY(QDir(dir.filePath(QStringLiteral("sub"))).isEmpty());
}

void tst_b64::decodeToFileReplacesWholeFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("icon.png"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1000, 'x'));
    }
    QVERIFY(b64::DecodeToFile(path, QStringLiteral("Zm9v")));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("foo"));
}

void tst_b64::validTextDecodesAsQt()
{
    QRandomGenerator rng(20240601);
    for (int n = 0; n <= 300; ++n) {
        for (int round = 0; round < 4; ++round) {
            const QByteArray raw = randomBytes(rng, n);
            const QByteArray options[] = {raw.toBase64(), raw.toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals)};
            for (const QByteArray &text : options) {
                const QByteArray ours = b64::DecodeBytes(QByteArrayView(text));
                if (ours != raw)
                    QFAIL(qPrintable(QStringLiteral("length %1: %2").arg(n).arg(QString::fromLatin1(text))));
                QCOMPARE(ours, QByteArray::fromBase64(text));
            }
        }
    }
}

void tst_b64::arbitraryBytesFollowTheRules()
{
    // Mostly alphabet, with pads, out-of-alphabet and high codes mixed in, so
    // that every kind of group turns up at every place.
    static const QByteArray kinds[] = {
        QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"),
        QByteArray("="),
        QByteArray("!\r\n -_.\x80\xa0\xe9"),
        QByteArray("\xea\xf0\xff"),
    };
    QRandomGenerator rng(7);
    for (int n = 0; n <= 300; ++n) {
        for (int round = 0; round < 20; ++round) {
            const int rare = round % 5 == 0 ? 2 : 200;
            QByteArray text;
            for (int i = 0; i < n; ++i) {
                const int pick = int(rng.bounded(rare + 3));
                const QByteArray &kind = pick < 3 ? kinds[size_t(pick + 1)] : kinds[0];
                text += kind.at(rng.bounded(int(kind.size())));
            }
            const QByteArray expected = decodeByRules(text);
            const QByteArray ours = b64::DecodeBytes(QByteArrayView(text));
            if (ours != expected)
                QFAIL(qPrintable(QStringLiteral("input %1: got %2, want %3")
                                     .arg(QString::fromLatin1(text.toHex()), QString::fromLatin1(ours.toHex()),
                                          QString::fromLatin1(expected.toHex()))));
        }
    }
}

QTEST_GUILESS_MAIN(tst_b64)
#include "tst_b64.moc"

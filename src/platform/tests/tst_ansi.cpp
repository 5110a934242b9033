#include "platform/ansi.h"
#include "platform/vbconv.h"

#include <QScopeGuard>
#include <QTest>

#include <cmath>

class tst_Ansi : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void unrepresentable();
    void codePageNotAscii();
    void invalidBytes();
    void leadingNumber_data();
    void leadingNumber();
    void rounding_data();
    void rounding();
};

void tst_Ansi::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << "abc" << QByteArray("abc");
    QTest::newRow("control characters and a nul") << QString::fromLatin1("a\tb\x7f\0c", 6) << QByteArray("a\tb\x7f\0c", 6);
    QTest::newRow("ascii then chinese") << QString::fromUtf8("ab中") << QByteArray("ab\xd6\xd0");
    QTest::newRow("chinese") << QString::fromUtf8("中文") << QByteArray("\xd6\xd0\xce\xc4");
    QTest::newRow("euro sign of cp936") << QString::fromUtf8("€") << QByteArray("\x80");
    QTest::newRow("empty") << "" << QByteArray();
}

void tst_Ansi::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    bool ok = false;
    QCOMPARE(ansi::fromUnicode(text, &ok), bytes);
    QVERIFY(ok);
    QCOMPARE(ansi::toUnicode(bytes), text);
}

void tst_Ansi::unrepresentable()
{
    bool ok = true;
    QCOMPARE(ansi::fromUnicode(QString::fromUtf8("a😀b"), &ok), QByteArray("a?b"));
    QVERIFY(!ok);
}

// A code page whose letters are not ASCII's converts ASCII text too.
void tst_Ansi::codePageNotAscii()
{
    QVERIFY(ansi::setCodePage(500)); // EBCDIC
    const auto restore = qScopeGuard([] { ansi::setCodePage(936); });
    bool ok = false;
    QCOMPARE(ansi::fromUnicode(QStringLiteral("abc"), &ok), QByteArray("\x81\x82\x83"));
    QVERIFY(ok);
    QCOMPARE(ansi::toUnicode(QByteArray("\xc1\xc2")), QStringLiteral("AB"));
    QVERIFY(ansi::setCodePage(1252));
    QCOMPARE(ansi::toUnicode(QByteArray("x\x80")), QString::fromUtf8("x€"));
    QCOMPARE(ansi::fromUnicode(QStringLiteral("plain")), QByteArray("plain"));
}

void tst_Ansi::invalidBytes()
{
    // A lead byte at the end has no trail byte.
    const QString s = ansi::toUnicode(QByteArray("ab\xd6"));
    QCOMPARE(s.left(2), QString("ab"));
    QCOMPARE(s.size(), 3);
    QCOMPARE(s.at(2), QChar(0xFFFD));
}

void tst_Ansi::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "42" << 42.0;
    QTest::newRow("leading blanks") << "   7" << 7.0;
    QTest::newRow("stops at letters") << "12abc" << 12.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("negative fraction") << "-0.5" << -0.5;
    QTest::newRow("exponent") << "1.5e2" << 150.0;
    QTest::newRow("exponent without digits") << "3e" << 3.0;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
}

void tst_Ansi::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(vbconv::leadingNumber(text), value);
}

void tst_Ansi::rounding_data()
{
    QTest::addColumn<double>("in");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("out");
    QTest::newRow("half down to even") << 2.5 << true << 2;
    QTest::newRow("half up to even") << 3.5 << true << 4;
    QTest::newRow("negative half") << -0.5 << true << 0;
    QTest::newRow("negative 1.5") << -1.5 << true << -2;
    QTest::newRow("max") << 2147483647.0 << true << 2147483647;
    QTest::newRow("overflow") << 2147483648.0 << false << 0;
    QTest::newRow("infinite") << double(INFINITY) << false << 0;
}

void tst_Ansi::rounding()
{
    QFETCH(double, in);
    QFETCH(bool, fits);
    QFETCH(int, out);
    const auto r = vbconv::toInt32(in);
    QCOMPARE(r.has_value(), fits);
    if (fits)
        QCOMPARE(*r, out);
}

QTEST_GUILESS_MAIN(tst_Ansi)
#include "tst_ansi.moc"

#include "about/pathshorten.h"

#include <QTest>

namespace {
// One unit per character; a CJK character counts two.
double fixedWidth(const QString &s)
{
    double w = 0;
    for (QChar c : s)
        w += c.unicode() >= 0x2E80 ? 2 : 1;
    return w;
}
} // namespace

class tst_PathShorten : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shorten_data();
    void shorten();
    void measuresWhatIsShown();
};

void tst_PathShorten::shorten_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expected");

    const QString p = QStringLiteral("P:\\aaaa\\bbbb\\wxyz"); // 17 wide
    QTest::newRow("fits") << p << 17.0 << true << p;
    QTest::newRow("last folder gets ..") << p << 16.0 << true << "P:\\aaaa\\b..\\wxyz";
    QTest::newRow("last folder used up") << p << 15.0 << true << "P:\\aaaa\\..\\wxyz";
    QTest::newRow("then the folder before") << p << 14.0 << true << "P:\\a..\\..\\wxyz";
    QTest::newRow("folders used up, final part whole") << p << 13.0 << true << "P:\\..\\..\\wxyz";
    QTest::newRow("final part keeps its end") << p << 12.0 << true << "P:\\..\\..\\..z";
    QTest::newRow("final part used up") << p << 11.0 << true << "P:\\..\\..\\..";
    QTest::newRow("too narrow for anything") << p << 10.0 << false << QString();
    QTest::newRow("negative width") << p << -1.0 << false << QString();

    QTest::newRow("one backslash: final part from its start")
        << "P:\\filename.exe" << 12.0 << true << "P:\\..ame.exe";
    QTest::newRow("part ending in a dot loses one character")
        << "P:\\abc.\\defg" << 11.0 << true << "P:\\a..\\defg";
    QTest::newRow("one-character folder fails") << "P:\\a\\bbbb" << 8.0 << false << QString();
    QTest::newRow("one-character folder fine when it fits") << "P:\\a\\bbbb" << 9.0 << true << "P:\\a\\bbbb";
    QTest::newRow("one-character folder reached later") << "P:\\a\\bbbb\\cc" << 8.0 << false << QString();
    QTest::newRow("empty part between two backslashes") << "P:\\\\bbbb" << 6.0 << false << QString();
    QTest::newRow("no backslash, too wide") << "abcdef" << 3.0 << false << QString();
    QTest::newRow("no backslash, fits") << "abcdef" << 6.0 << true << "abcdef";
    QTest::newRow("empty text") << "" << 0.0 << true << "";

    // The prefix with the drive never changes; CJK counts two here.
    const QString install = QStringLiteral("安装目录:C:\\Program Files\\Zenlo Suite\\bin"); // 41 wide
    QTest::newRow("install fits") << install << 41.0 << true << install;
    QTest::newRow("install shortened")
        << install << 36.0 << true << QStringLiteral("安装目录:C:\\Program Files\\Zenl..\\bin");
    QTest::newRow("install deep")
        << install << 28.0 << true << QStringLiteral("安装目录:C:\\Program..\\..\\bin");
    QTest::newRow("install prefix too wide") << install << 15.0 << false << QString();
}

void tst_PathShorten::shorten()
{
    QFETCH(QString, text);
    QFETCH(double, width);
    QFETCH(bool, ok);
    QFETCH(QString, expected);
    const auto result = about::ShortenPath(text, width, fixedWidth);
    QCOMPARE(result.has_value(), ok);
    if (ok) {
        QCOMPARE(*result, expected);
        QVERIFY(fixedWidth(*result) <= width);
    }
}

void tst_PathShorten::measuresWhatIsShown()
{
    // Every text handed to the measure is a text the label could show: the
    // final part is never measured backwards.
    QStringList measured;
    auto recording = [&](const QString &s) {
        measured << s;
        return fixedWidth(s);
    };
    const auto result = about::ShortenPath(QStringLiteral("P:\\ab\\xyz9"), 9.0, recording);
    QVERIFY(result.has_value());
    QCOMPARE(*result, QStringLiteral("P:\\..\\..9"));
    for (const QString &m : measured)
        QVERIFY2(!m.contains(QStringLiteral("9zy")), qPrintable(m));
    QVERIFY(!about::ShortenPath(QStringLiteral("x"), 10, about::TextWidth()).has_value());
}

QTEST_GUILESS_MAIN(tst_PathShorten)
#include "tst_pathshorten.moc"

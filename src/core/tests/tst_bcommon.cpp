#include "core/bcommon.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_bCommon : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void expandPath_data();
    void expandPath();
    void expandPathTwin_data();
    void expandPathTwin();
    void getFullPath_data();
    void getFullPath();
    void getBool_data();
    void getBool();
    void makeDirs();
};

static PathContext win()
{
    return {PathStyle::Windows, QStringLiteral("C:\\App"), QDate(2024, 5, 6)};
}
static PathContext posix()
{
    return {PathStyle::Posix, QStringLiteral("/opt/App"), QDate(2024, 5, 6)};
}

Q_DECLARE_METATYPE(PathStyle)

void tst_bCommon::expandPath_data()
{
    QTest::addColumn<PathStyle>("style");
    QTest::addColumn<QString>("in");
    QTest::addColumn<bool>("keepRelative");
    QTest::addColumn<QString>("out");
    const auto W = PathStyle::Windows;
    const auto P = PathStyle::Posix;
    QTest::newRow("win: macro, blanks, folder keeps its capitals") << W << "  Data\\%YEAR%\\log  " << false << "C:\\App\\data\\2024\\log";
    QTest::newRow("win: empty stays empty") << W << "" << false << "";
    QTest::newRow("win: blanks only stay empty") << W << "   " << false << "";
    QTest::newRow("win: absolute is lower-cased") << W << "D:\\Logs\\X.TXT" << false << "d:\\logs\\x.txt";
    QTest::newRow("win: app.path macro") << W << "%App.Path%\\Help\\Z.chm" << false << "C:\\App\\help\\z.chm";
    QTest::newRow("win: short year") << W << "c:\\l%shortyear%" << false << "c:\\l24";
    QTest::newRow("win: unc gets the folder in front") << W << "\\\\server\\share\\f" << false << "C:\\App\\\\server\\share\\f";
    QTest::newRow("win: triple backslash becomes double") << W << "a\\\\\\b" << false << "C:\\App\\a\\\\b";
    QTest::newRow("win: keep relative") << W << "Data\\%year%" << true << "data\\2024";
    QTest::newRow("win: tab is not trimmed") << W << "\tx" << false << "C:\\App\\\tx";
    QTest::newRow("posix: case kept, macro any case") << P << " Data\\%YEAR%/Log " << false << "/opt/App/Data/2024/Log";
    QTest::newRow("posix: absolute") << P << "/var/Log/z" << false << "/var/Log/z";
    QTest::newRow("posix: app.path") << P << "%APP.PATH%/themes" << false << "/opt/App/themes";
    QTest::newRow("posix: empty") << P << "" << false << "";
    QTest::newRow("posix: doubled separators collapse") << P << "a//b" << false << "/opt/App/a/b";
    QTest::newRow("posix: keep relative") << P << "x\\y" << true << "x/y";
}

void tst_bCommon::expandPath()
{
    QFETCH(PathStyle, style);
    QFETCH(QString, in);
    QFETCH(bool, keepRelative);
    QFETCH(QString, out);
    QCOMPARE(bCommon::ExpandPath(in, keepRelative, style == PathStyle::Windows ? win() : posix()), out);
}

void tst_bCommon::expandPathTwin_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<bool>("lower");
    QTest::addColumn<QString>("out");
    QTest::newRow("empty becomes the folder") << "" << true << "C:\\App\\";
    QTest::newRow("no trimming") << " A " << true << "C:\\App\\ a ";
    QTest::newRow("lower-casing off") << "Help\\Z.chm" << false << "C:\\App\\Help\\Z.chm";
    QTest::newRow("macro") << "%app.path%\\Help.CHM" << true << "C:\\App\\help.chm";
}

void tst_bCommon::expandPathTwin()
{
    QFETCH(QString, in);
    QFETCH(bool, lower);
    QFETCH(QString, out);
    QCOMPARE(bCommon::ExpandPathTwin(in, lower, false, win()), out);
}

void tst_bCommon::getFullPath_data()
{
    QTest::addColumn<PathStyle>("style");
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    const auto W = PathStyle::Windows;
    const auto P = PathStyle::Posix;
    QTest::newRow("win: drive kept, trimmed, case kept") << W << " D:\\Cfg\\Z.Config " << "D:\\Cfg\\Z.Config";
    QTest::newRow("win: unc unchanged") << W << "\\\\srv\\share\\z.config" << "\\\\srv\\share\\z.config";
    QTest::newRow("win: relative") << W << "Z.Exe.Config" << "C:\\App\\Z.Exe.Config";
    QTest::newRow("win: relative with doubled separator") << W << "sub\\\\z" << "C:\\App\\sub\\z";
    QTest::newRow("win: no macro expansion") << W << "%app.path%\\z" << "C:\\App\\%app.path%\\z";
    QTest::newRow("posix: absolute") << P << "/etc/z.config" << "/etc/z.config";
    QTest::newRow("posix: relative") << P << "z.config" << "/opt/App/z.config";
}

void tst_bCommon::getFullPath()
{
    QFETCH(PathStyle, style);
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(bCommon::GetFullPath(in, style == PathStyle::Windows ? win() : posix()), out);
}

void tst_bCommon::getBool_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("result");
    QTest::newRow("null") << QVariant() << false;
    QTest::newRow("False with blanks") << QVariant(" False ") << false;
    QTest::newRow("zero text") << QVariant("0") << false;
    QTest::newRow("empty") << QVariant("") << false;
    QTest::newRow("yes") << QVariant("yes") << true;
    QTest::newRow("no is true") << QVariant("no") << true;
    QTest::newRow("off is true") << QVariant("off") << true;
    QTest::newRow("TRUE") << QVariant("TRUE") << true;
    QTest::newRow("number 0") << QVariant(0) << false;
    QTest::newRow("number 2") << QVariant(2) << true;
    QTest::newRow("boolean true") << QVariant(true) << true;
    QTest::newRow("boolean false") << QVariant(false) << false;
    QTest::newRow("00 is not 0") << QVariant("00") << true;
}

void tst_bCommon::getBool()
{
    QFETCH(QVariant, value);
    QFETCH(bool, result);
    QCOMPARE(bCommon::GetBool(value), result);
}

void tst_bCommon::makeDirs()
{
    QTemporaryDir tmp;
    const QString deep = tmp.path() + "/a/b/c";
    QVERIFY(bCommon::MakeDirs(deep, PathStyle::Posix));
    QVERIFY(QDir(deep).exists());
    // Everything exists already: still true.
    QVERIFY(bCommon::MakeDirs(deep, PathStyle::Posix));
    // The same chain written the Windows way (no drive) works on this file system too.
    const QString winDeep = QString(tmp.path() + "/w/x").replace('/', '\\');
    QVERIFY(bCommon::MakeDirs(winDeep, PathStyle::Windows));
    QVERIFY(QDir(tmp.path() + "/w/x").exists());
    // A drive that does not exist here.
    QVERIFY(!bCommon::MakeDirs("Q:\\nowhere\\x", PathStyle::Windows));
    QVERIFY(!QDir("Q:").exists());
    // A path under a file cannot become a folder.
    QFile f(tmp.path() + "/file");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(!bCommon::MakeDirs(tmp.path() + "/file/sub", PathStyle::Posix));
}

QTEST_GUILESS_MAIN(tst_bCommon)
#include "tst_bcommon.moc"

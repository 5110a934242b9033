// The folders of src/ depend one way: app -> workspace, hosting -> login, about,
// plugins -> util, kx -> core -> components -> platform. Nothing includes a
// folder above its own or a sibling of the same rank; tests follow the rules
// of the folder they test.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

// The folder an include path or a source file (relative to src/) belongs to.
QString folderOf(const QString &path)
{
    if (path.startsWith(QLatin1String("components/kx/")))
        return QStringLiteral("kx");
    const int slash = path.indexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

// Rank of a folder; -1 for one the rule does not know.
int rankOf(const QString &folder)
{
    static const QHash<QString, int> ranks{
        {QStringLiteral("platform"), 0},  {QStringLiteral("components"), 1}, {QStringLiteral("core"), 2},
        {QStringLiteral("util"), 3},      {QStringLiteral("kx"), 3},         {QStringLiteral("login"), 4},
        {QStringLiteral("about"), 4},     {QStringLiteral("plugins"), 4},    {QStringLiteral("workspace"), 5},
        {QStringLiteral("hosting"), 5},   {QStringLiteral("demo"), 6},       {QStringLiteral("app"), 7},
    };
    return ranks.value(folder, -1);
}

// Why a file of folder `from` may not include `target`, or "" when it may.
QString violation(const QString &from, const QString &target)
{
    const QString to = folderOf(target);
    if (to.isEmpty() || to == from)
        return QString(); // the folder's own file, a test helper or a generated file
    const int a = rankOf(from), b = rankOf(to);
    if (a < 0)
        return QString(); // not a folder of the product (test support)
    if (b < 0)
        return QStringLiteral("includes the unknown folder %1").arg(to);
    if (b > a)
        return QStringLiteral("points up to %1").arg(to);
    if (b == a)
        return QStringLiteral("points sideways to %1").arg(to);
    return QString();
}

} // namespace

class tst_Includes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rule_data();
    void rule();
    void tree();
};

void tst_Includes::rule_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("include");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("down") << "workspace/frmmain.cpp" << "core/session.h" << true;
    QTest::newRow("down two ranks") << "app/bmain.cpp" << "login/frmlogin.h" << true;
    QTest::newRow("own folder") << "login/frmlogin.cpp" << "login/loginrules.h" << true;
    QTest::newRow("up") << "login/frmlogin.cpp" << "workspace/frmmain.h" << false;
    QTest::newRow("into app") << "workspace/frmmain.cpp" << "app/bmain.h" << false;
    QTest::newRow("siblings") << "workspace/frmmain.cpp" << "hosting/executemenu.h" << false;
    QTest::newRow("window siblings") << "about/frmabout.cpp" << "login/frmpass.h" << false;
    QTest::newRow("kx is not components") << "components/database.cpp" << "components/kx/kxvstab.h" << false;
    QTest::newRow("util beside kx") << "util/ui/mscreen.cpp" << "components/kx/kxstyle.h" << false;
    QTest::newRow("core below windows") << "core/session.cpp" << "login/frmlogin.h" << false;
    QTest::newRow("platform uses nothing") << "platform/settings.cpp" << "components/database.h" << false;
    QTest::newRow("demo only from app") << "workspace/frmmain.cpp" << "demo/demodb.h" << false;
    QTest::newRow("test of a folder") << "login/tests/tst_frmlogin.cpp" << "workspace/frmmain.h" << false;
    QTest::newRow("test helper") << "workspace/tests/tst_frmmain.cpp" << "workspace_helper.h" << true;
}

void tst_Includes::rule()
{
    QFETCH(QString, file);
    QFETCH(QString, include);
    QFETCH(bool, allowed);
    QCOMPARE(violation(folderOf(file), include).isEmpty(), allowed);
}

void tst_Includes::tree()
{
    const QString src = QStringLiteral(ZENLO_SOURCE_DIR "/src/");
    static const QRegularExpression includeLine(QStringLiteral("^\\s*#\\s*include\\s*\"([^\"]+)\""),
                                                QRegularExpression::MultilineOption);
    QStringList found;
    int files = 0;
    QDirIterator it(src, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(src.size());
        QFile f(path);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
        ++files;
        const QString text = QString::fromUtf8(f.readAll());
        const QString from = folderOf(relative);
        for (auto m = includeLine.globalMatch(text); m.hasNext();) {
            const QString target = m.next().captured(1);
            const QString why = violation(from, target);
            if (!why.isEmpty())
                found << relative + QStringLiteral(" includes ") + target + QStringLiteral(": ") + why;
        }
    }
    QVERIFY(files > 100);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(tst_Includes)
#include "tst_includes.moc"

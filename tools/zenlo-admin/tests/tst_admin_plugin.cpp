// zenlo-admin plugin list, run as the administrator runs it, over Plugin
// folders filled with the plug-in test libraries.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

namespace {

// "lib:fileName" copies a test library; "text:fileName" writes a text file.
bool fill(const QString &folder, const QStringList &files)
{
    QDir().mkpath(folder);
    for (const QString &f : files) {
        const QString lib = f.section(QLatin1Char(':'), 0, 0), name = f.section(QLatin1Char(':'), 1);
        const QString target = folder + QLatin1Char('/') + name;
        const bool ok = lib == QLatin1String("text")
            ? testsupport::writeFile(target, "not a library\n")
            : QFile::copy(QStringLiteral(ZENLO_TEST_LIBS_DIR "/") + lib + QStringLiteral(".so"), target);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

class tst_AdminPlugin : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void list_data();
    void list();
};

void tst_AdminPlugin::list_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("args"); // "%dir" is the Plugin folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("lines"); // compared up to their length
    QTest::addColumn<QString>("error");

    QTest::newRow("every kind of library")
        << QStringList{"zt_single:a_single.so", "zt_plugs:b_plugs.so", "text:c_text.so", "zt_nometa:d_nometa.so",
                       "zt_startup:e_startup.so", "zt_brokenplug:f_broken.so", "text:notes.txt"}
        << QStringList{"plugin", "list", "%dir"} << 0
        << QStringList{"plugin ZtSingle.Solo registered=no file=a_single.so caption=独立插件",
                       "plugin ZtPlugs.Alpha registered=no file=b_plugs.so caption=甲插件",
                       "plugin ZtPlugs.Beta registered=no file=b_plugs.so caption=乙插件",
                       "refused c_text.so reason=", "refused d_nometa.so reason=",
                       "refused e_startup.so reason=no class implements _IExtPluginUI",
                       "refused f_broken.so reason=ZtBroken.Broken: "}
        << "";
    QTest::newRow("the same class in two files")
        << QStringList{"zt_single:a_single.so", "zt_single:b_copy.so"} << QStringList{"plugin", "list", "%dir"} << 0
        << QStringList{"plugin ZtSingle.Solo registered=no file=a_single.so same-class-in=b_copy.so caption=独立插件",
                       "plugin ZtSingle.Solo registered=no file=b_copy.so same-class-in=a_single.so caption=独立插件"}
        << "";
    QTest::newRow("empty folder") << QStringList() << QStringList{"plugin", "list", "%dir"} << 0 << QStringList() << "";
    QTest::newRow("missing folder") << QStringList() << QStringList{"plugin", "list", "%dir/none"} << 1 << QStringList()
                                    << "/none: no such folder";
    QTest::newRow("a file, not a folder") << QStringList{"text:x.so"} << QStringList{"plugin", "list", "%dir/x.so"} << 1
                                          << QStringList() << "/x.so: not a folder";
    QTest::newRow("no command") << QStringList() << QStringList{"plugin"} << 2 << QStringList() << "plugin needs a command";
    QTest::newRow("unknown command") << QStringList() << QStringList{"plugin", "show"} << 2 << QStringList()
                                     << "unknown plugin command 'show'";
    QTest::newRow("two folders") << QStringList() << QStringList{"plugin", "list", "%dir", "%dir"} << 2 << QStringList()
                                 << "at most one FOLDER";
    QTest::newRow("help") << QStringList() << QStringList{"plugin", "--help"} << 0
                          << QStringList{"usage: zenlo-admin plugin list [FOLDER]"} << "";
}

void tst_AdminPlugin::list()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QStringList, lines);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Plugin"));
    QVERIFY(fill(folder, files));
    args.replaceInStrings(QStringLiteral("%dir"), folder);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), dir.filePath(QStringLiteral("registry")));
    p.setProcessEnvironment(env);
    const testsupport::ProgramRun r = testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"), args);
    QVERIFY2(r.code == code, qPrintable(r.out + r.err));
    const QStringList out = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(out.size() >= lines.size() ? lines.size() : out.size(), lines.size());
    if (!lines.isEmpty() && !lines.first().startsWith(QLatin1String("usage")))
        QCOMPARE(out.size(), lines.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(out.at(i).startsWith(lines.at(i)), qPrintable(out.at(i)));
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
    if (code == 0)
        QVERIFY(r.err.isEmpty());
}

QTEST_GUILESS_MAIN(tst_AdminPlugin)
#include "tst_admin_plugin.moc"

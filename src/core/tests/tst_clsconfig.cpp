#include "core/clsconfig.h"
#include "components/xmldocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

class tst_clsConfig : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void fields_data();
    void fields();
    void defaultsWhenAbsent();
    void failedLoadKeepsFields_data();
    void failedLoadKeepsFields();
    void noSystemSection();
    void setters();
    void setLanguage();
    void gbkConfigurationFromEveryReader_data();
    void gbkConfigurationFromEveryReader();

private:
    QString writeConfig(const QByteArray &systemInner);
    QTemporaryDir m_dir;
    int m_n = 0;
};

static PathContext win()
{
    return {PathStyle::Windows, QStringLiteral("C:\\App"), QDate(2024, 5, 6)};
}

QString tst_clsConfig::writeConfig(const QByteArray &inner)
{
    const QString path = m_dir.filePath(QStringLiteral("c%1.config").arg(++m_n));
    testsupport::writeFile(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?><configuration><system>" + inner
                                     + "</system></configuration>");
    return path;
}

void tst_clsConfig::init()
{
    QVERIFY(m_dir.isValid());
}

// Each row: the inner XML of <system>, the property and its expected value as text.
void tst_clsConfig::fields_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected");

    QTest::newRow("treeWidth 10 -> 30") << QByteArray("<settings><treeWidth default=\"10\"/></settings>") << "TreeWidth" << "30";
    QTest::newRow("treeWidth abc -> 30") << QByteArray("<settings><treeWidth default=\"abc\"/></settings>") << "TreeWidth" << "30";
    QTest::newRow("treeWidth 200") << QByteArray("<settings><treeWidth default=\"200\"/></settings>") << "TreeWidth" << "200";
    QTest::newRow("treeWidth half to even") << QByteArray("<settings><treeWidth default=\"44.5\"/></settings>") << "TreeWidth" << "44";
    QTest::newRow("treeWidth leading number") << QByteArray("<settings><treeWidth default=\" 55px\"/></settings>") << "TreeWidth" << "55";
    QTest::newRow("treeWidth -0.5 -> 30") << QByteArray("<settings><treeWidth default=\"-0.5\"/></settings>") << "TreeWidth" << "30";
    QTest::newRow("treeWidth too wide for 16 bits reads clamped") << QByteArray("<settings><treeWidth default=\"40000\"/></settings>") << "TreeWidth" << "32767";
    QTest::newRow("treeWidth as element text is not read") << QByteArray("<settings><treeWidth>300</treeWidth></settings>") << "TreeWidth" << "30";
    QTest::newRow("autoresize 0") << QByteArray("<settings><autoresize>0</autoresize></settings>") << "AutoResize" << "false";
    QTest::newRow("autoresize 2") << QByteArray("<settings><autoresize>2</autoresize></settings>") << "AutoResize" << "true";
    QTest::newRow("autoresize 0.4 is not rounded") << QByteArray("<settings><autoresize>0.4</autoresize></settings>") << "AutoResize" << "true";
    QTest::newRow("autoresize text") << QByteArray("<settings><autoresize>off</autoresize></settings>") << "AutoResize" << "false";
    QTest::newRow("unformstatus 1") << QByteArray("<unformstatus>1</unformstatus>") << "UnFormStatus" << "true";
    QTest::newRow("unformstatus 0") << QByteArray("<unformstatus>0</unformstatus>") << "UnFormStatus" << "false";
    QTest::newRow("autoregister TRUE with blanks") << QByteArray("<settings><autoregister> TRUE </autoregister></settings>") << "AutoRegister" << "true";
    QTest::newRow("autoregister 1") << QByteArray("<settings><autoregister>1</autoregister></settings>") << "AutoRegister" << "true";
    QTest::newRow("autoregister yes is not on") << QByteArray("<settings><autoregister>yes</autoregister></settings>") << "AutoRegister" << "false";
    QTest::newRow("help with app.path macro") << QByteArray("<help>%APP.PATH%\\Help\\Zenlo.CHM</help>") << "HelpFileName" << "C:\\App\\help\\zenlo.chm";
    QTest::newRow("help relative") << QByteArray("<help>Zenlo.chm</help>") << "HelpFileName" << "C:\\App\\zenlo.chm";
    QTest::newRow("help absolute") << QByteArray("<help>D:\\Docs\\H.chm</help>") << "HelpFileName" << "d:\\docs\\h.chm";
    QTest::newRow("help empty") << QByteArray("<help></help>") << "HelpFileName" << "C:\\App\\";
    QTest::newRow("menu") << QByteArray("<menu>Menu.XML</menu>") << "MenuFileName" << "C:\\App\\menu.xml";
    QTest::newRow("update trimmed") << QByteArray("<update>  http://u/  </update>") << "UpdateFileName" << "http://u/";
    QTest::newRow("caption as read") << QByteArray("<caption> 企业管理 </caption>") << "Caption" << QString::fromUtf8(" 企业管理 ");
    QTest::newRow("menutoolwidth") << QByteArray("<menutoolwidth>120.5</menutoolwidth>") << "MenuToolWidth" << "120";
    QTest::newRow("splashdelay") << QByteArray("<settings><splashdelay>3000</splashdelay></settings>") << "SplashDelay" << "3000";
    QTest::newRow("menumode") << QByteArray("<menumode>2</menumode>") << "MenuMode" << "2";
    QTest::newRow("navigate") << QByteArray("<navigate>1</navigate>") << "Navigate" << "1";
    QTest::newRow("subject") << QByteArray("<subject>ERP</subject>") << "Subject" << "ERP";
    QTest::newRow("rootcaption") << QByteArray("<rootcaption>Root</rootcaption>") << "RootCaption" << "Root";
    QTest::newRow("backgrounds") << QByteArray("<settings><background><login>l.jpg</login><splash>s.jpg</splash><main>m.jpg</main></background></settings>")
                                 << "Backgrounds" << "l.jpg|s.jpg|m.jpg";
}

static QString property(const clsConfig &c, const QString &name)
{
    auto b = [](bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); };
    if (name == "TreeWidth") return QString::number(c.TreeWidth());
    if (name == "AutoResize") return b(c.AutoResize());
    if (name == "UnFormStatus") return b(c.UnFormStatus());
    if (name == "AutoRegister") return b(c.AutoRegister());
    if (name == "HelpFileName") return c.HelpFileName();
    if (name == "MenuFileName") return c.MenuFileName();
    if (name == "UpdateFileName") return c.UpdateFileName();
    if (name == "Caption") return c.Caption();
    if (name == "MenuToolWidth") return QString::number(c.MenuToolWidth());
    if (name == "SplashDelay") return QString::number(c.SplashDelay());
    if (name == "MenuMode") return QString::number(c.MenuMode());
    if (name == "Navigate") return QString::number(c.Navigate());
    if (name == "Subject") return c.Subject();
    if (name == "RootCaption") return c.RootCaption();
    if (name == "Backgrounds") return c.Background_Login() + "|" + c.Background_splash() + "|" + c.Background_main();
    return QStringLiteral("?");
}

void tst_clsConfig::fields()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, property);
    QFETCH(QString, expected);
    clsConfig c(win());
    QVERIFY2(c.Init(writeConfig(xml)), qPrintable(c.lastError()));
    QCOMPARE(::property(c, property), expected);
}

void tst_clsConfig::defaultsWhenAbsent()
{
    clsConfig c(win());
    QCOMPARE(c.Caption(), QString::fromUtf8("Zenlo系统"));
    const QString path = writeConfig("");
    QVERIFY(c.Init("  " + path + "  "));
    QCOMPARE(c.ConfigFileName(), path);
    QCOMPARE(c.TreeWidth(), int16_t(30));
    QCOMPARE(c.Caption(), QString());
    QCOMPARE(c.HelpFileName(), QString("C:\\App\\"));
    QCOMPARE(c.MenuFileName(), QString());
    QCOMPARE(c.UpdateFileName(), QString());
    QCOMPARE(c.MenuToolWidth(), 0.0);
    QCOMPARE(c.SplashDelay(), int16_t(0));
    QVERIFY(c.AutoResize());
    QVERIFY(!c.UnFormStatus());
    QVERIFY(!c.AutoRegister());
    QCOMPARE(c.MenuMode(), 0);
    QCOMPARE(c.Navigate(), 0);
    QVERIFY(c.XML() && c.XML()->isLoaded());
    c.Clear();
    QVERIFY(!c.XML());
}

void tst_clsConfig::failedLoadKeepsFields_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("truncated") << QByteArray("<configuration><system><caption>B</caption>") << true;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("number out of range") << QByteArray("<configuration><system><caption>B</caption><settings><treeWidth default=\"1e400\"/></settings></system></configuration>") << true;
    QTest::newRow("splashdelay overflow") << QByteArray("<configuration><system><settings><splashdelay>99999999999</splashdelay></settings></system></configuration>") << true;
    QTest::newRow("encoding that does not exist") << QByteArray("<?xml version=\"1.0\" encoding=\"gb9999\"?><configuration><system><caption>B</caption></system></configuration>") << true;
    QTest::newRow("declared UTF-8, GBK bytes") << QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?><configuration><system><caption>\xC6\xF3\xD2\xB5</caption></system></configuration>") << true;
}

void tst_clsConfig::failedLoadKeepsFields()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    clsConfig c(win());
    QVERIFY(c.Init(writeConfig("<caption>A</caption><subject>S</subject>")));
    const QString bad = m_dir.filePath(QStringLiteral("bad%1.config").arg(++m_n));
    if (exists)
        QVERIFY(testsupport::writeFile(bad, content));
    QVERIFY(!c.Init(bad));
    QVERIFY(!c.lastError().isEmpty());
    QCOMPARE(c.Subject(), QString("S"));
    QCOMPARE(c.ConfigFileName(), bad);
}

void tst_clsConfig::noSystemSection()
{
    const QString path = m_dir.filePath("nosystem.config");
    QVERIFY(testsupport::writeFile(path, "<configuration><other/></configuration>"));
    clsConfig c(win());
    QVERIFY(c.Init(path));
    QCOMPARE(c.TreeWidth(), int16_t(30));
    QVERIFY(c.AutoResize());
}

void tst_clsConfig::setters()
{
    clsConfig c(win());
    QVERIFY(c.Init(writeConfig("<settings><autoregister>TRUE</autoregister></settings>")));
    QVERIFY(c.AutoRegister());
    c.setAutoRegister(false);
    QVERIFY(!c.AutoRegister());
    c.setAutoRegister(true);
    QVERIFY(c.AutoRegister());
    c.setTreeWidth(12);
    QCOMPARE(c.TreeWidth(), int16_t(12));
    c.setCaption("X");
    QCOMPARE(c.Caption(), QString("X"));
    // Setters never touch the file.
    clsConfig again(win());
    QVERIFY(again.Init(c.ConfigFileName()));
    QCOMPARE(again.Caption(), QString());
}

void tst_clsConfig::setLanguage()
{
    clsConfig c(win());
    QVERIFY(c.Init(writeConfig("<caption>A</caption><help>H.chm</help><subject>S</subject>")));
    const QString lang = m_dir.filePath("lang.xml");
    QVERIFY(testsupport::writeFile(lang, "<language><system><caption>英文</caption><help>%app.path%\\E.chm</help></system></language>"));
    QVERIFY(c.SetLanguague(lang, 7));
    QCOMPARE(c.Caption(), QString::fromUtf8("英文"));
    QCOMPARE(c.HelpFileName(), QString("%app.path%\\E.chm")); // no path rule here
    QCOMPARE(c.Subject(), QString()); // absent nodes overwrite with empty
    QVERIFY(!c.SetLanguague(m_dir.filePath("none.xml"), 0));
    const QString broken = m_dir.filePath("broken.xml");
    QVERIFY(testsupport::writeFile(broken, "<language><system>"));
    QVERIFY(!c.SetLanguague(broken, 0));
    QCOMPARE(c.Caption(), QString::fromUtf8("英文"));
}

// A configuration saved on a Chinese workstation, read from a file, from bytes and from a device.
void tst_clsConfig::gbkConfigurationFromEveryReader_data()
{
    QTest::addColumn<QString>("reader");
    QTest::newRow("file") << "file";
    QTest::newRow("bytes") << "bytes";
    QTest::newRow("device") << "device";
}

void tst_clsConfig::gbkConfigurationFromEveryReader()
{
    QFETCH(QString, reader);
    // "企业管理" / "示范账套" / "%app.path%\帮助\系统.chm" in code page 936.
    const QByteArray bytes = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<configuration><system>"
                             "<caption>\xC6\xF3\xD2\xB5\xB9\xDC\xC0\xED</caption>"
                             "<rootcaption>\xCA\xBE\xB7\xB6\xD5\xCB\xCC\xD7</rootcaption>"
                             "<help>%app.path%\\\xB0\xEF\xD6\xFA\\\xCF\xB5\xCD\xB3.chm</help>"
                             "</system></configuration>";
    const QString path = m_dir.filePath(QStringLiteral("gbk%1.config").arg(++m_n));
    QVERIFY(testsupport::writeFile(path, bytes));
    clsConfig c(win());
    bool ok = false;
    if (reader == QLatin1String("file")) {
        ok = c.Init(path);
    } else if (reader == QLatin1String("bytes")) {
        ok = c.InitData(bytes, path);
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        ok = c.Init(&f, path);
    }
    QVERIFY2(ok, qPrintable(c.lastError()));
    QCOMPARE(c.Caption(), QString::fromUtf8("企业管理"));
    QCOMPARE(c.RootCaption(), QString::fromUtf8("示范账套"));
    QCOMPARE(c.HelpFileName(), QString::fromUtf8("C:\\App\\帮助\\系统.chm"));
    QCOMPARE(c.ConfigFileName(), path);
}

QTEST_GUILESS_MAIN(tst_clsConfig)
#include "tst_clsconfig.moc"

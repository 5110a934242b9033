// The main window on real demo databases: catalogs, menu buttons, icons, the
// stored panel width, images and links, and what the window leaves behind.
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/database.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxnavpanel.h"
#include "components/kx/kxshadowlabel.h"
#include "components/sysservices.h"
#include "workspace/frmmain.h"
#include "workspace/layout.h"
#include "components/kx/picturebox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include "testsupport.h"
#include "workspace_helper.h"

using wstest::Site;

namespace {

// The rows of the catalogs the tests add to the demo data: one whose name holds
// a quote, and one with two buttons of the same caption.
bool addTestCatalogs(Site &site)
{
    const QString menu = QStringLiteral("insert into xt_menu(menucode, menuname, parent, systemcode, menuorder, menuismx, "
                                        "menuIsMajor, menulevel, menucatalog, progID, inActive, MenuType) "
                                        "values (?, ?, ?, ?, ?, ?, 1, ?, 0, null, 0, '目录')");
    return site.exec(QStringLiteral("insert into xt_mode(systemcode, systemcatalog, systemname) values (?, ?, ?)"),
                     {"QT", QStringLiteral("老王's管理"), QStringLiteral("报价系统")})
        && site.exec(menu, {"08", QStringLiteral("报价"), "", "QT", 8, 0, 1})
        && site.exec(menu, {"0801", QStringLiteral("报价单"), "08", "QT", 1, 1, 2})
        && site.exec(QStringLiteral("insert into xt_mode(systemcode, systemcatalog, systemname) values (?, ?, ?)"),
                     {"DU", QStringLiteral("重复管理"), QStringLiteral("重复系统")})
        && site.exec(menu, {"07", QStringLiteral("同名"), "", "DU", 7, 0, 1})
        && site.exec(menu, {"0701", QStringLiteral("同名"), "07", "DU", 1, 0, 2})
        && site.exec(menu, {"070101", QStringLiteral("功能甲"), "0701", "DU", 1, 1, 3})
        && site.exec(menu, {"0702", QStringLiteral("其他"), "07", "DU", 2, 0, 2})
        && site.exec(menu, {"070201", QStringLiteral("功能乙"), "0702", "DU", 1, 1, 3});
}

QStringList items(const kxNavPanel *nav)
{
    QStringList out;
    for (int i = 1; i <= nav->count(); ++i)
        out << nav->item(i)->caption() + "|" + nav->item(i)->key();
    return out;
}

QStringList captions(const frmMain &w)
{
    QStringList out;
    for (int i = 1; i < w.But.size(); ++i)
        out << w.But[i]->caption();
    return out;
}

QStringList tags(const frmMain &w)
{
    QStringList out;
    for (int i = 1; i < w.But.size(); ++i)
        out << w.But[i]->tag();
    return out;
}

QString iconFile(const Site &site, const QString &name)
{
    return QDir::cleanPath(site.tempFolder() + "/icon/" + name);
}

} // namespace

class tst_frmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void catalogs_data();
    void catalogs();
    void activeItem_data();
    void activeItem();
    void buttons_data();
    void buttons();
    void rememberedButton_data();
    void rememberedButton();
    void icons_data();
    void icons();
    void cachedIconKept();
    void iconFolderFallback();
    void navPanelWidth_data();
    void navPanelWidth();
    void catalogQueryError();
    void images_data();
    void images();
    void loadError_data();
    void loadError();
    void periodAndLinks_data();
    void periodAndLinks();
    void statusPrompt();
    void holderKeepsComponentFilled();
    void splitterDrag_data();
    void splitterDrag();
    void unloadSavesAndLogsOut();

    void copyHeaderIsOrangeUnderTheTheme_data();
    void copyHeaderIsOrangeUnderTheTheme();

private:
    testsupport::RecordingUi *m_ui = nullptr;
    QStringList m_pressed;
    QStringList m_editCodes;
    wstest::RecordingRunner m_runner;
};

void tst_frmMain::init()
{
    m_ui = new testsupport::RecordingUi;
    m_pressed.clear();
    m_editCodes.clear();
    m_runner = wstest::RecordingRunner{};
    m_runner.run = [this](const QString &code, bool &inEditWindow, bool &executed) {
        m_pressed << code;
        inEditWindow = m_editCodes.contains(code);
        executed = true;
    };
}

void tst_frmMain::cleanup()
{
    bMain::LogOut();
    delete m_ui;
    m_ui = nullptr;
}

void tst_frmMain::catalogs_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("financeIcon"); // the icon of the 财务管理 item (the first row's)

    QTest::newRow("demo: one item per catalog, 财务管理 keyed by its first subsystem")
        << "" << QStringList{"采购管理|PU", "销售管理|SA", "库存管理|IN", "财务管理|GL", "系统管理|SY"} << "m04.png";
    QTest::newRow("names differing only by blanks are one catalog")
        << "update xt_mode set systemcatalog = case systemcode when 'GL' then ' 财务管理  ' when 'AR' then '财务管理 ' "
           "else systemcatalog end"
        << QStringList{"采购管理|PU", "销售管理|SA", "库存管理|IN", "财务管理|GL", "系统管理|SY"} << "m04.png";
    QTest::newRow("the subsystem first in menu order gives key and icon")
        << "update xt_menu set menuorder = 0 where menucode = '05'"
        << QStringList{"财务管理|AR", "采购管理|PU", "销售管理|SA", "库存管理|IN", "系统管理|SY"} << "m05.png";
    QTest::newRow("codes padded with blanks are trimmed")
        << "update xt_mode set systemcode = 'SY  ' where systemcode = 'SY'; update xt_menu set systemcode = 'SY  ' where "
           "systemcode = 'SY'"
        << QStringList{"采购管理|PU", "销售管理|SA", "库存管理|IN", "财务管理|GL", "系统管理|SY"} << "m04.png";
}

void tst_frmMain::catalogs()
{
    QFETCH(QString, change);
    QFETCH(QStringList, expected);
    QFETCH(QString, financeIcon);
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    for (const QString &sql : change.split(';', Qt::SkipEmptyParts))
        QVERIFY2(site.exec(sql.trimmed()), qPrintable(site.error()));
    QVERIFY2(site.open(), qPrintable(site.error()));

    frmMain w(testsupport::session());

    w.setMenuRunner(&m_runner);
    w.load();
    QVERIFY(m_ui->boxes.isEmpty());
    QCOMPARE(items(w.NavPanel), expected);
    for (int i = 1; i <= w.NavPanel->count(); ++i)
        QVERIFY2(!w.NavPanel->item(i)->icon().isNull(), qPrintable(w.NavPanel->item(i)->caption()));
    const QImage picture = QImage(QStringLiteral(ZENLO_SOURCE_DIR "/demo/icons/") + financeIcon).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!picture.isNull());
    const kxNavItem *finance = nullptr;
    for (int i = 1; i <= w.NavPanel->count(); ++i)
        if (w.NavPanel->item(i)->caption() == QStringLiteral("财务管理"))
            finance = w.NavPanel->item(i);
    QVERIFY(finance);
    QCOMPARE(finance->icon().pixmap(picture.size()).toImage().convertToFormat(QImage::Format_ARGB32), picture);
    QVERIFY(site.logText().contains(QString::fromUtf8("frmain 恢复默认的导航项目...")));
}

void tst_frmMain::activeItem_data()
{
    QTest::addColumn<QString>("storedItem"); // "<none>": no setting
    QTest::addColumn<QString>("storedRows");
    QTest::addColumn<QString>("active");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("pressed");

    QTest::newRow("nothing stored: the first item, three rows") << "<none>" << "<none>" << "采购管理" << 3 << "01";
    QTest::newRow("remembered item") << "SA" << "5" << "销售管理" << 5 << "02";
    QTest::newRow("keys match without regard to case") << "in" << "2" << "库存管理" << 2 << "03";
    QTest::newRow("unknown key: the first item") << "ZZ" << "4" << "采购管理" << 4 << "01";
    QTest::newRow("empty key: the first item") << "" << "abc" << "采购管理" << 0 << "01";
}

void tst_frmMain::activeItem()
{
    QFETCH(QString, storedItem);
    QFETCH(QString, storedRows);
    QFETCH(QString, active);
    QFETCH(int, rows);
    QFETCH(QString, pressed);
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && site.open(), qPrintable(site.error()));
    if (storedItem != "<none>")
        site.setSetting("NavPaneActiveItem", storedItem);
    if (storedRows != "<none>")
        site.setSetting("NavPaneVisibleItems", storedRows);

    frmMain w(testsupport::session());

    w.setMenuRunner(&m_runner);
    w.load();
    QVERIFY(w.NavPanel->activeItem());
    QCOMPARE(w.NavPanel->activeItem()->caption(), active);
    QCOMPARE(w.NavPanel->visibleRowCount(), rows);
    // The restored item shows its buttons and presses the first (nothing remembered).
    QVERIFY(w.But.size() > 1);
    QCOMPARE(m_pressed, QStringList{pressed});
}

void tst_frmMain::buttons_data()
{
    QTest::addColumn<QString>("catalog");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("tags");

    QTest::newRow("purchasing: the first-level entry, then its groups")
        << "采购管理" << QStringList{"  采购管理", "  采购订单", "  采购入库", "  采购报表"}
        << QStringList{"01", "0101", "0102", "0103"};
    QTest::newRow("two subsystems: first levels first, then by parent and order")
        << "财务管理" << QStringList{"  总账", "  应收管理", "  凭证处理", "  账簿查询", "  应收单据", "  应收报表"}
        << QStringList{"04", "05", "0401", "0402", "0501", "0502"};
    QTest::newRow("a name holding a quote shows its buttons") << "老王's管理" << QStringList{"  报价"} << QStringList{"08"};
    QTest::newRow("an unknown catalog shows none") << "没有这个" << QStringList{} << QStringList{};
    QTest::newRow("a quote cannot widen the query") << "x' or '1'='1" << QStringList{} << QStringList{};
}

void tst_frmMain::buttons()
{
    QFETCH(QString, catalog);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, tags);
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && addTestCatalogs(site) && site.open(), qPrintable(site.error()));

    frmMain w(testsupport::session());

    w.setMenuRunner(&m_runner);
    w.load();
    m_pressed.clear();
    m_ui->clear();
    w.LoadCatalogButtons(catalog);
    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(::captions(w), captions);
    QCOMPARE(::tags(w), tags);
    QCOMPARE(m_pressed, tags.isEmpty() ? QStringList{} : QStringList{tags.first()});

    // A column under the template, 120 twips apart, each looking like the template: at 96 dpi the
    // first 300 twips in and 240 twips below the container's top, 2700 x 660 twips, then every 780 twips.
    QCOMPARE(w.dpi(), 96.0);
    const kxImageButton *tmpl = w.But[0];
    QVERIFY(tmpl->isHidden());
    for (int k = 1; k < w.But.size(); ++k) {
        const kxImageButton *b = w.But[k];
        QCOMPARE(b->objectName(), QStringLiteral("But%1").arg(k));
        QVERIFY(!b->isHidden());
        QCOMPARE(b->size(), tmpl->size());
        QCOMPARE(b->geometry(), QRect(20, 16 + (k - 1) * 52, 180, 44));
        QCOMPARE(b->buttonStyle(), tmpl->buttonStyle());
        QCOMPARE(b->textAlign(), tmpl->textAlign());
        QCOMPARE(b->pictureAlign(), tmpl->pictureAlign());
        QCOMPARE(b->borderStyle(), tmpl->borderStyle());
        // The demo stores an icon for every grouping and first-level entry.
        if (catalog != QStringLiteral("老王's管理"))
            QVERIFY2(!b->picture().isNull(), qPrintable(b->tag()));
    }
}

void tst_frmMain::rememberedButton_data()
{
    QTest::addColumn<QString>("remembered"); // "<none>": nothing stored
    QTest::addColumn<QStringList>("editCodes");
    QTest::addColumn<QStringList>("pressed"); // choosing the catalog twice
    QTest::addColumn<QString>("stored");

    QTest::newRow("two equal captions: the later is pressed") << "同名" << QStringList{} << QStringList{"0701", "0701"} << "同名";
    QTest::newRow("another remembered") << "其他" << QStringList{} << QStringList{"0702", "0702"} << "其他";
    QTest::newRow("nothing remembered: the first, then the later of its caption")
        << "<none>" << QStringList{} << QStringList{"07", "0701"} << "同名";
    QTest::newRow("no match: the first") << "不存在" << QStringList{} << QStringList{"07", "0701"} << "同名";
    QTest::newRow("an entry opened in an edit window is not remembered")
        << "<none>" << QStringList{"07"} << QStringList{"07", "07"} << "<none>";
    QTest::newRow("an edit-window entry keeps the one before") << "其他" << QStringList{"0702"} << QStringList{"0702", "0702"}
                                                               << "其他";
}

void tst_frmMain::rememberedButton()
{
    QFETCH(QString, remembered);
    QFETCH(QStringList, editCodes);
    QFETCH(QStringList, pressed);
    QFETCH(QString, stored);
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && addTestCatalogs(site) && site.open(), qPrintable(site.error()));
    if (remembered != "<none>")
        site.setSetting(QStringLiteral("重复管理_ButTag"), remembered);
    m_editCodes = editCodes;

    frmMain w(testsupport::session());

    w.setMenuRunner(&m_runner);
    w.load();
    m_pressed.clear();
    kxNavItem *item = w.NavPanel->item(QStringLiteral("DU"));
    QVERIFY(item);
    w.NavPanel->setActiveItem(item);
    const QList<kxImageButton *> first = w.But;
    QCOMPARE(captions(w), (QStringList{"  同名", "  同名", "  其他"}));
    w.NavPanel->setActiveItem(item);
    QCOMPARE(captions(w), (QStringList{"  同名", "  同名", "  其他"}));
    QVERIFY(w.But[1] != first[1]); // rebuilt
    QCOMPARE(m_pressed, pressed);
    QCOMPARE(site.setting(QStringLiteral("重复管理_ButTag")), stored);
}

void tst_frmMain::icons_data()
{
    QTest::addColumn<QString>("filename");
    QTest::addColumn<QVariant>("iscompress");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("icon");
    QTest::addColumn<QString>("logged"); // "" = nothing about the icon

    const QByteArray png = wstest::pngBytes(24, Qt::red);
    QTest::newRow("iscompress 0: written as is") << "t.png" << QVariant(0) << png << true << "";
    QTest::newRow("iscompress empty: written as is") << "t.png" << QVariant(QMetaType::fromType<int>()) << png << true << "";
    QTest::newRow("iscompress 1: extracted") << "t.png" << QVariant(1) << wstest::zipBytes("t.png", png) << true << "";
    QTest::newRow("unreadable picture") << "t.png" << QVariant(0) << QByteArray("not a picture") << false
                                        << "不是可读的图片";
    QTest::newRow("archive without the file") << "t.png" << QVariant(1) << wstest::zipBytes("other.png", png) << false
                                              << "压缩包中没有文件";
    QTest::newRow("damaged archive") << "t.png" << QVariant(1) << QByteArray("PK\x03\x04 broken") << false << "不能解压";
    QTest::newRow("a name with a folder is refused") << "../escape.png" << QVariant(0) << png << false << "不是单纯的文件名";
    QTest::newRow("no contents") << "t.png" << QVariant(0) << QByteArray() << false << "不能加载";
}

void tst_frmMain::icons()
{
    QFETCH(QString, filename);
    QFETCH(QVariant, iscompress);
    QFETCH(QByteArray, contents);
    QFETCH(bool, icon);
    QFETCH(QString, logged);
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    QVERIFY2(site.exec("update xt_menuPilot set filename=?, iscompress=?, contents=? where menuCode='01' and type=1",
                       {filename, iscompress, contents.isNull() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(contents)}),
             qPrintable(site.error()));
    QVERIFY2(site.open(), qPrintable(site.error()));

    frmMain w(testsupport::session());

    w.setMenuRunner(&m_runner);
    const QPixmap p = w.LoadMenuIcon(QStringLiteral("01"), 1);
    QCOMPARE(!p.isNull(), icon);
    if (icon) {
        QCOMPARE(p.size(), QSize(24, 24));
        QCOMPARE(p.toImage().pixelColor(3, 3), QColor(Qt::red));
        QVERIFY(QFileInfo(iconFile(site, filename)).isFile());
    }
    const QString log = site.logText();
    if (logged.isEmpty())
        QVERIFY2(!log.contains(QString::fromUtf8("的图标不能加载")), qPrintable(log));
    else
        QVERIFY2(log.contains(QStringLiteral("菜单[01]的图标不能加载")) && log.contains(logged), qPrintable(log));
    QVERIFY(!QFileInfo::exists(site.tempFolder() + "/escape.png"));
    QVERIFY(m_ui->boxes.isEmpty());
    // A code without a row has no icon and says nothing.
    QVERIFY(w.LoadMenuIcon(QStringLiteral("没有'这个"), 1).isNull());
}

void tst_frmMain::cachedIconKept()
{
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QString sql = QStringLiteral("update xt_menuPilot set filename='k.png', iscompress=0, contents=? where menuCode='01'");
    QVERIFY(site.exec(sql, {wstest::pngBytes(16, Qt::green)}));
    QVERIFY2(site.open(), qPrintable(site.error()));
    {
        frmMain w(testsupport::session());
        w.setMenuRunner(&m_runner);
        QCOMPARE(w.LoadMenuIcon("01", 1).toImage().pixelColor(1, 1), QColor(Qt::green));
    }
    // The row changes: the cached file is still used, also by a later window.
    QVERIFY(site.exec(sql, {wstest::pngBytes(16, Qt::blue)}));
    {
        frmMain w(testsupport::session());
        w.setMenuRunner(&m_runner);
        QCOMPARE(w.LoadMenuIcon("01", 1).toImage().pixelColor(1, 1), QColor(Qt::green));
    }
    // Without the cached file the row is fetched again.
    QVERIFY(QFile::remove(iconFile(site, "k.png")));
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    QCOMPARE(w.LoadMenuIcon("01", 1).toImage().pixelColor(1, 1), QColor(Qt::blue));
}

void tst_frmMain::iconFolderFallback()
{
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QString plain = site.programFolder() + "/plain";
    QVERIFY(testsupport::writeFile(plain, "a file, not a folder"));
    site.setTempFolder(plain + "/temp/");
    QVERIFY(site.exec("update xt_menuPilot set filename='fallback.png' where menuCode='0101'"));
    QVERIFY2(site.open(), qPrintable(site.error()));
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/icon/fallback.png";
    QFile::remove(cache);

    frmMain w(testsupport::session());

    w.setMenuRunner(&m_runner);
    QVERIFY(!w.LoadMenuIcon("0101", 1).isNull());
    QVERIFY(QFileInfo(cache).isFile());
    QVERIFY2(site.logText().contains(QString::fromUtf8("不能写入，改用缓存文件夹")), qPrintable(site.logText()));
    QVERIFY(QFileInfo(plain).isFile());
    QFile::remove(cache);
}

void tst_frmMain::navPanelWidth_data()
{
    QTest::addColumn<QString>("stored"); // "<none>": no setting
    QTest::addColumn<double>("width");   // after the first pass; 0: a screen width / 8
    QTest::addColumn<bool>("logged");
    QTest::addColumn<QString>("saved");

    QTest::newRow("no setting: the design width") << "<none>" << 3300.0 << false << "3240";
    // Stored by the program as it was (width - 60): the panel opens as wide as it was.
    QTest::newRow("a stored width") << "5000" << 5060.0 << false << "5000";
    QTest::newRow("not a number: the design width") << "abc" << 3300.0 << true << "3240";
    QTest::newRow("negative: the design width") << "-5" << 3300.0 << true << "3240";
    QTest::newRow("zero: the smallest column") << "0" << 0.0 << false << "";
    QTest::newRow("beyond the largest column") << "99999" << 7680.0 << false << "7620";
}

void tst_frmMain::navPanelWidth()
{
    QFETCH(QString, stored);
    QFETCH(double, width);
    QFETCH(bool, logged);
    QFETCH(QString, saved);
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && site.open(), qPrintable(site.error()));
    if (stored != "<none>")
        site.setSetting("navpanel_width", stored);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (width == 0) {
        width = workspace::pixelsToTwips(screen->geometry().width(), screen->logicalDotsPerInchX()) / 8;
        saved = QString::number(width - 60);
    }
    QVERIFY2(width >= 3300 || stored == "0", "the screen is too wide for this table");

    auto firstPass = [&](frmMain &w) {
        w.load();
        w.resize(1280, 720);
        w.Form_Resize();
        return w.layoutModel().navPanel.width;
    };
    {
        frmMain w(testsupport::session());
        w.setMenuRunner(&m_runner);
        QCOMPARE(firstPass(w), width);
        QCOMPARE(w.NavPanel->width(), workspace::toPixels(w.layoutModel().navPanel, w.dpi()).width());
        QCOMPARE(site.logText().contains(QStringLiteral("navpanel_width=\"%1\" 不可用").arg(stored)), logged);
        QVERIFY(m_ui->boxes.isEmpty());
        w.close();
    }
    QCOMPARE(site.setting("navpanel_width"), saved);
    // The next run shows the panel as wide as it was, after its first pass.
    QVERIFY2(site.open(), qPrintable(site.error()));
    frmMain again(testsupport::session());
    again.setMenuRunner(&m_runner);
    QCOMPARE(firstPass(again), width);
}

void tst_frmMain::catalogQueryError()
{
    Site site(QStringLiteral("主窗体测试"), QStringLiteral("<settings><theme>blue</theme></settings>"));
    QVERIFY2(site.ok() && site.installTheme(), qPrintable(site.error()));
    QVERIFY(site.exec("drop table xt_mode"));
    QVERIFY2(site.open(), qPrintable(site.error()));
    site.setSetting("navpanel_width", "5000");

    frmMain w(testsupport::session());

    w.setMenuRunner(&m_runner);
    const QPixmap designLogo = w.Img[0]->picture();
    w.load();
    QVERIFY2(m_ui->boxes.isEmpty(), qPrintable(m_ui->boxes.value(0).text));
    QCOMPARE(m_ui->messageTexts(8).size(), 1);
    QVERIFY(!testsupport::session().db->LastError().number && testsupport::session().db->LastError().description.isEmpty());
    QCOMPARE(w.NavPanel->count(), 0);
    QCOMPARE(w.But.size(), 1);
    // The rest of the load did not run: design pictures, captions and width.
    QCOMPARE(w.Img[0]->picture().cacheKey(), designLogo.cacheKey());
    QVERIFY(w.Img[1]->picture().isNull());
    QVERIFY(w.lblProductName_B[0]->isHidden());
    QCOMPARE(w.lnklbl[0]->caption(), QStringLiteral("Zenlo软件"));
    QCOMPARE(w.lnklbl[1]->caption(), QStringLiteral("技术支持"));
    QCOMPARE(w.layoutModel().navPanel.width, 3300.0);
    QVERIFY(w.styleSheet().isEmpty());
    // The window still opens.
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

void tst_frmMain::images_data()
{
    QTest::addColumn<bool>("theme");
    QTest::addColumn<QStringList>("appFiles"); // name=content: "gif" a real picture, else the bytes
    QTest::addColumn<bool>("title");
    QTest::addColumn<bool>("lockPicture");
    QTest::addColumn<QString>("logged");

    QTest::newRow("theme pictures") << true << QStringList{} << true << true << "";
    QTest::newRow("no title anywhere: the product name") << false << QStringList{} << false << false << "";
    QTest::newRow("title in the application folder") << false << QStringList{"title.gif=gif"} << true << false << "";
    QTest::newRow("theme first, application folder second") << true << QStringList{"title.gif=broken"} << true << true << "";
    QTest::newRow("an unreadable title counts as none")
        << false << QStringList{"title.gif=broken", "piclogin.gif=gif"} << false << true << "title.gif”不能读取";
}

void tst_frmMain::images()
{
    QFETCH(bool, theme);
    QFETCH(QStringList, appFiles);
    QFETCH(bool, title);
    QFETCH(bool, lockPicture);
    QFETCH(QString, logged);
    Site site(QStringLiteral("主窗体测试"), theme ? QStringLiteral("<settings><theme>blue</theme></settings>") : QString());
    QVERIFY2(site.ok(), qPrintable(site.error()));
    if (theme)
        QVERIFY(site.installTheme());
    for (const QString &spec : appFiles) {
        const QString name = spec.section('=', 0, 0);
        const QString content = spec.section('=', 1);
        const QByteArray bytes = content == "gif"
            ? testsupport::readFile(QStringLiteral(ZENLO_SOURCE_DIR "/themes/blue/") + name)
            : content.toUtf8();
        QVERIFY(!bytes.isEmpty());
        QVERIFY(testsupport::writeFile(site.programFolder() + "/" + name, bytes));
    }
    QVERIFY2(site.open(), qPrintable(site.error()));

    frmMain w(testsupport::session());

    w.setMenuRunner(&m_runner);
    w.load();
    QVERIFY(m_ui->boxes.isEmpty());
    QCOMPARE(!w.Img[1]->picture().isNull(), title);
    QCOMPARE(w.lblProductName_B[0]->isHidden(), title);
    if (!title)
        QCOMPARE(w.lblProductName_B[0]->caption(), QStringLiteral("主窗体测试"));
    QCOMPARE(!w.lockPanelFile().isEmpty(), lockPicture);
    QCOMPARE(w.styleSheet().isEmpty(), !theme);
    if (!logged.isEmpty())
        QVERIFY2(site.logText().contains(logged), qPrintable(site.logText()));
}

void tst_frmMain::loadError_data()
{
    QTest::addColumn<QString>("missing");
    QTest::newRow("no system services") << "sys";
    QTest::newRow("no database") << "db";
}

void tst_frmMain::loadError()
{
    QFETCH(QString, missing);
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && site.open(), qPrintable(site.error()));
    if (missing == "sys")
        testsupport::session().sys.reset();
    else
        testsupport::session().db.reset();
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    w.load();
    QCOMPARE(m_ui->boxes.size(), 1);
    QCOMPARE(m_ui->boxes[0].text, QStringLiteral("加载主窗体时发生错误,原因:对象变量或 With 块变量未设置"));
    QCOMPARE(m_ui->boxes[0].title, QStringLiteral("错误:"));
    QCOMPARE(m_ui->boxes[0].style, int(ui::Exclamation));
    // What was done before the error stays done.
    QCOMPARE(w.windowTitle(), QStringLiteral("主窗体测试"));
    QCOMPARE(w.lbl[0]->caption(), QStringLiteral("登录用户名：admin"));
}

void tst_frmMain::periodAndLinks_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("period"); // "" = hidden
    QTest::addColumn<QStringList>("links"); // caption 0, link 0, caption 1, link 2

    QTest::newRow("defaults") << "" << ""
                              << QStringList{"Zenlo软件(http://www.zenlo.example)", "http://www.zenlo.example",
                                             "技术支持:400-820-0000", "mailto:support@zenlo.example"};
    QTest::newRow("configured")
        << "<subject>示范</subject><webhome>www.a.example</webhome><LxMessage>热线 8888</LxMessage><mailto>x@a.example</mailto>"
           "<settings><displayperiod>1</displayperiod></settings>"
        << "当前会计期间：2026年12期"
        << QStringList{"示范(www.a.example)", "www.a.example", "热线 8888", "mailto:x@a.example"};
    QTest::newRow("period switched off") << "<settings><displayperiod>0</displayperiod></settings>" << ""
                                         << QStringList{"Zenlo软件(http://www.zenlo.example)", "http://www.zenlo.example",
                                                        "技术支持:400-820-0000", "mailto:support@zenlo.example"};
}

void tst_frmMain::periodAndLinks()
{
    QFETCH(QString, system);
    QFETCH(QString, period);
    QFETCH(QStringList, links);
    Site site(QStringLiteral("主窗体测试"), system);
    QVERIFY2(site.ok() && site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    w.load();
    w.resize(1600, 900);
    w.Form_Resize();
    QCOMPARE(w.windowTitle(), QStringLiteral("主窗体测试"));
    QCOMPARE(w.lbl[0]->caption(), QStringLiteral("登录用户名：admin"));
    QCOMPARE(w.lbl[2]->isHidden(), period.isEmpty());
    if (!period.isEmpty()) {
        QCOMPARE(w.lbl[2]->caption(), period);
        // Laid out left of the operator label.
        QVERIFY(w.lbl[2]->geometry().right() < w.lbl[0]->x());
    }
    QCOMPARE(w.lnklbl[0]->caption(), links[0]);
    QCOMPARE(w.lnklbl[0]->link(), links[1]);
    QCOMPARE(w.lnklbl[1]->caption(), links[2]);
    QCOMPARE(w.lnklbl[2]->link(), links[3]);
    QCOMPARE(w.lnklbl[2]->caption(), QStringLiteral("意见与建议"));
    // The footer chain ends 300 twips from the right edge.
    QCOMPARE(w.lnklbl[2]->geometry().right() + 1, w.width() - workspace::twipsToPixels(300, w.dpi()));
}

void tst_frmMain::statusPrompt()
{
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && site.open(), qPrintable(site.error()));
    auto w = std::make_unique<frmMain>(testsupport::session());
    w->setMenuRunner(&m_runner);
    w->load();
    QCOMPARE(w->lnkMessage->caption(), QStringLiteral("【Zenlo软件】就绪"));
    bMain::StatusPrompt(QStringLiteral("正在打开采购订单"));
    QCOMPARE(w->lnkMessage->caption(), QStringLiteral("【Zenlo软件】正在打开采购订单"));
    w->close();
    QVERIFY(!Session::current()); // the window's close ended the session
    w.reset();
    bMain::StatusPrompt(QStringLiteral("no window")); // nothing to show it on, nothing breaks
}

void tst_frmMain::holderKeepsComponentFilled()
{
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    w.load();
    w.resize(1200, 800);
    w.Form_Resize();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    PictureBox *holder = w.picHolder[0];
    holder->show();
    holder->raise();
    auto *component = new QWidget(holder);
    w.moControl = component;
    holder->resize(400, 300);
    QCOMPARE(component->geometry(), QRect(0, 0, 400, 300));
    // A layout pass puts the holder and its component in place together.
    w.resize(1300, 760);
    w.Form_Resize();
    QCOMPARE(component->geometry(), QRect(QPoint(0, 0), holder->size()));
    QCOMPARE(holder->geometry(), w.PicTable->geometry());
}

void tst_frmMain::splitterDrag_data()
{
    QTest::addColumn<int>("dx");      // pointer move from the handle's left edge, pixels
    QTest::addColumn<double>("width"); // the panel afterwards, twips; -1: as far as the pointer moved; 0: a screen width / 8
    QTest::newRow("wider by 100 pixels") << 100 << -1.0;
    QTest::newRow("to the far left: the smallest column") << -1000 << 0.0;
    QTest::newRow("far right: the largest column") << 2000 << 7680.0;
}

void tst_frmMain::splitterDrag()
{
    QFETCH(int, dx);
    QFETCH(double, width);
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    w.load();
    w.setWindowState(Qt::WindowNoState);
    w.resize(1280, 720);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Form_Resize();
    // The splitter's left edge is the panel's width (the columns put both at x).
    const double before = w.layoutModel().navPanel.width;
    QCOMPARE(w.layoutModel().imgSplitter.left, before);
    if (width == 0)
        width = w.layoutModel().screenWidth / 8;
    else if (width < 0)
        width = before + workspace::pixelsToTwips(dx, w.dpi());

    QWidget *handle = w.imgSplitter;
    auto send = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(x, 10), handle->mapToGlobal(QPointF(x, 10)), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(handle, &e);
    };
    send(QEvent::MouseButtonPress, 0, Qt::LeftButton);
    QVERIFY(w.picSplitter->isVisible());
    send(QEvent::MouseMove, dx, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, dx, Qt::NoButton);
    QVERIFY(!w.picSplitter->isVisible());
    QCOMPARE(w.layoutModel().navPanel.width, width);
    QCOMPARE(w.NavPanel->geometry(), workspace::toPixels(w.layoutModel().navPanel, w.dpi()));
    QCOMPARE(w.PicMain->x(), workspace::toPixels(w.layoutModel().picMain, w.dpi()).x());
}

void tst_frmMain::unloadSavesAndLogsOut()
{
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    w.load();
    w.NavPanel->setActiveItem(QStringLiteral("SA"));
    w.NavPanel->setVisibleRowCount(4);
    auto *component = new QWidget(w.picHolder[0]);
    w.moControl = component;
    w.resize(1280, 720);
    w.Form_Resize();
    const double panel = w.layoutModel().navPanel.width;
    w.close();
    QCOMPARE(site.setting("NavPaneActiveItem"), QStringLiteral("SA"));
    QCOMPARE(site.setting("NavPaneVisibleItems"), QStringLiteral("4"));
    QCOMPARE(site.setting("navpanel_width"), QString::number(panel - 60));
    QCOMPARE(site.setting(QStringLiteral("销售管理_ButTag")), QStringLiteral("销售管理"));
    QCOMPARE(m_runner.cleared, QList<QObject *>{component});
    QVERIFY(!Session::current()); // the log-out ended the session
    // A second close does nothing more.
    w.close();
    QCOMPARE(m_runner.cleared.size(), 1);
}

void tst_frmMain::copyHeaderIsOrangeUnderTheTheme_data()
{
    QTest::addColumn<QString>("copy");
    QTest::newRow("the real books") << "";
    QTest::newRow("a test copy") << "test";
    QTest::newRow("a training copy") << "training";
}

// The top band as the operator sees it, with the blue theme's style sheet
// applied: orange for a test or training copy, the theme's blue otherwise.
void tst_frmMain::copyHeaderIsOrangeUnderTheTheme()
{
    QFETCH(QString, copy);
    Site site(QStringLiteral("主窗体测试"), QStringLiteral("<settings><theme>blue</theme></settings>"));
    QVERIFY2(site.ok() && site.installTheme(), qPrintable(site.error()));
    QString node = site.site().databaseNode();
    if (!copy.isEmpty())
        node.replace(QStringLiteral("<database driver="), QStringLiteral("<database copy=\"%1\" driver=").arg(copy));
    site.site().writeConfig(QStringLiteral("<caption>主窗体测试</caption><settings><theme>blue</theme></settings>"), node);
    QVERIFY2(site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    w.load();
    QVERIFY(!w.styleSheet().isEmpty());
    w.showNormal();
    w.resize(1280, 800);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage band = w.Panel[0]->grab().toImage();
    QVERIFY(band.width() > 100 && band.height() > 10);
    // The first pixel row, where neither pictures nor labels reach: the blue theme's top is #2577bd.
    int orange = 0, blue = 0;
    for (int x = 0; x < band.width(); ++x) {
        const QColor c = band.pixelColor(x, 0);
        orange += c.red() > c.blue() + 60 ? 1 : 0;
        blue += c.blue() > c.red() + 60 ? 1 : 0;
    }
    const int most = band.width() * 9 / 10;
    QVERIFY2(copy.isEmpty() ? blue >= most : orange >= most,
             qPrintable(QStringLiteral("%1 orange, %2 blue of %3 pixels").arg(orange).arg(blue).arg(band.width())));
    if (const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(dir);
        w.grab(QRect(0, 0, w.width(), 160)).save(dir + QStringLiteral("/header-copy-%1.png").arg(copy.isEmpty() ? QStringLiteral("none") : copy));
    }
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"

#include "workspace/layout.h"
#include "workspace/menurules.h"

#include <QTest>

using workspace::MainLayout;
using workspace::Rect;

Q_DECLARE_METATYPE(workspace::Rect)

namespace workspace {
char *toString(const Rect &r)
{
    return QTest::toString(QStringLiteral("Rect(%1, %2, %3 x %4)").arg(r.left).arg(r.top).arg(r.width).arg(r.height));
}
} // namespace workspace

namespace {

// 96 DPI: 15 twips per pixel.
MainLayout window1920() { return workspace::designDefaults(28800, 16200, 28800); }
MainLayout window1280() { return workspace::designDefaults(19200, 10800, 19200); }

Rect control(const MainLayout &s, const QString &name)
{
    static const QHash<QString, std::function<Rect(const MainLayout &)>> table = {
        {"Panel(0)", [](auto &s) { return s.panel[0]; }},
        {"Panel(1)", [](auto &s) { return s.panel[1]; }},
        {"Panel(2)", [](auto &s) { return s.panel[2]; }},
        {"ImgBtn(0)", [](auto &s) { return s.imgBtn[0]; }},
        {"ImgBtn(1)", [](auto &s) { return s.imgBtn[1]; }},
        {"ImgBtn(2)", [](auto &s) { return s.imgBtn[2]; }},
        {"ImgBtn(5)", [](auto &s) { return s.imgBtn[5]; }},
        {"lnklbl(0)", [](auto &s) { return s.lnklbl[0]; }},
        {"lnklbl(1)", [](auto &s) { return s.lnklbl[1]; }},
        {"lnklbl(2)", [](auto &s) { return s.lnklbl[2]; }},
        {"lnklbl(3)", [](auto &s) { return s.lnklbl[3]; }},
        {"lnklbl(4)", [](auto &s) { return s.lnklbl[4]; }},
        {"lnklbl(5)", [](auto &s) { return s.lnklbl[5]; }},
        {"lbl(0)", [](auto &s) { return s.lbl[0]; }},
        {"lbl(2)", [](auto &s) { return s.lbl[2]; }},
        {"Img(3)", [](auto &s) { return s.img[3]; }},
        {"Img(4)", [](auto &s) { return s.img[4]; }},
        {"Img(5)", [](auto &s) { return s.img[5]; }},
        {"lnkMessage", [](auto &s) { return s.lnkMessage; }},
        {"NavPanel", [](auto &s) { return s.navPanel; }},
        {"imgSplitter", [](auto &s) { return s.imgSplitter; }},
        {"PicMain", [](auto &s) { return s.picMain; }},
        {"PicTable", [](auto &s) { return s.picTable; }},
        {"picHolder", [](auto &s) { return s.currentHolder(); }},
        {"kxVSTab", [](auto &s) { return s.vsTab; }},
        {"PicRpt", [](auto &s) { return s.picRpt; }},
        {"imgSplitter_c", [](auto &s) { return s.imgSplitterC; }},
        {"picWait", [](auto &s) { return s.picWait; }},
        {"But(0)", [](auto &s) { return s.buttons[0]; }},
    };
    return table.value(name)(s);
}

} // namespace

class tst_Layout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wholePass_data();
    void wholePass();
    void headerChainWithoutAlertButton();
    void periodLabel_data();
    void periodLabel();
    void columns_data();
    void columns();
    void panelKeepsWidthAcrossPasses();
    void minimumSizeKeepsBandsApart_data();
    void minimumSizeKeepsBandsApart();
    void mainSplitter_data();
    void mainSplitter();
    void reportSplitter_data();
    void reportSplitter();
    void holdersFollowCurrent();
    void buttonsCentred();
    void negativeSizesRefused();
    void navPanelToggle();
    void twips_data();
    void twips();
};

void tst_Layout::wholePass_data()
{
    QTest::addColumn<int>("widthPx");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Rect>("expected");

    // 1920 x 1080 at 96 DPI: 28800 x 16200 twips; the panel is raised to 28800 / 8.
    QTest::newRow("1920 Panel(0)") << 1920 << "Panel(0)" << Rect{0, 0, 28800, 900};
    QTest::newRow("1920 Panel(1)") << 1920 << "Panel(1)" << Rect{0, 900, 28800, 480};
    QTest::newRow("1920 Panel(2)") << 1920 << "Panel(2)" << Rect{0, 15780, 28800, 420};
    QTest::newRow("1920 ImgBtn(2)") << 1920 << "ImgBtn(2)" << Rect{26760, 150, 1260, 600};
    QTest::newRow("1920 ImgBtn(1)") << 1920 << "ImgBtn(1)" << Rect{25215, 150, 1260, 600};
    QTest::newRow("1920 ImgBtn(0)") << 1920 << "ImgBtn(0)" << Rect{23670, 150, 1260, 600};
    QTest::newRow("1920 lnklbl(4)") << 1920 << "lnklbl(4)" << Rect{27120, 105, 900, 270};
    QTest::newRow("1920 lnklbl(3)") << 1920 << "lnklbl(3)" << Rect{26020, 105, 900, 270};
    QTest::newRow("1920 lnklbl(5)") << 1920 << "lnklbl(5)" << Rect{24920, 105, 900, 270};
    QTest::newRow("1920 ImgBtn(5)") << 1920 << "ImgBtn(5)" << Rect{24570, 105, 300, 300};
    QTest::newRow("1920 lbl(0)") << 1920 << "lbl(0)" << Rect{21370, 90, 3000, 300};
    QTest::newRow("1920 lbl(2)") << 1920 << "lbl(2)" << Rect{18170, 90, 3000, 300};
    QTest::newRow("1920 NavPanel") << 1920 << "NavPanel" << Rect{30, 1380, 3600, 14400};
    QTest::newRow("1920 imgSplitter") << 1920 << "imgSplitter" << Rect{3600, 1380, 60, 14400};
    QTest::newRow("1920 PicMain") << 1920 << "PicMain" << Rect{3660, 1380, 25110, 14400};
    QTest::newRow("1920 PicTable") << 1920 << "PicTable" << Rect{15, 15, 25080, 13950};
    QTest::newRow("1920 picHolder") << 1920 << "picHolder" << Rect{15, 15, 25080, 13950};
    QTest::newRow("1920 kxVSTab") << 1920 << "kxVSTab" << Rect{15, 13965, 25080, 420};
    QTest::newRow("1920 PicRpt") << 1920 << "PicRpt" << Rect{22080, 0, 3000, 13950};
    QTest::newRow("1920 imgSplitter_c") << 1920 << "imgSplitter_c" << Rect{22020, 0, 60, 13950};
    // Centred with the work area's width before the columns moved it.
    QTest::newRow("1920 picWait") << 1920 << "picWait" << Rect{10455, 6600, 4500, 1200};
    QTest::newRow("1920 But(0)") << 1920 << "But(0)" << Rect{450, 240, 2700, 600};
    QTest::newRow("1920 lnklbl(2)") << 1920 << "lnklbl(2)" << Rect{27300, 60, 1200, 270};
    QTest::newRow("1920 Img(4)") << 1920 << "Img(4)" << Rect{26960, 60, 240, 240};
    QTest::newRow("1920 lnklbl(1)") << 1920 << "lnklbl(1)" << Rect{24060, 60, 2400, 270};
    QTest::newRow("1920 Img(5)") << 1920 << "Img(5)" << Rect{23720, 60, 240, 240};
    QTest::newRow("1920 lnklbl(0)") << 1920 << "lnklbl(0)" << Rect{19620, 60, 3600, 270};
    QTest::newRow("1920 Img(3)") << 1920 << "Img(3)" << Rect{19280, 60, 240, 240};
    QTest::newRow("1920 lnkMessage") << 1920 << "lnkMessage" << Rect{30, 60, 4500, 270};

    // 1280 x 720: 19200 x 10800 twips; the design width is above 19200 / 8 and is kept.
    QTest::newRow("1280 Panel(2)") << 1280 << "Panel(2)" << Rect{0, 10380, 19200, 420};
    QTest::newRow("1280 ImgBtn(2)") << 1280 << "ImgBtn(2)" << Rect{17160, 150, 1260, 600};
    QTest::newRow("1280 ImgBtn(0)") << 1280 << "ImgBtn(0)" << Rect{14070, 150, 1260, 600};
    QTest::newRow("1280 lbl(0)") << 1280 << "lbl(0)" << Rect{11770, 90, 3000, 300};
    QTest::newRow("1280 lbl(2)") << 1280 << "lbl(2)" << Rect{8570, 90, 3000, 300};
    QTest::newRow("1280 NavPanel") << 1280 << "NavPanel" << Rect{30, 1380, 3300, 9000};
    QTest::newRow("1280 PicMain") << 1280 << "PicMain" << Rect{3360, 1380, 15810, 9000};
    QTest::newRow("1280 PicTable") << 1280 << "PicTable" << Rect{15, 15, 15780, 8550};
    QTest::newRow("1280 kxVSTab") << 1280 << "kxVSTab" << Rect{15, 8565, 15780, 420};
    QTest::newRow("1280 PicRpt") << 1280 << "PicRpt" << Rect{12780, 0, 3000, 8550};
    QTest::newRow("1280 picWait") << 1280 << "picWait" << Rect{5655, 3900, 4500, 1200};
    QTest::newRow("1280 But(0)") << 1280 << "But(0)" << Rect{300, 240, 2700, 600};
    QTest::newRow("1280 Img(3)") << 1280 << "Img(3)" << Rect{9680, 60, 240, 240};
}

void tst_Layout::wholePass()
{
    QFETCH(int, widthPx);
    QFETCH(QString, name);
    QFETCH(Rect, expected);
    MainLayout s = widthPx == 1920 ? window1920() : window1280();
    workspace::resizePass(s);
    QCOMPARE(control(s, name), expected);
}

void tst_Layout::headerChainWithoutAlertButton()
{
    MainLayout s = window1920();
    s.imgBtn5Visible = false;
    const Rect alertBefore = s.imgBtn[5];
    const Rect linkBefore = s.lnklbl[5];
    workspace::resizePass(s);
    QVERIFY(!s.lnklbl5Visible);
    QCOMPARE(s.lbl[0].left, s.lnklbl[3].left - s.lbl[0].width - 200);
    QCOMPARE(s.lbl[0].left, 22820.0);
    QCOMPARE(s.lbl[2].left, 19620.0);
    // The hidden pair is not moved.
    QCOMPARE(s.imgBtn[5], alertBefore);
    QCOMPARE(s.lnklbl[5], linkBefore);
}

void tst_Layout::periodLabel_data()
{
    QTest::addColumn<bool>("display");
    QTest::addColumn<double>("lbl2Left");
    QTest::addColumn<double>("alertLeft");
    // Operator label at 10000, both labels 3000 wide, alert button 300.
    QTest::newRow("period shown") << true << 6800.0 << 6300.0;
    QTest::newRow("period hidden") << false << -1.0 << 9500.0;
}

void tst_Layout::periodLabel()
{
    QFETCH(bool, display);
    QFETCH(double, lbl2Left);
    QFETCH(double, alertLeft);
    MainLayout s = window1920();
    s.lbl[0].left = 10000;
    s.lbl[2].move(-1, 0);
    workspace::placePeriodLabel(s, display);
    QCOMPARE(s.lbl2Visible, display);
    QCOMPARE(s.lbl[2].left, lbl2Left);
    QCOMPARE(s.imgBtn[5].left, alertLeft);
    if (display)
        QCOMPARE(s.lbl[2].top, 90.0);

    // Hidden or not, the next pass places the period label 200 left of the operator label.
    workspace::resizePass(s);
    QCOMPARE(s.lbl2Visible, display);
    QCOMPARE(s.lbl[2].left, s.lbl[0].left - s.lbl[2].width - 200);
}

void tst_Layout::columns_data()
{
    QTest::addColumn<bool>("panelVisible");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("navWidth");
    QTest::addColumn<double>("mainLeft");
    QTest::addColumn<double>("mainWidth");

    QTest::newRow("ordinary") << true << 5000.0 << 5000.0 << 5060.0 << 23710.0;
    QTest::newRow("below screen / 8 raised") << true << 800.0 << 3600.0 << 3660.0 << 25110.0;
    QTest::newRow("at 7680") << true << 7680.0 << 7680.0 << 7740.0 << 21030.0;
    QTest::newRow("above 7680") << true << 9000.0 << 7680.0 << 7740.0 << 21030.0;
    // Hidden: no minimum, still the maximum; the panel keeps its width.
    QTest::newRow("hidden small x") << false << -30.0 << 3300.0 << 30.0 << 28740.0;
    QTest::newRow("hidden above 7680") << false << 9000.0 << 3300.0 << 7740.0 << 21030.0;
}

void tst_Layout::columns()
{
    QFETCH(bool, panelVisible);
    QFETCH(double, x);
    QFETCH(double, navWidth);
    QFETCH(double, mainLeft);
    QFETCH(double, mainWidth);
    MainLayout s = window1920();
    s.navPanelVisible = panelVisible;
    workspace::arrangeColumns(s, x);
    QCOMPARE(s.navPanel.width, navWidth);
    QCOMPARE(s.picMain.left, mainLeft);
    QCOMPARE(s.picMain.width, mainWidth);
    QCOMPARE(s.picTable.width, mainWidth - 30);
    QCOMPARE(s.vsTab.width, mainWidth - 30);
    QCOMPARE(s.picRpt.left, s.picTable.width - s.picRpt.width);
    QCOMPARE(s.imgSplitterC.left, s.picRpt.left - s.imgSplitterC.width);
    QCOMPARE(s.picSplitterC.left, s.imgSplitterC.left);
    if (panelVisible) {
        QCOMPARE(s.imgSplitter.left, navWidth);
        QCOMPARE(s.navPanel.left, 30.0);
    }
}

// Resize passes, however many, leave the panel as wide as it was (it used to creep 60 wider each).
void tst_Layout::panelKeepsWidthAcrossPasses()
{
    MainLayout s = window1920();
    s.navPanel.width = 5000;
    QList<double> widths;
    for (int i = 0; i < 3; ++i) {
        workspace::resizePass(s);
        widths << s.navPanel.width;
    }
    QCOMPARE(widths, (QList<double>{5000, 5000, 5000}));
    for (int i = 0; i < 100; ++i)
        workspace::resizePass(s);
    QCOMPARE(s.navPanel.width, 5000.0);
    QCOMPARE(s.imgSplitter.left, 5000.0);
    QVERIFY(s.navPanel.right() <= s.imgSplitter.right());
    QCOMPARE(s.picMain.left, s.imgSplitter.right());

    // A width the setting stored (the program writes width - 60) opens at the width the panel had.
    MainLayout again = window1920();
    again.navPanel.width = workspace::restoredNavPanelWidth(workspace::savedNavPanelWidth(s.navPanel.width).toDouble());
    workspace::resizePass(again);
    QCOMPARE(again.navPanel.width, 5000.0);
    // As did the program before: a stored 4940 was shown 5000 wide after its first pass.
    QCOMPARE(workspace::restoredNavPanelWidth(4940), 5000.0);
}

// At the minimum size nothing of the header bands and the footer overlaps.
void tst_Layout::minimumSizeKeepsBandsApart_data()
{
    QTest::addColumn<bool>("alertButton");
    QTest::addColumn<bool>("period");
    QTest::newRow("alert button and period") << true << true;
    QTest::newRow("neither") << false << false;
}

void tst_Layout::minimumSizeKeepsBandsApart()
{
    QFETCH(bool, alertButton);
    QFETCH(bool, period);
    MainLayout s = workspace::designDefaults(20000, 12000, 28800);
    s.imgBtn5Visible = alertButton;
    workspace::placePeriodLabel(s, period);
    const QSizeF min = workspace::minimumClientSize(s);
    s.scaleWidth = min.width();
    s.scaleHeight = min.height();
    for (int i = 0; i < 5; ++i)
        workspace::resizePass(s);
    auto apart = [](const Rect &a, const Rect &b) { return a.right() <= b.left || b.right() <= a.left; };
    // Header: logo and title left of the buttons.
    QVERIFY(s.img[1].right() <= s.imgBtn[0].left);
    QVERIFY(apart(s.imgBtn[0], s.imgBtn[1]) && apart(s.imgBtn[1], s.imgBtn[2]));
    QVERIFY(s.imgBtn[2].right() <= s.scaleWidth);
    // Second band: the leftmost label right of the toggle and the location's room.
    const Rect &leftmost = period ? s.lbl[2] : s.lbl[0];
    QVERIFY2(leftmost.left >= 600 + 1500, qPrintable(QString::number(leftmost.left)));
    // Footer: the chain right of the status line's room.
    QVERIFY(s.img[3].left >= s.lnkMessage.left + 1500);
    QVERIFY(s.lnklbl[2].right() <= s.scaleWidth);
    // The columns below the bands.
    QVERIFY(s.panel[2].top >= s.navPanel.top + 4800 - 1);
    QVERIFY(s.picMain.width > 0);
}

void tst_Layout::mainSplitter_data()
{
    QTest::addColumn<double>("mouseX");
    QTest::addColumn<double>("barLeft");
    QTest::addColumn<double>("navWidth");
    // The handle sits at 3600 after one pass of the 1920 window.
    QTest::newRow("far left") << -5000.0 << 800.0 << 3600.0;
    QTest::newRow("just below 800") << -2801.0 << 800.0 << 3600.0;
    QTest::newRow("inside") << 1400.0 << 5000.0 << 5000.0;
    QTest::newRow("far right") << 40000.0 << 28000.0 << 7680.0;
    QTest::newRow("just inside right") << 24400.0 << 28000.0 << 7680.0;
}

void tst_Layout::mainSplitter()
{
    QFETCH(double, mouseX);
    QFETCH(double, barLeft);
    QFETCH(double, navWidth);
    MainLayout s = window1920();
    workspace::resizePass(s);
    QCOMPARE(s.imgSplitter.left, 3600.0);

    workspace::mainSplitterDown(s);
    QVERIFY(s.splitterMoving);
    QVERIFY(s.picSplitterVisible);
    QCOMPARE(s.picSplitter, (Rect{3600, 1380, 30, 14380}));
    workspace::mainSplitterMove(s, mouseX);
    QCOMPARE(s.picSplitter.left, barLeft);
    workspace::mainSplitterUp(s);
    QVERIFY(!s.splitterMoving);
    QVERIFY(!s.picSplitterVisible);
    QCOMPARE(s.navPanel.width, navWidth);
    QCOMPARE(s.imgSplitter.left, navWidth);

    // Moves after the release do nothing.
    workspace::mainSplitterMove(s, 100);
    QCOMPARE(s.picSplitter.left, barLeft);
}

void tst_Layout::reportSplitter_data()
{
    QTest::addColumn<bool>("panelVisible");
    QTest::addColumn<double>("pos");
    QTest::addColumn<double>("barWhileMoving");
    QTest::addColumn<double>("finalLeft");

    QTest::newRow("released at 1500") << true << 1500.0 << 1500.0 << 2000.0;
    QTest::newRow("far left") << true << -900.0 << 1000.0 << 2000.0;
    QTest::newRow("inside") << true << 12000.0 << 12000.0 << 12000.0;
    // The work area is 25110 wide: the bar stops 1000 inside it.
    QTest::newRow("far right") << true << 30000.0 << 24110.0 << 24110.0;
    // Without the panel the work area is 28740 wide and the bar passes 28800 - 1400.
    QTest::newRow("beyond scale width - 1400") << false << 30000.0 << 27740.0 << 27415.0;
}

void tst_Layout::reportSplitter()
{
    QFETCH(bool, panelVisible);
    QFETCH(double, pos);
    QFETCH(double, barWhileMoving);
    QFETCH(double, finalLeft);
    MainLayout s = window1920();
    s.navPanelVisible = panelVisible;
    workspace::resizePass(s);

    workspace::reportSplitterDown(s);
    QVERIFY(s.reportSplitterMoving);
    QCOMPARE(s.picSplitterC.width, 30.0);
    QCOMPARE(s.picSplitterC.height, s.imgSplitterC.height - 20);
    workspace::reportSplitterMove(s, pos - s.imgSplitterC.left);
    QCOMPARE(s.picSplitterC.left, barWhileMoving);
    workspace::reportSplitterUp(s);
    QVERIFY(!s.reportSplitterMoving);
    QVERIFY(!s.picSplitterCVisible);
    QCOMPARE(s.imgSplitterC.left, finalLeft);
    QCOMPARE(s.picRpt.left, finalLeft + 60);
    QCOMPARE(s.picRpt.width, s.picTable.width - s.picRpt.left);
}

void tst_Layout::holdersFollowCurrent()
{
    MainLayout s = window1920();
    s.holders = {Rect{1, 2, 3, 4}, Rect{5, 6, 7, 8}, Rect{15, 15, 9000, 9000}, Rect{0, 0, 10, 10}};
    s.currentHost = 2;
    s.hasComponent = true;
    s.holderFrame = 15;
    workspace::resizePass(s);
    const Rect current = s.holders[2];
    QCOMPARE(current, (Rect{15, 15, 25080, 13950}));
    for (const Rect &h : s.holders)
        QCOMPARE(h, current);
    QCOMPARE(s.component, (Rect{0, 0, 25050, 13920}));
}

void tst_Layout::buttonsCentred()
{
    MainLayout s = window1920();
    s.buttons = {Rect{0, 240, 2700, 600}, Rect{0, 960, 2700, 600}, Rect{0, 1680, 2000, 600}, Rect{0, 2400, 4000, 600}};
    workspace::arrangeColumns(s, 5000);
    QCOMPARE(s.buttons[0].left, 1150.0);
    QCOMPARE(s.buttons[1].left, 1150.0);
    QCOMPARE(s.buttons[2].left, 1500.0);
    QCOMPARE(s.buttons[3].left, 500.0);
    QCOMPARE(s.buttons[1].top, 960.0);
}

void tst_Layout::negativeSizesRefused()
{
    // A footer just 300 below the panel's top: the home area would get a negative
    // height; that statement is skipped and the rest of the pass still runs.
    MainLayout s = workspace::designDefaults(28800, 2100, 28800);
    s.picTable.height = 4000;
    workspace::resizePass(s);
    QCOMPARE(s.navPanel.height, 300.0);
    QCOMPARE(s.picTable.height, 4000.0);
    QCOMPARE(s.currentHolder().height, 4000.0);
    QCOMPARE(s.vsTab.top, 4015.0);
    QCOMPARE(s.lnklbl[2].left, 27300.0);

    // A footer above the panel's top leaves all heights alone.
    MainLayout t = workspace::designDefaults(28800, 900, 28800);
    const double before = t.navPanel.height;
    workspace::resizePass(t);
    QCOMPARE(t.navPanel.height, before);

    // A report splitter snapped to 2000 right of a home area only 1880 wide would
    // give the report panel a negative width: it keeps its width instead.
    MainLayout n = workspace::designDefaults(6000, 8000, 8000);
    n.navPanel.width = 4000;
    workspace::resizePass(n);
    QCOMPARE(n.picTable.width, 1880.0);
    const double reportWidth = n.picRpt.width;
    workspace::reportSplitterDown(n);
    workspace::reportSplitterMove(n, 0);
    workspace::reportSplitterUp(n);
    QCOMPARE(n.imgSplitterC.left, 2000.0);
    QCOMPARE(n.picRpt.left, 2060.0);
    QCOMPARE(n.picRpt.width, reportWidth);
}

void tst_Layout::navPanelToggle()
{
    MainLayout s = window1920();
    workspace::resizePass(s);
    QVERIFY(!workspace::navPanelToggle(s));
    QCOMPARE(s.picMain.left, 30.0);
    QCOMPARE(s.picMain.width, 28740.0);
    QCOMPARE(s.navPanel.width, 3600.0);

    QVERIFY(workspace::navPanelToggle(s));
    QCOMPARE(s.picMain.left, 3660.0);
    QCOMPARE(s.picMain.width, 25110.0);
    QCOMPARE(s.navPanel.width, 3600.0);
}

void tst_Layout::twips_data()
{
    QTest::addColumn<Rect>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("96 dpi") << Rect{15, 30, 1440, 720} << 96.0 << QRect(1, 2, 96, 48);
    QTest::newRow("120 dpi") << Rect{1440, 0, 1440, 12} << 120.0 << QRect(120, 0, 120, 1);
    // Each edge is rounded on its own: 8..16 twips is 0.53..1.07 px, an empty column at 1.
    QTest::newRow("edges rounded") << Rect{8, 0, 8, 0} << 96.0 << QRect(1, 0, 0, 0);
    QTest::newRow("144 dpi") << Rect{100, 100, 1000, 1000} << 144.0 << QRect(10, 10, 100, 100);
}

void tst_Layout::twips()
{
    QFETCH(Rect, twips);
    QFETCH(double, dpi);
    QFETCH(QRect, pixels);
    QCOMPARE(workspace::toPixels(twips, dpi), pixels);
    QCOMPARE(workspace::pixelsToTwips(96, 96), 1440.0);
    QCOMPARE(workspace::fromPixels(QRect(1, 2, 96, 48), 96), (Rect{15, 30, 1440, 720}));
}

QTEST_GUILESS_MAIN(tst_Layout)
#include "tst_layout.moc"

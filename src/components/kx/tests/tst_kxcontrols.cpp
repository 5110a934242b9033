#include "components/kx/kximagebutton.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxnavpanel.h"
#include "components/kx/kxshadowlabel.h"
#include "components/kx/kxvstab.h"

#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QScopeGuard>
#include <QTest>

#include "testsupport.h"

namespace {

QPixmap picture(QColor c)
{
    QPixmap pm(24, 24);
    pm.fill(c);
    return pm;
}

// A shown panel with items "catalog 1".. keyed "K1"..
struct Panel {
    kxNavPanel panel;
    explicit Panel(int items, int rows = 3, QSize size = QSize(220, 500))
    {
        panel.resize(size);
        for (int i = 1; i <= items; ++i)
            panel.add(QStringLiteral("catalog %1").arg(i), QStringLiteral("K%1").arg(i),
                      i % 2 ? QIcon(picture(Qt::blue)) : QIcon(), nullptr, true);
        panel.setVisibleRowCount(rows);
        panel.show();
    }
    void click(int index)
    {
        QTest::mouseClick(&panel, Qt::LeftButton, {}, panel.itemRect(panel.item(index)).center());
    }
};

} // namespace

class tst_KxControls : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void navClickChoosesItem();
    void navSetActiveRaisesChosen();
    void navLookups();
    void navRows_data();
    void navRows();
    void navGripChangesRows();
    void navRedrawSwitch();
    void navContainerScrolls();
    void navDestroyedWithButtons();
    void buttonStyleCopy();
    void buttonActiveFlag();
    void link_data();
    void link();
    void linkWithoutHandler_data();
    void linkWithoutHandler();
    void tabEventsInOrder();
    void tabRemoval();
    void manyTabsStayReadable();
    void tabCloseAffordance();
    void shadowLabelAutoSize();
};

void tst_KxControls::navClickChoosesItem()
{
    Panel p(5, 3);
    QSignalSpy chosen(&p.panel, &kxNavPanel::itemChosen);

    p.click(2); // a large row
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).value<kxNavItem *>(), p.panel.item(2));
    QCOMPARE(p.panel.activeItem(), p.panel.item(2));

    p.click(5); // a small icon below the rows
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(p.panel.activeItem(), p.panel.item(5));

    p.click(5); // the active item again: chosen again (its buttons are rebuilt)
    QCOMPARE(chosen.size(), 3);

    p.panel.item(1)->setEnabled(false);
    p.click(1);
    QCOMPARE(chosen.size(), 3);
    QCOMPARE(p.panel.activeItem(), p.panel.item(5));

    // Press on one item, release on another: nothing.
    QTest::mousePress(&p.panel, Qt::LeftButton, {}, p.panel.itemRect(p.panel.item(2)).center());
    QTest::mouseRelease(&p.panel, Qt::LeftButton, {}, p.panel.itemRect(p.panel.item(3)).center());
    QCOMPARE(chosen.size(), 3);
}

void tst_KxControls::navSetActiveRaisesChosen()
{
    Panel p(3);
    QSignalSpy chosen(&p.panel, &kxNavPanel::itemChosen);
    p.panel.setActiveItem(p.panel.item(3));
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).value<kxNavItem *>(), p.panel.item(3));

    QVERIFY(p.panel.setActiveItem(QStringLiteral("k2"))); // keys compare without case
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(p.panel.activeItem()->key(), QStringLiteral("K2"));

    QVERIFY(!p.panel.setActiveItem(QStringLiteral("gone")));
    p.panel.setActiveItem(static_cast<kxNavItem *>(nullptr));
    Panel other(1);
    p.panel.setActiveItem(other.panel.item(1));
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(p.panel.activeItem(), p.panel.item(2));
}

void tst_KxControls::navLookups()
{
    Panel p(3);
    QCOMPARE(p.panel.count(), 3);
    QVERIFY(!p.panel.item(QStringLiteral("nope")));
    QVERIFY(!p.panel.item(QString()));
    QVERIFY(!p.panel.item(0));
    QVERIFY(!p.panel.item(4));
    QCOMPARE(p.panel.item(QStringLiteral("K3"))->index(), 3);
    QCOMPARE(p.panel.item(2)->caption(), QStringLiteral("catalog 2"));
    QCOMPARE(p.panel.item(1)->container(), p.panel.container());
    QCOMPARE(p.panel.container()->objectName(), QStringLiteral("NavContainer"));

    // A key already there adds nothing.
    QVERIFY(!p.panel.add(QStringLiteral("again"), QStringLiteral("k1")));
    QCOMPARE(p.panel.count(), 3);
    // Empty keys are allowed more than once and never found by key.
    QVERIFY(p.panel.add(QStringLiteral("a"), QString()));
    QVERIFY(p.panel.add(QStringLiteral("b"), QString()));
    QCOMPARE(p.panel.count(), 5);

    p.panel.setActiveItem(p.panel.item(1));
    p.panel.clear();
    QCOMPARE(p.panel.count(), 0);
    QVERIFY(!p.panel.activeItem());
    QVERIFY(!p.panel.item(QStringLiteral("K1")));
}

void tst_KxControls::navRows_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("kept");  // visibleRowCount() afterwards
    QTest::addColumn<int>("shown"); // large rows drawn; -1: fewer than asked, as many as fit

    QTest::newRow("three of five") << 5 << 3 << 500 << 3 << 3;
    QTest::newRow("more than items") << 5 << 10 << 500 << 10 << 5;
    QTest::newRow("none") << 5 << 0 << 500 << 0 << 0;
    QTest::newRow("negative") << 5 << -2 << 500 << 0 << 0;
    QTest::newRow("all") << 4 << 4 << 500 << 4 << 4;
    QTest::newRow("short panel") << 8 << 8 << 200 << 8 << -1;
}

void tst_KxControls::navRows()
{
    QFETCH(int, items);
    QFETCH(int, rows);
    QFETCH(int, height);
    QFETCH(int, kept);
    QFETCH(int, shown);
    Panel p(items, rows, QSize(220, height));
    QCOMPARE(p.panel.visibleRowCount(), kept);
    if (shown < 0) {
        shown = p.panel.shownRowCount();
        QVERIFY(shown >= 1 && shown < rows);
        // One more row would not have fitted above the small icons.
        const int row = p.panel.itemRect(p.panel.item(1)).height();
        QVERIFY(p.panel.gripRect().top() - row < p.panel.containerArea().top());
    }
    QCOMPARE(p.panel.shownRowCount(), shown);

    // Rows span the width, stacked one under the other above the small icons.
    QRect last;
    for (int i = 1; i <= shown; ++i) {
        const QRect r = p.panel.itemRect(p.panel.item(i));
        QCOMPARE(r.width(), 220);
        if (!last.isNull())
            QCOMPARE(r.top(), last.bottom() + 1);
        QVERIFY(r.top() > p.panel.gripRect().top());
        last = r;
    }
    for (int i = shown + 1; i <= items; ++i) {
        const QRect r = p.panel.itemRect(p.panel.item(i));
        QVERIFY2(r.width() < 220 && !r.isEmpty(), qPrintable(QString::number(i)));
        QCOMPARE(r.bottom(), height - 1);
    }
    // The container takes the room above the grip.
    QCOMPARE(p.panel.containerArea().bottom() + 1, p.panel.gripRect().top());
}

void tst_KxControls::navGripChangesRows()
{
    Panel p(6, 2);
    QSignalSpy changed(&p.panel, &kxNavPanel::visibleRowCountChanged);
    const QPoint grip = p.panel.gripRect().center();
    const int row = p.panel.itemRect(p.panel.item(1)).height();
    QTest::mousePress(&p.panel, Qt::LeftButton, {}, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip - QPoint(0, 2 * row)), p.panel.mapToGlobal(QPointF(grip - QPoint(0, 2 * row))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&p.panel, &move);
    QTest::mouseRelease(&p.panel, Qt::LeftButton, {}, grip - QPoint(0, 2 * row));
    QCOMPARE(p.panel.visibleRowCount(), 4);
    QVERIFY(changed.size() >= 1);
    QCOMPARE(changed.last().at(0).toInt(), 4);
}

void tst_KxControls::navRedrawSwitch()
{
    Panel p(2);
    p.panel.setRedraw(false);
    QVERIFY(!p.panel.updatesEnabled());
    QVERIFY(!p.panel.container()->updatesEnabled());
    p.panel.add(QStringLiteral("late"), QStringLiteral("K9"));
    p.panel.resize(240, 480);
    QVERIFY(p.panel.itemRect(p.panel.item(3)).isEmpty()); // not laid out while switched off
    p.panel.setRedraw(true);
    QVERIFY(p.panel.updatesEnabled());
    QCOMPARE(p.panel.itemRect(p.panel.item(3)).width(), 240);
}

void tst_KxControls::navContainerScrolls()
{
    Panel p(3, 3, QSize(220, 400));
    auto *button = new kxImageButton(QStringLiteral("far down"), p.panel.container());
    button->setGeometry(10, 900, 150, 40);
    button->show();
    QTRY_COMPARE(p.panel.container()->minimumHeight(), 940 + 8);
    button->move(10, 20);
    QTRY_COMPARE(p.panel.container()->minimumHeight(), 60 + 8);
    delete button;
    QTRY_COMPARE(p.panel.container()->minimumHeight(), 0);
}

void tst_KxControls::buttonStyleCopy()
{
    QWidget host;
    kxImageButton tmpl(QStringLiteral("  采购订单"), &host);
    tmpl.setGeometry(10, 10, 180, 48);
    tmpl.setPicture(picture(Qt::darkGreen));
    tmpl.setButtonStyle(kxImageButton::Accent);
    tmpl.setTextAlign(Qt::AlignRight);
    tmpl.setPictureAlign(kxImageButton::PictureRight);
    tmpl.setBorderStyle(kxImageButton::SolidBorder);
    tmpl.setTag(QStringLiteral("0102"));
    tmpl.setSwitchedOn(true);

    kxImageButton plain(QStringLiteral("other"), &host);
    plain.setPicture(picture(Qt::red));
    plain.copyStyleFrom(tmpl);
    QCOMPARE(plain.buttonStyle(), kxImageButton::Accent);
    QCOMPARE(plain.textAlign(), Qt::AlignRight);
    QCOMPARE(plain.pictureAlign(), kxImageButton::PictureRight);
    QCOMPARE(plain.borderStyle(), kxImageButton::SolidBorder);
    QCOMPARE(plain.caption(), QStringLiteral("other")); // content stays
    QCOMPARE(plain.tag(), QString());

    kxImageButton *copy = kxImageButton::createFrom(tmpl, &host);
    QVERIFY(copy->isHidden());
    QCOMPARE(copy->geometry(), tmpl.geometry());
    QCOMPARE(copy->tag(), QStringLiteral("0102"));
    QVERIFY(copy->isSwitchedOn());
    // Drawn alike: the copy looks exactly like its template.
    QCOMPARE(copy->grab().toImage(), tmpl.grab().toImage());
    copy->setButtonStyle(kxImageButton::Flat);
    QVERIFY(copy->grab().toImage() != tmpl.grab().toImage());
}

void tst_KxControls::buttonActiveFlag()
{
    kxImageButton b(QStringLiteral(" 退出系统"));
    b.resize(120, 36);
    b.show();
    QSignalSpy clicked(&b, &QAbstractButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(60, 18));
    QCOMPARE(clicked.size(), 1);

    b.setActive(false);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(60, 18));
    QTest::keyClick(&b, Qt::Key_Return);
    QCOMPARE(clicked.size(), 1);

    b.setActive(true);
    QTest::keyClick(&b, Qt::Key_Return);
    QCOMPARE(clicked.size(), 2);
    // The active flag is the button's own: a disabled parent does not change it.
    QWidget parent;
    auto *child = new kxImageButton(QStringLiteral("x"), &parent);
    parent.setEnabled(false);
    QVERIFY(child->isActive());
}

void tst_KxControls::link_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("opened"); // "" when the click is reported instead

    QTest::newRow("web") << "http://www.zenlo.example" << "http://www.zenlo.example";
    QTest::newRow("secure web, any case") << "HTTPS://zenlo.example/a?b=1" << "https://zenlo.example/a?b=1";
    QTest::newRow("mail") << "mailto:support@zenlo.example" << "mailto:support@zenlo.example";
    QTest::newRow("bare www") << "www.zenlo.example" << "http://www.zenlo.example";
    QTest::newRow("blanks around") << "  http://zenlo.example  " << "http://zenlo.example";
    QTest::newRow("action link") << "" << "";
    QTest::newRow("name") << "frmPass" << "";
    QTest::newRow("windows folder") << "C:\\Program Files\\Zenlo" << "";
    QTest::newRow("posix folder") << "/opt/zenlo" << "";
    QTest::newRow("script") << "javascript:alert(1)" << "";
    QTest::newRow("file url") << "file:///etc/passwd" << "";
    QTest::newRow("scheme only") << "http://" << "";
}

void tst_KxControls::link()
{
    QFETCH(QString, target);
    QFETCH(QString, opened);
    QList<QUrl> urls;
    kxLinkLabel::setUrlOpener([&](const QUrl &u) {
        urls << u;
        return true;
    });
    kxLinkLabel label(QStringLiteral("修改密码"), target);
    label.setIndex(3);
    label.resize(100, 20);
    label.show();
    QSignalSpy clicked(&label, &kxLinkLabel::linkClicked);
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(20, 10));
    if (opened.isEmpty()) {
        QVERIFY(urls.isEmpty());
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), 3);
        QCOMPARE(clicked.at(0).at(1).toString(), target);
    } else {
        QCOMPARE(urls.size(), 1);
        QCOMPARE(urls.at(0), QUrl(opened));
        QCOMPARE(clicked.size(), 0);
    }
    // A right click is no click.
    QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(20, 10));
    QCOMPARE(clicked.size() + urls.size(), 1);
    kxLinkLabel::setUrlOpener({});
}

// A target the desktop cannot open is not a silent click.
void tst_KxControls::linkWithoutHandler_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("text");
    QTest::newRow("web") << "http://www.zenlo.example" << "无法打开网址：http://www.zenlo.example\n系统中没有可以打开它的程序。";
    QTest::newRow("mail") << "mailto:support@zenlo.example" << "无法打开邮件程序：mailto:support@zenlo.example\n系统中没有可以打开它的程序。";
}

void tst_KxControls::linkWithoutHandler()
{
    QFETCH(QString, target);
    QFETCH(QString, text);
    testsupport::RecordingUi ui;
    kxLinkLabel::setUrlOpener([](const QUrl &) { return false; });
    const auto restore = qScopeGuard([] { kxLinkLabel::setUrlOpener({}); });
    kxLinkLabel label(QStringLiteral("意见与建议"), target);
    label.activate();
    QCOMPARE(ui.boxes.size(), 1);
    QCOMPARE(ui.boxes.first().text, text);
    QCOMPARE(ui.boxes.first().title, QStringLiteral("提示："));
    QCOMPARE(ui.boxes.first().icon(), int(ui::Information));
}

void tst_KxControls::tabEventsInOrder()
{
    kxVSTab tabs;
    tabs.resize(600, 30);
    tabs.show();
    QStringList events;
    connect(&tabs, &kxVSTab::tabActivated, [&](int i) { events << QStringLiteral("A%1").arg(i); });
    connect(&tabs, &kxVSTab::tabDeactivated, [&](int i) { events << QStringLiteral("D%1").arg(i); });

    QCOMPARE(tabs.add(QStringLiteral("首页"), QStringLiteral("home")), 1);
    QCOMPARE(tabs.add(QStringLiteral("采购订单"), QStringLiteral("0102-1"), true), 2);
    QCOMPARE(tabs.add(QStringLiteral("库存台账"), QStringLiteral("0301-2"), false), 3);
    QCOMPARE(tabs.activeIndex(), 2); // selected quietly by add
    QVERIFY(events.isEmpty());

    tabs.setActive(1);
    QCOMPARE(events, (QStringList{"D2", "A1"}));
    tabs.setActive(1); // already active
    tabs.setActive(0);
    tabs.setActive(4);
    QCOMPARE(events, (QStringList{"D2", "A1"}));

    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(3).center());
    QCOMPARE(events, (QStringList{"D2", "A1", "D1", "A3"}));
    QVERIFY(tabs.isActive(3));

    // While a tab is reported deactivated it is still there and still the active tab.
    int activeDuringDeactivate = -1;
    QString keyDuringDeactivate;
    connect(&tabs, &kxVSTab::tabDeactivated, [&](int i) {
        activeDuringDeactivate = tabs.activeIndex();
        keyDuringDeactivate = tabs.tab(i)->key;
    });
    tabs.setActive(2);
    QCOMPARE(activeDuringDeactivate, 3);
    QCOMPARE(keyDuringDeactivate, QStringLiteral("0301-2"));
}

// 30 function tabs on an 800-pixel strip: each shows at least its first four characters (not just
// "…"), the newest is in sight, and the two scroll buttons at the right bring the others in, one tab a click.
void tst_KxControls::manyTabsStayReadable()
{
    kxVSTab tabs;
    tabs.resize(800, 30);
    tabs.show();
    tabs.add(QStringLiteral("首页"), QStringLiteral("home"));
    QVERIFY(tabs.scrollButtonRect(1).isEmpty()); // everything fits: no buttons
    for (int i = 1; i <= 30; ++i)
        tabs.add(QStringLiteral("采购订单录入%1").arg(i), QStringLiteral("0101-%1").arg(i));
    QCOMPARE(tabs.activeIndex(), 31);
    const QFontMetrics fm(tabs.font());
    const int readable = fm.horizontalAdvance(QStringLiteral("采购订单…"));
    auto shown = [&] {
        QList<int> in;
        for (int i = 1; i <= tabs.count(); ++i)
            if (const QRect r = tabs.tabRect(i); !r.isEmpty() && r.left() >= 0 && r.right() < tabs.scrollButtonRect(-1).left())
                in << i;
        return in;
    };
    QList<int> in = shown();
    QVERIFY(in.size() >= 4);
    QCOMPARE(in.last(), 31);
    for (int i : std::as_const(in))
        QVERIFY2(tabs.tabRect(i).width() >= readable + 16 + 4 + 2 * 14, qPrintable(QString::number(tabs.tabRect(i).width())));
    QCOMPARE(tabs.scrollButtonRect(-1), QRect(756, 0, 22, 27));
    QVERIFY(tabs.canScroll(-1));
    QVERIFY(!tabs.canScroll(1));
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.scrollButtonRect(-1).center());
    QCOMPARE(shown().first(), in.first() - 1);
    QVERIFY(tabs.canScroll(1));
    for (int i = 0; i < 40 && tabs.canScroll(-1); ++i)
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.scrollButtonRect(-1).center());
    QCOMPARE(shown().first(), 1);
    QCOMPARE(tabs.activeIndex(), 31); // scrolling activates nothing
    // Going to a tab out of sight brings it in.
    tabs.setActive(31);
    tabs.setActive(30);
    QVERIFY(shown().contains(30));
}

void tst_KxControls::tabRemoval()
{
    kxVSTab tabs;
    tabs.resize(600, 30);
    QStringList events;
    connect(&tabs, &kxVSTab::tabActivated, [&](int i) { events << QStringLiteral("A%1").arg(i); });
    connect(&tabs, &kxVSTab::tabDeactivated, [&](int i) {
        events << QStringLiteral("D%1:%2").arg(i).arg(tabs.tab(i)->key);
    });
    tabs.add(QStringLiteral("首页"), QStringLiteral("home"));
    tabs.add(QStringLiteral("a"), QStringLiteral("01-1"));
    tabs.add(QStringLiteral("b"), QStringLiteral("01-2"));
    tabs.add(QStringLiteral("c"), QStringLiteral("01-3"));
    QCOMPARE(tabs.add(QStringLiteral("dup"), QStringLiteral("01-3")), 0);
    QCOMPARE(tabs.count(), 4);
    QCOMPARE(tabs.indexOf(QStringLiteral("HOME")), 1);
    QVERIFY(!tabs.tab(0));
    QVERIFY(!tabs.tab(5));

    // The active tab (4) is reported deactivated while it exists, then its left neighbour activated.
    QVERIFY(tabs.remove(4));
    QCOMPARE(events, (QStringList{"D4:01-3", "A3"}));
    QCOMPARE(tabs.activeIndex(), 3);

    // Removing another tab moves the active index with it, quietly.
    events.clear();
    QVERIFY(tabs.remove(QStringLiteral("01-1")));
    QVERIFY(events.isEmpty());
    QCOMPARE(tabs.activeIndex(), 2);
    QCOMPARE(tabs.tab(2)->key, QStringLiteral("01-2"));

    QVERIFY(!tabs.remove(7));
    QVERIFY(!tabs.remove(QStringLiteral("nope")));
    QVERIFY(tabs.remove(2));
    QCOMPARE(events, (QStringList{"D2:01-2", "A1"}));
    QVERIFY(tabs.remove(1));
    QCOMPARE(tabs.count(), 0);
    QCOMPARE(tabs.activeIndex(), 0);
}

void tst_KxControls::tabCloseAffordance()
{
    kxVSTab tabs;
    tabs.resize(600, 30);
    tabs.show();
    tabs.add(QStringLiteral("首页"), QStringLiteral("home"));
    tabs.add(QStringLiteral("采购订单"), QStringLiteral("0102-1"));
    tabs.add(QStringLiteral("销售出库"), QStringLiteral("0203-2"));
    QSignalSpy close(&tabs, &kxVSTab::tabCloseRequested);
    QSignalSpy activated(&tabs, &kxVSTab::tabActivated);

    QVERIFY(tabs.closeButtonRect(1).isEmpty());
    QVERIFY(!tabs.closeButtonRect(2).isEmpty());
    QVERIFY(tabs.tabRect(2).contains(tabs.closeButtonRect(2)));

    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.closeButtonRect(2).center());
    QCOMPARE(close.size(), 1);
    QCOMPARE(close.at(0).at(0).toInt(), 2);
    QCOMPARE(activated.size(), 0); // the close button does not switch tabs
    QCOMPARE(tabs.count(), 3);     // the owner decides

    QTest::mouseClick(&tabs, Qt::MiddleButton, {}, tabs.tabRect(3).center());
    QCOMPARE(close.size(), 2);
    QCOMPARE(close.at(1).at(0).toInt(), 3);
    QTest::mouseClick(&tabs, Qt::MiddleButton, {}, tabs.tabRect(1).center());
    QCOMPARE(close.size(), 2); // never the home tab

    // Many tabs on a narrow strip: the active one is scrolled into view.
    for (int i = 0; i < 30; ++i)
        tabs.add(QStringLiteral("功能 %1").arg(i), QStringLiteral("09-%1").arg(i + 10));
    QVERIFY(!tabs.tabRect(tabs.activeIndex()).isEmpty());
    QVERIFY(tabs.rect().contains(tabs.tabRect(tabs.activeIndex())));
}

void tst_KxControls::shadowLabelAutoSize()
{
    kxShadowLabel label;
    label.setAutoSize(true);
    label.move(30, 5);
    label.setCaption(QStringLiteral("登录用户名：admin"));
    const int w = label.width();
    QVERIFY(w > 0);
    label.setCaption(QStringLiteral("登录用户名：a much longer operator name"));
    QVERIFY(label.width() > w);
    QCOMPARE(label.x(), 30);
}

// A window that owns a panel whose container still holds buttons goes in one piece:
// the buttons' destruction must not reach the half-destroyed panel.
void tst_KxControls::navDestroyedWithButtons()
{
    auto *window = new QWidget;
    QPointer<kxNavPanel> panel = new kxNavPanel(window);
    QPointer<QWidget> container = panel->container();
    panel->add(QStringLiteral("a"), QStringLiteral("a"), QIcon(), container, true);
    QList<QPointer<kxImageButton>> buttons;
    for (int i = 0; i < 20; ++i) {
        auto *b = new kxImageButton(container);
        b->setGeometry(0, i * 40, 100, 36);
        b->show();
        buttons << b;
    }
    window->show();
    QCoreApplication::processEvents();
    QCOMPARE(container->findChildren<kxImageButton *>().size(), 20);
    QCOMPARE(panel->count(), 1);
    QSignalSpy gone(panel.data(), &QObject::destroyed);
    delete window;
    QCoreApplication::processEvents();
    QCOMPARE(gone.size(), 1);
    QVERIFY(panel.isNull());
    QVERIFY(container.isNull());
    for (const auto &b : std::as_const(buttons))
        QVERIFY(b.isNull());
}

QTEST_MAIN(tst_KxControls)
#include "tst_kxcontrols.moc"

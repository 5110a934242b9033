// The main window: its making, the layout passes, the header's buttons and
// links, the navigation panel's toggle, its events and its unload. The parts
// it is made of are in frmmain_design.cpp, what it loads (catalogs, buttons,
// icons) in frmmain_catalogs.cpp, the work area hosting uses in
// frmmain_host.cpp, the process map in frmmain_pilot.cpp and the idle lock's
// clock in idleclock.h.
#include "workspace/frmmain.h"
#include "workspace/frmmain_p.h"
#include "workspace/functionsearchbox.h"
#include "workspace/idleclock.h"
#include "workspace/menurules.h"

#include "about/frmabout.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxnavpanel.h"
#include "components/kx/kxshadowlabel.h"
#include "components/kx/kxstyle.h"
#include "components/kx/kxvstab.h"
#include "components/kx/picturebox.h"
#include "login/frmpass.h"
#include "platform/uiservice.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QScreen>

using namespace frmmain_detail;
using workspace::Rect;

namespace {
constexpr int kFontPixels = 13;
} // namespace

frmMain::frmMain(Session &session, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_iconCache(&zLibControl1, QStringLiteral("icon"))
    , m_pilotCache(&zLibControl1)
{
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_QuitOnClose, true);
    QFont f = font();
    f.setPixelSize(kFontPixels);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kxstyle::panel());
    pal.setColor(QPalette::WindowText, kxstyle::text());
    setPalette(pal);
    setAutoFillBackground(true);

    m_layout = workspace::designDefaults(19200, 10800, 19200);
    buildUi();
    // The idle lock waits while the window is locked or gone and locks it as the lock button does.
    m_idle = new workspace::IdleClock([this] { return isLocked() || m_unloaded; }, [this] { ImgBtn_Click(1); }, this);

    connect(&m_session, &Session::statusPrompt, this, [this](const QString &line) {
        if (lnkMessage)
            lnkMessage->setCaption(line);
        // Each tab keeps its own status line; a switch shows the one of the tab shown.
        const int active = kxVSTab ? kxVSTab->activeIndex() : 0;
        if (active > 1) {
            auto it = m_tabTexts.find(tabKey(active).toLower());
            if (it != m_tabTexts.end())
                it->status = line;
        } else {
            m_homeStatus = line;
        }
    });
}

frmMain::~frmMain() = default;

void frmMain::release()
{
    // The session is ending: a close between now and the deletion must not reach it.
    m_unloaded = true;
    disconnect(&m_session, nullptr, this, nullptr);
    hide();
    deleteLater();
}

double frmMain::dpi() const
{
    const QScreen *s = screen();
    const double d = s ? s->logicalDotsPerInchX() : 96.0;
    return d > 0 ? d : 96.0;
}

// ------------------------------------------------------------------ design

void frmMain::buildUi()
{
    buildHeader();
    buildNavigation();
    buildWorkArea();
    buildFooter();
    takeDesignSizes();
}


// ------------------------------------------------------------------ layout

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize()
{
    PaintFreeze freeze(this, NavPanel, picHolder.value(m_currentHostIndex));
    const double d = dpi();
    workspace::MainLayout &m = m_layout;
    m.scaleWidth = workspace::pixelsToTwips(width(), d);
    m.scaleHeight = workspace::pixelsToTwips(height(), d);
    const QScreen *s = screen();
    m.screenWidth = workspace::pixelsToTwips(s ? s->geometry().width() : width(), d);
    takeDesignSizes();
    syncHosting();
    workspace::resizePass(m);
    applyLayout();
}

// The host areas and the hosted component as the hosting code left them.
void frmMain::syncHosting()
{
    workspace::MainLayout &m = m_layout;
    m.holders.resize(size_t(std::max<qsizetype>(1, picHolder.size())));
    m.currentHost = m_currentHostIndex;
    m.hasComponent = !moControl.isNull();
}

void frmMain::ArrangeColumns(double x)
{
    PaintFreeze freeze(this, NavPanel, picHolder.value(m_currentHostIndex));
    syncHosting();
    workspace::arrangeColumns(m_layout, x);
    applyLayout();
}

void frmMain::applyLayout()
{
    const double d = dpi();
    const workspace::MainLayout &m = m_layout;
    auto put = [d](QWidget *w, const Rect &r) {
        if (!w)
            return;
        const QRect g = workspace::toPixels(r, d);
        if (w->geometry() != g)
            w->setGeometry(g);
    };
    for (int i = 0; i < 3; ++i)
        put(Panel[i], m.panel[size_t(i)]);
    for (int i = 0; i < 6; ++i) {
        if (i != 3 && i != 4)
            put(ImgBtn[i], m.imgBtn[size_t(i)]);
        put(lnklbl[i], m.lnklbl[size_t(i)]);
    }
    for (int i : {0, 1, 3, 4, 5})
        put(Img[i], m.img[size_t(i)]);
    put(lbl[0], m.lbl[0]);
    put(lbl[2], m.lbl[2]);
    lbl[2]->setVisible(m.lbl2Visible);
    lnklbl[5]->setVisible(m.imgBtn5Visible && m.lnklbl5Visible);

    // The location line takes the room left of the period (or operator) label.
    Rect location = m.lbl[1];
    const double rightLimit = (m.lbl2Visible ? m.lbl[2].left : m.lbl[0].left) - 300;
    location.setWidth(std::max(0.0, rightLimit - location.left));
    put(lbl[1], location);

    const Rect &title = m.img[1];
    for (kxShadowLabel *p : std::as_const(lblProductName_B))
        put(p, Rect{title.left, 120, std::max(title.width, m.imgBtn[0].left - title.left - 300), 660});
    // Right-aligned before the header buttons, in what the title leaves free.
    // The function search follows the title; the database line takes what it leaves.
    // It starts right of the title's text (or picture) and never covers it; in a
    // narrow header it shrinks, down to a usable width.
    double titleRight = title.left + 2700;
    if (!lblProductName_B.isEmpty() && lblProductName_B[0]->isVisibleTo(this)) {
        const QFontMetrics fm(lblProductName_B[0]->font());
        titleRight = std::max(titleRight, title.left + workspace::pixelsToTwips(fm.horizontalAdvance(lblProductName_B[0]->caption()) + 8, dpi()));
    } else if (Img[1]->isVisibleTo(this)) {
        titleRight = std::max(titleRight, title.right());
    }
    // On a screen narrower than the window's designed minimum it gives way to the header
    // buttons too: it shrinks into the room before them, and is hidden when none is left.
    const double searchLeft = titleRight + 300;
    const double room = m.imgBtn[0].left - 300 - searchLeft;
    const double searchWidth = std::min(std::clamp(room - 2400, 2400.0, 4200.0), room);
    const Rect search{searchLeft, 195, std::max(0.0, searchWidth), 450};
    put(txtFunctionSearch, search);
    txtFunctionSearch->setVisible(searchWidth >= 1200);
    const double dbWidth = std::max(0.0, std::min(6600.0, m.imgBtn[0].left - 300 - (search.right() + 300)));
    put(lblDatabase, Rect{m.imgBtn[0].left - 300 - dbWidth, 120, dbWidth, 660});

    // The status line takes the room left of the footer links.
    Rect message = m.lnkMessage;
    message.setWidth(std::max(0.0, m.img[3].left - 300 - message.left));
    put(lnkMessage, message);

    put(NavPanel, m.navPanel);
    put(imgSplitter, m.imgSplitter);
    put(picSplitter, m.picSplitter);
    picSplitter->setVisible(m.picSplitterVisible);
    put(PicMain, m.picMain);
    put(PicTable, m.picTable);
    for (int i = 0; i < picHolder.size() && size_t(i) < m.holders.size(); ++i)
        put(picHolder[i], m.holders[size_t(i)]);
    put(kxVSTab, m.vsTab);
    put(PicRpt, m.picRpt);
    // The report buttons (the template and those hosting made from it) span the
    // column inside its margins, also after the column's splitter moved.
    const int reportWidth = std::max(40, PicRpt->width() - 2 * ImgRpt0->x());
    for (kxImageButton *b : PicRpt->findChildren<kxImageButton *>(Qt::FindDirectChildrenOnly))
        if (b->objectName().startsWith(QLatin1String("ImgRpt")) && b->width() != reportWidth)
            b->resize(reportWidth, b->height());
    put(imgSplitter_c, m.imgSplitterC);
    put(picSplitter_c, m.picSplitterC);
    picSplitter_c->setVisible(m.picSplitterCVisible);
    put(picWait, m.picWait);
    put(ShadowLabel1, m.shadowLabel1);
    for (int i = 0; i < But.size() && size_t(i) < m.buttons.size(); ++i)
        put(But[i], m.buttons[size_t(i)]);
    if (m.hasComponent && moControl)
        put(moControl, m.component);
    if (QWidget *current = picHolder.value(m_currentHostIndex))
        if (current->isVisible())
            current->raise();
}


// ------------------------------------------------------------------ size, header buttons, links, toggle

void frmMain::applyMinimumSize()
{
    const QSizeF twips = workspace::minimumClientSize(m_layout);
    const double d = dpi();
    const QSize pixels(workspace::twipsToPixels(twips.width(), d), workspace::twipsToPixels(twips.height(), d));
    if (const QScreen *s = screen())
        setMinimumSize(pixels.boundedTo(s->availableGeometry().size()));
    else
        setMinimumSize(pixels);
}

void frmMain::showWorkspace()
{
    applyMinimumSize();
    // The size it takes when the operator leaves the maximised state: most of the screen, centred.
    if (const QScreen *s = screen()) {
        const QRect avail = s->availableGeometry();
        QSize normal = (QSizeF(avail.size()) * 0.8).toSize().expandedTo(minimumSize()).boundedTo(avail.size());
        QRect r(QPoint(0, 0), normal);
        r.moveCenter(avail.center());
        setGeometry(r);
    }
    showMaximized();
}

void frmMain::setAlertButton(bool active, bool switchedOn)
{
    ImgBtn[5]->setActive(active);
    ImgBtn[5]->setSwitchedOn(switchedOn);
}

void frmMain::ImgBtn_Click(int index)
{
    // What the buttons do is hosting's (the lock screen is its as well);
    // without it only leaving works.
    if (m_menuRunner)
        m_menuRunner->headerButtonClick(index);
    else if (index == 0)
        close();
}

bool frmMain::isLocked() const
{
    return m_menuRunner && m_menuRunner->isLocked();
}

void frmMain::lnklbl_LinkClick(int index)
{
    switch (index) {
    case 3: {
        frmPass w(m_session, this);
        w.exec();
        break;
    }
    case 4: {
        frmAbout w(m_session, this);
        w.exec();
        break;
    }
    case 5:
        if (ImgBtn[5]->isSwitchedOn()) {
            ImgBtn_Click(5);
        } else {
            ui::doEvents();
            ui::msgBox(QStringLiteral("当前系统无任何可预警的报表    "), ui::Information, QStringLiteral("提示"));
        }
        break;
    default:
        break;
    }
}

void frmMain::Button21_Click()
{
    PaintFreeze freeze(this, NavPanel, picHolder.value(m_currentHostIndex));
    const bool visible = workspace::navPanelToggle(m_layout);
    NavPanel->setVisible(visible);
    imgSplitter->setVisible(visible);
    Button21->setPicture(Img[visible ? 6 : 7]->picture());
    Button21->setToolTip(visible ? QStringLiteral("隐藏导航面板") : QStringLiteral("显示导航面板"));
    applyLayout();
}

// ------------------------------------------------------------------ events, unload

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress;
    const bool move = type == QEvent::MouseMove;
    const bool release = type == QEvent::MouseButtonRelease;
    const double d = dpi();

    if ((press || move || release) && (watched == imgSplitter || watched == imgSplitter_c)) {
        const auto *me = static_cast<QMouseEvent *>(event);
        const double x = workspace::pixelsToTwips(me->position().x(), d);
        workspace::MainLayout &m = m_layout;
        const bool main = watched == imgSplitter;
        if (press && me->button() == Qt::LeftButton) {
            main ? workspace::mainSplitterDown(m) : workspace::reportSplitterDown(m);
            applyLayout();
            (main ? picSplitter : picSplitter_c)->raise();
        } else if (move) {
            main ? workspace::mainSplitterMove(m, x) : workspace::reportSplitterMove(m, x);
            (main ? picSplitter : picSplitter_c)
                ->setGeometry(workspace::toPixels(main ? m.picSplitter : m.picSplitterC, d));
        } else if (release && me->button() == Qt::LeftButton) {
            PaintFreeze freeze(this, NavPanel, picHolder.value(m_currentHostIndex));
            main ? workspace::mainSplitterUp(m) : workspace::reportSplitterUp(m);
            applyLayout();
        }
        return true;
    }

    // A hidden host area (a tab not active, or closed) has its updates switched off
    // itself: freezing the window for a layout pass then walks only the widgets shown,
    // not every component of every open tab.
    if ((type == QEvent::HideToParent || type == QEvent::ShowToParent)
        && picHolder.contains(static_cast<PictureBox *>(qobject_cast<QWidget *>(watched))))
        static_cast<QWidget *>(watched)->setUpdatesEnabled(type == QEvent::ShowToParent);

    // A host area that changes size keeps its component filling it.
    if (type == QEvent::Resize) {
        auto *holder = qobject_cast<QWidget *>(watched);
        if (holder && picHolder.contains(static_cast<PictureBox *>(holder)) && moControl
            && moControl->parentWidget() == holder) {
            moControl->setGeometry(0, 0, holder->width(), holder->height());
            holder->update();
            if (holder->isVisible()) {
                holder->setFocus(Qt::OtherFocusReason);
                moControl->setFocus(Qt::OtherFocusReason);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::unloadSettings()
{
    // Query-unload: the active catalog and the rows shown.
    if (const kxNavItem *active = NavPanel->activeItem()) {
        m_session.saveSetting(QStringLiteral("main"), QStringLiteral("NavPaneActiveItem"), active->key());
        m_session.saveSetting(QStringLiteral("main"), QStringLiteral("NavPaneVisibleItems"),
                         QString::number(NavPanel->visibleRowCount()));
    }
    // Unload: the width the next run's first pass widens back to this one's.
    m_session.saveSetting(QStringLiteral("main"), QStringLiteral("navpanel_width"), workspace::savedNavPanelWidth(m_layout.navPanel.width));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    // Unsaved documents are never dropped without the operator's word: No keeps
    // the program running with every tab and edit window as it was.
    if (m_menuRunner && !m_menuRunner->confirmQuit()) {
        event->ignore();
        return;
    }
    event->accept();
    m_unloaded = true;
    m_idle->stop();
    if (m_session.config)
        unloadSettings();
    if (m_menuRunner) {
        m_menuRunner->rememberOpenFunctions();
        m_menuRunner->ClearControl(moControl);
    }
    disconnect(&m_session, nullptr, this, nullptr);
    // The session ends here; the window must not reach it afterwards.
    bMain::LogOut();
}


// ------------------------------------------------------------------ the idle lock

void frmMain::idleTick(qint64 idleMs)
{
    m_idle->tick(idleMs);
}

int frmMain::idleLockMinutes() const
{
    return m_idle->minutes();
}

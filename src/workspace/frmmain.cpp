#include "workspace/frmmain.h"
#include "workspace/functionsearchbox.h"

#include "about/frmabout.h"
#include "core/bcommon.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/tabkey.h"
#include "core/logger.h"
#include "core/sessionprocs.h"
#include "components/database.h"
#include "components/kx/kxarrow.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxnavpanel.h"
#include "components/kx/kxpilot.h"
#include "components/kx/kxshadowlabel.h"
#include "components/kx/kxstyle.h"
#include "components/kx/kxvstab.h"
#include "components/sysservices.h"
#include "login/frmpass.h"
#include "platform/runtimeerror.h"
#include "platform/uiservice.h"
#include "components/kx/kxdesign.h"
#include "workspace/menurules.h"
#include "components/kx/picturebox.h"
#include "platform/vbconv.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>


using workspace::Rect;

namespace {

QString describe(const std::exception &e)
{
    return RuntimeError::describe(e);
}

// The program-wide objects the window needs; a missing one is the run-time error
// of a program that uses an object it does not have.
template <typename T>
T *need(const std::unique_ptr<T> &object)
{
    if (!object)
        throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
    return object.get();
}

void log1(const QString &text)
{
    Logger::WriteMessage(text, 1);
}

// The window whose message link shows the status prompt.

constexpr int kFontPixels = 13;

// A test or training copy's header: a warm band no one takes for the real books' blue.
const QColor kCopyBandDark(0x9a, 0x3d, 0x08);
const QColor kCopyBand(0xd9, 0x77, 0x06);

// Freezes the window's painting (and the navigation panel's and the current
// holder's redraw) for one layout pass, and releases it on every way out.
class PaintFreeze
{
public:
    PaintFreeze(QWidget *window, kxNavPanel *nav, QWidget *holder)
        : m_window(window)
        , m_nav(nav)
        , m_holder(holder)
    {
        // What each widget was set to itself, read before anything is frozen: a child's
        // updatesEnabled() already answers false once its window is frozen, and
        // "restoring" that would leave the holder (and the component in it) unpainted.
        m_windowWas = !window->testAttribute(Qt::WA_ForceUpdatesDisabled);
        if (m_holder)
            m_holderWas = !m_holder->testAttribute(Qt::WA_ForceUpdatesDisabled);
        window->setUpdatesEnabled(false);
        if (m_nav) {
            m_navWas = m_nav->redraw();
            m_nav->setRedraw(false);
        }
        if (m_holder)
            m_holder->setUpdatesEnabled(false);
    }
    ~PaintFreeze()
    {
        if (m_holder)
            m_holder->setUpdatesEnabled(m_holderWas);
        if (m_nav)
            m_nav->setRedraw(m_navWas);
        m_window->setUpdatesEnabled(m_windowWas);
    }
    PaintFreeze(const PaintFreeze &) = delete;
    PaintFreeze &operator=(const PaintFreeze &) = delete;

private:
    QWidget *m_window;
    QPointer<kxNavPanel> m_nav;
    QPointer<QWidget> m_holder;
    bool m_windowWas = true;
    bool m_navWas = true;
    bool m_holderWas = true;
};

// Switches the navigation panel's redraw off while items are added.
class RedrawOff
{
public:
    explicit RedrawOff(kxNavPanel *nav) : m_nav(nav), m_was(nav->redraw()) { nav->setRedraw(false); }
    ~RedrawOff() { m_nav->setRedraw(m_was); }
    RedrawOff(const RedrawOff &) = delete;
    RedrawOff &operator=(const RedrawOff &) = delete;

private:
    kxNavPanel *m_nav;
    bool m_was;
};

template <typename W>
W *named(W *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

} // namespace

// Any key or mouse input to any window of the program starts the idle time anew.
class frmMain::InputWatch : public QObject
{
public:
    explicit InputWatch(frmMain *owner) : m_owner(owner) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
            m_owner->m_lastInput.restart();
            if (m_owner->m_idleWarned) {
                m_owner->m_idleWarned = false;
                bMain::StatusPrompt(QString());
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    frmMain *m_owner;
};

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

frmMain::~frmMain()
{
    if (m_inputWatch)
        qApp->removeEventFilter(m_inputWatch.get());
}

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

void frmMain::buildHeader()
{
    const qreal dpr = devicePixelRatioF();
    workspace::MainLayout &m = m_layout;

    for (int i = 0; i < 3; ++i)
        Panel << named(new PictureBox(this), QStringLiteral("Panel%1").arg(i));
    QLinearGradient band(0, 0, 1, 0);
    band.setCoordinateMode(QGradient::ObjectMode);
    band.setColorAt(0, kxstyle::accentDark());
    band.setColorAt(1, kxstyle::accent());
    Panel[0]->setBackground(band);
    Panel[1]->setBackground(kxstyle::band());
    Panel[1]->setEdges(Qt::BottomEdge, kxstyle::border());
    Panel[2]->setBackground(kxstyle::band());
    Panel[2]->setEdges(Qt::TopEdge, kxstyle::border());
    m.panel[1].height = 510;

    // Images: 0 logo and 1 title in the header, 3..5 footer icons, 6/7 the toggle's
    // pictures; 2 has no role and stays hidden so the numbers line up.
    for (int i = 0; i < 8; ++i) {
        QWidget *parent = i <= 2 ? static_cast<QWidget *>(Panel[0]) : i <= 5 ? static_cast<QWidget *>(Panel[2]) : this;
        auto *img = named(new PictureBox(parent), QStringLiteral("Img%1").arg(i));
        img->setPictureMode(PictureBox::Fit);
        img->setAttribute(Qt::WA_TransparentForMouseEvents);
        Img << img;
    }
    Img[0]->setPicture(kxdesign::logo(48, dpr));
    Img[2]->hide();
    Img[3]->setPicture(kxdesign::glyph(kxdesign::Glyph::Web, 16, kxstyle::mutedText(), dpr));
    Img[4]->setPicture(kxdesign::glyph(kxdesign::Glyph::Mail, 16, kxstyle::mutedText(), dpr));
    Img[5]->setPicture(kxdesign::glyph(kxdesign::Glyph::Phone, 16, kxstyle::mutedText(), dpr));
    Img[6]->setPicture(kxdesign::glyph(kxdesign::Glyph::HidePanel, 14, kxstyle::mutedText(), dpr));
    Img[7]->setPicture(kxdesign::glyph(kxdesign::Glyph::ShowPanel, 14, kxstyle::mutedText(), dpr));
    Img[6]->hide();
    Img[7]->hide();
    m.img[0] = {180, 90, 720, 720};
    m.img[1] = {1080, 150, 4800, 600};

    auto *product = named(new kxShadowLabel(Panel[0]), QStringLiteral("lblProductName_B0"));
    QFont pf = font();
    pf.setPixelSize(22);
    pf.setBold(true);
    product->setFont(pf);
    product->setTextColor(Qt::white);
    product->setShadowColor(QColor(0, 0, 0, 90));
    product->setAttribute(Qt::WA_TransparentForMouseEvents);
    product->hide();
    lblProductName_B << product;

    // The books the operator works in: company and database, marked when they are a copy.
    lblDatabase = named(new kxShadowLabel(Panel[0]), QStringLiteral("lblDatabase"));
    QFont df = font();
    df.setPixelSize(13);
    lblDatabase->setFont(df);
    lblDatabase->setTextColor(QColor(255, 255, 255, 225));
    lblDatabase->setShadowColor(QColor(0, 0, 0, 60));
    lblDatabase->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // The function search, after the title.
    functions = new workspace::FunctionLauncher(m_session, [this] { return m_menuRunner; }, this);
    txtFunctionSearch = new workspace::FunctionSearchBox(*functions, Panel[0]);
    auto *findKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(findKey, &QShortcut::activated, this, [this] {
        if (!isLocked())
            txtFunctionSearch->activateSearch();
    });

    // Header buttons: leave, lock, help.
    const QStringList captions{QStringLiteral(" 退出系统"), QStringLiteral(" 锁定屏幕"), QStringLiteral(" 系统帮助")};
    const kxdesign::Glyph glyphs[] = {kxdesign::Glyph::Leave, kxdesign::Glyph::Lock, kxdesign::Glyph::Help};
    // 3 and 4 are the lock screen's own buttons (hosting makes them).
    for (int i = 0; i < 6; ++i)
        ImgBtn << (i == 3 || i == 4 ? nullptr : named(new kxImageButton(this), QStringLiteral("ImgBtn%1").arg(i)));
    const double d = dpi();
    for (int i = 0; i < 3; ++i) {
        kxImageButton *b = ImgBtn[i];
        b->setParent(Panel[0]);
        b->setCaption(captions[i]);
        b->setButtonStyle(kxImageButton::Flat);
        b->setBorderStyle(kxImageButton::RoundedBorder);
        QPalette bp = b->palette();
        bp.setColor(QPalette::ButtonText, Qt::white);
        b->setPalette(bp);
        b->setPicture(kxdesign::glyph(glyphs[i], 18, QColor(255, 255, 255, 230), dpr));
        b->setPictureSize(QSize(18, 18));
        m.imgBtn[size_t(i)].width = std::max(m.imgBtn[size_t(i)].width,
                                             workspace::pixelsToTwips(b->sizeHint().width() + 8, d));
        m.imgBtn[size_t(i)].height = 540;
        m.imgBtn[size_t(i)].top = 180;
    }
    connect(ImgBtn[0], &QAbstractButton::clicked, this, [this] { ImgBtn_Click(0); });
    connect(ImgBtn[1], &QAbstractButton::clicked, this, [this] { ImgBtn_Click(1); });
    connect(ImgBtn[2], &QAbstractButton::clicked, this, [this] { ImgBtn_Click(2); });

    // Second band: location, period, operator, alert button and the three links.
    for (int i = 0; i < 3; ++i) {
        auto *l = named(new kxShadowLabel(Panel[1]), QStringLiteral("lbl%1").arg(i));
        l->setShadowColor(Qt::transparent);
        l->setTextColor(i == 1 ? kxstyle::mutedText() : kxstyle::text());
        l->setAutoSize(i != 1);
        lbl << l;
    }
    lbl[1]->setCaption(QStringLiteral("当前位置："));
    lbl[2]->hide();
    m.lbl[1] = {690, 90, 6000, 300};

    kxImageButton *alert = ImgBtn[5];
    alert->setParent(Panel[1]);
    alert->setButtonStyle(kxImageButton::Flat);
    alert->setBorderStyle(kxImageButton::NoBorder);
    alert->setPicture(kxdesign::glyph(kxdesign::Glyph::Alert, 16, QColor(0xe0, 0x8a, 0x1e), dpr));
    alert->setPictureSize(QSize(14, 14));
    alert->setToolTip(QStringLiteral("预警"));
    m.imgBtn[5] = {0, 105, 540, 360};
    connect(alert, &QAbstractButton::clicked, this, [this] { ImgBtn_Click(5); });

    Button21 = named(new kxImageButton(Panel[1]), QStringLiteral("Button21"));
    Button21->setButtonStyle(kxImageButton::Flat);
    Button21->setBorderStyle(kxImageButton::RoundedBorder);
    Button21->setPicture(Img[6]->picture());
    Button21->setPictureSize(QSize(14, 14));
    Button21->setToolTip(QStringLiteral("隐藏导航面板"));
    Button21->setGeometry(workspace::toPixels({90, 75, 510, 360}, d));
    connect(Button21, &QAbstractButton::clicked, this, [this] { Button21_Click(); });
}

void frmMain::buildNavigation()
{
    NavPanel = named(new kxNavPanel(this), QStringLiteral("NavPanel"));
    NavContainer = NavPanel->container();
    NavContainer->setObjectName(QStringLiteral("NavContainer"));
    connect(NavPanel, &kxNavPanel::itemChosen, this, [this](kxNavItem *item) {
        if (item)
            LoadCatalogButtons(item->caption());
    });

    // The template of the menu buttons: hidden, its look is every button's look.
    auto *tmpl = named(new kxImageButton(NavContainer), QStringLiteral("But0"));
    tmpl->setProperty("index", 0);
    tmpl->setButtonStyle(kxImageButton::Filled);
    tmpl->setBorderStyle(kxImageButton::RoundedBorder);
    tmpl->setPictureAlign(kxImageButton::PictureLeft);
    tmpl->setTextAlign(Qt::AlignLeft);
    tmpl->setPictureSize(QSize(24, 24));
    tmpl->hide();
    But << tmpl;
    // The first button sits 16 pixels below the container's top.
    m_layout.buttons = {Rect{300, 240 - 660 - 120, 2700, 660}};
    tmpl->setGeometry(workspace::toPixels(m_layout.buttons[0], dpi()));

    imgSplitter = named(new PictureBox(this), QStringLiteral("imgSplitter"));
    imgSplitter->setCursor(Qt::SplitHCursor);
    imgSplitter->installEventFilter(this);
    picSplitter = named(new PictureBox(this), QStringLiteral("picSplitter"));
    picSplitter->setBackground(QColor(0x5f, 0x6b, 0x7a, 160));
    picSplitter->hide();
}

void frmMain::buildWorkArea()
{
    PicMain = named(new PictureBox(this), QStringLiteral("PicMain"));

    auto *holder = named(new PictureBox(PicMain), QStringLiteral("picHolder0"));
    holder->setBackground(kxstyle::surface());
    holder->setEdges(Qt::TopEdge | Qt::BottomEdge | Qt::LeftEdge | Qt::RightEdge, kxstyle::border());
    holder->installEventFilter(this);
    holder->hide();
    picHolder << holder;

    PicTable = named(new PictureBox(PicMain), QStringLiteral("PicTable"));
    PicTable->setBackground(kxstyle::surface());
    PicTable->setEdges(Qt::TopEdge | Qt::BottomEdge | Qt::LeftEdge | Qt::RightEdge, kxstyle::border());

    PicRpt = named(new PictureBox(PicTable), QStringLiteral("PicRpt"));
    PicRpt->setBackground(kxstyle::panel());
    PicRpt->setEdges(Qt::LeftEdge, kxstyle::separator());
    // The report panel's heading; its report buttons come with the catalog page.
    auto *reports = named(new kxShadowLabel(QStringLiteral("常用报表"), PicRpt), QStringLiteral("lblRptTitle"));
    QFont rf = font();
    rf.setBold(true);
    reports->setFont(rf);
    reports->setShadowColor(Qt::transparent);
    reports->setTextColor(kxstyle::text());
    reports->setGeometry(16, 14, 180, 22);
    ImgRpt0 = named(new kxImageButton(PicRpt), QStringLiteral("ImgRpt0"));
    ImgRpt0->setGeometry(16, 44 - 6, 200, 28);
    ImgRpt0->setButtonStyle(kxImageButton::Filled);
    ImgRpt0->hide();
    picFunctions = new workspace::FunctionShortcutsPanel(*functions, PicRpt);
    imgSplitter_c = named(new PictureBox(PicTable), QStringLiteral("imgSplitter_c"));
    imgSplitter_c->setCursor(Qt::SplitHCursor);
    imgSplitter_c->installEventFilter(this);
    picSplitter_c = named(new PictureBox(PicTable), QStringLiteral("picSplitter_c"));
    picSplitter_c->setBackground(QColor(0x5f, 0x6b, 0x7a, 160));
    picSplitter_c->hide();

    // The process map's templates: every box and arrow of a map is made from them, in the home area.
    kxArrow << named(new ::kxArrow(PicTable), QStringLiteral("kxArrow0"));
    kxArrow[0]->hide();
    kxPilot << named(new ::kxPilot(PicTable), QStringLiteral("kxPilot0"));
    kxPilot[0]->hide();

    kxVSTab = named(new ::kxVSTab(PicMain), QStringLiteral("kxVSTab"));
    kxVSTab->add(QStringLiteral("首页"), QStringLiteral("home"));
    connect(kxVSTab, &::kxVSTab::tabActivated, this, &frmMain::kxVSTab_TabActivated);
    connect(kxVSTab, &::kxVSTab::tabDeactivated, this, &frmMain::kxVSTab_TabDeactivated);
    connect(kxVSTab, &::kxVSTab::tabCloseRequested, this, [this](int index) {
        if (m_menuRunner)
            m_menuRunner->closeFunctionTab(index);
    });
    connect(kxVSTab, &::kxVSTab::tabMenuRequested, this, [this](int index, const QPoint &at) {
        QMenu menu(this);
        const int count = kxVSTab->count();
        QAction *one = menu.addAction(QStringLiteral("关闭"));
        QAction *others = menu.addAction(QStringLiteral("关闭其他"));
        QAction *all = menu.addAction(QStringLiteral("关闭全部"));
        QAction *right = menu.addAction(QStringLiteral("关闭右侧"));
        one->setEnabled(index > 1);
        others->setEnabled(count > (index > 1 ? 2 : 1));
        all->setEnabled(count > 1);
        right->setEnabled(index < count);
        const QString code = index > 1 ? tabkey::menuCode(tabKey(index)) : QString();
        const bool pinned = !code.isEmpty() && functions->isPinned(code);
        QAction *pin = nullptr;
        if (!code.isEmpty()) {
            menu.addSeparator();
            pin = menu.addAction(pinned ? QStringLiteral("取消固定") : QStringLiteral("固定到常用"));
            pin->setEnabled(pinned || functions->index().find(code) >= 0);
        }
        QAction *chosen = menu.exec(at);
        if (chosen && chosen == pin)
            functions->setPinned(code, !pinned);
        else if (chosen)
            closeTabs(chosen == one ? TabClose::This : chosen == others ? TabClose::Others
                                      : chosen == all                   ? TabClose::All
                                                                        : TabClose::ToTheRight,
                      index);
    });
    // Keys for the tabs, anywhere in the workspace.
    auto *closeKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
    connect(closeKey, &QShortcut::activated, this, [this] {
        if (!isLocked())
            closeTabs(TabClose::This, kxVSTab->activeIndex());
    });
    auto *nextKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(nextKey, &QShortcut::activated, this, [this] { stepTab(1); });
    auto *previousKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    connect(previousKey, &QShortcut::activated, this, [this] { stepTab(-1); });
    auto *previousKey2 = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this);
    connect(previousKey2, &QShortcut::activated, this, [this] { stepTab(-1); });
    m_layout.vsTab.height = workspace::pixelsToTwips(kxVSTab->sizeHint().height(), dpi());

    picWait = named(new PictureBox(PicMain), QStringLiteral("picWait"));
    picWait->setBackground(kxstyle::surface());
    picWait->setRadius(8);
    picWait->setEdges(Qt::TopEdge | Qt::BottomEdge | Qt::LeftEdge | Qt::RightEdge, kxstyle::border());
    picWait->hide();
    ShadowLabel1 = named(new kxShadowLabel(QStringLiteral("正在加载，请稍候..."), picWait), QStringLiteral("ShadowLabel1"));
    ShadowLabel1->setAlignment(Qt::AlignCenter);
    ShadowLabel1->setShadowColor(Qt::transparent);
    ShadowLabel1->setTextColor(kxstyle::accentDark());
    m_layout.picWait = {0, 0, 4500, 1200};
    m_layout.shadowLabel1 = {0, 390, 4500, 420};

    PicTable->raise();
}

void frmMain::buildFooter()
{
    lnkMessage = named(new kxLinkLabel(Panel[2]), QStringLiteral("lnkMessage"));
    const QStringList captions{QStringLiteral("Zenlo软件"), QStringLiteral("技术支持"), QStringLiteral("意见与建议"),
                               QStringLiteral("修改密码"), QStringLiteral("关于软件"), QStringLiteral("显示预警")};
    for (int i = 0; i < 6; ++i) {
        auto *l = named(new kxLinkLabel(captions[i], QString(), i < 3 ? Panel[2] : Panel[1]), QStringLiteral("lnklbl%1").arg(i));
        l->setIndex(i);
        l->setAutoSize(true);
        connect(l, &kxLinkLabel::linkClicked, this, [this](int index, const QString &) { lnklbl_LinkClick(index); });
        lnklbl << l;
    }
}

// The widths and heights the rules take as given: the captions' and the tab strip's.
void frmMain::takeDesignSizes()
{
    const double d = dpi();
    auto twips = [d](int pixels) { return workspace::pixelsToTwips(pixels, d); };
    workspace::MainLayout &m = m_layout;
    for (int i : {0, 2}) {
        m.lbl[size_t(i)].width = twips(lbl[i]->sizeHint().width());
        m.lbl[size_t(i)].height = twips(lbl[i]->sizeHint().height());
    }
    m.lbl[1].height = m.lbl[0].height;
    for (int i = 0; i < 6; ++i) {
        m.lnklbl[size_t(i)].width = twips(lnklbl[i]->sizeHint().width());
        m.lnklbl[size_t(i)].height = twips(lnklbl[i]->sizeHint().height());
    }
    m.lnkMessage.height = m.lnklbl[0].height;
    m.vsTab.height = twips(kxVSTab->sizeHint().height());
    m.imgBtn5Visible = !ImgBtn[5]->isHidden();
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
    const double searchLeft = titleRight + 300;
    const double searchWidth = std::clamp(m.imgBtn[0].left - 300 - 2400 - searchLeft, 2400.0, 4200.0);
    const Rect search{searchLeft, 195, searchWidth, 450};
    put(txtFunctionSearch, search);
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

// ------------------------------------------------------------------ load

void frmMain::load()
{
    try {
        loadSteps();
    } catch (const std::exception &e) {
        ui::msgBox(QStringLiteral("加载主窗体时发生错误,原因:") + describe(e), ui::Exclamation, QStringLiteral("错误:"));
    }
    functions->reload();
}

void frmMain::loadSteps()
{
    Session &g = m_session;
    clsConfig *config = need(g.config);
    workspace::MainLayout &m = m_layout;

    bMain::StatusPrompt(QString());

    // 1. Caption and state; the books worked in, a copy unmistakably so.
    // (Without a database the load stops at its first use below, the caption set.)
    const ConnectionSettings cs = g.db ? g.db->settings() : ConnectionSettings();
    const workspace::DatabaseBadge badge = g.db ? workspace::databaseBadge(g.sys ? g.sys->companyInfo().text() : QString(),
                                                                           cs.driver, cs.server, cs.database, cs.dsn, cs.copyKind)
                                                : workspace::DatabaseBadge();
    lblDatabase->setCaption(badge.line);
    lblDatabase->setToolTip(badge.detail);
    if (badge.copy) {
        QLinearGradient band(0, 0, 1, 0);
        band.setCoordinateMode(QGradient::ObjectMode);
        band.setColorAt(0, kCopyBandDark);
        band.setColorAt(1, kCopyBand);
        Panel[0]->setBackground(band);
        Panel[0]->setBackgroundOverTheme(true); // a theme's band must not hide it
    }
    setWindowTitle(config->Caption() + badge.titleSuffix);
    setWindowState(windowState() | Qt::WindowMaximized);

    // 2. The operator.
    lbl[0]->setCaption(QStringLiteral("登录用户名：") + need(g.op)->name());
    takeDesignSizes();

    // 3. The accounting period, when the configuration asks for it.
    SystemServices *sys = need(g.sys);
    const bool displayPeriod = bCommon::GetBool(config->value(QStringLiteral("//configuration/system/settings/displayperiod")));
    if (displayPeriod) {
        lbl[2]->setCaption(QStringLiteral("当前会计期间：") + sys->parameterByNumber(12, 1).value);
        takeDesignSizes();
    }
    workspace::placePeriodLabel(m, displayPeriod);
    lbl[2]->setVisible(m.lbl2Visible);

    // 4. The menu-code structure.
    const int n = workspace::firstLevelCodeLength(sys->parameter(12, QStringLiteral("menubm")).value);

    // 5./6. The catalogs; a database error ends the load quietly.
    log1(QStringLiteral("frmain 正在读取菜单记录集..."));
    Database *db = need(g.db);
    db->ClearError();
    RecordSetPtr rows = db->OpenRecordset(workspace::catalogQuery(n), 1);
    if (!db->LastError().description.isEmpty()) {
        Logger::WriteMessage(db->LastError().description, 8);
        db->ClearError();
        return;
    }

    // 7. Catalogs into the navigation panel, the active item again.
    loadCatalogs(*rows);

    // 8. The theme.
    log1(QStringLiteral("frmain 应用主题..."));
    sys->themeService()->ApplyTheme(this);

    // 9. Images.
    log1(QStringLiteral("frmain 加载图标..."));
    loadImages();

    // 10.-12. Footer links.
    QString web = config->value(QStringLiteral("//configuration/system/webhome"));
    if (web.isEmpty())
        web = QStringLiteral("http://www.zenlo.example");
    const QString subject = config->Subject().isEmpty() ? QStringLiteral("Zenlo软件") : config->Subject();
    lnklbl[0]->setCaption(subject + QStringLiteral("(") + web + QStringLiteral(")"));
    lnklbl[0]->setLink(web);
    const QString support = config->value(QStringLiteral("//configuration/system/LxMessage"));
    lnklbl[1]->setCaption(support.isEmpty() ? QStringLiteral("技术支持:400-820-0000") : support);
    const QString mail = config->value(QStringLiteral("//configuration/system/mailto"));
    lnklbl[2]->setLink(QStringLiteral("mailto:") + (mail.isEmpty() ? QStringLiteral("support@zenlo.example") : mail));

    // The idle lock (off unless configured).
    QString idleProblem;
    m_idleMinutes = workspace::idleLockMinutes(config->value(QStringLiteral("//configuration/system/settings/idlelock")), &idleProblem);
    if (!idleProblem.isEmpty())
        Logger::WriteMessage(idleProblem, 1);
    if (m_idleMinutes > 0) {
        m_lastInput.start();
        if (!m_idleTimer) {
            m_idleTimer = new QTimer(this);
            m_idleTimer->setInterval(5000);
            connect(m_idleTimer, &QTimer::timeout, this, [this] { idleTick(m_lastInput.elapsed()); });
        }
        m_idleTimer->start();
        if (!m_inputWatch) {
            m_inputWatch = std::make_unique<InputWatch>(this);
            qApp->installEventFilter(m_inputWatch.get());
        }
    }

    // 13. The navigation panel's width of the last run.
    const double design = m.navPanel.width;
    const QString stored = m_session.getSetting(QStringLiteral("main"), QStringLiteral("navpanel_width"));
    if (!stored.isEmpty()) {
        const workspace::StoredWidth width = workspace::navPanelWidth(stored, design);
        if (!width.usable)
            log1(QStringLiteral("导航面板宽度设置 navpanel_width=\"%1\" 不可用（%2），使用设计宽度 %3")
                     .arg(stored, width.reason, QString::number(design)));
        m.navPanel.setWidth(width.usable ? workspace::restoredNavPanelWidth(width.width) : design);
    }
    takeDesignSizes();
    applyMinimumSize();
}

void frmMain::loadCatalogs(RecordSet &rows)
{
    QList<workspace::CatalogRow> list;
    {
        RedrawOff off(NavPanel);
        log1(QStringLiteral("frmain 加载模块大类..."));
        while (!rows.isEOF()) {
            list.append({rows.text(QStringLiteral("menucode")), rows.text(QStringLiteral("systemcatalog")),
                         rows.text(QStringLiteral("systemcode"))});
            rows.moveNext();
        }
        rows.close();
        for (const workspace::CatalogItem &item : workspace::catalogItems(list)) {
            const QPixmap icon = LoadMenuIcon(item.iconCode, 1);
            if (!NavPanel->add(item.caption, item.key, icon.isNull() ? QIcon() : QIcon(icon), NavContainer, true))
                log1(QStringLiteral("模块大类“%1”的代码“%2”与另一大类相同，未列出").arg(item.caption, item.key));
        }
    }

    log1(QStringLiteral("frmain 恢复默认的导航项目..."));
    if (NavPanel->count() < 1)
        return;
    const QString remembered = m_session.getSetting(QStringLiteral("main"), QStringLiteral("NavPaneActiveItem"), QString());
    kxNavItem *active = remembered.isEmpty() ? nullptr : NavPanel->item(remembered);
    NavPanel->setActiveItem(active ? active : NavPanel->item(1));
    NavPanel->setVisibleRowCount(
        workspace::visibleRows(m_session.getSetting(QStringLiteral("main"), QStringLiteral("NavPaneVisibleItems"), QStringLiteral("3"))));
}

void frmMain::loadImages()
{
    Session &g = m_session;
    SystemServices *sys = need(g.sys);
    const QString themeFolder = sys->themeService()->folder();
    const QString appFolder = sys->environment()->appFolder();
    auto find = [&](const QString &name) {
        for (const QString &folder : {themeFolder, appFolder}) {
            if (folder.isEmpty())
                continue;
            const QString path = folder + QLatin1Char('/') + name;
            if (QFileInfo(path).isFile())
                return path;
        }
        return QString();
    };
    // A file that is there but is no picture is treated as missing (and logged).
    auto picture = [](const QString &path) {
        if (path.isEmpty())
            return QPixmap();
        QImageReader reader(path);
        const QImage image = reader.read();
        if (image.isNull()) {
            log1(QStringLiteral("图片“%1”不能读取：%2").arg(path, reader.errorString()));
            return QPixmap();
        }
        return QPixmap::fromImage(image);
    };

    const QPixmap logo = picture(find(QStringLiteral("logo.gif")));
    if (!logo.isNull())
        Img[0]->setPicture(logo);
    const QPixmap title = picture(find(QStringLiteral("title.gif")));
    if (!title.isNull()) {
        Img[1]->setPicture(title);
    } else {
        for (kxShadowLabel *label : std::as_const(lblProductName_B)) {
            label->setCaption(need(g.config)->Caption());
            label->setVisible(true);
        }
    }
    // The lock screen's panel (hosting's) takes the theme's picture; it reads
    // the file when the screen is first locked, not at start-up.
    m_lockPanelFile = find(QStringLiteral("piclogin.gif"));
    if (m_menuRunner)
        m_menuRunner->setLockPanelPicture(m_lockPanelFile);
}

// ------------------------------------------------------------------ catalogs and buttons

QPixmap frmMain::LoadMenuIcon(const QString &code, int type)
{
    Session &g = m_session;
    if (g.sys)
        m_iconCache.setTempFolder(g.sys->environment()->tempFolder());
    QString problem;
    QString note;
    const QString path = m_iconCache.fetch(g.db.get(), code, type, &problem, &note);
    if (!note.isEmpty())
        log1(note);
    if (!problem.isEmpty()) {
        log1(QStringLiteral("菜单[%1]的图标不能加载：%2").arg(code, problem));
        return {};
    }
    if (path.isEmpty())
        return {};
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) {
        log1(QStringLiteral("菜单[%1]的图标不能加载：文件“%2”不是可读的图片（%3）").arg(code, path, reader.errorString()));
        return {};
    }
    return QPixmap::fromImage(image);
}

void frmMain::LoadCatalogButtons(const QString &catalog)
{
    try {
        ClearDynamicControls(true);
        Database *db = need(m_session.db);
        db->ClearError();
        RecordSetPtr rows = db->OpenRecordset(workspace::buttonQuery(catalog), 1);
        if (!db->LastError().description.isEmpty()) {
            Logger::WriteMessage(db->LastError().description, 8);
            db->ClearError();
            return;
        }
        const QString remembered = m_session.getSetting(QStringLiteral("main"), catalog + QStringLiteral("_ButTag"), QString());
        const double d = dpi();
        QStringList captions;
        while (!rows->isEOF()) {
            const int k = int(But.size()) - 1;
            kxImageButton *previous = But[k];
            kxImageButton *b = kxImageButton::createFrom(*But[0], NavContainer);
            b->setObjectName(QStringLiteral("But%1").arg(k + 1));
            b->setProperty("index", k + 1);
            b->setCaption(QStringLiteral("  ") + rows->text(QStringLiteral("menuname")));
            const Rect &above = m_layout.buttons[size_t(k)];
            const Rect r{above.left, above.top + above.height + 120, above.width, above.height};
            m_layout.buttons.push_back(r);
            b->setGeometry(workspace::toPixels(r, d));
            b->raise();
            b->copyStyleFrom(*previous);
            b->setTag(rows->text(QStringLiteral("menucode")));
            b->setPicture(LoadMenuIcon(vbconv::trimBlanks(rows->text(QStringLiteral("menucode"))), 1));
            b->setToolTip(vbconv::trimBlanks(rows->text(QStringLiteral("menuname"))));
            connect(b, &QAbstractButton::clicked, this, [this, b] {
                try {
                    But_Click(int(But.indexOf(b)));
                } catch (const std::exception &e) {
                    Logger::WriteMessage(QStringLiteral("执行功能时出错，原因：") + describe(e), 8);
                }
            });
            But << b;
            b->show();
            captions << b->caption();
            rows->moveNext();
        }
        rows->close();
        const int press = workspace::buttonToPress(captions, remembered);
        if (press > 0)
            But_Click(press);
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("加载菜单树时出错，原因：") + describe(e), 8);
    }
}

void frmMain::ClearDynamicControls(bool buttons)
{
    if (buttons) {
        while (But.size() > 1) {
            kxImageButton *b = But.takeLast();
            b->disconnect(this);
            b->hide();
            b->setObjectName(QString());
            b->deleteLater(); // the button may be the one whose click is running
        }
        m_layout.buttons.resize(1);
        return;
    }
    // The box whose click is running may be among them: they go when the event loop comes back.
    while (kxPilot.size() > 1) {
        ::kxPilot *b = kxPilot.takeLast();
        b->disconnect(this);
        b->hide();
        b->setObjectName(QString());
        b->deleteLater();
    }
    while (kxArrow.size() > 1) {
        ::kxArrow *a = kxArrow.takeLast();
        a->hide();
        a->setObjectName(QString());
        a->deleteLater();
    }
}

void frmMain::But_Click(int index)
{
    if (index < 1 || index >= But.size())
        return;
    const QString code = But[index]->tag();
    bool inEditWindow = false;
    bool executed = false;
    executeMenu(code, inEditWindow, executed);
    if (!inEditWindow && index < But.size()) {
        if (const kxNavItem *active = NavPanel->activeItem())
            m_session.saveSetting(QStringLiteral("main"), active->caption() + QStringLiteral("_ButTag"),
                             vbconv::trimBlanks(But[index]->caption()));
    }
}

void frmMain::executeMenu(const QString &code, bool &inEditWindow, bool &executed)
{
    if (m_menuRunner) {
        m_menuRunner->ExecuteMenu(code, inEditWindow, executed);
        return;
    }
    // Until function launch takes over: show where the operator is, and the home area.
    QString name;
    if (Database *db = m_session.db.get()) {
        RecordSetPtr rs = db->query(QStringLiteral("select menuname from xt_menu where menucode=?"), {code});
        if (rs && !rs->isEOF())
            name = vbconv::trimBlanks(rs->text(QStringLiteral("menuname")));
    }
    const kxNavItem *active = NavPanel->activeItem();
    lbl[1]->setCaption(QStringLiteral("当前位置：") + (active ? active->caption() : QString()) + QStringLiteral(" -> ") + name);
    PicTable->show();
    PicTable->raise();
    executed = true;
}

// The host index of a tab key, -1 when it names none (the home tab).
static int hosting_index(const QString &key)
{
    const auto n = tabkey::hostIndex(key);
    return n && *n >= 0 ? int(*n) : -1;
}

// ------------------------------------------------------------------ header buttons, links, toggle

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
    if (m_idleTimer)
        m_idleTimer->stop();
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

// ------------------------------------------------------------------ the host of functions

QString frmMain::activeCatalogCaption() const
{
    const kxNavItem *active = NavPanel ? NavPanel->activeItem() : nullptr;
    return active ? active->caption() : QString();
}

void frmMain::setLocation(const QString &text)
{
    lbl[1]->setCaption(text);
    Form_Resize();
}

void frmMain::showTabTexts(const QString &location, const QString &status)
{
    const QString shown = location.isEmpty() ? QStringLiteral("当前位置：") : location;
    if (lbl[1]->caption() != shown)
        setLocation(shown);
    if (lnkMessage)
        lnkMessage->setCaption(status);
}

bool frmMain::periodLabelVisible() const
{
    return m_layout.lbl2Visible;
}

void frmMain::setPeriodLabel(const QString &text)
{
    lbl[2]->setCaption(text);
}

void frmMain::showWait(const QString &caption)
{
    ShadowLabel1->setCaption(caption);
    ShadowLabel1->repaint();
    picWait->show();
    picWait->raise();
    picWait->repaint();
}

void frmMain::hideWait()
{
    picWait->hide();
}

void frmMain::showHome()
{
    // The location just set names the catalog now shown in the home area.
    m_homeLocation = lbl[1]->caption();
    PicTable->show();
    if (kxVSTab->activeIndex() != 1)
        kxVSTab->setActive(1);
    if (QWidget *current = picHolder.value(m_currentHostIndex); current && m_currentHostIndex > 0)
        current->hide();
    PicTable->raise();
}

void frmMain::loadPilotMap(const QString &menuCode)
{
    for (kxLinkLabel *l : std::as_const(m_functionLinks))
        l->deleteLater();
    m_functionLinks.clear();
    m_pilotNoMap = false;
    if (LoadPilotMap(menuCode) || !m_pilotNoMap)
        return;
    // A catalog without a map of its own: the map of its first catalog that has
    // one, or else its functions as a plain list of links.
    Database *db = m_session.db.get();
    if (!db)
        return;
    QStringList children;
    if (RecordSetPtr rs = db->query(QStringLiteral("select menucode from xt_menu where parent = ? and inActive <> 1 and "
                                                   "(menuismx is null or menuismx <> 1) order by menuorder, menucode"),
                                    {menuCode})) {
        for (; !rs->isEOF(); rs->moveNext())
            children << rs->text(QStringLiteral("menucode"));
    }
    for (const QString &child : std::as_const(children)) {
        m_pilotNoMap = false;
        if (LoadPilotMap(child) || !m_pilotNoMap)
            return;
    }
    RecordSetPtr rs = db->query(QStringLiteral("select menucode, menuname, progID from xt_menu where menucode like ? and "
                                               "menuismx = 1 and inActive <> 1 order by parent, menuorder, menucode"),
                                {menuCode + QLatin1Char('%')});
    db->ClearError();
    if (!rs)
        return;
    const double d = dpi();
    int row = 0;
    for (; !rs->isEOF() && row < 40; rs->moveNext()) {
        const QVariant program = rs->field(QStringLiteral("progID"));
        if (m_session.sys && !m_session.sys->rights(program.toInt()).right(1))
            continue;
        const QString code = rs->text(QStringLiteral("menucode"));
        auto *link = new kxLinkLabel(vbconv::trimBlanks(rs->text(QStringLiteral("menuname"))), code, PicTable);
        link->setObjectName(QStringLiteral("lnkFunction%1").arg(row + 1));
        link->setGeometry(workspace::twipsToPixels(600 + (row / 14) * 3600, d), workspace::twipsToPixels(600 + (row % 14) * 420, d),
                          workspace::twipsToPixels(3300, d), workspace::twipsToPixels(360, d));
        connect(link, &kxLinkLabel::linkClicked, this, [this, code] {
            bool inEditWindow = false, executed = false;
            executeMenu(code, inEditWindow, executed);
        });
        link->show();
        m_functionLinks << link;
        ++row;
    }
}

QWidget *frmMain::reportArea()
{
    return PicRpt;
}

void frmMain::refreshHomeTab()
{
    kxVSTab->refresh();
}

int frmMain::addTab(const QString &caption, const QString &key)
{
    // The strip selects the new tab quietly; the tab that was active is
    // deactivated here, so its page hides and only the new one will show.
    const int previous = kxVSTab->activeIndex();
    const int index = kxVSTab->add(caption, key, true);
    if (index > 0 && previous > 0 && previous != index)
        kxVSTab_TabDeactivated(previous);
    if (index > 0) {
        // The location just set names the function of the new tab; its status starts empty.
        m_tabTexts.insert(key.toLower(), {lbl[1]->caption(), QString()});
        bMain::StatusPrompt(QString());
    }
    kxVSTab->refresh();
    return index;
}

QString frmMain::tabCaption(int index) const
{
    const ::kxVSTab::Tab *t = kxVSTab->tab(index);
    return t ? t->caption : QString();
}

int frmMain::tabCount() const
{
    return kxVSTab->count();
}

int frmMain::activeTab() const
{
    return kxVSTab->activeIndex();
}

QString frmMain::tabKey(int index) const
{
    const ::kxVSTab::Tab *t = kxVSTab->tab(index);
    return t ? t->key : QString();
}

void frmMain::removeTab(int index)
{
    const QString key = tabKey(index);
    kxVSTab->remove(index);
    // A closed tab's host area stays loaded (the host indexes keep matching the tab counter), empty and hidden.
    if (QWidget *area = picHolder.value(hosting_index(key)); area && hosting_index(key) > 0)
        area->hide();
    m_tabTexts.remove(key.toLower());
}

int frmMain::addHostArea()
{
    PictureBox *previous = picHolder.last();
    auto *holder = named(new PictureBox(PicMain), QStringLiteral("picHolder%1").arg(picHolder.size()));
    holder->setBackground(previous->background());
    holder->setEdges(Qt::TopEdge | Qt::BottomEdge | Qt::LeftEdge | Qt::RightEdge, kxstyle::border());
    holder->setGeometry(previous->geometry());
    holder->installEventFilter(this);
    holder->hide();
    picHolder << holder;
    m_currentHostIndex = int(picHolder.size()) - 1;
    PicTable->hide();
    syncHosting();
    return m_currentHostIndex;
}

QWidget *frmMain::hostArea(int index) const
{
    return picHolder.value(index);
}

void frmMain::setCurrentHost(int index, QWidget *component)
{
    m_currentHostIndex = index;
    moControl = component;
}

void frmMain::showHostArea(int index)
{
    QWidget *area = picHolder.value(index);
    if (!area)
        return;
    m_currentHostIndex = index;
    Form_Resize();
    area->show();
    if (area->isVisible())
        area->setFocus(Qt::OtherFocusReason);
    area->raise();
    picWait->raise();
}

void frmMain::idleTick(qint64 idleMs)
{
    if (isLocked() || m_unloaded) {
        m_idleWarned = false;
        return;
    }
    switch (workspace::idleStep(idleMs, m_idleMinutes, m_idleWarned)) {
    case workspace::IdleStep::Warn:
        m_idleWarned = true;
        bMain::StatusPrompt(QStringLiteral("系统空闲，一分钟后将锁定屏幕"));
        break;
    case workspace::IdleStep::Lock:
        // A question or dialog of the program is open: the lock waits until it is
        // answered (the cover could not take the password while it is up).
        if (QApplication::activeModalWidget())
            break;
        // As the lock button does: tabs, edit windows and typed work stay behind the cover.
        m_idleWarned = false;
        bMain::StatusPrompt(QString());
        ImgBtn_Click(1);
        break;
    case workspace::IdleStep::Nothing:
        break;
    }
}

void frmMain::closeTabs(TabClose which, int index)
{
    if (!m_menuRunner || index < 1 || index > kxVSTab->count())
        return;
    if (which == TabClose::This) {
        if (index > 1)
            m_menuRunner->closeFunctionTab(index);
        return;
    }
    // From the right end, so the tabs still to be closed keep their numbers; a
    // tab whose unsaved work the operator keeps stays and the others still close.
    const int from = which == TabClose::ToTheRight ? index + 1 : 2;
    for (int i = kxVSTab->count(); i >= from; --i)
        if (which != TabClose::Others || i != index)
            m_menuRunner->closeFunctionTab(i);
}

void frmMain::activateTab(int index)
{
    kxVSTab->setActive(index);
}

void frmMain::stepTab(int step)
{
    const int count = kxVSTab->count();
    if (isLocked() || count < 2)
        return;
    const int next = ((kxVSTab->activeIndex() - 1 + step) % count + count) % count + 1;
    kxVSTab->setActive(next);
}

void frmMain::kxVSTab_TabActivated(int index)
{
    if (index > kxVSTab->count())
        index = kxVSTab->count();
    if (index < 2) {
        PicTable->show();
        PicTable->raise();
        showTabTexts(m_homeLocation, m_homeStatus);
        return;
    }
    const TabTexts texts = m_tabTexts.value(tabKey(index).toLower());
    showTabTexts(texts.location, texts.status);
    const int n = hosting_index(tabKey(index));
    if (n < 0)
        return;
    if (QWidget *area = picHolder.value(n)) {
        area->show();
        area->raise();
        moControl = area->findChild<QWidget *>(QString::number(n) + QStringLiteral("edit"), Qt::FindDirectChildrenOnly);
        m_currentHostIndex = n;
        Form_Resize();
    }
}

void frmMain::kxVSTab_TabDeactivated(int index)
{
    if (index > kxVSTab->count())
        index = kxVSTab->count();
    if (index < 2) {
        PicTable->hide();
        return;
    }
    const int n = hosting_index(tabKey(index));
    if (QWidget *area = picHolder.value(n); area && n >= 0)
        area->hide();
}

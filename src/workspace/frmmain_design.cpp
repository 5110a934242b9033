// The main window's design: the header bands, the navigation panel, the work
// area with its tab strip and wait panel, the footer links, and the sizes the
// layout rules take from the controls.
#include "workspace/frmmain.h"
#include "workspace/frmmain_p.h"
#include "workspace/functionsearchbox.h"

#include "core/tabkey.h"
#include "components/kx/kxarrow.h"
#include "components/kx/kxdesign.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxnavpanel.h"
#include "components/kx/kxpilot.h"
#include "components/kx/kxshadowlabel.h"
#include "components/kx/kxstyle.h"
#include "components/kx/kxvstab.h"
#include "components/kx/picturebox.h"

#include <QLinearGradient>
#include <QMenu>
#include <QShortcut>

using namespace frmmain_detail;
using workspace::Rect;

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


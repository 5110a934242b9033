// The main window's work area as function hosting sees it (IWorkspaceHost):
// the location and period lines, the wait panel, the home area, the tabs and
// their host areas, each tab's own location and status line, the tab menu's
// closes and the tab keys.
#include "workspace/frmmain.h"
#include "workspace/frmmain_p.h"

#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/database.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxnavpanel.h"
#include "components/kx/kxshadowlabel.h"
#include "components/kx/kxstyle.h"
#include "components/kx/kxvstab.h"
#include "components/kx/picturebox.h"
#include "components/sysservices.h"
#include "platform/vbconv.h"

#include <QTimer>

#include <vector>

using namespace frmmain_detail;
using workspace::Rect;

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
    if (QWidget *area = picHolder.value(hostingIndex(key)); area && hostingIndex(key) > 0)
        area->hide();
    m_tabTexts.remove(key.toLower());
    // With the last function tab gone, once the components are deleted.
    if (kxVSTab->count() < 2)
        QTimer::singleShot(0, this, &frmMain::renewClosedHostAreas);
}

void frmMain::renewClosedHostAreas()
{
    // A host area is made just before its component, so its few small blocks sit
    // among the component's many; once the component is freed they would keep
    // those pages resident, a few per closed tab. With no function tab open the
    // empty areas of the closed tabs are made again, one after another, where
    // the allocator has room beside the long-lived objects (a thousand take a
    // few milliseconds). They keep their index, name, place and look; being
    // empty, they need no resize handling.
    if (kxVSTab->count() > 1)
        return;
    struct Closed {
        int index;
        QString name;
        QBrush background;
        QRect geometry;
    };
    std::vector<Closed> closed;
    QList<PictureBox *> old;
    for (int i = 1; i < picHolder.size(); ++i) {
        PictureBox *area = picHolder[i];
        if (!area->children().isEmpty() || area->isVisible())
            continue;
        closed.push_back({i, area->objectName(), area->background(), area->geometry()});
        old << area;
    }
    qDeleteAll(old);
    for (const Closed &c : closed) {
        auto *area = new PictureBox(PicMain);
        area->setObjectName(QString(c.name.constData(), c.name.size())); // its own copy, made here too
        area->setBackground(c.background);
        area->setEdges(Qt::TopEdge | Qt::BottomEdge | Qt::LeftEdge | Qt::RightEdge, kxstyle::border());
        area->setGeometry(c.geometry);
        area->hide();
        area->setUpdatesEnabled(false); // as every hidden host area
        picHolder[c.index] = area;
    }
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
    const int n = hostingIndex(tabKey(index));
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
    const int n = hostingIndex(tabKey(index));
    if (QWidget *area = picHolder.value(n); area && n >= 0)
        area->hide();
}

#include "workspace/layout.h"

#include <algorithm>
#include <cmath>

namespace workspace {

namespace {
// Room kept at the minimum size: the toggle at the left of the second band, the
// location and status texts, the work area and the columns' height.
constexpr double kLeftOfSecondBand = 600;
constexpr double kMinimumLocation = 1500;
constexpr double kMinimumMessage = 1500;
constexpr double kMinimumWorkArea = 3000;
constexpr double kMinimumColumnHeight = 4800;
} // namespace

bool Rect::setWidth(double w)
{
    if (!(w >= 0))
        return false;
    width = w;
    return true;
}

bool Rect::setHeight(double h)
{
    if (!(h >= 0))
        return false;
    height = h;
    return true;
}

Rect &MainLayout::currentHolder()
{
    if (holders.empty())
        holders.emplace_back();
    if (currentHost < 0 || currentHost >= int(holders.size()))
        currentHost = 0;
    return holders[size_t(currentHost)];
}

const Rect &MainLayout::currentHolder() const
{
    return const_cast<MainLayout *>(this)->currentHolder();
}

MainLayout designDefaults(double scaleWidth, double scaleHeight, double screenWidth)
{
    MainLayout s;
    const double column = std::max(0.0, scaleHeight - 1800);
    const double work = std::max(0.0, scaleWidth - 3420);
    s.scaleWidth = scaleWidth;
    s.scaleHeight = scaleHeight;
    s.screenWidth = screenWidth;

    s.panel[0] = {0, 0, scaleWidth, 900};
    s.panel[1] = {0, 900, scaleWidth, 480};
    s.panel[2] = {0, std::max(0.0, scaleHeight - 420), scaleWidth, 420};

    s.img[0] = {150, 90, 720, 720};   // logo
    s.img[1] = {1000, 180, 4800, 540}; // title
    for (int i = 0; i < 3; ++i)
        s.imgBtn[size_t(i)] = {0, 150, 1260, 600};
    s.imgBtn[3] = {0, 0, 1500, 480};
    s.imgBtn[4] = {0, 0, 1500, 480};
    s.imgBtn[5] = {0, 105, 300, 300};

    s.lbl[0] = {0, 90, 3000, 300};
    s.lbl[1] = {3300, 90, 6000, 300};
    s.lbl[2] = {0, 90, 3000, 300};

    s.lnklbl[0] = {0, 60, 3600, 270};
    s.lnklbl[1] = {0, 60, 2400, 270};
    s.lnklbl[2] = {0, 60, 1200, 270};
    s.lnklbl[3] = {0, 105, 900, 270};
    s.lnklbl[4] = {0, 105, 900, 270};
    s.lnklbl[5] = {0, 105, 900, 270};
    s.lnkMessage = {30, 60, 4500, 270};
    for (int i = 3; i <= 5; ++i)
        s.img[size_t(i)] = {0, 75, 240, 240};

    s.navPanel = {30, 1380, 3300, column};
    s.imgSplitter = {3360, 1380, 60, column};
    s.picSplitter = {3360, 1380, 30, std::max(0.0, column - 20)};
    s.picMain = {3420, 1380, work, column};
    s.picTable = {15, 15, 6000, 4000};
    s.holders = {Rect{15, 15, 6000, 4000}};
    s.vsTab = {15, 4015, 6000, 420};
    s.picRpt = {3000, 0, 3000, 4000};
    s.imgSplitterC = {2940, 0, 60, 4000};
    s.picSplitterC = {2940, 0, 30, 3980};
    s.picWait = {0, 0, 4500, 1200};
    s.shadowLabel1 = {0, 400, 4500, 400};
    s.buttons = {Rect{300, 240, 2700, 600}};
    return s;
}

void resizePass(MainLayout &s)
{
    auto &p0 = s.panel[0];
    auto &p1 = s.panel[1];
    auto &p2 = s.panel[2];
    Rect &holder = s.currentHolder();

    // Bands.
    p0.move(0, 0);
    p0.setWidth(s.scaleWidth);
    p1.move(0, p0.top + p0.height);
    p1.setWidth(s.scaleWidth);
    s.navPanel.top = p1.top + p1.height;
    s.imgSplitter.top = s.navPanel.top;
    s.picMain.top = s.navPanel.top;
    p2.setWidth(s.scaleWidth);
    p2.top = s.scaleHeight - p2.height;

    // Header buttons on Panel(0), right to left.
    s.imgBtn[2].left = p0.width - s.imgBtn[2].width - 780;
    s.imgBtn[1].left = s.imgBtn[2].left - s.imgBtn[1].width - 285;
    s.imgBtn[0].left = s.imgBtn[1].left - s.imgBtn[0].width - 285;

    // Links and labels on Panel(1), right to left.
    s.lnklbl[4].move(p1.width - s.lnklbl[4].width - 780, 105);
    s.lnklbl[3].move(s.lnklbl[4].left - s.lnklbl[3].width - 200, 105);
    const Rect *operatorNeighbour = &s.lnklbl[3];
    if (s.imgBtn5Visible) {
        s.lnklbl[5].move(s.lnklbl[3].left - s.lnklbl[5].width - 200, 105);
        s.imgBtn[5].move(s.lnklbl[5].left - s.imgBtn[5].width - 50, 105);
        operatorNeighbour = &s.imgBtn[5];
    } else {
        s.lnklbl5Visible = false;
    }
    s.lbl[0].move(operatorNeighbour->left - s.lbl[0].width - 200, 90);
    s.lbl[2].move(s.lbl[0].left - s.lbl[2].width - 200, 90);

    // Home area, holder and tab strip.
    s.picTable.left = 15;
    holder.left = 15;
    s.vsTab.left = 15;
    s.picTable.top = 15;
    holder.top = 15;

    // Heights, only when the footer is below the panel's top.
    const double columnHeight = p2.top - s.navPanel.top;
    if (columnHeight > 0) {
        s.navPanel.setHeight(columnHeight);
        s.picMain.setHeight(s.navPanel.height);
        s.picTable.setHeight(s.picMain.height - 2 * s.picTable.top - s.vsTab.height);
        holder.setHeight(s.picMain.height - 2 * holder.top - s.vsTab.height);
        s.vsTab.top = holder.top + holder.height;
        s.picWait.top = (s.picMain.height - s.picWait.height) / 2;
    }

    s.picMain.left = s.navPanelVisible ? s.navPanel.left + s.navPanel.width + 60 : s.navPanel.left;

    if (s.scaleWidth - s.picMain.left > 0) {
        s.picMain.setWidth(s.scaleWidth - s.picMain.left);
        s.shadowLabel1.setWidth(s.picWait.width);
        s.picWait.left = (s.picMain.width - s.picWait.width) / 2;
    }

    s.imgSplitter.setHeight(s.navPanel.height);
    // Where the columns rule puts the handle for this panel (it makes the panel as
    // wide as the handle's position, from 30): so a pass keeps the panel's width.
    // The handle 30 right of the panel's edge widened the panel by 60 every pass.
    s.imgSplitter.left = s.navPanel.left + s.navPanel.width - 30;

    s.picRpt.top = 0;
    s.picRpt.setHeight(s.picTable.height);
    s.imgSplitterC.top = 0;
    s.imgSplitterC.setHeight(s.picTable.height);

    arrangeColumns(s, s.navPanelVisible ? s.imgSplitter.left : s.navPanel.left - s.imgSplitter.width);

    // Footer chain on Panel(2), right to left.
    s.lnklbl[2].move(s.scaleWidth - s.lnklbl[2].width - 300, 60);
    s.img[4].move(s.lnklbl[2].left - s.img[4].width - 100, 60);
    s.lnklbl[1].move(s.img[4].left - s.lnklbl[1].width - 500, 60);
    s.img[5].move(s.lnklbl[1].left - s.img[5].width - 100, 60);
    s.lnklbl[0].move(s.img[5].left - s.lnklbl[0].width - 500, 60);
    s.img[3].move(s.lnklbl[0].left - s.img[3].width - 100, 60);
    s.lnkMessage.move(30, 60);
}

QSizeF minimumClientSize(const MainLayout &m)
{
    // Each band's chain is laid right to left; its leftmost element must stay
    // clear of what sits at the band's left.
    const double header = m.img[1].right() + 300 + m.imgBtn[0].width + 285 + m.imgBtn[1].width + 285 + m.imgBtn[2].width + 780;
    double second = kLeftOfSecondBand + kMinimumLocation + 300 + m.lbl[0].width + 200 + m.lnklbl[3].width + 200
        + m.lnklbl[4].width + 780;
    if (m.lbl2Visible)
        second += m.lbl[2].width + 200;
    if (m.imgBtn5Visible)
        second += m.imgBtn[5].width + 50 + m.lnklbl[5].width + 200;
    const double footer = m.lnkMessage.left + kMinimumMessage + 300 + m.img[3].width + 100 + m.lnklbl[0].width + 500
        + m.img[5].width + 100 + m.lnklbl[1].width + 500 + m.img[4].width + 100 + m.lnklbl[2].width + 300;
    const double columns = 30 + m.screenWidth / 8 + m.imgSplitter.width + kMinimumWorkArea;
    const double width = std::max({header, second, footer, columns});
    const double height = m.panel[0].height + m.panel[1].height + m.panel[2].height + kMinimumColumnHeight;
    return {width, height};
}

void arrangeColumns(MainLayout &s, double x)
{
    if (s.navPanelVisible && x < s.screenWidth / 8)
        x = s.screenWidth / 8;
    if (x > 7680)
        x = 7680;

    if (s.navPanelVisible) {
        s.imgSplitter.left = x;
        s.navPanel.left = 30;
        s.navPanel.setWidth(x);
    }

    s.picMain.left = x + s.imgSplitter.width;
    const double mainWidth = s.scaleWidth - s.picMain.left - 2 * s.navPanel.left + 30;
    if (mainWidth > 0)
        s.picMain.setWidth(mainWidth);

    Rect &holder = s.currentHolder();
    s.picTable.setWidth(s.picMain.width - 2 * s.picTable.left);
    holder.setWidth(s.picMain.width - 2 * holder.left);
    s.vsTab.setWidth(s.picMain.width - 2 * s.vsTab.left);

    // The report panel keeps its width and sticks to the right edge.
    s.picRpt.left = s.picTable.width - s.picRpt.width;
    s.imgSplitterC.left = s.picRpt.left - s.imgSplitterC.width;
    s.picSplitterC.left = s.imgSplitterC.left;

    for (Rect &b : s.buttons)
        b.left = (s.navPanel.width - b.width) / 2;

    if (s.hasComponent) {
        s.component.move(0, 0);
        s.component.setWidth(holder.width - 2 * s.holderFrame);
        s.component.setHeight(holder.height - 2 * s.holderFrame);
    }

    const Rect current = holder;
    for (size_t i = 0; i < s.holders.size(); ++i)
        if (int(i) != s.currentHost)
            s.holders[i] = current;
}

// The drag bar is half as wide as the handle, whole twips divided as integers.
static double halfWidth(double w)
{
    const double whole = std::nearbyint(w); // rounds half to even, as the integer division does
    return std::trunc(whole / 2);
}

void mainSplitterDown(MainLayout &s)
{
    s.picSplitter.move(s.imgSplitter.left, s.imgSplitter.top);
    s.picSplitter.setWidth(halfWidth(s.imgSplitter.width));
    s.picSplitter.setHeight(s.imgSplitter.height - 20);
    s.picSplitterVisible = true;
    s.splitterMoving = true;
}

void mainSplitterMove(MainLayout &s, double mouseX)
{
    if (!s.splitterMoving)
        return;
    const double pos = s.imgSplitter.left + mouseX;
    if (pos < 800)
        s.picSplitter.left = 800;
    else if (pos > s.scaleWidth - 800)
        s.picSplitter.left = s.scaleWidth - 800;
    else
        s.picSplitter.left = pos;
}

void mainSplitterUp(MainLayout &s)
{
    // A release without a press (the handle never had the mouse) moves nothing.
    if (!s.splitterMoving)
        return;
    arrangeColumns(s, s.picSplitter.left);
    s.picSplitterVisible = false;
    s.splitterMoving = false;
}

void reportSplitterDown(MainLayout &s)
{
    s.picSplitterC.move(s.imgSplitterC.left, s.imgSplitterC.top);
    s.picSplitterC.setWidth(halfWidth(s.imgSplitterC.width));
    s.picSplitterC.setHeight(s.imgSplitterC.height - 20);
    s.picSplitterCVisible = true;
    s.reportSplitterMoving = true;
}

void reportSplitterMove(MainLayout &s, double mouseX)
{
    if (!s.reportSplitterMoving)
        return;
    const double pos = s.imgSplitterC.left + mouseX;
    if (pos < 1000)
        s.picSplitterC.left = 1000;
    else if (pos > s.picMain.width - 1000)
        s.picSplitterC.left = s.picMain.width - 1000;
    else
        s.picSplitterC.left = pos;
}

void reportSplitterUp(MainLayout &s)
{
    if (!s.reportSplitterMoving)
        return;
    double bar = s.picSplitterC.left;
    if (bar < 2000)
        bar = 2000;
    if (bar > s.scaleWidth - 1400)
        bar = s.scaleWidth - 1400 + s.picTable.left;
    s.picSplitterC.left = bar;
    s.imgSplitterC.left = bar;
    s.picRpt.left = s.imgSplitterC.left + s.imgSplitterC.width;
    s.picRpt.setWidth(s.picTable.width - s.picRpt.left);
    s.picSplitterCVisible = false;
    s.reportSplitterMoving = false;
}

void placePeriodLabel(MainLayout &s, bool displayPeriod)
{
    if (displayPeriod) {
        s.lbl2Visible = true;
        s.lbl[2].move(s.lbl[0].left - s.lbl[2].width - 200, 90);
        s.imgBtn[5].left = s.lbl[2].left - s.imgBtn[5].width - 200;
    } else {
        s.lbl2Visible = false;
        s.imgBtn[5].left = s.lbl[0].left - s.imgBtn[5].width - 200;
    }
}

bool navPanelToggle(MainLayout &s)
{
    s.navPanelVisible = !s.navPanelVisible;
    s.picMain.left = s.navPanelVisible ? s.navPanel.left + s.navPanel.width + 60 : s.navPanel.left;
    arrangeColumns(s, s.navPanelVisible ? s.imgSplitter.left : s.navPanel.left - s.imgSplitter.width);
    return s.navPanelVisible;
}

double twipsToPixelsF(double twips, double dpi)
{
    return twips * dpi / kTwipsPerInch;
}

int twipsToPixels(double twips, double dpi)
{
    return int(std::lround(twipsToPixelsF(twips, dpi)));
}

double pixelsToTwips(double pixels, double dpi)
{
    return dpi > 0 ? pixels * kTwipsPerInch / dpi : 0;
}

QRect toPixels(const Rect &r, double dpi)
{
    const int l = twipsToPixels(r.left, dpi);
    const int t = twipsToPixels(r.top, dpi);
    const int rr = twipsToPixels(r.right(), dpi);
    const int b = twipsToPixels(r.bottom(), dpi);
    return QRect(l, t, rr - l, b - t);
}

Rect fromPixels(const QRect &r, double dpi)
{
    return {pixelsToTwips(r.x(), dpi), pixelsToTwips(r.y(), dpi), pixelsToTwips(r.width(), dpi),
            pixelsToTwips(r.height(), dpi)};
}

} // namespace workspace

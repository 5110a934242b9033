#pragma once
// The main window's geometry as plain numbers. Every rule of the workspace
// layout (resize pass, columns, the two splitters, the load-time header moves,
// the navigation-panel toggle) works on a MainLayout in twips, without a
// widget; the window copies the rectangles onto its controls once per pass,
// converted to pixels with twipsToPixels()/toPixels().
//
// Sizes the rules do not compute (band heights, button and label widths, the
// report panel's width, ...) are the design: set them before a pass, for
// example from designDefaults() and the captions' measured widths.
//
// A control refuses a negative width or height; the rules' statement that
// would set one is skipped and the control keeps its size (the passes ignore
// failing statements one by one). The setters of Rect do exactly that.
#include <QRect>
#include <QSizeF>

#include <array>
#include <vector>

namespace workspace {

inline constexpr double kTwipsPerInch = 1440.0;

struct Rect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    double right() const { return left + width; }
    double bottom() const { return top + height; }
    void move(double l, double t) { left = l; top = t; }
    // Negative sizes are refused: the call leaves the size unchanged and returns false.
    bool setWidth(double w);
    bool setHeight(double h);
    bool operator==(const Rect &) const = default;
};

// Every control the layout rules place, named as on the main window. Arrays
// keep the window's element numbers (img[3] is Img(3)); elements the rules
// never touch are still there so the numbers line up.
struct MainLayout {
    // The window's client area (scale width/height) and the screen width, twips.
    double scaleWidth = 0;
    double scaleHeight = 0;
    double screenWidth = 0;

    std::array<Rect, 3> panel;  // Panel(0) header, Panel(1) second header, Panel(2) footer
    std::array<Rect, 3> lbl;    // lbl(0) operator, lbl(1) location, lbl(2) accounting period
    std::array<Rect, 6> imgBtn; // ImgBtn(0..2) header, (3),(4) lock screen, (5) alerts
    std::array<Rect, 6> lnklbl; // lnklbl(0..2) footer, (3..5) second header
    Rect lnkMessage;
    std::array<Rect, 6> img;    // Img(0),(1) header images, Img(3..5) footer icons

    Rect navPanel;
    Rect imgSplitter;   // main splitter handle
    Rect picSplitter;   // its drag bar
    Rect picMain;       // work area
    Rect picTable;      // home area inside picMain
    std::vector<Rect> holders{Rect{}}; // picHolder(0..); element 0 exists at design time
    int currentHost = 0;               // the current holder is holders[currentHost]
    Rect vsTab;         // kxVSTab, below the current holder
    Rect picRpt;        // report panel at the right of the home area
    Rect imgSplitterC;  // report splitter handle (imgSplitter_c)
    Rect picSplitterC;  // its drag bar (picSplitter_c)
    Rect picWait;
    Rect shadowLabel1;
    std::vector<Rect> buttons{Rect{}}; // But(0) template + the catalog's buttons

    // The hosted component shown last (moControl) fills the current holder's
    // inside, which is the holder less holderFrame on every side.
    bool hasComponent = false;
    Rect component;
    double holderFrame = 0;

    // Visibility the rules read or set.
    bool navPanelVisible = true;
    bool imgBtn5Visible = true;   // the alert button decides the header chain
    bool lnklbl5Visible = true;   // hidden by the pass when the alert button is
    bool lbl2Visible = false;     // set by placePeriodLabel()
    bool picSplitterVisible = false;
    bool picSplitterCVisible = false;

    bool splitterMoving = false;
    bool reportSplitterMoving = false;

    Rect &currentHolder();
    const Rect &currentHolder() const;
};

// Design sizes of every control (twips) for a window of the given client size;
// what the rules compute is left for a pass to fill in.
MainLayout designDefaults(double scaleWidth, double scaleHeight, double screenWidth);

// The layout rules applied on every size change, in order: bands, the two
// header chains, home area and holders, heights, work area, splitter,
// report panel, columns (arrangeColumns), footer chain.
void resizePass(MainLayout &s);

// The smallest client area (twips) at which the header bands, their buttons
// and links and the footer chain do not overlap, with room for the columns.
// Takes the design sizes and visibilities of m (captions measured).
QSizeF minimumClientSize(const MainLayout &m);

// Lays out the columns from x, the splitter's left edge. With the panel shown
// x is raised to a screen width / 8 minimum; it never exceeds 7680.
void arrangeColumns(MainLayout &s, double x);

// Main splitter drag; mouseX is the pointer's x relative to the handle, twips.
// The bar stays 800 inside either window edge; the release lays the columns
// out from the bar (and so still honours the columns' minimum and maximum).
void mainSplitterDown(MainLayout &s);
void mainSplitterMove(MainLayout &s, double mouseX);
void mainSplitterUp(MainLayout &s);

// Report splitter drag: the bar stays 1000 inside the work area; a release
// left of 2000 snaps to 2000, one right of scale width - 1400 snaps back there.
void reportSplitterDown(MainLayout &s);
void reportSplitterMove(MainLayout &s, double mouseX);
void reportSplitterUp(MainLayout &s);

// Load-time placement of the accounting-period label and the alert button,
// from the operator label's current position.
void placePeriodLabel(MainLayout &s, bool displayPeriod);

// Shows or hides the navigation panel (Button21) and lays the columns out
// again from the splitter. Returns the new visibility: true means Button21
// shows the "hide" picture Img(6), false the "show" picture Img(7).
bool navPanelToggle(MainLayout &s);

// Twips <-> pixels at the given dots per inch (1440 twips per inch).
double twipsToPixelsF(double twips, double dpi);
int twipsToPixels(double twips, double dpi);
double pixelsToTwips(double pixels, double dpi);
// Edges are rounded, not sizes, so touching rectangles stay touching.
QRect toPixels(const Rect &r, double dpi);
Rect fromPixels(const QRect &r, double dpi);

} // namespace workspace

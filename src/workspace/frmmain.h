#pragma once
// The main workspace window: header bands with the operator, period and the
// leave / lock / help buttons, the navigation panel with one item per module
// catalog and a column of menu buttons per catalog, the work area with the
// home area, host areas and the tab strip and the footer links. What the
// header's buttons do, and the lock screen, are hosting's (IMenuRunner). Its geometry is a workspace::MainLayout in twips, laid out by the
// rules of layout.h and copied onto the controls once per pass. One job per
// source file: frmmain.cpp (the form, layout passes, events), frmmain_design.cpp
// (its controls), frmmain_catalogs.cpp (what it loads), frmmain_host.cpp (the
// work area for hosting), frmmain_pilot.cpp (process maps), idleclock.h.
#include "components/archive.h"
#include "core/imainwindow.h"
#include "core/imenurunner.h"
#include "core/iworkspacehost.h"
#include "workspace/layout.h"
#include "workspace/pilotview.h"
#include "workspace/storedfilecache.h"

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class kxArrow;
class kxImageButton;
class kxLinkLabel;
class kxNavItem;
class kxNavPanel;
class kxPilot;
class kxShadowLabel;
class kxVSTab;
class PictureBox;
class RecordSet;
class Session;
namespace workspace {
class FunctionLauncher;
class IdleClock;
class FunctionSearchBox;
class FunctionShortcutsPanel;
} // namespace workspace

class frmMain : public QWidget, public bMain::IMainWindow, public IWorkspaceHost
{
    Q_OBJECT
public:
    explicit frmMain(Session &session, QWidget *parent = nullptr);
    ~frmMain() override;

    // Function launch and hosting; without one a button only shows where the operator is.
    void setMenuRunner(IMenuRunner *runner) { m_menuRunner = runner; }
    IMenuRunner *menuRunner() const { return m_menuRunner; }

    // bMain::IMainWindow
    QWidget *widget() override { return this; }
    // Builds the window from the configuration, the database and the
    // per-user settings. Errors are reported here; the window still opens.
    void load() override;
    // Fills the screen's available area and shows the window maximised.
    void showWorkspace() override;
    void setAlertButton(bool active, bool switchedOn) override;
    void release() override;

    // One layout pass over the whole window (the resize rules).
    void Form_Resize();
    // Lays the columns out from x, the splitter's left edge, in twips.
    void ArrangeColumns(double x);

    // The menu buttons of a catalog, and the press of the remembered one.
    void LoadCatalogButtons(const QString &catalog);
    // The icon stored for a menu code (type 1), through the local icon cache;
    // a null picture when there is none or it cannot be read (logged).
    QPixmap LoadMenuIcon(const QString &code, int type);
    // true: removes the menu buttons But(1..); false: the process-map boxes
    // and arrows kxPilot(1..) and kxArrow(1..). Element 0 stays.
    void ClearDynamicControls(bool buttons);
    // The process map stored for a catalog entry, drawn in the home area:
    // true when the map was read to its end; false when there is none, it is
    // not XML ("读取导航窗口文件时格式错误！") or an error stopped the load
    // ("加载导航窗口文件，原因：" + description; the elements before it stay).
    bool LoadPilotMap(const QString &code);
    void kxPilot_Click(int index);

    void But_Click(int index);
    void ImgBtn_Click(int index);
    void lnklbl_LinkClick(int index);
    void Button21_Click();

    // IWorkspaceHost: what function launch and hosting may do with the window.
    QWidget *window() override { return this; }
    QString activeCatalogCaption() const override;
    void setLocation(const QString &text) override;
    bool periodLabelVisible() const override;
    void setPeriodLabel(const QString &text) override;
    void showWait(const QString &caption) override;
    void hideWait() override;
    void showHome() override;
    void loadPilotMap(const QString &menuCode) override;
    QWidget *reportArea() override;
    void refreshHomeTab() override;
    int addTab(const QString &caption, const QString &key) override;
    int tabCount() const override;
    int activeTab() const override;
    void activateTab(int index) override;
    QString tabKey(int index) const override;
    void removeTab(int index) override;
    QString tabCaption(int index) const override;
    int addHostArea() override;
    QWidget *hostArea(int index) const override;
    int currentHostIndex() const override { return m_currentHostIndex; }
    void setCurrentHost(int index, QWidget *component) override;
    void showHostArea(int index) override;

    // The tab strip's events: the home tab shows the home area, a function tab its host area.
    void kxVSTab_TabActivated(int index);
    void kxVSTab_TabDeactivated(int index);

    // The tab menu's closes; each goes the way of the tab's close button (the
    // component is asked about unsaved work, cleared and removed). The home tab stays.
    enum class TabClose { This, Others, All, ToTheRight };
    void closeTabs(TabClose which, int index);
    // The next (or previous) tab, round the strip: Ctrl+Tab and Ctrl+Shift+Tab.
    void stepTab(int step);

    // Whether hosting's lock screen covers the window.
    bool isLocked() const;
    // The theme's picture file for the lock screen's panel ("" when it brings none).
    QString lockPanelFile() const { return m_lockPanelFile; }
    // The idle lock's clock: one step with the time since the last input
    // (the window's timer calls it; tests call it with the time they need).
    void idleTick(qint64 idleMs);
    int idleLockMinutes() const;
    const workspace::MainLayout &layoutModel() const { return m_layout; }
    // Dots per inch the twips are converted with (the window's screen).
    double dpi() const;

    // The controls, by their names in the window (element numbers as index).
    QList<PictureBox *> Panel;                 // 0 header, 1 second header, 2 footer
    QList<kxShadowLabel *> lbl;                // 0 operator, 1 location, 2 accounting period
    QList<kxImageButton *> ImgBtn;             // 0 leave, 1 lock, 2 help, 5 alerts (3 and 4: the lock screen's, null here)
    QList<kxLinkLabel *> lnklbl;               // 0 web, 1 support, 2 mail, 3 password, 4 about, 5 alerts
    kxLinkLabel *lnkMessage = nullptr;
    QList<PictureBox *> Img;                   // 0 logo, 1 title, 3..5 footer icons, 6/7 Button21's pictures
    QList<kxShadowLabel *> lblProductName_B;
    kxShadowLabel *lblDatabase = nullptr;   // company and database, marked for a copy
    kxNavPanel *NavPanel = nullptr;
    QWidget *NavContainer = nullptr;
    PictureBox *imgSplitter = nullptr;
    PictureBox *picSplitter = nullptr;
    PictureBox *PicMain = nullptr;
    PictureBox *PicTable = nullptr;
    QList<PictureBox *> picHolder;
    ::kxVSTab *kxVSTab = nullptr;
    PictureBox *PicRpt = nullptr;
    PictureBox *imgSplitter_c = nullptr;
    PictureBox *picSplitter_c = nullptr;
    PictureBox *picWait = nullptr;
    kxShadowLabel *ShadowLabel1 = nullptr;
    QList<kxImageButton *> But;                // 0 the hidden template
    QList<::kxPilot *> kxPilot;                // process-map boxes, 0 the hidden template
    QList<::kxArrow *> kxArrow;                // process-map arrows, 0 the hidden template
    kxImageButton *Button21 = nullptr;
    zLibControl zLibControl1;

    // The component hosted last (its host area is currentHostIndex()).
    QPointer<QWidget> moControl;
    kxImageButton *ImgRpt0 = nullptr; // the report buttons' hidden template

    // The function search of the header (Ctrl+F) and the pinned and recent
    // functions of the home area, over the operator's functions.
    workspace::FunctionLauncher *functions = nullptr;
    workspace::FunctionSearchBox *txtFunctionSearch = nullptr;
    workspace::FunctionShortcutsPanel *picFunctions = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void buildHeader();
    void buildNavigation();
    void buildWorkArea();
    void buildFooter();

    void loadSteps();
    void loadCatalogs(RecordSet &rows);
    void loadImages();
    void executeMenu(const QString &code, bool &inEditWindow, bool &executed);

    // Design sizes the rules read from the controls (captions' widths).
    void takeDesignSizes();
    // The window's minimum size from the layout's (workspace::minimumClientSize).
    void applyMinimumSize();
    void syncHosting();
    // Copies the model's rectangles onto the controls.
    void applyLayout();

    void unloadSettings();
    // The location and status lines of the tab now shown.
    void showTabTexts(const QString &location, const QString &status);

    Session &m_session;
    IMenuRunner *m_menuRunner = nullptr;
    int m_currentHostIndex = 0;
    void renewClosedHostAreas();
    workspace::MainLayout m_layout;
    workspace::StoredFileCache m_iconCache;
    workspace::PilotMapCache m_pilotCache;
    workspace::PilotPictures m_pilotPictures;
    QString m_lockPanelFile;
    workspace::IdleClock *m_idle = nullptr;
    bool m_unloaded = false;
    // What the location and status lines said for each function tab (by lower-case key) and for the home tab.
    struct TabTexts {
        QString location, status;
    };
    QHash<QString, TabTexts> m_tabTexts;
    QString m_homeLocation, m_homeStatus;
    // A catalog without a map shows its functions as links (lnkFunction1..).
    QList<kxLinkLabel *> m_functionLinks;
    bool m_pilotNoMap = false; // the last LoadPilotMap found no map stored
};

#pragma once
// The main window as function launch and hosting see it: the location and
// period labels, the wait panel, the home area with its process map and report
// column, the tab strip of open functions and their host areas. The workspace
// implements it; hosting never reaches the window's controls otherwise.
#include <QString>

class QWidget;

class IWorkspaceHost
{
public:
    virtual ~IWorkspaceHost() = default;
    // The main window itself: owner of edit windows and modal displays.
    virtual QWidget *window() = 0;
    // Caption of the navigation panel's active catalog ("" when none).
    virtual QString activeCatalogCaption() const = 0;
    virtual void setLocation(const QString &text) = 0;
    virtual bool periodLabelVisible() const = 0;
    virtual void setPeriodLabel(const QString &text) = 0;
    // The wait panel with its caption, in front, drawn at once; hideWait hides it.
    virtual void showWait(const QString &caption) = 0;
    virtual void hideWait() = 0;

    // The home area: shown and in front, the home tab active, the current host area hidden.
    virtual void showHome() = 0;
    // The process map of a catalog entry in the home area.
    virtual void loadPilotMap(const QString &menuCode) = 0;
    // Where report buttons go: the column of the home area; its first child
    // button named "ImgRpt0" is the template.
    virtual QWidget *reportArea() = 0;
    virtual void refreshHomeTab() = 0;

    // Tabs, numbered from 1 (tab 1 is the home tab); keys are "menu code-counter".
    virtual int addTab(const QString &caption, const QString &key) = 0;
    virtual int tabCount() const = 0;
    virtual int activeTab() const = 0;
    // Makes a tab the active one, as a click on it does.
    virtual void activateTab(int index) = 0;
    virtual QString tabKey(int index) const = 0;
    virtual void removeTab(int index) = 0;
    virtual QString tabCaption(int index) const = 0;
    // Host areas picHolder(0..upper bound); a new one lies over the last, hidden, and the home area hides.
    virtual int addHostArea() = 0;
    virtual QWidget *hostArea(int index) const = 0;
    // The host area shown last and the component hosted there last (moControl).
    virtual int currentHostIndex() const = 0;
    virtual void setCurrentHost(int index, QWidget *component) = 0;
    // Shows a host area in front, focused, and lays its component out.
    virtual void showHostArea(int index) = 0;
};

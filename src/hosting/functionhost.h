#pragma once
// Function launch and hosting in the main window: ExecuteMenu, the tab loader
// LoadHostedComponent, the components' messages, the closing of function tabs,
// ClearControl, the report buttons of a catalog, the alert window, and the
// header's buttons with the lock screen. It reaches the main window only
// through IWorkspaceHost.
#include "core/imenurunner.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariantList>

#include <cstdint>
#include <functional>

class IBusinessComponent;
class LockScreen;
class IWorkspaceHost;
class Session;
class kxImageButton;
class QWidget;

class FunctionHost : public QObject, public IMenuRunner
{
    Q_OBJECT
public:
    FunctionHost(Session &session, IWorkspaceHost &host, QObject *parent = nullptr);
    ~FunctionHost() override;

    void ExecuteMenu(const QString &code, bool &inEditWindow, bool &executed) override;
    bool openAlertWindow() override;
    void ClearControl(QObject *component) override;
    void closeFunctionTab(int tabIndex) override;
    // The functions of the tabs (menu codes in tab order, and the active one) are
    // kept per operator in the per-user settings, section "lasttabs"; after the
    // login reopenLastFunctions() opens them again through ExecuteMenu, as the
    // per-user choice "main/reopentabs" says: "never", "ask" (the default) or
    // "always". Codes that are gone or that the operator may not run are left out.
    void rememberOpenFunctions() override;
    // "以下单据尚未保存：…。确定要退出吗？" (Yes / No, No the default) when a
    // tab's component or an edit window holds unsaved work; nothing asked otherwise.
    bool confirmQuit() override;
    void reopenLastFunctions();

    // 0 and 4 close the main window (the unload asks nothing more), 1 locks
    // the screen, 2 shows the help contents, 3 unlocks, 5 opens the alert window.
    void headerButtonClick(int index) override;
    bool isLocked() const override;
    void setLockPanelPicture(const QString &file) override;
    // The lock screen over the main window (made when first needed).
    LockScreen *lockScreen();

    void LoadHostedComponent(int32_t programNumber, int32_t catalog, const QString &menuName, bool &loaded);
    void LoadReportMenu(const QString &menuCode, bool &done);

    // The plug-in list of catalog 50 (program 100027) and the add-ins of catalog 230,
    // wired by the composition root. Without them the plug-in list is an empty
    // window of its caption and an add-in only writes a log line.
    std::function<void(int32_t operationId, const QString &caption, QWidget *owner)> openPluginList;
    std::function<void(int32_t programNumber, const QString &systemCode, const QString &menuName)> runAddIn;

    int32_t tabCounter() const { return m_tabCounter; }
    bool unloadFlag() const { return m_unload; }
    // The report buttons ImgRpt(1..) of the catalog shown last.
    const QList<QPointer<kxImageButton>> &reportButtons() const { return m_reports; }
    // The hosted control of host area n, or nullptr.
    QWidget *component(int hostIndex) const;

private Q_SLOTS:
    void moControl_ObjectEvent(const QString &name, const QVariantList &params);

private:
    void runFunction(const QString &code, int32_t programNumber, double catalog, const QString &menuName,
                     const QString &systemCode, bool &inEditWindow);
    static int32_t vbconvCatalog(double value);
    void closeActiveTab();
    void removeTabComponent(int tabIndex);

    Session &m_session;
    IWorkspaceHost &m_host;
    int32_t m_tabCounter = 0;
    bool m_unload = false;
    bool m_askingQuit = false;
    QList<QPointer<QWidget>> m_controls; // the hosted controls, named n + "edit"
    QList<QPointer<kxImageButton>> m_reports;
    QPointer<LockScreen> m_lock;
    QString m_lockPicture;
};

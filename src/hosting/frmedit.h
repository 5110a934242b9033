#pragma once
// The edit window: a window of its own, owned by the main window, hosting one
// business component in its host area, with a status bar of four keyed panels
// ("msg", "date", "user", "period").
#include <QHash>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <cstdint>

class IBusinessComponent;
class QLabel;
class QStatusBar;
class Session;
class IWorkspaceHost;

class frmEdit : public QWidget
{
    Q_OBJECT
public:
    // host (may be nullptr) is the main window the edit window belongs to.
    frmEdit(Session &session, QWidget *owner, IWorkspaceHost *host = nullptr);
    ~frmEdit() override;

    // Loads the component and shows the window; false when it did not come up
    // (the window is then closed). The caller maximises it on true.
    bool Py_Init(int32_t programNumber, const QString &caption, int32_t catalog, const QVariant &parameter,
                 const QVariant &dataObject, int32_t openMode);
    void ShowStatus(const QString &text, int kind);
    void LoadComponent(int32_t programNumber, int32_t catalog, bool &loaded);
    // The data object as the component handed it back from its Py_Init.
    QVariant dataObject() const { return m_dataObject; }

    QWidget *picHolder = nullptr;
    QStatusBar *statusBar = nullptr;
    QPointer<QWidget> moControl;
    QString panelText(const QString &key) const;
    bool unloadFlag() const { return m_unload; }
    QVariant parameter() const { return m_parameter; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private Q_SLOTS:
    void moControl_ObjectEvent(const QString &name, const QVariantList &params);

private:
    void unloadComponent();

    Session &m_session;
    IWorkspaceHost *m_host;
    QHash<QString, QLabel *> m_panels;
    IBusinessComponent *m_component = nullptr;
    int32_t m_programNumber = 0;
    int32_t m_catalog = 0;
    QString m_caption;
    QVariant m_parameter;
    QVariant m_dataObject;
    int32_t m_openMode = 0;
    bool m_unload = false;
    bool m_closed = false;
    bool m_inInit = false;
};

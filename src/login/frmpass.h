#pragma once
// The modal window in which the logged-in operator changes his own password.
// It never sees the stored password: the operator object answers whether there
// is one and whether a typed text matches it, and stores the change itself.
// The outcome goes to the message writer; the window's own boxes only say what
// the operator must type differently.
#include <QDialog>
#include <QList>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class Session;
class Operator;

class frmPass : public QDialog
{
    Q_OBJECT
public:
    explicit frmPass(Session &session, QWidget *parent = nullptr);
    ~frmPass() override;

    // Operation id and caption written into the exit and change records.
    bool Py_Init(int operationId, const QString &caption);
    int operationId() const { return m_operationId; }
    QString caption() const { return m_caption; }

    // The save routine (CmdOK).
    void CmdOK_Click();
    void CmdClose_Click();

    // The controls, by their names in the window.
    QList<QLabel *> lbl; // 0: advice line, 1: heading
    QLabel *LblUser = nullptr;
    QLineEdit *USER = nullptr;
    QLabel *LblOldPass = nullptr;
    QLineEdit *Oldpassword = nullptr;
    QLabel *LblNewPass = nullptr;
    QLineEdit *newpassword = nullptr;
    QLabel *lblConfirm = nullptr;
    QLineEdit *newpasswordagain = nullptr;
    QLabel *LblHint = nullptr;
    QLineEdit *hint = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdClose = nullptr;
    QFrame *Shape1 = nullptr;
    QFrame *Line3 = nullptr;
    QFrame *Line4 = nullptr;

    // The box colours: the window colour for a box that takes input, the
    // active-border colour for one that does not.
    QColor windowColour() const;
    QColor activeBorderColour() const;

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    Session &m_session;
    void buildUi();
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void Oldpassword_Change();
    void setBoxState(QLineEdit *box, bool enabled);
    Operator *currentOperator();

    int m_operationId = 0;
    QString m_caption;
    bool m_unloaded = false;
};

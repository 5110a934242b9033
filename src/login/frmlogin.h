#pragma once
// The modal login window: operator name, password and operating date. It shows
// no message box of its own: its complaints go to the message writer (level 4).
#include <QDialog>
#include <QFont>
#include <QList>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Session;
class QSpinBox;
class Encryption;

class frmLogin : public QDialog
{
    Q_OBJECT
public:
    explicit frmLogin(Session &session, QWidget *parent = nullptr);
    ~frmLogin() override;

    // The OK routine (also run by Enter in the password box).
    void XPCmdOk_Click();
    void XPCmdCancel_Click();

    // The controls, by their names in the window.
    QComboBox *CobUser = nullptr;
    QLineEdit *Txt2 = nullptr; // the password box (element 2 of the text-box array)
    QSpinBox *Spinner[3] = {nullptr, nullptr, nullptr};
    QCheckBox *chkRemberme = nullptr;
    QPushButton *XPCmdOk = nullptr;
    QPushButton *XPCmdCancel = nullptr;
    QLabel *lblMess = nullptr;
    QList<QLabel *> lblProductName_B;
    QLabel *Image1 = nullptr;

    // The window's font made from the program's: one face with both the Chinese and the
    // Latin letters where the system has it and, on FreeType, no hinting.
    static QFont windowFont(QFont programFont);

    // 1: typed name only (no list); 0: a list of names.
    int comboMode() const { return m_comboMode; }
    int loginUserStyle() const { return m_style; }

protected:
    void showEvent(QShowEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void reject() override;

private:
    Session &m_session;
    void buildUi();
    void Form_Load();
    void Form_Activate();
    void Spinner_Change(int index);
    void CobUser_Change(const QString &text);
    int parameterNumber(int system, const QString &name) const;

    std::unique_ptr<Encryption> m_encryption;
    int m_comboMode = 0;
    int m_style = 0;
    int m_userCount = 0;
    bool m_done = false;
    bool m_inSpinnerChange = false;
    QString m_rememberedPassword; // loaded from the settings, for m_rememberedFor only
    QString m_rememberedFor;
};

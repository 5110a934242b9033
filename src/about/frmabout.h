#pragma once
// The about window: product title, version with the edition and the installed
// version mark, installation folder, upgrade site, maker line, file
// description with the SQL Server edition, legal lines and logo. It can start
// the system-information tool.
#include <QDialog>
#include <QList>

class QFrame;
class QLabel;
class QPushButton;
class kxLinkLabel;
class Session;

class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(Session &session, QWidget *parent = nullptr);
    ~frmAbout() override;

    // Opens an address (web, mail or file) with the desktop's handler. Returns
    // the shell's result code: greater than 32 when it was handed on.
    static int OpenURL(const QString &address);
    // Starts the system-information tool named in the registry, or says it is not available.
    void StartSysInfo();

    // The program's version resource (what Windows keeps in the executable).
    static QString fileDescription();
    static QString legalCopyright();
    static QString legalTrademarks();

    // The maker line the window is built with; a site's own build names its maker here.
    static QString makerLine();
    static void setMakerLine(const QString &text); // empty restores the built-in line

    // The controls, by their names in the window.
    QList<QLabel *> lblTitle; // 0: the shadow (one pixel lower), 1: the title
    QLabel *ImgLogo = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblPath = nullptr;
    kxLinkLabel *dlnkPath = nullptr;
    kxLinkLabel *dlnkWeb = nullptr;
    QLabel *lblProduct = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QLabel *Image1 = nullptr;
    QFrame *lineButtons = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *cmdInfo = nullptr;
    QPushButton *cmdDiag = nullptr;

    // The diagnostics page's text, and the page itself (copy puts it all on the clipboard).
    QString diagnosticsText() const;
    void showDiagnostics();

    // Whether ImgLogo shows the built-in picture (not a configured one).
    bool builtInLogo() const { return m_builtInLogo; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    Session &m_session;
    void buildUi();
    void Form_Load();
    void dlnkPath_Click(const QString &link);

    bool m_builtInLogo = true;
};

#pragma once
// The splash window shown after the login while the main window loads. It
// closes itself when Timer1 fires.
#include <QList>
#include <QWidget>

class QLabel;
class QTimer;
class Session;

class frmSplash : public QWidget
{
    Q_OBJECT
public:
    // Reads what it shows from the session once, when it is made.
    explicit frmSplash(Session &session, QWidget *parent = nullptr);

    struct CaptionSize {
        int labelHeight;
        double pointSize;
    };
    // The caption's label height (pixels) and font size by its number of characters.
    static CaptionSize captionSizeFor(int length);

    QLabel *Img = nullptr;
    QList<QLabel *> lblProductName_B;
    QLabel *lblLicenseTo = nullptr;
    QLabel *lblCopyright = nullptr;
    QLabel *lblVersion = nullptr;
    QTimer *Timer1 = nullptr;
    bool backgroundLoaded() const { return m_backgroundLoaded; }

private:
    void Form_Load(Session &session);
    void Timer1_Timer();
    bool m_backgroundLoaded = false;
};

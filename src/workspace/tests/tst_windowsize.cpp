// The main window's sizes on a desktop-sized screen (1600 x 900, headless):
// maximised at first, most of the screen when the operator leaves that state,
// and a minimum at which the header bands and the footer do not overlap.
#include "core/session.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxnavpanel.h"
#include "components/kx/kxshadowlabel.h"
#include "workspace/frmmain.h"
#include "components/kx/picturebox.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"
#include "workspace_helper.h"

using wstest::Site;

class tst_WindowSize : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void minimumAndNormalSize();

private:
    wstest::RecordingRunner m_runner;
};

// Shown maximised; left, it takes most of the screen, never the whole; and it
// cannot be made so small that the bands' contents run into one another.
void tst_WindowSize::minimumAndNormalSize()
{
    Site site(QStringLiteral("主窗体测试"));
    QVERIFY2(site.ok() && site.open(), qPrintable(site.error()));
    frmMain w(testsupport::session());
    w.setMenuRunner(&m_runner);
    w.load();
    w.showWorkspace();
    const QRect avail = w.screen()->availableGeometry();
    QVERIFY(w.minimumWidth() > 400 && w.minimumHeight() > 200);
    QVERIFY(w.minimumWidth() <= avail.width() && w.minimumHeight() <= avail.height());
    const QRect normal = w.normalGeometry();
    const QString sizes = QStringLiteral("%1x%2 min %3x%4 avail %5x%6").arg(normal.width()).arg(normal.height())
                              .arg(w.minimumWidth()).arg(w.minimumHeight()).arg(avail.width()).arg(avail.height());
    QVERIFY2(normal.height() < avail.height(), qPrintable(sizes));
    QVERIFY2(normal.width() < avail.width(), qPrintable(sizes));
    QVERIFY2(normal.center() == avail.center() || qAbs(normal.center().y() - avail.center().y()) <= 1, qPrintable(sizes));
    QVERIFY(normal.width() >= w.minimumWidth() && normal.height() >= w.minimumHeight());

    w.showNormal();
    w.resize(w.minimumSize());
    w.Form_Resize();
    auto rightOf = [](QWidget *left, QWidget *right) { return left->geometry().right() < right->geometry().left(); };
    QVERIFY(rightOf(w.Img[1], w.ImgBtn[0]));
    QVERIFY(rightOf(w.ImgBtn[0], w.ImgBtn[1]) && rightOf(w.ImgBtn[1], w.ImgBtn[2]));
    QVERIFY(w.ImgBtn[2]->geometry().right() < w.Panel[0]->width());
    QVERIFY(rightOf(w.Button21, w.lbl[w.lbl[2]->isVisible() ? 2 : 0]));
    QVERIFY(rightOf(w.lbl[0], w.ImgBtn[5]->isVisible() ? static_cast<QWidget *>(w.ImgBtn[5]) : w.lnklbl[3]));
    QVERIFY(rightOf(w.lnklbl[3], w.lnklbl[4]) && w.lnklbl[4]->geometry().right() < w.Panel[1]->width());
    QVERIFY(rightOf(w.lnkMessage, w.Img[3]) && rightOf(w.lnklbl[0], w.Img[5]) && rightOf(w.lnklbl[1], w.Img[4]));
    QVERIFY(w.lnklbl[2]->geometry().right() < w.Panel[2]->width());
    QVERIFY(w.NavPanel->geometry().bottom() < w.Panel[2]->geometry().top() + 1);
    QVERIFY(w.PicMain->width() > 0);
    // A picture of the window at its minimum for whoever checks the look.
    if (const QString shots = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR"); !shots.isEmpty())
        w.grab().save(shots + QStringLiteral("/main-window-minimum.png"));
    w.close();
}

int main(int argc, char **argv)
{
    // The headless platform's own screen (800 x 800) is narrower than the window's minimum.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    testsupport::writeFile(config, "{\"screens\": [{\"name\": \"desk\", \"x\": 0, \"y\": 0, \"width\": 1600, \"height\": 900,"
                                   " \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    QApplication app(argc, argv);
    tst_WindowSize test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowsize.moc"

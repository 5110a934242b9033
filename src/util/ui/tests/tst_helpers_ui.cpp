#include "util/ui/bchm.h"
#include "util/ui/clsshowmodal.h"
#include "util/ui/mscreen.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "testsupport.h"

namespace {

class Painted : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(10, 120, 200));
        p.fillRect(QRect(0, 0, 10, 10), QColor(250, 20, 30));
    }
};

} // namespace

class tst_HelpersUi : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showModal_data();
    void showModal();
    void showModalChildOfOwner();
    void showModalHiddenAtOnce();
    void capture_data();
    void capture();
    void helpContents();
};

void tst_HelpersUi::showModal_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("hidden") << "hide";
    QTest::newRow("closed") << "close";
    QTest::newRow("deleted") << "delete";
    QTest::newRow("deleted later") << "deleteLater";
}

void tst_HelpersUi::showModal()
{
    QFETCH(QString, ending);
    QWidget owner;
    owner.resize(300, 200);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QPointer<QWidget> window = new QWidget;
    window->resize(120, 80);

    // The showing ends once a timer elsewhere in the program has run five times
    // during it: events keep running while the window is shown.
    int ticks = 0;
    bool ownerDisabledDuring = false;
    bool windowShownDuring = false;
    int ticksBeforeEnd = 0;
    QTimer elsewhere;
    connect(&elsewhere, &QTimer::timeout, [&] {
        if (++ticks != 5)
            return;
        ownerDisabledDuring = !owner.isEnabled();
        windowShownDuring = window && window->isVisible() && window->isEnabled();
        ticksBeforeEnd = ticks;
        if (ending == "hide")
            window->hide();
        else if (ending == "close")
            window->close();
        else if (ending == "delete")
            delete window.data();
        else
            window->deleteLater();
    });
    elsewhere.start(1);
    // Should the wait never end, this ends it and the test fails below.
    bool watchdog = false;
    QTimer::singleShot(10000, [&] {
        watchdog = true;
        delete window.data();
    });

    clsShowModal modal;
    modal.ShowModal(window, &owner);

    QVERIFY(!watchdog);
    QVERIFY(ownerDisabledDuring);
    QVERIFY(windowShownDuring);
    QVERIFY2(ticksBeforeEnd >= 5, qPrintable(QString::number(ticksBeforeEnd)));
    QVERIFY(owner.isEnabled());
    QVERIFY(!modal.isShowing());
    if (ending == "hide" || ending == "close") {
        QVERIFY(window);
        QVERIFY(!window->isVisible());
    }
    delete window.data();
}

void tst_HelpersUi::showModalChildOfOwner()
{
    // A window that is a Qt child of the owner must not be disabled with it.
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    auto *window = new QWidget(&owner, Qt::Window);
    bool usable = false;
    // Runs in the showing's first round of events, with the window up.
    QTimer::singleShot(0, [&] {
        usable = window->isEnabled() && window->isVisible() && !owner.isEnabled();
        window->hide();
    });
    clsShowModal().ShowModal(window, &owner);
    QVERIFY(usable);
    QCOMPARE(window->parentWidget(), &owner);
    QVERIFY(window->isWindow());
    QVERIFY(owner.isEnabled());
}

void tst_HelpersUi::showModalHiddenAtOnce()
{
    // A window that hides itself while being shown ends the showing at once.
    class SelfHiding : public QWidget
    {
    protected:
        void showEvent(QShowEvent *) override { QTimer::singleShot(0, this, &QWidget::hide); }
    };
    QWidget owner;
    owner.show();
    SelfHiding window;
    clsShowModal().ShowModal(&window, &owner);
    QVERIFY(owner.isEnabled());
    QVERIFY(!window.isVisible());

    clsShowModal().ShowModal(nullptr, &owner);
    QVERIFY(owner.isEnabled());
}

void tst_HelpersUi::capture_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("whole") << QRect(0, 0, 100, 80) << QPoint(50, 50) << QColor(10, 120, 200);
    QTest::newRow("corner") << QRect(0, 0, 100, 80) << QPoint(5, 5) << QColor(250, 20, 30);
    QTest::newRow("offset") << QRect(5, 5, 20, 20) << QPoint(0, 0) << QColor(250, 20, 30);
    QTest::newRow("offset past the corner") << QRect(5, 5, 20, 20) << QPoint(10, 10) << QColor(10, 120, 200);
    QTest::newRow("partly outside, inside part") << QRect(90, 70, 20, 20) << QPoint(5, 5) << QColor(10, 120, 200);
    QTest::newRow("partly outside, outside part") << QRect(90, 70, 20, 20) << QPoint(15, 15) << QColor(Qt::transparent);
}

void tst_HelpersUi::capture()
{
    QFETCH(QRect, area);
    QFETCH(QPoint, probe);
    QFETCH(QColor, colour);
    Painted w;
    w.resize(100, 80);
    const QPixmap pic = MScreen::CaptureWindow(&w, true, area.x(), area.y(), area.width(), area.height());
    QCOMPARE(pic.deviceIndependentSize().toSize(), area.size());
    const QImage img = pic.toImage();
    const QColor got = img.pixelColor(probe * pic.devicePixelRatio());
    QCOMPARE(got.rgba(), colour.rgba());

    QVERIFY(MScreen::CaptureWindow(&w, true, 0, 0, 0, 10).isNull());
    QVERIFY(MScreen::CaptureWindow(nullptr, true, 0, 0, 10, 10).isNull());
}

void tst_HelpersUi::helpContents()
{
    testsupport::RecordingUi ui;
    QStringList opened;
    bCHM::setHelpOpener([&](const QString &file) {
        opened << file;
        return true;
    });

    bCHM::ShowHelpContents(QString());
    QTemporaryDir dir;
    bCHM::ShowHelpContents(dir.filePath("zenlo.chm"));
    bCHM::ShowHelpContents(dir.path()); // a folder is no help file
    QCOMPARE(ui.boxes.size(), 3);
    QCOMPARE(ui.boxes[0].text, QStringLiteral("无法显示帮助目录，该工程没有相关联的帮助。"));
    QCOMPARE(ui.boxes[1].text, QStringLiteral("无法显示帮助目录，没有找到该工程相关联的帮助文件。"));
    QCOMPARE(ui.boxes[2].text, ui.boxes[1].text);
    for (const auto &box : ui.boxes) {
        QCOMPARE(box.title, QStringLiteral("提示:"));
        QCOMPARE(box.icon(), int(ui::Information));
    }
    QVERIFY(opened.isEmpty());

    QVERIFY(testsupport::writeFile(dir.filePath("zenlo.chm"), "ITSF"));
    bCHM::ShowHelpContents(dir.filePath("zenlo.chm"));
    QCOMPARE(ui.boxes.size(), 3);
    QCOMPARE(opened, QStringList{dir.filePath("zenlo.chm")});

    // A desktop without a handler for the file: the operator is told, with the file.
    bCHM::setHelpOpener([](const QString &) { return false; });
    bCHM::ShowHelpContents(dir.filePath("zenlo.chm"));
    QCOMPARE(ui.boxes.size(), 4);
    QCOMPARE(ui.boxes[3].text, QStringLiteral("无法显示帮助文件：") + dir.filePath("zenlo.chm") + QStringLiteral("\n系统中没有可以打开它的程序。"));
    QCOMPARE(ui.boxes[3].title, QStringLiteral("提示:"));
    bCHM::setHelpOpener({});
}

QTEST_MAIN(tst_HelpersUi)
#include "tst_helpers_ui.moc"

// The process-map controls: where an arrow puts its head, what colour values
// mean, where a box puts its picture and caption, and how it is pressed.
#include "components/kx/kxarrow.h"
#include "components/kx/kxpilot.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {

// The widest the arrow's colour gets across the arrow within a stretch of its
// length (0..1 of the breadth): a head is broad, a line or shaft narrow.
double breadthInked(const QImage &image, int from, int to, bool horizontal)
{
    double widest = 0;
    const int breadth = horizontal ? image.height() : image.width();
    for (int i = from; i <= to; ++i) {
        int on = 0;
        for (int j = 0; j < breadth; ++j) {
            const QColor c = horizontal ? image.pixelColor(i, j) : image.pixelColor(j, i);
            if (c.red() > 150 && c.green() < 100 && c.blue() < 100)
                ++on;
        }
        widest = std::max(widest, double(on) / breadth);
    }
    return widest;
}

QImage drawn(QWidget &w)
{
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

class tst_kxPilotArrow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void arrowHead_data();
    void arrowHead();
    void windowsColor_data();
    void windowsColor();
    void boxLayout_data();
    void boxLayout();
    void boxPress();
    void states();
};

void tst_kxPilotArrow::arrowHead_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("appearance");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("heads"); // which ends carry a head: "end", "start", "both", "none"
    QTest::newRow("right") << 0 << 0 << QSize(120, 14) << "end";
    QTest::newRow("left") << 1 << 0 << QSize(120, 14) << "start";
    QTest::newRow("down") << 2 << 0 << QSize(14, 120) << "end";
    QTest::newRow("up") << 3 << 0 << QSize(14, 120) << "start";
    QTest::newRow("left and right") << 4 << 0 << QSize(120, 14) << "both";
    QTest::newRow("up and down") << 5 << 0 << QSize(14, 120) << "both";
    QTest::newRow("segment") << 6 << 0 << QSize(120, 14) << "none";
    QTest::newRow("vertical segment") << 7 << 0 << QSize(14, 120) << "none";
    QTest::newRow("unknown points right") << 99 << 0 << QSize(120, 14) << "end";
    QTest::newRow("block arrow right") << 0 << 1 << QSize(120, 30) << "end";
    QTest::newRow("block arrow up") << 3 << 1 << QSize(30, 120) << "start";
}

void tst_kxPilotArrow::arrowHead()
{
    QFETCH(int, direction);
    QFETCH(int, appearance);
    QFETCH(QSize, size);
    QFETCH(QString, heads);
    kxArrow a;
    a.resize(size);
    a.setForeColor(0x000000FF); // red
    a.setBackColor(0x000000FF);
    a.setArrowDirection(direction);
    a.setAppearance(appearance);
    const QImage image = drawn(a);
    const bool horizontal = size.width() > size.height();
    // The outer quarter of each end against the middle.
    const int length = horizontal ? size.width() : size.height();
    const int q = length / 4;
    const double s = breadthInked(image, 0, q, horizontal);
    const double e = breadthInked(image, length - 1 - q, length - 1, horizontal);
    const double m = breadthInked(image, length / 2 - 5, length / 2 + 5, horizontal);
    QVERIFY2(m > 0.05, "the line or shaft is drawn");
    const bool startHead = s > m * 1.5;
    const bool endHead = e > m * 1.5;
    QCOMPARE(startHead, heads == "start" || heads == "both");
    QCOMPARE(endHead, heads == "end" || heads == "both");
}

void tst_kxPilotArrow::windowsColor_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QColor>("color");
    QPalette p;
    QTest::newRow("red is the low byte") << 0x000000FF << QColor(255, 0, 0);
    QTest::newRow("blue is the third byte") << 0x00FF0000 << QColor(0, 0, 255);
    QTest::newRow("the accent blue") << 0x00B26F1F << QColor(0x1f, 0x6f, 0xb2);
    QTest::newRow("the top byte is ignored") << 0x7F00FF00 << QColor(0, 255, 0);
    QTest::newRow("system: window text") << int(0x80000008u) << p.color(QPalette::WindowText);
    QTest::newRow("system: button face") << int(0x8000000Fu) << p.color(QPalette::Button);
}

void tst_kxPilotArrow::windowsColor()
{
    QFETCH(int, value);
    QFETCH(QColor, color);
    QCOMPARE(kxArrow::windowsColor(value, QPalette()), color);
}

void tst_kxPilotArrow::boxLayout_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("iconSize");
    QTest::addColumn<int>("textAlign");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<bool>("above");
    QTest::addColumn<int>("align");
    QTest::addColumn<int>("drawnIcon");
    QTest::newRow("card: picture above, centred") << QSize(114, 84) << 32 << 2 << false << true << int(Qt::AlignHCenter) << 32;
    QTest::newRow("flat: picture beside") << QSize(220, 44) << 24 << 0 << false << false << int(Qt::AlignLeft) << 24;
    QTest::newRow("right to left swaps left") << QSize(220, 44) << 24 << 0 << true << false << int(Qt::AlignRight) << 24;
    QTest::newRow("right to left swaps right") << QSize(220, 44) << 24 << 1 << true << false << int(Qt::AlignLeft) << 24;
    QTest::newRow("unknown alignment centres") << QSize(114, 84) << 32 << 7 << false << true << int(Qt::AlignHCenter) << 32;
    QTest::newRow("no icon size takes 32") << QSize(114, 84) << 0 << 2 << false << true << int(Qt::AlignHCenter) << 32;
    QTest::newRow("icon no taller than the box") << QSize(300, 30) << 64 << 2 << false << false << int(Qt::AlignHCenter) << 11;
}

void tst_kxPilotArrow::boxLayout()
{
    QFETCH(QSize, size);
    QFETCH(int, iconSize);
    QFETCH(int, textAlign);
    QFETCH(bool, rightToLeft);
    QFETCH(bool, above);
    QFETCH(int, align);
    QFETCH(int, drawnIcon);
    kxPilot b;
    b.resize(size);
    b.setPictureSize(iconSize);
    b.setTextAlign(textAlign);
    b.setRightToLeft(rightToLeft);
    QCOMPARE(b.pictureAbove(), above);
    QCOMPARE(int(b.horizontalAlignment()), align);
    QCOMPARE(b.effectiveIconSize(), drawnIcon);
    QCOMPARE(b.layoutDirection(), rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
}

void tst_kxPilotArrow::boxPress()
{
    QWidget surface;
    surface.resize(400, 200);
    auto *first = new kxPilot(&surface);
    auto *second = new kxPilot(&surface);
    first->setGeometry(10, 10, 114, 84);
    second->setGeometry(150, 10, 114, 84);
    surface.show();
    QVERIFY(QTest::qWaitForWindowExposed(&surface));
    QSignalSpy one(first, &QAbstractButton::clicked);
    QSignalSpy two(second, &QAbstractButton::clicked);
    QTest::mouseClick(first, Qt::LeftButton);
    QCOMPARE(one.size(), 1);
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), second);
    QTest::keyClick(second, Qt::Key_Enter);
    QTRY_COMPARE(two.size(), 1);
    QTest::keyClick(second, Qt::Key_Space);
    QCOMPARE(two.size(), 2);
    // An arrow never takes the mouse or the focus.
    kxArrow arrow(&surface);
    QVERIFY(arrow.testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(arrow.focusPolicy(), Qt::NoFocus);
}

// The looks of a box (plain, hover, pressed, focused) differ; with
// ZENLO_SCREENSHOT_DIR set they are saved there.
void tst_kxPilotArrow::states()
{
    QWidget surface;
    surface.resize(600, 120);
    QPixmap pm(32, 32);
    pm.fill(QColor(0x1f, 0x6f, 0xb2));
    QList<kxPilot *> boxes;
    for (int i = 0; i < 4; ++i) {
        auto *b = new kxPilot(&surface);
        b->setGeometry(10 + i * 140, 10, 114, 84);
        b->setText(QStringLiteral("采购订单录入"));
        b->setPicture(pm);
        boxes << b;
    }
    surface.show();
    QVERIFY(QTest::qWaitForWindowExposed(&surface));
    QTest::mouseMove(boxes[1], QPoint(50, 40));
    QTRY_VERIFY(boxes[1]->underMouse());
    boxes[2]->setDown(true);
    boxes[3]->setFocus();
    QApplication::processEvents();
    QList<QImage> looks;
    for (kxPilot *b : boxes)
        looks << b->grab().toImage();
    for (int i = 1; i < 4; ++i)
        QVERIFY2(looks[i] != looks[0], qPrintable(QString::number(i)));
    if (const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(dir);
        surface.grab().save(dir + QStringLiteral("/kxpilot-states.png"));
    }
}

QTEST_MAIN(tst_kxPilotArrow)
#include "tst_kxpilotarrow.moc"

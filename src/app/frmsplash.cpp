#include "app/frmsplash.h"

#include "core/bcommon.h"
#include "app/btransform.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "components/xmldocument.h"
#include "platform/ansi.h"
#include "platform/appinfo.h"
#include "platform/logonuser.h"
#include "platform/vbconv.h"

#include <QFileInfo>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace {

QString loggedOnUser()
{
    return ansi::toUnicode(QByteArray::fromStdString(appinfo::logonUserName()));
}

// The built-in picture: a calm gradient with a light band.
QPixmap builtInPicture(const QSize &size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    g.setColorAt(0.6, QColor(0x2e, 0x75, 0xb6));
    g.setColorAt(1, QColor(0x5b, 0x9b, 0xd5));
    p.fillRect(pm.rect(), g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawEllipse(QPoint(size.width() - 60, 40), 170, 170);
    p.setBrush(QColor(255, 255, 255, 18));
    p.drawEllipse(QPoint(size.width() - 10, size.height()), 230, 130);
    p.fillRect(QRect(0, size.height() - 54, size.width(), 54), QColor(0, 0, 0, 45));
    return pm;
}

} // namespace

frmSplash::CaptionSize frmSplash::captionSizeFor(int length)
{
    if (length <= 8)
        return {29, 21.75};
    if (length <= 12)
        return {23, 16.75};
    if (length <= 16)
        return {20, 14.75};
    return {18, 12.75};
}

frmSplash::frmSplash(Session &session, QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(500, 300);

    Img = new QLabel(this);
    Img->setObjectName(QStringLiteral("Img"));
    Img->setGeometry(rect());
    Img->setScaledContents(true);
    Img->setPixmap(builtInPicture(size()));

    for (int i = 0; i < 2; ++i) {
        auto *l = new QLabel(this);
        l->setObjectName(QStringLiteral("lblProductName_B%1").arg(i));
        l->setStyleSheet(i == 0 ? QStringLiteral("color: rgba(0,0,0,100);") : QStringLiteral("color: white;"));
        lblProductName_B << l;
    }
    lblLicenseTo = new QLabel(this);
    lblLicenseTo->setObjectName(QStringLiteral("lblLicenseTo"));
    lblLicenseTo->setGeometry(32, 150, 440, 22);
    lblCopyright = new QLabel(QStringLiteral("Copyright © 2026 Zenlo Software. All rights reserved."), this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    lblCopyright->setGeometry(32, 262, 340, 20);
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(380, 262, 100, 20);
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel *l : {lblLicenseTo, lblCopyright, lblVersion})
        l->setStyleSheet(QStringLiteral("color: rgba(255,255,255,220);"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);

    Form_Load(session);
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void frmSplash::Form_Load(Session &session)
{
    // Every step stands alone: one that fails leaves the rest to run.
    Timer1->stop();
    clsConfig *cfg = session.config.get();

    if (cfg) {
        const QString background = cfg->Background_splash().trimmed();
        if (!background.isEmpty()) {
            const QString path = bCommon::ExpandPath(background, false);
            QPixmap pm;
            if (QFileInfo(path).isFile() && pm.load(path)) {
                Img->setPixmap(pm);
                Img->show();
                m_backgroundLoaded = true;
            }
        }
    }

    const QString user = loggedOnUser();
    if (user.isEmpty())
        lblLicenseTo->clear();
    else
        lblLicenseTo->setText(session.lookup(QStringLiteral("/splash/user"), QStringLiteral("使用权属于: ")) + user);

    lblVersion->setText(session.lookup(QStringLiteral("/splash/version"), QStringLiteral("版本 ")) + QString::number(appinfo::versionMajor())
                        + QLatin1Char('.') + QString::number(appinfo::versionMinor()));

    if (cfg && cfg->XML()) {
        const auto alpha = cfg->XML()->value(QStringLiteral("//configuration/system/settings/splashalpha"));
        if (alpha) {
            const auto v = vbconv::toInt32(vbconv::leadingNumber(*alpha));
            // A value that is no byte (below 0, above 255) skips the step: the window stays opaque.
            if (v && *v >= 0 && *v <= 255) {
                uint8_t pct = uint8_t(*v);
                bTransForm::TransForm(this, pct);
            }
        }
    }

    const QString caption = cfg ? cfg->Caption() : QString();
    const CaptionSize size = captionSizeFor(int(caption.size()));
    for (int i = 0; i < lblProductName_B.size(); ++i) {
        QLabel *l = lblProductName_B.at(i);
        l->setText(caption);
        QFont f = l->font();
        f.setPointSizeF(size.pointSize);
        f.setBold(true);
        l->setFont(f);
        // Heights are those that fit one line of the font; the shadow sits one pixel lower and right.
        const int h = qMax(size.labelHeight, QFontMetrics(f).height());
        l->setGeometry(32 + (i == 0 ? 2 : 0), 96 + (i == 0 ? 2 : 0), 440, h);
        l->show();
        l->raise();
    }
    update();
}

void frmSplash::Timer1_Timer()
{
    Timer1->stop();
    close();
}

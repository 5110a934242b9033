#include "workspace/pilotview.h"

#include "components/kx/kxarrow.h"
#include "components/kx/kxpilot.h"
#include "components/kx/kxstyle.h"
#include "platform/ansi.h"
#include "platform/runtimeerror.h"
#include "util/b64.h"
#include "workspace/layout.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryFile>
#include <QWidget>

namespace workspace {

namespace {

QRect pixels(const TwipsRect &r, double dpi)
{
    const Rect t{double(r.left), double(r.top), double(std::max(0, r.width)), double(std::max(0, r.height))};
    QRect px = toPixels(t, dpi);
    // A control cannot be larger than this; the map's own value is kept in the model.
    px.setWidth(std::min(px.width(), QWIDGETSIZE_MAX));
    px.setHeight(std::min(px.height(), QWIDGETSIZE_MAX));
    return px;
}

// The decoding of b64::DecodeToFile (ANSI bytes, line breaks dropped, Base64
// decoded), written whole under a temporary name and renamed, but without
// forcing each picture to the disk: a map brings hundreds of them into a
// cache, and one synced write apiece would cost more than the whole load.
bool decodeToFile(const QString &path, const QString &text, QString *why)
{
    if (text.isEmpty())
        return false;
    QByteArray bytes = b64::StripLineBreaks(ansi::fromUnicode(text));
    QByteArray out;
    b64::DecodeBytes(bytes, out);
    QTemporaryFile part(path + QStringLiteral(".XXXXXX"));
    if (!part.open() || part.write(out) != out.size() || !part.flush()) {
        *why = part.errorString();
        return false;
    }
    part.close();
    part.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (!part.rename(path)) {
        *why = part.errorString();
        return false;
    }
    part.setAutoRemove(false);
    return true;
}

// Brings a control to the front; a new one already is, and asking the parent
// again would search its whole list of children once per element.
void toFront(QWidget &w)
{
    const QWidget *parent = w.parentWidget();
    if (!parent || parent->children().isEmpty() || parent->children().last() != &w)
        w.raise();
}

} // namespace

void applyArrow(kxArrow &a, const PilotArrow &s, double dpi)
{
    a.setGeometry(pixels(s.rect, dpi));
    toFront(a);
    a.setForeColor(s.forecolor);
    a.setArrowDirection(s.arrowdirection);
    a.setAppearance(s.appearance);
    a.setBackColor(s.backcolor);
    a.setConstantAlpha(s.constantalpha);
    a.setBorderStyle(s.borderstyle);
    a.setShadowLength(s.shadowlength);
    a.setShadowStep(s.shadowstep);
}

void applyBox(kxPilot &b, const PilotBox &s, double dpi)
{
    b.setText(s.caption);
    b.setGeometry(pixels(s.rect, dpi));
    toFront(b);
    b.setText(s.caption);
    b.setToolTip(s.caption);
    b.setAccessibleName(s.caption);
    b.setPictureSize(s.iconsize);
    b.setRightToLeft(s.rightToLeft);
    b.setTextAlign(s.textalign);
    b.setTag(s.code);
}

QPixmap PilotPictures::load(PilotMapCache &cache, const PilotBox &box)
{
    const QString folder = cache.imagesFolder();
    if (folder.isEmpty())
        throw RuntimeError(QStringLiteral("临时文件夹“%1”不能写入").arg(cache.tempFolder()), 75);
    const QString path = folder + QLatin1Char('/') + box.iconName;
    bool wrote = false;
    QFileInfo info(path);
    if (!info.exists()) {
        QString why;
        if (!decodeToFile(path, box.iconBase64, &why) && !why.isEmpty())
            throw RuntimeError(QStringLiteral("文件“%1”不能写入：%2").arg(path, why), 75);
        wrote = true;
        info.refresh();
    }
    if (!info.isFile())
        throw RuntimeError(QStringLiteral("文件未找到（%1）").arg(path), 53);
    const auto it = m_images.constFind(path);
    if (it != m_images.cend() && it->size == info.size() && it->modified == info.lastModified())
        return it->picture;
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) {
        if (wrote)
            QFile::remove(path);
        throw RuntimeError(QStringLiteral("无效图片（%1：%2）").arg(box.iconName, reader.errorString()), 481);
    }
    const QPixmap picture = QPixmap::fromImage(image);
    m_images.insert(path, Entry{info.size(), info.lastModified(), picture});
    return picture;
}

QImage renderPilotMap(const QString &mapFile, const QString &tempFolder, const QSize &size, QString *error, double dpi)
{
    PilotMapReader reader;
    if (!reader.load(mapFile)) {
        if (error)
            *error = pilotFormatMessage();
        return {};
    }
    const PilotMap map = reader.read();
    QWidget surface;
    surface.setAttribute(Qt::WA_DontShowOnScreen);
    surface.resize(size);
    QPalette pal = surface.palette();
    pal.setColor(QPalette::Window, kxstyle::surface());
    surface.setPalette(pal);
    surface.setAutoFillBackground(true);
    QFont f = surface.font();
    f.setPixelSize(13);
    surface.setFont(f);

    PilotMapCache cache;
    cache.setTempFolder(tempFolder);
    PilotPictures pictures;
    QString problem;
    for (const PilotArrow &a : map.arrows) {
        auto *arrow = new kxArrow(&surface);
        applyArrow(*arrow, a, dpi);
        arrow->show();
    }
    for (const PilotBox &b : map.boxes) {
        auto *box = new kxPilot(&surface);
        applyBox(*box, b, dpi);
        try {
            box->setPicture(pictures.load(cache, b));
        } catch (const RuntimeError &e) {
            delete box;
            problem = e.description();
            break;
        }
        box->show();
    }
    if (problem.isEmpty())
        problem = map.error;
    if (error)
        *error = problem.isEmpty() ? QString() : pilotErrorPrefix() + problem;
    surface.show();
    QCoreApplication::sendPostedEvents(); // polish and layout requests, before the picture and the teardown
    return surface.grab().toImage();
}

} // namespace workspace

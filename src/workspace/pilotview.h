#pragma once
// The process map as controls: what the reader of pilotmap.h gives, placed as
// kxArrow and kxPilot elements in the home area. Shared by the main window and
// by zenlo-admin's "map render".
#include "workspace/pilotmap.h"

#include <QDateTime>
#include <QHash>
#include <QPixmap>
#include <QString>

class kxArrow;
class kxPilot;
class QWidget;

namespace workspace {

// Position and properties of an arrow / a box from the map, twips converted with dpi.
void applyArrow(kxArrow &arrow, const PilotArrow &element, double dpi);
void applyBox(kxPilot &box, const PilotBox &element, double dpi);

// The pictures of the boxes: the images folder of the cache holds one file per
// icon name. A file that exists is used as it is (never written again, even
// when a map brings other bytes under that name); a missing one is decoded
// from the map's Base64 text. Decoded pictures are kept in memory while their
// file stays unchanged.
class PilotPictures
{
public:
    // The picture of a box; throws RuntimeError ("文件未找到", "无效图片", ...)
    // when it cannot be given. A file this call wrote that turns out not to be
    // a picture is removed again, so the next load decodes it afresh.
    QPixmap load(PilotMapCache &cache, const PilotBox &box);

private:
    struct Entry {
        qint64 size = -1;
        QDateTime modified;
        QPixmap picture;
    };
    QHash<QString, Entry> m_images;
};

// The map drawn as the home area shows it, on a white surface of size pixels
// (dpi 96, or the given one), the images decoded into tempFolder's images folder.
// A null image and *error when the map cannot be read; a run-time error at an
// element draws the elements before it and sets *error.
QImage renderPilotMap(const QString &mapFile, const QString &tempFolder, const QSize &size, QString *error,
                      double dpi = 96.0);

} // namespace workspace

#pragma once
// A picture box of the main window: an area with a background (a colour or
// a gradient), an optional hairline on some of its edges and an optional
// picture. The bands, work areas, host areas, images and the lock screen's
// surfaces are picture boxes. A theme's style sheet may restyle any of them by
// object name; its background is drawn over the designed one.
#include <QBrush>
#include <QPixmap>
#include <QWidget>

class PictureBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QPixmap picture READ picture WRITE setPicture)

public:
    enum PictureMode {
        Normal,  // at its own size from the top-left corner (offset by pictureOffset)
        Stretch, // filling the box
        Fit,     // as large as fits, aspect kept, centred
    };
    Q_ENUM(PictureMode)

    explicit PictureBox(QWidget *parent = nullptr);

    QPixmap picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);
    // Clears the picture (the box shows its background again).
    void clearPicture() { setPicture(QPixmap()); }

    PictureMode pictureMode() const { return m_mode; }
    void setPictureMode(PictureMode mode);
    QPoint pictureOffset() const { return m_offset; }
    void setPictureOffset(const QPoint &offset);

    // Qt::NoBrush (the default) paints no background: the parent shows through.
    QBrush background() const { return m_background; }
    void setBackground(const QBrush &brush);
    // A background that says something (a test copy's orange band): drawn over
    // a theme's background instead of under it.
    bool backgroundOverTheme() const { return m_overTheme; }
    void setBackgroundOverTheme(bool over);
    // Corner radius of the background and the frame, pixels.
    void setRadius(qreal radius);
    // A hairline on the given edges (all four: a frame).
    void setEdges(Qt::Edges edges, const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
    PictureMode m_mode = Normal;
    QPoint m_offset;
    QBrush m_background;
    bool m_overTheme = false;
    qreal m_radius = 0;
    Qt::Edges m_edges;
    QColor m_edgeColor;
};

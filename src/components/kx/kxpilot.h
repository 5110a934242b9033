#pragma once
// A box of a process map: a card with the picture of the menu entry it stands
// for and its caption. Pressing it (mouse, or Enter / Space when it has the
// keyboard focus; Tab moves between the boxes) emits clicked(); the map's
// owner runs the entry kept in tag().
//
// What each property draws:
//   picture        drawn iconSize x iconSize device-independent pixels, smooth
//                  at any screen scale; no picture leaves its place empty.
//   iconSize       0 (or below 8) takes 32; at most the box's height.
//   textAlign      0 left, 1 right, 2 centre (the alignment constants of the
//                  map files); other values centre.
//   rightToLeft    mirrors the layout: left and right alignment swap, a picture
//                  beside the caption moves to the right edge, and the caption
//                  is laid out right to left.
// A box tall enough for picture and two text lines puts the picture above the
// caption; a flat one puts it beside the caption. Long captions wrap, then
// end in "…". Hover raises the card with an accent border, pressing sinks it;
// the focused box has an accent ring.
#include <QAbstractButton>
#include <QPixmap>

class kxPilot : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ text WRITE setText)
    Q_PROPERTY(QPixmap picture READ picture WRITE setPicture)
    Q_PROPERTY(int iconSize READ pictureSize WRITE setPictureSize)
    Q_PROPERTY(int textAlign READ textAlign WRITE setTextAlign)
    Q_PROPERTY(bool rightToLeft READ rightToLeft WRITE setRightToLeft)
    Q_PROPERTY(QString tag READ tag WRITE setTag)
public:
    enum Align { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };

    explicit kxPilot(QWidget *parent = nullptr);
    // A new element of a control array: the template's look, hidden, in parent.
    static kxPilot *createFrom(const kxPilot &tmpl, QWidget *parent);

    QPixmap picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);
    int pictureSize() const { return m_iconSize; }
    void setPictureSize(int size);
    int textAlign() const { return m_textAlign; }
    void setTextAlign(int align);
    bool rightToLeft() const { return m_rightToLeft; }
    void setRightToLeft(bool on);
    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // The picture's size as drawn, and where picture and caption go (for a box of this size).
    int effectiveIconSize() const;
    bool pictureAbove() const;
    Qt::Alignment horizontalAlignment() const;

    QSize sizeHint() const override { return {120, 72}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QPixmap m_picture;
    int m_iconSize = 0;
    int m_textAlign = AlignCenter;
    bool m_rightToLeft = false;
    bool m_hover = false;
    QString m_tag;
};

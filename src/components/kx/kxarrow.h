#pragma once
// An arrow of a process map: a connector between two boxes, drawn inside its
// own rectangle along the rectangle's middle line. It never takes the mouse or
// the keyboard; the boxes lying above it do.
//
// What each property draws:
//   foreColor      the line (and the outline of a block arrow); a Windows colour
//                  value 0x00BBGGRR. A value with the high bit set is a system
//                  colour (0x80000000 + index) and takes the palette's colour.
//   backColor      the fill of a block arrow, same colour values.
//   arrowDirection where the head points: 0 right, 1 left, 2 down, 3 up,
//                  4 heads at both ends, left and right, 5 both ends, up and down;
//                  6 a horizontal and 7 a vertical segment without head (the
//                  first leg of a bent connector). Other values point right.
//   appearance     0 a line with a filled head (the connector of a flow),
//                  1 a block arrow: a broad shape filled with backColor.
//                  Other values draw as 0.
//   constantAlpha  opacity of the whole arrow, 1 (almost invisible) .. 255
//                  (opaque); 0 and values out of that range draw opaque, so a
//                  map that leaves it unset still shows its arrows.
//   borderStyle    pen of the line or outline: 1 solid, 2 dash, 3 dot, 4 dash-dot,
//                  5 dash-dot-dot; 0 leaves a block arrow without outline (a line
//                  arrow keeps a solid line). Other values draw solid.
//   shadowLength   offset of a grey shadow down and to the right, in pixels
//                  (0 none, at most 12).
//   shadowStep     how soft the shadow is: the number of layers it is drawn in
//                  (1 a hard shadow, at most 8; 0 counts as 1).
#include <QWidget>

class kxArrow : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int foreColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(int backColor READ backColor WRITE setBackColor)
    Q_PROPERTY(int arrowDirection READ arrowDirection WRITE setArrowDirection)
    Q_PROPERTY(int appearance READ appearance WRITE setAppearance)
    Q_PROPERTY(int constantAlpha READ constantAlpha WRITE setConstantAlpha)
    Q_PROPERTY(int borderStyle READ borderStyle WRITE setBorderStyle)
    Q_PROPERTY(int shadowLength READ shadowLength WRITE setShadowLength)
    Q_PROPERTY(int shadowStep READ shadowStep WRITE setShadowStep)
public:
    enum Direction { Right = 0, Left = 1, Down = 2, Up = 3, LeftRight = 4, UpDown = 5, Horizontal = 6, Vertical = 7 };

    explicit kxArrow(QWidget *parent = nullptr);
    // A new element of a control array: the template's properties, hidden, in parent.
    static kxArrow *createFrom(const kxArrow &tmpl, QWidget *parent);

    int foreColor() const { return m_foreColor; }
    void setForeColor(int v);
    int backColor() const { return m_backColor; }
    void setBackColor(int v);
    int arrowDirection() const { return m_direction; }
    void setArrowDirection(int v);
    int appearance() const { return m_appearance; }
    void setAppearance(int v);
    int constantAlpha() const { return m_alpha; }
    void setConstantAlpha(int v);
    int borderStyle() const { return m_borderStyle; }
    void setBorderStyle(int v);
    int shadowLength() const { return m_shadowLength; }
    void setShadowLength(int v);
    int shadowStep() const { return m_shadowStep; }
    void setShadowStep(int v);

    // A Windows colour value as a colour (system colours from the palette).
    static QColor windowsColor(int value, const QPalette &palette);

    QSize sizeHint() const override { return {80, 24}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_foreColor = 0x00808080;
    int m_backColor = 0x00F5E6D8;
    int m_direction = Right;
    int m_appearance = 0;
    int m_alpha = 255;
    int m_borderStyle = 1;
    int m_shadowLength = 0;
    int m_shadowStep = 1;
};

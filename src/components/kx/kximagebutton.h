#pragma once
// Image button: a caption with a picture, used for the header buttons (leave,
// lock, help, alerts), the lock screen's buttons, the catalog menu buttons and
// the report shortcuts. Buttons made at run time copy the look of a hidden
// template button (createFrom, copyStyleFrom).
#include <QAbstractButton>
#include <QPixmap>

class kxImageButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QPixmap picture READ picture WRITE setPicture)
    Q_PROPERTY(bool active READ isActive WRITE setActive)
    Q_PROPERTY(bool switchedOn READ isSwitchedOn WRITE setSwitchedOn)
    Q_PROPERTY(ButtonStyle buttonStyle READ buttonStyle WRITE setButtonStyle)
    Q_PROPERTY(Qt::Alignment textAlign READ textAlign WRITE setTextAlign)
    Q_PROPERTY(PictureAlign pictureAlign READ pictureAlign WRITE setPictureAlign)
    Q_PROPERTY(BorderStyle borderStyle READ borderStyle WRITE setBorderStyle)
    Q_PROPERTY(QString tag READ tag WRITE setTag)

public:
    enum ButtonStyle {
        Flat,   // no background until hovered: header buttons on a coloured band
        Filled, // a light surface: menu buttons, report shortcuts
        Accent, // the accent colour with light text: the main action of a panel
    };
    Q_ENUM(ButtonStyle)
    enum PictureAlign { PictureLeft, PictureTop, PictureRight };
    Q_ENUM(PictureAlign)
    enum BorderStyle { NoBorder, SolidBorder, RoundedBorder };
    Q_ENUM(BorderStyle)

    explicit kxImageButton(QWidget *parent = nullptr);
    kxImageButton(const QString &caption, QWidget *parent = nullptr);

    // A new hidden button that looks like tmpl and carries the same content,
    // as a control-array element loaded from its template: the four style
    // properties, font, palette, picture size, geometry, caption, picture,
    // tag, tool tip, active and switched-on flags.
    static kxImageButton *createFrom(const kxImageButton &tmpl, QWidget *parent);
    // Copies the four style properties (buttonStyle, textAlign, pictureAlign,
    // borderStyle) from other.
    void copyStyleFrom(const kxImageButton &other);

    QString caption() const { return text(); }
    void setCaption(const QString &caption);

    QPixmap picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);
    // The size the picture is drawn at; invalid (the default) draws it at its
    // own size, scaled down only when it does not fit the button.
    QSize pictureSize() const { return m_pictureSize; }
    void setPictureSize(const QSize &size);

    // Active: the button reacts to the mouse and the keyboard and is drawn
    // lit. An inactive button is drawn dimmed and never clicks (click() from
    // code still does). Independent of QWidget's enabled state, so a disabled
    // window does not change the flag.
    bool isActive() const { return m_active; }
    void setActive(bool active);

    // A second state of the button, switched by its owner: the alert button
    // is switched on while alerts are shown. Drawn as a small badge.
    bool isSwitchedOn() const { return m_switchedOn; }
    void setSwitchedOn(bool on);

    ButtonStyle buttonStyle() const { return m_buttonStyle; }
    void setButtonStyle(ButtonStyle style);
    // Horizontal alignment of the caption in the space beside the picture.
    Qt::Alignment textAlign() const { return m_textAlign; }
    void setTextAlign(Qt::Alignment align);
    PictureAlign pictureAlign() const { return m_pictureAlign; }
    void setPictureAlign(PictureAlign align);
    BorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(BorderStyle style);

    // Free text for the owner (the menu code of a menu button).
    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QSize pictureExtent(const QSize &room) const;
    QColor textColor() const;

    QPixmap m_picture;
    QSize m_pictureSize;
    bool m_active = true;
    bool m_switchedOn = false;
    bool m_hovered = false;
    ButtonStyle m_buttonStyle = Filled;
    Qt::Alignment m_textAlign = Qt::AlignLeft;
    PictureAlign m_pictureAlign = PictureLeft;
    BorderStyle m_borderStyle = RoundedBorder;
    QString m_tag;
};

#pragma once
// A one-line label whose text carries a soft shadow, for captions on the
// coloured header bands and the wait panel.
#include <QWidget>

class kxShadowLabel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QColor shadowColor READ shadowColor WRITE setShadowColor)
    Q_PROPERTY(QPoint shadowOffset READ shadowOffset WRITE setShadowOffset)
    Q_PROPERTY(bool autoSize READ autoSize WRITE setAutoSize)

public:
    explicit kxShadowLabel(QWidget *parent = nullptr);
    kxShadowLabel(const QString &caption, QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &color);
    // A transparent colour or a null offset draws no shadow.
    QColor shadowColor() const { return m_shadowColor; }
    void setShadowColor(const QColor &color);
    QPoint shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(const QPoint &offset);

    // With autoSize the label takes the width of its caption whenever the
    // caption or font changes, keeping its left edge (header chains place
    // labels by their widths). Without it a caption too long is cut with
    // "…" and shown whole in the tool tip.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void fitToCaption();

    QString m_caption;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor m_textColor;
    QColor m_shadowColor;
    QPoint m_shadowOffset{1, 1};
    bool m_autoSize = false;
};

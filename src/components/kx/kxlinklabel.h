#pragma once
// A link label: a caption that reacts like a hyperlink. A click on a web
// target (http:, https:, or a bare "www." address) or a mail target (mailto:)
// opens it with the desktop's handler; any other click (an empty target, a
// file, an action name) is reported through linkClicked so that the owner can
// act: the main window's password, about and alert links are such actions.
// A web or mail target the desktop cannot open is reported to the operator
// (through the UI service) with the target.
#include <QUrl>
#include <QWidget>

#include <functional>

class kxLinkLabel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QString link READ link WRITE setLink)
    Q_PROPERTY(int index READ index WRITE setIndex)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(bool autoSize READ autoSize WRITE setAutoSize)

public:
    explicit kxLinkLabel(QWidget *parent = nullptr);
    kxLinkLabel(const QString &caption, const QString &link = QString(), QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QString link() const { return m_link; }
    void setLink(const QString &link) { m_link = link; }
    // The element number of the owner's label array, reported with a click.
    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    // With autoSize the label takes its caption's width, keeping its left edge.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

    // The address a target opens, or an invalid URL when the target is not a
    // web or mail address (then a click is reported instead).
    static QUrl openableUrl(const QString &target);

    // Opens a web or mail address; returns whether it was handed on.
    using UrlOpener = std::function<bool(const QUrl &)>;
    // Replaces the opener of every link label (tests); an empty function
    // restores the desktop's (QDesktopServices).
    static void setUrlOpener(UrlOpener opener);

    // Acts as a click: opens the target or emits linkClicked.
    void activate();

    QSize sizeHint() const override;

Q_SIGNALS:
    // A click on a label whose target is not a web or mail address.
    void linkClicked(int index, const QString &link);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QString m_caption;
    QString m_link;
    int m_index = -1;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool m_autoSize = false;
    bool m_hovered = false;
    bool m_pressed = false;
};

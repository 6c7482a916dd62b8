#pragma once

#include <QColor>
#include <QString>
#include <QUrl>
#include <QWidget>

// A clickable link: shows its caption as one line of plain text in its own font on its own
// background, placed across the control by its alignment, with a pointing-hand cursor. It
// opens its url in the user's browser when clicked, or when Space or Enter is pressed while it
// has the focus. The About window shows the program's web address with it.
class Hyperlink : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QUrl url READ url WRITE setUrl)
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)

public:
    explicit Hyperlink(QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QUrl url() const { return m_url; }
    void setUrl(const QUrl &url) { m_url = url; }
    QColor backColor() const;
    void setBackColor(const QColor &colour);
    // The caption's place across the control: left, right or centred; it is always centred
    // from top to bottom.
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class HyperlinkAccessible; // its press action follows the link
    void follow();

    QString m_caption;
    QUrl m_url;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_pressed = false;
};

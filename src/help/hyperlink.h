#pragma once

#include <QColor>
#include <QString>
#include <QUrl>
#include <QWidget>

// A clickable link: shows its caption as plain text in its own font on its own background,
// with a pointing-hand cursor, and opens its url in the user's browser when clicked, or when
// Space or Enter is pressed while it has the focus. It is configured by the same settings the
// About window stores for it: caption, url, font, backcolor, alignment and extent.
class Hyperlink : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QUrl url READ url WRITE setUrl)
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor)
    Q_PROPERTY(int alignment READ alignment WRITE setAlignment)

public:
    // Alignment values as stored: the caption's place across the control.
    enum { AlignLeft = 0, AlignRight = 1, AlignCentre = 2 };

    explicit Hyperlink(QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QUrl url() const { return m_url; }
    void setUrl(const QUrl &url) { m_url = url; }
    QColor backColor() const;
    void setBackColor(const QColor &colour);
    int alignment() const { return m_alignment; }
    void setAlignment(int alignment);
    // The control's size in HIMETRIC units (hundredths of a millimetre).
    void setExtent(int himetricWidth, int himetricHeight);

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
    int m_alignment = AlignLeft;
    bool m_pressed = false;
};

// HIMETRIC units to twips: 2540 HIMETRIC and 1440 twips are both an inch.
constexpr int himetricToTwips(int himetric) {
    return (himetric * 1440 + 1270) / 2540;
}

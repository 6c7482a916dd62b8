#include "help/hyperlink.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

// What a screen reader sees of the link: a link named by its caption, whose press action
// follows it as a click does.
class HyperlinkAccessible : public QAccessibleWidget {
public:
    explicit HyperlinkAccessible(Hyperlink *link)
        : QAccessibleWidget(link, QAccessible::Link) {}

    Hyperlink *link() const { return static_cast<Hyperlink *>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && link()->accessibleName().isEmpty())
            return link()->caption();
        if (t == QAccessible::Value)
            return link()->url().toString();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.linked = true;
        return s;
    }

    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override {
        if (actionName == pressAction())
            link()->follow();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

namespace {

QAccessibleInterface *hyperlinkAccessibleFactory(const QString &className, QObject *object) {
    if (className == QLatin1String("Hyperlink") && object && object->isWidgetType())
        // Qt's accessibility cache owns the interfaces its factories make.
        return new HyperlinkAccessible(static_cast<Hyperlink *>(object));
    return nullptr;
}

} // namespace

Hyperlink::Hyperlink(QWidget *parent)
    : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(hyperlinkAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled)
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
}

void Hyperlink::setCaption(const QString &caption) {
    m_caption = caption;
    setAccessibleName(caption);
    updateGeometry();
    update();
}

QColor Hyperlink::backColor() const {
    return palette().color(QPalette::Window);
}

void Hyperlink::setBackColor(const QColor &colour) {
    QPalette shades = palette();
    shades.setColor(QPalette::Window, colour);
    setPalette(shades);
}

void Hyperlink::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    update();
}

QSize Hyperlink::sizeHint() const {
    return fontMetrics().size(Qt::TextSingleLine, m_caption);
}

void Hyperlink::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Link));
    // Drawn as one plain line: a caption is never markup.
    painter.drawText(rect(), int(m_alignment | Qt::AlignVCenter | Qt::TextSingleLine), m_caption);

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = backColor();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void Hyperlink::mousePressEvent(QMouseEvent *event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void Hyperlink::mouseReleaseEvent(QMouseEvent *event) {
    // A click is a press and a release of the left button, both on the link.
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        follow();
}

void Hyperlink::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        follow();
        event->accept();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void Hyperlink::follow() {
    if (m_url.isValid())
        QDesktopServices::openUrl(m_url);
}

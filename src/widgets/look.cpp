#include "widgets/look.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QWidget>

#include <initializer_list>

namespace {

QString firstInstalled(std::initializer_list<const char *> families) {
    const QStringList installed = QFontDatabase::families();
    for (const char *family : families) {
        const QString name = QString::fromLatin1(family);
        if (installed.contains(name, Qt::CaseInsensitive))
            return name;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

} // namespace

QString verdanaFamily() {
    static const QString family =
        // The condensed cut of DejaVu Sans is as wide as Verdana; the regular cut would not
        // fit the captions into their boxes.
        firstInstalled({"Verdana", "DejaVu Sans Condensed", "Liberation Sans", "DejaVu Sans"});
    return family;
}

QString arialFamily() {
    static const QString family =
        firstInstalled({"Arial", "Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans"});
    return family;
}

QString windowFamily() {
    static const QString family =
        firstInstalled({"Microsoft Sans Serif", "MS Sans Serif", "Liberation Sans", "Arimo",
                        "DejaVu Sans Condensed", "DejaVu Sans"});
    return family;
}

QFont windowFont() {
    QFont font(windowFamily());
    font.setPointSizeF(8.25);
    return font;
}

QFont verdanaFont(qreal pointSize) {
    QFont font(verdanaFamily());
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

QFont arialFont(qreal pointSize, bool bold) {
    QFont font(arialFamily());
    font.setPointSizeF(pointSize);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

void setColours(QWidget *widget, const QColor &text, const QColor &background) {
    // Styles draw the same text from different roles: a label from WindowText, a text box
    // from Text, a placeholder from PlaceholderText, a plain frame from WindowText, a caret
    // from Text. Every role that draws text or its ground gets the given colours, in every
    // group, so that neither the desktop's theme nor focus or enabled state shows through.
    // A selection keeps the desktop's own highlight pair, made alike in every group so that
    // it stays visible when the widget loses the focus.
    const QPalette desktop = QGuiApplication::palette();
    const QColor highlight = desktop.color(QPalette::Active, QPalette::Highlight);
    const QColor highlightedText = desktop.color(QPalette::Active, QPalette::HighlightedText);
    QColor placeholder = text;
    placeholder.setAlpha(160);
    QPalette palette = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::PlaceholderText, placeholder);
        palette.setColor(group, QPalette::Highlight, highlight);
        palette.setColor(group, QPalette::HighlightedText, highlightedText);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setWindowColour(QWidget *window, const QColor &background) {
    // Labels, frames and captions on the window are drawn in WindowText; a dark theme's
    // light text would vanish on a light ground, so it is set with the ground.
    const QColor text = background.lightness() < 128 ? QColor(255, 255, 255) : QColor(0, 0, 0);
    QPalette palette = window->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::WindowText, text);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, background);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

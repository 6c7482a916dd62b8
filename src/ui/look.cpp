#include "look.h"

#include <QFontDatabase>
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
    QPalette palette = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::Text, text);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

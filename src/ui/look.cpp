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
        firstInstalled({"Verdana", "DejaVu Sans", "Bitstream Vera Sans", "Liberation Sans"});
    return family;
}

QString arialFamily() {
    static const QString family =
        firstInstalled({"Arial", "Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans"});
    return family;
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
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::ButtonText, text);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>

class QWidget;

// Window layouts are given in twips, 15 to a pixel at 96 dots per inch. Qt's own scaling
// takes these logical pixels to a high-DPI screen.
constexpr int twips(int value) {
    return value / 15;
}
constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// Verdana where it is installed, otherwise the closest installed sans-serif (DejaVu Sans
// descends from the same design). Chosen once per run.
QString verdanaFamily();
// Arial where it is installed, otherwise a metric-compatible or close sans-serif.
QString arialFamily();

// The windows' default font: MS Sans Serif 8.25 pt where installed, else a sans-serif of
// its size. The program sets it as the application font at start.
QString windowFamily();
QFont windowFont();

QFont verdanaFont(qreal pointSize = 8.25);
QFont arialFont(qreal pointSize, bool bold);

// Gives a text box, label or list coloured text on a coloured background: text, caret,
// placeholder and plain frame in the text colour, whatever role the style draws them from.
// Its buttons and scroll bars keep the standard colours.
void setColours(QWidget *widget, const QColor &text, const QColor &background);

// Gives a window a background of its own, with black (or, on a dark ground, white) text for
// the labels and frames on it, whatever the desktop's theme.
void setWindowColour(QWidget *window, const QColor &background);

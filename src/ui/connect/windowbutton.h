#pragma once

class QPushButton;
class QRect;
class QString;
class QWidget;

// A push button of a connection window, at a fixed place in `parent` and reached by its object
// name. Enter on the focused button presses it, as Space does. It keeps its parent's font.
QPushButton *addButton(QWidget *parent, const char *name, const QString &caption,
                       const QRect &geometry);

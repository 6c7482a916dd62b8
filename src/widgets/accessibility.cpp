#include "widgets/accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget *window)
        : QAccessibleWidget(window, QAccessible::Window) {}

    QAccessible::Role role() const override {
        return widget()->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window;
    }
};

// Qt makes a widget's interface as soon as anything asks for it, often while the widget is
// being built, and keeps it for the widget's life; the replacement takes its place. Qt's
// accessibility cache owns it from here and deletes it with the widget.
void replaceInterface(QWidget *widget, QAccessibleInterface *replacement) {
    if (QAccessibleInterface *built = QAccessible::queryAccessibleInterface(widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(built));
    QAccessible::registerAccessibleInterface(replacement);
}

} // namespace

void announceAsWindow(QWidget *window) {
    replaceInterface(window, new WindowAccessible(window));
}

void describeLabel(QLabel *label, const QString &what) {
    label->setAccessibleName(QString());
    label->setAccessibleDescription(what);
}

void setComboAccessibleName(QComboBox *box, const QString &name) {
    box->setAccessibleName(name);
    if (QLineEdit *field = box->lineEdit())
        field->setAccessibleName(name);
    box->view()->setAccessibleName(name);
}

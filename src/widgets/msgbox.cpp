#include "widgets/msgbox.h"

#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace {

QStringList captions(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::CancelTryAgainContinue:
        return {QStringLiteral("Cancel"), QStringLiteral("&Try Again"),
                QStringLiteral("&Continue")};
    case MessageButtons::Ok:
        break;
    }
    return {QStringLiteral("OK")};
}

QMessageBox::Icon icon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QMessageBox *createMessageBox(const QString &prompt, MessageBoxStyle style, const QString &title,
                              QWidget *parent) {
    auto *box = new QMessageBox(parent);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(prompt);
    box->setIcon(icon(style.icon));

    // Every button gets the same role, so the box keeps them in the style's order on every
    // platform instead of sorting them by role.
    QPushButton *leftmost = nullptr;
    for (const QString &caption : captions(style.buttons)) {
        QPushButton *button = box->addButton(caption, QMessageBox::AcceptRole);
        if (!leftmost)
            leftmost = button;
    }
    box->setDefaultButton(leftmost);
    box->setEscapeButton(leftmost);
    return box;
}

void showMessageBox(const QString &prompt, MessageBoxStyle style, const QString &title,
                    QWidget *parent) {
    const std::unique_ptr<QMessageBox> box(createMessageBox(prompt, style, title, parent));
    box->exec();
}

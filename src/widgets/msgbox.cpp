#include "widgets/msgbox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace {

QStringList buttonCaptions(int buttons) {
    switch (buttons) {
    case vbOKCancel:
        return {QStringLiteral("OK"), QStringLiteral("Cancel")};
    case vbAbortRetryIgnore:
        return {QStringLiteral("&Abort"), QStringLiteral("&Retry"), QStringLiteral("&Ignore")};
    case vbYesNoCancel:
        return {QStringLiteral("&Yes"), QStringLiteral("&No"), QStringLiteral("Cancel")};
    case vbYesNo:
        return {QStringLiteral("&Yes"), QStringLiteral("&No")};
    case vbRetryCancel:
        return {QStringLiteral("&Retry"), QStringLiteral("Cancel")};
    case vbCancelTryAgainContinue:
        return {QStringLiteral("Cancel"), QStringLiteral("&Try Again"),
                QStringLiteral("&Continue")};
    default:
        return {QStringLiteral("OK")};
    }
}

QMessageBox::Icon icon(int style) {
    switch (style & 0x70) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbQuestion:
        return QMessageBox::Question;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

QMessageBox *createMsgBox(const QString &prompt, int style, const QString &title, QWidget *parent) {
    auto *box = new QMessageBox(parent);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(prompt);
    box->setIcon(icon(style));

    // Every button gets the same role, so the box keeps them in the style's order on every
    // platform instead of sorting them by role.
    const QStringList captions = buttonCaptions(style & 0x0F);
    QList<QPushButton *> buttons;
    for (const QString &caption : captions)
        buttons.append(box->addButton(caption, QMessageBox::AcceptRole));

    const int defaultIndex = qBound(0, (style >> 8) & 0x03, int(buttons.size()) - 1);
    box->setDefaultButton(buttons.at(defaultIndex));
    // Esc and the title-bar close box close the box as its Cancel button would; a box without
    // one is closed by its first button.
    const qsizetype cancel = captions.indexOf(QStringLiteral("Cancel"));
    box->setEscapeButton(buttons.at(cancel >= 0 ? cancel : 0));
    return box;
}

void MsgBox(const QString &prompt, int style, const QString &title, QWidget *parent) {
    const std::unique_ptr<QMessageBox> box(createMsgBox(prompt, style, title, parent));
    box->exec();
}

#include "boxwatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMap>
#include <QMessageBox>

BoxWatcher::BoxWatcher(const QString &answer)
    : m_answer(answer) {
    connect(&m_timer, &QTimer::timeout, this, &BoxWatcher::look);
    m_timer.start(10);
}

void BoxWatcher::look() {
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    QMap<int, QAbstractButton *> buttons; // by position, left to right
    for (QAbstractButton *button : box->buttons())
        buttons.insert(button->mapToGlobal(QPoint()).x(), button);
    QStringList captions;
    for (QAbstractButton *button : std::as_const(buttons))
        captions.append(button->text().remove(u'&'));
    boxes.append(box->windowTitle() + u'|' + box->text() + u'|' + captions.join(u',') + u'|' +
                 QString::number(box->icon()));
    buttons.values().value(captions.indexOf(m_answer), buttons.first())->click();
}

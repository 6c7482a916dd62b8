#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

// Answers every message box that comes up while it lives with the button captioned `answer`
// (the leftmost when there is none), as a user would, and records each box it saw as
// "title|text|buttons left to right|icon". A box waits in its own event loop; the watcher
// looks from a timer, so the code that opened the box goes on once it is answered.
class BoxWatcher : public QObject {
public:
    explicit BoxWatcher(const QString &answer);

    QStringList boxes;

private:
    void look();

    QString m_answer;
    QTimer m_timer;
};

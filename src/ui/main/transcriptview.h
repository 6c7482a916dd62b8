#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <QStringView>

// The chat transcript: one text, shown multi-line and read-only for the user.
//
// Its text interface is that of a standard text box and counts positions in UTF-16 code
// units, CR LF being two of them. It gives back exactly the characters put in: lone CR,
// lone LF, NUL and every other control character included. On screen, lines break at CR LF
// only, long lines wrap at the view's width, and the text is never read as markup.
//
// The user can place the caret, select with mouse and keyboard, scroll and copy, but cannot
// change the text; the program changes it through the operations below.
class TranscriptView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TranscriptView(QWidget *parent = nullptr);
    ~TranscriptView() override;

    QString text() const;
    // Replaces the whole text; the caret goes to 0 with nothing selected.
    void setText(const QString &text);
    qsizetype length() const;

    // Appends at the end, in place. The selection and caret are left where they are.
    void appendText(QStringView text);

    // The selection: a start (the caret when nothing is selected) and a length.
    qsizetype selectionStart() const;
    // Moves the caret to `position` (clamped to the text), selects nothing and scrolls the
    // caret into view.
    void setSelectionStart(qsizetype position);
    qsizetype selectionLength() const;
    // Selects `length` characters from the selection start (clamped to the text).
    void setSelectionLength(qsizetype length);
    QString selectedText() const;
    // Replaces the selected characters with `text`, or inserts it at the caret when nothing
    // is selected; the caret then stands after the inserted text, nothing selected.
    void replaceSelection(const QString &text);

Q_SIGNALS:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    qsizetype m_anchor = 0;
    qsizetype m_position = 0;
};

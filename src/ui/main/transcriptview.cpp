#include "transcriptview.h"

#include <QPainter>

TranscriptView::TranscriptView(QWidget *parent)
    : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::ClickFocus);
}

TranscriptView::~TranscriptView() = default;

QString TranscriptView::text() const {
    return m_text;
}

void TranscriptView::setText(const QString &text) {
    m_text = text;
    m_anchor = m_position = 0;
    viewport()->update();
}

qsizetype TranscriptView::length() const {
    return m_text.size();
}

void TranscriptView::appendText(QStringView text) {
    m_text.append(text);
    viewport()->update();
}

qsizetype TranscriptView::selectionStart() const {
    return qMin(m_anchor, m_position);
}

void TranscriptView::setSelectionStart(qsizetype position) {
    m_anchor = m_position = qBound<qsizetype>(0, position, m_text.size());
    viewport()->update();
}

qsizetype TranscriptView::selectionLength() const {
    return qAbs(m_position - m_anchor);
}

void TranscriptView::setSelectionLength(qsizetype length) {
    const qsizetype start = selectionStart();
    m_anchor = start;
    m_position = start + qBound<qsizetype>(0, length, m_text.size() - start);
    viewport()->update();
}

QString TranscriptView::selectedText() const {
    return m_text.mid(selectionStart(), selectionLength());
}

void TranscriptView::replaceSelection(const QString &text) {
    const qsizetype start = selectionStart();
    m_text.replace(start, selectionLength(), text);
    m_anchor = m_position = start + text.size();
    viewport()->update();
}

void TranscriptView::paintEvent(QPaintEvent *) {
    QPainter painter(viewport());
    painter.drawText(viewport()->rect(), Qt::TextWordWrap, m_text.right(2000));
}

// The transcript's text interface against a plain string model: appends, caret and selection
// moves, replacing the selection, set text and select all, each an operation byte and its
// arguments. After every step text, selection and line index must match the model; now and
// then the view lays out and draws, and the caret's row must hold the caret.

#include "check.h"
#include "ui/main/transcriptview.h"

#include <QApplication>

namespace {

// Characters that trouble a line index and a layout: CR and LF alone and in pairs, blanks
// where long lines are cut, surrogate halves, a combining mark, controls and invisibles.
constexpr char16_t kAlphabet[] = {
    u'a',   u' ',   u'\t',  u'\r',  u'\n', 0xD83D, 0xDE00, 0x0301,
    0x0000, 0x2028, 0x202E, 0xFEFF, u'x',  u'\r',  u'\n',  u'b',
};

// Up to 63 characters; the two top bits set repeat them 97 times, past a display piece.
QString makeText(ByteReader &in) {
    const unsigned head = in.byte();
    QString unit;
    for (unsigned i = 0; i < (head & 0x3F); ++i)
        unit += QChar(kAlphabet[in.byte() % std::size(kAlphabet)]);
    return (head & 0xC0) == 0xC0 ? unit.repeated(97) : unit;
}

constexpr qsizetype kMaxText = 1 << 16; // keeps checking after every step fast

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: at exit Qt's own globals may be gone already.
    static QApplication *const application = new QApplication(*argc, *argv);
    Q_UNUSED(application)
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size) {
    ByteReader in(data, size);
    TranscriptView view;
    view.resize(320, 200);
    // The model, as a standard text box keeps text and selection.
    QString text;
    qsizetype start = 0, length = 0;
    while (!in.atEnd()) {
        switch (in.byte() % 7) {
        case 0: { // an arrival
            const QString more = makeText(in);
            if (text.size() + more.size() <= kMaxText) {
                view.appendText(more);
                text += more;
            }
            break;
        }
        case 1:
            start = std::min<qsizetype>(in.u16() % (text.size() + 3), text.size());
            length = 0;
            view.setSelectionStart(start);
            break;
        case 2:
            length = std::min<qsizetype>(in.u16() % (text.size() + 3), text.size() - start);
            view.setSelectionLength(length);
            break;
        case 3: { // an echo, or Cut with an empty text
            const QString with = (in.byte() & 1) ? makeText(in) : QString();
            if (text.size() + with.size() <= kMaxText) {
                view.replaceSelection(with);
                text.replace(start, length, with);
                start += with.size();
                length = 0;
            }
            break;
        }
        case 4:
            text = makeText(in);
            start = length = 0;
            view.setText(text);
            break;
        case 5: // Select All, as the Edit menu does
            view.setSelectionStart(0);
            view.setSelectionLength(view.length());
            start = 0;
            length = text.size();
            break;
        case 6: { // lay out and draw what it holds
            if (!view.isVisible())
                view.show();
            QCoreApplication::processEvents();
            qsizetype rowStart, rowEnd;
            view.rowBounds(start, &rowStart, &rowEnd);
            FUZZ_CHECK(rowStart <= start && (start < rowEnd || rowEnd == text.size()));
            break;
        }
        }
        FUZZ_CHECK(view.text() == text);
        FUZZ_CHECK(view.selectionStart() == start && view.selectionLength() == length);
        FUZZ_CHECK(view.selectedText() == text.mid(start, length));
        checkDocument(view.document());
    }
    return 0;
}

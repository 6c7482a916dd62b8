// The transcript's text interface against a plain string model: random sequences of
// append, caret and selection moves, replacing the selection, cut, set text and clear. After
// every step the text, the selection and the selected text must match the model, and the
// document's line index must hold. Now and then the view is drawn, so that layout and
// painting see the same text.
//
// Input: a stream of operations, each an operation byte followed by its arguments.

#include "check.h"
#include "ui/main/transcriptview.h"

#include <QApplication>

#include <cstdlib>
#include <memory>

namespace {

// Characters that trouble a line index: CR and LF alone and in pairs, blanks where long
// lines are cut, surrogate halves, controls and invisible characters.
constexpr char16_t kAlphabet[] = {
    u'a',   u' ',   u'\t',  u'\r',  u'\n', 0xD83D, 0xDE00, 0x00E9,
    0x0000, 0x2028, 0x202E, 0xFEFF, u'x',  u'\r',  u'\n',  u'b',
};

// Up to 63 characters from the alphabet; the two top bits set repeat them 97 times, which
// makes lines longer than a display piece.
QString makeText(ByteReader &in) {
    const unsigned head = in.byte();
    QString unit;
    for (unsigned i = 0; i < (head & 0x3F); ++i)
        unit += QChar(kAlphabet[in.byte() % std::size(kAlphabet)]);
    return (head & 0xC0) == 0xC0 ? unit.repeated(97) : unit;
}

// The model: a text and a selection, as a standard text box keeps them.
struct Model {
    QString text;
    qsizetype start = 0;
    qsizetype length = 0;

    void setSelectionStart(qsizetype position) {
        start = std::clamp<qsizetype>(position, 0, text.size());
        length = 0;
    }
    void setSelectionLength(qsizetype count) {
        length = std::clamp<qsizetype>(count, 0, text.size() - start);
    }
    void replaceSelection(const QString &with) {
        text.replace(start, length, with);
        start += with.size();
        length = 0;
    }
    void setText(const QString &with) {
        text = with;
        start = 0;
        length = 0;
    }
};

// Keeps the text small enough that checking it after every step stays fast.
constexpr qsizetype kMaxText = 1 << 16;

void compare(const TranscriptView &view, const Model &model) {
    FUZZ_CHECK(view.text() == model.text);
    FUZZ_CHECK(view.length() == model.text.size());
    FUZZ_CHECK(view.selectionStart() == model.start);
    FUZZ_CHECK(view.selectionLength() == model.length);
    FUZZ_CHECK(view.selectedText() == model.text.mid(model.start, model.length));
    checkDocument(view.document());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Lives for the whole run and is never destroyed: at exit Qt's own globals may already
    // be gone, and destroying it then would crash.
    static QApplication *const application = new QApplication(*argc, *argv);
    Q_UNUSED(application)
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size) {
    ByteReader in(data, size);
    auto view = std::make_unique<TranscriptView>();
    view->resize(320, 200);
    Model model;
    while (!in.atEnd()) {
        const unsigned op = in.byte() % 9;
        switch (op) {
        case 0: {
            const QString text = makeText(in);
            if (model.text.size() + text.size() > kMaxText)
                break;
            view->appendText(text);
            model.text += text;
            break;
        }
        case 1: {
            const qsizetype position = in.u16() % (model.text.size() + 3);
            view->setSelectionStart(position);
            model.setSelectionStart(position);
            break;
        }
        case 2: {
            const qsizetype count = in.u16() % (model.text.size() + 3);
            view->setSelectionLength(count);
            model.setSelectionLength(count);
            break;
        }
        case 3: {
            const QString text = makeText(in);
            if (model.text.size() + text.size() > kMaxText)
                break;
            view->replaceSelection(text);
            model.replaceSelection(text);
            break;
        }
        case 4: { // Cut: take the selected text, then delete it.
            const QString cut = view->selectedText();
            FUZZ_CHECK(cut == model.text.mid(model.start, model.length));
            view->replaceSelection(QString());
            model.replaceSelection(QString());
            break;
        }
        case 5: {
            const QString text = makeText(in);
            view->setText(text);
            model.setText(text);
            break;
        }
        case 6:
            view->setText(QString());
            model.setText(QString());
            break;
        case 7: // Select all, as the Edit menu does.
            view->setSelectionStart(0);
            view->setSelectionLength(view->length());
            model.setSelectionStart(0);
            model.setSelectionLength(model.text.size());
            break;
        case 8: // Let the view lay out and draw what it holds.
            if (!view->isVisible())
                view->show();
            QCoreApplication::processEvents();
            break;
        }
        compare(*view, model);
    }
    return 0;
}

// Colours as drawn whatever the palette, the selection, the clock, and keyboard paths.
#include "common/windows.h"
#include "ui/main/form1.h"
#include "widgets/singlewindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

// How many pixels of the image are close to the colour.
int pixelsNear(const QImage &image, const QColor &colour) {
    int count = 0;
    for (int i = 0; i < image.width() * image.height(); ++i) {
        const QColor p = image.pixelColor(i % image.width(), i / image.width());
        count += std::abs(p.red() - colour.red()) < 40 &&
                 std::abs(p.green() - colour.green()) < 40 &&
                 std::abs(p.blue() - colour.blue()) < 40;
    }
    return count;
}

// A box: the menu item opening its window (none: the main window), its widget, text typed, colours.
struct Box {
    const char *name, *menuItem, *widget, *typed;
    QRgb text, ground;
};

} // namespace

Q_DECLARE_METATYPE(Box)

class TestAccessibility : public QObject {
    Q_OBJECT

    QPointer<Form1> m_form;

    QWidget *open(const QString &menuItem) {
        return menuItem.isEmpty() ? m_form.data() : openFromMenu(m_form, menuItem);
    }

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        delete m_form; // when a test starts again with another palette or region
        m_form = new Form1;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }
    void cleanup() {
        destroyRemainingWindows();
        QApplication::setPalette(QPalette());
        QLocale::setDefault(QLocale::system());
    }

    // Each coloured box, grabbed as drawn, shows its text in its own colour on its own ground.
    void textDrawnInItsColours_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<Box>("box");
        const QRgb black = qRgb(0, 0, 0), yellow = qRgb(255, 255, 0), green = qRgb(0, 192, 0);
        const Box boxes[] = {{"answer", "mnuHow", "Label1", "", green, black},
                             {"question list", "mnuHow", "Combo1", "", qRgb(255, 0, 0), black},
                             {"transcript", "", "Text2", "", yellow, black},
                             {"input line", "", "Text1", "hello", qRgb(255, 255, 255), black},
                             {"clock", "", "Label1", "", black, qRgb(192, 192, 192)},
                             {"user name", "mnuLogIn", "Text1", "someone", yellow, black},
                             {"password", "mnuLogIn", "Text2", "secret", yellow, black},
                             {"server", "mnuLogIn", "Combo1", "", yellow, black},
                             {"address", "mnuIP", "Text1", "10.0.0.1", yellow, black}};
        for (bool dark : {false, true}) {
            for (const Box &box : boxes)
                QTest::addRow("%s, %s", dark ? "dark" : "light", box.name) << dark << box;
        }
    }
    void textDrawnInItsColours() {
        QFETCH(bool, dark);
        QFETCH(Box, box);
        if (dark) { // light text on dark grounds, as a dark desktop theme has it
            QApplication::setPalette(QPalette(QColor(53, 53, 53), QColor(30, 30, 30)));
            init();
        }
        QWidget *window = open(QString::fromLatin1(box.menuItem));
        QVERIFY(window);
        auto *widget = window->findChild<QWidget *>(QString::fromLatin1(box.widget));
        QVERIFY(widget);
        QTest::keyClicks(widget, QString::fromLatin1(box.typed));
        auto *label = qobject_cast<QLabel *>(widget);
        if (label && window != m_form) { // an answer box: ask the first question
            window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentIndex(0);
            window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        }
        QTRY_VERIFY(!label || !label->text().isEmpty());
        const QImage drawn =
            window->grab(QRect(widget->mapTo(window, QPoint(2, 2)), widget->size() - QSize(4, 4)))
                .toImage();
        const int textPixels = pixelsNear(drawn, box.text);
        QVERIFY2(textPixels >= 4, qPrintable(QString::number(textPixels) + " text pixels"));
        QVERIFY(pixelsNear(drawn, box.ground) > drawn.width() * drawn.height() / 2);
    }

    // The transcript's selection stays shown without the focus, its text readable on it.
    void selectionDrawnVisibly() {
        auto *transcript = m_form->findChild<QWidget *>(QStringLiteral("Text2"));
        QTest::mouseClick(transcript, Qt::LeftButton);
        QTest::keyClick(transcript, Qt::Key_A, Qt::ControlModifier);
        m_form->findChild<QWidget *>(QStringLiteral("Text1"))->setFocus();
        const QPalette colours = transcript->palette();
        const QColor highlight = colours.color(QPalette::Inactive, QPalette::Highlight);
        QVERIFY(pixelsNear(transcript->grab().toImage(), highlight) > 100);
        const QColor text = colours.color(QPalette::Inactive, QPalette::HighlightedText);
        QVERIFY(std::abs(qGray(highlight.rgb()) - qGray(text.rgb())) >= 96);
    }

    // The region's long time, without the zone Qt adds.
    void clockFollowsTheRegion() {
        for (const auto &[locale, time] :
             {std::pair{"en_US", R"(^\d{1,2}:\d\d:\d\d[\s\x{202f}]?[AP]M$)"},
              std::pair{"de_DE", R"(^\d\d:\d\d:\d\d$)"}}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
            init();
            const QLabel *clock = child<QLabel>(m_form, "Label1");
            QTRY_VERIFY2(
                QRegularExpression(QString::fromLatin1(time)).match(clock->text()).hasMatch(),
                qPrintable(clock->text()));
        }
    }

    // Tab visits every tab stop; Return, Enter or Space presses the focused button once.
    void keyboard_data() {
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<int>("key");
        for (const char *item : {"", "mnuHow", "mnuChat", "mnuAbout", "mnuSystem"}) {
            for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
                QTest::addRow("%s %x", *item ? item : "main", key)
                    << QString::fromLatin1(item) << key;
        }
    }
    void keyboard() {
        QFETCH(QString, menuItem);
        QFETCH(int, key);
        QWidget *window = open(menuItem);
        QVERIFY(window && QTest::qWaitForWindowActive(window));
        QSet<QWidget *> tabStops, reached;
        for (QWidget *child : window->findChildren<QWidget *>()) {
            if ((child->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
                child->isVisibleTo(window) && child->isEnabled() && !child->focusProxy())
                tabStops.insert(child);
        }
        for (int i = 0; i < 2 * tabStops.size(); ++i) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus && focus->window() == window);
            reached.insert(focus);
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(reached, tabStops);
        auto *pushed = window->findChild<QPushButton *>(
            menuItem.isEmpty() ? QStringLiteral("cmdSend") : QStringLiteral("Command1"));
        pushed->setFocus();
        QSignalSpy clicks(pushed, &QPushButton::clicked);
        QTest::keyClick(pushed, Qt::Key(key));
        QCOMPARE(clicks.count(), 1);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"

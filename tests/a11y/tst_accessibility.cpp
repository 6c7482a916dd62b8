// What the user sees and hears in each window: the colours as drawn, the clock's text, the
// keys that press buttons, the masked password, and the keyboard paths (access keys, Tab).
#include "ui/main/form1.h"
#include "ui/singlewindow.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

namespace {

// WCAG's contrast ratio of two colours, 1 (alike) to 21 (black on white).
double contrast(const QColor &a, const QColor &b) {
    const auto luminance = [](const QColor &c) {
        const auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool near(QRgb pixel, const QColor &colour) {
    return std::abs(qRed(pixel) - colour.red()) < 40 &&
           std::abs(qGreen(pixel) - colour.green()) < 40 &&
           std::abs(qBlue(pixel) - colour.blue()) < 40;
}

QPalette darkPalette() {
    QPalette dark(QColor(53, 53, 53), QColor(30, 30, 30));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                      QPalette::BrightText, QPalette::PlaceholderText})
        dark.setColor(role, QColor(235, 235, 235));
    dark.setColor(QPalette::Base, QColor(25, 25, 25));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
    return dark;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

    QPointer<Form1> m_form;

    QWidget *open(const QString &menuItem) {
        if (menuItem.isEmpty())
            return m_form;
        const QWidgetList existing = QApplication::topLevelWidgets();
        m_form->findChild<QAction *>(menuItem)->trigger();
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (!existing.contains(window) && window->isVisible())
                return window;
        }
        return nullptr;
    }
    static bool activate(QWidget *window) {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }
    template<typename T> static T *child(QWidget *window, const char *name) {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    // Picks the list's first entry and presses "Answer!".
    static void showAnswer(QWidget *window) {
        child<QComboBox>(window, "Combo1")->setCurrentIndex(0);
        child<QPushButton>(window, "Command1")->click();
    }

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        m_form = new Form1;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }
    void cleanup() {
        destroyRemainingWindows();
        delete m_form;
        QApplication::setPalette(QPalette());
        QLocale::setDefault(QLocale::system());
    }

    // Each coloured box, grabbed as drawn, shows its text in its own colour on its own
    // ground, whatever the desktop's palette.
    void textDrawnInItsColours_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("ground");
        const QColor black(0, 0, 0), yellow(255, 255, 0), green(0, 192, 0), grey(192, 192, 192);
        for (bool dark : {false, true}) {
            const char *theme = dark ? "dark, " : "light, ";
            const auto row = [&](const char *name) {
                return &(QTest::newRow(qPrintable(theme + QString::fromLatin1(name))) << dark);
            };
            *row("answer") << "mnuHow"
                           << "Label1" << QString() << green << black;
            *row("description") << "mnuChat"
                                << "Label1" << QString() << green << black;
            *row("question list") << "mnuHow"
                                  << "Combo1" << QString() << QColor(255, 0, 0) << black;
            *row("transcript") << QString() << "Text2" << QString() << yellow << black;
            *row("input line") << QString() << "Text1"
                               << "hello" << QColor(255, 255, 255) << black;
            *row("clock") << QString() << "Label1" << QString() << black << grey;
            *row("user name") << "mnuLogIn"
                              << "Text1"
                              << "someone" << yellow << black;
            *row("password") << "mnuLogIn"
                             << "Text2"
                             << "secret" << yellow << black;
            *row("server") << "mnuLogIn"
                           << "Combo1" << QString() << yellow << black;
            *row("address") << "mnuIP"
                            << "Text1"
                            << "10.0.0.1" << yellow << black;
        }
    }
    void textDrawnInItsColours() {
        QFETCH(bool, dark);
        QFETCH(QString, menuItem);
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QColor, text);
        QFETCH(QColor, ground);
        if (dark) {
            delete m_form;
            QApplication::setPalette(darkPalette());
            init();
        }
        QWidget *window = open(menuItem);
        QVERIFY(window);
        if (menuItem == u"mnuHow" || menuItem == u"mnuChat")
            showAnswer(window);
        auto *widget = window->findChild<QWidget *>(box);
        QVERIFY(widget);
        if (!typed.isEmpty())
            QTest::keyClicks(widget, typed);
        if (auto *label = qobject_cast<QLabel *>(widget))
            QTRY_VERIFY(!label->text().isEmpty());
        // Inside the frame, as the window draws it.
        const QImage drawn =
            window->grab(QRect(widget->mapTo(window, QPoint(2, 2)), widget->size() - QSize(4, 4)))
                .toImage();
        int textPixels = 0, groundPixels = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                textPixels += near(drawn.pixel(x, y), text);
                groundPixels += near(drawn.pixel(x, y), ground);
            }
        }
        QVERIFY2(textPixels >= 4,
                 qPrintable(QStringLiteral("%1 pixels of the text colour").arg(textPixels)));
        QVERIFY(groundPixels > drawn.width() * drawn.height() / 2);
        QVERIFY(contrast(text, ground) >= 4.5);
    }

    // A selection in the transcript is drawn in a highlight that contrasts with its text.
    void selectionDrawnVisibly() {
        auto *transcript = child<QWidget>(m_form, "Text2");
        QTest::mouseClick(transcript, Qt::LeftButton);
        QTest::keyClick(transcript, Qt::Key_A, Qt::ControlModifier);
        child<QWidget>(m_form, "Text1")->setFocus(); // the selection stays shown without focus
        const QPalette colours = transcript->palette();
        const QColor highlight = colours.color(QPalette::Inactive, QPalette::Highlight);
        const QImage drawn = transcript->grab().toImage();
        int lit = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                lit += near(drawn.pixel(x, y), highlight);
        QVERIFY(lit > 100);
        QVERIFY(contrast(highlight, colours.color(QPalette::Inactive, QPalette::HighlightedText)) >=
                3);
    }

    // The clock shows the region's long time without a zone and its short date.
    void clockFollowsTheRegion_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("date");
        QTest::newRow("en_US") << "en_US"
                               << R"(^\d{1,2}:\d\d:\d\d[\s\x{202f}]?[AP]M$)"
                               << R"(^\d{1,2}/\d{1,2}/\d\d$)";
        QTest::newRow("de_DE") << "de_DE"
                               << R"(^\d\d:\d\d:\d\d$)"
                               << R"(^\d\d\.\d\d\.\d\d$)";
        QTest::newRow("en_GB") << "en_GB"
                               << R"(^\d\d:\d\d:\d\d$)"
                               << R"(^\d\d/\d\d/\d{4}$)";
    }
    void clockFollowsTheRegion() {
        QFETCH(QString, locale);
        QFETCH(QString, time);
        QFETCH(QString, date);
        delete m_form;
        QLocale::setDefault(QLocale(locale));
        init();
        auto *clock = child<QLabel>(m_form, "Label1");
        QTRY_VERIFY(!clock->text().isEmpty());
        QVERIFY2(QRegularExpression(time).match(clock->text()).hasMatch(),
                 qPrintable(clock->text()));
        const QString day = child<QLabel>(m_form, "Label2")->text();
        QVERIFY2(QRegularExpression(date).match(day).hasMatch(), qPrintable(day));
        // A screen reader reads the time as the label's name and hears it change.
        QCOMPARE(QAccessible::queryAccessibleInterface(clock)->text(QAccessible::Name),
                 clock->text());
    }

    // Enter, Return or Space on a focused button presses it once; Enter in the input line
    // does not press Send.
    void keysPressFocusedButton_data() {
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        for (const char *menu : {"", "mnuHow", "mnuChat", "mnuSystem", "mnuAbout"}) {
            const QString button = *menu ? QStringLiteral("Command1") : QStringLiteral("cmdSend");
            for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
                QTest::addRow("%s %s %x", *menu ? menu : "main", qPrintable(button), key)
                    << QString::fromLatin1(menu) << button << key;
        }
    }
    void keysPressFocusedButton() {
        QFETCH(QString, menuItem);
        QFETCH(QString, button);
        QFETCH(int, key);
        QWidget *window = open(menuItem);
        QVERIFY(activate(window));
        auto *pushed = window->findChild<QPushButton *>(button);
        QSignalSpy clicks(pushed, &QPushButton::clicked);
        if (QWidget *line = menuItem.isEmpty() ? child<QWidget>(window, "Text1") : nullptr) {
            QTest::keyClick(line, Qt::Key_Return);
            QCOMPARE(clicks.count(), 0);
        }
        pushed->setFocus();
        QTest::keyClick(pushed, Qt::Key(key));
        QCOMPARE(clicks.count(), 1);
    }

    // Tab from the first control visits every control that takes the keyboard, in every
    // window; the transcript takes it by click only.
    void tabReachesEveryControl_data() {
        QTest::addColumn<QString>("menuItem");
        for (const char *item :
             {"", "mnuLogIn", "mnuChannels", "mnuIP", "mnuHow", "mnuChat", "mnuAbout", "mnuSystem"})
            QTest::newRow(*item ? item : "main window") << QString::fromLatin1(item);
    }
    void tabReachesEveryControl() {
        QFETCH(QString, menuItem);
        QWidget *window = open(menuItem);
        QVERIFY(activate(window));
        QSet<QWidget *> tabStops;
        for (QWidget *child : window->findChildren<QWidget *>()) {
            if ((child->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
                child->isVisibleTo(window) && child->isEnabled() && !child->focusProxy())
                tabStops.insert(child);
        }
        QSet<QWidget *> reached;
        for (int i = 0; i < 2 * tabStops.size(); ++i) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus && focus->window() == window);
            reached.insert(focus);
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(reached, tabStops);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"

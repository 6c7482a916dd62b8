// What a screen reader finds in each window (names and roles through Qt's accessibility
// interfaces), and the keyboard paths to the windows and commands: menu access keys and Tab.
#include "help/addresses.h"
#include "help/notices.h"
#include "ui/accessibility.h"
#include "ui/connect/frmlogin.h"
#include "ui/main/form1.h"
#include "ui/singlewindow.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {

// One control a window must announce: found by object name, with the name and role a screen
// reader reads for it.
struct Expected {
    QString object;
    QString name;
    QAccessible::Role role;
};
using Expectations = QList<Expected>;

void collect(QAccessibleInterface *iface, QList<QAccessibleInterface *> &out) {
    if (!iface || !iface->isValid())
        return;
    out.append(iface);
    for (int i = 0; i < iface->childCount(); ++i)
        collect(iface->child(i), out);
}

// The window's whole accessibility tree, as a screen reader walks it.
QList<QAccessibleInterface *> tree(QObject *window) {
    QList<QAccessibleInterface *> nodes;
    collect(QAccessible::queryAccessibleInterface(window), nodes);
    return nodes;
}

// What the user acts on: each must be announced by name.
bool isInteractive(const QAccessibleInterface *iface) {
    switch (iface->role()) {
    case QAccessible::PushButton:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::List:
    case QAccessible::ListItem:
    case QAccessible::Link:
    case QAccessible::MenuItem:
    case QAccessible::PopupMenu:
        return true;
    default:
        return iface->state().focusable;
    }
}

QString describe(const QAccessibleInterface *iface) {
    const QObject *object = iface->object();
    return QStringLiteral("%1 %2 role 0x%3")
        .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("-"),
             object ? object->objectName() : QString(), QString::number(iface->role(), 16));
}

QStringList labelNames(QAccessibleInterface *iface) {
    QStringList names;
    const auto relations = iface->relations(QAccessible::Label);
    for (const auto &relation : relations)
        names << relation.first->text(QAccessible::Name);
    return names;
}

// The mnemonic letter of a caption ("Mark as &DND" -> 'D'), or 0.
QChar accessKey(const QString &caption) {
    const qsizetype amp = caption.indexOf(u'&');
    return amp >= 0 && amp + 1 < caption.size() ? caption.at(amp + 1).toUpper() : QChar();
}

} // namespace

Q_DECLARE_METATYPE(Expectations)

class TestAccessibility : public QObject {
    Q_OBJECT

    QPointer<Form1> m_form;
    QList<QUrl> m_opened;

    QAction *action(const QString &name) const { return m_form->findChild<QAction *>(name); }

    // Opens the window of a menu item, or returns the main window for an empty name.
    QWidget *open(const QString &menuItem) {
        if (menuItem.isEmpty())
            return m_form;
        const QWidgetList existing = QApplication::topLevelWidgets();
        const QSet<QWidget *> before(existing.cbegin(), existing.cend());
        action(menuItem)->trigger();
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (!before.contains(window) && window->isVisible())
                return window;
        }
        return nullptr;
    }

    static bool activate(QWidget *window) {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }

    // The popup menu that the keyboard is in, once it has opened.
    static QMenu *openMenu() {
        QMenu *menu = nullptr;
        [&] { QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()))); }();
        return menu;
    }

public Q_SLOTS:
    // Stands in for the user's browser.
    void openUrl(const QUrl &url) { m_opened.append(url); }

private Q_SLOTS:
    void initTestCase() {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    }
    void init() {
        m_form = new Form1;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }
    void cleanup() {
        destroyRemainingWindows();
        delete m_form;
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    void everyControlIsNamed_data() {
        using R = QAccessible::Role;
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("windowRole");
        QTest::addColumn<Expectations>("expected");

        QTest::newRow("main window")
            << QString() << "Brackmoor Chat v3.05" << int(R::Window)
            << Expectations{{"Frame1", "Chatting Options", R::Grouping},
                            {"Image1", "Brackmoor Chat banner", R::Graphic},
                            {"Text2", "Chat transcript", R::EditableText},
                            {"Text1", "Message", R::EditableText},
                            {"cmdSend", "Send", R::PushButton},
                            {"Label1", "Time", R::StaticText},
                            {"Label2", "Date", R::StaticText},
                            {"statusLine", "Connection status", R::StaticText}};
        QTest::newRow("log-in") << "mnuLogIn"
                                << "Log In" << int(R::Dialog)
                                << Expectations{{"Text1", "Username:", R::EditableText},
                                                {"Text2", "Password:", R::EditableText},
                                                {"Combo1", "Server:", R::ComboBox},
                                                {"cmdConnect", "Connect", R::PushButton},
                                                {"Command1", "Log On!", R::PushButton},
                                                {"Command2", "Cancel", R::PushButton}};
        QTest::newRow("join channel") << "mnuChannels"
                                      << "Join Channel..." << int(R::Window)
                                      << Expectations{{"Frame1", "Channel Options", R::Grouping},
                                                      {"List1", "Channels", R::List},
                                                      {"Command1", "Join", R::PushButton},
                                                      {"cmdCancel", "Cancel", R::PushButton}};
        QTest::newRow("IP teller") << "mnuIP"
                                   << "Your IP" << int(R::Window)
                                   << Expectations{{"Text1", "Your IP:", R::EditableText},
                                                   {"Command2", "Tell Me", R::PushButton},
                                                   {"Command1", "Close", R::PushButton}};
        QTest::newRow("questions") << "mnuHow"
                                   << "How do I...." << int(R::Window)
                                   << Expectations{{"Combo1", "Question", R::ComboBox},
                                                   {"Label1", "Answer", R::StaticText},
                                                   {"Command1", "Answer!", R::PushButton}};
        QTest::newRow("chat commands") << "mnuChat"
                                       << "Battle.net Chat Commands" << int(R::Window)
                                       << Expectations{{"Combo1", "Command", R::ComboBox},
                                                       {"Label1", "Description", R::StaticText},
                                                       {"Command1", "Answer!", R::PushButton}};
        QTest::newRow("about") << "mnuAbout"
                               << "About Brackmoor Chat v3.05" << int(R::Window)
                               << Expectations{
                                      {"Frame1", "About Brackmoor Chat v3.05", R::Grouping},
                                      {"csHyperlink1", Addresses::ktxDomainName, R::Link},
                                      {"Command1", "Close", R::PushButton}};
        QTest::newRow("system requirements")
            << "mnuSystem"
            << "System Requirements" << int(R::Dialog)
            << Expectations{{"Frame1", "System Requirements", R::Grouping},
                            {"Command1", "Close", R::PushButton}};
    }
    void everyControlIsNamed() {
        QFETCH(QString, menuItem);
        QFETCH(QString, caption);
        QFETCH(int, windowRole);
        QFETCH(Expectations, expected);

        QWidget *window = open(menuItem);
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QAccessibleInterface *root = QAccessible::queryAccessibleInterface(window);
        QCOMPARE(root->text(QAccessible::Name), caption);
        QCOMPARE(int(root->role()), windowRole);

        const QList<QAccessibleInterface *> nodes = tree(window);
        for (QAccessibleInterface *node : nodes) {
            if (isInteractive(node))
                QVERIFY2(!node->text(QAccessible::Name).trimmed().isEmpty(),
                         qPrintable(describe(node) + QStringLiteral(" has no name")));
        }

        for (const Expected &control : expected) {
            auto *widget = window->findChild<QWidget *>(control.object);
            QVERIFY2(widget, qPrintable(control.object));
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
            QVERIFY2(nodes.contains(iface), qPrintable(control.object + u" is not in the tree"));
            QCOMPARE(iface->role(), control.role);
            if (control.role == QAccessible::ComboBox) {
                // On Linux Qt announces a combo box by its text and its label by relation;
                // elsewhere by its accessible name.
                QCOMPARE(widget->accessibleName(), control.name);
                const auto *box = static_cast<QComboBox *>(widget);
                QCOMPARE(
                    QAccessible::queryAccessibleInterface(box->lineEdit())->text(QAccessible::Name),
                    control.name);
                QCOMPARE(
                    QAccessible::queryAccessibleInterface(box->view())->text(QAccessible::Name),
                    control.name);
            } else {
                QCOMPARE(iface->text(QAccessible::Name), control.name);
            }
        }
    }

    // Each box beside a label is announced with that label, on every platform.
    void labelsNameTheirBoxes_data() {
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("label");
        QTest::newRow("user name") << "mnuLogIn"
                                   << "Text1"
                                   << "Username:";
        QTest::newRow("password") << "mnuLogIn"
                                  << "Text2"
                                  << "Password:";
        QTest::newRow("server") << "mnuLogIn"
                                << "Combo1"
                                << "Server:";
        QTest::newRow("address") << "mnuIP"
                                 << "Text1"
                                 << "Your IP:";
    }
    void labelsNameTheirBoxes() {
        QFETCH(QString, menuItem);
        QFETCH(QString, box);
        QFETCH(QString, label);
        QWidget *window = open(menuItem);
        QAccessibleInterface *iface =
            QAccessible::queryAccessibleInterface(window->findChild<QWidget *>(box));
        QCOMPARE(labelNames(iface), QStringList(label));
    }

    // The answer boxes and the clock keep what they show readable under a name of their own.
    void namedLabelsShowTheirTextAsValue() {
        QWidget *window = open(QStringLiteral("mnuHow"));
        auto *combo = window->findChild<QComboBox *>(QStringLiteral("Combo1"));
        combo->setEditText(QStringLiteral("How do I chat?"));
        QTest::mouseClick(window->findChild<QWidget *>(QStringLiteral("Command1")), Qt::LeftButton);
        auto *answer = window->findChild<QLabel *>(QStringLiteral("Label1"));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(answer);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Answer"));
        QVERIFY(!answer->text().isEmpty());
        QCOMPARE(iface->text(QAccessible::Value), answer->text());

        // The helper as the main window's clock would use it, on a label built for it.
        QLabel clock(m_form->Frame1);
        clock.setText(QStringLiteral("12:34:56"));
        setLabelAccessibleName(&clock, QStringLiteral("Time"));
        iface = QAccessible::queryAccessibleInterface(&clock);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Time"));
        QCOMPARE(iface->role(), QAccessible::StaticText);
        clock.setText(QStringLiteral("12:34:57"));
        QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("12:34:57"));
        QVERIFY(tree(m_form).contains(iface));
    }

    void passwordIsNeverAnnounced() {
        auto *login = static_cast<frmLogin *>(open(QStringLiteral("mnuLogIn")));
        QVERIFY(activate(login));
        login->Text2->setFocus();
        // Not one of its characters is in "Password:" or the mask.
        const QString secret = QStringLiteral("zebu-Kiq7");
        QTest::keyClicks(login->Text2, secret);
        QCOMPARE(login->Text2->text(), secret);

        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(login->Text2);
        QVERIFY(iface->state().passwordEdit);
        QStringList heard{iface->text(QAccessible::Name), iface->text(QAccessible::Value),
                          iface->text(QAccessible::Description)};
        QAccessibleTextInterface *text = iface->textInterface();
        QVERIFY(text);
        heard << text->text(0, text->characterCount());
        for (int offset = 0; offset <= text->characterCount(); ++offset) {
            for (auto boundary : {QAccessible::CharBoundary, QAccessible::WordBoundary,
                                  QAccessible::LineBoundary, QAccessible::NoBoundary}) {
                int start = 0;
                int end = 0;
                heard << text->textAtOffset(offset, boundary, &start, &end)
                      << text->textBeforeOffset(offset, boundary, &start, &end)
                      << text->textAfterOffset(offset, boundary, &start, &end);
            }
        }
        for (const QString &said : std::as_const(heard)) {
            for (const QChar c : secret)
                QVERIFY2(!said.contains(c), qPrintable(u"announced: " + said));
        }
    }

    void linkIsPressedThroughItsAction() {
        QWidget *about = open(QStringLiteral("mnuAbout"));
        QAccessibleInterface *link = QAccessible::queryAccessibleInterface(
            about->findChild<QWidget *>(QStringLiteral("csHyperlink1")));
        QCOMPARE(link->role(), QAccessible::Link);
        QVERIFY(link->state().focusable);
        QAccessibleActionInterface *actions = link->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_opened, QList<QUrl>{QUrl(Addresses::ktxWebAddress)});
    }

    void noticesNameTheirButtons() {
        const std::unique_ptr<QMessageBox> box(createNotice(Notice::GeneralHelp, m_form));
        box->show();
        QAccessibleInterface *root = QAccessible::queryAccessibleInterface(box.get());
        QCOMPARE(root->text(QAccessible::Name), QStringLiteral("General Help"));
        QStringList buttons;
        for (QAccessibleInterface *node : tree(box.get())) {
            if (isInteractive(node))
                QVERIFY2(!node->text(QAccessible::Name).isEmpty(), qPrintable(describe(node)));
            if (node->role() == QAccessible::PushButton)
                buttons << node->text(QAccessible::Name);
        }
        QCOMPARE(buttons, (QStringList{"Cancel", "Try Again", "Continue"}));
    }

    // Menus and items are named by their captions without the access key's "&".
    void menusAreNamed() {
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(m_form->menuBar());
        QCOMPARE(bar->role(), QAccessible::MenuBar);
        QStringList titles;
        int items = 0;
        for (QAccessibleInterface *node : tree(m_form->menuBar())) {
            auto *item = qobject_cast<QAction *>(node->object());
            if (node->role() == QAccessible::PopupMenu) {
                const auto *menu = static_cast<QMenu *>(node->object());
                QCOMPARE(node->text(QAccessible::Name), QString(menu->title()).remove(u'&'));
                titles << node->text(QAccessible::Name);
            } else if (item && item->isSeparator()) {
                QCOMPARE(node->role(), QAccessible::Separator);
            } else if (item) {
                QCOMPARE(node->role(), QAccessible::MenuItem);
                QCOMPARE(node->text(QAccessible::Name), QString(item->text()).remove(u'&'));
                ++items;
            }
        }
        QCOMPARE(titles, (QStringList{"File", "Edit", "Options", "Help"}));
        QCOMPARE(items, 4 + 8 + 5 + 11 + 6); // the four titles and every item
    }

    // Every item has an access key; within one menu only "Mark as &DND" and "&Designate User"
    // share theirs, and Qt moves between such items instead of choosing one.
    void accessKeysClashOnlyInOptions() {
        QStringList clashes;
        const QList<QMenu *> menus{m_form->menuBar()->findChildren<QMenu *>()};
        QList<QList<QAction *>> groups{m_form->menuBar()->actions()};
        for (QMenu *menu : menus)
            groups << menu->actions();
        for (const QList<QAction *> &group : std::as_const(groups)) {
            QMultiHash<QChar, QString> byKey;
            for (QAction *item : group) {
                if (item->isSeparator())
                    continue;
                const QChar key = accessKey(item->text());
                QVERIFY2(!key.isNull(), qPrintable(item->text()));
                byKey.insert(key, item->text());
            }
            for (const QChar key : byKey.uniqueKeys()) {
                if (byKey.count(key) > 1) {
                    QStringList shared = byKey.values(key);
                    shared.sort();
                    clashes << shared.join(u'+');
                }
            }
        }
        QCOMPARE(clashes, QStringList(QStringLiteral("&Designate User+Mark as &DND")));
    }

    void accessKeysOpenWindows_data() {
        QTest::addColumn<Qt::Key>("menu");
        QTest::addColumn<Qt::Key>("item");
        QTest::addColumn<QString>("caption");
        QTest::newRow("File, LogIn") << Qt::Key_F << Qt::Key_L << "Log In";
        QTest::newRow("File, Channels") << Qt::Key_F << Qt::Key_C << "Join Channel...";
        QTest::newRow("Help, How do I") << Qt::Key_H << Qt::Key_H << "How do I....";
        QTest::newRow("Help, About") << Qt::Key_H << Qt::Key_A << "About Brackmoor Chat v3.05";
    }
    void accessKeysOpenWindows() {
        QFETCH(Qt::Key, menu);
        QFETCH(Qt::Key, item);
        QFETCH(QString, caption);
        QVERIFY(activate(m_form));
        QTest::keyClick(m_form, menu, Qt::AltModifier);
        QMenu *popup = openMenu();
        QVERIFY(popup);
        QTest::keyClick(popup, item);
        QWidget *opened = nullptr;
        QTRY_VERIFY([&] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (window->isVisible() && window->windowTitle() == caption)
                    opened = window;
            }
            return opened != nullptr;
        }());
    }

    void optionsAccessKeyReachesBothItems_data() {
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("command");
        QTest::newRow("first press") << 1 << "/DND ";
        QTest::newRow("second press") << 2 << "/designate ";
        QTest::newRow("third press wraps") << 3 << "/DND ";
    }
    void optionsAccessKeyReachesBothItems() {
        QFETCH(int, presses);
        QFETCH(QString, command);
        QVERIFY(activate(m_form));
        QTest::keyClick(m_form, Qt::Key_O, Qt::AltModifier);
        QMenu *popup = openMenu();
        QVERIFY(popup);
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(popup, Qt::Key_D);
        QVERIFY(popup->isVisible()); // a shared key only moves the highlight
        QTest::keyClick(popup, Qt::Key_Return);
        QTRY_COMPARE(m_form->Text1->text(), command);
    }

    void loginTabOrder() {
        auto *login = static_cast<frmLogin *>(open(QStringLiteral("mnuLogIn")));
        QVERIFY(activate(login));
        QTRY_COMPARE(QApplication::focusWidget(), login->Text1);
        const QList<QWidget *> order{login->Text2,      login->Command1, login->Command2,
                                     login->cmdConnect, login->Combo1,   login->Text1};
        for (QWidget *next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
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
        QVERIFY(!tabStops.isEmpty());
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

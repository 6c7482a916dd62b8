#include "help/frmhow.h"

#include "help/addresses.h"

namespace {

// The questions in list order, each with its answer.
const QList<LookupEntry> &questions() {
    static const QList<LookupEntry> table = {
        {QStringLiteral("How do I connect?"),
         QStringLiteral("You must first have a valid connection to the internet. Then choose the "
                        "LogIn button in the file menu, and enter your user information, and "
                        "server. Push 'connect' then 'LogIn'. You will see it prompt you for a "
                        "password when you push 'LogIn', don't worry about that.. It's taken "
                        "care of :)")},
        {QStringLiteral("How do I log in?"),
         QStringLiteral("After you push connect, enter your user information, and server. Push "
                        "'LOGIN'. Don't worry if it asks you for a password, just wait till you "
                        "see it log in...")},
        {QStringLiteral("How do I chat?"),
         QStringLiteral("You have to connect, then login, then type! It's not to hard... If you "
                        "do not know any of the battle.net commands, there are a list of them "
                        "under 'Help'. I put some of the important ones under the 'Options' "
                        "Menu")},
        {QStringLiteral("What's my Username and Pass?"),
         QStringLiteral("It's what you use to sign onto the server. You have to first open up a "
                        "battle.net supported game, like: Diablo, Starcraft, Warcraft2 "
                        "platnium, and register an account. You can then sign in with your "
                        "bot.")},
        {QStringLiteral("What are the chat commands?"),
         QStringLiteral("Chat commands are what you can use to enhance your battle.net "
                        "experience. You can see a list of them under our help file, or goto: ") +
             Addresses::chatServiceWebAddress + QStringLiteral(" for the official list...")},
        {QStringLiteral("I have a question, Where can I send it?"),
         QStringLiteral("You can send all questions, comments, bug reports, or whatever to: ") +
             Addresses::supportEmail + QStringLiteral(".")},
    };
    return table;
}

} // namespace

frmHow::frmHow(const QWidget *owner, QWidget *parent)
    : LookupWindow({QStringLiteral("frmHow"), QStringLiteral("How do I...."),
                    /*clientHeight=*/1905, /*listWidth=*/3495,
                    QStringLiteral("Select your Question..."), tr("Question"), tr("Answer"),
                    questions()},
                   owner, parent) {}

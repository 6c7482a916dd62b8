#include "help/frmchatcom.h"

namespace {

// The commands in list order, each with its description; a command's placeholder is part of
// its key.
const QList<LookupEntry> &commands() {
    static const QList<LookupEntry> table = {
        {QStringLiteral("/whois <NAME>"),
         QStringLiteral("This will enable you to see where a person is on battle.net EX: /whois "
                        "BILLY")},
        {QStringLiteral("/whoami"),
         QStringLiteral("This will tell you your battle.net account information, including your "
                        "current location.")},
        {QStringLiteral("/whisper <NAME>"),
         QStringLiteral("This will let you send a personal message to the user specified. Ex: "
                        "/msg BILLY")},
        {QStringLiteral("/squelch <NAME>"),
         QStringLiteral("This is for all the lamers who plague battle.net. If you are tired of "
                        "hearing some bot spam, you can filter out messages from him. EX: "
                        "/squelch LAMEBOT")},
        {QStringLiteral("/unsquelch <NAME>"),
         QStringLiteral("This will make it so you can see the lame messages from the specified "
                        "name. EX: /unsquelch LAMEBOT")},
        {QStringLiteral("/away <TEXT>"),
         QStringLiteral("This will tell user's you are away. So if they message you, they get an "
                        "error EX: /away TAKEN A POOOPPP")},
        {QStringLiteral("/dnd <TEXT>"),
         QStringLiteral("This will do the same as away... Kinda dumb")},
        {QStringLiteral("/who <CHANNEL>"),
         QStringLiteral("This will tell you who's in th channel. EX: /who CHEATERS")},
        {QStringLiteral("/users"),
         QStringLiteral("This will display how many users are logged on battle.net")},
        {QStringLiteral("/time"),
         QStringLiteral("This will tell you the current battle.net time, and your current time. "
                        "In Military time...")},
        {QStringLiteral("/join <CHANNEL>"),
         QStringLiteral("This will let you join other channels.")},
        {QStringLiteral("/me <TEXT>"),
         QStringLiteral("This will display yellow text, EX: if you typed '/me IS GOD' It would "
                        "look like this: <NAME: IS GOD>")},
        {QStringLiteral("/rejoin"),
         QStringLiteral("You can rejoin the channel, you will get put on the bottom of the list")},
        {QStringLiteral("/designate <USER>"),
         QStringLiteral("This will designate a user, so if you leave he will get ops for the "
                        "channel")},
        {QStringLiteral("/resign"),
         QStringLiteral("This will step you down from ops, and hand it to the person below "
                        "you...")},
        {QStringLiteral("/kick <USER>"),
         QStringLiteral("This will kick a person from the channel if you have ops. EX: /kick "
                        "SCAMP")},
        {QStringLiteral("/ban <USER>"),
         QStringLiteral("This will kick a user out FOR GOOD! Unless you hand down the ops, then "
                        "he will be allowed back in :)")},
        {QStringLiteral("/unban <USER>"), QStringLiteral("You know what this is DAMNIT!")},
    };
    return table;
}

} // namespace

frmChatCom::frmChatCom(QWidget *parent)
    : LookupWindow({QStringLiteral("frmChatCom"), QStringLiteral("Battle.net Chat Commands"),
                    /*clientHeight=*/1935, /*listWidth=*/3615, QStringLiteral("Select the Command"),
                    tr("Command"), tr("Description"), commands()},
                   /*owner=*/nullptr, parent) {}

#include "help/notices.h"

#include "help/addresses.h"
#include "net/lineend.h"
#include "widgets/msgbox.h"

#include <QMessageBox>

#include <memory>

namespace {

struct NoticeText {
    QString prompt;
    MessageBoxStyle style;
    QString title;
};

NoticeText noticeText(Notice notice) {
    switch (notice) {
    case Notice::ContactUs:
        return {QStringLiteral("You can contact the ktx at:") + kLineEnd +
                    Addresses::ktxWebAddress + kLineEnd + QStringLiteral("And by email: ") +
                    Addresses::supportEmail,
                {MessageButtons::Ok, MessageIcon::Exclamation},
                QStringLiteral("CONTACT THE KTX")};
    case Notice::Ktx:
        return {QStringLiteral("You can reach the KTX at: ") + Addresses::ktxWebAddress,
                {MessageButtons::Ok, MessageIcon::Information},
                QStringLiteral("CONTACT THE KTX")};
    case Notice::Rwqn:
        return {QStringLiteral("RWQN can be reached at: ") + Addresses::rwqnFirstWebAddress +
                    QStringLiteral(" or ") + Addresses::rwqnSecondWebAddress,
                {MessageButtons::Ok, MessageIcon::Information},
                QStringLiteral("CONTACT RWQN")};
    case Notice::Ashwalkers:
        return {QStringLiteral("The Ashwalkers can be reached at: ") +
                    Addresses::ashwalkersWebAddress,
                {MessageButtons::Ok, MessageIcon::Information},
                QStringLiteral("CONTACT THE ASHWALKERS")};
    case Notice::GeneralHelp:
        break;
    }
    return {QStringLiteral("To begin, you must first push 'connect'. Then push 'Log In' and type "
                           "in your user name and password. Then once you do that, just use "
                           "your normal chat commands."),
            {MessageButtons::CancelTryAgainContinue, MessageIcon::None},
            QStringLiteral("General Help")};
}

} // namespace

QMessageBox *createNotice(Notice notice, QWidget *parent) {
    const NoticeText text = noticeText(notice);
    QMessageBox *box = createMessageBox(text.prompt, text.style, text.title, parent);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

void showNotice(Notice notice, QWidget *parent) {
    const std::unique_ptr<QMessageBox> box(createNotice(notice, parent));
    box->exec();
}

#pragma once

#include <QByteArray>
#include <QHash>

#include <optional>

// The gateway's accounts, in memory only: a name is created with its password the first time
// it logs on, and from then on the password must match. Names compare without regard to
// ASCII letter case; the account keeps the spelling it was created with.
class AccountBook {
public:
    // Keeps memory bounded against a client that creates names in a loop.
    static constexpr qsizetype kMaxAccounts = 10000;

    // The account's name when `password` opens it (creating it if it is new), nothing when
    // the password is wrong, either is empty, or the book is full.
    std::optional<QByteArray> logOn(const QByteArray &name, const QByteArray &password);

    bool contains(const QByteArray &name) const { return m_accounts.contains(name.toLower()); }

private:
    struct Account {
        QByteArray name;
        QByteArray passwordHash;
    };

    static QByteArray hash(const QByteArray &password);

    QHash<QByteArray, Account> m_accounts;
};

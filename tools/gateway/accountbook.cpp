#include "accountbook.h"

#include <QCryptographicHash>

std::optional<QByteArray> AccountBook::logOn(const QByteArray &name, const QByteArray &password) {
    if (name.isEmpty() || password.isEmpty())
        return std::nullopt;
    const QByteArray key = name.toLower();
    const auto found = m_accounts.constFind(key);
    if (found != m_accounts.constEnd()) {
        if (found->passwordHash != hash(password))
            return std::nullopt;
        return found->name;
    }
    if (m_accounts.size() >= kMaxAccounts)
        return std::nullopt;
    m_accounts.insert(key, Account{name, hash(password)});
    return name;
}

QByteArray AccountBook::hash(const QByteArray &password) {
    return QCryptographicHash::hash(password, QCryptographicHash::Sha256);
}

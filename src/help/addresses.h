#pragma once

#include <QString>

// Every address the help texts and notices show, kept here so that each one is written once.
// The groups' and the support mailbox's addresses sit under reserved example domains, so that
// nothing the program shows points at somebody else's site.
namespace Addresses {

// The first group (KTX): its web address, and the domain name the About window shows (short
// enough for the link's fixed width).
inline const QString ktxWebAddress = QStringLiteral("http://ktx.example.org");
inline const QString ktxDomainName = QStringLiteral("ktx.example.org");

// The second group (RWQN) has two web addresses.
inline const QString rwqnFirstWebAddress = QStringLiteral("http://www.rwqn.example.org");
inline const QString rwqnSecondWebAddress = QStringLiteral("http://rwqn.example.net");

// The third group (the Ashwalkers).
inline const QString ashwalkersWebAddress = QStringLiteral("http://www.ashwalkers.example.org");

// Where users send questions, comments and bug reports.
inline const QString supportEmail = QStringLiteral("support@brackmoor.example.org");

// The chat service's public web site, home of the official command list.
inline const QString chatServiceWebAddress = QStringLiteral("http://www.battle.net");

} // namespace Addresses

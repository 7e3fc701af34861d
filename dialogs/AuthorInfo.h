#pragma once

#include <QString>

// The author's contact details and the maker's home page, as the about
// window shows them and uses them for its links. A distributor changes them
// here and nowhere else.
namespace AuthorInfo {

inline const QString FirstName = QStringLiteral("Jan");
inline const QString Name = QStringLiteral("Jan Voorbeeld");
inline const QString Street = QStringLiteral("Voorbeeldstraat 1");
inline const QString PostcodeAndTown = QStringLiteral("1234 AB Voorbeelddorp");
inline const QString CountryCode = QStringLiteral("NL-");
inline const QString CountryName = QStringLiteral("The Netherlands");
inline const QString PhoneNational = QStringLiteral("Tel. 000-0000000");
inline const QString PhoneInternational = QStringLiteral("Phone +31 00 0000000");
// A plain address: it goes into a mail link as it stands.
inline const QString EMail = QStringLiteral("auteur@qzlayer.example");
inline const QString HomePage = QStringLiteral("http://www.qzlayer.example/");

} // namespace AuthorInfo

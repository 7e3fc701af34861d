#pragma once

#include <QString>

// Windows code pages through the system's converter (iconv here, the
// Windows API there).
namespace platform {

// Appends the decoded characters; a byte sequence the code page does not
// define becomes U+FFFD. Returns false when the system does not know the
// code page.
bool systemDecode(int codePage, const char* bytes, qsizetype size, QString& out);

} // namespace platform

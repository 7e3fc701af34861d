#pragma once

#include "support/Support.h"

#include <QString>

namespace trackimport {

// The Dutch text for a Dutch user, the English one for everyone else.
inline QString localText(const char* dutchText, const char* englishText)
{
    return QString::fromUtf8(sLanguage == QLatin1String("NLD") ? dutchText : englishText);
}

} // namespace trackimport

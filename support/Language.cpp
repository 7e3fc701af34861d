#include "support/Language.h"

#include "support/Support.h"

bool isDutch()
{
    return sLanguage == QLatin1String("NLD");
}

QString localText(const char* dutchText, const char* englishText)
{
    return QString::fromUtf8(isDutch() ? dutchText : englishText);
}

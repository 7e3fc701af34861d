#pragma once

#include <QString>

// The one language rule of the program: the Dutch texts when sLanguage is
// "NLD", the English ones otherwise.
bool isDutch();

// The text for the user's language; both are given in UTF-8.
QString localText(const char* dutchText, const char* englishText);

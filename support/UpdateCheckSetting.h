#pragma once

#include <QString>

// Whether the program looks for a newer version a minute after it starts: on
// unless the user turned it off. The update window and the about window both
// offer the same check box for it, so it can always be turned on again.
bool checkForUpdatesAtStart();
void setCheckForUpdatesAtStart(bool on);

// The check box's text in the user's language.
QString checkForUpdatesAtStartText();

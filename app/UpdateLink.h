#pragma once

#include <functional>

class TMainForm;
class TVersionsForm;

// Connects the update window to the main window. The main window removes a
// leftover installer when first shown and asks the closing question when it
// closes; installing asks that same question first (Cancel installs
// nothing) and then leaves through the main window's own closing, which
// writes the settings without asking again.
void connectVersionsForm(
    TMainForm& mainForm, TVersionsForm& versionsForm, std::function<bool()> closingQuestion);

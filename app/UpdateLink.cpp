#include "app/UpdateLink.h"

#include "app/Main.h"
#include "update/GetVersions.h"

void connectVersionsForm(
    TMainForm& mainForm, TVersionsForm& versionsForm, std::function<bool()> closingQuestion)
{
    TMainForm::Hooks& hooks = mainForm.hooks();
    hooks.removeLeftoverInstaller = RemoveRunningVersionInstaller;
    hooks.confirmClose = [closingQuestion] {
        // Quitting for the installer has asked already.
        return isQuittingForInstall() || closingQuestion();
    };
    versionsForm.setProgramExit({
        [closingQuestion] { return closingQuestion(); },
        [&mainForm] { mainForm.close(); },
    });
}

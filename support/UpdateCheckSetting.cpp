#include "support/UpdateCheckSetting.h"

#include "platform/Settings.h"
#include "support/Language.h"

namespace {

const QString kSetting = QStringLiteral("CheckForUpdates");

} // namespace

bool checkForUpdatesAtStart()
{
    return platform::Settings::readInteger(kSetting, 1) != 0;
}

void setCheckForUpdatesAtStart(bool on)
{
    platform::Settings::writeInteger(kSetting, on ? 1 : 0);
}

QString checkForUpdatesAtStartText()
{
    return localText("Controleer bij het starten op updates", "Check for updates at start");
}

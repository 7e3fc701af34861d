#pragma once

#include <QSettings>
#include <QString>

// Forgets every stored setting, so each test starts as a first run does. The
// store is the one platform::Settings writes to.
inline void clearProgramSettings()
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("qzLayer"),
        QStringLiteral("qzLayer"))
        .clear();
}

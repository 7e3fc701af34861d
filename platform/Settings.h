#pragma once

#include <QString>

// The per-user store of the program's settings: the key "Software\qzLayer",
// section "Defaults". On Windows that is the registry key; elsewhere an INI
// file in the user's configuration folder with a [Defaults] group.
namespace platform {

class Settings
{
public:
    static QString readString(const QString& name, const QString& defaultValue);
    static void writeString(const QString& name, const QString& value);
    // Removes the value; reading it then gives the default again.
    static void remove(const QString& name);

    // Integers are stored as decimal strings; a missing value or one that is
    // not a decimal integer reads as the default.
    static int readInteger(const QString& name, int defaultValue);
    static void writeInteger(const QString& name, int value);
};

} // namespace platform

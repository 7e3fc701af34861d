#pragma once

#include "platform/Environment.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <QTimeZone>

#include <optional>

// The pieces the machine's own environment is built from. They are pure
// functions of what they are given, so they can be checked with chosen
// locales, zones and mount tables rather than the machine's.
namespace platform {

// Language identifier (primary language | sublanguage << 10) for a locale;
// English (United States), 0x0409, when the language is not in the table.
int languageIdOf(const QLocale& locale);

// Country code in the telephone numbering: 1 for the United States and for
// no territory at all, 0 for a territory not in the table.
int countryCodeOf(QLocale::Territory territory);

// The zone's changes to and from daylight-saving time in the year, as
// absolute dates (year filled in) of the local clock just before each change.
// A zone without daylight-saving time in that year gives daylightDate.month 0.
TimeZoneRules timeZoneRulesOf(const QTimeZone& zone, int year);

// One line of the kernel's mount table (/proc/self/mountinfo).
struct MountEntry
{
    int major = 0;
    int minor = 0;
    QString mountPoint;
    QString fileSystem; // "ext4", "nfs4", "fuse.sshfs", ...
    QString source; // "/dev/sda1", "server:/share", ...
};

QList<MountEntry> parseMountInfo(const QByteArray& text);
// The mount that holds an absolute, canonical path: the deepest mount point
// above it, and of those the one mounted last.
std::optional<MountEntry> mountHolding(const QList<MountEntry>& mounts, const QString& path);
// The drive kind of a file system; removableDevice tells whether the block
// device beneath it reports removable media.
DriveKind driveKindOf(const QString& fileSystem, bool removableDevice);

} // namespace platform

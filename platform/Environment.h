#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

// Facts about the user's environment that the support module probes at start.
// Every probe goes through Environment so tests can hand in synthetic values
// instead of whatever the machine has.
namespace platform {

// The system's version record: family 1 is the Windows 95 family, 2 the NT family.
struct VersionRecord
{
    int platformId = 0;
    int major = 0;
    int minor = 0;
    QString servicePack;
};

// One transition rule of a time zone. With year 0 it is a day-in-month rule:
// day n (1..5, 5 = last) selects the n-th dayOfWeek (0 = Sunday) of the month.
struct TransitionRule
{
    int year = 0;
    int month = 0;
    int dayOfWeek = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Time-zone rules for one year; biases are in minutes (UTC = local + bias).
struct TimeZoneRules
{
    int bias = 0;
    int standardBias = 0;
    int daylightBias = 0;
    TransitionRule standardDate; // change back to standard time
    TransitionRule daylightDate; // change to daylight-saving time; month 0: none
};

// The kinds of drive the system tells apart, with their numeric codes.
enum class DriveKind {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

class Environment
{
public:
    virtual ~Environment() = default;

    // Language identifier of the user's default locale (0x0413 Dutch, ...).
    virtual int userDefaultLanguageId() const = 0;
    virtual VersionRecord versionRecord() const = 0;
    // The user's desktop folder without a trailing separator; empty when unknown.
    virtual QString desktopFolder() const = 0;
    // The user's own folder (the home folder), without a trailing separator;
    // empty where the folder that holds the desktop folder stands for it, as
    // on Windows.
    virtual QString profileFolder() const = 0;
    // The user's country code; 1 for the United States or when none is set.
    virtual int userCountryCode() const = 0;
    virtual TimeZoneRules timeZoneRules(int year) const = 0;
    virtual QDateTime now() const = 0;
    // Kind of the drive (file system) that holds the path.
    virtual DriveKind driveKind(const QString& path) const = 0;
};

// The environment in force: the machine's own unless a test installed another.
const Environment& environment();
// Installs a replacement (nullptr restores the machine's own); returns the previous one.
std::unique_ptr<Environment> setEnvironment(std::unique_ptr<Environment> replacement);

// The machine's own environment.
std::unique_ptr<Environment> createSystemEnvironment();

} // namespace platform

#include "support/Support.h"

#include "platform/Environment.h"
#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "support/Language.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <optional>

QString sLanguage;
QString PlatForm;
bool WinNTB = false;
QString Desktop;
QString DataDir;

QString TmpStr;

TDateTime DaylightDatum = 0;
TDateTime StandardDatum = 0;
TDateTime ZWCorrection = 0;
bool ZomertijdB = false;

namespace {

constexpr qint64 kMsecsPerDay = 24 * 60 * 60 * 1000;

QChar separator()
{
    return QDir::separator();
}

// The root folder already ends with its separator; nothing is doubled.
QString withTrailingSeparator(const QString& folder)
{
    return folder.endsWith(separator()) ? folder : folder + separator();
}

QDate dayZero()
{
    return QDate(1899, 12, 30);
}

// Before day zero the whole days count down while the time of day still
// counts up: -1.25 is 29 December 1899, 6:00.
TDateTime encodeDateTime(QDate date, QTime time)
{
    const double days = double(dayZero().daysTo(date));
    const double fraction = double(time.msecsSinceStartOfDay()) / kMsecsPerDay;
    return days < 0 ? days - fraction : days + fraction;
}

// A clock reading in the hour skipped when summer time starts is read with
// the offset in force before the skip, so it still names a moment.
QDateTime localClock(QDate date, QTime time)
{
    const QDateTime local(date, time);
    if (local.isValid())
        return local;
    const QDateTime asUtc(date, time, Qt::UTC);
    const int offsetBefore = asUtc.addDays(-1).toLocalTime().offsetFromUtc();
    return asUtc.addSecs(-offsetBefore).toLocalTime();
}

} // namespace

// ---- Date-time values ------------------------------------------------------

TDateTime toTDateTime(const QDateTime& local)
{
    return encodeDateTime(local.date(), local.time());
}

QDateTime fromTDateTime(TDateTime value)
{
    const double wholeDays = std::trunc(value);
    qint64 days = qint64(wholeDays);
    qint64 msecs = std::llround(std::fabs(value - wholeDays) * kMsecsPerDay);
    if (msecs >= kMsecsPerDay) { // rounded up to midnight: the next day
        msecs -= kMsecsPerDay;
        days += 1;
    }
    return localClock(dayZero().addDays(days), QTime::fromMSecsSinceStartOfDay(int(msecs)));
}

// ---- Language and data folder -------------------------------------------

void GetLanguage()
{
    constexpr int kDutch = 0x0413;
    constexpr int kDutchBelgium = 0x0813;
    constexpr int kAfrikaans = 0x0436;
    switch (platform::environment().userDefaultLanguageId()) {
    case kDutch:
    case kDutchBelgium:
    case kAfrikaans:
        sLanguage = QStringLiteral("NLD");
        break;
    default:
        sLanguage.clear();
        break;
    }
}

namespace {

QString windows9xName(const platform::VersionRecord& version)
{
    if (version.major != 4)
        return QStringLiteral("9x version (unknown)");
    const QChar edition = version.servicePack.isEmpty() ? QChar() : version.servicePack.at(0);
    switch (version.minor) {
    case 0:
        return edition == u'B' || edition == u'C' ? QStringLiteral("95 OSR2")
                                                  : QStringLiteral("95");
    case 10:
        return edition == u'A' ? QStringLiteral("98 SE") : QStringLiteral("98");
    case 90:
        return QStringLiteral("ME");
    default:
        return {};
    }
}

QString windowsNtName(const platform::VersionRecord& version)
{
    if (version.major <= 4)
        return QStringLiteral("NT");
    if (version.major == 5) {
        switch (version.minor) {
        case 0:
            return QStringLiteral("2000");
        case 1:
            return QStringLiteral("XP");
        case 2:
            return QStringLiteral("Server 2003");
        default:
            return {};
        }
    }
    if (version.major == 6 && version.minor == 0)
        return QStringLiteral("Vista");
    if (version.major == 6 && version.minor == 1)
        return QStringLiteral("Windows 7");
    return QStringLiteral("Future Windows version (unknown)");
}

QString platformName(const platform::VersionRecord& version)
{
    constexpr int k95Family = 1;
    constexpr int kNtFamily = 2;
    switch (version.platformId) {
    case k95Family:
        return windows9xName(version);
    case kNtFamily:
        return windowsNtName(version);
    default:
        return {};
    }
}

bool isNtFamilyName(const QString& name)
{
    static const QStringList ntNames = { QStringLiteral("NT"), QStringLiteral("2000"),
        QStringLiteral("XP"), QStringLiteral("Server 2003"), QStringLiteral("Vista"),
        QStringLiteral("Windows 7"), QStringLiteral("Future Windows version (unknown)") };
    return ntNames.contains(name);
}

} // namespace

void GetPlatform()
{
    PlatForm = platformName(platform::environment().versionRecord());
    WinNTB = isNtFamilyName(PlatForm);
}

void GetShellFolders()
{
    Desktop = QDir::toNativeSeparators(platform::environment().desktopFolder()) + separator();
}

namespace {

QString dataFolderIn(const QString& profile, const QString& name)
{
    return profile + separator() + QStringLiteral("UserData") + separator() + name + separator();
}

// Cut the trailing separator, then the desktop folder's own name: what is
// left is the folder holding the desktop, the user's profile on Windows. Where
// the system names the profile (the home folder) it is taken instead, since
// the desktop may be anywhere, the home folder itself included; a data folder
// that an earlier version made beside the desktop stays in use.
QString profileFolder(const QString& name)
{
    const QString besideDesktop = LeftOfLast(separator(), LeftOfLast(separator(), Desktop));
    const QString home = QDir::toNativeSeparators(platform::environment().profileFolder());
    if (home.isEmpty())
        return besideDesktop;
    const QFileInfo earlier(dataFolderIn(besideDesktop, name));
    return earlier.isDir() && earlier.isWritable() ? besideDesktop : home;
}

} // namespace

QString GetDataDir(const QString& name)
{
    if (!WinNTB)
        return withTrailingSeparator(platform::currentFolder());

    const QString remembered = platform::currentFolder();
    const QString dataDir = dataFolderIn(profileFolder(name), name);
    ChMkDir(dataDir);
    ChMkDir(remembered);
    return dataDir;
}

bool ChMkDir(const QString& folder)
{
    platform::createFolderPath(folder);
    if (QFileInfo(folder).isDir())
        platform::setCurrentFolder(folder);
    return withTrailingSeparator(platform::currentFolder()) == folder;
}

void RunStartupProbe()
{
    GetLanguage();
    GetPlatform();
    GetShellFolders();
    GetDaylightInfo();
}

// ---- Text helpers ---------------------------------------------------------

QString RightOf(QChar c, const QString& s)
{
    const qsizetype index = s.indexOf(c);
    return index < 0 ? QString() : s.mid(index + 1);
}

QString LeftOf(QChar c, const QString& s)
{
    const qsizetype index = s.indexOf(c);
    return index < 0 ? QString() : s.left(index);
}

QString LeftOfLast(QChar c, const QString& s)
{
    const qsizetype index = s.lastIndexOf(c);
    return index < 0 ? QString() : s.left(index);
}

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isSpace(QChar c)
{
    return c == u' ';
}

} // namespace

QString UnNumber(const QString& s)
{
    TmpStr.clear();
    for (const QChar c : s) {
        if (!isDigit(c))
            TmpStr += c;
    }
    return TmpStr;
}

QString UnAlpha(const QString& s)
{
    TmpStr.clear();
    for (const QChar c : s) {
        if (isDigit(c))
            TmpStr += c;
    }
    return TmpStr;
}

QString UnSpace(const QString& s)
{
    QString result;
    result.reserve(s.size());
    for (const QChar c : s) {
        if (!isSpace(c))
            result += c;
    }
    return result;
}

QString UnBeginSpace(const QString& s)
{
    if (UnSpace(s).isEmpty())
        return {};
    qsizetype first = 0;
    while (isSpace(s.at(first)))
        ++first;
    return s.mid(first);
}

QString UnEndSpace(const QString& s)
{
    if (UnSpace(s).isEmpty())
        return s;
    qsizetype length = s.size();
    while (isSpace(s.at(length - 1)))
        --length;
    return s.left(length);
}

// ---- Summer-time state and file copy --------------------------------------

namespace {

constexpr int kUnitedStates = 1;

// Day n (1..5) of a day-in-month rule is the n-th given weekday of the month;
// 5, or any n past the month's last such weekday, is the last one.
std::optional<QDate> nthWeekdayOfMonth(int year, int month, int dayOfWeek, int n)
{
    const QDate first(year, month, 1);
    if (!first.isValid() || dayOfWeek < 0 || dayOfWeek > 6 || n < 1 || n > 5)
        return std::nullopt;
    const int qtDayOfWeek = dayOfWeek == 0 ? 7 : dayOfWeek;
    QDate date = first.addDays((qtDayOfWeek - first.dayOfWeek() + 7) % 7 + 7 * (n - 1));
    while (date.month() != month)
        date = date.addDays(-7);
    return date;
}

std::optional<TDateTime> transitionMoment(
    const platform::TransitionRule& rule, int currentYear, bool absolute)
{
    std::optional<QDate> date;
    if (absolute) {
        const QDate stated(rule.year != 0 ? rule.year : currentYear, rule.month, rule.day);
        if (stated.isValid())
            date = stated;
    } else {
        date = nthWeekdayOfMonth(currentYear, rule.month, rule.dayOfWeek, rule.day);
    }
    if (!date)
        return std::nullopt;
    const int seconds = rule.hour * 3600 + rule.minute * 60 + rule.second;
    return encodeDateTime(*date, QTime(0, 0)) + seconds / 86400.0;
}

} // namespace

void GetDaylightInfo()
{
    const platform::Environment& environment = platform::environment();
    ZomertijdB = false;
    if (environment.userCountryCode() == kUnitedStates)
        return;
    const QDateTime now = environment.now();
    const int year = now.date().year();
    const platform::TimeZoneRules rules = environment.timeZoneRules(year);
    if (rules.daylightDate.month == 0)
        return; // the zone keeps standard time all year

    const bool absolute = rules.daylightDate.year != 0;
    const std::optional<TDateTime> daylight = transitionMoment(rules.daylightDate, year, absolute);
    const std::optional<TDateTime> standard = transitionMoment(rules.standardDate, year, absolute);
    if (!daylight || !standard)
        return;
    DaylightDatum = *daylight;
    StandardDatum = *standard;
    ZWCorrection = (rules.standardBias - rules.daylightBias) / 1440.0;
    const TDateTime current = toTDateTime(now);
    ZomertijdB = DaylightDatum < current && current < StandardDatum;
}

QString DriveType(const QString& path)
{
#ifdef Q_OS_WIN
    const QString root = path.left(1) + QStringLiteral(":\\");
#else
    const QString& root = path;
#endif
    switch (platform::environment().driveKind(root)) {
    case platform::DriveKind::Removable:
        return QStringLiteral("DRIVE_REMOVABLE");
    case platform::DriveKind::Fixed:
        return QStringLiteral("DRIVE_FIXED");
    case platform::DriveKind::Remote:
        return QStringLiteral("DRIVE_REMOTE");
    case platform::DriveKind::CdRom:
        return QStringLiteral("DRIVE_CDROM");
    case platform::DriveKind::RamDisk:
        return QStringLiteral("DRIVE_RAMDISK");
    default:
        return {};
    }
}

namespace {

bool isFixedDrive(const QString& path)
{
    return DriveType(path) == QLatin1String("DRIVE_FIXED");
}

// The paths are handed on as the system would read them: up to the first
// null character.
QString nullTerminated(const QString& text)
{
    const qsizetype end = text.indexOf(QChar(u'\0'));
    return end < 0 ? text : text.left(end);
}

// File stamps of the copy are kept to two seconds, as the system's packed
// stamp form holds them.
QDateTime toTwoSeconds(const QDateTime& time)
{
    if (!time.isValid())
        return time;
    const QTime clock = time.time();
    return time.addMSecs(-((clock.second() % 2) * 1000 + clock.msec()));
}

// A destination without a folder part is a caller's mistake, not a failed
// copy, and so it is reported rather than answered with false.
void createDestinationFolder(const QString& destination)
{
    const qsizetype end
        = std::max(destination.lastIndexOf(u'/'), destination.lastIndexOf(separator()));
    if (end < 0) {
        throw platform::UserError(
            localText("Geen map opgegeven voor \"%1\"", "No folder given for \"%1\"")
                .arg(destination));
    }
    platform::createFolderPath(destination.left(end + 1));
}

} // namespace

bool CopyFileSW(const QString& source, const QString& destination, bool failIfExists)
{
    const QString from = nullTerminated(source);
    const QString to = nullTerminated(destination);
    if (!QFileInfo(from).isFile())
        return false;
    const QDateTime sourceTime = toTwoSeconds(platform::fileModificationTime(from));
    createDestinationFolder(to);
    if (!platform::copyFile(from, to, failIfExists))
        return false;

    if (!sourceTime.isValid())
        return true;
    const bool fromFixed = isFixedDrive(from);
    const bool toFixed = isFixedDrive(to);
    TDateTime stamp = toTDateTime(sourceTime);
    if (ZomertijdB && fromFixed && !toFixed)
        stamp -= ZWCorrection;
    else if (ZomertijdB && !fromFixed && toFixed)
        stamp += ZWCorrection;
    platform::setFileModificationTime(
        to, fromTDateTime(stamp)); // a stamp that fails is no failed copy
    return true;
}

bool CopyFileStr(const QString& source, const QString& destination, bool failIfExists)
{
    createDestinationFolder(destination);
    return CopyFileSW(source, destination, failIfExists);
}

#include "platform/EnvironmentProbes.h"

#include <QFile>

#include <algorithm>
#include <initializer_list>

namespace platform {

namespace {

    constexpr int kEnglishUnitedStates = 0x0409;
    constexpr int kUnitedStatesCountryCode = 1;
    constexpr int kUnknownCountryCode = 0;

    struct LanguageRow
    {
        QLocale::Language language;
        QLocale::Territory territory; // AnyTerritory: the language's own default
        int id;
    };

    constexpr LanguageRow kLanguageIds[] = {
        { QLocale::Dutch, QLocale::AnyTerritory, 0x0413 },
        { QLocale::Dutch, QLocale::Belgium, 0x0813 },
        { QLocale::Afrikaans, QLocale::AnyTerritory, 0x0436 },
        { QLocale::WesternFrisian, QLocale::AnyTerritory, 0x0462 },
        { QLocale::English, QLocale::AnyTerritory, 0x0409 },
        { QLocale::English, QLocale::UnitedKingdom, 0x0809 },
        { QLocale::English, QLocale::Australia, 0x0c09 },
        { QLocale::English, QLocale::Canada, 0x1009 },
        { QLocale::English, QLocale::NewZealand, 0x1409 },
        { QLocale::English, QLocale::Ireland, 0x1809 },
        { QLocale::English, QLocale::SouthAfrica, 0x1c09 },
        { QLocale::German, QLocale::AnyTerritory, 0x0407 },
        { QLocale::German, QLocale::Switzerland, 0x0807 },
        { QLocale::German, QLocale::Austria, 0x0c07 },
        { QLocale::German, QLocale::Luxembourg, 0x1007 },
        { QLocale::French, QLocale::AnyTerritory, 0x040c },
        { QLocale::French, QLocale::Belgium, 0x080c },
        { QLocale::French, QLocale::Canada, 0x0c0c },
        { QLocale::French, QLocale::Switzerland, 0x100c },
        { QLocale::French, QLocale::Luxembourg, 0x140c },
        { QLocale::Spanish, QLocale::AnyTerritory, 0x0c0a },
        { QLocale::Spanish, QLocale::Mexico, 0x080a },
        { QLocale::Italian, QLocale::AnyTerritory, 0x0410 },
        { QLocale::Portuguese, QLocale::AnyTerritory, 0x0816 },
        { QLocale::Portuguese, QLocale::Brazil, 0x0416 },
        { QLocale::Danish, QLocale::AnyTerritory, 0x0406 },
        { QLocale::Swedish, QLocale::AnyTerritory, 0x041d },
        { QLocale::NorwegianBokmal, QLocale::AnyTerritory, 0x0414 },
        { QLocale::Finnish, QLocale::AnyTerritory, 0x040b },
        { QLocale::Polish, QLocale::AnyTerritory, 0x0415 },
        { QLocale::Czech, QLocale::AnyTerritory, 0x0405 },
        { QLocale::Hungarian, QLocale::AnyTerritory, 0x040e },
        { QLocale::Greek, QLocale::AnyTerritory, 0x0408 },
        { QLocale::Turkish, QLocale::AnyTerritory, 0x041f },
        { QLocale::Russian, QLocale::AnyTerritory, 0x0419 },
        { QLocale::Japanese, QLocale::AnyTerritory, 0x0411 },
        { QLocale::Korean, QLocale::AnyTerritory, 0x0412 },
        { QLocale::Chinese, QLocale::AnyTerritory, 0x0804 },
        { QLocale::Chinese, QLocale::Taiwan, 0x0404 },
        { QLocale::Chinese, QLocale::HongKong, 0x0c04 },
    };

    struct CountryRow
    {
        QLocale::Territory territory;
        int code;
    };

    // Canada shares the United States' calling code; the system's own table
    // gives it 2 so that only the United States reads as 1.
    constexpr CountryRow kCountryCodes[] = {
        { QLocale::UnitedStates, 1 },
        { QLocale::Canada, 2 },
        { QLocale::Russia, 7 },
        { QLocale::SouthAfrica, 27 },
        { QLocale::Greece, 30 },
        { QLocale::Netherlands, 31 },
        { QLocale::Belgium, 32 },
        { QLocale::France, 33 },
        { QLocale::Spain, 34 },
        { QLocale::Hungary, 36 },
        { QLocale::Italy, 39 },
        { QLocale::Switzerland, 41 },
        { QLocale::Austria, 43 },
        { QLocale::UnitedKingdom, 44 },
        { QLocale::Denmark, 45 },
        { QLocale::Sweden, 46 },
        { QLocale::Norway, 47 },
        { QLocale::Poland, 48 },
        { QLocale::Germany, 49 },
        { QLocale::Mexico, 52 },
        { QLocale::Brazil, 55 },
        { QLocale::Australia, 61 },
        { QLocale::NewZealand, 64 },
        { QLocale::Japan, 81 },
        { QLocale::SouthKorea, 82 },
        { QLocale::China, 86 },
        { QLocale::Turkey, 90 },
        { QLocale::India, 91 },
        { QLocale::Portugal, 351 },
        { QLocale::Luxembourg, 352 },
        { QLocale::Ireland, 353 },
        { QLocale::Finland, 358 },
        { QLocale::CzechRepublic, 420 },
        { QLocale::Suriname, 597 },
    };

    bool isDaylight(const QTimeZone::OffsetData& data)
    {
        return data.daylightTimeOffset != 0;
    }

    // The local clock reading just before a change, which is how the rules
    // name the moment of a change.
    TransitionRule clockBefore(const QTimeZone::OffsetData& change, int offsetBefore)
    {
        const QDateTime clock = change.atUtc.addSecs(offsetBefore);
        const QDate date = clock.date();
        const QTime time = clock.time();
        TransitionRule rule;
        rule.year = date.year();
        rule.month = date.month();
        rule.dayOfWeek = date.dayOfWeek() % 7; // Qt counts Sunday as 7
        rule.day = date.day();
        rule.hour = time.hour();
        rule.minute = time.minute();
        rule.second = time.second();
        return rule;
    }

    bool isOctalDigit(char c)
    {
        return c >= '0' && c <= '7';
    }

    // The kernel writes space, tab, newline and backslash in paths as \ooo.
    QString unescapeMountField(const QByteArray& field)
    {
        QByteArray bytes;
        bytes.reserve(field.size());
        for (qsizetype i = 0; i < field.size(); ++i) {
            if (field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1])
                && isOctalDigit(field[i + 2]) && isOctalDigit(field[i + 3])) {
                bytes += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3)
                    | (field[i + 3] - '0'));
                i += 3;
            } else {
                bytes += field[i];
            }
        }
        return QFile::decodeName(bytes);
    }

    std::optional<MountEntry> parseMountLine(const QByteArray& line)
    {
        const QList<QByteArray> fields = line.split(' ');
        // id parent major:minor root mount-point options [optional...] - type source options
        const qsizetype separator = fields.indexOf(QByteArray("-"), 6);
        if (fields.size() < 6 || separator < 0 || separator + 2 >= fields.size())
            return std::nullopt;
        const QList<QByteArray> device = fields[2].split(':');
        if (device.size() != 2)
            return std::nullopt;
        MountEntry entry;
        entry.major = device[0].toInt();
        entry.minor = device[1].toInt();
        entry.mountPoint = unescapeMountField(fields[4]);
        entry.fileSystem = QString::fromLatin1(fields[separator + 1]);
        entry.source = unescapeMountField(fields[separator + 2]);
        return entry;
    }

    bool isUnder(const QString& mountPoint, const QString& path)
    {
        return mountPoint == QLatin1String("/") || path == mountPoint
            || path.startsWith(mountPoint + QLatin1Char('/'));
    }

    bool isOneOf(const QString& name, std::initializer_list<const char*> names)
    {
        return std::any_of(names.begin(), names.end(),
            [&name](const char* candidate) { return name == QLatin1String(candidate); });
    }

    bool isRemoteFileSystem(const QString& fileSystem)
    {
        if (fileSystem.startsWith(QLatin1String("fuse."))) {
            return isOneOf(fileSystem.mid(5),
                { "sshfs", "rclone", "s3fs", "gcsfuse", "davfs2", "curlftpfs", "gvfsd-fuse" });
        }
        return isOneOf(fileSystem,
            { "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "coda", "ceph", "glusterfs",
                "lustre", "davfs" });
    }

    // Kernel interfaces that hold no user files at all.
    bool isPseudoFileSystem(const QString& fileSystem)
    {
        return isOneOf(fileSystem,
            { "proc", "sysfs", "devpts", "devtmpfs", "cgroup", "cgroup2", "debugfs", "tracefs",
                "securityfs", "pstore", "bpf", "mqueue", "hugetlbfs", "configfs", "fusectl",
                "autofs", "binfmt_misc", "efivarfs", "nsfs", "rpc_pipefs", "selinuxfs" });
    }

} // namespace

int languageIdOf(const QLocale& locale)
{
    int id = kEnglishUnitedStates;
    for (const LanguageRow& row : kLanguageIds) {
        if (row.language != locale.language())
            continue;
        if (row.territory == locale.territory())
            return row.id;
        if (row.territory == QLocale::AnyTerritory)
            id = row.id;
    }
    return id;
}

int countryCodeOf(QLocale::Territory territory)
{
    if (territory == QLocale::AnyTerritory)
        return kUnitedStatesCountryCode;
    for (const CountryRow& row : kCountryCodes) {
        if (row.territory == territory)
            return row.code;
    }
    return kUnknownCountryCode;
}

TimeZoneRules timeZoneRulesOf(const QTimeZone& zone, int year)
{
    TimeZoneRules rules;
    if (!zone.isValid())
        return rules;
    const QDateTime from = QDate(year, 1, 1).startOfDay(zone);
    const QDateTime to = QDate(year + 1, 1, 1).startOfDay(zone);
    rules.bias = -zone.standardTimeOffset(from) / 60;
    if (!zone.hasTransitions())
        return rules;

    std::optional<TransitionRule> toDaylight;
    std::optional<TransitionRule> toStandard;
    int standardOffset = 0;
    int shift = 0;
    for (const QTimeZone::OffsetData& change : zone.transitions(from, to)) {
        if (change.atUtc < from || change.atUtc >= to)
            continue;
        const QTimeZone::OffsetData before = zone.offsetData(change.atUtc.addSecs(-1));
        if (isDaylight(before) == isDaylight(change))
            continue; // a change of the zone's standard time, not a seasonal one
        // The side with the larger offset is summer, whichever side the zone
        // calls daylight-saving (some call winter time a negative saving).
        if (change.offsetFromUtc > before.offsetFromUtc && !toDaylight) {
            toDaylight = clockBefore(change, before.offsetFromUtc);
            standardOffset = before.offsetFromUtc;
            shift = change.offsetFromUtc - before.offsetFromUtc;
        } else if (change.offsetFromUtc < before.offsetFromUtc && !toStandard) {
            toStandard = clockBefore(change, before.offsetFromUtc);
        }
    }
    if (!toDaylight || !toStandard)
        return rules;
    rules.bias = -standardOffset / 60;
    rules.standardBias = 0;
    rules.daylightBias = -shift / 60;
    rules.daylightDate = *toDaylight;
    rules.standardDate = *toStandard;
    return rules;
}

QList<MountEntry> parseMountInfo(const QByteArray& text)
{
    QList<MountEntry> mounts;
    for (const QByteArray& line : text.split('\n')) {
        if (const std::optional<MountEntry> entry = parseMountLine(line))
            mounts.append(*entry);
    }
    return mounts;
}

std::optional<MountEntry> mountHolding(const QList<MountEntry>& mounts, const QString& path)
{
    std::optional<MountEntry> holder;
    for (const MountEntry& mount : mounts) {
        // ">=": a later mount on the same point hides the earlier one.
        if (isUnder(mount.mountPoint, path)
            && (!holder || mount.mountPoint.size() >= holder->mountPoint.size()))
            holder = mount;
    }
    return holder;
}

DriveKind driveKindOf(const QString& fileSystem, bool removableDevice)
{
    if (isRemoteFileSystem(fileSystem))
        return DriveKind::Remote;
    if (isOneOf(fileSystem, { "iso9660", "udf" }))
        return DriveKind::CdRom;
    if (isOneOf(fileSystem, { "tmpfs", "ramfs" }))
        return DriveKind::RamDisk;
    if (isPseudoFileSystem(fileSystem))
        return DriveKind::Unknown;
    return removableDevice ? DriveKind::Removable : DriveKind::Fixed;
}

} // namespace platform

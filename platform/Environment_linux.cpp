#include "platform/Environment.h"
#include "platform/EnvironmentProbes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTimeZone>

#include <sys/vfs.h>

namespace platform {

namespace {

    // The program's folder rules were made for the NT family; a current version
    // puts the data folder in the user's profile.
    constexpr int kNtFamily = 2;
    constexpr int kCurrentMajor = 10;
    constexpr int kCurrentMinor = 0;

    QString readFirstLine(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(file.readLine().trimmed());
    }

    // The device's folder in sysfs: through the source node when the mount names
    // one (a file system in user space reports a made-up device number),
    // otherwise through the device number.
    QString sysfsDeviceFolder(const MountEntry& mount)
    {
        if (mount.source.startsWith(QLatin1String("/dev/"))) {
            const QString node = QFileInfo(mount.source).canonicalFilePath();
            const QString folder = QLatin1String("/sys/class/block/") % QFileInfo(node).fileName();
            if (!node.isEmpty() && QFileInfo::exists(folder))
                return folder;
        }
        return QStringLiteral("/sys/dev/block/%1:%2").arg(mount.major).arg(mount.minor);
    }

    bool isRemovableDevice(const MountEntry& mount)
    {
        QString folder = QFileInfo(sysfsDeviceFolder(mount)).canonicalFilePath();
        if (folder.isEmpty())
            return false;
        // A partition carries no flag of its own; its disk does.
        if (QFileInfo::exists(folder + QLatin1String("/partition")))
            folder = QFileInfo(folder).path();
        return readFirstLine(folder + QLatin1String("/removable")) == QLatin1String("1");
    }

    // Used only when the mount table cannot be read.
    DriveKind driveKindFromFileSystemMagic(const QString& path)
    {
        struct statfs info
        {
        };
        if (statfs(QFile::encodeName(path).constData(), &info) != 0)
            return DriveKind::NoRootDir;
        switch (static_cast<unsigned long>(info.f_type)) {
        case 0x6969: // NFS
        case 0x517B: // SMB
        case 0xFF534D42: // CIFS
        case 0xFE534D42: // SMB2
            return DriveKind::Remote;
        case 0x9660: // ISO 9660
        case 0x15013346: // UDF
            return DriveKind::CdRom;
        case 0x01021994: // tmpfs
        case 0x858458F6: // ramfs
            return DriveKind::RamDisk;
        default:
            return DriveKind::Fixed;
        }
    }

    DriveKind driveKindOfPath(const QString& path)
    {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (canonical.isEmpty())
            return DriveKind::NoRootDir;
        QFile mountTable(QStringLiteral("/proc/self/mountinfo"));
        if (!mountTable.open(QIODevice::ReadOnly))
            return driveKindFromFileSystemMagic(canonical);
        const std::optional<MountEntry> mount
            = mountHolding(parseMountInfo(mountTable.readAll()), canonical);
        if (!mount)
            return driveKindFromFileSystemMagic(canonical);
        return driveKindOf(mount->fileSystem, isRemovableDevice(*mount));
    }

    class SystemEnvironment final : public Environment
    {
    public:
        int userDefaultLanguageId() const override { return languageIdOf(QLocale::system()); }

        VersionRecord versionRecord() const override
        {
            VersionRecord record;
            record.platformId = kNtFamily;
            record.major = kCurrentMajor;
            record.minor = kCurrentMinor;
            return record;
        }

        QString desktopFolder() const override
        {
            return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        }

        // The desktop may be any folder, the home folder itself included (as
        // xdg-user-dirs makes it when ~/Desktop is removed).
        QString profileFolder() const override { return QDir::homePath(); }

        int userCountryCode() const override
        {
            return countryCodeOf(QLocale::system().territory());
        }

        TimeZoneRules timeZoneRules(int year) const override
        {
            return timeZoneRulesOf(QTimeZone::systemTimeZone(), year);
        }

        QDateTime now() const override { return QDateTime::currentDateTime(); }

        DriveKind driveKind(const QString& path) const override { return driveKindOfPath(path); }
    };

} // namespace

std::unique_ptr<Environment> createSystemEnvironment()
{
    return std::make_unique<SystemEnvironment>();
}

} // namespace platform

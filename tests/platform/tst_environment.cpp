#include "platform/Environment.h"
#include "platform/EnvironmentProbes.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using platform::DriveKind;

Q_DECLARE_METATYPE(platform::DriveKind)

namespace {

// A few lines as the kernel writes them, with an escaped space and a second
// mount hiding the first on the same point.
const QByteArray kMountInfo
    = QByteArrayLiteral("22 28 0:21 / /proc rw,relatime shared:12 - proc proc rw\n"
                        "28 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
                        "40 28 8:17 / /media/user/MY\\040STICK rw,nosuid - vfat /dev/sdb1 rw\n"
                        "41 28 0:50 / /mnt/share rw - cifs //server/share rw\n"
                        "42 41 0:51 / /mnt/share/sub rw - fuse.sshfs user@host:/ rw\n"
                        "43 28 0:52 / /mnt rw - tmpfs tmpfs rw\n"
                        "44 28 0:53 / /mnt rw - ext4 /dev/vda2 rw\n"
                        "bad line\n"
                        "\n");

} // namespace

class EnvironmentTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void languageId_ofLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("id");
        // clang-format off
        QTest::newRow("Dutch, Netherlands") << "nl_NL" << 0x0413;
        QTest::newRow("plain Dutch") << "nl" << 0x0413;
        QTest::newRow("Dutch, Belgium") << "nl_BE" << 0x0813;
        QTest::newRow("Dutch, Suriname") << "nl_SR" << 0x0413;
        QTest::newRow("Afrikaans") << "af_ZA" << 0x0436;
        QTest::newRow("Frisian") << "fy_NL" << 0x0462;
        QTest::newRow("English, United States") << "en_US" << 0x0409;
        QTest::newRow("English, United Kingdom") << "en_GB" << 0x0809;
        QTest::newRow("German") << "de_DE" << 0x0407;
        QTest::newRow("French, Belgium") << "fr_BE" << 0x080c;
        QTest::newRow("C locale") << "C" << 0x0409;
        QTest::newRow("not in the table") << "sw_KE" << 0x0409;
        // clang-format on
    }
    void languageId_ofLocale()
    {
        QFETCH(QString, locale);
        QFETCH(int, id);
        QCOMPARE(platform::languageIdOf(QLocale(locale)), id);
    }

    void countryCode_ofTerritory_data()
    {
        QTest::addColumn<int>("territory");
        QTest::addColumn<int>("code");
        // clang-format off
        QTest::newRow("United States") << int(QLocale::UnitedStates) << 1;
        QTest::newRow("no territory") << int(QLocale::AnyTerritory) << 1;
        QTest::newRow("Canada") << int(QLocale::Canada) << 2;
        QTest::newRow("Netherlands") << int(QLocale::Netherlands) << 31;
        QTest::newRow("Belgium") << int(QLocale::Belgium) << 32;
        QTest::newRow("Germany") << int(QLocale::Germany) << 49;
        QTest::newRow("not in the table") << int(QLocale::Kenya) << 0;
        // clang-format on
    }
    void countryCode_ofTerritory()
    {
        QFETCH(int, territory);
        QFETCH(int, code);
        QCOMPARE(platform::countryCodeOf(QLocale::Territory(territory)), code);
    }

    void timeZoneRules_ofRealZones_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("bias");
        QTest::addColumn<int>("daylightBias");
        QTest::addColumn<QDateTime>("toDaylight");
        QTest::addColumn<QDateTime>("toStandard");
        auto at = [](int year, int month, int day, int hour) {
            return QDateTime(QDate(year, month, day), QTime(hour, 0), Qt::UTC);
        };
        // clang-format off
        QTest::newRow("Amsterdam") << QByteArray("Europe/Amsterdam") << -60 << -60
                                   << at(2013, 3, 31, 2) << at(2013, 10, 27, 3);
        QTest::newRow("New York") << QByteArray("America/New_York") << 300 << -60
                                  << at(2013, 3, 10, 2) << at(2013, 11, 3, 2);
        // Winter time there counts as a negative saving; summer must still come out as summer.
        QTest::newRow("Dublin") << QByteArray("Europe/Dublin") << 0 << -60 << at(2013, 3, 31, 1)
                                << at(2013, 10, 27, 2);
        QTest::newRow("Sydney") << QByteArray("Australia/Sydney") << -600 << -60
                                << at(2013, 10, 6, 2) << at(2013, 4, 7, 3);
        QTest::newRow("Lord Howe, half hour") << QByteArray("Australia/Lord_Howe") << -630 << -30
                                              << at(2013, 10, 6, 2) << at(2013, 4, 7, 2);
        // clang-format on
    }
    void timeZoneRules_ofRealZones()
    {
        QFETCH(QByteArray, zone);
        QFETCH(int, bias);
        QFETCH(int, daylightBias);
        QFETCH(QDateTime, toDaylight);
        QFETCH(QDateTime, toStandard);
        const QTimeZone timeZone(zone);
        if (!timeZone.isValid())
            QSKIP("time-zone data not installed");
        const platform::TimeZoneRules rules = platform::timeZoneRulesOf(timeZone, 2013);
        QCOMPARE(rules.bias, bias);
        QCOMPARE(rules.standardBias, 0);
        QCOMPARE(rules.daylightBias, daylightBias);
        const auto clockOf = [](const platform::TransitionRule& rule) {
            return QDateTime(QDate(rule.year, rule.month, rule.day),
                QTime(rule.hour, rule.minute, rule.second), Qt::UTC);
        };
        QCOMPARE(clockOf(rules.daylightDate), toDaylight);
        QCOMPARE(clockOf(rules.standardDate), toStandard);
        QCOMPARE(rules.daylightDate.dayOfWeek, 0); // all of these change on a Sunday
    }

    void timeZoneRules_withoutDaylightTime_haveNoDaylightMonth_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("bias");
        // clang-format off
        QTest::newRow("UTC") << QByteArray("UTC") << 2013 << 0;
        QTest::newRow("Tokyo") << QByteArray("Asia/Tokyo") << 2013 << -540;
        // Moscow kept summer time for good in 2011: one change in that year only.
        QTest::newRow("Moscow 2011") << QByteArray("Europe/Moscow") << 2011 << -180;
        // clang-format on
    }
    void timeZoneRules_withoutDaylightTime_haveNoDaylightMonth()
    {
        QFETCH(QByteArray, zone);
        QFETCH(int, year);
        QFETCH(int, bias);
        const QTimeZone timeZone(zone);
        if (!timeZone.isValid())
            QSKIP("time-zone data not installed");
        const platform::TimeZoneRules rules = platform::timeZoneRulesOf(timeZone, year);
        QCOMPARE(rules.daylightDate.month, 0);
        QCOMPARE(rules.bias, bias);
    }

    void mountInfo_parsesFieldsAndEscapes()
    {
        const QList<platform::MountEntry> mounts = platform::parseMountInfo(kMountInfo);
        QCOMPARE(mounts.size(), 7);
        const platform::MountEntry& stick = mounts.at(2);
        QCOMPARE(stick.mountPoint, QStringLiteral("/media/user/MY STICK"));
        QCOMPARE(stick.fileSystem, QStringLiteral("vfat"));
        QCOMPARE(stick.source, QStringLiteral("/dev/sdb1"));
        QCOMPARE(stick.major, 8);
        QCOMPARE(stick.minor, 17);
    }

    void mountHolding_deepestAndLatest_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fileSystem");
        // clang-format off
        QTest::newRow("root") << "/" << "ext4";
        QTest::newRow("home") << "/home/user/Desktop" << "ext4";
        QTest::newRow("mount point itself") << "/proc" << "proc";
        QTest::newRow("name that only starts alike") << "/procedures/x" << "ext4";
        QTest::newRow("escaped space") << "/media/user/MY STICK/Front.jpg" << "vfat";
        QTest::newRow("nested mount") << "/mnt/share/sub/file" << "fuse.sshfs";
        QTest::newRow("outer of nested") << "/mnt/share/file" << "cifs";
        QTest::newRow("later mount hides earlier") << "/mnt/file" << "ext4";
        // clang-format on
    }
    void mountHolding_deepestAndLatest()
    {
        QFETCH(QString, path);
        QFETCH(QString, fileSystem);
        const auto mount = platform::mountHolding(platform::parseMountInfo(kMountInfo), path);
        QVERIFY(mount.has_value());
        QCOMPARE(mount->fileSystem, fileSystem);
    }

    void driveKind_ofFileSystem_data()
    {
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<bool>("removable");
        QTest::addColumn<DriveKind>("kind");
        // clang-format off
        QTest::newRow("ext4") << "ext4" << false << DriveKind::Fixed;
        QTest::newRow("overlay") << "overlay" << false << DriveKind::Fixed;
        QTest::newRow("vfat on removable media") << "vfat" << true << DriveKind::Removable;
        QTest::newRow("nfs4") << "nfs4" << false << DriveKind::Remote;
        QTest::newRow("cifs") << "cifs" << false << DriveKind::Remote;
        QTest::newRow("sshfs") << "fuse.sshfs" << false << DriveKind::Remote;
        QTest::newRow("other user-space file system") << "fuse.encfs" << false << DriveKind::Fixed;
        QTest::newRow("iso9660") << "iso9660" << true << DriveKind::CdRom;
        QTest::newRow("udf") << "udf" << false << DriveKind::CdRom;
        QTest::newRow("tmpfs") << "tmpfs" << false << DriveKind::RamDisk;
        QTest::newRow("ramfs") << "ramfs" << false << DriveKind::RamDisk;
        QTest::newRow("proc") << "proc" << false << DriveKind::Unknown;
        // clang-format on
    }
    void driveKind_ofFileSystem()
    {
        QFETCH(QString, fileSystem);
        QFETCH(bool, removable);
        QFETCH(DriveKind, kind);
        QCOMPARE(platform::driveKindOf(fileSystem, removable), kind);
    }

    void systemDriveKind_ofMachinePaths()
    {
        const platform::Environment& machine = platform::environment();
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        QCOMPARE(
            machine.driveKind(temporary.filePath(QStringLiteral("missing"))), DriveKind::NoRootDir);
        QVERIFY(machine.driveKind(temporary.path()) != DriveKind::NoRootDir);
        QCOMPARE(machine.driveKind(QStringLiteral("/proc/self")), DriveKind::Unknown);
    }

    void setEnvironment_replacesAndRestoresTheMachine()
    {
        struct Dutch : platform::Environment
        {
            int userDefaultLanguageId() const override { return 0x0413; }
            platform::VersionRecord versionRecord() const override { return {}; }
            QString desktopFolder() const override { return {}; }
            QString profileFolder() const override { return {}; }
            int userCountryCode() const override { return 31; }
            platform::TimeZoneRules timeZoneRules(int) const override { return {}; }
            QDateTime now() const override { return {}; }
            DriveKind driveKind(const QString&) const override { return DriveKind::Fixed; }
        };
        const platform::Environment* machine = &platform::environment();
        QVERIFY(!platform::setEnvironment(std::make_unique<Dutch>()));
        QCOMPARE(platform::environment().userCountryCode(), 31);
        QVERIFY(platform::setEnvironment(nullptr));
        QCOMPARE(&platform::environment(), machine);
        QCOMPARE(machine->versionRecord().platformId, 2);
    }

    void copyFile_replacingOrKeeping()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString source = temporary.filePath(QStringLiteral("source"));
        const QString destination = temporary.filePath(QStringLiteral("destination"));
        QFile in(source);
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write(QByteArray(200 * 1024, 'x')); // more than one chunk
        in.close();

        QVERIFY(platform::copyFile(source, destination, true));
        QCOMPARE(QFileInfo(destination).size(), 200 * 1024);
        QVERIFY(!platform::copyFile(source, destination, true));
        QVERIFY(platform::copyFile(source, destination, false));
        QVERIFY(!platform::copyFile(temporary.path(), destination, false)); // a folder is no file
        QVERIFY(!platform::copyFile(
            source, temporary.filePath(QStringLiteral("no/such/folder")), true));
        QCOMPARE(QFileInfo(destination).size(), 200 * 1024);
    }

    void folders_createAndEnter()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString before = QDir::currentPath();
        const QString nested = temporary.filePath(QStringLiteral("a/b/c"));
        QVERIFY(platform::createFolderPath(nested));
        QVERIFY(platform::createFolderPath(nested)); // already there
        QVERIFY(!platform::createFolderPath(QString()));
        QVERIFY(platform::setCurrentFolder(nested));
        QCOMPARE(platform::currentFolder(), QDir::toNativeSeparators(QDir(nested).canonicalPath()));
        QVERIFY(!platform::setCurrentFolder(temporary.filePath(QStringLiteral("missing"))));
        QVERIFY(QDir::setCurrent(before));
    }
};

QTEST_GUILESS_MAIN(EnvironmentTest)
#include "tst_environment.moc"

#include "FakeEnvironment.h"
#include "platform/EnvironmentProbes.h"
#include "platform/ErrorReport.h"
#include "support/Support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using platform::DriveKind;
using platform::TimeZoneRules;
using platform::TransitionRule;

Q_DECLARE_METATYPE(platform::TransitionRule)
Q_DECLARE_METATYPE(platform::DriveKind)

namespace {

TimeZoneRules rulesOf(
    const TransitionRule& daylight, const TransitionRule& standard, int shift = 60)
{
    TimeZoneRules rules;
    rules.bias = -60;
    rules.standardBias = 0;
    rules.daylightBias = -shift;
    rules.daylightDate = daylight;
    rules.standardDate = standard;
    return rules;
}

// Last Sunday of March at 2:00 and last Sunday of October at 3:00.
const TransitionRule kEuropeanDaylight { 0, 3, 0, 5, 2, 0, 0 };
const TransitionRule kEuropeanStandard { 0, 10, 0, 5, 3, 0, 0 };

QDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

void writeFile(const QString& path, const QByteArray& contents, const QDateTime& modified = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
    QVERIFY(file.flush()); // a later flush would stamp the file again
    if (modified.isValid())
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QDateTime modifiedOf(const QString& path)
{
    return QFileInfo(path).lastModified();
}

} // namespace

class SummerTimeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        DaylightDatum = StandardDatum = ZWCorrection = 0;
        ZomertijdB = false;
    }

    void dateTime_countsDaysFromEndOf1899_data()
    {
        QTest::addColumn<QDateTime>("local");
        QTest::addColumn<double>("value");
        // clang-format off
        QTest::newRow("day zero") << at(1899, 12, 30) << 0.0;
        QTest::newRow("noon, 1 July 2013") << at(2013, 7, 1, 12) << 41456.5;
        QTest::newRow("6:00, 1 January 1900") << at(1900, 1, 1, 6) << 2.25;
        QTest::newRow("before day zero") << at(1899, 12, 29, 6) << -1.25;
        // clang-format on
    }
    void dateTime_countsDaysFromEndOf1899()
    {
        QFETCH(QDateTime, local);
        QFETCH(double, value);
        QCOMPARE(toTDateTime(local), value);
        QCOMPARE(fromTDateTime(value), local);
    }

    void dateTime_roundsToTheMillisecond()
    {
        const QDateTime moment = at(2013, 10, 27, 2, 59, 58).addMSecs(999);
        QCOMPARE(fromTDateTime(toTDateTime(moment)), moment);
        QCOMPARE(fromTDateTime(41456.0 - 1e-12), at(2013, 7, 1));
    }

    void dateTime_inTheSkippedHour_stillNamesAMoment()
    {
        const bool hadZone = qEnvironmentVariableIsSet("TZ");
        const QByteArray previous = qgetenv("TZ");
        qputenv("TZ", "Europe/Amsterdam");
        const QDateTime converted = fromTDateTime(toTDateTime(at(2013, 3, 31)) + 2.5 / 24);
        const QDateTime utc = converted.toUTC();
        hadZone ? qputenv("TZ", previous) : qunsetenv("TZ");
        QVERIFY(converted.isValid());
        QCOMPARE(utc, QDateTime(QDate(2013, 3, 31), QTime(1, 30), Qt::UTC));
    }

    void daylightInfo_fromTheZoneRules_data()
    {
        QTest::addColumn<TransitionRule>("daylight");
        QTest::addColumn<TransitionRule>("standard");
        QTest::addColumn<int>("shift");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("daylightDatum");
        QTest::addColumn<QDateTime>("standardDatum");
        QTest::addColumn<bool>("summer");

        const TransitionRule secondSundayOfMarch { 0, 3, 0, 2, 2, 0, 0 };
        const TransitionRule firstSundayOfNovember { 0, 11, 0, 1, 2, 0, 0 };
        // clang-format off
        QTest::newRow("European rule, 1 July 2013")
            << kEuropeanDaylight << kEuropeanStandard << 60 << at(2013, 7, 1, 12)
            << at(2013, 3, 31, 2) << at(2013, 10, 27, 3) << true;
        QTest::newRow("European rule, 1 December 2013")
            << kEuropeanDaylight << kEuropeanStandard << 60 << at(2013, 12, 1, 12)
            << at(2013, 3, 31, 2) << at(2013, 10, 27, 3) << false;
        QTest::newRow("European rule, at the change itself")
            << kEuropeanDaylight << kEuropeanStandard << 60 << at(2013, 3, 31, 2)
            << at(2013, 3, 31, 2) << at(2013, 10, 27, 3) << false;
        QTest::newRow("European rule, a second after the change")
            << kEuropeanDaylight << kEuropeanStandard << 60 << at(2013, 3, 31, 2, 0, 1)
            << at(2013, 3, 31, 2) << at(2013, 10, 27, 3) << true;
        QTest::newRow("first Sunday of November 2013")
            << secondSundayOfMarch << firstSundayOfNovember << 60 << at(2013, 11, 2, 23)
            << at(2013, 3, 10, 2) << at(2013, 11, 3, 2) << true;
        QTest::newRow("second Sunday of March 2016")
            << secondSundayOfMarch << firstSundayOfNovember << 60 << at(2016, 3, 13, 1)
            << at(2016, 3, 13, 2) << at(2016, 11, 6, 2) << false;
        QTest::newRow("fifth Saturday, month with four: the last")
            << TransitionRule { 0, 2, 6, 5, 0, 0, 0 } << TransitionRule { 0, 9, 6, 5, 0, 0, 0 }
            << 60 << at(2015, 6, 1) << at(2015, 2, 28) << at(2015, 9, 26) << true;
        QTest::newRow("absolute dates") << TransitionRule { 2013, 3, 0, 31, 2, 0, 0 }
            << TransitionRule { 2013, 10, 0, 27, 3, 0, 0 } << 60 << at(2013, 7, 1)
            << at(2013, 3, 31, 2) << at(2013, 10, 27, 3) << true;
        QTest::newRow("half-hour shift")
            << TransitionRule { 0, 10, 0, 1, 2, 0, 0 } << TransitionRule { 0, 4, 0, 1, 2, 0, 0 }
            << 30 << at(2013, 1, 15) << at(2013, 10, 6, 2) << at(2013, 4, 7, 2) << false;
        // Daylight time over the turn of the year: the change to daylight time
        // comes after the change back, so neither period counts as summer.
        QTest::newRow("southern summer, January")
            << TransitionRule { 0, 10, 0, 1, 2, 0, 0 } << TransitionRule { 0, 4, 0, 1, 3, 0, 0 }
            << 60 << at(2013, 1, 15) << at(2013, 10, 6, 2) << at(2013, 4, 7, 3) << false;
        QTest::newRow("southern summer, December")
            << TransitionRule { 0, 10, 0, 1, 2, 0, 0 } << TransitionRule { 0, 4, 0, 1, 3, 0, 0 }
            << 60 << at(2013, 12, 15) << at(2013, 10, 6, 2) << at(2013, 4, 7, 3) << false;
        // clang-format on
    }
    void daylightInfo_fromTheZoneRules()
    {
        QFETCH(TransitionRule, daylight);
        QFETCH(TransitionRule, standard);
        QFETCH(int, shift);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, daylightDatum);
        QFETCH(QDateTime, standardDatum);
        QFETCH(bool, summer);
        ScopedFakeEnvironment environment;
        environment->moment = now;
        environment->rules = [=](int) { return rulesOf(daylight, standard, shift); };
        ZomertijdB = !summer;

        GetDaylightInfo();

        QCOMPARE(fromTDateTime(DaylightDatum), daylightDatum);
        QCOMPARE(fromTDateTime(StandardDatum), standardDatum);
        QCOMPARE(ZWCorrection, shift / 1440.0);
        QCOMPARE(ZomertijdB, summer);
    }

    void daylightInfo_withoutSummerTime_changesNothingElse_data()
    {
        QTest::addColumn<int>("countryCode");
        QTest::addColumn<int>("daylightMonth");
        // clang-format off
        QTest::newRow("United States, or no country") << 1 << 3;
        QTest::newRow("zone without daylight time") << 31 << 0;
        // clang-format on
    }
    void daylightInfo_withoutSummerTime_changesNothingElse()
    {
        QFETCH(int, countryCode);
        QFETCH(int, daylightMonth);
        ScopedFakeEnvironment environment;
        environment->countryCode = countryCode;
        environment->moment = at(2013, 7, 1, 12);
        TransitionRule daylight = kEuropeanDaylight;
        daylight.month = daylightMonth;
        environment->rules = [=](int) { return rulesOf(daylight, kEuropeanStandard); };
        DaylightDatum = 1;
        StandardDatum = 2;
        ZWCorrection = 3;
        ZomertijdB = true;

        GetDaylightInfo();

        QVERIFY(!ZomertijdB);
        QCOMPARE(DaylightDatum, 1.0);
        QCOMPARE(StandardDatum, 2.0);
        QCOMPARE(ZWCorrection, 3.0);
    }

    // The zone's own rules, as the machine would report them, through the same rule.
    void daylightInfo_fromRealZones_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<bool>("summer");
        // clang-format off
        QTest::newRow("Amsterdam, July") << QByteArray("Europe/Amsterdam") << at(2013, 7, 1) << true;
        QTest::newRow("Amsterdam, December")
            << QByteArray("Europe/Amsterdam") << at(2013, 12, 1) << false;
        QTest::newRow("Dublin, July") << QByteArray("Europe/Dublin") << at(2013, 7, 1) << true;
        QTest::newRow("Sydney, January") << QByteArray("Australia/Sydney") << at(2013, 1, 15) << false;
        QTest::newRow("Sydney, July") << QByteArray("Australia/Sydney") << at(2013, 7, 1) << false;
        QTest::newRow("Tokyo, July") << QByteArray("Asia/Tokyo") << at(2013, 7, 1) << false;
        // clang-format on
    }
    void daylightInfo_fromRealZones()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, now);
        QFETCH(bool, summer);
        const QTimeZone timeZone(zone);
        if (!timeZone.isValid())
            QSKIP("time-zone data not installed");
        ScopedFakeEnvironment environment;
        environment->moment = now;
        environment->rules = [=](int year) { return platform::timeZoneRulesOf(timeZone, year); };

        GetDaylightInfo();

        QCOMPARE(ZomertijdB, summer);
        if (summer)
            QCOMPARE(ZWCorrection, 1 / 24.0);
    }

    void driveType_texts_data()
    {
        QTest::addColumn<DriveKind>("kind");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("unknown") << DriveKind::Unknown << QString();
        QTest::newRow("no root") << DriveKind::NoRootDir << QString();
        QTest::newRow("removable") << DriveKind::Removable << "DRIVE_REMOVABLE";
        QTest::newRow("fixed") << DriveKind::Fixed << "DRIVE_FIXED";
        QTest::newRow("remote") << DriveKind::Remote << "DRIVE_REMOTE";
        QTest::newRow("CD-ROM") << DriveKind::CdRom << "DRIVE_CDROM";
        QTest::newRow("RAM disk") << DriveKind::RamDisk << "DRIVE_RAMDISK";
        QTest::newRow("other value") << DriveKind(7) << QString();
        // clang-format on
    }
    void driveType_texts()
    {
        QFETCH(DriveKind, kind);
        QFETCH(QString, text);
        ScopedFakeEnvironment environment;
        environment->drive = [=](const QString&) { return kind; };
        QCOMPARE(DriveType(QStringLiteral("/media/stick/file")), text);
    }

    void driveType_ofMachine_fixedHereAndEmptyForMissingPath()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        QVERIFY(!DriveType(temporary.path()).isEmpty());
        QCOMPARE(DriveType(temporary.path() + QStringLiteral("/missing/file")), QString());
    }

    void copy_stampFollowsSummerTimeBetweenDriveKinds_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("summer");
        QTest::addColumn<int>("shiftHours");
        // clang-format off
        QTest::newRow("summer, fixed to removable") << "fixed" << "stick" << true << -1;
        QTest::newRow("summer, removable to fixed") << "stick" << "fixed" << true << 1;
        QTest::newRow("summer, fixed to fixed") << "fixed" << "fixed" << true << 0;
        QTest::newRow("summer, removable to removable") << "stick" << "stick" << true << 0;
        QTest::newRow("summer, fixed to network") << "fixed" << "network" << true << -1;
        QTest::newRow("winter, fixed to removable") << "fixed" << "stick" << false << 0;
        QTest::newRow("winter, removable to fixed") << "stick" << "fixed" << false << 0;
        // clang-format on
    }
    void copy_stampFollowsSummerTimeBetweenDriveKinds()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, summer);
        QFETCH(int, shiftHours);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString root = temporary.path();
        ScopedFakeEnvironment environment;
        environment->drive = [root](const QString& path) {
            if (path.startsWith(root + QStringLiteral("/fixed/")))
                return DriveKind::Fixed;
            if (path.startsWith(root + QStringLiteral("/stick/")))
                return DriveKind::Removable;
            return DriveKind::Remote;
        };
        ZomertijdB = summer;
        ZWCorrection = 1 / 24.0;
        QVERIFY(QDir(root).mkpath(from));
        const QString source = root + QLatin1Char('/') + from + QStringLiteral("/Front.jpg");
        const QString destination
            = root + QLatin1Char('/') + to + QStringLiteral("/copy/Front.jpg");
        writeFile(source, "picture", at(2013, 7, 1, 12, 0, 3).addMSecs(500));

        QVERIFY(CopyFileStr(source, destination, true));

        QCOMPARE(contentsOf(destination), QByteArray("picture"));
        QCOMPARE(modifiedOf(destination), at(2013, 7, 1, 12 + shiftHours, 0, 2));
    }

    void copy_failIfExists_leavesExistingFileUntouched()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString source = temporary.filePath(QStringLiteral("new.rtf"));
        const QString destination = temporary.filePath(QStringLiteral("old.rtf"));
        writeFile(source, "new text");
        const QDateTime oldStamp = at(2010, 5, 4, 3, 2, 1);
        writeFile(destination, "old text", oldStamp);

        QVERIFY(!CopyFileStr(source, destination, true));
        QCOMPARE(contentsOf(destination), QByteArray("old text"));
        QCOMPARE(modifiedOf(destination), oldStamp);

        QVERIFY(CopyFileStr(source, destination, false));
        QCOMPARE(contentsOf(destination), QByteArray("new text"));
    }

    void copy_missingSource_failsAfterMakingTheFolder()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString destination = temporary.filePath(QStringLiteral("project/Back.bmp"));

        QVERIFY(!CopyFileStr(temporary.filePath(QStringLiteral("missing.bmp")), destination, true));
        QVERIFY(QFileInfo(temporary.filePath(QStringLiteral("project"))).isDir());
        QVERIFY(!QFileInfo::exists(destination));
        QVERIFY(!CopyFileSW(temporary.path(), temporary.filePath(QStringLiteral("dir")), true));
    }

    void copy_readOnlySource_stillGetsItsStamp()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString source = temporary.filePath(QStringLiteral("Back.rtf"));
        const QString destination = temporary.filePath(QStringLiteral("copy/Back.rtf"));
        writeFile(source, "{\\rtf1 x}", at(2012, 1, 2, 3, 4, 5));
        QVERIFY(QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::ReadUser));

        QVERIFY(CopyFileSW(source, destination, true));
        QCOMPARE(modifiedOf(destination), at(2012, 1, 2, 3, 4, 4));
        QVERIFY(QFileInfo(destination).isWritable());
    }

    void copy_destinationWithoutFolder_isReported()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString source = temporary.filePath(QStringLiteral("a.txt"));
        writeFile(source, "a");
        QVERIFY_THROWS_EXCEPTION(
            platform::UserError, CopyFileStr(source, QStringLiteral("b.txt"), true));
        QVERIFY(!QFileInfo::exists(QStringLiteral("b.txt")));
    }
};

QTEST_GUILESS_MAIN(SummerTimeTest)
#include "tst_summertime.moc"

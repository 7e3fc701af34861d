#include "FakeEnvironment.h"
#include "support/Support.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class StartupProbeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_startFolder = QDir::currentPath();
        sLanguage.clear();
        PlatForm.clear();
        WinNTB = false;
        Desktop.clear();
    }
    void cleanup() { QVERIFY(QDir::setCurrent(m_startFolder)); }

    void language_dutchForDutchBelgianAndAfrikaans_data()
    {
        QTest::addColumn<int>("languageId");
        QTest::addColumn<QString>("expected");
        const QString dutch = QStringLiteral("NLD");
        // clang-format off
        QTest::newRow("Dutch") << 0x0413 << dutch;
        QTest::newRow("Dutch (Belgium)") << 0x0813 << dutch;
        QTest::newRow("Afrikaans") << 0x0436 << dutch;
        QTest::newRow("English (United States)") << 0x0409 << QString();
        QTest::newRow("German") << 0x0407 << QString();
        QTest::newRow("Frisian") << 0x0462 << QString();
        QTest::newRow("French (Belgium)") << 0x080c << QString();
        QTest::newRow("Dutch, neutral sublanguage") << 0x0013 << QString();
        // clang-format on
    }
    void language_dutchForDutchBelgianAndAfrikaans()
    {
        QFETCH(int, languageId);
        QFETCH(QString, expected);
        ScopedFakeEnvironment environment;
        environment->languageId = languageId;
        sLanguage = QStringLiteral("stale");
        GetLanguage();
        QCOMPARE(sLanguage, expected);
    }

    void platform_nameAndFamily_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("servicePack");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("nt");
        const QString none;
        // clang-format off
        QTest::newRow("95 OSR2 (B)") << 1 << 4 << 0 << "B" << "95 OSR2" << false;
        QTest::newRow("95 OSR2 (C)") << 1 << 4 << 0 << "C" << "95 OSR2" << false;
        QTest::newRow("95, other letter") << 1 << 4 << 0 << "A" << "95" << false;
        QTest::newRow("95, lower-case b") << 1 << 4 << 0 << "b" << "95" << false;
        QTest::newRow("95, no service pack") << 1 << 4 << 0 << none << "95" << false;
        QTest::newRow("98 SE") << 1 << 4 << 10 << "A" << "98 SE" << false;
        QTest::newRow("98") << 1 << 4 << 10 << "B" << "98" << false;
        QTest::newRow("98, no service pack") << 1 << 4 << 10 << none << "98" << false;
        QTest::newRow("ME") << 1 << 4 << 90 << none << "ME" << false;
        QTest::newRow("95 family 4.3") << 1 << 4 << 3 << none << none << false;
        QTest::newRow("95 family 5.0") << 1 << 5 << 0 << none << "9x version (unknown)" << false;
        QTest::newRow("NT 3.51") << 2 << 3 << 51 << none << "NT" << true;
        QTest::newRow("NT 4.0") << 2 << 4 << 0 << "Service Pack 6" << "NT" << true;
        QTest::newRow("2000") << 2 << 5 << 0 << none << "2000" << true;
        QTest::newRow("XP") << 2 << 5 << 1 << none << "XP" << true;
        QTest::newRow("Server 2003") << 2 << 5 << 2 << none << "Server 2003" << true;
        QTest::newRow("NT 5.3") << 2 << 5 << 3 << none << none << false;
        QTest::newRow("Vista") << 2 << 6 << 0 << none << "Vista" << true;
        QTest::newRow("Windows 7") << 2 << 6 << 1 << none << "Windows 7" << true;
        QTest::newRow("NT 6.2") << 2 << 6 << 2 << none << "Future Windows version (unknown)" << true;
        QTest::newRow("NT 10.0") << 2 << 10 << 0 << none << "Future Windows version (unknown)" << true;
        QTest::newRow("family 0") << 0 << 4 << 0 << none << none << false;
        QTest::newRow("family 3") << 3 << 10 << 0 << none << none << false;
        // clang-format on
    }
    void platform_nameAndFamily()
    {
        QFETCH(int, family);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, servicePack);
        QFETCH(QString, expected);
        QFETCH(bool, nt);
        ScopedFakeEnvironment environment;
        environment->version = { family, major, minor, servicePack };
        PlatForm = QStringLiteral("stale");
        WinNTB = !nt;
        GetPlatform();
        QCOMPARE(PlatForm, expected);
        QCOMPARE(WinNTB, nt);
    }

    void shellFolders_desktopGetsTrailingSeparator_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("home desktop") << "/home/user/Desktop" << "/home/user/Desktop/";
        QTest::newRow("none") << QString() << "/";
        // clang-format on
    }
    void shellFolders_desktopGetsTrailingSeparator()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        ScopedFakeEnvironment environment;
        environment->desktop = folder;
        GetShellFolders();
        QCOMPARE(Desktop, QDir::toNativeSeparators(expected));
    }

    // Inside the profile: on Windows the folder holding the desktop folder,
    // elsewhere the home folder, wherever the desktop is.
    void dataDir_ntFamily_isUserDataInTheProfileAndCreated_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("earlierDataDir");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("Windows: beside the desktop")
            << "/home/user/Desktop/" << "" << "" << "/home/user/UserData/qzLayer/";
        QTest::newRow("desktop in the home folder")
            << "/home/user/Desktop/" << "/home/user" << "" << "/home/user/UserData/qzLayer/";
        QTest::newRow("desktop is the home folder")
            << "/home/user/" << "/home/user" << "" << "/home/user/UserData/qzLayer/";
        QTest::newRow("desktop elsewhere")
            << "/home/user/Stuff/Desk/" << "/home/user" << "" << "/home/user/UserData/qzLayer/";
        QTest::newRow("desktop elsewhere, data made there earlier")
            << "/home/user/Stuff/Desk/" << "/home/user" << "/home/user/Stuff/UserData/qzLayer"
            << "/home/user/Stuff/UserData/qzLayer/";
        // clang-format on
    }
    void dataDir_ntFamily_isUserDataInTheProfileAndCreated()
    {
        QFETCH(QString, desktop);
        QFETCH(QString, home);
        QFETCH(QString, earlierDataDir);
        QFETCH(QString, expected);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString root = QDir(temporary.path()).canonicalPath();
        const auto under = [&root](const QString& path) {
            return path.isEmpty() ? path : QDir::toNativeSeparators(root + path);
        };
        ScopedFakeEnvironment environment;
        environment->profile = under(home);
        if (!earlierDataDir.isEmpty())
            QVERIFY(QDir().mkpath(under(earlierDataDir)));
        Desktop = under(desktop);
        WinNTB = true;
        const QString before = QDir::currentPath();

        const QString dataDir = GetDataDir(QStringLiteral("qzLayer"));

        QCOMPARE(dataDir, under(expected));
        QVERIFY(QFileInfo(dataDir).isDir());
        QCOMPARE(QDir::currentPath(), before);
    }

    void dataDir_otherFamily_isCurrentFolderAndNothingCreated()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString root = QDir(temporary.path()).canonicalPath();
        QVERIFY(QDir(root).mkpath(QStringLiteral("start/qzLayer")));
        QVERIFY(QDir::setCurrent(root + QStringLiteral("/start/qzLayer")));
        Desktop = root + QStringLiteral("/home/user/Desktop/");
        WinNTB = false;

        QCOMPARE(GetDataDir(QStringLiteral("qzLayer")), root + QStringLiteral("/start/qzLayer/"));
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("/home")));
    }

    void chMkDir_createsAllLevelsAndEnters_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("expected");
        // clang-format off
        QTest::newRow("trailing separator") << "A/B/" << true;
        QTest::newRow("no trailing separator") << "A/B" << false;
        QTest::newRow("existing folder") << "" << true;
        // clang-format on
    }
    void chMkDir_createsAllLevelsAndEnters()
    {
        QFETCH(QString, relative);
        QFETCH(bool, expected);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString root = QDir(temporary.path()).canonicalPath();
        const QString folder = root + QLatin1Char('/') + relative;

        QCOMPARE(ChMkDir(folder), expected);
        QCOMPARE(QDir::currentPath(), QDir::cleanPath(folder));
    }

    void chMkDir_folderThatCannotBeMade_keepsCurrentFolder()
    {
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QString root = QDir(temporary.path()).canonicalPath();
        QFile blocker(root + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(QDir::setCurrent(root));

        QVERIFY(!ChMkDir(root + QStringLiteral("/file/sub/")));
        QCOMPARE(QDir::currentPath(), root);
    }

    void startupProbe_asksInOrderAndSetsEveryFact()
    {
        ScopedFakeEnvironment environment;
        environment->languageId = 0x0813;
        environment->version = { 2, 6, 1, {} };
        environment->desktop = QStringLiteral("/home/user/Desktop");
        environment->countryCode = 32;
        environment->moment = QDateTime(QDate(2013, 7, 1), QTime(12, 0));
        environment->rules = [](int) {
            platform::TimeZoneRules rules;
            rules.daylightBias = -60;
            rules.daylightDate = { 0, 3, 0, 5, 2, 0, 0 };
            rules.standardDate = { 0, 10, 0, 5, 3, 0, 0 };
            return rules;
        };
        ZomertijdB = false;

        RunStartupProbe();

        QCOMPARE(sLanguage, QStringLiteral("NLD"));
        QCOMPARE(PlatForm, QStringLiteral("Windows 7"));
        QVERIFY(WinNTB);
        QCOMPARE(Desktop, QDir::toNativeSeparators(QStringLiteral("/home/user/Desktop/")));
        QVERIFY(ZomertijdB);
        const QStringList firstAsked = environment->asked.mid(0, 4);
        QCOMPARE(firstAsked,
            QStringList({ QStringLiteral("language"), QStringLiteral("version"),
                QStringLiteral("desktop"), QStringLiteral("country") }));
    }

private:
    QString m_startFolder;
};

QTEST_GUILESS_MAIN(StartupProbeTest)
#include "tst_startupprobe.moc"

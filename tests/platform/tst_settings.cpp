#include "platform/Settings.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using platform::Settings;

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        clearStore();
    }
    void cleanup() { clearStore(); }

    void missingValues_readAsDefaults()
    {
        QCOMPARE(Settings::readInteger(QStringLiteral("Left"), 200), 200);
        QCOMPARE(Settings::readString(QStringLiteral("Project Name"), QStringLiteral("dflt")),
            QStringLiteral("dflt"));
    }

    void integers_roundTripAsDecimalStrings()
    {
        Settings::writeInteger(QStringLiteral("Left"), -37);
        QCOMPARE(Settings::readString(QStringLiteral("Left"), QString()), QStringLiteral("-37"));
        QCOMPARE(Settings::readInteger(QStringLiteral("Left"), 200), -37);
    }

    void nonDecimalInteger_readsAsDefault_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("letters") << QStringLiteral("abc");
        QTest::newRow("empty") << QString();
        QTest::newRow("fraction") << QStringLiteral("12.5");
        QTest::newRow("hex") << QStringLiteral("0x10");
        QTest::newRow("too large") << QStringLiteral("99999999999");
    }
    void nonDecimalInteger_readsAsDefault()
    {
        QFETCH(QString, stored);
        Settings::writeString(QStringLiteral("Top"), stored);
        QCOMPARE(Settings::readInteger(QStringLiteral("Top"), 100), 100);
    }

    void values_liveInTheDefaultsSection()
    {
        Settings::writeString(QStringLiteral("Project Name"), QStringLiteral("My Album, vol. 2"));
        QSettings raw(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("qzLayer"),
            QStringLiteral("qzLayer"));
        QCOMPARE(raw.value(QStringLiteral("Defaults/Project Name")).toString(),
            QStringLiteral("My Album, vol. 2"));
        QCOMPARE(Settings::readString(QStringLiteral("Project Name"), QString()),
            QStringLiteral("My Album, vol. 2"));
    }

private:
    static void clearStore()
    {
        QSettings raw(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("qzLayer"),
            QStringLiteral("qzLayer"));
        raw.clear();
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"

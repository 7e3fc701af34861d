#include "platform/QtTranslations.h"

#include <QCoreApplication>
#include <QTest>

class QtTranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    // Debian's qt6-translations-l10n, which the test command installs.
    void dutch_givesQtsOwnDialogsDutchTexts()
    {
        const QString before = QCoreApplication::translate("QFileDialog", "Look in:");
        QCOMPARE(before, QStringLiteral("Look in:"));
        QVERIFY(platform::installQtTranslations("en", this));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), before);

        QVERIFY(platform::installQtTranslations("nl", this));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"),
            QStringLiteral("Zoeken in:"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
            QStringLiteral("Annuleren"));
    }

    void languageWithoutTranslations_leavesQtInEnglish()
    {
        QVERIFY(!platform::installQtTranslations("tlh", this));
    }
};

QTEST_GUILESS_MAIN(QtTranslationsTest)
#include "tst_qttranslations.moc"

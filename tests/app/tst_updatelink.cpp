#include "app/Main.h"
#include "app/UpdateLink.h"
#include "dialogs/About.h"
#include "dialogs/MessForm.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "tests/FreshSettings.h"
#include "update/GetVersions.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

class UpdateLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::setScreenPixelsPerInchForTesting(120);
        platform::setErrorPresenter([](const QString&) {});
        QVERIFY(m_folder.isValid());
    }

    void init()
    {
        clearProgramSettings();
        m_events.clear();
        m_mainForm = std::make_unique<TMainForm>();
        CurrentDir = m_folder.path() + u'/';
        DataDir = m_folder.path() + u'/';
        m_mainForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_mainForm.get()));
        // Nowhere to be reached: the check ends at once.
        m_versionsForm
            = std::make_unique<TVersionsForm>(QStringLiteral("https://127.0.0.1:9/v.dat"));
        connectVersionsForm(*m_mainForm, *m_versionsForm, [this] {
            m_events << QStringLiteral("question");
            return m_answer;
        });
        platform::setShellHandler([this](const platform::ShellRequest&) {
            m_events << QStringLiteral("installer");
            return 33;
        });
    }

    void cleanup()
    {
        VersionsForm = nullptr;
        m_versionsForm.reset();
        m_mainForm.reset();
        platform::setShellHandler(nullptr);
    }

    void updateTimer_checksOnlyWhenTheUserWantsIt()
    {
        VersionsForm = m_versionsForm.get();
        platform::Settings::writeInteger(QStringLiteral("CheckForUpdates"), 0);
        m_mainForm->UpdateTimerTimer();
        QVERIFY(!m_versionsForm->isChecking());
        QVERIFY(!m_mainForm->UpdateTimer->isActive());

        platform::Settings::writeInteger(QStringLiteral("CheckForUpdates"), 1);
        m_mainForm->UpdateTimerTimer();
        QVERIFY(m_versionsForm->isChecking());
    }

    // Turned off in the update window, which then never shows at start: the
    // about window, always at hand, turns it on again.
    void checkTurnedOff_isTurnedOnAgainInTheAboutWindow()
    {
        VersionsForm = m_versionsForm.get();
        m_versionsForm->show();
        m_versionsForm->CheckAtStartBox->click();
        m_versionsForm->close();
        m_mainForm->UpdateTimerTimer();
        QVERIFY(!m_versionsForm->isChecking());

        TMessageForm messages;
        TAboutBox about(messages, m_mainForm.get());
        AboutBox = &about;
        QTimer::singleShot(0, &about, [&] {
            QVERIFY(!about.UpdateCheckBox->isChecked());
            QTest::mouseClick(about.UpdateCheckBox, Qt::LeftButton);
            QTest::mouseClick(about.OKBtn, Qt::LeftButton);
        });
        m_mainForm->AboutButtonClick();
        AboutBox = nullptr;
        QVERIFY(!about.isVisible());

        m_mainForm->UpdateTimerTimer();
        QVERIFY(m_versionsForm->isChecking());
        m_versionsForm->show();
        QVERIFY(m_versionsForm->CheckAtStartBox->isChecked());
    }

    // Quitting for the installer is for good, so Cancel is tried first.
    void install_cancelledAtTheQuestion_keepsTheProgramAndInstallsNothing()
    {
        m_answer = false;
        DownloadName = QStringLiteral("qzLayer101.deb");
        DownloadedB = true;
        QSignalSpy closed(m_mainForm.get(), &TMainForm::closed);
        m_versionsForm->Install();
        QCOMPARE(m_events, QStringList { "question" });
        QVERIFY(m_mainForm->isVisible());
        QVERIFY(closed.isEmpty());
        QVERIFY(!isQuittingForInstall());
        QCOMPARE(platform::Settings::readString(QStringLiteral("Left"), QStringLiteral("none")),
            QStringLiteral("none"));

        // A later close asks again, as ever.
        QVERIFY(!m_mainForm->close());
        QCOMPARE(m_events, (QStringList { "question", "question" }));
    }

    void install_asksOnce_thenClosesTheMainWindowWritingTheSettings()
    {
        m_answer = true;
        DownloadName = QStringLiteral("qzLayer101.deb");
        DownloadedB = true;
        m_mainForm->move(150, 70);
        QSignalSpy closed(m_mainForm.get(), &TMainForm::closed);
        m_versionsForm->Install();
        QCOMPARE(m_events, (QStringList { "question", "installer" }));
        QCOMPARE(closed.size(), 1);
        QVERIFY(!m_mainForm->isVisible());
        QCOMPARE(platform::Settings::readInteger(QStringLiteral("Left"), -1), m_mainForm->x());
        QVERIFY(isQuittingForInstall());
    }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<TMainForm> m_mainForm;
    std::unique_ptr<TVersionsForm> m_versionsForm;
    QStringList m_events;
    bool m_answer = true;
};

QTEST_MAIN(UpdateLinkTest)
#include "tst_updatelink.moc"

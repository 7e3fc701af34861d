#include "update/GetVersions.h"

#include "platform/ErrorReport.h"
#include "platform/Shell.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "tests/testserver/TestHttpsServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <memory>

namespace {

const QByteArray kCataloguePath = "/download/versions.dat";
const QByteArray kInstallerPath = "/download/qzLayer101.exe";
const QByteArray kAdvisingCatalogue = "qzOther,qzOther200.exe,b,10,0\r\n"
                                      "qzLayer,qzLayer101.exe,a,2000,0,Nieuw,New\r\n";

QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 13 % 253);
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

TestHttpsServer::Reply reply(int status, const QByteArray& body, qsizetype announcedLength = -1)
{
    TestHttpsServer::Reply reply;
    reply.status = status;
    reply.body = body;
    reply.announcedLength = announcedLength;
    return reply;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class VersionsFormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::setHttpCertificateAuthorities(TestHttpsServer::certificateAuthorityFile());
    }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        DataDir = m_home->path() + QStringLiteral("/data/");
        ProgNam = QStringLiteral("qzLayer");
        Version = QStringLiteral("version 1.00c");
        sLanguage.clear();
        DownloadName.clear();
        DownloadSize = 0;
        DownloadedB = false;
        DownloadedKB = 0;
        m_reports.clear();
        m_shellRequests.clear();
        m_shellResult = 33;
        platform::setErrorPresenter([this](const QString& text) { m_reports << text; });
        platform::setShellHandler([this](const platform::ShellRequest& request) {
            m_shellRequests << request;
            return m_shellResult;
        });

        m_server = std::make_unique<TestHttpsServer>();
        m_server->setBody(kCataloguePath, kAdvisingCatalogue);
        m_form = std::make_unique<TVersionsForm>(
            m_server->address(QString::fromLatin1(kCataloguePath)));
        m_quits = 0;
        m_form->setQuitHandler([this] { ++m_quits; });
    }

    void cleanup()
    {
        m_form.reset();
        m_server.reset();
        platform::setShellHandler(nullptr);
        platform::setErrorPresenter(nullptr);
        m_home.reset();
    }

    // ---- the silent check ---------------------------------------------------

    void silentCheck_advisedUpdate_showsVersionsAndDownloadButton_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("downloadCaption");
        QTest::newRow("English") << ""
                                 << QStringList { "", "Update is advised", "",
                                        "Your current version is version 1.00c",
                                        "The latest version is 1.01a",
                                        "The Download Name is qzLayer101.exe" }
                                 << "Start Downloading";
        QTest::newRow("Dutch") << "NLD"
                               << QStringList { "", "Een Update wordt aanbevolen", "",
                                      "Uw huidige versie is version 1.00c",
                                      "De nieuwste versie is 1.01a",
                                      "De Downloadnaam is qzLayer101.exe" }
                               << "Start Downloaden";
    }
    void silentCheck_advisedUpdate_showsVersionsAndDownloadButton()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, lines);
        QFETCH(QString, downloadCaption);
        sLanguage = language;
        m_form->UpdateStealth(ProgNam, Version);

        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("qzLayer - Update"));
        QCOMPARE(m_form->memoLines(), lines);
        QCOMPARE(m_form->DownloadBtn->text(), downloadCaption);
        QCOMPARE(m_form->ExitBtn->text(), QStringLiteral("Download Later"));
        QVERIFY(m_form->DownloadBtn->isVisible());
        QVERIFY(m_form->ExitBtn->isVisible());
        QCOMPARE(DownloadName, QStringLiteral("qzLayer101.exe"));
        QCOMPARE(DownloadSize, 2000);
        QCOMPARE(m_server->requestedTargets(), QList<QByteArray> { kCataloguePath });
    }

    void silentCheck_withoutAdvice_staysHidden_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("catalogue");
        QTest::addColumn<bool>("downloadedAfter");
        QTest::newRow("no newer version")
            << 200
            << QByteArray("qzOther,qzOther200.exe,b,10,0\r\nqzLayer,qzLayer100.exe,c,2000,0\r\n")
            << true;
        QTest::newRow("program not listed")
            << 200
            << QByteArray("qzOther,qzOther200.exe,b,10,0\r\nqzThird,qzThird300.exe,,20,0\r\n")
            << false;
        QTest::newRow("too short") << 200 << QByteArray("qzLayer,qzLayer101.exe,a,2000,0") << true;
        QTest::newRow("hostile installer name")
            << 200
            << QByteArray(
                   "qzOther,qzOther200.exe,b,10,0\r\nqzLayer,../../qzLayer101.exe,a,2000,0\r\n")
            << true;
        QTest::newRow("oversized") << 200 << QByteArray(70000, '-') + kAdvisingCatalogue << true;
        QTest::newRow("error page") << 404 << kAdvisingCatalogue << true;
    }
    void silentCheck_withoutAdvice_staysHidden()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, catalogue);
        QFETCH(bool, downloadedAfter);
        m_server->setReply(kCataloguePath, reply(status, catalogue));
        DownloadedB = true;
        DownloadName = QStringLiteral("earlier1.exe");

        m_form->UpdateStealth(ProgNam, Version);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->memoLines(), QStringList { QString() });
        QCOMPARE(DownloadedB, downloadedAfter);
        QCOMPARE(DownloadName, QStringLiteral("earlier1.exe"));
    }

    void silentCheck_serverThatNeverAnswers_endsAtTheTimeout()
    {
        TestHttpsServer::Reply silent;
        silent.neverAnswer = true;
        m_server->setReply(kCataloguePath, silent);
        platform::HttpOptions options = TVersionsForm::defaultCatalogueHttpOptions();
        options.totalTimeoutMs = 1000;
        m_form->setCatalogueHttpOptions(options);

        QElapsedTimer clock;
        clock.start();
        QString name = ProgNam, newVersion, remark;
        QCOMPARE(m_form->GetDownloadName(name, newVersion, remark), quint8(2));
        QVERIFY2(clock.elapsed() < 10000, "the check was not ended by its time-out");
        QCOMPARE(name, ProgNam);
        QVERIFY(!m_form->isVisible());
    }

    void checkResult_fillsOutputsWithDisplayVersionAndRemark()
    {
        sLanguage = QStringLiteral("NLD");
        m_server->setBody(kCataloguePath,
            "qzOther,qzOther200.exe,b,10,0\r\nqzLayer,qzLayer101.exe,a,2000,0,Caf\xe9 "
            "\x80,New\r\n");
        QString name = ProgNam, newVersion, remark;
        QCOMPARE(m_form->GetDownloadName(name, newVersion, remark), quint8(4));
        QCOMPARE(name, QStringLiteral("qzLayer101.exe"));
        QCOMPARE(newVersion, QStringLiteral("1.01a"));
        QCOMPARE(remark, QStringLiteral("Café €")); // the catalogue is Windows-1252 text
        QVERIFY(!m_form->isVisible()); // only the silent check shows the window
    }

    // ---- download -------------------------------------------------------------

    void download_countsWholeKibibytesPerChunk_data()
    {
        QTest::addColumn<qsizetype>("bodySize");
        QTest::addColumn<int>("kibibytes");
        QTest::addColumn<bool>("arrived");
        QTest::newRow("800 bytes") << qsizetype(800) << 0 << false;
        QTest::newRow("1023 bytes") << qsizetype(1023) << 0 << false;
        QTest::newRow("1024 bytes") << qsizetype(1024) << 1 << true;
        QTest::newRow("4096 bytes") << qsizetype(4096) << 4 << true;
        QTest::newRow("4096 + 1023 bytes") << qsizetype(5119) << 4 << true;
        QTest::newRow("2,048,000 bytes") << qsizetype(2048000) << 2000 << true;
    }
    void download_countsWholeKibibytesPerChunk()
    {
        QFETCH(qsizetype, bodySize);
        QFETCH(int, kibibytes);
        QFETCH(bool, arrived);
        const QByteArray body = patterned(bodySize);
        m_server->setBody(kInstallerPath, body);
        DownloadSize = 2000;

        QCOMPARE(m_form->DownloadNewVersion(
                     QStringLiteral("qzLayer101.exe"), m_form->catalogueAddress()),
            arrived);
        QCOMPARE(DownloadedKB, kibibytes);
        const QString target = downloadFolder() + QStringLiteral("qzLayer101.exe");
        QCOMPARE(QFile::exists(target), arrived);
        if (arrived)
            QVERIFY(readFile(target) == body);
        QVERIFY(m_form->Gauge1->isVisibleTo(m_form.get()));
        QCOMPARE(m_form->Gauge1->maximum(), 2000);
        QCOMPARE(
            m_form->Gauge1->value(), qMin(kibibytes + 1, 2000)); // one ahead, held at the maximum
    }

    void download_ofFullSize_holdsBarAtHundredPercent()
    {
        m_server->setBody(kInstallerPath, patterned(2048000));
        DownloadSize = 2000;
        QVERIFY(m_form->DownloadNewVersion(
            QStringLiteral("qzLayer101.exe"), m_form->catalogueAddress()));
        QCOMPARE(m_form->Gauge1->value(), 2000);
        QCOMPARE(m_form->Gauge1->text(), QStringLiteral("100%"));
    }

    void downloadButton_fetchesFromCatalogueFolder_andOffersInstall_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("exitCaption");
        QTest::newRow("English") << ""
                                 << QStringList { "",
                                        "qzLayer101.exe has been succesfully downloaded",
                                        "Click \"Install\" to install the progam" }
                                 << "Install";
        QTest::newRow("Dutch") << "NLD"
                               << QStringList { "", "qzLayer101.exe is met succes gedownload",
                                      "Klik \"Installeer\" om het progamma te installeren" }
                               << "Installeer";
    }
    void downloadButton_fetchesFromCatalogueFolder_andOffersInstall()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, lines);
        QFETCH(QString, exitCaption);
        sLanguage = language;
        m_form->UpdateStealth(ProgNam, Version);
        const QByteArray body = patterned(300000);
        m_server->setBody(kInstallerPath, body);
        const QString folder = downloadFolder();
        QVERIFY(
            writeFile(folder + QStringLiteral("qzLayer100.exe"), "running version's installer"));
        QVERIFY(writeFile(folder + QStringLiteral("qzLayer101.exe"), "stale copy"));
        // Events run between chunks; the buttons must be out of reach then.
        bool ranDuringDownload = false;
        bool buttonsDisabled = false;
        QTimer::singleShot(0, m_form.get(), [&] {
            ranDuringDownload = true;
            buttonsDisabled = !m_form->DownloadBtn->isEnabled() && !m_form->ExitBtn->isEnabled();
        });

        QTest::mouseClick(m_form->DownloadBtn, Qt::LeftButton);

        QVERIFY(m_reports.isEmpty());
        QVERIFY(ranDuringDownload && buttonsDisabled);
        QCOMPARE(
            m_server->requestedTargets(), (QList<QByteArray> { kCataloguePath, kInstallerPath }));
        QVERIFY(!QFile::exists(folder + QStringLiteral("qzLayer100.exe")));
        QVERIFY(readFile(folder + QStringLiteral("qzLayer101.exe")) == body);
        QCOMPARE(m_form->memoLines(), lines);
        QCOMPARE(m_form->ExitBtn->text(), exitCaption);
        QVERIFY(m_form->DownloadBtn->isHidden());
        QVERIFY(m_form->ExitBtn->isEnabled());
        QVERIFY(DownloadedB);
    }

    void downloadButton_failedDownload_leavesWindowAsItWas_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<qsizetype>("bodySize");
        QTest::addColumn<qsizetype>("announcedLength");
        QTest::newRow("under one KiB") << 200 << qsizetype(800) << qsizetype(-1);
        QTest::newRow("cut short") << 200 << qsizetype(20000) << qsizetype(50000);
        QTest::newRow("error page") << 404 << qsizetype(5000) << qsizetype(-1);
    }
    void downloadButton_failedDownload_leavesWindowAsItWas()
    {
        QFETCH(int, status);
        QFETCH(qsizetype, bodySize);
        QFETCH(qsizetype, announcedLength);
        m_form->UpdateStealth(ProgNam, Version);
        const QStringList advised = m_form->memoLines();
        m_server->setReply(kInstallerPath, reply(status, patterned(bodySize), announcedLength));

        QTest::mouseClick(m_form->DownloadBtn, Qt::LeftButton);

        QVERIFY(m_reports.isEmpty());
        QCOMPARE(m_form->memoLines(), advised);
        QVERIFY(!QFile::exists(downloadFolder() + QStringLiteral("qzLayer101.exe")));
        QVERIFY(!DownloadedB);
        QVERIFY(m_form->DownloadBtn->isVisible() && m_form->DownloadBtn->isEnabled());
        QCOMPARE(m_form->ExitBtn->text(), QStringLiteral("Download Later"));
        QVERIFY(m_form->Gauge1->isVisible());
    }

    void downloadButton_fileCannotBeCreated_reportsErrorAndStaysUsable()
    {
        m_form->UpdateStealth(ProgNam, Version);
        m_server->setBody(kInstallerPath, patterned(8192));
        // The data folder is a file, so the download folder cannot be made.
        QVERIFY(writeFile(m_home->path() + QStringLiteral("/blocked"), "x"));
        DataDir = m_home->path() + QStringLiteral("/blocked/");

        QTest::mouseClick(m_form->DownloadBtn, Qt::LeftButton);

        QCOMPARE(m_reports.size(), 1);
        QVERIFY(m_reports.first().contains(QStringLiteral("qzLayer101.exe")));
        QVERIFY(!DownloadedB);
        QVERIFY(m_form->DownloadBtn->isEnabled() && m_form->ExitBtn->isEnabled());
    }

    void download_hostileName_writesNothingAnywhere()
    {
        m_server->setBody("/evil1.exe", patterned(8192));
        DownloadSize = 8;
        QVERIFY(!m_form->DownloadNewVersion(
            QStringLiteral("../evil1.exe"), m_form->catalogueAddress()));
        QVERIFY(!QFile::exists(DataDir + QStringLiteral("evil1.exe")));
        QCOMPARE(m_server->requestedTargets(), QList<QByteArray> {});
    }

    void exitButton_beforeDownload_hidesWindow()
    {
        m_form->UpdateStealth(ProgNam, Version);
        QTest::mouseClick(m_form->ExitBtn, Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_shellRequests.isEmpty());
        QCOMPARE(m_quits, 0);
    }

    // ---- install ----------------------------------------------------------------

    void install_shellFailure_reportsAndAllowsRetry()
    {
        DownloadName = QStringLiteral("qzLayer101.exe");
        DownloadedB = true;
        m_form->ExitBtn->setText(QStringLiteral("Install"));
        m_form->show();
        m_shellResult = 32;

        QTest::mouseClick(m_form->ExitBtn, Qt::LeftButton);
        QCOMPARE(m_form->memoLines(),
            (QStringList {
                "", "The installation of qzLAYER is started.", "Installation failed." }));
        QVERIFY(DownloadedB);
        QCOMPARE(m_form->ExitBtn->text(), QStringLiteral("Install"));
        QCOMPARE(m_quits, 0);

        m_shellResult = 33;
        QTest::mouseClick(m_form->ExitBtn, Qt::LeftButton);
        QCOMPARE(m_shellRequests.size(), 2);
        QCOMPARE(m_form->memoLines().mid(3),
            (QStringList { "", "The installation of qzLAYER is started.",
                "The installation of qzLAYER has started." }));
        QCOMPARE(m_quits, 1);
        QVERIFY(isQuittingForInstall());
    }

    void install_startsDownloadedInstallerSilently_inDutch()
    {
        sLanguage = QStringLiteral("NLD");
        DownloadName = QStringLiteral("setup2.exe");
        DownloadedB = true;
        m_form->Install();

        QCOMPARE(m_shellRequests.size(), 1);
        QCOMPARE(m_shellRequests.first().target, downloadFolder() + QStringLiteral("setup2.exe"));
        QCOMPARE(m_shellRequests.first().parameters, QStringLiteral("/SP- /silent /noicons"));
        QCOMPARE(m_form->memoLines().mid(m_form->memoLines().size() - 2),
            (QStringList { "De installatie van Setup wordt gestart.",
                "De installatie van Setup is gestart." }));
        QCOMPARE(m_quits, 1);
    }

    // ---- start-up clean-up ----------------------------------------------------------

    void startupCleanup_removesRunningVersionInstallerOnly()
    {
        const QString folder = downloadFolder();
        QVERIFY(QDir().mkpath(folder));
        RemoveRunningVersionInstaller();
        QVERIFY2(QDir(folder).exists(), "nothing to remove, so the folder stays");

        QVERIFY(writeFile(folder + QStringLiteral("qzLayer100.exe"), "old"));
        QVERIFY(writeFile(folder + QStringLiteral("qzLayer101.exe"), "new"));
        RemoveRunningVersionInstaller();
        QVERIFY(!QFile::exists(folder + QStringLiteral("qzLayer100.exe")));
        QVERIFY(QFile::exists(folder + QStringLiteral("qzLayer101.exe")));

        QVERIFY(QFile::remove(folder + QStringLiteral("qzLayer101.exe")));
        QVERIFY(writeFile(folder + QStringLiteral("qzLayer100.exe"), "old"));
        RemoveRunningVersionInstaller();
        QVERIFY(!QDir(folder).exists());
        QVERIFY(QDir(DataDir).exists());
    }

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TestHttpsServer> m_server;
    std::unique_ptr<TVersionsForm> m_form;
    QStringList m_reports;
    QList<platform::ShellRequest> m_shellRequests;
    int m_shellResult = 33;
    int m_quits = 0;
};

QTEST_MAIN(VersionsFormTest)
#include "tst_versionsform.moc"

#include "update/Catalogue.h"
#include "tests/FreshSettings.h"
#include "update/GetVersions.h"

#include "platform/ErrorReport.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "support/UpdateCheckSetting.h"
#include "tests/testserver/TestHttpsServer.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <memory>

using Reply = TestHttpsServer::Reply;
using Outcome = InstallerDownload::Outcome;

namespace {

constexpr int kWaitMs = 20000;
const QByteArray kCataloguePath = "/download/versions.dat";
const QByteArray kInstallerPath = "/download/qzLayer101.deb";
const QString kInstallerName = QStringLiteral("qzLayer101.deb");

QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 13 % 253);
    return bytes;
}

QByteArray sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// A catalogue whose record for the program offers installer with the given
// size in KiB and hash field.
QByteArray catalogueOffering(const QByteArray& installer, int sizeKiB, const QByteArray& hash)
{
    return "qzOther,qzOther200.deb,b,10,0\r\nqzLayer," + installer + ",a,"
        + QByteArray::number(sizeKiB) + ",0,Nieuw,New," + hash + "\r\n";
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Reply answer(const QByteArray& body, bool withLength = true, qsizetype announcedLength = -1)
{
    Reply reply;
    reply.body = body;
    reply.withoutLength = !withLength;
    reply.announcedLength = announcedLength;
    return reply;
}

// The body in pieces of 4 KiB with a pause before each.
Reply trickled(const QByteArray& body, int intervalMs)
{
    Reply reply = answer(body);
    reply.trickleBytes = 4096;
    reply.trickleIntervalMs = intervalMs;
    return reply;
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
        clearProgramSettings();
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
        m_events.clear();
        m_closingAnswer = true;
        platform::setErrorPresenter([this](const QString& text) { m_reports << text; });
        platform::setShellHandler([this](const platform::ShellRequest& request) {
            m_events << QStringLiteral("shell");
            m_shellRequests << request;
            return m_shellResult;
        });

        m_installer = patterned(300000);
        m_server = std::make_unique<TestHttpsServer>();
        m_server->setBody(kCataloguePath,
            catalogueOffering(kInstallerName.toLatin1(), 293, sha256Hex(m_installer)));
        m_server->setBody(kInstallerPath, m_installer);
        m_form = std::make_unique<TVersionsForm>(
            m_server->address(QString::fromLatin1(kCataloguePath)));
        m_form->setProgramExit({
            [this] {
                m_events << QStringLiteral("question");
                return m_closingAnswer;
            },
            [this] { m_events << QStringLiteral("close"); },
        });
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
                                        "The Download Name is qzLayer101.deb" }
                                 << "Start Downloading";
        QTest::newRow("Dutch") << "NLD"
                               << QStringList { "", "Een Update wordt aanbevolen", "",
                                      "Uw huidige versie is version 1.00c",
                                      "De nieuwste versie is 1.01a",
                                      "De Downloadnaam is qzLayer101.deb" }
                               << "Start Downloaden";
    }
    void silentCheck_advisedUpdate_showsVersionsAndDownloadButton()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, lines);
        QFETCH(QString, downloadCaption);
        sLanguage = language;
        QVERIFY(check() == kUpdateAdvised);

        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("qzLayer - Update"));
        QCOMPARE(m_form->memoLines(), lines);
        QCOMPARE(m_form->DownloadBtn->text(), downloadCaption);
        QCOMPARE(m_form->ExitBtn->text(), QStringLiteral("Download Later"));
        QVERIFY(m_form->DownloadBtn->isVisible());
        QVERIFY(m_form->ExitBtn->isVisible());
        QCOMPARE(DownloadName, kInstallerName);
        QCOMPARE(DownloadSize, 293);
        QCOMPARE(m_server->requestedTargets(), QList<QByteArray> { kCataloguePath });
    }

    void silentCheck_runsWithoutHoldingTheWindow()
    {
        Reply slow = answer(catalogueOffering("qzLayer101.deb", 293, sha256Hex(m_installer)));
        slow.delayMs = 300;
        m_server->setReply(kCataloguePath, slow);
        QSignalSpy ended(m_form.get(), &TVersionsForm::checkEnded);
        m_form->UpdateStealth(ProgNam, Version);
        QVERIFY(m_form->isChecking());
        int turns = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++turns; });
        ticker.start(10);
        QVERIFY(ended.wait(kWaitMs));
        QVERIFY2(turns >= 5, qPrintable(QString::number(turns)));
        QVERIFY(m_form->isVisible());
    }

    void silentCheck_withoutAdvice_staysHidden_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("catalogue");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("downloadedAfter");
        QTest::newRow("no newer version")
            << 200
            << QByteArray("qzOther,qzOther200.deb,b,10,0\r\nqzLayer,qzLayer100.deb,c,2000,0\r\n")
            << int(kNoUpdateNeeded) << true;
        QTest::newRow("program not listed")
            << 200
            << QByteArray("qzOther,qzOther200.deb,b,10,0\r\nqzThird,qzThird300.deb,,20,0\r\n")
            << int(kProgramNotListed) << false;
        QTest::newRow("too short") << 200 << QByteArray("qzLayer,qzLayer101.deb,a,2000,0")
                                   << int(kCatalogueUnusable) << true;
        QTest::newRow("hostile installer name")
            << 200 << catalogueOffering("../../qzLayer101.deb", 2000, QByteArray(64, 'a'))
            << int(kCatalogueUnusable) << true;
        QTest::newRow("oversized") << 200
                                   << QByteArray(70000, '-')
                + catalogueOffering("qzLayer101.deb", 2000, QByteArray(64, 'a'))
                                   << int(kCatalogueUnusable) << true;
        QTest::newRow("error page")
            << 404 << catalogueOffering("qzLayer101.deb", 2000, QByteArray(64, 'a'))
            << int(kCatalogueUnusable) << true;
    }
    void silentCheck_withoutAdvice_staysHidden()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, catalogue);
        QFETCH(int, result);
        QFETCH(bool, downloadedAfter);
        Reply reply = answer(catalogue);
        reply.status = status;
        m_server->setReply(kCataloguePath, reply);
        DownloadedB = true;
        DownloadName = QStringLiteral("earlier1.deb");

        QCOMPARE(int(check()), result);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->memoLines(), QStringList { QString() });
        QCOMPARE(DownloadedB, downloadedAfter);
        QCOMPARE(DownloadName, QStringLiteral("earlier1.deb"));
    }

    void silentCheck_serverThatNeverAnswers_endsAtTheTimeout()
    {
        Reply silent;
        silent.neverAnswer = true;
        m_server->setReply(kCataloguePath, silent);
        platform::HttpOptions options = TVersionsForm::defaultCatalogueHttpOptions();
        options.totalTimeoutMs = 500;
        m_form->setCatalogueHttpOptions(options);
        QCOMPARE(check(), quint8(kCatalogueUnusable));
        QVERIFY(!m_form->isVisible());
    }

    void silentCheck_redirectElsewhere_isNotFollowed_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("down to http") << "http://127.0.0.1:PLAIN/download/versions.dat";
        QTest::newRow("another host") << "https://localhost:SECURE/download/versions.dat";
    }
    void silentCheck_redirectElsewhere_isNotFollowed()
    {
        QFETCH(QString, target);
        TestHttpsServer plain(TestHttpsServer::Scheme::Http);
        target.replace(QStringLiteral("PLAIN"), QString::number(plain.port()))
            .replace(QStringLiteral("SECURE"), QString::number(m_server->port()));
        const QByteArray catalogue = catalogueOffering("qzLayer101.deb", 293, QByteArray(64, 'a'));
        plain.setBody(kCataloguePath, catalogue);
        m_server->setReply(kCataloguePath, TestHttpsServer::redirectTo(target));

        QCOMPARE(check(), quint8(kCatalogueUnusable));
        QVERIFY(!m_form->isVisible());
        QVERIFY(plain.requests().isEmpty());
        QCOMPARE(m_server->requestedTargets(), QList<QByteArray> { kCataloguePath });
    }

    void checkResult_fillsOutputsWithDisplayVersionAndRemark()
    {
        sLanguage = QStringLiteral("NLD");
        QString name = ProgNam, newVersion, remark;
        QCOMPARE(m_form->GetDownloadName(QString::fromLatin1(catalogueOffering(
                                             "qzLayer101.deb", 2000, QByteArray(64, 'a'))),
                     name, newVersion, remark),
            quint8(kUpdateAdvised));
        QCOMPARE(name, kInstallerName);
        QCOMPARE(newVersion, QStringLiteral("1.01a"));
        QCOMPARE(remark, QStringLiteral("Nieuw"));
        QCOMPARE(DownloadSize, 2000);
        QVERIFY(!m_form->isVisible()); // only the silent check shows the window
    }

    void advice_withoutVerifiableInstaller_offersNoDownload_data()
    {
        QTest::addColumn<QByteArray>("catalogue");
        const QByteArray hash(64, 'a');
        QTest::newRow("record of seven fields") << QByteArray(
            "qzOther,qzOther200.deb,b,10,0\r\nqzLayer,qzLayer101.deb,a,293,0,N,E\r\n");
        QTest::newRow("hash one digit short")
            << catalogueOffering("qzLayer101.deb", 293, QByteArray(63, 'a'));
        QTest::newRow("hash not hexadecimal")
            << catalogueOffering("qzLayer101.deb", 293, QByteArray(63, 'a') + 'g');
        QTest::newRow("hash field empty") << catalogueOffering("qzLayer101.deb", 293, "");
        QTest::newRow("not a Debian package") << catalogueOffering("qzLayer101.exe", 293, hash);
        QTest::newRow("shell script") << catalogueOffering("qzLayer101.sh", 293, hash);
    }
    void advice_withoutVerifiableInstaller_offersNoDownload()
    {
        QFETCH(QByteArray, catalogue);
        m_server->setBody(kCataloguePath, catalogue);
        QCOMPARE(check(), quint8(kUpdateAdvised));
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->memoLines().mid(6),
            (QStringList { "", "No verifiable installer is offered for this system." }));
        QVERIFY(m_form->DownloadBtn->isHidden());
        QCOMPARE(m_form->ExitBtn->text(), QStringLiteral("Close window"));

        QVERIFY(!m_form->DownloadNewVersion(DownloadName, m_form->catalogueAddress()));
        QCOMPARE(m_server->requestedTargets(), QList<QByteArray> { kCataloguePath });
        QVERIFY(!QDir(downloadFolder()).exists());
    }

    // ---- download -------------------------------------------------------------

    void downloadButton_verifiedInstaller_offersInstall_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("exitCaption");
        QTest::newRow("English") << ""
                                 << QStringList { "",
                                        "qzLayer101.deb has been succesfully downloaded",
                                        "Click \"Install\" to install the progam" }
                                 << "Install";
        QTest::newRow("Dutch") << "NLD"
                               << QStringList { "", "qzLayer101.deb is met succes gedownload",
                                      "Klik \"Installeer\" om het progamma te installeren" }
                               << "Installeer";
    }
    void downloadButton_verifiedInstaller_offersInstall()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, lines);
        QFETCH(QString, exitCaption);
        sLanguage = language;
        QVERIFY(check() == kUpdateAdvised);
        const QString folder = downloadFolder();
        QVERIFY(
            writeFile(folder + QStringLiteral("qzLayer100.deb"), "running version's installer"));
        QVERIFY(writeFile(folder + kInstallerName, "stale copy"));

        QCOMPARE(download(), Outcome::Verified);
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(
            m_server->requestedTargets(), (QList<QByteArray> { kCataloguePath, kInstallerPath }));
        QVERIFY(!QFile::exists(folder + QStringLiteral("qzLayer100.deb")));
        QVERIFY(readFile(folder + kInstallerName) == m_installer);
        QCOMPARE(m_form->memoLines(), lines);
        QCOMPARE(m_form->ExitBtn->text(), exitCaption);
        QVERIFY(m_form->DownloadBtn->isHidden() && m_form->CancelBtn->isHidden());
        QVERIFY(m_form->ExitBtn->isEnabled());
        QVERIFY(DownloadedB);
        QCOMPARE(DownloadedKB, 292);
        QCOMPARE(m_form->Gauge1->value(), 293); // one ahead, held at the maximum
        QCOMPARE(m_form->Gauge1->text(), QStringLiteral("100%"));
    }

    void download_thatDoesNotVerify_isDeletedAndSaidSo_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<int>("sizeKiB");
        QTest::addColumn<bool>("hashOfBody");
        QTest::newRow("wrong hash") << answer(patterned(300000)) << 293 << false;
        QTest::newRow("cut short, no length told")
            << answer(patterned(50000), false) << 1000 << true;
        QTest::newRow("too long, no length told")
            << answer(patterned(3 * 1024 * 1024), false) << 20 << true;
        QTest::newRow("too long, length told") << answer(patterned(3 * 1024 * 1024)) << 20 << true;
        QTest::newRow("one byte over the size")
            << answer(patterned(20 * 1024 + 1), false) << 20 << true;
    }
    void download_thatDoesNotVerify_isDeletedAndSaidSo()
    {
        QFETCH(Reply, reply);
        QFETCH(int, sizeKiB);
        QFETCH(bool, hashOfBody);
        const QByteArray hash = sha256Hex(hashOfBody ? reply.body : m_installer + 'x');
        m_server->setBody(kCataloguePath, catalogueOffering("qzLayer101.deb", sizeKiB, hash));
        m_server->setReply(kInstallerPath, reply);
        sLanguage = QStringLiteral("NLD");
        QVERIFY(check() == kUpdateAdvised);
        const QStringList advised = m_form->memoLines();

        QCOMPARE(download(), Outcome::NotVerified);
        QVERIFY(!QFile::exists(downloadFolder() + kInstallerName));
        QVERIFY(DownloadedKB <= sizeKiB); // a long answer is stopped as soon as it is too long
        const QStringList said { QString(),
            QStringLiteral(
                "Het installatiebestand kon niet worden geverifieerd en is verwijderd.") };
        QCOMPARE(m_form->memoLines(), advised + said);
        QVERIFY(!DownloadedB);
        QVERIFY(m_form->DownloadBtn->isVisible() && m_form->ExitBtn->isEnabled());
        QCOMPARE(m_form->ExitBtn->text(), QStringLiteral("Download Later"));
        QVERIFY(m_shellRequests.isEmpty());
    }

    void download_failed_returnsToTheAdviceWithoutMessage_data()
    {
        QTest::addColumn<Reply>("reply");
        Reply notFound = answer(patterned(5000));
        notFound.status = 404;
        QTest::newRow("under one KiB") << answer(patterned(800));
        QTest::newRow("cut short") << answer(patterned(20000), true, 300000);
        QTest::newRow("error page") << notFound;
    }
    void download_failed_returnsToTheAdviceWithoutMessage()
    {
        QFETCH(Reply, reply);
        m_server->setReply(kInstallerPath, reply);
        QVERIFY(check() == kUpdateAdvised);
        const QStringList advised = m_form->memoLines();

        QCOMPARE(download(), Outcome::Failed);
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(m_form->memoLines(), advised);
        QVERIFY(!QFile::exists(downloadFolder() + kInstallerName));
        QVERIFY(!DownloadedB);
        QVERIFY(m_form->DownloadBtn->isVisible() && m_form->DownloadBtn->isEnabled());
        QCOMPARE(m_form->ExitBtn->text(), QStringLiteral("Download Later"));
        QVERIFY(m_form->Gauge1->isVisible());
    }

    void trickle_windowKeepsRepainting_andCancelRemovesThePartialFile()
    {
        m_server->setReply(kInstallerPath, trickled(m_installer, 20));
        QVERIFY(check() == kUpdateAdvised);
        QSignalSpy ended(m_form.get(), &TVersionsForm::downloadEnded);
        int paints = 0;
        m_form->Gauge1->installEventFilter(this);
        m_paints = &paints;

        QTest::mouseClick(m_form->DownloadBtn, Qt::LeftButton);
        QVERIFY(m_form->isDownloading());
        QVERIFY(m_form->CancelBtn->isVisible() && m_form->DownloadBtn->isHidden());
        QVERIFY(!m_form->ExitBtn->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Gauge1->value() >= 100, kWaitMs);
        const int valueBeforeCancel = m_form->Gauge1->value();
        QVERIFY2(paints >= 5, qPrintable(QString::number(paints)));
        QVERIFY(ended.isEmpty());
        QVERIFY(QFile::exists(downloadFolder() + kInstallerName));

        QTest::mouseClick(m_form->CancelBtn, Qt::LeftButton);
        m_paints = nullptr;
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().value<Outcome>(), Outcome::Cancelled);
        QVERIFY(!m_form->isDownloading());
        QVERIFY(!QFile::exists(downloadFolder() + kInstallerName));
        QVERIFY(m_form->DownloadBtn->isVisible() && m_form->CancelBtn->isHidden());
        QVERIFY(m_form->ExitBtn->isEnabled());
        QVERIFY(!DownloadedB);
        QVERIFY(valueBeforeCancel < 293);
    }

    void closingTheWindow_cancelsTheDownload()
    {
        m_server->setReply(kInstallerPath, trickled(m_installer, 50));
        QVERIFY(check() == kUpdateAdvised);
        QSignalSpy ended(m_form.get(), &TVersionsForm::downloadEnded);
        QTest::mouseClick(m_form->DownloadBtn, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(DownloadedKB > 0, kWaitMs);
        QVERIFY(m_form->close());
        QCOMPARE(ended.size(), 1);
        QVERIFY(!QFile::exists(downloadFolder() + kInstallerName));
    }

    void downloadButton_fileCannotBeCreated_reportsErrorAndStaysUsable()
    {
        QVERIFY(check() == kUpdateAdvised);
        // The data folder is a file, so the download folder cannot be made.
        QVERIFY(writeFile(m_home->path() + QStringLiteral("/blocked"), "x"));
        DataDir = m_home->path() + QStringLiteral("/blocked/");

        QTest::mouseClick(m_form->DownloadBtn, Qt::LeftButton);

        QCOMPARE(m_reports.size(), 1);
        QVERIFY(m_reports.first().contains(kInstallerName));
        QVERIFY(!DownloadedB && !m_form->isDownloading());
        QVERIFY(m_form->DownloadBtn->isVisible() && m_form->ExitBtn->isEnabled());
    }

    void download_hostileName_writesNothingAnywhere()
    {
        QVERIFY(check() == kUpdateAdvised);
        m_server->setBody("/evil1.deb", patterned(8192));
        QVERIFY(!m_form->DownloadNewVersion(
            QStringLiteral("../evil1.deb"), m_form->catalogueAddress()));
        QVERIFY(!QFile::exists(DataDir + QStringLiteral("evil1.deb")));
        QCOMPARE(m_server->requestedTargets(), QList<QByteArray> { kCataloguePath });
    }

    void exitButton_beforeDownload_hidesWindow()
    {
        QVERIFY(check() == kUpdateAdvised);
        QTest::mouseClick(m_form->ExitBtn, Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_events.isEmpty());
    }

    // ---- install ----------------------------------------------------------------

    void install_handsTheVerifiedPackageToTheDesktopAfterTheClosingQuestion()
    {
        QVERIFY(check() == kUpdateAdvised);
        QCOMPARE(download(), Outcome::Verified);
        const QString package = downloadFolder() + kInstallerName;

        QTest::mouseClick(m_form->ExitBtn, Qt::LeftButton);

        QCOMPARE(m_events, (QStringList { "question", "shell", "close" }));
        QCOMPARE(m_shellRequests.first().target, package);
        QVERIFY(m_shellRequests.first().parameters.isEmpty()); // opened, not run
        const QFileDevice::Permissions executable = QFileDevice::ExeOwner | QFileDevice::ExeUser
            | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        QCOMPARE(QFile::permissions(package) & executable, QFileDevice::Permissions());
        QCOMPARE(m_form->memoLines().mid(3),
            (QStringList { "", "The installation of qzLAYER is started.",
                "The installation of qzLAYER has started." }));
        QVERIFY(isQuittingForInstall());
    }

    void install_cancelledAtTheClosingQuestion_startsNothing()
    {
        DownloadName = kInstallerName;
        DownloadedB = true;
        m_closingAnswer = false;
        m_form->Install();
        QCOMPARE(m_events, QStringList { "question" });
        QVERIFY(DownloadedB);
        QVERIFY(m_form->memoLines().isEmpty());
    }

    void install_shellFailure_reportsAndAllowsRetry()
    {
        DownloadName = kInstallerName;
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
        QCOMPARE(m_events, (QStringList { "question", "shell" }));

        m_shellResult = 33;
        QTest::mouseClick(m_form->ExitBtn, Qt::LeftButton);
        QCOMPARE(m_events, (QStringList { "question", "shell", "question", "shell", "close" }));
        QCOMPARE(m_form->memoLines().mid(3),
            (QStringList { "", "The installation of qzLAYER is started.",
                "The installation of qzLAYER has started." }));
    }

    void install_inDutch_namesTheProgram()
    {
        sLanguage = QStringLiteral("NLD");
        DownloadName = QStringLiteral("setup2.deb");
        DownloadedB = true;
        m_form->Install();
        QCOMPARE(m_shellRequests.first().target, downloadFolder() + QStringLiteral("setup2.deb"));
        QCOMPARE(m_form->memoLines().mid(1),
            (QStringList { "De installatie van Setup wordt gestart.",
                "De installatie van Setup is gestart." }));
    }

    // ---- start-up clean-up and the check at start -------------------------------------

    void startupCleanup_removesRunningVersionInstallerOnly()
    {
        const QString folder = downloadFolder();
        QVERIFY(QDir().mkpath(folder));
        RemoveRunningVersionInstaller();
        QVERIFY2(QDir(folder).exists(), "nothing to remove, so the folder stays");

        QVERIFY(writeFile(folder + QStringLiteral("qzLayer100.exe"), "a Windows installer"));
        QVERIFY(writeFile(folder + QStringLiteral("qzLayer100.deb"), "old"));
        QVERIFY(writeFile(folder + QStringLiteral("qzLayer101.deb"), "new"));
        RemoveRunningVersionInstaller();
        QVERIFY(!QFile::exists(folder + QStringLiteral("qzLayer100.deb")));
        QVERIFY(QFile::exists(folder + QStringLiteral("qzLayer100.exe")));
        QVERIFY(QFile::exists(folder + QStringLiteral("qzLayer101.deb")));

        QVERIFY(QFile::remove(folder + QStringLiteral("qzLayer101.deb")));
        QVERIFY(QFile::remove(folder + QStringLiteral("qzLayer100.exe")));
        QVERIFY(writeFile(folder + QStringLiteral("qzLayer100.deb"), "old"));
        RemoveRunningVersionInstaller();
        QVERIFY(!QDir(folder).exists());
        QVERIFY(QDir(DataDir).exists());
    }

    void checkAtStartBox_isOnByDefaultAndRemembered()
    {
        QVERIFY(checkForUpdatesAtStart());
        QVERIFY(m_form->CheckAtStartBox->isChecked());
        QCOMPARE(m_form->CheckAtStartBox->text(), QStringLiteral("Check for updates at start"));
        m_form->CheckAtStartBox->click();
        QVERIFY(!checkForUpdatesAtStart());
        QCOMPARE(platform::Settings::readInteger(QStringLiteral("CheckForUpdates"), -1), 0);

        sLanguage = QStringLiteral("NLD");
        TVersionsForm second(m_form->catalogueAddress());
        QVERIFY(!second.CheckAtStartBox->isChecked());
        QCOMPARE(second.CheckAtStartBox->text(),
            QStringLiteral("Controleer bij het starten op updates"));
        second.CheckAtStartBox->click();
        QVERIFY(checkForUpdatesAtStart());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_paints && event->type() == QEvent::Paint)
            ++*m_paints;
        return QObject::eventFilter(watched, event);
    }

private:
    // Runs the silent check to its end.
    quint8 check()
    {
        QSignalSpy ended(m_form.get(), &TVersionsForm::checkEnded);
        m_form->UpdateStealth(ProgNam, Version);
        if (!ended.wait(kWaitMs))
            return 0xFF;
        return ended.first().first().value<quint8>();
    }

    // Clicks the download button and waits for the download's end.
    Outcome download()
    {
        QSignalSpy ended(m_form.get(), &TVersionsForm::downloadEnded);
        QTest::mouseClick(m_form->DownloadBtn, Qt::LeftButton);
        if (!m_form->isDownloading() && ended.isEmpty())
            return Outcome::WriteFailed; // nothing started
        if (ended.isEmpty() && !ended.wait(kWaitMs))
            return Outcome::Cancelled;
        return ended.first().first().value<Outcome>();
    }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TestHttpsServer> m_server;
    std::unique_ptr<TVersionsForm> m_form;
    QByteArray m_installer;
    QStringList m_reports;
    QList<platform::ShellRequest> m_shellRequests;
    int m_shellResult = 33;
    QStringList m_events;
    bool m_closingAnswer = true;
    int* m_paints = nullptr;
};

QTEST_MAIN(VersionsFormTest)
#include "tst_versionsform.moc"

#include "AudioFixtures.h"
#include "TrackImportTesting.h"
#include "platform/Settings.h"
#include "support/SharedState.h"
#include "tests/testserver/TestHttpsServer.h"
#include "trackimport/MusicBrainzLookup.h"
#include "trackimport/MusicBrainzPanel.h"
#include "trackimport/TrackImportDialog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

using trackimport::MusicBrainzLookup;
using trackimport::ReleaseChoice;
using trackimport::ReleaseTracks;
using Reply = TestHttpsServer::Reply;

namespace {

const QString kReleaseId = QStringLiteral("0b6bd6b5-5b0a-4c1f-8a3e-7e2f3c4d5a6b");

// The request target of an address on the test server.
QByteArray targetOf(const QString& address)
{
    const QUrl url(address);
    return url.path(QUrl::FullyEncoded).toLatin1() + '?' + url.query(QUrl::FullyEncoded).toLatin1();
}

QByteArray searchTarget(int tracks)
{
    return targetOf(trackimport::releaseSearchAddress(MusicBrainzLookup::serviceAddress(),
        QStringLiteral("Velmora"), QStringLiteral("Last Rose Of Summer"), tracks));
}

QByteArray lookupTarget()
{
    return targetOf(
        trackimport::releaseLookupAddress(MusicBrainzLookup::serviceAddress(), kReleaseId));
}

// Counts turns of the event loop: the window's own timers keep running while
// a question waits.
class LoopTicks
{
public:
    LoopTicks()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { ++m_ticks; });
        m_timer.start(10);
    }
    int ticks() const { return m_ticks; }

private:
    QTimer m_timer;
    int m_ticks = 0;
};

} // namespace

class TestMusicBrainzLookup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void searchThenTracks_politelyAndWithoutBlocking();
    void failures_areToldClearly_data();
    void failures_areToldClearly();
    void slowAnswer_endsAtTheLimitOrWhenCancelled();
    void offlineOrBadAddress_isToldClearly();
    void publicServiceUnlessSet();
    void dialog_fillsInTitlesFromTheChosenRelease();

private:
    std::unique_ptr<TestHttpsServer> m_server;
};

void TestMusicBrainzLookup::initTestCase()
{
    for (const char* name : { "http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
             "no_proxy", "NO_PROXY" })
        qunsetenv(name);
    platform::setHttpCertificateAuthorities(TestHttpsServer::certificateAuthorityFile());
    ProgNam = QStringLiteral("qzLayer");
    Version = QStringLiteral("version 1.00c");
}

// Every test asks the local server, never the real service.
void TestMusicBrainzLookup::init()
{
    m_server = std::make_unique<TestHttpsServer>();
    platform::Settings::writeString(
        QStringLiteral("MusicBrainzAddress"), m_server->address(QStringLiteral("/")));
}

void TestMusicBrainzLookup::searchThenTracks_politelyAndWithoutBlocking()
{
    m_server->setBody(searchTarget(3), importtesting::musicBrainzAnswer("search.json"));
    m_server->setBody(lookupTarget(), importtesting::musicBrainzAnswer("release.json"));
    MusicBrainzLookup lookup;
    QSignalSpy found(&lookup, &MusicBrainzLookup::releasesFound);
    QSignalSpy fetched(&lookup, &MusicBrainzLookup::tracksFetched);
    QSignalSpy failed(&lookup, &MusicBrainzLookup::failed);

    lookup.findReleases(QStringLiteral("Velmora"), QStringLiteral("Last Rose Of Summer"), 3);
    QVERIFY(lookup.isBusy());
    QVERIFY(found.wait(10000));
    const auto choices = found.at(0).at(0).value<QList<ReleaseChoice>>();
    QCOMPARE(choices.size(), 2);
    QCOMPARE(choices.at(0).releaseId, kReleaseId);

    QElapsedTimer sinceSearch;
    sinceSearch.start();
    LoopTicks ticks;
    lookup.fetchTracks(choices.at(0));
    QVERIFY(fetched.wait(10000));
    // The service asks for at most one request a second; the wait for it
    // leaves the event loop running.
    QVERIFY2(sinceSearch.elapsed() >= 900, qPrintable(QString::number(sinceSearch.elapsed())));
    QVERIFY2(ticks.ticks() > 20, qPrintable(QString::number(ticks.ticks())));
    const ReleaseTracks release = fetched.at(0).at(0).value<ReleaseTracks>();
    QCOMPARE(release.tracks.size(), 3);
    QCOMPARE(release.tracks.at(1).durationMs, qint64(185500));
    QCOMPARE(failed.size(), 0);
    QVERIFY(!lookup.isBusy());

    const QList<QByteArray> requests = m_server->requests();
    QCOMPARE(requests.size(), 2);
    for (const QByteArray& request : requests) {
        QVERIFY2(
            request.contains("\r\nUser-Agent: qzLayer/1.00c ( http://www.qzlayer.example/ )\r\n"),
            request.constData());
        QVERIFY2(request.contains("\r\nAccept: application/json"), request.constData());
    }
    QCOMPARE(m_server->requestedTargets(), QList<QByteArray>({ searchTarget(3), lookupTarget() }));
}

void TestMusicBrainzLookup::failures_areToldClearly_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");
    QTest::newRow("too many requests")
        << 503 << QByteArray(R"({"error":"Your requests are exceeding the allowable rate limit."})")
        << "MusicBrainz is too busy; try again in a moment";
    QTest::newRow("not found") << 404 << QByteArray(R"({"error":"Not Found"})")
                               << "MusicBrainz does not know this release (any more)";
    QTest::newRow("server error") << 500 << QByteArray("oops")
                                  << "MusicBrainz answered with error 500";
    QTest::newRow("not JSON") << 200 << QByteArray("<html>maintenance</html>")
                              << "The answer from MusicBrainz could not be read";
}

void TestMusicBrainzLookup::failures_areToldClearly()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, message);
    Reply reply;
    reply.status = status;
    reply.body = body;
    m_server->setReply(lookupTarget(), reply);
    MusicBrainzLookup lookup;
    QSignalSpy failed(&lookup, &MusicBrainzLookup::failed);
    ReleaseChoice choice;
    choice.releaseId = kReleaseId;
    lookup.fetchTracks(choice);
    QVERIFY(failed.wait(10000));
    QCOMPARE(failed.at(0).at(0).toString(), message);
}

void TestMusicBrainzLookup::slowAnswer_endsAtTheLimitOrWhenCancelled()
{
    Reply slow;
    slow.body = importtesting::musicBrainzAnswer("search.json");
    slow.delayMs = 4000;
    m_server->setReply(searchTarget(3), slow);
    MusicBrainzLookup lookup;
    lookup.setTimeLimits(300, 1500);
    QSignalSpy found(&lookup, &MusicBrainzLookup::releasesFound);
    QSignalSpy failed(&lookup, &MusicBrainzLookup::failed);

    LoopTicks ticks;
    QElapsedTimer clock;
    clock.start();
    lookup.findReleases(QStringLiteral("Velmora"), QStringLiteral("Last Rose Of Summer"), 3);
    QVERIFY(failed.wait(10000));
    QVERIFY2(clock.elapsed() < 3500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(ticks.ticks() > 10);
    QVERIFY2(failed.at(0).at(0).toString().contains(QLatin1String("did not answer in time")),
        qPrintable(failed.at(0).at(0).toString()));

    lookup.setTimeLimits(0, 0);
    lookup.findReleases(QStringLiteral("Velmora"), QStringLiteral("Last Rose Of Summer"), 3);
    QTest::qWait(1300); // past the pause between requests: the request is out
    QVERIFY(lookup.isBusy());
    lookup.cancel();
    QVERIFY(!lookup.isBusy());
    QTest::qWait(300);
    QCOMPARE(found.size(), 0);
    QCOMPARE(failed.size(), 1);
}

void TestMusicBrainzLookup::offlineOrBadAddress_isToldClearly()
{
    QString closedAddress;
    {
        TestHttpsServer gone;
        closedAddress = gone.address(QStringLiteral("/"));
    }
    platform::Settings::writeString(QStringLiteral("MusicBrainzAddress"), closedAddress);
    MusicBrainzLookup lookup;
    QSignalSpy failed(&lookup, &MusicBrainzLookup::failed);
    lookup.findReleases(QStringLiteral("Velmora"), {}, 0);
    QVERIFY(failed.wait(10000));
    QVERIFY2(failed.at(0).at(0).toString().startsWith(
                 QLatin1String("MusicBrainz (127.0.0.1) cannot be reached: ")),
        qPrintable(failed.at(0).at(0).toString()));

    platform::Settings::writeString(
        QStringLiteral("MusicBrainzAddress"), QStringLiteral("musicbrainz"));
    lookup.findReleases(QStringLiteral("Velmora"), {}, 0);
    QVERIFY(failed.wait(10000));
    QCOMPARE(failed.at(1).at(0).toString(),
        QStringLiteral(
            "The MusicBrainz address in the settings is not a web address: \"musicbrainz\""));
}

void TestMusicBrainzLookup::publicServiceUnlessSet()
{
    platform::Settings::writeString(QStringLiteral("MusicBrainzAddress"), QString());
    QCOMPARE(MusicBrainzLookup::serviceAddress(), QStringLiteral("https://musicbrainz.org"));
    platform::Settings::writeString(
        QStringLiteral("MusicBrainzAddress"), QStringLiteral(" https://mb.example/ "));
    QCOMPARE(MusicBrainzLookup::serviceAddress(), QStringLiteral("https://mb.example/"));
}

void TestMusicBrainzLookup::dialog_fillsInTitlesFromTheChosenRelease()
{
    // Ripped without tags: the album and the titles are missing.
    QTemporaryDir folder;
    const QString album = folder.filePath(QStringLiteral("Last Rose Of Summer"));
    QVERIFY(QDir().mkpath(album));
    for (int i = 1; i <= 3; ++i) {
        QVERIFY(fixtures::writeAudioFile(album + QStringLiteral("/Track0%1.wav").arg(i),
            fixtures::AudioFormat::Wav, i == 2 ? 0 : 1000 * i));
    }
    m_server->setBody(searchTarget(3), importtesting::musicBrainzAnswer("search.json"));
    m_server->setBody(lookupTarget(), importtesting::musicBrainzAnswer("release.json"));
    QTextDocument document;
    trackimport::TrackImportDialog dialog;
    dialog.setTarget({ &document, QFont(), QSizeF(552, 468), 543 });
    dialog.show();
    dialog.importFrom({ album });
    QVERIFY(QTest::qWaitFor([&] { return dialog.tracks().size() == 3; }, 10000));
    trackimport::MusicBrainzPanel* panel = dialog.musicBrainzPanel;
    QVERIFY2(panel->statusLabel->text().contains(QLatin1String("missing")),
        qPrintable(panel->statusLabel->text()));

    dialog.artistEdit->setText(QStringLiteral("Velmora"));
    QCOMPARE(dialog.albumEdit->text(), QStringLiteral("Last Rose Of Summer")); // the folder's name
    QTest::mouseClick(panel->lookUpButton, Qt::LeftButton);
    QVERIFY(!panel->lookUpButton->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return panel->releaseList->isVisible(); }, 10000));
    QCOMPARE(panel->releaseList->count(), 2);
    QCOMPARE(panel->releaseList->item(0)->text(),
        QString::fromUtf8("Last Rose Of Summer – Velmora (2002, NL, CD, 3 tracks)"));
    QTest::mouseClick(panel->useButton, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor(
        [&] { return dialog.tracks().at(0).title == QLatin1String("Ouverture"); }, 10000));
    QCOMPARE(dialog.yearEdit->text(), QStringLiteral("2002"));
    QCOMPARE(dialog.trackView->topLevelItem(1)->text(1), QString::fromUtf8("Café de la Paix"));

    QTest::mouseClick(dialog.writeButton, Qt::LeftButton);
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        lines << block.text();
    // The files' own lengths stay; the one the file could not tell comes
    // from the release; the guest of track 2 is named.
    QCOMPARE(lines,
        QStringList({ u"Velmora – Last Rose Of Summer"_qs, "2002", "1.\tOuverture\t0:01",
            u"2.\tVelmora feat. Ørjan – Café de la Paix\t3:06"_qs, "3.\tFinale\t0:03",
            "\tTotal time\t3:10" }));
}

QTEST_MAIN(TestMusicBrainzLookup)
#include "tst_musicbrainzlookup.moc"

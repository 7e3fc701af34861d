#include "TrackImportTesting.h"
#include "trackimport/MusicBrainz.h"

#include <QTest>

using importtesting::failureOf;
using trackimport::ReleaseChoice;
using trackimport::ReleaseTracks;
using trackimport::Track;

namespace {

Track fileTrack(const QString& title, qint64 durationMs)
{
    Track track;
    track.path = QStringLiteral("/music/") + title + QStringLiteral(".flac");
    track.title = title;
    track.durationMs = durationMs;
    return track;
}

} // namespace

class TestMusicBrainz : public QObject
{
    Q_OBJECT

private slots:
    void searchAddress_data();
    void searchAddress();
    void lookupAddress();
    void search_listsTheDiscsWithTheTrackCountBestFirst();
    void lookup_givesTheDiscsTracks();
    void badAnswers_areRefused_data();
    void badAnswers_areRefused();
    void releaseFillsInTitlesAndMissingDurations();
};

void TestMusicBrainz::searchAddress_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");
    QTest::addColumn<int>("tracks");
    QTest::addColumn<QString>("address");
    QTest::newRow("all three")
        << "https://musicbrainz.org"
        << "Velmora"
        << "Last Rose" << 12
        << "https://musicbrainz.org/ws/2/release/?query=release%3A%22Last%20Rose%22%20AND%20"
           "artist%3A%22Velmora%22%20AND%20tracksmedium%3A12&fmt=json&limit=25";
    QTest::newRow("quotes and a backslash, a local server")
        << "https://127.0.0.1:4433/"
        << "  A\\B  "
        << "Say \"Hi\"" << 0
        << "https://127.0.0.1:4433/ws/2/release/"
           "?query=release%3A%22Say%20%5C%22Hi%5C%22%22%20AND%20"
           "artist%3A%22A%5C%5CB%22&fmt=json&limit=25";
    QTest::newRow("album only, accents")
        << "https://musicbrainz.org"
        << "" << QString::fromUtf8("Café") << 3
        << "https://musicbrainz.org/ws/2/release/"
           "?query=release%3A%22Caf%C3%A9%22%20AND%20tracksmedium%3A3"
           "&fmt=json&limit=25";
}

void TestMusicBrainz::searchAddress()
{
    QFETCH(QString, service);
    QFETCH(QString, artist);
    QFETCH(QString, album);
    QFETCH(int, tracks);
    QFETCH(QString, address);
    QCOMPARE(trackimport::releaseSearchAddress(service, artist, album, tracks), address);
}

void TestMusicBrainz::lookupAddress()
{
    QCOMPARE(trackimport::releaseLookupAddress(QStringLiteral("https://musicbrainz.org"),
                 QStringLiteral("0b6bd6b5-5b0a-4c1f-8a3e-7e2f3c4d5a6b")),
        QStringLiteral("https://musicbrainz.org/ws/2/release/0b6bd6b5-5b0a-4c1f-8a3e-7e2f3c4d5a6b"
                       "?inc=recordings+artist-credits&fmt=json"));
}

void TestMusicBrainz::search_listsTheDiscsWithTheTrackCountBestFirst()
{
    const QList<ReleaseChoice> three
        = trackimport::parseReleaseSearch(importtesting::musicBrainzAnswer("search.json"), 3);
    QCOMPARE(three.size(), 2);
    QCOMPARE(trackimport::describeChoice(three.at(0)),
        QString::fromUtf8("Last Rose Of Summer – Velmora (2002, NL, CD, 3 tracks)"));
    QCOMPARE(trackimport::describeChoice(three.at(1)),
        QString::fromUtf8(
            "Last Rose Of Summer – Velmora (2012, XE, CD 1/2, 3 tracks, deluxe edition)"));
    QCOMPARE(three.at(0).releaseId, QStringLiteral("0b6bd6b5-5b0a-4c1f-8a3e-7e2f3c4d5a6b"));
    QCOMPARE(three.at(1).medium, 1);

    const QList<ReleaseChoice> any
        = trackimport::parseReleaseSearch(importtesting::musicBrainzAnswer("search.json"), 0);
    QCOMPARE(any.size(), 4);
    QCOMPARE(trackimport::describeChoice(any.at(1)),
        QString::fromUtf8("Last Rose Of Summer (Live) – Velmora & The Night Orchestra (Digital "
                          "Media, 4 tracks)"));
    QCOMPARE(any.at(3).medium, 2);
    QCOMPARE(any.at(3).trackCount, 5);
}

void TestMusicBrainz::lookup_givesTheDiscsTracks()
{
    const ReleaseTracks release
        = trackimport::parseReleaseLookup(importtesting::musicBrainzAnswer("release.json"), 1);
    QCOMPARE(release.title, QStringLiteral("Last Rose Of Summer"));
    QCOMPARE(release.artist, QStringLiteral("Velmora"));
    QCOMPARE(release.year, 2002);
    QCOMPARE(release.tracks.size(), 3);
    QCOMPARE(release.tracks.at(1).title, QString::fromUtf8("Café de la Paix"));
    QCOMPARE(release.tracks.at(1).artist, QString::fromUtf8("Velmora feat. Ørjan"));
    // The track's own length, else its recording's, else none.
    QCOMPARE(release.tracks.at(0).durationMs, qint64(201000));
    QCOMPARE(release.tracks.at(1).durationMs, qint64(185500));
    QCOMPARE(release.tracks.at(2).durationMs, qint64(-1));
    QCOMPARE(release.tracks.at(2).number, 3);
    QCOMPARE(release.tracks.at(2).album, release.title);
}

void TestMusicBrainz::badAnswers_areRefused_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("search");
    QTest::newRow("not JSON") << QByteArray("<html>Bad gateway</html>") << true;
    QTest::newRow("an error answer")
        << QByteArray(R"({"error":"Invalid query","help":"see the documentation"})") << true;
    QTest::newRow("releases not a list") << QByteArray(R"({"releases":{}})") << true;
    QTest::newRow("release without the disc")
        << importtesting::musicBrainzAnswer("search.json") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestMusicBrainz::badAnswers_areRefused()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, search);
    const QString failure = failureOf([&] {
        if (search)
            trackimport::parseReleaseSearch(json, 3);
        else
            trackimport::parseReleaseLookup(json, 2);
    });
    QCOMPARE(failure, QStringLiteral("The answer from MusicBrainz could not be read"));
}

void TestMusicBrainz::releaseFillsInTitlesAndMissingDurations()
{
    const ReleaseTracks release
        = trackimport::parseReleaseLookup(importtesting::musicBrainzAnswer("release.json"), 1);
    const QList<Track> files { fileTrack("01", 200400), fileTrack("02", -1),
        fileTrack("03", 300000), fileTrack("bonus", 1000) };
    const QList<Track> filled = trackimport::withReleaseTracks(files, release);
    QCOMPARE(filled.size(), 4);
    QCOMPARE(filled.at(0).title, QStringLiteral("Ouverture"));
    QCOMPARE(filled.at(0).durationMs, qint64(200400)); // the file knows best
    QCOMPARE(filled.at(1).durationMs, qint64(185500)); // the file did not know
    QCOMPARE(filled.at(1).artist, QString::fromUtf8("Velmora feat. Ørjan"));
    QCOMPARE(filled.at(2).album, QStringLiteral("Last Rose Of Summer"));
    QCOMPARE(filled.at(2).year, 2002);
    QCOMPARE(filled.at(2).path, QStringLiteral("/music/03.flac"));
    QCOMPARE(filled.at(3).title, QStringLiteral("bonus")); // beyond the release: as it was

    const QList<Track> none = trackimport::withReleaseTracks({}, release);
    QCOMPARE(none.size(), 3);
    QCOMPARE(none.at(0).title, QStringLiteral("Ouverture"));
    QVERIFY(none.at(0).path.isEmpty());
}

QTEST_GUILESS_MAIN(TestMusicBrainz)
#include "tst_musicbrainz.moc"

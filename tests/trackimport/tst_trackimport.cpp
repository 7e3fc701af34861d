#include "AudioFixtures.h"
#include "TrackImportTesting.h"
#include "trackimport/TrackImport.h"
#include "trackimport/TrackImportJob.h"
#include "trackimport/TrackListText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using fixtures::AudioFormat;
using importtesting::failureOf;
using trackimport::ImportRequest;
using trackimport::ImportResult;
using trackimport::SourceKind;
using trackimport::Track;

namespace {

bool writeText(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList fileNames(const QList<Track>& tracks)
{
    QStringList names;
    for (const Track& track : tracks)
        names << QFileInfo(track.path).fileName();
    return names;
}

QStringList titles(const QList<Track>& tracks)
{
    QStringList result;
    for (const Track& track : tracks)
        result << track.title;
    return result;
}

QList<qint64> durations(const QList<Track>& tracks)
{
    QList<qint64> result;
    for (const Track& track : tracks)
        result << track.durationMs;
    return result;
}

} // namespace

class TestTrackImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void folder_ordersByDiscTrackNumberThenName();
    void folder_notesFilesThatAreNotMusic();
    void folder_withoutMusicOrMissing_fails_data();
    void folder_withoutMusicOrMissing_fails();
    void playlist_keepsItsOrderAndFillsInFromItsDescriptions();
    void playlist_ofStreamsOnlyOrEmpty();
    void cueSheet_oneImage_durationsFromIndexesAndFile();
    void cueSheet_fileTakesTagsWhenOneTrackPerFile();
    void cueSheet_damaged_fails();
    void eachSource_givesTheLinesOfTheBackText_data();
    void eachSource_givesTheLinesOfTheBackText();
    void request_classifiesTheChoice_data();
    void request_classifiesTheChoice();
    void progressReturningFalse_stopsTheImport();
    void job_readsOnAThreadAndReports();
    void job_destroyedWhileReading_stopsQuietly();

private:
    QString path(const QString& name) const { return m_folder->filePath(name); }
    void writeFlac(const QString& name, qint64 durationMs, const fixtures::Tags& tags = {})
    {
        QVERIFY(QDir().mkpath(QFileInfo(path(name)).absolutePath()));
        QVERIFY(fixtures::writeAudioFile(path(name), AudioFormat::Flac, durationMs, tags));
    }

    std::unique_ptr<QTemporaryDir> m_folder;
};

void TestTrackImport::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
}

void TestTrackImport::folder_ordersByDiscTrackNumberThenName()
{
    QVERIFY(QDir().mkpath(path("Album")));
    writeFlac("Album/z.flac", 1000, { .track = 1 });
    writeFlac("Album/a.flac", 1000, { .track = 2 });
    writeFlac("Album/10 b.flac", 1000);
    writeFlac("Album/2 a.flac", 1000);
    writeFlac("Album/b-disc2.flac", 1000, { .track = 1, .disc = 2 });
    writeFlac("Album/a-disc1.flac", 1000, { .track = 3, .disc = 1 });
    writeFlac("Album/Sub/ignored.flac", 1000, { .track = 1 });
    QVERIFY(writeText(path("Album/cover.jpg"), "not music"));

    const ImportResult result
        = trackimport::importTracks({ SourceKind::Folder, { path("Album") } });
    QCOMPARE(fileNames(result.tracks),
        QStringList(
            { "z.flac", "a.flac", "a-disc1.flac", "2 a.flac", "10 b.flac", "b-disc2.flac" }));
    QCOMPARE(result.sourceName, QStringLiteral("Album"));
    QVERIFY(result.notes.isEmpty());
    QVERIFY(!result.cancelled);
}

void TestTrackImport::folder_notesFilesThatAreNotMusic()
{
    writeFlac("good.flac", 2000, { .title = QStringLiteral("Good") });
    QVERIFY(writeText(path("bad.mp3"), "not an mp3 at all"));

    const ImportResult result
        = trackimport::importTracks({ SourceKind::Folder, { m_folder->path() } });
    QCOMPARE(fileNames(result.tracks), QStringList({ "bad.mp3", "good.flac" }));
    QCOMPARE(result.notes.size(), 1);
    QVERIFY2(result.notes.constFirst().contains(QLatin1String("bad.mp3")),
        qPrintable(result.notes.constFirst()));
}

void TestTrackImport::folder_withoutMusicOrMissing_fails_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("no music") << "Pictures"
                              << "holds no audio files";
    QTest::newRow("missing") << "Gone"
                             << "cannot be read";
}

void TestTrackImport::folder_withoutMusicOrMissing_fails()
{
    QFETCH(QString, folder);
    QFETCH(QString, message);
    QVERIFY(QDir().mkpath(path("Pictures")));
    QVERIFY(writeText(path("Pictures/cover.jpg"), "jpeg"));
    const QString failure = failureOf([&] {
        trackimport::importTracks({ SourceKind::Folder, { path(folder) } });
    });
    QVERIFY2(failure.contains(message) && failure.contains(folder), qPrintable(failure));
}

void TestTrackImport::playlist_keepsItsOrderAndFillsInFromItsDescriptions()
{
    writeFlac(
        "Music/Artist/03 Third.flac", 180000, { .title = QStringLiteral("Third"), .track = 3 });
    writeFlac("Music/first.flac", 60000, { .title = QStringLiteral("First"), .track = 9 });
    writeFlac("Music/untagged.flac", 125000);
    writeFlac("Music/Mixed Case.flac", 30000, { .title = QStringLiteral("Case") });
    const QByteArray playlist = "#EXTM3U\r\n"
                                "#EXTINF:181,Someone - Ignored Because The File Has Tags\r\n"
                                "Artist\\03 Third.flac\r\n"
                                "\r\n"
                                "# a comment\r\n"
                                "file://"
        + QUrl::toPercentEncoding(path("Music/first.flac"), "/") + "\r\n"
        + "#EXTINF:125,Velmora - Caf\xE9 de la Paix\r\n"
          "untagged.flac\r\n"
          "#EXTINF:200,Someone - Gone Song\r\n"
          "C:\\Users\\someone\\Music\\gone.flac\r\n"
          "http://radio.example/stream\r\n"
          "MIXED CASE.FLAC\r\n";
    // Written by a Windows program: Windows-1252, not UTF-8.
    QVERIFY(writeText(path("Music/list.m3u"), playlist));

    const ImportResult result
        = trackimport::importTracks({ SourceKind::Playlist, { path("Music/list.m3u") } });
    QCOMPARE(titles(result.tracks),
        QStringList(
            { "Third", "First", QString::fromUtf8("Café de la Paix"), "Gone Song", "Case" }));
    QCOMPARE(result.tracks.at(2).artist, QStringLiteral("Velmora"));
    QCOMPARE(durations(result.tracks), QList<qint64>({ 180000, 60000, 125000, 200000, 30000 }));
    QCOMPARE(result.sourceName, QStringLiteral("list"));
    QCOMPARE(result.notes.size(), 2);
    QVERIFY2(
        result.notes.at(0).contains(QLatin1String("gone.flac")), qPrintable(result.notes.at(0)));
    QVERIFY2(result.notes.at(1).contains(QLatin1String("http://radio.example/stream")),
        qPrintable(result.notes.at(1)));
}

void TestTrackImport::playlist_ofStreamsOnlyOrEmpty()
{
    QVERIFY(writeText(path("empty.m3u8"), "#EXTM3U\n# nothing here\n"));
    const QString failure = failureOf([&] {
        trackimport::importTracks({ SourceKind::Playlist, { path("empty.m3u8") } });
    });
    QVERIFY2(failure.contains(QLatin1String("lists no audio files")), qPrintable(failure));

    QVERIFY(writeText(path("radio.m3u8"), "https://radio.example/a\n"));
    const ImportResult radio
        = trackimport::importTracks({ SourceKind::Playlist, { path("radio.m3u8") } });
    QVERIFY(radio.tracks.isEmpty());
    QCOMPARE(radio.notes.size(), 1);
}

void TestTrackImport::cueSheet_oneImage_durationsFromIndexesAndFile()
{
    // The sheet names a WAV image; the music was later kept as FLAC.
    writeFlac("Live/Concert.flac", 600000);
    const QByteArray cue
        = "\xEF\xBB\xBFREM GENRE Rock\r\nREM DATE 1999\r\n"
          "PERFORMER \"Velmora\"\r\nTITLE \"Live \xC3\xA0 Paris\"\r\n"
          "FILE \"concert.wav\" WAVE\r\n"
          "  TRACK 01 AUDIO\r\n    TITLE \"Opening\"\r\n    INDEX 01 00:00:00\r\n"
          "  TRACK 02 AUDIO\r\n    TITLE \"Duet\"\r\n    PERFORMER \"Velmora & Guest\"\r\n"
          "    INDEX 00 03:58:00\r\n    INDEX 01 04:00:00\r\n"
          "  TRACK 03 AUDIO\r\n    INDEX 01 07:30:45\r\n";
    QVERIFY(writeText(path("Live/Concert.cue"), cue));

    const ImportResult result
        = trackimport::importTracks({ SourceKind::CueSheet, { path("Live/Concert.cue") } });
    QCOMPARE(result.tracks.size(), 3);
    QCOMPARE(titles(result.tracks), QStringList({ "Opening", "Duet", "" }));
    QCOMPARE(result.tracks.at(0).artist, QStringLiteral("Velmora"));
    QCOMPARE(result.tracks.at(1).artist, QStringLiteral("Velmora & Guest"));
    QCOMPARE(result.tracks.at(2).album, QString::fromUtf8("Live à Paris"));
    QCOMPARE(result.tracks.at(2).albumArtist, QStringLiteral("Velmora"));
    QCOMPARE(result.tracks.at(2).year, 1999);
    QVERIFY(result.tracks.at(2).partOfFile);
    QCOMPARE(QFileInfo(result.tracks.at(2).path).fileName(), QStringLiteral("Concert.flac"));
    // A track runs to the next one's start, pause included; the last one to
    // the end of the file (7:30 and 45 frames is 450.6 s).
    QCOMPARE(durations(result.tracks), QList<qint64>({ 240000, 210600, 149400 }));
    QVERIFY(result.notes.isEmpty());
}

void TestTrackImport::cueSheet_fileTakesTagsWhenOneTrackPerFile()
{
    writeFlac("Rip/01.flac", 200000, { .title = QStringLiteral("From The Tag") });
    const QByteArray cue
        = "TITLE \"Rip\"\n"
          "FILE \"01.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
          "FILE \"02.flac\" WAVE\n  TRACK 02 AUDIO\n    TITLE \"Lost\"\n    INDEX 01 00:00:00\n";
    QVERIFY(writeText(path("Rip/rip.cue"), cue));

    const ImportResult result
        = trackimport::importTracks({ SourceKind::CueSheet, { path("Rip/rip.cue") } });
    QCOMPARE(titles(result.tracks), QStringList({ "From The Tag", "Lost" }));
    QVERIFY(!result.tracks.at(0).partOfFile);
    QCOMPARE(durations(result.tracks), QList<qint64>({ 200000, -1 }));
    QCOMPARE(result.notes.size(), 1);
    QVERIFY2(result.notes.constFirst().contains(QLatin1String("02.flac")),
        qPrintable(result.notes.constFirst()));
}

void TestTrackImport::cueSheet_damaged_fails()
{
    QVERIFY(writeText(path("junk.cue"), "PERFORMER \"x\"\nTRACK garbage\n\x01\x02"));
    const QString failure = failureOf([&] {
        trackimport::importTracks({ SourceKind::CueSheet, { path("junk.cue") } });
    });
    QVERIFY2(
        failure.contains(QLatin1String("junk.cue")) && failure.contains(QLatin1String("damaged")),
        qPrintable(failure));

    const QString missing = failureOf([&] {
        trackimport::importTracks({ SourceKind::CueSheet, { path("none.cue") } });
    });
    QVERIFY2(missing.contains(QLatin1String("none.cue")), qPrintable(missing));
}

void TestTrackImport::eachSource_givesTheLinesOfTheBackText_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("folder") << "Album"
                            << QStringList { u"Velmora – Last Rose"_qs, "2002", "1.\tOne\t3:25",
                                   "2.\tTwo\t4:07", "3.\tThree\t1:00", "\tTotal time\t8:32" };
    QTest::newRow("playlist") << "Album/mix.m3u8"
                              << QStringList { u"Velmora – Last Rose"_qs, "2002", "1.\tThree\t1:00",
                                     "2.\tOne\t3:25", "3.\tTwo\t4:07", "\tTotal time\t8:32" };
    QTest::newRow("cue sheet") << "Live/live.cue"
                               << QStringList { u"Velmora – Live"_qs, "1999", "1.\tOpening\t4:00",
                                      "2.\tDuet\t3:31", "3.\tTrack 3\t2:29",
                                      "\tTotal time\t10:00" };
}

void TestTrackImport::eachSource_givesTheLinesOfTheBackText()
{
    QFETCH(QString, source);
    QFETCH(QStringList, lines);
    const QStringList titles { "One", "Two", "Three" };
    const qint64 durations[] { 205000, 247400, 59600 };
    for (int i = 0; i < 3; ++i) {
        writeFlac(QStringLiteral("Album/%1.flac").arg(i + 1), durations[i],
            { titles.at(i), "Velmora", "Last Rose", {}, i + 1, 0, 2002 });
    }
    QVERIFY(writeText(path("Album/mix.m3u8"), "#EXTM3U\n3.flac\n1.flac\n2.flac\n"));
    writeFlac("Live/live.flac", 600000);
    QVERIFY(writeText(path("Live/live.cue"),
        "REM DATE 1999\nPERFORMER \"Velmora\"\nTITLE \"Live\"\nFILE \"live.flac\" WAVE\n"
        "  TRACK 01 AUDIO\n    TITLE \"Opening\"\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    TITLE \"Duet\"\n    INDEX 01 04:00:00\n"
        "  TRACK 03 AUDIO\n    INDEX 01 07:30:45\n"));

    const ImportResult result
        = trackimport::importTracks(trackimport::importRequestFor({ path(source) }));
    QCOMPARE(trackimport::trackListLines(
                 trackimport::albumOf(result.tracks, result.sourceName), result.tracks),
        lines);
}

void TestTrackImport::request_classifiesTheChoice_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("kind"); // -1: refused as a mix, -2: as missing
    QTest::newRow("folder") << QStringList { "." } << int(SourceKind::Folder);
    QTest::newRow("playlist") << QStringList { "a.M3U8" } << int(SourceKind::Playlist);
    QTest::newRow("cue sheet") << QStringList { "a.cue" } << int(SourceKind::CueSheet);
    QTest::newRow("files") << QStringList { "a.flac", "b.mp3" } << int(SourceKind::Files);
    QTest::newRow("files and playlist") << QStringList { "a.flac", "a.m3u" } << -1;
    QTest::newRow("two cue sheets") << QStringList { "a.cue", "b.cue" } << -1;
    QTest::newRow("files and folder") << QStringList { "a.flac", "." } << -1;
    QTest::newRow("missing") << QStringList { "gone" } << -2;
}

void TestTrackImport::request_classifiesTheChoice()
{
    QFETCH(QStringList, names);
    QFETCH(int, kind);
    QStringList paths;
    for (const QString& name : names) {
        paths << path(name);
        if (name.contains(QLatin1Char('.')) && name != QLatin1String("."))
            QVERIFY(writeText(paths.constLast(), "x"));
    }
    ImportRequest request;
    const QString failure = failureOf([&] { request = trackimport::importRequestFor(paths); });
    if (kind == -2) {
        QVERIFY2(failure.contains(QLatin1String("was not found")), qPrintable(failure));
    } else if (kind < 0) {
        QVERIFY2(failure.contains(QLatin1String("not a mix")), qPrintable(failure));
    } else {
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(int(request.kind), kind);
        QCOMPARE(request.paths, paths);
    }
}

void TestTrackImport::progressReturningFalse_stopsTheImport()
{
    for (int i = 1; i <= 4; ++i)
        writeFlac(QStringLiteral("%1.flac").arg(i), 1000);
    QList<int> seen;
    const ImportResult result = trackimport::importTracks(
        { SourceKind::Folder, { m_folder->path() } }, [&](int done, int total) {
            seen << done;
            return total == 4 && done < 2;
        });
    QVERIFY(result.cancelled);
    QCOMPARE(result.tracks.size(), 2);
    QCOMPARE(seen, QList<int>({ 0, 1, 2 }));
}

void TestTrackImport::job_readsOnAThreadAndReports()
{
    writeFlac("one.flac", 1000, { .title = QStringLiteral("One") });
    writeFlac("two.flac", 1000, { .title = QStringLiteral("Two") });
    trackimport::TrackImportJob job;
    QSignalSpy progress(&job, &trackimport::TrackImportJob::progress);
    QSignalSpy finished(&job, &trackimport::TrackImportJob::finished);
    QSignalSpy failed(&job, &trackimport::TrackImportJob::failed);
    // Whoever hears the end may act on it at once: the job has stopped then.
    QList<bool> runningAtEnd;
    const auto noteRunning = [&] { runningAtEnd << job.isRunning(); };
    connect(&job, &trackimport::TrackImportJob::finished, this, noteRunning);
    connect(&job, &trackimport::TrackImportJob::failed, this, noteRunning);
    job.start({ SourceKind::Folder, { m_folder->path() } });
    QVERIFY(job.isRunning());
    QVERIFY(finished.wait(10000));
    QCOMPARE(
        titles(finished.at(0).at(0).value<ImportResult>().tracks), QStringList({ "One", "Two" }));
    QCOMPARE(progress.constLast(), QVariantList({ 2, 2 }));
    QCOMPARE(failed.size(), 0);

    job.start({ SourceKind::Folder, { path("missing") } });
    QVERIFY(failed.wait(10000));
    QVERIFY(failed.at(0).at(0).toString().contains(QLatin1String("missing")));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(runningAtEnd, QList<bool>({ false, false }));
}

void TestTrackImport::job_destroyedWhileReading_stopsQuietly()
{
    for (int i = 0; i < 30; ++i)
        writeFlac(QStringLiteral("%1.flac").arg(i), 1000);
    {
        trackimport::TrackImportJob job;
        QSignalSpy finished(&job, &trackimport::TrackImportJob::finished);
        job.start({ SourceKind::Folder, { m_folder->path() } });
        job.cancel();
        QTest::qWait(50);
        QCOMPARE(finished.size(), 0); // a cancelled run reports nothing
        job.start({ SourceKind::Folder, { m_folder->path() } });
    }
    QTest::qWait(50); // queued reports of the destroyed job must go nowhere
}

QTEST_GUILESS_MAIN(TestTrackImport)
#include "tst_trackimport.moc"

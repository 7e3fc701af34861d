#include "AudioFixtures.h"
#include "trackimport/AudioFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using fixtures::AudioFormat;
using trackimport::Track;

class TestAudioFile : public QObject
{
    Q_OBJECT

private slots:
    void readsTagsAndDuration_data();
    void readsTagsAndDuration();
    void fileThatIsNotMusic_givesItsPathOnly();
    void extensions_data();
    void extensions();

private:
    QTemporaryDir m_folder;
};

void TestAudioFile::readsTagsAndDuration_data()
{
    QTest::addColumn<AudioFormat>("format");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("durationMs");
    // Lengths of the formats that count whole frames may be a frame off.
    QTest::addColumn<qint64>("tolerance");
    QTest::newRow("WAV") << AudioFormat::Wav << "a.wav" << qint64(2500) << qint64(1);
    QTest::newRow("AIFF") << AudioFormat::Aiff << "a.aiff" << qint64(1750) << qint64(1);
    QTest::newRow("FLAC") << AudioFormat::Flac << "a.flac" << qint64(245300) << qint64(1);
    QTest::newRow("MP3") << AudioFormat::Mp3 << "a.mp3" << qint64(3000) << qint64(40);
    QTest::newRow("Ogg Vorbis") << AudioFormat::OggVorbis << "a.ogg" << qint64(187000) << qint64(1);
    QTest::newRow("Opus") << AudioFormat::Opus << "a.opus" << qint64(61250) << qint64(1);
}

void TestAudioFile::readsTagsAndDuration()
{
    QFETCH(AudioFormat, format);
    QFETCH(QString, name);
    QFETCH(qint64, durationMs);
    QFETCH(qint64, tolerance);
    const QString path = m_folder.filePath(name);
    const fixtures::Tags tags { QStringLiteral("Zürich Nights"), QStringLiteral("Ørjan & Band"),
        QStringLiteral("Last Rose"), QStringLiteral("Velmora"), 7, 2, 2002 };
    QVERIFY(fixtures::writeAudioFile(path, format, durationMs, tags));

    bool readable = false;
    const Track track = trackimport::readAudioFile(path, &readable);
    QVERIFY(readable);
    QCOMPARE(track.path, path);
    QCOMPARE(track.title, tags.title);
    QCOMPARE(track.artist, tags.artist);
    QCOMPARE(track.album, tags.album);
    QCOMPARE(track.albumArtist, tags.albumArtist);
    QCOMPARE(track.number, 7);
    QCOMPARE(track.disc, 2);
    QCOMPARE(track.year, 2002);
    QVERIFY2(qAbs(track.durationMs - durationMs) <= tolerance,
        qPrintable(QString::number(track.durationMs)));
}

void TestAudioFile::fileThatIsNotMusic_givesItsPathOnly()
{
    const QString path = m_folder.filePath(QStringLiteral("broken.mp3"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is a shopping list, not a song\n");
    file.close();

    bool readable = true;
    const Track track = trackimport::readAudioFile(path, &readable);
    QVERIFY(!readable);
    QCOMPARE(track.path, path);
    QVERIFY(track.title.isEmpty());
    QCOMPARE(track.durationMs, qint64(-1));

    readable = true;
    trackimport::readAudioFile(m_folder.filePath(QStringLiteral("missing.flac")), &readable);
    QVERIFY(!readable);
}

void TestAudioFile::extensions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("audio");
    QTest::newRow("upper case") << "01 Song.FLAC" << true;
    QTest::newRow("m4a") << "song.m4a" << true;
    QTest::newRow("opus") << "song.opus" << true;
    QTest::newRow("aif") << "song.aif" << true;
    QTest::newRow("cover") << "cover.jpg" << false;
    QTest::newRow("cue sheet") << "album.cue" << false;
    QTest::newRow("playlist") << "album.m3u" << false;
    QTest::newRow("no extension") << "flac" << false;
}

void TestAudioFile::extensions()
{
    QFETCH(QString, name);
    QFETCH(bool, audio);
    QCOMPARE(trackimport::hasAudioFileExtension(name), audio);
}

QTEST_GUILESS_MAIN(TestAudioFile)
#include "tst_audiofile.moc"

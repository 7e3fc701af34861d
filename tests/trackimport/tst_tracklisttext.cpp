#include "TrackImportTesting.h"
#include "richtext/RichText.h"
#include "support/Support.h"
#include "trackimport/TrackListText.h"

#include <QAbstractTextDocumentLayout>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

using importtesting::documentLines;
using trackimport::AlbumInfo;
using trackimport::Track;

namespace {

Track track(
    const QString& title, qint64 durationMs, const QString& artist = QStringLiteral("Velmora"))
{
    Track result;
    result.path = QStringLiteral("/music/") + title + QStringLiteral(".flac");
    result.title = title;
    result.artist = artist;
    result.album = QStringLiteral("Last Rose");
    result.year = 2002;
    result.durationMs = durationMs;
    return result;
}

// Where the last character of the block's last line ends, from the left edge
// of the text.
qreal endOfLastLine(const QTextDocument& document, const QTextBlock& block)
{
    document.documentLayout()->blockBoundingRect(block);
    const QTextLine line = block.layout()->lineAt(block.layout()->lineCount() - 1);
    return line.cursorToX(line.textStart() + line.textLength());
}

const QList<Track> kAlbum { track(QStringLiteral("One"), 205000),
    track(QStringLiteral("Two"), 247400), track(QStringLiteral("Three"), 59600) };

} // namespace

class TestTrackListText : public QObject
{
    Q_OBJECT

private slots:
    void init() { sLanguage.clear(); }
    void lines_data();
    void lines();
    void dutchUser_getsDutchWords();
    void formatDuration_data();
    void formatDuration();
    void document_timesAtTheRightEdge();
    void document_rightTabSurvivesTheRtfFile();
    void document_undoBringsBackTheOldText();
};

void TestTrackListText::lines_data()
{
    QTest::addColumn<QList<Track>>("tracks");
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("album") << kAlbum << "Folder"
                           << QStringList { u"Velmora – Last Rose"_qs, "2002", "1.\tOne\t3:25",
                                  "2.\tTwo\t4:07", "3.\tThree\t1:00", "\tTotal time\t8:32" };

    QList<Track> compilation { track("Song", 61000, "Ann"), track("Tune", 62000, "Bob"),
        track("Air", 63000, "") };
    for (Track& t : compilation)
        t.album = QStringLiteral("Hits");
    compilation[1].year = 2003;
    QTest::newRow("compilation") << compilation << "Folder"
                                 << QStringList { u"Various Artists – Hits"_qs,
                                        u"1.\tAnn – Song\t1:01"_qs, u"2.\tBob – Tune\t1:02"_qs,
                                        "3.\tAir\t1:03", "\tTotal time\t3:06" };

    QList<Track> albumArtist = compilation;
    for (Track& t : albumArtist)
        t.albumArtist = QStringLiteral("DJ Rose");
    QTest::newRow("album artist") << albumArtist << "Folder"
                                  << QStringList { u"DJ Rose – Hits"_qs, u"1.\tAnn – Song\t1:01"_qs,
                                         u"2.\tBob – Tune\t1:02"_qs, "3.\tAir\t1:03",
                                         "\tTotal time\t3:06" };

    QList<Track> guest = kAlbum;
    guest[1].artist = QString::fromUtf8("Velmora feat. Ørjan");
    QTest::newRow("a guest on one track")
        << guest << "Folder"
        << QStringList { u"Velmora – Last Rose"_qs, "2002", "1.\tOne\t3:25",
               u"2.\tVelmora feat. Ørjan – Two\t4:07"_qs, "3.\tThree\t1:00", "\tTotal time\t8:32" };

    QList<Track> similar = kAlbum;
    similar[0].artist = QStringLiteral("Velmoras");
    similar[2].artist.clear();
    QTest::newRow("a like name is another artist")
        << similar << "Folder"
        << QStringList { u"Various Artists – Last Rose"_qs, "2002", u"1.\tVelmoras – One\t3:25"_qs,
               u"2.\tVelmora – Two\t4:07"_qs, "3.\tThree\t1:00", "\tTotal time\t8:32" };

    Track bare;
    bare.path = QStringLiteral("/music/07 - Untitled take.mp3");
    Track partOfImage;
    partOfImage.path = QStringLiteral("/music/image.flac");
    partOfImage.partOfFile = true;
    partOfImage.durationMs = 30000;
    QTest::newRow("missing tags") << QList<Track> { bare, partOfImage } << "My Mix"
                                  << QStringList { "My Mix", "1.\t07 - Untitled take",
                                         "2.\tTrack 2\t0:30" };

    QTest::newRow("no tracks") << QList<Track> {} << "Empty" << QStringList { "Empty" };
}

void TestTrackListText::lines()
{
    QFETCH(QList<Track>, tracks);
    QFETCH(QString, sourceName);
    QFETCH(QStringList, expected);
    const AlbumInfo album = trackimport::albumOf(tracks, sourceName);
    QCOMPARE(trackimport::trackListLines(album, tracks), expected);
}

void TestTrackListText::dutchUser_getsDutchWords()
{
    sLanguage = QStringLiteral("NLD");
    const QList<Track> tracks { track("Song", 61000, "Ann"), track("Tune", 62000, "Bob") };
    const QStringList lines
        = trackimport::trackListLines(trackimport::albumOf(tracks, "x"), tracks);
    QCOMPARE(lines.constFirst(), u"Diverse artiesten – Last Rose"_qs);
    QCOMPARE(lines.constLast(), QStringLiteral("\tTotale speelduur\t2:03"));
}

void TestTrackListText::formatDuration_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << qint64(0) << "0:00";
    QTest::newRow("just under half a second") << qint64(499) << "0:00";
    QTest::newRow("half a second rounds up") << qint64(500) << "0:01";
    QTest::newRow("to the next minute") << qint64(59999) << "1:00";
    QTest::newRow("an hour") << qint64(3600000) << "60:00";
    QTest::newRow("a full CD") << qint64(79 * 60000 + 58 * 1000) << "79:58";
}

void TestTrackListText::formatDuration()
{
    QFETCH(qint64, milliseconds);
    QFETCH(QString, text);
    QCOMPARE(trackimport::formatDuration(milliseconds), text);
}

void TestTrackListText::document_timesAtTheRightEdge()
{
    QTextDocument document;
    document.setTextWidth(552); // the editor's text area; 4 pixels margin on each side
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    document.setDefaultFont(font);
    QList<Track> tracks = kAlbum;
    tracks[1].title = QStringLiteral("A title so long that it cannot stay on one line of the back, "
                                     "however small the numbers");
    trackimport::writeTrackList(document, trackimport::albumOf(tracks, {}), tracks, { font, 543 });

    QCOMPARE(documentLines(document),
        trackimport::trackListLines(trackimport::albumOf(tracks, {}), tracks));
    const QTextBlock heading = document.begin();
    QVERIFY(heading.charFormat().font().bold()
        || heading.begin().fragment().charFormat().font().bold());
    for (QTextBlock block = heading.next().next(); block.isValid(); block = block.next()) {
        const QList<QTextOption::Tab> tabs = block.blockFormat().tabPositions();
        QCOMPARE(tabs.size(), 2);
        QCOMPARE(tabs.at(1).type, QTextOption::RightTab);
        QCOMPARE(tabs.at(1).position, 543.0);
        // "3:25" ends at the right edge, also after a title that wrapped.
        QVERIFY2(qAbs(endOfLastLine(document, block) - 543) < 1.0,
            qPrintable(block.text() + QString::number(endOfLastLine(document, block))));
    }
    QVERIFY(document.findBlockByNumber(3).layout()->lineCount() > 1);
}

void TestTrackListText::document_rightTabSurvivesTheRtfFile()
{
    QTextDocument document;
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    trackimport::writeTrackList(document, trackimport::albumOf(kAlbum, {}), kAlbum, { font, 543 });
    const QList<QTextOption::Tab> written = document.lastBlock().blockFormat().tabPositions();

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("Back.rtf"));
    richtext::saveRichTextFile(file, document);
    QTextDocument reopened;
    richtext::loadRichTextFile(file, reopened);

    QCOMPARE(documentLines(reopened), documentLines(document));
    for (QTextBlock block = reopened.begin().next().next(); block.isValid(); block = block.next()) {
        const QList<QTextOption::Tab> tabs = block.blockFormat().tabPositions();
        QCOMPARE(tabs.size(), written.size());
        for (qsizetype i = 0; i < tabs.size(); ++i) {
            QCOMPARE(tabs.at(i).type, written.at(i).type);
            QCOMPARE(tabs.at(i).position, written.at(i).position);
        }
    }
}

void TestTrackListText::document_undoBringsBackTheOldText()
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("Typed by hand\nSecond line"));
    trackimport::writeTrackList(
        document, trackimport::albumOf(kAlbum, {}), kAlbum, { QFont(), 543 });
    QCOMPARE(document.firstBlock().text(), u"Velmora – Last Rose"_qs);
    document.undo();
    QCOMPARE(document.toPlainText(), QStringLiteral("Typed by hand\nSecond line"));
}

QTEST_MAIN(TestTrackListText)
#include "tst_tracklisttext.moc"

#pragma once

#include "trackimport/Track.h"

#include <QFont>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace trackimport {

// What the first lines of the back text say about the album.
struct AlbumInfo
{
    QString artist;
    QString title;
    int year = 0;
};

// The album as the tracks describe it: the album artist or the lead artist
// ("Various Artists" on a compilation), the album they share or else the
// name of the source, the year they agree on.
AlbumInfo albumOf(const QList<Track>& tracks, const QString& sourceName);

// The artist of every track, or the one every track's artist begins with:
// "Velmora" for "Velmora" and "Velmora feat. Ørjan". Empty when there is none.
QString leadArtist(const QList<Track>& tracks);

// A compilation: the tracks name artists and no artist leads them all.
bool isCompilation(const QList<Track>& tracks);

// Whether the list names the track's artist: on a compilation, and for a
// track by someone else than the lead artist.
bool namesArtist(const QList<Track>& tracks, qsizetype index);

// The title a track is listed under: its tag, else its file's name, else
// "Track N" for its place on the disc.
QString trackTitle(const Track& track, int position);

// "m:ss", minutes counting on past an hour as a CD's times do.
QString formatDuration(qint64 milliseconds);

// The lines of the back text: "Artist – Album", the year when known, one
// line "N.<tab>Title<tab>m:ss" per track ("N.<tab>Artist – Title<tab>m:ss"
// where namesArtist() says so; without a duration the time is left out), and
// the total time when every duration is known.
QStringList trackListLines(const AlbumInfo& album, const QList<Track>& tracks);

struct TrackListStyle
{
    QFont font; // the editor's font: the tracks are set in it
    // Where the right-aligned tab stop of the times stands: the right edge of
    // the text, in pixels from its left edge.
    qreal rightEdge = 543;
};

// Replaces the document's text with the track list in one step that undo
// takes back. The times are right-aligned at the right edge of the text.
void writeTrackList(QTextDocument& document, const AlbumInfo& album, const QList<Track>& tracks,
    const TrackListStyle& style);

} // namespace trackimport

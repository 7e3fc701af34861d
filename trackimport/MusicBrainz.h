#pragma once

#include "trackimport/Track.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

// The MusicBrainz web service's JSON interface: the addresses to ask and
// what its answers mean for a track list.
namespace trackimport {

// One disc of a release that a search found.
struct ReleaseChoice
{
    QString releaseId;
    QString title;
    QString artist;
    QString date; // "2002-05-01", "2002" or empty
    QString country;
    QString format; // "CD", "Digital Media", ...
    QString disambiguation;
    int medium = 1; // which disc of the release, from 1
    int mediumCount = 1;
    int trackCount = 0; // on this disc
    int score = 0; // how well it matches, 0 to 100
};

// A disc of a release with its tracks.
struct ReleaseTracks
{
    QString title;
    QString artist;
    int year = 0;
    QList<Track> tracks;
};

// The search for releases by artist, album and number of tracks on a disc;
// empty fields are left out of the query.
QString releaseSearchAddress(
    const QString& service, const QString& artist, const QString& album, int trackCount);
// The release with its discs, tracks and artists.
QString releaseLookupAddress(const QString& service, const QString& releaseId);

// The discs of the releases found, best match first; when trackCount is not
// 0 only the discs with that many tracks. Throws UserError when the answer
// is not a search result.
QList<ReleaseChoice> parseReleaseSearch(const QByteArray& json, int trackCount);
// The chosen disc of a looked-up release. Throws UserError when the answer is
// not a release or lacks the disc.
ReleaseTracks parseReleaseLookup(const QByteArray& json, int medium);

// One line for a list of choices: "Title – Artist (2002, GB, CD 2/3, 12 tracks)".
QString describeChoice(const ReleaseChoice& choice);

// The tracks with the release's titles, artists, album and year; a duration
// comes from the release only where the file gave none. Without tracks of
// its own the list becomes the release's.
QList<Track> withReleaseTracks(const QList<Track>& tracks, const ReleaseTracks& release);

} // namespace trackimport

Q_DECLARE_METATYPE(trackimport::ReleaseTracks)

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace trackimport {

// One piece of music as the files describe it. Text fields are empty and
// numbers 0 when the source does not tell.
struct Track
{
    QString path; // the audio file; empty for a track known only by name
    QString title;
    QString artist;
    QString album;
    QString albumArtist;
    int number = 0; // the track-number tag
    int disc = 0;
    int year = 0;
    qint64 durationMs = -1; // -1 when unknown
    // A track that is one part of a longer file (a cue sheet's track) cannot
    // take its title from the file name.
    bool partOfFile = false;
};

// What an import found, in the order the disc will have.
struct ImportResult
{
    QList<Track> tracks;
    // The folder, playlist or cue sheet the tracks came from, without its
    // extension: the album's name when the tags have none.
    QString sourceName;
    // Things the user should know, such as files that were not found.
    QStringList notes;
    bool cancelled = false;
};

} // namespace trackimport

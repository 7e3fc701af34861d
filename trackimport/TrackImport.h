#pragma once

#include "trackimport/Track.h"

#include <QStringList>

#include <functional>

namespace trackimport {

enum class SourceKind { Folder, Files, Playlist, CueSheet };

struct ImportRequest
{
    SourceKind kind = SourceKind::Files;
    QStringList paths;
};

// What the user chose: one folder, audio files, one playlist or one cue
// sheet. Throws UserError for a choice that mixes them or names something
// that is not there.
ImportRequest importRequestFor(const QStringList& paths);

// Told how many of the files are read; returns false to stop the import.
using ImportProgress = std::function<bool(int done, int total)>;

// Reads the tracks of the source. A folder gives its audio files, ordered by
// disc, track number and then file name; a playlist and a cue sheet keep
// their own order. Files that cannot be found or read stay in the list under
// their names and are mentioned in the notes. Throws UserError when the
// source itself cannot be read or holds no music.
ImportResult importTracks(const ImportRequest& request, const ImportProgress& progress = {});

// The order of a folder's tracks: disc, then track number (tracks without
// one after those with one), then file name with numbers compared by value.
void sortTracks(QList<Track>& tracks);

} // namespace trackimport

#pragma once

#include <QList>
#include <QString>

namespace trackimport {

// One entry of an M3U playlist, with what its "#EXTINF" line says.
struct PlaylistEntry
{
    QString location; // as the playlist writes it
    QString title;
    QString artist;
    qint64 durationMs = -1;
    bool remote = false; // a stream address rather than a file
};

// The entries of an M3U or M3U8 playlist in their order. Comments and other
// directives are passed over.
QList<PlaylistEntry> parsePlaylist(const QString& text);

} // namespace trackimport

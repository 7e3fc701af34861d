// Cue sheets and playlists come from anywhere and may be anything; cue sheets
// go through libcue, whose parser has had memory faults before.
#include "richtext/RichText.h"
#include "trackimport/CueSheet.h"
#include "trackimport/Playlist.h"
#include "trackimport/SourceFiles.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = richtext::decodePlainText(bytes);
    const trackimport::CueSheet sheet = trackimport::parseCueSheet(text);
    for (const trackimport::CueTrack& track : sheet.tracks) {
        // Times come from the sheet's own numbers and never run backwards.
        if (track.startMs < 0 || track.durationMs < -1)
            __builtin_trap();
    }
    const QList<trackimport::PlaylistEntry> entries = trackimport::parsePlaylist(text);
    if (entries.size() > text.size())
        __builtin_trap();
    return 0;
}

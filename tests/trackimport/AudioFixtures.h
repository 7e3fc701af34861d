#pragma once

#include <QString>

// Small, silent audio files of a chosen length, tagged through TagLib, for
// tests and benchmarks of the track import.
namespace fixtures {

enum class AudioFormat { Wav, Aiff, Flac, Mp3, OggVorbis, Opus };

struct Tags
{
    QString title {};
    QString artist {};
    QString album {};
    QString albumArtist {};
    int track = 0;
    int disc = 0;
    int year = 0;
    int coverBytes = 0; // a cover picture of about this size, as rippers embed (FLAC only)
};

// Writes a valid file of the format holding silence of the given length,
// then sets the tags through TagLib. False when either step failed.
bool writeAudioFile(
    const QString& path, AudioFormat format, qint64 durationMs, const Tags& tags = {});

} // namespace fixtures

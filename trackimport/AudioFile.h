#pragma once

#include "trackimport/Track.h"

#include <QString>
#include <QStringList>

namespace trackimport {

// The file name extensions of the audio files a folder import takes.
const QStringList& audioFileExtensions();
bool hasAudioFileExtension(const QString& fileName);

// The tags and the duration of one audio file. A file that cannot be read
// gives a track with only its path; *readable tells which it was.
Track readAudioFile(const QString& path, bool* readable = nullptr);

} // namespace trackimport

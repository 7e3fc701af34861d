#pragma once

#include <QByteArray>
#include <QString>

// Reading the small text files that list music (playlists, cue sheets) and
// finding the files they name.
namespace trackimport {

// The whole file; throws UserError naming the file when it cannot be read, is
// not a regular file or is larger than maxSize.
QByteArray readListFile(const QString& path, qsizetype maxSize);

// The file a list names, relative to the list's folder. Lists made on other
// systems use backslashes, other letter case or a path that no longer
// exists, so what is not found as written is looked for by its name in the
// list's folder, ignoring case, and, with anyAudioExtension, under any audio
// file extension (a cue sheet written for a WAV image whose music was later
// compressed). Empty when nothing fits.
QString findListedFile(
    const QString& listFolder, const QString& reference, bool anyAudioExtension = false);

} // namespace trackimport

#pragma once

#include <QList>
#include <QString>

namespace trackimport {

struct CueTrack
{
    int number = 0;
    QString title;
    QString performer;
    QString file; // as the cue sheet names it
    qint64 startMs = 0; // where the track begins in its file
    // Up to the next track of the same file; -1 for the last track of a
    // file, whose end is the end of the file.
    qint64 durationMs = -1;
};

struct CueSheet
{
    QString title;
    QString performer;
    int year = 0;
    QList<CueTrack> tracks;
};

// Reads a cue sheet. Text that is not a cue sheet, or is damaged, gives one
// without tracks.
CueSheet parseCueSheet(const QString& text);

} // namespace trackimport

#include "trackimport/CueSheet.h"

#include <QByteArray>

#include <libcue.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace trackimport {

namespace {

// A CD frame is 1/75 of a second.
constexpr qint64 kFramesPerSecond = 75;

qint64 framesToMs(long frames)
{
    return frames * 1000 / kFramesPerSecond;
}

QString cueText(const char* value)
{
    return value ? QString::fromUtf8(value).trimmed() : QString();
}

int yearOf(const QString& date)
{
    bool ok = false;
    const int year = date.left(4).toInt(&ok);
    return ok && year > 0 ? year : 0;
}

struct CdDeleter
{
    void operator()(Cd* cd) const { cd_delete(cd); }
};

// libcue's parser keeps its state in globals: one parse at a time.
std::unique_ptr<Cd, CdDeleter> parsed(const QString& sheet)
{
    static std::mutex parserInUse;
    QString withoutMark = sheet;
    if (withoutMark.startsWith(QChar(0xFEFF)))
        withoutMark.remove(0, 1);
    const QByteArray utf8 = withoutMark.toUtf8();
    const std::lock_guard lock(parserInUse);
    return std::unique_ptr<Cd, CdDeleter>(cue_parse_string(utf8.constData()));
}

} // namespace

CueSheet parseCueSheet(const QString& text)
{
    const auto cd = parsed(text);
    const int count = cd ? cd_get_ntrack(cd.get()) : 0;
    CueSheet sheet;
    if (count <= 0)
        return sheet;
    const Cdtext* cdText = cd_get_cdtext(cd.get());
    sheet.title = cueText(cdtext_get(PTI_TITLE, cdText));
    sheet.performer = cueText(cdtext_get(PTI_PERFORMER, cdText));
    sheet.year = yearOf(cueText(rem_get(REM_DATE, cd_get_rem(cd.get()))));

    for (int i = 1; i <= count; ++i) {
        const ::Track* source = cd_get_track(cd.get(), i);
        if (!source)
            continue;
        CueTrack track;
        track.number = i;
        const Cdtext* trackText = track_get_cdtext(source);
        track.title = cueText(cdtext_get(PTI_TITLE, trackText));
        track.performer = cueText(cdtext_get(PTI_PERFORMER, trackText));
        track.file = cueText(track_get_filename(source));
        track.startMs = framesToMs(std::max(0L, track_get_start(source)));
        sheet.tracks.append(track);
    }
    // A track lasts until the next one starts (its pause included, as a
    // player counts it), or to the end of its file.
    for (qsizetype i = 0; i + 1 < sheet.tracks.size(); ++i) {
        CueTrack& track = sheet.tracks[i];
        const CueTrack& next = sheet.tracks.at(i + 1);
        if (next.file == track.file && next.startMs > track.startMs)
            track.durationMs = next.startMs - track.startMs;
    }
    return sheet;
}

} // namespace trackimport

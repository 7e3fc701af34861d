#include "trackimport/TrackListText.h"

#include "support/Language.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <functional>

namespace trackimport {

namespace {

const QString kDash = QStringLiteral(" \u2013 ");
constexpr qreal kHeadingGrowth = 2; // points larger than the tracks
constexpr qreal kParagraphGap = 6; // pixels

// The value every track that has one agrees on; empty when they differ.
QString sharedText(const QList<Track>& tracks, const std::function<QString(const Track&)>& field)
{
    QString shared;
    for (const Track& track : tracks) {
        const QString value = field(track);
        if (value.isEmpty())
            continue;
        if (shared.isEmpty())
            shared = value;
        else if (shared.compare(value, Qt::CaseInsensitive) != 0)
            return {};
    }
    return shared;
}

QString joined(const QString& first, const QString& second)
{
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    return first + kDash + second;
}

// "Velmora feat. Ørjan" is led by "Velmora"; "Velmoras" is not.
bool ledBy(const QString& artist, const QString& lead)
{
    return artist.startsWith(lead, Qt::CaseInsensitive)
        && (artist.size() == lead.size() || !artist.at(lead.size()).isLetterOrNumber());
}

// On a compilation every track names its artist; elsewhere only a track by
// someone else than the album's lead artist, such as one with a guest.
bool namedBeside(const QString& artist, const QString& lead)
{
    return !artist.isEmpty() && (lead.isEmpty() || artist.compare(lead, Qt::CaseInsensitive) != 0);
}

QString trackName(const Track& track, int position, const QString& lead)
{
    const QString title = trackTitle(track, position);
    return namedBeside(track.artist, lead) ? joined(track.artist, title) : title;
}

bool allDurationsKnown(const QList<Track>& tracks)
{
    return !tracks.isEmpty() && std::all_of(tracks.begin(), tracks.end(), [](const Track& t) {
        return t.durationMs >= 0;
    });
}

QString headingLine(const AlbumInfo& album)
{
    return joined(album.artist, album.title);
}

QString trackLine(const Track& track, int position, const QString& lead)
{
    QString line
        = QString::number(position) + QStringLiteral(".\t") + trackName(track, position, lead);
    if (track.durationMs >= 0)
        line += QLatin1Char('\t') + formatDuration(track.durationMs);
    return line;
}

QString totalLine(const QList<Track>& tracks)
{
    qint64 total = 0;
    for (const Track& track : tracks)
        total += track.durationMs;
    return QLatin1Char('\t') + localText("Totale speelduur", "Total time") + QLatin1Char('\t')
        + formatDuration(total);
}

QTextCharFormat characters(const QFont& font, qreal points, bool bold)
{
    QTextCharFormat format;
    format.setFontFamilies(font.families());
    format.setFontPointSize(points);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    return format;
}

} // namespace

AlbumInfo albumOf(const QList<Track>& tracks, const QString& sourceName)
{
    AlbumInfo album;
    album.artist = sharedText(tracks, [](const Track& t) { return t.albumArtist; });
    if (album.artist.isEmpty())
        album.artist = leadArtist(tracks);
    if (album.artist.isEmpty() && isCompilation(tracks))
        album.artist = localText("Diverse artiesten", "Various Artists");
    album.title = sharedText(tracks, [](const Track& t) { return t.album; });
    if (album.title.isEmpty())
        album.title = sourceName;
    album.year = sharedText(tracks, [](const Track& t) {
        return t.year > 0 ? QString::number(t.year) : QString();
    }).toInt();
    return album;
}

QString leadArtist(const QList<Track>& tracks)
{
    QString lead;
    for (const Track& track : tracks) {
        if (!track.artist.isEmpty() && (lead.isEmpty() || track.artist.size() < lead.size()))
            lead = track.artist;
    }
    const bool leadsAll = std::all_of(tracks.begin(), tracks.end(),
        [&](const Track& track) { return track.artist.isEmpty() || ledBy(track.artist, lead); });
    return leadsAll ? lead : QString();
}

bool isCompilation(const QList<Track>& tracks)
{
    return leadArtist(tracks).isEmpty()
        && std::any_of(
            tracks.begin(), tracks.end(), [](const Track& t) { return !t.artist.isEmpty(); });
}

bool namesArtist(const QList<Track>& tracks, qsizetype index)
{
    return namedBeside(tracks.at(index).artist, leadArtist(tracks));
}

QString trackTitle(const Track& track, int position)
{
    if (!track.title.isEmpty())
        return track.title;
    if (!track.partOfFile && !track.path.isEmpty())
        return QFileInfo(track.path).completeBaseName();
    return localText("Nummer %1", "Track %1").arg(position);
}

QString formatDuration(qint64 milliseconds)
{
    const qint64 seconds = (std::max<qint64>(milliseconds, 0) + 500) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QStringList trackListLines(const AlbumInfo& album, const QList<Track>& tracks)
{
    QStringList lines { headingLine(album) };
    if (album.year > 0)
        lines << QString::number(album.year);
    const QString lead = leadArtist(tracks);
    for (int i = 0; i < tracks.size(); ++i)
        lines << trackLine(tracks.at(i), i + 1, lead);
    if (allDurationsKnown(tracks))
        lines << totalLine(tracks);
    return lines;
}

void writeTrackList(QTextDocument& document, const AlbumInfo& album, const QList<Track>& tracks,
    const TrackListStyle& style)
{
    const qreal points = style.font.pointSizeF() > 0 ? style.font.pointSizeF() : 12;
    const QTextCharFormat plain = characters(style.font, points, false);
    const QTextCharFormat heading = characters(style.font, points + kHeadingGrowth, true);

    // The number column is as wide as the widest number with some room after it.
    QFont trackFont = style.font;
    trackFont.setPointSizeF(points);
    const QFontMetricsF metrics(trackFont);
    const QString widest = QString::number(tracks.size()) + QStringLiteral(".  ");
    const qreal numberColumn = std::ceil(metrics.horizontalAdvance(widest));
    QTextBlockFormat trackBlock;
    trackBlock.setTabPositions({ QTextOption::Tab(numberColumn, QTextOption::LeftTab),
        QTextOption::Tab(std::floor(style.rightEdge), QTextOption::RightTab) });
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    // A little room between the heading and the tracks, and before the total.
    QTextBlockFormat lastOfHeading = centred;
    lastOfHeading.setBottomMargin(kParagraphGap);
    QTextBlockFormat totalBlock = trackBlock;
    totalBlock.setTopMargin(kParagraphGap);

    const QStringList lines = trackListLines(album, tracks);
    const qsizetype firstTrack = album.year > 0 ? 2 : 1;
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    const qsizetype total = allDurationsKnown(tracks) ? lines.size() - 1 : -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QTextBlockFormat& block = i + 1 == firstTrack ? lastOfHeading
            : i < firstTrack                                ? centred
            : i == total                                    ? totalBlock
                                                            : trackBlock;
        const QTextCharFormat& format = i == 0 ? heading : plain;
        if (i == 0) {
            cursor.setBlockFormat(block);
            cursor.setBlockCharFormat(format);
        } else {
            cursor.insertBlock(block, format);
        }
        cursor.insertText(lines.at(i), format);
    }
    cursor.endEditBlock();
}

} // namespace trackimport

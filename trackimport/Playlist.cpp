#include "trackimport/Playlist.h"

#include <QRegularExpression>

namespace trackimport {

namespace {

const QLatin1String kExtInf("#EXTINF:");

// "#EXTINF:<seconds> [attributes],<display text>"; the display text is often
// "Artist - Title".
void takeExtInf(QStringView line, PlaylistEntry& entry)
{
    const QStringView info = line.mid(kExtInf.size());
    const qsizetype comma = info.indexOf(QLatin1Char(','));
    const QStringView head = comma < 0 ? info : info.left(comma);
    bool ok = false;
    const double seconds = head.trimmed().split(QLatin1Char(' ')).constFirst().toDouble(&ok);
    if (ok && seconds > 0 && seconds < 1e7)
        entry.durationMs = qRound64(seconds * 1000);
    if (comma < 0)
        return;
    const QString display = info.mid(comma + 1).trimmed().toString();
    const qsizetype dash = display.indexOf(QLatin1String(" - "));
    if (dash > 0) {
        entry.artist = display.left(dash).trimmed();
        entry.title = display.mid(dash + 3).trimmed();
    } else {
        entry.title = display;
    }
}

bool isRemote(const QString& location)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    return scheme.match(location).hasMatch()
        && !location.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

} // namespace

QList<PlaylistEntry> parsePlaylist(const QString& text)
{
    QList<PlaylistEntry> entries;
    PlaylistEntry pending;
    const QList<QStringView> lines
        = QStringView(text).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (QStringView line : lines) {
        line = line.trimmed();
        if (!line.isEmpty() && line.front() == QChar(0xFEFF))
            line = line.mid(1).trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(kExtInf, Qt::CaseInsensitive)) {
            pending = {};
            takeExtInf(line, pending);
            continue;
        }
        if (line.front() == QLatin1Char('#'))
            continue;
        pending.location = line.toString();
        pending.remote = isRemote(pending.location);
        entries.append(pending);
        pending = {};
    }
    return entries;
}

} // namespace trackimport

#include "trackimport/MusicBrainz.h"

#include "platform/ErrorReport.h"
#include "support/Language.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <algorithm>

namespace trackimport {

namespace {

constexpr int kSearchLimit = 25;

// A phrase of the search language: only the quote and the backslash need
// escaping inside quotes.
QString phrase(const QString& text)
{
    QString escaped = text.simplified();
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString serviceBase(const QString& service)
{
    QString base = service.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/ws/2/release/");
}

[[noreturn]] void unreadable()
{
    throw platform::UserError(localText("Het antwoord van MusicBrainz is onleesbaar",
        "The answer from MusicBrainz could not be read"));
}

QJsonObject parsedObject(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        unreadable();
    return document.object();
}

// "Artist A feat. Artist B": the names with the phrases that join them.
QString creditedArtist(const QJsonValue& credit)
{
    QString artist;
    for (const QJsonValue& name : credit.toArray()) {
        const QJsonObject part = name.toObject();
        artist += part.value(QLatin1String("name")).toString()
            + part.value(QLatin1String("joinphrase")).toString();
    }
    return artist.trimmed();
}

int yearOf(const QString& date)
{
    const int year = date.left(4).toInt();
    return year > 0 ? year : 0;
}

int trackCountOf(const QJsonObject& medium)
{
    return medium.value(QLatin1String("track-count")).toInt();
}

} // namespace

QString releaseSearchAddress(
    const QString& service, const QString& artist, const QString& album, int trackCount)
{
    QStringList terms;
    if (!album.trimmed().isEmpty())
        terms << QStringLiteral("release:") + phrase(album);
    if (!artist.trimmed().isEmpty())
        terms << QStringLiteral("artist:") + phrase(artist);
    if (trackCount > 0)
        terms << QStringLiteral("tracksmedium:%1").arg(trackCount);
    return serviceBase(service) + QStringLiteral("?query=")
        + QString::fromLatin1(QUrl::toPercentEncoding(terms.join(QLatin1String(" AND "))))
        + QStringLiteral("&fmt=json&limit=%1").arg(kSearchLimit);
}

QString releaseLookupAddress(const QString& service, const QString& releaseId)
{
    return serviceBase(service) + QString::fromLatin1(QUrl::toPercentEncoding(releaseId))
        + QStringLiteral("?inc=recordings+artist-credits&fmt=json");
}

QList<ReleaseChoice> parseReleaseSearch(const QByteArray& json, int trackCount)
{
    const QJsonObject answer = parsedObject(json);
    const QJsonValue releases = answer.value(QLatin1String("releases"));
    if (!releases.isArray())
        unreadable();
    QList<ReleaseChoice> choices;
    for (const QJsonValue& value : releases.toArray()) {
        const QJsonObject release = value.toObject();
        ReleaseChoice choice;
        choice.releaseId = release.value(QLatin1String("id")).toString();
        choice.title = release.value(QLatin1String("title")).toString();
        choice.artist = creditedArtist(release.value(QLatin1String("artist-credit")));
        choice.date = release.value(QLatin1String("date")).toString();
        choice.country = release.value(QLatin1String("country")).toString();
        choice.disambiguation = release.value(QLatin1String("disambiguation")).toString();
        choice.score = release.value(QLatin1String("score")).toInt();
        if (choice.releaseId.isEmpty())
            continue;
        const QJsonArray media = release.value(QLatin1String("media")).toArray();
        choice.mediumCount = std::max<int>(1, media.size());
        for (qsizetype i = 0; i < media.size(); ++i) {
            const QJsonObject medium = media.at(i).toObject();
            if (trackCount > 0 && trackCountOf(medium) != trackCount)
                continue;
            ReleaseChoice disc = choice;
            disc.medium = static_cast<int>(i) + 1;
            disc.trackCount = trackCountOf(medium);
            disc.format = medium.value(QLatin1String("format")).toString();
            choices << disc;
        }
    }
    std::stable_sort(choices.begin(), choices.end(),
        [](const ReleaseChoice& a, const ReleaseChoice& b) { return a.score > b.score; });
    return choices;
}

ReleaseTracks parseReleaseLookup(const QByteArray& json, int medium)
{
    const QJsonObject release = parsedObject(json);
    const QJsonArray media = release.value(QLatin1String("media")).toArray();
    if (medium < 1 || medium > media.size()
        || release.value(QLatin1String("id")).toString().isEmpty())
        unreadable();
    ReleaseTracks result;
    result.title = release.value(QLatin1String("title")).toString();
    result.artist = creditedArtist(release.value(QLatin1String("artist-credit")));
    result.year = yearOf(release.value(QLatin1String("date")).toString());
    const QJsonArray tracks
        = media.at(medium - 1).toObject().value(QLatin1String("tracks")).toArray();
    for (const QJsonValue& value : tracks) {
        const QJsonObject source = value.toObject();
        const QJsonObject recording = source.value(QLatin1String("recording")).toObject();
        Track track;
        track.number = source.value(QLatin1String("position")).toInt();
        track.title = source.value(QLatin1String("title"))
                          .toString(recording.value(QLatin1String("title")).toString());
        const QJsonValue credit = source.contains(QLatin1String("artist-credit"))
            ? source.value(QLatin1String("artist-credit"))
            : recording.value(QLatin1String("artist-credit"));
        track.artist = creditedArtist(credit);
        if (track.artist.isEmpty())
            track.artist = result.artist;
        const QJsonValue length = source.value(QLatin1String("length")).isDouble()
            ? source.value(QLatin1String("length"))
            : recording.value(QLatin1String("length"));
        track.durationMs
            = length.isDouble() && length.toDouble() > 0 ? qint64(length.toDouble()) : -1;
        track.album = result.title;
        track.albumArtist = result.artist;
        track.year = result.year;
        track.disc = medium;
        result.tracks << track;
    }
    return result;
}

QString describeChoice(const ReleaseChoice& choice)
{
    QStringList details;
    if (!choice.date.isEmpty())
        details << choice.date.left(4);
    if (!choice.country.isEmpty())
        details << choice.country;
    QString format = choice.format.isEmpty() ? localText("schijf", "disc") : choice.format;
    if (choice.mediumCount > 1)
        format += QStringLiteral(" %1/%2").arg(choice.medium).arg(choice.mediumCount);
    details << format << localText("%1 nummers", "%1 tracks").arg(choice.trackCount);
    if (!choice.disambiguation.isEmpty())
        details << choice.disambiguation;
    return choice.title + QStringLiteral(" \u2013 ") + choice.artist + QStringLiteral(" (")
        + details.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QList<Track> withReleaseTracks(const QList<Track>& tracks, const ReleaseTracks& release)
{
    if (tracks.isEmpty())
        return release.tracks;
    QList<Track> result = tracks;
    for (qsizetype i = 0; i < result.size() && i < release.tracks.size(); ++i) {
        Track& track = result[i];
        const Track& found = release.tracks.at(i);
        track.title = found.title;
        track.artist = found.artist;
        track.album = release.title;
        track.albumArtist = release.artist;
        track.year = release.year;
        if (track.durationMs < 0)
            track.durationMs = found.durationMs;
    }
    return result;
}

} // namespace trackimport

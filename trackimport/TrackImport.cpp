#include "trackimport/TrackImport.h"

#include "platform/ErrorReport.h"
#include "richtext/RichText.h"
#include "support/Language.h"
#include "trackimport/AudioFile.h"
#include "trackimport/CueSheet.h"
#include "trackimport/Playlist.h"
#include "trackimport/SourceFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <climits>

namespace trackimport {

namespace {

// Lists of tracks are small; anything larger is not one.
constexpr qsizetype kMaxPlaylistSize = 4 * 1024 * 1024;
constexpr qsizetype kMaxCueSheetSize = 1024 * 1024;
constexpr int kNamesInNote = 5;

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool isPlaylist(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("m3u") || suffix == QLatin1String("m3u8");
}

bool isCueSheet(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0;
}

// "3 files were not found: a.mp3, b.mp3, c.mp3".
QString noteAbout(const QStringList& names, const char* dutchText, const char* englishText)
{
    QStringList shown = names.mid(0, kNamesInNote);
    if (names.size() > kNamesInNote)
        shown << QStringLiteral("…");
    return localText(dutchText, englishText)
        .arg(names.size())
        .arg(shown.join(QStringLiteral(", ")));
}

class Importer
{
public:
    explicit Importer(const ImportProgress& progress)
        : m_progress(progress)
    {
    }

    ImportResult folder(const QString& path);
    ImportResult files(const QStringList& paths);
    ImportResult playlist(const QString& path);
    ImportResult cueSheet(const QString& path);

private:
    // Reads the files in turn; false when the user stopped the import.
    bool readAll(const QStringList& paths, QList<Track>& tracks);
    Track readTrack(const QString& path);
    bool report(int done, int total) const { return !m_progress || m_progress(done, total); }
    void noteUnreadable(ImportResult& result) const;

    const ImportProgress& m_progress;
    QStringList m_unreadable;
};

bool Importer::readAll(const QStringList& paths, QList<Track>& tracks)
{
    const int total = static_cast<int>(paths.size());
    for (int i = 0; i < total; ++i) {
        if (!report(i, total))
            return false;
        tracks.append(readTrack(paths.at(i)));
    }
    return report(total, total);
}

// A file that is not music stays in the list and is named in the notes.
Track Importer::readTrack(const QString& path)
{
    bool readable = false;
    Track track = readAudioFile(path, &readable);
    if (!readable)
        m_unreadable << QFileInfo(path).fileName();
    return track;
}

void Importer::noteUnreadable(ImportResult& result) const
{
    if (!m_unreadable.isEmpty()) {
        result.notes << noteAbout(m_unreadable,
            "%1 bestanden konden niet als muziek worden gelezen: %2",
            "%1 files could not be read as music: %2");
    }
}

ImportResult Importer::folder(const QString& path)
{
    const QDir folder(path);
    if (!QFileInfo(path).isDir() || !folder.isReadable()) {
        throw platform::UserError(
            localText("De map \"%1\" kan niet worden gelezen", "The folder \"%1\" cannot be read")
                .arg(nativePath(path)));
    }
    QStringList paths;
    const QStringList names = folder.entryList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        if (hasAudioFileExtension(name))
            paths << folder.absoluteFilePath(name);
    }
    if (paths.isEmpty()) {
        throw platform::UserError(localText(
            "De map \"%1\" bevat geen muziekbestanden", "The folder \"%1\" holds no audio files")
                                      .arg(nativePath(path)));
    }
    ImportResult result;
    result.sourceName = QFileInfo(QDir::cleanPath(folder.absolutePath())).fileName();
    result.cancelled = !readAll(paths, result.tracks);
    sortTracks(result.tracks);
    noteUnreadable(result);
    return result;
}

ImportResult Importer::files(const QStringList& paths)
{
    QStringList music;
    QStringList others;
    for (const QString& path : paths)
        (hasAudioFileExtension(path) ? music : others) << path;
    if (music.isEmpty()) {
        throw platform::UserError(localText(
            "Er zijn geen muziekbestanden gekozen", "None of the chosen files is an audio file"));
    }
    ImportResult result;
    result.sourceName = QFileInfo(QFileInfo(music.constFirst()).absolutePath()).fileName();
    result.cancelled = !readAll(music, result.tracks);
    sortTracks(result.tracks);
    noteUnreadable(result);
    if (!others.isEmpty()) {
        QStringList names;
        for (const QString& path : others)
            names << QFileInfo(path).fileName();
        result.notes << noteAbout(names, "%1 bestanden zonder muziek zijn overgeslagen: %2",
            "%1 files that are not music were left out: %2");
    }
    return result;
}

ImportResult Importer::playlist(const QString& path)
{
    const QByteArray bytes = readListFile(path, kMaxPlaylistSize);
    const bool utf8
        = QFileInfo(path).suffix().compare(QLatin1String("m3u8"), Qt::CaseInsensitive) == 0;
    const QList<PlaylistEntry> entries
        = parsePlaylist(utf8 ? QString::fromUtf8(bytes) : richtext::decodePlainText(bytes));
    const QString folder = QFileInfo(path).absolutePath();

    ImportResult result;
    result.sourceName = QFileInfo(path).completeBaseName();
    QStringList missing;
    QStringList streams;
    const int total = static_cast<int>(entries.size());
    for (int i = 0; i < total; ++i) {
        if (!report(i, total)) {
            result.cancelled = true;
            return result;
        }
        const PlaylistEntry& entry = entries.at(i);
        if (entry.remote) {
            streams << entry.location;
            continue;
        }
        const QString file = findListedFile(folder, entry.location);
        Track track;
        if (file.isEmpty()) {
            // Kept with the separators of this system, for the name it shows.
            track.path = QString(entry.location).replace(QLatin1Char('\\'), QLatin1Char('/'));
            missing << track.path.section(QLatin1Char('/'), -1);
        } else {
            track = readTrack(file);
        }
        // The playlist's own description stands in for missing tags.
        if (track.title.isEmpty())
            track.title = entry.title;
        if (track.artist.isEmpty())
            track.artist = entry.artist;
        if (track.durationMs < 0)
            track.durationMs = entry.durationMs;
        result.tracks.append(track);
    }
    report(total, total);
    if (result.tracks.isEmpty() && streams.isEmpty()) {
        throw platform::UserError(localText("De afspeellijst \"%1\" noemt geen muziekbestanden",
            "The playlist \"%1\" lists no audio files")
                                      .arg(nativePath(path)));
    }
    if (!missing.isEmpty()) {
        result.notes << noteAbout(missing,
            "%1 bestanden van de afspeellijst zijn niet gevonden: %2",
            "%1 files of the playlist were not found: %2");
    }
    noteUnreadable(result);
    if (!streams.isEmpty()) {
        result.notes << noteAbout(streams, "%1 internetadressen zijn overgeslagen: %2",
            "%1 internet addresses were left out: %2");
    }
    return result;
}

ImportResult Importer::cueSheet(const QString& path)
{
    const CueSheet sheet
        = parseCueSheet(richtext::decodePlainText(readListFile(path, kMaxCueSheetSize)));
    if (sheet.tracks.isEmpty()) {
        throw platform::UserError(localText(
            "\"%1\" is geen leesbare cue sheet: er staan geen nummers in of hij is beschadigd",
            "\"%1\" is not a cue sheet that can be read: it lists no tracks or is damaged")
                                      .arg(nativePath(path)));
    }
    const QString folder = QFileInfo(path).absolutePath();

    // Each file the sheet names is read once: for the end of its last track,
    // and for the tags of a file that holds a single track.
    QStringList fileNames;
    QHash<QString, int> tracksPerFile;
    for (const CueTrack& cueTrack : std::as_const(sheet.tracks)) {
        if (!tracksPerFile.contains(cueTrack.file))
            fileNames << cueTrack.file;
        ++tracksPerFile[cueTrack.file];
    }
    ImportResult result;
    result.sourceName = QFileInfo(path).completeBaseName();
    QHash<QString, Track> files;
    QStringList missing;
    const int total = static_cast<int>(fileNames.size());
    for (int i = 0; i < total; ++i) {
        if (!report(i, total)) {
            result.cancelled = true;
            return result;
        }
        const QString found = findListedFile(folder, fileNames.at(i), true);
        if (found.isEmpty()) {
            missing << fileNames.at(i);
            continue;
        }
        files.insert(fileNames.at(i), readTrack(found));
    }
    report(total, total);

    for (const CueTrack& cueTrack : std::as_const(sheet.tracks)) {
        const Track file = files.value(cueTrack.file);
        Track track;
        track.path = file.path.isEmpty() ? cueTrack.file : file.path;
        track.partOfFile = tracksPerFile.value(cueTrack.file) > 1;
        track.number = cueTrack.number;
        track.title = cueTrack.title;
        track.artist = cueTrack.performer.isEmpty() ? sheet.performer : cueTrack.performer;
        track.album = sheet.title;
        track.albumArtist = sheet.performer;
        track.year = sheet.year;
        track.durationMs = cueTrack.durationMs;
        if (track.durationMs < 0 && file.durationMs > cueTrack.startMs)
            track.durationMs = file.durationMs - cueTrack.startMs;
        if (!track.partOfFile) {
            track.title = track.title.isEmpty() ? file.title : track.title;
            track.artist = track.artist.isEmpty() ? file.artist : track.artist;
            track.album = track.album.isEmpty() ? file.album : track.album;
            track.year = track.year == 0 ? file.year : track.year;
        }
        result.tracks.append(track);
    }
    if (!missing.isEmpty()) {
        result.notes << noteAbout(missing, "%1 bestanden van de cue sheet zijn niet gevonden: %2",
            "%1 files of the cue sheet were not found: %2");
    }
    noteUnreadable(result);
    return result;
}

// Compares file names as people read them: "2 a" before "10 b", whatever
// the locale; letters without regard to case.
int compareNaturally(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const qsizetype startA = i;
            const qsizetype startB = j;
            while (i < a.size() && a.at(i).isDigit())
                ++i;
            while (j < b.size() && b.at(j).isDigit())
                ++j;
            QStringView numberA = QStringView(a).sliced(startA, i - startA);
            QStringView numberB = QStringView(b).sliced(startB, j - startB);
            while (numberA.size() > 1 && numberA.front() == QLatin1Char('0'))
                numberA = numberA.sliced(1);
            while (numberB.size() > 1 && numberB.front() == QLatin1Char('0'))
                numberB = numberB.sliced(1);
            if (numberA.size() != numberB.size())
                return numberA.size() < numberB.size() ? -1 : 1;
            if (const int order = numberA.compare(numberB); order != 0)
                return order;
            continue;
        }
        const char32_t ca = a.at(i).toCaseFolded().unicode();
        const char32_t cb = b.at(j).toCaseFolded().unicode();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b);
}

} // namespace

ImportRequest importRequestFor(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (!QFileInfo::exists(path)) {
            throw platform::UserError(
                localText("\"%1\" is niet gevonden", "\"%1\" was not found").arg(nativePath(path)));
        }
    }
    if (paths.size() == 1 && QFileInfo(paths.constFirst()).isDir())
        return { SourceKind::Folder, paths };
    if (paths.size() == 1 && isPlaylist(paths.constFirst()))
        return { SourceKind::Playlist, paths };
    if (paths.size() == 1 && isCueSheet(paths.constFirst()))
        return { SourceKind::CueSheet, paths };
    const bool mixed = std::any_of(paths.begin(), paths.end(), [](const QString& path) {
        return QFileInfo(path).isDir() || isPlaylist(path) || isCueSheet(path);
    });
    if (mixed) {
        throw platform::UserError(localText("Kies één map, één afspeellijst, één cue sheet of een "
                                            "aantal muziekbestanden, niet een mengsel",
            "Choose one folder, one playlist, one cue sheet or some audio files, not a mix of "
            "them"));
    }
    return { SourceKind::Files, paths };
}

ImportResult importTracks(const ImportRequest& request, const ImportProgress& progress)
{
    Importer importer(progress);
    switch (request.kind) {
    case SourceKind::Folder:
        return importer.folder(request.paths.value(0));
    case SourceKind::Playlist:
        return importer.playlist(request.paths.value(0));
    case SourceKind::CueSheet:
        return importer.cueSheet(request.paths.value(0));
    case SourceKind::Files:
        break;
    }
    return importer.files(request.paths);
}

void sortTracks(QList<Track>& tracks)
{
    const auto key = [](const Track& track) {
        // A track without a disc number is on the first disc.
        return std::pair(std::max(track.disc, 1), track.number > 0 ? track.number : INT_MAX);
    };
    std::stable_sort(tracks.begin(), tracks.end(), [&](const Track& a, const Track& b) {
        if (key(a) != key(b))
            return key(a) < key(b);
        return compareNaturally(QFileInfo(a.path).fileName(), QFileInfo(b.path).fileName()) < 0;
    });
}

} // namespace trackimport

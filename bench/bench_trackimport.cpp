// Importing a folder of 100 FLAC files of four minutes each, tagged and with
// a cover picture as a ripper writes them. The folder is read once before
// timing, so the disk cache is warm. The yardstick is TagLib on its own
// opening each file with its tags and audio properties.
#include "AudioFixtures.h"
#include "BenchPhoto.h"
#include "trackimport/TrackImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fileref.h>

#include <cstdio>

namespace {

constexpr int kFiles = 100;
constexpr qint64 kTrackMs = 4 * 60 * 1000 + 7 * 1000;
constexpr int kCoverBytes = 60 * 1024;
constexpr int kRounds = 15;
constexpr double kFrameMs = 1000.0 / 60;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    QStringList paths;
    qint64 bytes = 0;
    for (int i = 1; i <= kFiles; ++i) {
        const QString path
            = folder.filePath(QStringLiteral("%1 - Song %1.flac").arg(i, 3, 10, QLatin1Char('0')));
        const fixtures::Tags tags { QStringLiteral("Song %1").arg(i), QStringLiteral("Velmora"),
            QStringLiteral("Last Rose Of Summer"), QStringLiteral("Velmora"), i, 1, 2002,
            kCoverBytes };
        if (!fixtures::writeAudioFile(path, fixtures::AudioFormat::Flac, kTrackMs + i * 10, tags))
            qFatal("cannot write %s", qPrintable(path));
        paths << path;
        bytes += QFile(path).size();
    }

    const trackimport::ImportRequest request { trackimport::SourceKind::Folder, { folder.path() } };
    const trackimport::ImportResult warm = trackimport::importTracks(request);
    if (warm.tracks.size() != kFiles
        || warm.tracks.constLast().durationMs != kTrackMs + kFiles * 10)
        qFatal("the import did not read every file");

    const double importTime = medianMs(kRounds, [&] { (void)trackimport::importTracks(request); });
    const double taglibTime = medianMs(kRounds, [&] {
        for (const QString& path : std::as_const(paths)) {
            const TagLib::FileRef file(QFile::encodeName(path).constData());
            (void)file.tag()->title();
        }
    });

    std::printf("%d FLAC files of %lld:%02lld, %lld kB in all, warm cache\n", kFiles,
        static_cast<long long>(kTrackMs / 60000), static_cast<long long>(kTrackMs / 1000 % 60),
        static_cast<long long>(bytes / 1024));
    std::printf(
        "import of the folder: %.1f ms (median of %d), %.2f ms a file, %.1f%% of a 60 Hz frame\n",
        importTime, kRounds, importTime / kFiles, 100 * importTime / kFiles / kFrameMs);
    std::printf("yardstick, TagLib alone: %.1f ms; import / yardstick: %.2f\n", taglibTime,
        importTime / taglibTime);
    std::printf("target of 500 ms for %d files: %s\n", kFiles, importTime < 500 ? "met" : "MISSED");
    return 0;
}

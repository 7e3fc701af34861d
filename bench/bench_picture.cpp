// Loading a large phone photo as the front picture.
//
//   bench_picture [folder]
//
// Generates a 6000 x 4000 JPEG in the folder (once; default: the system's
// temporary folder), then times Picture::load with the front box's needed size
// plus stretching the result onto the sheet, against libjpeg's own 1/8-scale
// decode of the same file and a plain full decode. Peak memory is measured in
// fresh child processes (--peak-load / --peak-full FILE), so generating the
// file does not count.

#include "platform/Picture.h"
#include "LibjpegReference.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr QSize kPhotoSize(6000, 4000);
constexpr QSize kFrontBox(480, 480);
constexpr QRect kFrontRectangle(180, 60, 480, 480);
constexpr QSize kSheetSize(813, 1188);
constexpr int kRuns = 15;

// A photo-like picture: smooth colour gradients with sensor-like noise, so
// that it compresses to the size of a real 24-megapixel photo.
void generatePhoto(const QString& path)
{
    QImage photo(kPhotoSize, QImage::Format_RGB32);
    QRandomGenerator random(2002);
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const int noise = int(random.bounded(21)) - 10;
            const int r = x * 255 / kPhotoSize.width() + noise;
            const int g = y * 255 / kPhotoSize.height() + noise;
            const int b = ((x + y) / 40) % 256 + noise;
            line[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(platform::encodeJpeg(photo, 90)) < 0)
        qFatal("cannot write %s", qPrintable(path));
}

QImage whiteSheet()
{
    QImage sheet(kSheetSize, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    return sheet;
}

// What composing the front picture does: load, then stretch by nearest pixel.
void loadAndCompose(const QString& path, QImage& sheet)
{
    const platform::Picture picture = platform::Picture::load(path, kFrontBox);
    QPainter painter(&sheet);
    painter.drawImage(kFrontRectangle, picture.image());
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Work> double milliseconds(Work work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

qint64 statusKilobytes(const char* field)
{
    // The file reports size 0, so it is read whole rather than line by line.
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/status");
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    qFatal("no %s in /proc/self/status", field);
}

// Child process: prints how far the peak resident size rose above the
// resident size just before the work, in kB. libjpeg's code, the painter and
// the sheet are warmed up first: the program has them by then.
int printPeakIncrease(const QString& path, bool full)
{
    QImage sheet = whiteSheet();
    QImage warmUp = platform::decodeJpeg(platform::encodeJpeg(whiteSheet()), 8);
    QPainter(&sheet).drawImage(kFrontRectangle, warmUp);
    warmUp = QImage();

    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    const bool peakReset = clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
    clearRefs.close();
    if (!peakReset)
        std::fprintf(stderr, "cannot reset the peak; the figure includes the warm-up\n");
    const qint64 before = peakReset ? statusKilobytes("VmRSS:") : statusKilobytes("VmHWM:");
    if (full) {
        const std::vector<unsigned char> pixels = decodeWithLibjpeg(path, 1);
        std::printf("%lld\n", static_cast<long long>(statusKilobytes("VmHWM:") - before));
        return pixels.empty() ? 1 : 0;
    }
    loadAndCompose(path, sheet);
    std::printf("%lld\n", static_cast<long long>(statusKilobytes("VmHWM:") - before));
    return 0;
}

double peakIncreaseMegabytes(const QString& option, const QString& path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { option, path });
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        qFatal("measuring child failed: %s", child.readAllStandardError().constData());
    return child.readAllStandardOutput().trimmed().toDouble() / 1024.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 3 && arguments[1].startsWith(QLatin1String("--peak-")))
        return printPeakIncrease(arguments[2], arguments[1] == QLatin1String("--peak-full"));

    const QString folder = arguments.size() > 1 ? arguments[1] : QDir::tempPath();
    const QString path = QDir(folder).filePath(QStringLiteral("bench_photo_6000x4000.jpg"));
    if (!QFileInfo::exists(path)) {
        std::printf("generating %s ...\n", qPrintable(path));
        generatePhoto(path);
    }
    std::printf("photo: %d x %d, %.1f MB\n", kPhotoSize.width(), kPhotoSize.height(),
        double(QFileInfo(path).size()) / (1024.0 * 1024.0));

    QImage sheet = whiteSheet();
    loadAndCompose(path, sheet); // fills the page cache before timing
    // Interleaved, so that load from other programs touches all three alike.
    std::vector<double> composeTimes, eighthTimes, fullTimes;
    for (int run = 0; run < kRuns; ++run) {
        composeTimes.push_back(milliseconds([&] { loadAndCompose(path, sheet); }));
        eighthTimes.push_back(milliseconds([&] { decodeWithLibjpeg(path, 8); }));
        fullTimes.push_back(milliseconds([&] { decodeWithLibjpeg(path, 1); }));
    }
    const double composeMs = median(composeTimes);
    const double eighthMs = median(eighthTimes);
    const double fullMs = median(fullTimes);
    const double loadPeak = peakIncreaseMegabytes(QStringLiteral("--peak-load"), path);
    const double fullPeak = peakIncreaseMegabytes(QStringLiteral("--peak-full"), path);

    std::printf("median of %d runs\n", kRuns);
    std::printf("  Picture::load(480 x 480) + stretch onto sheet: %8.1f ms\n", composeMs);
    std::printf("  libjpeg 1/8-scale decode:                       %8.1f ms\n", eighthMs);
    std::printf("  ratio (target <= 1.2):                          %8.2f\n", composeMs / eighthMs);
    std::printf("  libjpeg full decode:                            %8.1f ms\n", fullMs);
    std::printf("peak memory increase (fresh process)\n");
    std::printf("  Picture::load(480 x 480) + stretch (target <= 10 MB): %6.1f MB\n", loadPeak);
    std::printf("  libjpeg full decode:                                  %6.1f MB\n", fullPeak);
    return 0;
}

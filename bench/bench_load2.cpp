// The main window composing a large photo as its front picture.
//
//   bench_load2 [folder]
//
// Writes a 6000 x 4000 JPEG into the folder (default: a temporary folder),
// then times TMainForm::Load2 on it against libjpeg's own 1/8-scale decode of
// the same file and a plain full decode, and reports the peak memory that
// Load2 adds. The photo is written row by row, so generating it does not raise
// the peak; the peak is reset through /proc before each measured step.

#include "LibjpegReference.h"
#include "app/Main.h"
#include "platform/ErrorReport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;
constexpr int kRuns = 11;

// A photo-like picture, smooth gradients with some noise, computed one row at
// a time straight into the encoder.
void writePhoto(const QString& path)
{
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        qFatal("cannot write %s", qPrintable(path));
    jpeg_compress_struct compressor {};
    jpeg_error_mgr errors {};
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);
    jpeg_stdio_dest(&compressor, file);
    compressor.image_width = kPhotoWidth;
    compressor.image_height = kPhotoHeight;
    compressor.input_components = 3;
    compressor.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, 90, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    std::vector<JSAMPLE> row(kPhotoWidth * 3);
    unsigned noise = 2002;
    while (compressor.next_scanline < compressor.image_height) {
        const int y = int(compressor.next_scanline);
        for (int x = 0; x < kPhotoWidth; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = int((noise >> 16) % 21) - 10;
            row[3 * x] = JSAMPLE(std::clamp(x * 255 / kPhotoWidth + grain, 0, 255));
            row[3 * x + 1] = JSAMPLE(std::clamp(y * 255 / kPhotoHeight + grain, 0, 255));
            row[3 * x + 2] = JSAMPLE(std::clamp((x + y) / 40 % 256 + grain, 0, 255));
        }
        JSAMPROW rows[] = { row.data() };
        jpeg_write_scanlines(&compressor, rows, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);
    std::fclose(file);
}

// Peak resident memory of this process in kB since the last reset.
long peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

long currentResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Makes the peak equal to the current resident size again.
bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

double medianMs(const std::function<void()>& step)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString photo = QDir(folder).filePath(QStringLiteral("photo-6000x4000.jpg"));
    if (!QFile::exists(photo))
        writePhoto(photo);

    // The window opens the last project when shown; here there is none, and
    // a message box would wait for a click that never comes.
    platform::setErrorPresenter([](const QString& text) {
        std::fprintf(stderr, "(start-up project not opened: %s)\n", qPrintable(text));
    });
    TMainForm form;
    form.show();
    QApplication::processEvents();
    form.RedrawImage1();

    // Memory first, before any full decode has grown the heap.
    form.Load2(photo);
    const bool peakReset = resetPeak();
    const long residentBefore = currentResidentKb();
    form.Load2(photo);
    const long peakIncrease = peakResidentKb() - residentBefore;

    const double load2 = medianMs([&] { form.Load2(photo); });
    const double eighth = medianMs([&] { decodeWithLibjpeg(photo, 8); });
    const double full = medianMs([&] { decodeWithLibjpeg(photo, 1); });

    std::printf("photo: %dx%d, %lld bytes\n", kPhotoWidth, kPhotoHeight,
        static_cast<long long>(QFile(photo).size()));
    std::printf("Load2 (read, 1/8 decode, stretch onto the sheet): %8.2f ms\n", load2);
    std::printf("libjpeg 1/8-scale decode of the same file:        %8.2f ms\n", eighth);
    std::printf("libjpeg full decode:                              %8.2f ms\n", full);
    std::printf("ratio Load2 / libjpeg 1/8: %.2f (target <= 1.2)\n", load2 / eighth);
    if (peakReset)
        std::printf(
            "peak memory added by Load2: %.1f MB (target <= 10 MB)\n", peakIncrease / 1024.0);
    else
        std::printf("peak memory added by Load2: not measurable here (/proc/self/clear_refs)\n");
    return 0;
}

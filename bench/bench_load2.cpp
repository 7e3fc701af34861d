// The main window composing a large photo as its front picture.
//
//   bench_load2 [folder]
//
// Writes a 6000 x 4000 JPEG into the folder (default: a temporary folder),
// then times TMainForm::Load2 on it against libjpeg's own 1/8-scale decode of
// the same file and a plain full decode, and reports the peak memory that
// Load2 adds. The photo is written row by row, so generating it does not raise
// the peak; the peak is reset through /proc before each measured step.

#include "BenchPhoto.h"
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

namespace {

constexpr int kRuns = 11;

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
        writeBenchPhoto(photo);

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

    const double load2 = medianMs(kRuns, [&] { form.Load2(photo); });
    const double eighth = medianMs(kRuns, [&] { decodeWithLibjpeg(photo, 8); });
    const double full = medianMs(kRuns, [&] { decodeWithLibjpeg(photo, 1); });

    std::printf("photo: %dx%d, %lld bytes\n", kBenchPhotoSize.width(), kBenchPhotoSize.height(),
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

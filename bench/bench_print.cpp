// Printing an inlay whose front is a 24-megapixel photo on a 600 dpi printer
// (a printer that writes its job as a PDF file), and previewing it, beside
// libjpeg's own full decode of the same photo in the same run.
//
//   bench_print [photo.jpg]
//
// Without a photo, a 6000 x 4000 one of smooth gradients with noise is made.

#include "LibjpegReference.h"
#include "inlay/LayoutSheet.h"
#include "platform/Picture.h"
#include "printing/InlayOutput.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 5;

void writeNoisyPhoto(const QString& path)
{
    QImage photo(6000, 4000, QImage::Format_RGB32);
    QRandomGenerator random(2002);
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const int noise = int(random.bounded(21)) - 10;
            line[x] = qRgb(qBound(0, x * 255 / 6000 + noise, 255),
                qBound(0, y * 255 / 4000 + noise, 255), qBound(0, (x + y) / 40 % 256 + noise, 255));
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(platform::encodeJpeg(photo, 90)) < 0)
        qFatal("cannot write %s", qPrintable(path));
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
    QString photo = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (photo.isEmpty()) {
        photo = temporary.filePath(QStringLiteral("photo.jpg"));
        writeNoisyPhoto(photo);
    }

    // The page as the main window holds it: the front decoded for the sheet.
    inlay::Page page;
    page.front = platform::Picture::load(photo, sheet::kFrontPictureSize);
    const QString job = temporary.filePath(QStringLiteral("job.pdf"));
    const double print = medianMs([&] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(job);
        printer.setResolution(600);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
            QMarginsF(4.2, 4.2, 4.2, 4.2), QPageLayout::Millimeter));
        printInlay(printer, page, QStringLiteral("Bench"));
    });
    const PagedOutput preview = pdfOutput(Paper::A4);
    const double previewMs = medianMs([&] { previewImage(page, preview, QSize(630, 891)); });
    const double full = medianMs([&] { decodeWithLibjpeg(photo, 1); });

    std::printf("photo: %lld bytes\n", static_cast<long long>(QFile(photo).size()));
    std::printf("print at 600 dpi (decode from the source, scale, write): %8.1f ms\n", print);
    std::printf("preview at 630 x 891:                                    %8.1f ms\n", previewMs);
    std::printf("libjpeg full decode of the photo:                        %8.1f ms\n", full);
    std::printf("ratio print / full decode: %.2f\n", print / full);
    std::printf("print job: %lld bytes\n", static_cast<long long>(QFile(job).size()));
    return 0;
}

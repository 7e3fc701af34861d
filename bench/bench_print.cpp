// Printing an inlay whose front is a 24-megapixel photo on a 600 dpi printer
// (a printer that writes its job as a PDF file), and previewing it, beside
// libjpeg's own full decode of the same photo in the same run.
//
//   bench_print [photo.jpg]
//
// Without a photo, a 6000 x 4000 one of smooth gradients with noise is made.

#include "BenchPhoto.h"
#include "LibjpegReference.h"
#include "inlay/LayoutSheet.h"
#include "platform/Picture.h"
#include "printing/InlayOutput.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 5;

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
        writeBenchPhoto(photo);
    }

    // The page as the main window holds it: the front decoded for the sheet.
    inlay::Page page;
    page.front = platform::Picture::load(photo, sheet::kFrontPictureSize);
    const QString job = temporary.filePath(QStringLiteral("job.pdf"));
    const double print = medianMs(kRuns, [&] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(job);
        printer.setResolution(600);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
            QMarginsF(4.2, 4.2, 4.2, 4.2), QPageLayout::Millimeter));
        printInlay(printer, QString(), page, QStringLiteral("Bench"));
    });
    const PagedOutput preview = pdfOutput(Paper::A4);
    const double previewMs = medianMs(kRuns, [&] { previewImage(page, preview, QSize(630, 891)); });
    const double full = medianMs(kRuns, [&] { decodeWithLibjpeg(photo, 1); });

    std::printf("photo: %lld bytes\n", static_cast<long long>(QFile(photo).size()));
    std::printf("print at 600 dpi (decode from the source, scale, write): %8.1f ms\n", print);
    std::printf("preview at 630 x 891:                                    %8.1f ms\n", previewMs);
    std::printf("libjpeg full decode of the photo:                        %8.1f ms\n", full);
    std::printf("ratio print / full decode: %.2f\n", print / full);
    std::printf("print job: %lld bytes\n", static_cast<long long>(QFile(job).size()));
    return 0;
}

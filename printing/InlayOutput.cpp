#include "printing/InlayOutput.h"

#include "calibration/PrinterCalibration.h"
#include "platform/ErrorReport.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include <cmath>
#include <functional>

namespace {

constexpr double kMillimetresPerInch = 25.4;
// A PDF has no resolution of its own: lines and text stay vector, and
// pictures are written at the resolution print shops work at.
constexpr int kPdfDotsPerInch = 300;

// How the error texts name a printer: the name it is listed under, or the
// file a file printer writes.
QString printerLabel(const QPrinter& printer, const QString& printerName)
{
    const QString name
        = printerName.isEmpty() ? QDir::toNativeSeparators(printer.outputFileName()) : printerName;
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QSizeF dotsPerMm(double dotsPerInchX, double dotsPerInchY)
{
    return { dotsPerInchX / kMillimetresPerInch, dotsPerInchY / kMillimetresPerInch };
}

[[noreturn]] void failPdf(const QString& path, const QString& reason)
{
    throw platform::UserError(localText("Het PDF-bestand \"%1\" kan niet worden geschreven: %2",
        "The PDF file \"%1\" cannot be written: %2")
                                  .arg(QDir::toNativeSeparators(path), reason));
}

// One print job titled `title`. Beginning to paint starts the job and opens
// its first page; ending the painter ends the job, also after a failure while
// painting. `paint` returns false when it could not paint everything.
void runPrintJob(QPrinter& printer, const QString& printerName, const QString& title,
    const std::function<bool(QPainter&)>& paint)
{
    printer.setDocName(title); // the job's name in the printer queue
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw platform::UserError(localText(
            "De printer %1 kan de afdruk niet starten", "The printer %1 cannot start the print job")
                                      .arg(printerLabel(printer, printerName)));
    }
    const bool painted = paint(painter);
    const bool ended = painter.end();
    if (!painted || !ended || printer.printerState() == QPrinter::Error) {
        throw platform::UserError(localText("De printer %1 heeft de afdruk niet afgemaakt",
            "The printer %1 did not finish the print job")
                                      .arg(printerLabel(printer, printerName)));
    }
}

} // namespace

QPageSize pageSizeOf(Paper paper)
{
    return QPageSize(paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4);
}

QString paperKey(Paper paper)
{
    return paper == Paper::Letter ? QStringLiteral("letter") : QStringLiteral("a4");
}

std::optional<Paper> paperFromKey(const QString& key)
{
    const QString lower = key.trimmed().toLower();
    if (lower == QLatin1String("a4"))
        return Paper::A4;
    if (lower == QLatin1String("letter"))
        return Paper::Letter;
    return std::nullopt;
}

PagedOutput printerOutput(const QPrinter& printer, const QString& printerName)
{
    const QPageLayout layout = printer.pageLayout();
    const QRectF printable = layout.paintRect(QPageLayout::Millimeter);
    const int dpiX = printer.logicalDpiX();
    const int dpiY = printer.logicalDpiY();
    PagedOutput output;
    output.paperMm = layout.fullRect(QPageLayout::Millimeter).size();
    // The printer's painter starts at the printable area's corner.
    output.deviceOriginMm = printable.topLeft();
    output.dotsPerMm = dotsPerMm(dpiX, dpiY);
    double bottomMm = printable.bottom();
    if (const std::optional<PrinterCalibration> calibration = storedCalibration(printerName)) {
        // The device as the printer truly puts it on paper: its origin where
        // it lands and its dots as long as they come out, so that the layout
        // lands true size where the user wants it.
        output.geometry = trueSizeGeometry(calibration->cornerMm);
        output.deviceOriginMm = calibration->landsAt(printable.topLeft());
        output.dotsPerMm = QSizeF(output.dotsPerMm.width() / calibration->scale.width(),
            output.dotsPerMm.height() / calibration->scale.height());
        bottomMm = calibration->landsAt(printable.bottomRight()).y();
    } else {
        output.geometry = printerPageGeometry(dpiX, dpiY, printable.topLeft());
    }
    output.plan = pagePlan(output.geometry, bottomMm);
    return output;
}

PagedOutput pdfOutput(Paper paper)
{
    PagedOutput output;
    output.paperMm = pageSizeOf(paper).size(QPageSize::Millimeter);
    output.geometry = pdfPageGeometry();
    output.deviceOriginMm = QPointF(0, 0);
    output.dotsPerMm = dotsPerMm(kPdfDotsPerInch, kPdfDotsPerInch);
    output.plan = pagePlan(output.geometry, output.paperMm.height());
    return output;
}

QSize pdfPicturePixels(const QRect& sheetArea)
{
    const PagedOutput output = pdfOutput(Paper::A4);
    const QRectF onDevice = sheetToDevice(
        output.geometry, inlay::Part::Whole, output.deviceOriginMm, output.dotsPerMm)
                                .mapRect(QRectF(sheetArea));
    return { int(std::ceil(onDevice.width())), int(std::ceil(onDevice.height())) };
}

bool paintPages(QPainter& painter, QPagedPaintDevice& device, const inlay::Page& page,
    const PagedOutput& output)
{
    for (qsizetype i = 0; i < output.plan.size(); ++i) {
        if (i > 0 && !device.newPage())
            return false;
        const inlay::Part part = output.plan.at(i);
        painter.setTransform(
            sheetToDevice(output.geometry, part, output.deviceOriginMm, output.dotsPerMm));
        inlay::paintPage(painter, page, part, inlay::Rendering::Device);
    }
    return true;
}

void printInlay(
    QPrinter& printer, const QString& printerName, const inlay::Page& page, const QString& title)
{
    const PagedOutput output = printerOutput(printer, printerName);
    runPrintJob(printer, printerName, title,
        [&](QPainter& painter) { return paintPages(painter, printer, page, output); });
}

CalibrationPage printCalibrationPage(QPrinter& printer, const QString& printerName)
{
    const QPageLayout layout = printer.pageLayout();
    const QRectF printable = layout.paintRect(QPageLayout::Millimeter);
    const std::optional<CalibrationPage> page
        = calibrationPageFor(layout.fullRect(QPageLayout::Millimeter).size(), printable);
    if (!page) {
        const QSizeF room = calibrationPageRoom();
        throw platform::UserError(
            localText("De printer %1 kan op dit papier geen %2 × %3 mm bedrukken, en zoveel "
                      "ruimte heeft de kalibratiepagina nodig",
                "The printer %1 cannot print %2 × %3 mm on this paper, the room the calibration "
                "page needs")
                .arg(printerLabel(printer, printerName))
                .arg(room.width())
                .arg(room.height()));
    }
    // Measured as it is asked for: the printer's own dots from its printable
    // corner, whatever calibration it has.
    const QTransform toDevice = paperToDevice(
        printable.topLeft(), dotsPerMm(printer.logicalDpiX(), printer.logicalDpiY()));
    runPrintJob(printer, printerName,
        localText("Kalibratiepagina van qzLayer", "qzLayer calibration page"),
        [&](QPainter& painter) {
            painter.setTransform(toDevice);
            paintCalibrationPage(painter, *page, printerName);
            return true;
        });
    return *page;
}

void writeInlayPdf(const QString& path, const inlay::Page& page, Paper paper, const QString& title)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        failPdf(path, file.errorString());
    const PagedOutput output = pdfOutput(paper);
    {
        QPdfWriter writer(&file);
        writer.setTitle(title);
        writer.setCreator(ProgNam.isEmpty() ? QStringLiteral("qzLayer") : ProgNam);
        writer.setResolution(kPdfDotsPerInch);
        writer.setPageLayout(QPageLayout(
            pageSizeOf(paper), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&writer))
            failPdf(path, file.errorString());
        const bool painted = paintPages(painter, writer, page, output);
        if (!painter.end() || !painted)
            failPdf(path, file.errorString());
    }
    if (!file.commit())
        failPdf(path, file.errorString());
}

QImage previewImage(const inlay::Page& page, const PagedOutput& output, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    const qsizetype pages = output.plan.size();
    if (pages == 0 || size.isEmpty() || output.paperMm.isEmpty())
        return image;
    const double share = double(size.width()) / double(pages);
    // Pages side by side keep a little grey between them.
    const double gutter = pages > 1 ? share * 0.03 : 0.0;
    const double scale = std::min(
        (share - gutter) / output.paperMm.width(), double(size.height()) / output.paperMm.height());
    const QSizeF paper(output.paperMm.width() * scale, output.paperMm.height() * scale);
    QPainter painter(&image);
    painter.setRenderHints(
        QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    for (qsizetype i = 0; i < pages; ++i) {
        const QPointF corner(
            share * double(i) + (share - paper.width()) / 2, (size.height() - paper.height()) / 2);
        const QRectF sheetOfPaper(corner, paper);
        painter.resetTransform();
        painter.setClipRect(sheetOfPaper);
        painter.fillRect(sheetOfPaper, Qt::white);
        // The paper, seen from its own corner at the preview's scale.
        QTransform transform = sheetToDevice(
            output.geometry, output.plan.at(i), QPointF(0, 0), QSizeF(scale, scale));
        transform *= QTransform::fromTranslate(corner.x(), corner.y());
        painter.setTransform(transform);
        inlay::paintPage(painter, page, output.plan.at(i), inlay::Rendering::Device);
    }
    return image;
}

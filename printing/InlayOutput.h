#pragma once

#include "calibration/CalibrationPage.h"
#include "inlay/InlayPage.h"
#include "printing/PrintGeometry.h"

#include <QImage>
#include <QList>
#include <QPageSize>
#include <QString>

#include <optional>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

// The inlay on paper: which pages, where the layout lands on them, and the
// painting of those pages on a printer, into a PDF file or as a preview.
// Every page is painted by inlay::paintPage through one transform.

enum class Paper { A4, Letter };

QPageSize pageSizeOf(Paper paper);
// The name a paper is stored and asked for by ("a4", "letter"), and back.
QString paperKey(Paper paper);
std::optional<Paper> paperFromKey(const QString& key);

// How the pages of one output lie: where the layout lands on the paper, where
// the device's origin is on the paper and how many dots it has per
// millimetre, and which part of the layout goes on which page.
struct PagedOutput
{
    QSizeF paperMm;
    PageGeometry geometry;
    QPointF deviceOriginMm;
    QSizeF dotsPerMm;
    QList<inlay::Part> plan;
};

// A printer's pages. printerName is the name the printer is listed under:
// once that printer is calibrated, the layout prints at true size with its
// corner where the calibration puts it; otherwise with today's fixed factors
// from the printable corner.
PagedOutput printerOutput(const QPrinter& printer, const QString& printerName);
// A PDF's pages at true size, at the resolution pictures are written at.
PagedOutput pdfOutput(Paper paper);
// How many pixels a picture in that sheet area gets in a PDF.
QSize pdfPicturePixels(const QRect& sheetArea);

// Paints every page of the output, starting a new page for each after the
// first. Returns false when the device cannot start another page.
bool paintPages(QPainter& painter, QPagedPaintDevice& device, const inlay::Page& page,
    const PagedOutput& output);

// Prints the pages as one job titled `title`; throws UserError when the job
// cannot be started or finished.
void printInlay(
    QPrinter& printer, const QString& printerName, const inlay::Page& page, const QString& title);

// Prints the calibration page, uncalibrated, and returns where it put what
// is to be measured; throws UserError when the paper has no room for it or
// the job cannot be started or finished.
CalibrationPage printCalibrationPage(QPrinter& printer, const QString& printerName);

// Writes the pages to a PDF file, replacing it only once it is complete;
// throws UserError naming the file when it cannot be written.
void writeInlayPdf(const QString& path, const inlay::Page& page, Paper paper, const QString& title);

// The pages of the output side by side in an image of the given size, each
// paper scaled to fit its share and painted smoothly, so that every line
// shows however small.
QImage previewImage(const inlay::Page& page, const PagedOutput& output, QSize size);

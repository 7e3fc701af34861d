#pragma once

#include "inlay/InlayPage.h"

#include <QList>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QTransform>

// Sizes of the print window's preview and of the printed sheet. Pure
// arithmetic, apart from any window or printer.

// x taken to the nearest integer, a half going to the even neighbour.
int roundHalfToEven(double x);

// rScreen is the screen's pixels per inch divided by 96.

// The preview area when the window is created: a sixth of an A4 page in
// millimetres at 96 pixels per inch.
QSize firstPreviewSize(double rScreen);
// The preview area the window keeps: 3 pixels per millimetre of an A4 page at
// 96 pixels per inch, proportionally larger on finer screens.
QSize previewAreaSize(double rScreen);

// Where the whole sheet raster goes on the printed page, in printer dots from
// the corner of the printable area. A sheet pixel is taken as 1/96 inch and
// then shrunk by factors that differ across and down, so that it prints at
// 0.24813 mm across and 0.24732 mm down. The screen plays no part.
QRect printTargetRect(QSize sheet, int dpiX, int dpiY);

// Where the layout lands on paper: the corner of sheet pixel (0, 0), in
// millimetres from the paper's top left corner, and the size one sheet pixel
// prints at. Every way of putting the page on paper (printer, preview, PDF)
// goes through one of these.
struct PageGeometry
{
    QPointF originMm;
    QSizeF sheetPixelMm;
};

// A printer's page as printing has always placed it: from the corner of the
// printable area, the sheet pixel measured by printTargetRect.
PageGeometry printerPageGeometry(int dpiX, int dpiY, QPointF printableCornerMm);
// True size: exactly 4 sheet pixels per millimetre, the corner of sheet pixel
// (0, 0) at cornerMm.
PageGeometry trueSizeGeometry(QPointF cornerMm);
// A PDF's page: true size, sheet pixel (0, 0) at 4 mm from the left and top
// edges.
PageGeometry pdfPageGeometry();

// The transform from paper millimetres to a device that shows the paper from
// deviceOriginMm at dotsPerMm.
QTransform paperToDevice(QPointF deviceOriginMm, QSizeF dotsPerMm);

// The transform from sheet pixels to a device that shows the paper from
// deviceOriginMm (in paper millimetres) at dotsPerMm, for one part of the
// layout: a part printed alone starts where the whole layout starts.
QTransform sheetToDevice(
    const PageGeometry& geometry, inlay::Part part, QPointF deviceOriginMm, QSizeF dotsPerMm);

// The parts, one page each: the whole layout when it ends above bottomMm on
// the paper, otherwise the front and the back inlay apart.
QList<inlay::Part> pagePlan(const PageGeometry& geometry, double bottomMm);

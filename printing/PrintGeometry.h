#pragma once

#include <QRect>
#include <QSize>

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

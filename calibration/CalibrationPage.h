#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

class QPainter;

// The page a printer prints to be measured: two long measuring lines with
// millimetre ticks and numbered centimetres, forming an L, and a mark at the
// corner where the layout lands without calibration. Everything is in
// millimetres on the paper as the printer is asked to print it; no calibration
// applies to this page.
//
// Line A runs across from acrossStartMm to the L's corner, line B runs down
// from downStartMm to the same corner.
constexpr double kAcrossLineMm = 180.0;
constexpr double kDownLineMm = 260.0;

struct CalibrationPage
{
    QSizeF paperMm;
    // The corner of the printable area, where an uncalibrated printer puts
    // the layout's corner.
    QPointF cornerMm;
    QPointF acrossStartMm;
    QPointF downStartMm;
};

// The page for paper of that size with that printable area: the L centred in
// the printable area. None when the area is smaller than calibrationPageRoom().
std::optional<CalibrationPage> calibrationPageFor(QSizeF paperMm, const QRectF& printableMm);
QSizeF calibrationPageRoom();

// Paints the page, its texts in the user's language. The painter's transform
// takes paper millimetres to the device.
void paintCalibrationPage(
    QPainter& painter, const CalibrationPage& page, const QString& printerName);

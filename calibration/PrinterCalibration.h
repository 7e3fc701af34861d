#pragma once

#include "calibration/CalibrationPage.h"

#include <QPointF>
#include <QSizeF>
#include <QString>

#include <optional>

// How one printer really puts a page on paper, worked out from its measured
// calibration page, and where the user wants the layout. Positions are in
// millimetres from the paper's top left corner.
struct PrinterCalibration
{
    // What the printer makes of a length, across and down: 0.985 prints
    // 100 mm as 98.5 mm.
    QSizeF scale { 1.0, 1.0 };
    // Where a point asked for at the paper's corner would land.
    QPointF shiftMm;
    // Where the corner of the layout is to land.
    QPointF cornerMm;

    // Where a point the printer is asked to put at askedMm lands.
    QPointF landsAt(QPointF askedMm) const;
};

// What the user read off the calibration page, in millimetres, as typed.
struct Measurements
{
    QString across; // A: line A from its 0 to its end
    QString down; // B: line B from its 0 to its end
    QString cornerLeft; // C: left paper edge to the corner mark
    QString cornerTop; // D: top paper edge to the corner mark
    QString wantedLeft; // where the layout's corner is to land
    QString wantedTop;
};

// The input a problem is about, so the window can take the user there.
enum class MeasurementField { Across, Down, CornerLeft, CornerTop, WantedLeft, WantedTop };

struct CalibrationResult
{
    std::optional<PrinterCalibration> calibration;
    // Otherwise what is wrong, in the user's language, and where.
    QString problem;
    MeasurementField field = MeasurementField::Across;
};

// The calibration that makes a sheet pixel print as 0.25 mm with the layout's
// corner where wanted, from what was measured on `page`. Input no printer can
// produce (a line more than 10 % off, a negative distance, a corner mark far
// from where it was printed, a layout that would not fit on the paper) is
// refused with a message.
CalibrationResult calibrationFromMeasurements(
    const CalibrationPage& page, const Measurements& measured);

// The corner to suggest for the layout when the user has not chosen one:
// preferredMm, but on each axis no nearer the paper's edge than the
// printer's printable area starts, so nothing of the layout is lost in the
// printer's margin, nor so far in that the layout would leave the paper. In
// whole tenths of a millimetre, as the window shows it.
QPointF suggestedCornerMm(const CalibrationPage& page, QPointF preferredMm);

// A length typed in millimetres: "179.5", "179,5" and "179.5 mm" alike.
std::optional<double> parseMillimetres(const QString& text);
// A length as the user reads and types it, in the user's language: "4.0", "4,0".
QString millimetresText(double mm);

// "across 98.5 %, down 101.2 %", in the user's language.
QString calibrationSummary(const PrinterCalibration& calibration);

// The calibration stored for the printer of that name; none when it was never
// calibrated, was reset, or what is stored cannot be read.
std::optional<PrinterCalibration> storedCalibration(const QString& printerName);
void storeCalibration(const QString& printerName, const PrinterCalibration& calibration);
// The printer goes back to the fixed print factors.
void forgetCalibration(const QString& printerName);

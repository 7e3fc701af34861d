#include "printing/PrintGeometry.h"

#include <cmath>

namespace {

constexpr double kSheetPixelsPerInch = 96.0;
constexpr double kAcrossCorrection = 0.93781;
constexpr double kDownCorrection = 0.93474;

int scaledRounded(int value, double factor)
{
    return roundHalfToEven(value * factor);
}

} // namespace

int roundHalfToEven(double x)
{
    const double below = std::floor(x);
    const double fraction = x - below;
    double result = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        result = below + 1.0;
    return static_cast<int>(result);
}

QSize firstPreviewSize(double rScreen)
{
    return { scaledRounded(420, rScreen), scaledRounded(594, rScreen) };
}

QSize previewAreaSize(double rScreen)
{
    return { scaledRounded(630, rScreen), scaledRounded(891, rScreen) };
}

QRect printTargetRect(QSize sheet, int dpiX, int dpiY)
{
    const double sx = dpiX / kSheetPixelsPerInch;
    const double sy = dpiY / kSheetPixelsPerInch;
    const int right = roundHalfToEven(sheet.width() * sx * kAcrossCorrection);
    const int bottom = roundHalfToEven(sheet.height() * sy * kDownCorrection);
    return { QPoint(0, 0), QSize(right, bottom) };
}

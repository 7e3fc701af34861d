#include "printing/PrintGeometry.h"

#include "inlay/LayoutSheet.h"

#include <cmath>

namespace {

constexpr double kSheetPixelsPerInch = 96.0;
constexpr double kAcrossCorrection = 0.93781;
constexpr double kDownCorrection = 0.93474;
constexpr double kMillimetresPerInch = 25.4;
constexpr double kTrueSheetPixelMm = 0.25;
constexpr double kPdfOriginMm = 4.0;

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

PageGeometry printerPageGeometry(int dpiX, int dpiY, QPointF printableCornerMm)
{
    // The sheet pixel as the target rectangle of the whole layout makes it.
    const QRect target = printTargetRect(sheet::kLayoutSize, dpiX, dpiY);
    const double dotsAcross = double(target.width()) / sheet::kLayoutSize.width();
    const double dotsDown = double(target.height()) / sheet::kLayoutSize.height();
    return { printableCornerMm,
        QSizeF(dotsAcross * kMillimetresPerInch / dpiX, dotsDown * kMillimetresPerInch / dpiY) };
}

PageGeometry trueSizeGeometry(QPointF cornerMm)
{
    return { cornerMm, QSizeF(kTrueSheetPixelMm, kTrueSheetPixelMm) };
}

PageGeometry pdfPageGeometry()
{
    return trueSizeGeometry(QPointF(kPdfOriginMm, kPdfOriginMm));
}

QTransform paperToDevice(QPointF deviceOriginMm, QSizeF dotsPerMm)
{
    QTransform transform;
    transform.scale(dotsPerMm.width(), dotsPerMm.height());
    transform.translate(-deviceOriginMm.x(), -deviceOriginMm.y());
    return transform;
}

QTransform sheetToDevice(
    const PageGeometry& geometry, inlay::Part part, QPointF deviceOriginMm, QSizeF dotsPerMm)
{
    const QPoint partStart = inlay::partArea(part).topLeft();
    QTransform sheetToPaper;
    sheetToPaper.translate(geometry.originMm.x(), geometry.originMm.y());
    sheetToPaper.scale(geometry.sheetPixelMm.width(), geometry.sheetPixelMm.height());
    sheetToPaper.translate(-partStart.x(), -partStart.y());
    return sheetToPaper * paperToDevice(deviceOriginMm, dotsPerMm);
}

QList<inlay::Part> pagePlan(const PageGeometry& geometry, double bottomMm)
{
    const double layoutBottomMm
        = geometry.originMm.y() + sheet::kLayoutBottom * geometry.sheetPixelMm.height();
    if (layoutBottomMm <= bottomMm)
        return { inlay::Part::Whole };
    return { inlay::Part::Front, inlay::Part::Back };
}

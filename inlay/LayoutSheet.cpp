#include "inlay/LayoutSheet.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace sheet {

const std::array<Line, 8> kFrontCutMarks { {
    { { 27, 57 }, { 167, 57 } },
    { { 673, 57 }, { 813, 57 } },
    { { 27, 542 }, { 167, 542 } },
    { { 673, 542 }, { 813, 542 } },
    { { 177, -3 }, { 177, 47 } },
    { { 177, 553 }, { 177, 603 } },
    { { 662, -3 }, { 662, 47 } },
    { { 662, 553 }, { 662, 603 } },
} };

const std::array<Line, 8> kBackCutMarks { {
    { { 27, 610 }, { 106, 610 } },
    { { 734, 610 }, { 813, 610 } },
    { { 27, 1087 }, { 106, 1087 } },
    { { 734, 1087 }, { 813, 1087 } },
    { { 116, 553 }, { 116, 600 } },
    { { 116, 1098 }, { 116, 1148 } },
    { { 723, 553 }, { 723, 600 } },
    { { 723, 1098 }, { 723, 1148 } },
} };

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

// Drawing goes straight into 32-bit pixels so the pixel rules hold exactly.
void ensureDrawable(QImage& image)
{
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_RGB32);
}

void setPixel(QImage& image, int x, int y, QRgb colour)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return;
    reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour;
}

void fillArea(QImage& image, const Area& area, QRgb colour)
{
    const int left = std::max(area.left, 0);
    const int right = std::min(area.right, image.width());
    if (right <= left)
        return;
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, image.height()); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(row + left, row + right, colour);
    }
}

} // namespace

QPoint leftSpineAnchor(const QRect& leftSpineBox)
{
    return { leftSpineBox.left(), leftSpineBox.top() + 472 - 10 };
}

QPoint rightSpineAnchor(const QRect& rightSpineBox)
{
    return { rightSpineBox.left() + 25 - 3, rightSpineBox.top() + 10 };
}

QSize sheetSize(QSize viewClientSize)
{
    return { std::max(viewClientSize.width(), 0), std::max(viewClientSize.height(), kScrollRange) };
}

QImage createSheet(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

void drawRectangle(QImage& image, const Area& area)
{
    if (area.width() <= 0 || area.height() <= 0)
        return;
    ensureDrawable(image);
    fillArea(image, area, kWhite);
    fillArea(image, { area.left, area.top, area.right, area.top + 1 }, kBlack);
    fillArea(image, { area.left, area.bottom - 1, area.right, area.bottom }, kBlack);
    fillArea(image, { area.left, area.top, area.left + 1, area.bottom }, kBlack);
    fillArea(image, { area.right - 1, area.top, area.right, area.bottom }, kBlack);
}

void drawLine(QImage& image, const Line& line)
{
    ensureDrawable(image);
    // Bresenham, stopping before the end point.
    int x = line.from.x();
    int y = line.from.y();
    const int dx = std::abs(line.to.x() - x);
    const int dy = -std::abs(line.to.y() - y);
    const int stepX = x < line.to.x() ? 1 : -1;
    const int stepY = y < line.to.y() ? 1 : -1;
    int error = dx + dy;
    while (x != line.to.x() || y != line.to.y()) {
        setPixel(image, x, y, kBlack);
        const int doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            x += stepX;
        }
        if (doubled <= dx) {
            error += dx;
            y += stepY;
        }
    }
}

void drawEmptyLayout(QImage& image)
{
    drawRectangle(image, kFrontFrame);
    for (const Line& mark : kFrontCutMarks)
        drawLine(image, mark);
    drawRectangle(image, kBackFrame);
    for (const Line& mark : kBackCutMarks)
        drawLine(image, mark);
    drawRectangle(image, kLeftSpineFrame);
    drawRectangle(image, kRightSpineFrame);
}

void stretchDraw(QImage& image, const QImage& picture, const Area& area)
{
    if (picture.isNull() || area.width() <= 0 || area.height() <= 0)
        return;
    ensureDrawable(image);
    const QImage source = picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
    const long long sourceWidth = source.width();
    const long long sourceHeight = source.height();
    const int left = std::max(area.left, 0);
    const int right = std::min(area.right, image.width());
    if (right <= left)
        return;
    // Each target pixel takes the source pixel under its centre. The source
    // column is the same on every row, so it is worked out once per column.
    std::vector<int> sourceColumns(std::size_t(right - left));
    for (int x = left; x < right; ++x) {
        sourceColumns[std::size_t(x - left)]
            = int(((2LL * (x - area.left) + 1) * sourceWidth) / (2LL * area.width()));
    }
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, image.height()); ++y) {
        const long long sourceY
            = ((2LL * (y - area.top) + 1) * sourceHeight) / (2LL * area.height());
        const QRgb* sourceRow = reinterpret_cast<const QRgb*>(source.constScanLine(int(sourceY)));
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y)) + left;
        for (const int sourceX : sourceColumns)
            *row++ = sourceRow[sourceX] | 0xff000000u;
    }
}

int pointsToPixels(int points, int pixelsPerInch)
{
    return (points * pixelsPerInch + 36) / 72;
}

QFont spineFont(int pixelsPerInch)
{
    QFont font(QStringLiteral("Verdana"));
    font.setBold(true);
    font.setPixelSize(pointsToPixels(10, pixelsPerInch));
    return font;
}

QFont signatureFont(int pixelsPerInch)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pointsToPixels(8, pixelsPerInch));
    return font;
}

void drawRotatedText(
    QImage& image, const QFont& font, int angle, QPoint anchor, const QString& text)
{
    if (text.isEmpty())
        return;
    ensureDrawable(image);
    // The sheet is printed as it is: hard black glyph edges, no grey fringes.
    QFont sharpFont = font;
    sharpFont.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(sharpFont);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(sharpFont);
    painter.translate(anchor);
    painter.rotate(-angle); // counter-clockwise on a y-down raster
    painter.fillRect(QRect(0, 0, metrics.horizontalAdvance(text), metrics.height()), Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(0, metrics.ascent(), text);
}

QPoint signaturePosition(const QFont& font)
{
    QFont sharpFont = font;
    sharpFont.setStyleStrategy(QFont::NoAntialias);
    const int width = QFontMetrics(sharpFont).horizontalAdvance(kSignature);
    return { (kBackPictureSize.width() - width) / 2, kSignatureTop };
}

void signBackPicture(QImage& picture, const QFont& font)
{
    drawRotatedText(picture, font, 0, signaturePosition(font), kSignature);
}

} // namespace sheet

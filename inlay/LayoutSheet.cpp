#include "inlay/LayoutSheet.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

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

const QRgb kWhite = qRgb(255, 255, 255);

// Drawing goes straight into 32-bit pixels so the pixel rules hold exactly.
void ensureDrawable(QImage& image)
{
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_RGB32);
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
    return viewClientSize.expandedTo(kLayoutSize);
}

QImage createSheet(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

QRect lineArea(const Line& line)
{
    if (line.from == line.to)
        return {};
    // The end point is not drawn, whichever way the line runs.
    const QPoint step(line.to.x() > line.from.x() ? 1
            : line.to.x() < line.from.x()         ? -1
                                                  : 0,
        line.to.y() > line.from.y()       ? 1
            : line.to.y() < line.from.y() ? -1
                                          : 0);
    return QRect(line.from, line.to - step).normalized();
}

void paintRectangle(QPainter& painter, const Area& area)
{
    if (area.width() <= 0 || area.height() <= 0)
        return;
    const QRectF whole(area.left, area.top, area.width(), area.height());
    painter.fillRect(whole, Qt::white);
    painter.fillRect(QRectF(area.left, area.top, area.width(), 1), Qt::black);
    painter.fillRect(QRectF(area.left, area.bottom - 1, area.width(), 1), Qt::black);
    painter.fillRect(QRectF(area.left, area.top, 1, area.height()), Qt::black);
    painter.fillRect(QRectF(area.right - 1, area.top, 1, area.height()), Qt::black);
}

void paintLine(QPainter& painter, const Line& line)
{
    painter.fillRect(QRectF(lineArea(line)), Qt::black);
}

void paintFrontFrames(QPainter& painter)
{
    paintRectangle(painter, kFrontFrame);
    for (const Line& mark : kFrontCutMarks)
        paintLine(painter, mark);
}

void paintBackFrames(QPainter& painter)
{
    paintRectangle(painter, kBackFrame);
    for (const Line& mark : kBackCutMarks)
        paintLine(painter, mark);
    paintRectangle(painter, kLeftSpineFrame);
    paintRectangle(painter, kRightSpineFrame);
}

void drawEmptyLayout(QImage& image)
{
    ensureDrawable(image);
    QPainter painter(&image);
    paintFrontFrames(painter);
    paintBackFrames(painter);
}

QImage nearestStretched(const QImage& picture, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return {};
    const QImage source = picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
    const long long sourceWidth = source.width();
    const long long sourceHeight = source.height();
    QImage result(size, QImage::Format_RGB32);
    // The source column is the same on every row, so it is worked out once
    // per column.
    std::vector<int> sourceColumns(std::size_t(size.width()));
    for (int x = 0; x < size.width(); ++x)
        sourceColumns[std::size_t(x)] = int(((2LL * x + 1) * sourceWidth) / (2LL * size.width()));
    for (int y = 0; y < size.height(); ++y) {
        const long long sourceY = ((2LL * y + 1) * sourceHeight) / (2LL * size.height());
        const QRgb* sourceRow = reinterpret_cast<const QRgb*>(source.constScanLine(int(sourceY)));
        QRgb* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (const int sourceX : sourceColumns)
            *row++ = sourceRow[sourceX] | 0xff000000u;
    }
    return result;
}

void stretchDraw(QImage& image, const QImage& picture, const Area& area)
{
    const QImage stretched = nearestStretched(picture, QSize(area.width(), area.height()));
    if (stretched.isNull())
        return;
    ensureDrawable(image);
    QPainter painter(&image);
    painter.drawImage(QPoint(area.left, area.top), stretched);
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
    QPainter painter(&image);
    paintRotatedText(painter, font, angle, anchor, text, true);
}

void paintRotatedText(QPainter& painter, const QFont& font, int angle, QPoint anchor,
    const QString& text, bool hardEdges)
{
    if (text.isEmpty())
        return;
    QFont textFont = font;
    if (hardEdges)
        textFont.setStyleStrategy(QFont::NoAntialias);
    // Sizes are sheet pixels, as the screen lays the text out; any device
    // scales them through the painter's transform.
    const QFontMetrics metrics(textFont);
    painter.save();
    if (hardEdges) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
    }
    painter.setFont(textFont);
    painter.translate(anchor);
    painter.rotate(-angle); // counter-clockwise on a y-down raster
    painter.fillRect(QRect(0, 0, metrics.horizontalAdvance(text), metrics.height()), Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(0, metrics.ascent(), text);
    painter.restore();
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

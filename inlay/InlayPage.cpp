#include "inlay/InlayPage.h"

#include "inlay/BackText.h"
#include "inlay/LayoutSheet.h"

#include <QPainter>
#include <QRegion>

#include <cmath>

namespace inlay {

namespace {

bool showsFront(Part part)
{
    return part != Part::Back;
}

bool showsBack(Part part)
{
    return part != Part::Front;
}

QRect toRect(const sheet::Area& area)
{
    return area.toRect();
}

// How many device pixels the painter puts on a sheet area.
QSize devicePixels(const QPainter& painter, const QRectF& area)
{
    const QRectF mapped = painter.deviceTransform().mapRect(area);
    // A hair of slack so an exact fit is not rounded up by float noise.
    return { std::max(1, int(std::ceil(mapped.width() - 1e-6))),
        std::max(1, int(std::ceil(mapped.height() - 1e-6))) };
}

QImage smoothlyScaled(const QImage& image, QSize size)
{
    if (image.size() == size)
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Lossless for text and line art, which compression would blur.
void paintImage(QPainter& painter, const QImage& image, const QRectF& area, bool lossless)
{
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::LosslessImageRendering, lossless);
    painter.drawImage(area, image);
    painter.restore();
}

void paintRasterPicture(QPainter& painter, const QImage& picture, const QRect& area)
{
    const QImage stretched = sheet::nearestStretched(picture, area.size());
    if (!stretched.isNull())
        painter.drawImage(area.topLeft(), stretched);
}

void paintDeviceFront(QPainter& painter, const platform::Picture& front, const QRect& area)
{
    const QImage image = front.imageForArea(devicePixels(painter, area));
    if (!image.isNull())
        paintImage(painter, image, area, false);
}

// The back picture as pixels, made as fine as the device first.
void paintBackPicture(QPainter& painter, const QImage& picture, const QRect& area)
{
    if (!picture.isNull())
        paintImage(painter, smoothlyScaled(picture, devicePixels(painter, area)), area, true);
}

// The text area from the text itself, the rest of the picture (the editor's
// border below it) from the picture, and the signature as text.
void paintBackFromText(QPainter& painter, const Page& page, const QRect& area)
{
    const QImage& picture = page.back.image();
    painter.save();
    painter.translate(area.topLeft()); // back-picture pixels are sheet pixels
    const QRegion around = QRegion(picture.rect()) - page.backText->textArea();
    for (const QRect& strip : around)
        paintBackPicture(painter, picture.copy(strip), strip);
    page.backText->paintTextArea(painter);
    sheet::paintRotatedText(painter, page.signatureFont, 0,
        sheet::signaturePosition(page.signatureFont), sheet::kSignature, false);
    painter.restore();
}

void paintPictures(QPainter& painter, const Page& page, Part part, Rendering rendering)
{
    const QRect frontArea = toRect(sheet::kFrontArea);
    const QRect backArea = toRect(sheet::kBackArea);
    if (rendering == Rendering::SheetRaster) {
        if (showsFront(part))
            paintRasterPicture(painter, page.front.image(), frontArea);
        if (showsBack(part))
            paintRasterPicture(painter, page.back.image(), backArea);
        return;
    }
    if (showsFront(part))
        paintDeviceFront(painter, page.front, frontArea);
    if (showsBack(part)) {
        if (page.backText && page.back.image().size() == sheet::kBackPictureSize)
            paintBackFromText(painter, page, backArea);
        else
            paintBackPicture(painter, page.back.image(), backArea);
    }
}

void paintSpines(QPainter& painter, const SpineText& spine, Rendering rendering)
{
    const bool hardEdges = rendering == Rendering::SheetRaster;
    sheet::paintRotatedText(painter, spine.font, 90, sheet::leftSpineAnchor(sheet::kLeftSpineBox),
        spine.text, hardEdges);
    sheet::paintRotatedText(painter, spine.font, 270,
        sheet::rightSpineAnchor(sheet::kRightSpineBox), spine.text, hardEdges);
}

} // namespace

QRect partArea(Part part)
{
    switch (part) {
    case Part::Front:
        return sheet::kFrontPart;
    case Part::Back:
        return sheet::kBackPart;
    case Part::Whole:
        break;
    }
    return QRect(QPoint(0, 0), sheet::kLayoutSize);
}

// In the order the sheet has always been drawn: frames and marks, then the
// pictures, then the spine text over whatever it reaches.
void paintPage(QPainter& painter, const Page& page, Part part, Rendering rendering)
{
    painter.save();
    painter.setClipRect(partArea(part), Qt::IntersectClip);
    if (showsFront(part))
        sheet::paintFrontFrames(painter);
    if (showsBack(part))
        sheet::paintBackFrames(painter);
    paintPictures(painter, page, part, rendering);
    if (showsBack(part) && page.spine)
        paintSpines(painter, *page.spine, rendering);
    painter.restore();
}

} // namespace inlay

#pragma once

#include "platform/Picture.h"

#include <QFont>
#include <QString>

#include <memory>
#include <optional>

class QPainter;

namespace inlay {

class BackText;

// The line drawn rotated on both spines.
struct SpineText
{
    QString text;
    QFont font; // sized in sheet pixels
};

// What the layout sheet shows: the frames and cut marks, and whatever has
// been composed onto it since it was last cleared. This one description is
// painted by paintPage onto the sheet raster, the preview, a printer and a
// PDF, so they all show the same inlay.
struct Page
{
    // The front picture, with its source for painting at a finer resolution
    // than the sheet's. Empty: nothing composed.
    platform::Picture front;
    // The signed back picture. Empty: nothing composed.
    platform::Picture back;
    // The font the back picture's signature was written in.
    QFont signatureFont;
    // The back text that paints exactly what the back picture shows, where
    // that is known; the back picture is then painted from it.
    std::shared_ptr<const BackText> backText;
    std::optional<SpineText> spine;
};

// One inlay alone, for paper too short to hold the whole layout.
enum class Part { Whole, Front, Back };

enum class Rendering {
    // The sheet raster, one sheet pixel to one raster pixel: pictures
    // stretched by nearest pixel and text with hard edges, as the sheet has
    // always shown them.
    SheetRaster,
    // Any device, through the painter's transform from sheet pixels: lines
    // and text stay lines and text, pictures are smoothly scaled to the
    // device's resolution, the front one from its source.
    Device,
};

// The sheet area a part covers.
QRect partArea(Part part);

// Paints the part of the page in sheet pixels, clipped to the part's area.
// The painter's transform takes sheet pixels to the device.
void paintPage(QPainter& painter, const Page& page, Part part, Rendering rendering);

} // namespace inlay

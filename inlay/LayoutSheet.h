#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>

class QPainter;

// The layout sheet: one CD inlay at 4 pixels per millimetre, the front square
// above the back inlay with its two spines, thin frames and cut marks.
//
// Every coordinate here is a sheet pixel (origin top left, y downwards). Sheet
// pixels are never scaled to the screen: printing relies on them being exact.
namespace sheet {

// A rectangle as the sheet draws it: columns left .. right - 1 and rows
// top .. bottom - 1.
struct Area
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    QRect toRect() const { return QRect(left, top, width(), height()); }
};

// A 1-pixel line that does not include its end point.
struct Line
{
    QPoint from;
    QPoint to;
};

// The view scrolls over 297 mm.
constexpr int kScrollRange = 1188;
// Every column and row the layout draws on: the sheet raster is never
// smaller, and this is what is printed.
constexpr QSize kLayoutSize { 813, kScrollRange };
// The layout draws nothing below its lowest cut marks, which end here.
constexpr int kLayoutBottom = 1148;
// The two inlays apart, each with its cut marks, for paper that holds only
// one of them: the front down to the end of its lower marks, the back from
// the start of its upper marks.
constexpr QRect kFrontPart { 0, 0, 813, 604 };
constexpr QRect kBackPart { 0, 553, 813, kScrollRange - 553 };

// Frames, in drawing order; later ones paint over earlier ones.
constexpr Area kFrontFrame { 177, 57, 663, 543 };
constexpr Area kBackFrame { 141, 610, 699, 1088 };
constexpr Area kLeftSpineFrame { 116, 610, 142, 1088 };
constexpr Area kRightSpineFrame { 698, 610, 724, 1088 };

// Cut marks continue the outer edges outwards and stop 10 pixels (2.5 mm)
// short of the frame. The two above the front frame start above the sheet.
extern const std::array<Line, 8> kFrontCutMarks;
extern const std::array<Line, 8> kBackCutMarks;

// Pictures are stretched into these, 2 pixels inside the frame outlines.
constexpr Area kFrontArea { 180, 60, 660, 540 };
constexpr Area kBackArea { 144, 613, 696, 1085 };

// The picture boxes that lie over the sheet in the view.
constexpr QRect kFrontBox { 181, 61, 480, 480 };
constexpr QRect kBackBox { 145, 614, 552, 472 };
constexpr QRect kLeftSpineBox { 118, 612, 23, 472 };
constexpr QRect kRightSpineBox { 700, 612, 23, 472 };

// The front picture is decoded at no less than this; the back picture is
// rendered at exactly this size.
constexpr QSize kFrontPictureSize { 480, 480 };
constexpr QSize kBackPictureSize { 552, 472 };
// A front picture held as pixels is kept at no more than this: its 120 mm at
// 600 dots per inch, as fine as print puts it on paper.
constexpr QSize kFrontPrintSize { 2835, 2835 };
// A back picture read from a file may be finer than the one the editor
// makes, up to four times in each direction; a larger one is refused.
constexpr QSize kLargestBackPicture { 4 * kBackPictureSize.width(), 4 * kBackPictureSize.height() };

// The back picture carries the program's name as its signature.
inline const QString kSignature = QStringLiteral("qzLayer");
constexpr int kSignatureTop = 452;

// Where the spine text starts, taken from the spine boxes: the left spine reads
// upwards from 10 pixels above its lower end, the right one downwards from 10
// pixels below its upper end.
QPoint leftSpineAnchor(const QRect& leftSpineBox);
QPoint rightSpineAnchor(const QRect& rightSpineBox);

// The raster for a view whose client area has the given size: at least the
// whole layout, and as large as the view where that is larger.
QSize sheetSize(QSize viewClientSize);
QImage createSheet(QSize size);

// The pixels a horizontal or vertical line covers.
QRect lineArea(const Line& line);
// Black 1-pixel outline on the area's outermost pixels, interior white; in
// sheet pixels, whatever the painter's transform makes of them.
void paintRectangle(QPainter& painter, const Area& area);
void paintLine(QPainter& painter, const Line& line);
// The frames and cut marks of the front inlay, or of the back inlay with its
// spines, in drawing order.
void paintFrontFrames(QPainter& painter);
void paintBackFrames(QPainter& painter);
// The frames and cut marks of the empty layout, nothing else.
void drawEmptyLayout(QImage& image);

// The picture stretched to the size by nearest pixel, each pixel taking the
// source pixel under its centre; the aspect ratio is not kept.
QImage nearestStretched(const QImage& picture, QSize size);
void stretchDraw(QImage& image, const QImage& picture, const Area& area);

// Fonts in pixels as the sheet's text output sizes them from points.
int pointsToPixels(int points, int pixelsPerInch);
QFont spineFont(int pixelsPerInch);
QFont signatureFont(int pixelsPerInch);

// Draws text turned counter-clockwise by angle degrees about anchor, which is
// the top left corner of the unrotated text; each character cell gets an
// opaque white background. On the sheet raster the glyphs get hard edges,
// since the sheet is shown pixel for pixel; through any other painter the
// text stays text.
void drawRotatedText(
    QImage& image, const QFont& font, int angle, QPoint anchor, const QString& text);
void paintRotatedText(QPainter& painter, const QFont& font, int angle, QPoint anchor,
    const QString& text, bool hardEdges);

// Writes the signature into a back picture: centred on 552 pixels, top at row
// 452, whatever the picture's own size. The picture becomes 32-bit if needed.
void signBackPicture(QImage& picture, const QFont& font);
QPoint signaturePosition(const QFont& font);

} // namespace sheet

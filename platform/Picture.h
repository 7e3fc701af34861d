#pragma once

#include "platform/ErrorReport.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

// A picture as the program holds it: decoded for drawing, and for a JPEG also
// the bytes it was loaded from, so it can be written again without re-encoding.
namespace platform {

// How a picture is held: a JPEG keeps the bytes it was read from; any other
// picture (a Windows bitmap, or a PNG, WebP, TIFF or GIF file) is held as its
// pixels, like a bitmap.
enum class PictureFormat { None, Jpeg, Bitmap };

// Pictures of more pixels than this are refused before they are decoded: far
// more than an inlay needs at any print resolution (120 mm square at 1200 dots
// per inch is 32 megapixels), and decoding one would take hundreds of
// megabytes. A picture file larger than kMaxPictureFileSize is refused too.
constexpr qint64 kMaxPicturePixels = 64'000'000;
constexpr qint64 kMaxPictureFileSize = 320 * 1024 * 1024;
// Why a picture of this size is refused, as a reason that follows its name;
// empty when it is not too large.
QString pictureSizeProblem(QSize size);

// Picture data that cannot be decoded or encoded. reason() says why in a form
// that follows a file name ("it is not a JPEG file"); text() is a whole sentence.
class PictureError : public UserError
{
public:
    explicit PictureError(const QString& reason);
    const QString& reason() const noexcept { return m_reason; }

private:
    QString m_reason;
};

class Picture
{
public:
    Picture() = default;

    // Loads by the file name's extension, in any letter case: ".jpg" and
    // ".jpeg" as JPEG through libjpeg, ".bmp" as a Windows bitmap, and the
    // other extensions of pictureExtensions() through Qt's image readers. A
    // missing file, one that is not a regular file, an unknown extension,
    // content that does not match the extension or a picture over the limits
    // above raises UserError naming the file or the extension; nothing is
    // half-loaded.
    // When neededSize is given, a large JPEG is decoded at the smallest scale
    // (1/2, 1/4 or 1/8) that still covers neededSize in both directions; the
    // source bytes are kept in full. A photo's EXIF orientation is applied, so
    // the picture is upright. A bitmap is held as Format_RGB32 (opaque, as
    // Windows draws it); a picture with transparency is laid on white paper.
    static Picture load(const QString& path, QSize neededSize = QSize());
    // The same from bytes in memory; raises PictureError.
    static Picture fromData(
        const QByteArray& bytes, PictureFormat format, QSize neededSize = QSize());
    // A null image or PictureFormat::None gives an empty picture. Palette and
    // one-bit images are converted so that they can be painted on.
    static Picture fromImage(const QImage& image, PictureFormat format = PictureFormat::Bitmap);

    // A picture held as pixels, made smaller (keeping its proportions) when it
    // is larger than maxSize in either direction. A JPEG keeps its source
    // bytes, from which it can always be decoded again, and is not changed.
    Picture reducedTo(QSize maxSize) const;

    bool isEmpty() const { return m_format == PictureFormat::None; }
    PictureFormat format() const { return m_format; }
    const QImage& image() const { return m_image; }
    // Drawing on a JPEG picture's image makes save() encode the image anew
    // instead of writing the source bytes.
    QImage& image() { return m_image; }
    // Bytes the picture was loaded from (JPEG only); empty otherwise.
    const QByteArray& sourceBytes() const { return m_sourceBytes; }
    // Size of the picture in its file, upright (may be larger than image() for
    // a reduced decode).
    QSize originalSize() const { return m_originalSize; }
    // The picture for an area of areaPixels device pixels: as many pixels in
    // each direction as the area has, or as the picture has where that is
    // fewer, smoothly scaled down. A JPEG held at a reduced size is decoded
    // again from its source when the area is finer than what is held.
    QImage imageForArea(QSize areaPixels) const;

    // Writes the picture in the format of the path's extension (as load() reads
    // them), so a bitmap picture saved as "Front.jpg" is encoded as JPEG:
    // - to ".jpg"/".jpeg": a JPEG picture whose image was not drawn on writes
    //   its source bytes unchanged; any other picture is encoded at quality 95.
    // - to ".bmp": a 24-bit Windows bitmap; a reduced JPEG decode that was not
    //   drawn on is decoded again in full for it.
    // The file is replaced only once it is completely written, so a failure
    // keeps the old file. An empty picture writes nothing. Raises UserError
    // naming the file on failure or for an unknown extension.
    void save(const QString& path) const;

private:
    bool sourceMatchesImage() const;
    QImage fullSizeImage() const;
    QByteArray encodedAs(PictureFormat target) const;

    PictureFormat m_format = PictureFormat::None;
    QImage m_image;
    QByteArray m_sourceBytes;
    QSize m_originalSize;
    qint64 m_sourceImageKey = 0; // cacheKey() of m_image as decoded from m_sourceBytes
};

// The extensions load() reads, without the dot and in lower case: jpg, jpeg,
// bmp and those of png, webp, tif, tiff and gif whose reader Qt has.
QStringList pictureExtensions();

// JPEG codec through libjpeg. Decoding raises PictureError for data that is
// not a complete, valid JPEG, for a picture over kMaxPicturePixels, and for a
// progressive JPEG whose scans ask for far more work than a picture needs;
// scaleDenominator is 1, 2, 4 or 8. The result is Format_RGB32 (grey and CMYK
// pictures are converted to RGB) and upright: an EXIF orientation is applied,
// and fullSize is the upright size.
QImage decodeJpeg(const QByteArray& bytes, int scaleDenominator = 1, QSize* fullSize = nullptr);
// Decodes at the scale jpegScaleDenominator() picks for neededSize, reading
// the data once.
QImage decodeJpeg(const QByteArray& bytes, QSize neededSize, QSize* fullSize = nullptr);
// Encodes at the given quality (1 to 100); raises PictureError.
QByteArray encodeJpeg(const QImage& image, int quality = 95);
// The largest of 8, 4 and 2 whose reduced size still covers neededSize in both
// directions, or 1; also 1 when neededSize is not valid.
int jpegScaleDenominator(QSize fullSize, QSize neededSize);

// Windows bitmap codec. Decoding accepts only BMP data and raises PictureError
// otherwise, or for a bitmap over kMaxPicturePixels; encoding writes 24 bits
// per pixel.
QImage decodeBitmap(const QByteArray& bytes);
QByteArray encodeBitmap(const QImage& image);

// Decodes with Qt's reader for the format ("png", "webp", ...) and nothing
// else, applying the file's own orientation; raises PictureError.
QImage decodeWithQt(const QByteArray& bytes, const QByteArray& format);

// The orientation (1 to 8) an EXIF block gives a photo, read from the
// payload of a JPEG APP1 segment; 0 when it holds none.
int exifOrientation(QByteArrayView app1);
// True for the orientations that turn the picture a quarter.
bool orientationSwapsSides(int orientation);
// The picture turned and mirrored as the orientation asks, so it is upright.
QImage orientedImage(QImage image, int orientation);

} // namespace platform

#pragma once

#include "platform/ErrorReport.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// A picture as the program holds it: decoded for drawing, and for a JPEG also
// the bytes it was loaded from, so it can be written again without re-encoding.
namespace platform {

enum class PictureFormat { None, Jpeg, Bitmap };

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
    // ".jpeg" as JPEG, ".bmp" as a Windows bitmap. A missing file, an unknown
    // extension or content that does not match the extension raises UserError
    // naming the file or the extension; nothing is half-loaded.
    // When neededSize is given, a large JPEG is decoded at the smallest scale
    // (1/2, 1/4 or 1/8) that still covers neededSize in both directions; the
    // source bytes are kept in full. The picture is taken as stored: an EXIF
    // orientation tag is not applied, since the program stretches pictures
    // into their boxes as they are. A bitmap is held as Format_RGB32 (opaque,
    // as Windows draws it).
    static Picture load(const QString& path, QSize neededSize = QSize());
    // The same from bytes in memory; raises PictureError.
    static Picture fromData(
        const QByteArray& bytes, PictureFormat format, QSize neededSize = QSize());
    // A null image or PictureFormat::None gives an empty picture. Palette and
    // one-bit images are converted so that they can be painted on.
    static Picture fromImage(const QImage& image, PictureFormat format = PictureFormat::Bitmap);

    bool isEmpty() const { return m_format == PictureFormat::None; }
    PictureFormat format() const { return m_format; }
    const QImage& image() const { return m_image; }
    // Drawing on a JPEG picture's image makes save() encode the image anew
    // instead of writing the source bytes.
    QImage& image() { return m_image; }
    // Bytes the picture was loaded from (JPEG only); empty otherwise.
    const QByteArray& sourceBytes() const { return m_sourceBytes; }
    // Size of the picture in its file (may be larger than image() for a reduced decode).
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

// JPEG codec through libjpeg. Decoding raises PictureError for data that is
// not a complete, valid JPEG; scaleDenominator is 1, 2, 4 or 8. The result is
// Format_RGB32 (grey and CMYK pictures are converted to RGB).
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
// otherwise; encoding writes 24 bits per pixel.
QImage decodeBitmap(const QByteArray& bytes);
QByteArray encodeBitmap(const QImage& image);

} // namespace platform

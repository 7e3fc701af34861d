#include "platform/Picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

namespace platform {

namespace {

// Qt's own ceiling, above the pixel limit (4 bytes a pixel) with room for a
// reader's working copy.
constexpr int kAllocationLimitMegabytes = int(kMaxPicturePixels * 4 / (1024 * 1024)) + 64;

bool startsLikeBitmap(const QByteArray& bytes)
{
    return bytes.startsWith("BM");
}

qint64 littleEndian(const QByteArray& bytes, qsizetype offset, int width)
{
    quint64 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return qint64(value);
}

qint64 signedLittleEndian32(const QByteArray& bytes, qsizetype offset)
{
    return qint32(quint32(littleEndian(bytes, offset, 4)));
}

// Qt's reader fills missing rows with black; a bitmap cut short is refused
// instead, as a cut JPEG is. Only uncompressed pixel data has a size known
// from the header.
bool isCutShort(const QByteArray& bytes)
{
    constexpr qsizetype kFileHeaderSize = 14;
    constexpr qint64 kCoreHeaderSize = 12; // the old OS/2 form with 16-bit sizes
    constexpr qint64 kInfoHeaderSize = 40;
    if (bytes.size() < kFileHeaderSize + kCoreHeaderSize)
        return true;
    const qint64 pixelOffset = littleEndian(bytes, 10, 4);
    const qint64 headerSize = littleEndian(bytes, 14, 4);
    qint64 width = 0, height = 0, bitsPerPixel = 0;
    if (headerSize == kCoreHeaderSize) {
        width = littleEndian(bytes, 18, 2);
        height = littleEndian(bytes, 20, 2);
        bitsPerPixel = littleEndian(bytes, 24, 2);
    } else {
        if (headerSize < kInfoHeaderSize)
            return false; // let the reader judge it
        if (bytes.size() < kFileHeaderSize + kInfoHeaderSize)
            return true;
        constexpr qint64 kUncompressed = 0, kBitFields = 3, kAlphaBitFields = 6;
        const qint64 compression = littleEndian(bytes, 30, 4);
        if (compression != kUncompressed && compression != kBitFields
            && compression != kAlphaBitFields)
            return false;
        width = signedLittleEndian32(bytes, 18);
        height = qAbs(signedLittleEndian32(bytes, 22)); // negative: rows stored top-down
        bitsPerPixel = littleEndian(bytes, 28, 2);
    }
    const qint64 bytesPerRow = (width * bitsPerPixel + 31) / 32 * 4;
    if (width <= 0 || height <= 0 || bytesPerRow <= 0)
        return false; // not a picture; the reader says so
    // Counted in rows, so that absurd sizes in the header cannot overflow.
    const qint64 pixelBytes = bytes.size() - pixelOffset;
    return pixelBytes < 0 || pixelBytes / bytesPerRow < height;
}

// Only the named reader may look at the data, whatever it holds. The size the
// file claims is checked before any pixel is decoded: a compressed bitmap of
// a kilobyte can claim 16384 x 16384 pixels.
QImage readWithQt(const QByteArray& bytes, const QByteArray& format, const QString& kind)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(kAllocationLimitMegabytes);
    reader.setAutoTransform(true);
    const QString sizeProblem = pictureSizeProblem(reader.size());
    if (!sizeProblem.isEmpty())
        throw PictureError(sizeProblem);
    QImage image;
    if (!reader.read(&image))
        throw PictureError(
            QStringLiteral("the %1 cannot be read (%2)").arg(kind, reader.errorString()));
    return image;
}

} // namespace

QImage decodeBitmap(const QByteArray& bytes)
{
    if (!startsLikeBitmap(bytes))
        throw PictureError(QStringLiteral("it is not a Windows bitmap file"));
    if (isCutShort(bytes))
        throw PictureError(QStringLiteral("the bitmap file is incomplete"));
    return readWithQt(bytes, "bmp", QStringLiteral("bitmap"));
}

QImage decodeWithQt(const QByteArray& bytes, const QByteArray& format)
{
    return readWithQt(bytes, format, QString::fromLatin1(format).toUpper() + u" picture");
}

QByteArray encodeBitmap(const QImage& image)
{
    if (image.isNull())
        throw PictureError(QStringLiteral("there is no picture to write"));
    // Qt writes images without a palette as 24-bit BI_RGB bitmaps with the
    // plain 40-byte header, the form every Windows program reads.
    const QImage rgb32 = image.format() == QImage::Format_RGB32
        ? image
        : image.convertToFormat(QImage::Format_RGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (rgb32.isNull() || !writer.write(rgb32))
        throw PictureError(
            QStringLiteral("it cannot be written as a bitmap (") + writer.errorString() + u')');
    return bytes;
}

} // namespace platform

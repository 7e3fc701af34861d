#include "platform/Picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

namespace platform {

namespace {

// Same ceiling as for JPEG: one file must not take the program's memory.
constexpr int kAllocationLimitMegabytes = 1024;

bool startsLikeBitmap(const QByteArray& bytes)
{
    return bytes.startsWith("BM");
}

} // namespace

QImage decodeBitmap(const QByteArray& bytes)
{
    if (!startsLikeBitmap(bytes))
        throw PictureError(QStringLiteral("it is not a Windows bitmap file"));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // Only the bitmap reader may look at the data, whatever it holds.
    QImageReader reader(&buffer, "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(kAllocationLimitMegabytes);
    QImage image;
    if (!reader.read(&image))
        throw PictureError(QStringLiteral("the bitmap cannot be read (") + reader.errorString() + u')');
    return image;
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
        throw PictureError(QStringLiteral("it cannot be written as a bitmap (") + writer.errorString()
            + u')');
    return bytes;
}

} // namespace platform

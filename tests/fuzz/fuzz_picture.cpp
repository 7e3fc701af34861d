// Feeds arbitrary bytes to the picture decoders, as a JPEG and as a Windows
// bitmap, and re-encodes what decodes.

#include "platform/Picture.h"

#include <cstddef>
#include <cstdint>

namespace {

using platform::Picture;
using platform::PictureFormat;
using platform::UserError;

// Full-size decoding and re-encoding are tried on small pictures only, so the
// fuzzer spends its time on the decoders' logic rather than on sheer size.
constexpr qint64 kSmallPicturePixels = 512 * 512;

bool isSmall(QSize size)
{
    return qint64(size.width()) * size.height() <= kSmallPicturePixels;
}

void roundTrip(const QImage& image)
{
    if (!isSmall(image.size()))
        return;
    const QImage fromJpeg = platform::decodeJpeg(platform::encodeJpeg(image));
    const QImage fromBitmap = platform::decodeBitmap(platform::encodeBitmap(image));
    if (fromJpeg.size() != image.size()
        || fromBitmap != image.convertToFormat(QImage::Format_RGB32))
        __builtin_trap();
}

void tryJpeg(const QByteArray& bytes)
{
    try {
        const Picture picture = Picture::fromData(bytes, PictureFormat::Jpeg, QSize(64, 64));
        if (isSmall(picture.originalSize()))
            roundTrip(platform::decodeJpeg(bytes, 1));
    } catch (const UserError&) {
    }
}

void tryBitmap(const QByteArray& bytes)
{
    try {
        roundTrip(Picture::fromData(bytes, PictureFormat::Bitmap).image());
    } catch (const UserError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    tryJpeg(bytes);
    tryBitmap(bytes);
    return 0;
}

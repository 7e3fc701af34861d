#include "richtext/RtfPictures.h"

#include "richtext/RtfFormat.h"

#include "platform/Picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPixmap>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace richtext::rtf {

using platform::PictureError;

namespace {

// The bytes a picture is written back with, beside the picture as shown.
constexpr int kSourceResource = QTextDocument::UserResource;
constexpr char kPictureScheme[] = "qzlayer-picture:";
constexpr char kPictureCountProperty[] = "qzlayerPictureCount";
// Decoding more would risk the program's memory for one picture of a text.
constexpr int kAllocationLimitMegabytes = 256;
constexpr qreal kKeptResolution = 2.0; // pixels kept per pixel shown
constexpr int kJpegQuality = 90;
constexpr qsizetype kLargestPng = 1024 * 1024;
constexpr qreal kMaxShownPixels = kMaxTwips / 15.0;

bool isPng(const QByteArray& bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1a\n");
}

bool isJpeg(const QByteArray& bytes)
{
    return bytes.startsWith("\xff\xd8\xff");
}

quint32 bigEndian(const QByteArray& bytes, qsizetype at, int width)
{
    quint32 value = 0;
    for (int i = 0; i < width; ++i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

// The size in a PNG's header chunk, or in a JPEG's frame header.
QSize headerSize(const QByteArray& bytes)
{
    if (isPng(bytes))
        return bytes.size() >= 24 ? QSize(int(bigEndian(bytes, 16, 4) & 0x7fffffff),
                   int(bigEndian(bytes, 20, 4) & 0x7fffffff))
                                  : QSize();
    if (!isJpeg(bytes))
        return {};
    qsizetype at = 2;
    while (at + 9 <= bytes.size()) {
        if (quint8(bytes.at(at)) != 0xff)
            return {};
        const quint8 marker = quint8(bytes.at(at + 1));
        const bool frame = marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8
            && marker != 0xcc;
        if (frame)
            return QSize(int(bigEndian(bytes, at + 7, 2)), int(bigEndian(bytes, at + 5, 2)));
        at += 2 + bigEndian(bytes, at + 2, 2);
    }
    return {};
}

QByteArray encodePng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        throw PictureError(
            QStringLiteral("it cannot be written as PNG (") + writer.errorString() + u')');
    return bytes;
}

QSize fitted(QSize size, QSizeF room)
{
    if (size.isEmpty() || room.isEmpty())
        return size;
    const qreal scale
        = std::min({ 1.0, room.width() / size.width(), room.height() / size.height() });
    return QSize(std::max(1, int(std::lround(size.width() * scale))),
        std::max(1, int(std::lround(size.height() * scale))));
}

// Pictures through Qt's readers (PNG and the other formats Qt reads), whole
// and upright.
QImage decodeWithReader(const QByteArray& bytes, const char* format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(format == nullptr);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kAllocationLimitMegabytes);
    if (!reader.canRead())
        throw PictureError(QStringLiteral("it is not a picture this program can read"));
    const QString tooLarge = platform::pictureSizeProblem(reader.size());
    if (!tooLarge.isEmpty())
        throw PictureError(tooLarge);
    QImage image;
    if (!reader.read(&image))
        throw PictureError(QStringLiteral("it cannot be read (") + reader.errorString() + u')');
    return image;
}

// Any picture file this program reads, whole and upright.
QImage decodeWhole(const QByteArray& bytes)
{
    if (isJpeg(bytes))
        return platform::decodeJpeg(bytes);
    if (bytes.startsWith("BM"))
        return platform::decodeBitmap(bytes);
    return decodeWithReader(bytes, isPng(bytes) ? "png" : nullptr);
}

// A picture to show at a size: a JPEG decodes at a fraction of its size, in
// a fraction of the time; others are made smaller once decoded.
QImage decodeToShow(const QByteArray& bytes, QSize shown)
{
    if (isJpeg(bytes))
        return platform::decodeJpeg(bytes, shown);
    const QImage image = decodeWhole(bytes);
    const QSize most = shown * kKeptResolution;
    if (image.width() <= most.width() || image.height() <= most.height())
        return image;
    return image.scaled(most, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
}

// Widths and heights of a bitmap header are signed: rows may run downwards.
int littleEndian(const QByteArray& bytes, qsizetype at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | quint8(bytes.at(at + i));
    const qint32 number = qint32(value);
    return number == INT_MIN ? INT_MAX : std::abs(number);
}

// A packed Windows bitmap ("\dibitmap") is a bitmap file without its file
// header, which says where the pixels start.
QByteArray bitmapFile(const QByteArray& dib)
{
    if (dib.size() < 40)
        return {};
    auto little = [&](qsizetype at, int width) {
        quint32 value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = value << 8 | quint8(dib.at(at + i));
        return value;
    };
    const quint32 headerSize = little(0, 4);
    const quint32 bitCount = little(14, 2);
    const quint32 compression = little(16, 4);
    const quint32 colorsUsed = little(32, 4);
    if (headerSize < 40 || headerSize > quint32(dib.size()) || colorsUsed > 256)
        return {};
    const quint32 colors = colorsUsed ? colorsUsed : bitCount <= 8 ? 1u << bitCount : 0;
    const quint32 masks = compression == 3 && headerSize == 40 ? 12 : 0; // BI_BITFIELDS
    const quint32 offset = 14 + headerSize + masks + colors * 4;
    QByteArray file("BM");
    const quint32 fileSize = quint32(14 + dib.size());
    for (const quint32 value : { fileSize, quint32(0), offset }) {
        for (int i = 0; i < 4; ++i)
            file.append(char(value >> (8 * i)));
    }
    return file + dib;
}

// A device-dependent bitmap ("\wbitmap"): rows of pixels from the top, each
// widthBytes long. Only the plain depths are read: one bit per pixel (black
// and white), 24 and 32.
QImage deviceBitmap(const PictureState& picture)
{
    const int width = picture.width;
    const int height = picture.height;
    const int depth = picture.bitsPerPixel;
    if (width <= 0 || height <= 0 || qint64(width) * height > platform::kMaxPicturePixels
        || (depth != 1 && depth != 24 && depth != 32))
        return {};
    const qint64 minimumRow = (qint64(width) * depth + 7) / 8;
    const qint64 row = std::max<qint64>(picture.widthBytes, minimumRow);
    if (picture.data.size() / row < height)
        return {};
    const QImage::Format format = depth == 1 ? QImage::Format_Mono
        : depth == 24                        ? QImage::Format_BGR888
                                             : QImage::Format_RGB32;
    QImage image(width, height, format);
    if (image.isNull())
        return {};
    if (depth == 1)
        image.setColorTable({ qRgb(0, 0, 0), qRgb(255, 255, 255) });
    for (int y = 0; y < height; ++y)
        std::copy_n(picture.data.constData() + y * row, minimumRow, image.scanLine(y));
    return image;
}

QString nextPictureName(QTextDocument& document)
{
    const int number = document.property(kPictureCountProperty).toInt() + 1;
    document.setProperty(kPictureCountProperty, number);
    return QLatin1String(kPictureScheme) + QString::number(number);
}

QTextImageFormat addToDocument(
    QTextDocument& document, const QImage& shownImage, const QByteArray& source, QSizeF shown)
{
    const QString name = nextPictureName(document);
    document.addResource(QTextDocument::ImageResource, QUrl(name), shownImage);
    document.addResource(kSourceResource, QUrl(name), source);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(shown.width());
    format.setHeight(shown.height());
    return format;
}

QSizeF shownSize(const PictureState& picture, QSize pixels)
{
    const qreal width = picture.goalWidth > 0 ? pixelsFromTwips(picture.goalWidth) : pixels.width();
    const qreal height
        = picture.goalHeight > 0 ? pixelsFromTwips(picture.goalHeight) : pixels.height();
    QSizeF size(width * std::clamp(picture.scaleX, 1, 1000) / 100.0,
        height * std::clamp(picture.scaleY, 1, 1000) / 100.0);
    if (size.width() > kMaxShownPixels || size.height() > kMaxShownPixels)
        size.scale(kMaxShownPixels, kMaxShownPixels, Qt::KeepAspectRatio);
    return size.expandedTo(QSizeF(1, 1));
}

QSize keptSize(QSize pixels, QSizeF shown)
{
    const QSize wanted = (shown * kKeptResolution).toSize().expandedTo(QSize(1, 1));
    if (pixels.width() <= wanted.width() || pixels.height() <= wanted.height())
        return pixels;
    return pixels.scaled(wanted, Qt::KeepAspectRatioByExpanding);
}

} // namespace

// A picture's megabytes of digits go through a table.
void PictureState::addHex(const char* bytes, qsizetype size)
{
    static constexpr auto kValues = [] {
        std::array<qint8, 256> values {};
        values.fill(-1);
        for (int i = 0; i < 10; ++i)
            values['0' + i] = qint8(i);
        for (int i = 0; i < 6; ++i)
            values['a' + i] = values['A' + i] = qint8(10 + i);
        return values;
    }();
    const qsizetype start = data.size();
    data.resize(start + size / 2 + 1);
    char* out = data.data() + start;
    for (qsizetype i = 0; i < size; ++i) {
        const int value = kValues[quint8(bytes[i])];
        if (value < 0)
            continue; // line breaks and spaces between the digits
        if (m_highNibble < 0) {
            m_highNibble = value;
        } else {
            *out++ = char(m_highNibble << 4 | value);
            m_highNibble = -1;
        }
    }
    data.resize(out - data.constData());
}

std::optional<QTextImageFormat> addPicture(
    QTextDocument& document, const PictureState& picture, qint64& pixelsLeft)
{
    if (picture.kind == PictureKind::Metafile)
        return std::nullopt;
    const auto spend = [&](QSize pixels) {
        const qint64 count = qint64(pixels.width()) * pixels.height();
        if (count > pixelsLeft)
            throw PictureError(QStringLiteral("too many pixels"));
        pixelsLeft -= count;
    };
    try {
        if (picture.kind == PictureKind::DeviceBitmap) {
            spend(QSize(picture.width, picture.height));
            const QImage image = deviceBitmap(picture);
            if (image.isNull())
                return std::nullopt;
            return addToDocument(
                document, image, encodePng(image), shownSize(picture, image.size()));
        }
        if (picture.kind == PictureKind::Dib) {
            const QByteArray file = bitmapFile(picture.data);
            spend(file.size() >= 26 ? QSize(littleEndian(file, 18), littleEndian(file, 22))
                                    : QSize());
            const QImage image = platform::decodeBitmap(file);
            return addToDocument(
                document, image, encodePng(image), shownSize(picture, image.size()));
        }
        // Blips are told by their bytes, whatever the file calls them.
        if (!isPng(picture.data) && !isJpeg(picture.data))
            return std::nullopt;
        const QSize pixels = headerSize(picture.data);
        if (pixels.isEmpty())
            return std::nullopt;
        spend(pixels);
        const QSizeF shown = shownSize(picture, pixels);
        const QImage image = decodeToShow(picture.data, shown.toSize().expandedTo(QSize(1, 1)));
        return addToDocument(document, image, picture.data, shown);
    } catch (const PictureError&) {
        return std::nullopt; // damaged picture data shows nothing, like a metafile
    }
}

void insertPicture(QTextCursor& cursor, const QByteArray& bytes, QSizeF room)
{
    // The size the picture is seen at, upright: a JPEG's comes from a small
    // decode, so that the whole one need be no larger than what is kept.
    QSize pixels;
    QImage image;
    if (isJpeg(bytes))
        platform::decodeJpeg(bytes, 8, &pixels);
    else
        pixels = (image = decodeWhole(bytes)).size();
    const QSizeF shown = fitted(pixels, room);
    const QSize kept = keptSize(pixels, shown);
    if (isJpeg(bytes))
        image = platform::decodeJpeg(bytes, kept);
    if (image.size() != kept)
        image = image.scaled(kept, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QByteArray source;
    if (kept == pixels && (isPng(bytes) || isJpeg(bytes)))
        source = bytes; // as it is: no loss, no time
    else if (isJpeg(bytes))
        source = platform::encodeJpeg(image, kJpegQuality);
    else
        source = encodePng(image);
    // A photo saved as PNG would make the text's file too large to open
    // again: an opaque picture goes in as JPEG then.
    if (source.size() > kLargestPng && !isJpeg(source) && !image.hasAlphaChannel())
        source = platform::encodeJpeg(image, kJpegQuality);
    cursor.insertImage(addToDocument(*cursor.document(), image, source, shown));
}

std::optional<StoredPicture> storedPicture(
    const QTextDocument& document, const QTextImageFormat& format)
{
    const QUrl url(format.name());
    StoredPicture picture;
    const QVariant source = document.resource(kSourceResource, url);
    if (source.userType() == QMetaType::QByteArray)
        picture.bytes = source.toByteArray();
    if (!isPng(picture.bytes) && !isJpeg(picture.bytes)) {
        // A picture that came another way (pasted, for one): whatever the
        // document shows is written as PNG.
        const QVariant shown = document.resource(QTextDocument::ImageResource, url);
        QImage image;
        if (shown.userType() == QMetaType::QImage)
            image = shown.value<QImage>();
        else if (shown.userType() == QMetaType::QPixmap)
            image = shown.value<QPixmap>().toImage();
        else if (shown.userType() == QMetaType::QByteArray)
            image.loadFromData(shown.toByteArray());
        if (image.isNull())
            return std::nullopt;
        try {
            picture.bytes = encodePng(image);
        } catch (const PictureError&) {
            return std::nullopt;
        }
    }
    picture.jpeg = isJpeg(picture.bytes);
    picture.pixels = headerSize(picture.bytes);
    if (picture.pixels.isEmpty())
        return std::nullopt;
    const qreal width = format.width() > 0 ? format.width() : picture.pixels.width();
    const qreal height = format.height() > 0 ? format.height() : picture.pixels.height();
    picture.shown = QSize(twipsFromPixels(width), twipsFromPixels(height));
    return picture;
}

} // namespace richtext::rtf

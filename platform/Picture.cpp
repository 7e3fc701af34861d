#include "platform/Picture.h"

#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace platform {

namespace {

QString quotedName(const QString& path)
{
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

[[noreturn]] void failOpening(const QString& path, const QString& reason)
{
    throw UserError(QStringLiteral("Cannot open the picture ") + quotedName(path)
        + QStringLiteral(": ") + reason);
}

[[noreturn]] void failSaving(const QString& path, const QString& reason)
{
    throw UserError(QStringLiteral("Cannot save the picture ") + quotedName(path)
        + QStringLiteral(": ") + reason);
}

PictureFormat formatOfExtension(const QString& suffix)
{
    if (suffix.compare(u"jpg", Qt::CaseInsensitive) == 0
        || suffix.compare(u"jpeg", Qt::CaseInsensitive) == 0)
        return PictureFormat::Jpeg;
    if (suffix.compare(u"bmp", Qt::CaseInsensitive) == 0)
        return PictureFormat::Bitmap;
    return PictureFormat::None;
}

// Formats read through Qt's image readers, by extension. TIFF files go by
// two extensions and one reader.
QByteArray qtFormatOfExtension(const QString& suffix)
{
    const QString lower = suffix.toLower();
    if (lower == u"tif" || lower == u"tiff")
        return QByteArrayLiteral("tiff");
    if (lower == u"png" || lower == u"webp" || lower == u"gif")
        return lower.toLatin1();
    return {};
}

bool qtCanRead(const QByteArray& format)
{
    return !format.isEmpty() && QImageReader::supportedImageFormats().contains(format);
}

QString extensionList(const QStringList& extensions)
{
    QStringList quoted;
    for (const QString& extension : extensions)
        quoted << u"\"." + extension + u'"';
    return quoted.join(QStringLiteral(", "));
}

// The reason a path's extension names no picture type the program reads, or
// an empty text.
QString unreadableExtensionReason(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty()) {
        return QStringLiteral("the file name has no picture extension (")
            + extensionList(pictureExtensions()) + u')';
    }
    if (formatOfExtension(suffix) == PictureFormat::None
        && !qtCanRead(qtFormatOfExtension(suffix))) {
        return QStringLiteral("the extension \".") + suffix
            + QStringLiteral("\" is not a picture type this program reads (")
            + extensionList(pictureExtensions()) + u')';
    }
    return QString();
}

// Pictures are only ever written as JPEG or bitmap.
QString unwritableExtensionReason(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (formatOfExtension(suffix) != PictureFormat::None)
        return QString();
    const QString named = suffix.isEmpty()
        ? QStringLiteral("the file name has no picture extension")
        : QStringLiteral("the extension \".") + suffix
            + QStringLiteral("\" is not a picture type this program writes");
    return named + QStringLiteral(" (\".jpg\" or \".bmp\")");
}

QByteArray readWholeFile(const QString& path)
{
    QString reason;
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxPictureFileSize, &reason);
    if (!bytes)
        failOpening(path, reason);
    if (bytes->isEmpty())
        failOpening(path, QStringLiteral("the file is empty"));
    return *bytes;
}

void writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QString reason;
    if (!saveWholeFile(path, bytes, &reason))
        failSaving(path, reason);
}

// A bitmap is drawn as Windows draws it: opaque, any alpha values ignored,
// and in a format that can be painted on (the back signature).
QImage opaqueRgb32(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 ? image
                                                  : image.convertToFormat(QImage::Format_RGB32);
}

// Images made by the program keep their format where it can be painted on.
QImage paintable(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Invalid:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        return image.convertToFormat(
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    default:
        return image;
    }
}

// Transparent parts show the paper they are printed on.
QImage onWhitePaper(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage paper(image.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter painter(&paper);
    painter.drawImage(0, 0, image);
    return paper;
}

} // namespace

QString pictureSizeProblem(QSize size)
{
    if (qint64(size.width()) * size.height() <= kMaxPicturePixels)
        return QString();
    return QStringLiteral("the picture is %1 × %2 pixels, and pictures of at most %3 megapixels "
                          "are taken")
        .arg(size.width())
        .arg(size.height())
        .arg(kMaxPicturePixels / 1'000'000);
}

QStringList pictureExtensions()
{
    QStringList extensions { QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("bmp") };
    for (const QString& other : { QStringLiteral("png"), QStringLiteral("webp"),
             QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("gif") }) {
        if (qtCanRead(qtFormatOfExtension(other)))
            extensions << other;
    }
    return extensions;
}

PictureError::PictureError(const QString& reason)
    : UserError(QStringLiteral("The picture cannot be used: ") + reason)
    , m_reason(reason)
{
}

Picture Picture::load(const QString& path, QSize neededSize)
{
    const QString badExtension = unreadableExtensionReason(path);
    if (!badExtension.isEmpty())
        failOpening(path, badExtension);
    const QByteArray bytes = readWholeFile(path);
    const QString suffix = QFileInfo(path).suffix();
    try {
        const PictureFormat format = formatOfExtension(suffix);
        if (format != PictureFormat::None)
            return fromData(bytes, format, neededSize);
        return fromImage(onWhitePaper(decodeWithQt(bytes, qtFormatOfExtension(suffix))));
    } catch (const PictureError& error) {
        failOpening(path, error.reason());
    }
}

Picture Picture::fromData(const QByteArray& bytes, PictureFormat format, QSize neededSize)
{
    Picture picture;
    switch (format) {
    case PictureFormat::Jpeg:
        picture.m_image = decodeJpeg(bytes, neededSize, &picture.m_originalSize);
        picture.m_sourceBytes = bytes;
        picture.m_sourceImageKey = picture.m_image.cacheKey();
        break;
    case PictureFormat::Bitmap:
        picture.m_image = opaqueRgb32(decodeBitmap(bytes));
        picture.m_originalSize = picture.m_image.size();
        break;
    case PictureFormat::None:
        throw PictureError(QStringLiteral("its picture type is not known"));
    }
    picture.m_format = format;
    return picture;
}

Picture Picture::fromImage(const QImage& image, PictureFormat format)
{
    Picture picture;
    if (image.isNull() || format == PictureFormat::None)
        return picture;
    picture.m_format = format;
    picture.m_image = paintable(image);
    picture.m_originalSize = picture.m_image.size();
    return picture;
}

Picture Picture::reducedTo(QSize maxSize) const
{
    if (m_format != PictureFormat::Bitmap || m_image.isNull()
        || (m_image.width() <= maxSize.width() && m_image.height() <= maxSize.height()))
        return *this;
    return fromImage(
        m_image.scaled(maxSize, Qt::KeepAspectRatio, Qt::SmoothTransformation), m_format);
}

bool Picture::sourceMatchesImage() const
{
    // Painting on the image (or any other write access) detaches it and so
    // changes its cache key.
    return !m_sourceBytes.isEmpty() && m_image.cacheKey() == m_sourceImageKey;
}

QImage Picture::fullSizeImage() const
{
    if (sourceMatchesImage() && m_image.size() != m_originalSize)
        return decodeJpeg(m_sourceBytes);
    return m_image;
}

QImage Picture::imageForArea(QSize areaPixels) const
{
    if (m_image.isNull() || areaPixels.isEmpty())
        return m_image;
    const QSize available = m_originalSize.isValid() ? m_originalSize : m_image.size();
    const QSize wanted = areaPixels.boundedTo(available);
    QImage image = m_image;
    const bool tooCoarse = image.width() < wanted.width() || image.height() < wanted.height();
    if (tooCoarse && sourceMatchesImage())
        image = decodeJpeg(m_sourceBytes, wanted);
    const QSize size = wanted.boundedTo(image.size());
    if (size == image.size())
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QByteArray Picture::encodedAs(PictureFormat target) const
{
    if (target == PictureFormat::Jpeg)
        return sourceMatchesImage() ? m_sourceBytes : encodeJpeg(m_image, 95);
    return encodeBitmap(fullSizeImage());
}

void Picture::save(const QString& path) const
{
    if (isEmpty())
        return;
    const QString badExtension = unwritableExtensionReason(path);
    if (!badExtension.isEmpty())
        failSaving(path, badExtension);
    QByteArray bytes;
    try {
        bytes = encodedAs(formatOfExtension(QFileInfo(path).suffix()));
    } catch (const PictureError& error) {
        failSaving(path, error.reason());
    }
    writeWholeFile(path, bytes);
}

} // namespace platform

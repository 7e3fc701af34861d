#include "platform/Picture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

// The reason a path's extension names no picture format, or an empty text.
QString unknownExtensionReason(const QString& path, const QString& verb)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty())
        return QStringLiteral("the file name has no picture extension (\".jpg\" or \".bmp\")");
    if (formatOfExtension(suffix) == PictureFormat::None)
        return QStringLiteral("the extension \".") + suffix
            + QStringLiteral("\" is not a picture type ") + verb
            + QStringLiteral(" (\".jpg\" or \".bmp\")");
    return QString();
}

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        failOpening(path, QStringLiteral("the file does not exist"));
    if (!file.open(QIODevice::ReadOnly))
        failOpening(path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        failOpening(path, file.errorString());
    if (bytes.isEmpty())
        failOpening(path, QStringLiteral("the file is empty"));
    return bytes;
}

void writeWholeFile(const QString& path, const QByteArray& bytes)
{
    // The old file is replaced only by a completely written new one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        failSaving(path, file.errorString());
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

} // namespace

PictureError::PictureError(const QString& reason)
    : UserError(QStringLiteral("The picture cannot be used: ") + reason)
    , m_reason(reason)
{
}

Picture Picture::load(const QString& path, QSize neededSize)
{
    const QString badExtension = unknownExtensionReason(path, QStringLiteral("this program reads"));
    if (!badExtension.isEmpty())
        failOpening(path, badExtension);
    const QByteArray bytes = readWholeFile(path);
    try {
        return fromData(bytes, formatOfExtension(QFileInfo(path).suffix()), neededSize);
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
    const QString badExtension
        = unknownExtensionReason(path, QStringLiteral("this program writes"));
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

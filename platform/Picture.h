#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// A picture as the program holds it: decoded for drawing, and for a JPEG also
// the bytes it was loaded from, so it can be written again without re-encoding.
namespace platform {

enum class PictureFormat { None, Jpeg, Bitmap };

class Picture
{
public:
    Picture() = default;

    // Loads by the file name's extension: ".jpg" as JPEG, ".bmp" as a Windows
    // bitmap. A missing file, an unknown extension or content that does not
    // match the extension raises UserError naming the file or the extension.
    // When neededSize is given, a large JPEG may be decoded at a reduced scale
    // that still covers neededSize (the source bytes are kept in full).
    static Picture load(const QString& path, QSize neededSize = QSize());
    static Picture fromImage(const QImage& image, PictureFormat format = PictureFormat::Bitmap);

    bool isEmpty() const { return m_format == PictureFormat::None; }
    PictureFormat format() const { return m_format; }
    const QImage& image() const { return m_image; }
    QImage& image() { return m_image; }
    // Bytes the picture was loaded from (JPEG only); empty otherwise.
    const QByteArray& sourceBytes() const { return m_sourceBytes; }
    // Size of the picture in its file (may be larger than image() for a reduced decode).
    QSize originalSize() const { return m_originalSize; }

    // Writes the picture in its own format; raises UserError on failure.
    void save(const QString& path) const;

private:
    PictureFormat m_format = PictureFormat::None;
    QImage m_image;
    QByteArray m_sourceBytes;
    QSize m_originalSize;
};

// JPEG codec through libjpeg. Decoding raises UserError for data that is not a
// valid JPEG; scaleDenominator is 1, 2, 4 or 8.
QImage decodeJpeg(const QByteArray& bytes, int scaleDenominator = 1, QSize* fullSize = nullptr);
QByteArray encodeJpeg(const QImage& image, int quality = 95);

} // namespace platform

#include "platform/Picture.h"

#include <QTransform>

// Cameras store a photo as the sensor saw it and note in its EXIF block how
// to turn it upright. The block is a small TIFF file: a byte-order mark, the
// number 42, and directories of 12-byte entries; the orientation is entry
// 0x0112 of the first directory.

namespace platform {

namespace {

constexpr quint16 kOrientationTag = 0x0112;
constexpr quint16 kShortType = 3;

class TiffReader
{
public:
    explicit TiffReader(QByteArrayView tiff)
        : m_tiff(tiff)
        , m_bigEndian(tiff.startsWith("MM"))
    {
    }

    bool fits(qsizetype offset, qsizetype length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_tiff.size() - length;
    }

    quint32 number(qsizetype offset, int width) const
    {
        quint32 value = 0;
        for (int i = 0; i < width; ++i) {
            const quint8 byte = quint8(m_tiff[offset + (m_bigEndian ? i : width - 1 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }

private:
    QByteArrayView m_tiff;
    bool m_bigEndian;
};

} // namespace

int exifOrientation(QByteArrayView app1)
{
    static constexpr char kExifHeader[] = { 'E', 'x', 'i', 'f', 0, 0 };
    const QByteArrayView header(kExifHeader, sizeof kExifHeader);
    if (!app1.startsWith(header))
        return 0;
    const QByteArrayView tiff = app1.sliced(header.size());
    if (!tiff.startsWith("II") && !tiff.startsWith("MM"))
        return 0;
    const TiffReader reader(tiff);
    if (!reader.fits(0, 8) || reader.number(2, 2) != 42)
        return 0;
    const qsizetype directory = reader.number(4, 4);
    if (!reader.fits(directory, 2))
        return 0;
    const qsizetype entries = reader.number(directory, 2);
    for (qsizetype i = 0; i < entries; ++i) {
        const qsizetype entry = directory + 2 + 12 * i;
        if (!reader.fits(entry, 12))
            return 0;
        if (reader.number(entry, 2) != kOrientationTag)
            continue;
        if (reader.number(entry + 2, 2) != kShortType)
            return 0;
        const int orientation = int(reader.number(entry + 8, 2));
        return orientation >= 1 && orientation <= 8 ? orientation : 0;
    }
    return 0;
}

bool orientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

QImage orientedImage(QImage image, int orientation)
{
    // Orientations 2 to 8: mirrored left to right, turned half round, mirrored
    // top to bottom, then the mirror images along the diagonals (5, 7) and the
    // quarter turns clockwise (6) and anticlockwise (8).
    const bool mirror = orientation == 2 || orientation == 7;
    const bool flip = orientation == 4 || orientation == 5;
    if (mirror || flip || orientation == 3)
        image = image.mirrored(mirror || orientation == 3, flip || orientation == 3);
    if (orientation == 5 || orientation == 6 || orientation == 7)
        image = image.transformed(QTransform().rotate(90));
    else if (orientation == 8)
        image = image.transformed(QTransform().rotate(270));
    return image;
}

} // namespace platform

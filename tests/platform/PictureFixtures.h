#pragma once

#include <QByteArray>

// Picture files made in tests.

// The JPEG with an EXIF block giving the orientation, right after its start.
inline QByteArray withExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian)
{
    QByteArray tiff;
    const auto add = [&tiff, bigEndian](quint32 value, int width) {
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (bigEndian ? width - 1 - i : i);
            tiff.append(char((value >> shift) & 0xFF));
        }
    };
    tiff.append(bigEndian ? "MM" : "II");
    add(42, 2);
    add(8, 4); // the first directory follows
    add(2, 2); // two entries: a resolution unit, then the orientation
    add(0x0128, 2);
    add(3, 2);
    add(1, 4);
    add(2, 2);
    add(0, 2);
    add(0x0112, 2);
    add(3, 2);
    add(1, 4);
    add(quint32(orientation), 2);
    add(0, 2);
    add(0, 4); // no further directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    QByteArray segment("\xFF\xE1");
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

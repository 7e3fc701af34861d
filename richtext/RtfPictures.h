#pragma once

#include <QByteArray>
#include <QSize>
#include <QSizeF>

#include <optional>

class QTextCursor;
class QTextDocument;
class QTextImageFormat;

// Pictures in the text: read from "\pict" groups, held by the document as
// resources (the picture as shown, and the PNG or JPEG bytes to write back),
// and inserted by the user.
namespace richtext::rtf {

enum class PictureKind : quint8 { Unknown, Png, Jpeg, Dib, DeviceBitmap, Metafile };

// A "\pict" group as read so far; lengths in twips unless said otherwise.
struct PictureState
{
    PictureKind kind = PictureKind::Unknown;
    int width = 0; // "\picw", "\pich": pixels of a bitmap
    int height = 0;
    int goalWidth = 0; // "\picwgoal", "\pichgoal": the size to show
    int goalHeight = 0;
    int scaleX = 100; // percent
    int scaleY = 100;
    int bitsPerPixel = 1; // "\wbmbitspixel", "\wbmwidthbytes" of a device bitmap
    int widthBytes = 0;
    QByteArray data;

    void addHex(const char* bytes, qsizetype size);

private:
    int m_highNibble = -1;
};

// The pixels one text's pictures may decode to, together: pictures beyond it
// are not shown, so that no file can take the program's memory or time.
constexpr qint64 kPicturePixelsPerText = 100'000'000;

// Adds the picture to the document; the format that shows it, or nothing
// when it cannot be shown (a metafile, damaged data, or more pixels than
// are left to decode; what it decodes is taken from pixelsLeft).
std::optional<QTextImageFormat> addPicture(
    QTextDocument& document, const PictureState& picture, qint64& pixelsLeft);

// Adds picture file data to the document at its natural size, made smaller
// to fit room (pixels), and inserts it at the cursor. Larger pictures are
// kept at twice the size they are shown at, which is plenty for the screen
// and keeps the text's file small. Throws PictureError.
void insertPicture(QTextCursor& cursor, const QByteArray& bytes, QSizeF room);

// A picture of the document as a file holds it: PNG or JPEG bytes, their
// size in pixels and the size it is shown at in twips.
struct StoredPicture
{
    QByteArray bytes;
    bool jpeg = false;
    QSize pixels;
    QSize shown;
};
std::optional<StoredPicture> storedPicture(
    const QTextDocument& document, const QTextImageFormat& format);

} // namespace richtext::rtf

#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <limits>

class QTextCursor;
class QTextDocument;

// The back text's files: rich text (RTF) read into and written from a text
// document, as the rich-text editor shows it. A file that is not RTF is read
// as plain text.
namespace richtext {

// How much text a file may hold before it is refused unread. Callers know how
// much text they take: laying out millions of paragraphs takes minutes,
// however few bytes they are.
struct TextLimits
{
    qint64 bytes = 256 * 1024 * 1024;
    qint64 paragraphs = std::numeric_limits<qint64>::max();
};

// Replaces the document's content with the file: RTF when it begins with
// "{\rtf", plain text otherwise. Throws UserError naming the file when it
// cannot be read, is not a regular file or goes past the limits; the
// document is then left as it was.
void loadRichTextFile(const QString& path, QTextDocument& document, TextLimits limits = {});

// Writes the document as RTF, replacing the file only once it is written in
// full. Throws UserError naming the file, with the system's reason, when it
// cannot be written; an existing file is then kept as it was.
void saveRichTextFile(const QString& path, const QTextDocument& document);

// Inserts a picture file at the cursor at its natural size, made smaller to
// fit room (pixels). A picture larger than it is shown is kept at twice the
// size shown, which keeps the back text's file small. Throws UserError naming
// the file when it cannot be read or holds no picture this program reads;
// the document is then left as it was.
void insertPictureFile(QTextCursor& cursor, const QString& path, QSizeF room);

// File name patterns ("*.png") of the pictures insertPictureFile() reads.
QStringList pictureFilePatterns();

bool isRtf(const QByteArray& data);

// Replaces the document's content with the data, RTF or plain text.
void readRichText(const QByteArray& data, QTextDocument& document);

// Replaces the document's content with RTF data. Damaged data gives the text
// read up to the damage.
void readRtf(const QByteArray& rtf, QTextDocument& document);

// Plain text's characters: UTF-8 or UTF-16 with a byte-order mark, UTF-8
// when the bytes are valid UTF-8, Windows-1252 otherwise.
QString decodePlainText(const QByteArray& bytes);

// Replaces the document's content with plain text, decoded as above; lines
// end with CR LF, LF or CR.
void readPlainText(const QByteArray& text, QTextDocument& document);

// The document as RTF: Windows-1252 with "\uN" for other characters, CR LF
// line ends.
QByteArray writeRtf(const QTextDocument& document);

} // namespace richtext

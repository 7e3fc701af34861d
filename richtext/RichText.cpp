#include "richtext/RichText.h"

#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "platform/Picture.h"
#include "platform/Windows1252.h"
#include "richtext/RtfCodePages.h"
#include "richtext/RtfPictures.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

#include <QDir>
#include <QImageReader>
#include <QStringDecoder>
#include <QTextDocument>
#include <algorithm>
#include <cctype>

namespace richtext {

using platform::fromWindows1252;
using platform::UserError;

namespace {

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QByteArray readWholeFile(const QString& path, qint64 maxBytes)
{
    QString reason;
    std::optional<QByteArray> data = platform::readRegularFile(path, maxBytes, &reason);
    if (!data)
        throw UserError(QStringLiteral("Cannot open \"%1\": %2").arg(nativePath(path), reason));
    return std::move(*data);
}

// How many times a control word stands in RTF data: the backslash and the
// word, not followed by another letter ("\par", not "\pard").
qint64 controlWordCount(const QByteArray& rtf, const QByteArray& word)
{
    qint64 count = 0;
    for (qsizetype at = rtf.indexOf(word); at >= 0; at = rtf.indexOf(word, at + 1)) {
        const qsizetype after = at + word.size();
        if (after >= rtf.size() || !std::isalpha(static_cast<unsigned char>(rtf[after])))
            ++count;
    }
    return count;
}

// The paragraphs the data will make, counted without reading it: paragraph
// and table-cell ends in RTF, line ends in plain text.
qint64 paragraphCount(const QByteArray& data)
{
    if (isRtf(data))
        return controlWordCount(data, "\\par") + controlWordCount(data, "\\cell");
    return std::max(data.count('\n'), data.count('\r'));
}

} // namespace

QString decodePlainText(const QByteArray& bytes)
{
    if (const auto marked = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*marked);
        return decoder(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return fromWindows1252(bytes);
}

namespace {

// Lines end with CR LF, LF or CR; control characters other than the tab
// have no place in the text, and half a surrogate pair stands for nothing.
QString normalizedLines(const QString& text)
{
    QString lines;
    lines.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool pairFollows = i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (c == u'\r') {
            lines.append(QLatin1Char('\n'));
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (QChar::isHighSurrogate(c) && pairFollows) {
            lines.append(text.at(i)).append(text.at(i + 1));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            lines.append(QChar(QChar::ReplacementCharacter));
        } else if (c == u'\n' || c == QChar::ParagraphSeparator || rtf::isTextCharacter(c)) {
            lines.append(QChar(c));
        }
    }
    return lines;
}

// Reading replaces the content, and with it the undo history; the content
// read is the document's unmodified state.
template <typename Fill>
void replaceContent(QTextDocument& document, Fill fill)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    fill();
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
}

} // namespace

void loadRichTextFile(const QString& path, QTextDocument& document, TextLimits limits)
{
    const QByteArray data = readWholeFile(path, limits.bytes);
    if (paragraphCount(data) > limits.paragraphs) {
        throw UserError(QStringLiteral("Cannot open \"%1\": it holds more than %2 paragraphs")
                            .arg(nativePath(path))
                            .arg(limits.paragraphs));
    }
    readRichText(data, document);
}

void saveRichTextFile(const QString& path, const QTextDocument& document)
{
    QString reason;
    if (!platform::saveWholeFile(path, writeRtf(document), &reason))
        throw UserError(QStringLiteral("Cannot write \"%1\": %2").arg(nativePath(path), reason));
}

void insertPictureFile(QTextCursor& cursor, const QString& path, QSizeF room)
{
    const QByteArray bytes = readWholeFile(path, platform::kMaxPictureFileSize);
    try {
        rtf::insertPicture(cursor, bytes, room);
    } catch (const platform::PictureError& error) {
        throw UserError(QStringLiteral("Cannot insert the picture \"%1\": %2").arg(nativePath(path), error.reason()));
    }
}

QStringList pictureFilePatterns()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    if (!patterns.contains(QStringLiteral("*.jpg")))
        patterns << QStringLiteral("*.jpg") << QStringLiteral("*.jpeg");
    return patterns;
}

bool isRtf(const QByteArray& data)
{
    return data.startsWith("{\\rtf");
}

void readRichText(const QByteArray& data, QTextDocument& document)
{
    if (isRtf(data))
        readRtf(data, document);
    else
        readPlainText(data, document);
}

void readRtf(const QByteArray& rtf, QTextDocument& document)
{
    replaceContent(document, [&] { rtf::RtfReader(document).read(rtf); });
}

void readPlainText(const QByteArray& text, QTextDocument& document)
{
    const QString lines = normalizedLines(decodePlainText(text));
    replaceContent(document, [&] { document.setPlainText(lines); });
}

QByteArray writeRtf(const QTextDocument& document)
{
    return rtf::writeDocument(document);
}

} // namespace richtext

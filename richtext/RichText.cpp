#include "richtext/RichText.h"

#include "platform/ErrorReport.h"
#include "platform/Picture.h"
#include "richtext/RtfCodePages.h"
#include "richtext/RtfPictures.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"
#include "platform/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextDocument>

namespace richtext {

using platform::fromWindows1252;
using platform::UserError;

namespace {

constexpr qint64 kMaxFileSize = 256 * 1024 * 1024;
constexpr qint64 kMaxPictureFileSize = 64 * 1024 * 1024; // a camera's largest photos fit

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QByteArray readWholeFile(const QString& path, qint64 maxSize = kMaxFileSize,
    const char* tooLarge = "\"%1\" is too large to be read as text")
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw UserError(QStringLiteral("Cannot open \"%1\": %2").arg(nativePath(path), file.errorString()));
    }
    if (file.size() > maxSize)
        throw UserError(QString::fromLatin1(tooLarge).arg(nativePath(path)));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("Cannot read \"%1\": %2").arg(nativePath(path), file.errorString()));
    return data;
}

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

void loadRichTextFile(const QString& path, QTextDocument& document)
{
    readRichText(readWholeFile(path), document);
}

void saveRichTextFile(const QString& path, const QTextDocument& document)
{
    const QByteArray rtf = writeRtf(document);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw UserError(QStringLiteral("Cannot write \"%1\": %2").arg(nativePath(path), file.errorString()));
    if (file.write(rtf) != rtf.size() || !file.commit())
        throw UserError(QStringLiteral("Cannot write \"%1\": %2").arg(nativePath(path), file.errorString()));
}

void insertPictureFile(QTextCursor& cursor, const QString& path, QSizeF room)
{
    // Reading a pipe or a device could wait for ever or never end.
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile())
        throw UserError(QStringLiteral("Cannot insert \"%1\": it is not a file").arg(nativePath(path)));
    const QByteArray bytes = readWholeFile(path, kMaxPictureFileSize,
        "\"%1\" is too large to be inserted as a picture (64 MB at most)");
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

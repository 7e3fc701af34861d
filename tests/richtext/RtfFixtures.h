#pragma once

// Helpers shared by the rich-text codec's tests.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

inline QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(QZ_TEST_DATA_DIR "/rtf/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

// A picture of one colour, and a picture encoded as Qt writes a format.
inline QImage filledImage(QSize size, const QColor& color = QColor(200, 30, 30))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

inline QByteArray encodedImage(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

inline QStringList paragraphs(const QTextDocument& document)
{
    QStringList texts;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        texts << block.text();
    return texts;
}

inline QString describeList(const QTextBlock& block)
{
    const QTextList* list = block.textList();
    if (!list)
        return {};
    const char* const styles[] = { "", "disc", "circle", "square", "decimal", "a", "A", "i", "I" };
    const int style = -int(list->format().style());
    const bool bullet = style >= 1 && style <= 3;
    return QStringLiteral(" [%1 level %2%3]")
        .arg(QLatin1String(style >= 0 && style < 9 ? styles[style] : "?"))
        .arg(list->format().indent())
        .arg(bullet ? QString() : QString(QLatin1Char(' ') + list->itemText(block)));
}

// A paragraph with what it holds besides text: its list, its alignment
// (l, c, r, j) and its pictures with their size.
inline QString describeParagraph(const QTextBlock& block)
{
    QString text;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.charFormat().isImageFormat()) {
            text += fragment.text();
            continue;
        }
        const QTextImageFormat image = fragment.charFormat().toImageFormat();
        for (int i = 0; i < fragment.length(); ++i)
            text += QStringLiteral("<picture %1x%2>").arg(image.width()).arg(image.height());
    }
    const Qt::Alignment alignment = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    const char align = alignment & Qt::AlignHCenter ? 'c' : alignment & Qt::AlignRight ? 'r' : alignment & Qt::AlignJustify ? 'j' : 'l';
    return QStringLiteral("%1 '%2'%3").arg(QLatin1Char(align)).arg(text).arg(describeList(block));
}

// The document's structure line by line: paragraphs, and tables with their
// column widths in pixels, their cells with position and span, and the
// paragraphs in each cell.
inline QStringList describeStructure(const QTextDocument& document)
{
    QStringList lines;
    const QTextTable* table = nullptr;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextCursor cursor(block);
        const QTextTable* blockTable = cursor.currentTable();
        if (blockTable && blockTable != table) {
            QStringList widths;
            for (const QTextLength& width : blockTable->format().columnWidthConstraints())
                widths << QString::number(qRound(width.rawValue()));
            lines << QStringLiteral("table %1x%2 widths %3 border %4")
                         .arg(blockTable->rows())
                         .arg(blockTable->columns())
                         .arg(widths.join(u','))
                         .arg(blockTable->format().border() > 0);
        }
        table = blockTable;
        if (!table) {
            lines << describeParagraph(block);
            continue;
        }
        const QTextTableCell cell = table->cellAt(cursor);
        lines << QStringLiteral("  cell %1,%2 %3x%4 %5")
                     .arg(cell.row())
                     .arg(cell.column())
                     .arg(cell.rowSpan())
                     .arg(cell.columnSpan())
                     .arg(describeParagraph(block));
    }
    return lines;
}

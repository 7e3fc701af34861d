#include "richtext/RtfWriter.h"

#include "richtext/RtfCharacterWriter.h"
#include "richtext/RtfCodePages.h"
#include "richtext/RtfFormat.h"
#include "richtext/RtfListWriter.h"
#include "richtext/RtfLists.h"
#include "richtext/RtfOutput.h"
#include "richtext/RtfPictures.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <algorithm>

namespace richtext::rtf {

namespace {

constexpr qreal kFallbackTextWidth = 552; // pixels: the back picture's width
constexpr qreal kNarrowestColumn = 24; // pixels left for a column without a width

// A table's columns as a file gives them: right edges from the page's left
// margin, in twips.
struct TableGeometry
{
    int left = 0;
    int gap = 0;
    int border = 0;
    Alignment alignment = Alignment::Left;
    QList<int> edges;
};

bool startsWithTable(QTextFrame::iterator it)
{
    if (it.currentBlock().length() != 1)
        return false;
    ++it;
    return !it.atEnd() && qobject_cast<QTextTable*>(it.currentFrame());
}

void collectBlocks(
    QTextFrame::iterator it, const QTextFrame::iterator& end, QList<QTextBlock>& blocks)
{
    for (; it != end; ++it) {
        if (const QTextFrame* frame = it.currentFrame())
            collectBlocks(
                frame->begin(), frame->end(), blocks); // tables in tables become paragraphs
        else
            blocks.append(it.currentBlock());
    }
}

class RtfWriter
{
public:
    explicit RtfWriter(const QTextDocument& document)
        : m_document(document)
        , m_characters(document.defaultFont())
        , m_lists(document)
    {
    }

    QByteArray write()
    {
        m_body.bytes.reserve(m_document.characterCount() * 2 + 1024);
        writeFrame(*m_document.rootFrame());
        RtfOutput file = header();
        file.bytes.append(m_body.bytes);
        file.raw("}\r\n");
        return file.bytes;
    }

private:
    RtfOutput header() const
    {
        RtfOutput out;
        out.raw("{");
        out.word("rtf", 1);
        out.word("ansi");
        out.word("ansicpg", kWindows1252);
        out.word("deff", 0);
        out.word("deftab",
            std::max(1, twipsFromPixels(m_document.defaultTextOption().tabStopDistance())));
        out.word("uc", 1);
        out.lineEnd();
        m_characters.writeFontTable(out);
        m_characters.writeColorTable(out);
        m_lists.writeTables(out);
        // Readers take files without a generator for ones from an old word
        // processor: LibreOffice then reads runs of spaces with extra ones.
        out.raw("{\\*\\generator qzLayer;}");
        out.lineEnd();
        return out;
    }

    void writeFrame(const QTextFrame& frame)
    {
        for (auto it = frame.begin(); !it.atEnd(); ++it) {
            if (const QTextFrame* child = it.currentFrame()) {
                if (const auto* table = qobject_cast<const QTextTable*>(child))
                    writeTable(*table);
                else
                    writeFrame(*child);
                continue;
            }
            // A table at the start of the text needs an empty line before
            // it, which the document does not show.
            if (it.currentBlock() == m_document.begin() && startsWithTable(it))
                continue;
            writeBlock(it.currentBlock(), false, "par");
        }
    }

    // ---- tables

    void writeTable(const QTextTable& table)
    {
        const TableGeometry geometry = geometryOf(table);
        for (int row = 0; row < table.rows(); ++row) {
            writeRowDefinition(table, row, geometry);
            for (int column = 0; column < table.columns();) {
                const QTextTableCell cell = table.cellAt(row, column);
                if (cell.row() == row) {
                    writeCell(cell);
                } else { // covered by a cell above: an empty cell merged into it
                    m_body.word("pard");
                    m_body.word("intbl");
                    m_body.word("cell");
                }
                column = std::max(column + 1, cell.column() + cell.columnSpan());
            }
            m_body.word("row");
            m_body.lineEnd();
        }
    }

    TableGeometry geometryOf(const QTextTable& table) const
    {
        const QTextTableFormat format = table.format();
        TableGeometry geometry;
        geometry.left = twipsFromPixels(format.leftMargin());
        geometry.gap = std::max(0, twipsFromPixels(format.cellPadding()));
        geometry.border = format.border() > 0
            ? std::clamp(twipsFromPixels(format.border()), 1, kMaxBorderTwips)
            : 0;
        geometry.alignment = fromQtAlignment(format.alignment());

        // Fixed widths as they are, percentages of the text's width, and
        // what is left shared by the columns without a width.
        const qreal textWidth
            = m_document.textWidth() > 0 ? m_document.textWidth() : kFallbackTextWidth;
        const qreal available
            = std::max<qreal>(0, textWidth - format.leftMargin() - format.rightMargin());
        const QList<QTextLength> constraints = format.columnWidthConstraints();
        QList<qreal> widths(table.columns(), -1);
        qreal taken = 0;
        int open = 0;
        for (int column = 0; column < table.columns(); ++column) {
            const QTextLength length = constraints.value(column);
            if (length.type() == QTextLength::FixedLength)
                widths[column] = std::max<qreal>(0, length.rawValue());
            else if (length.type() == QTextLength::PercentageLength)
                widths[column] = available * std::clamp<qreal>(length.rawValue(), 0, 100) / 100;
            if (widths.at(column) >= 0)
                taken += widths.at(column);
            else
                ++open;
        }
        const qreal share = open > 0 ? std::max(kNarrowestColumn, (available - taken) / open) : 0;
        qreal right = 0;
        for (const qreal width : std::as_const(widths)) {
            right += std::max(width >= 0 ? width : share, pixelsFromTwips(kNarrowestCellTwips));
            geometry.edges.append(clampTwips(qint64(geometry.left) + twipsFromPixels(right)));
        }
        return geometry;
    }

    void writeRowDefinition(const QTextTable& table, int row, const TableGeometry& geometry)
    {
        m_body.word("trowd");
        m_body.word("trgaph", geometry.gap);
        m_body.word("trleft", geometry.left);
        if (geometry.alignment == Alignment::Center)
            m_body.word("trqc");
        else if (geometry.alignment == Alignment::Right)
            m_body.word("trqr");
        for (int column = 0; column < table.columns();) {
            const QTextTableCell cell = table.cellAt(row, column);
            if (cell.rowSpan() > 1)
                m_body.word(cell.row() == row ? "clvmgf" : "clvmrg");
            writeCellFormat(cell.format().toTableCellFormat(), geometry.border);
            column = std::max(column + 1, cell.column() + cell.columnSpan());
            m_body.word("cellx", geometry.edges.at(std::min(column, table.columns()) - 1));
        }
        m_body.lineEnd();
    }

    void writeCellFormat(const QTextTableCellFormat& format, int border)
    {
        if (format.verticalAlignment() == QTextCharFormat::AlignMiddle)
            m_body.word("clvertalc");
        else if (format.verticalAlignment() == QTextCharFormat::AlignBottom)
            m_body.word("clvertalb");
        const QBrush background = format.background();
        if (format.hasProperty(QTextFormat::BackgroundBrush) && background.style() != Qt::NoBrush)
            m_body.word("clcbpat", m_characters.colorIndex(background.color()));
        if (border > 0) {
            for (const char* side : { "clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr" }) {
                m_body.word(side);
                m_body.word("brdrs");
                m_body.word("brdrw", border);
            }
        }
    }

    void writeCell(const QTextTableCell& cell)
    {
        QList<QTextBlock> blocks;
        collectBlocks(cell.begin(), cell.end(), blocks);
        for (qsizetype i = 0; i < blocks.size(); ++i)
            writeBlock(blocks.at(i), true, i + 1 == blocks.size() ? "cell" : "par");
    }

    // ---- paragraphs

    void writeBlock(const QTextBlock& block, bool inTable, const char* end)
    {
        ParagraphState paragraph = fromBlockFormat(block.blockFormat(), m_document.indentWidth());
        paragraph.inTable = inTable;
        const QTextList* list = block.textList();
        if (list) {
            // The file counts the list's indent in the paragraph's, and
            // hangs the label left of the text.
            paragraph.list = m_lists.numberOf(*list);
            paragraph.listLevel = ListWriter::levelOf(*list);
            paragraph.left = clampTwips(
                qint64(paragraph.left) + listIndentTwips(m_document, paragraph.listLevel));
            paragraph.firstLine = clampTwips(qint64(paragraph.firstLine) - kListHangTwips);
        }
        writeParagraphFormat(paragraph);
        if (list)
            writeListLabel(*list, block);
        bool empty = true;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                for (qsizetype i = 0; i < fragment.length(); ++i)
                    writePicture(format.toImageFormat());
            } else {
                m_characters.writeRun(m_body,
                    m_characters.charState(fragment.charFormatIndex(), format), fragment.text());
            }
            empty = false;
        }
        if (empty) // the empty line's size
            m_characters.switchTo(
                m_body, m_characters.charState(block.charFormatIndex(), block.charFormat()));
        m_body.word(end);
        m_body.lineEnd();
    }

    // The label as text, for readers that do not know lists, in the format
    // of the item's first characters.
    void writeListLabel(const QTextList& list, const QTextBlock& block)
    {
        const QTextListFormat::Style style = list.format().style();
        const QString label
            = isBullet(style) ? QString(QChar(bulletCharacter(style))) : list.itemText(block);
        const QTextBlock::iterator first = block.begin();
        const CharState chars = first.atEnd()
            ? m_characters.charState(block.charFormatIndex(), block.charFormat())
            : m_characters.charState(
                first.fragment().charFormatIndex(), first.fragment().charFormat());
        m_body.raw("{");
        m_body.word("listtext");
        m_body.word("pard");
        CharacterWriter::writeWhole(m_body, chars);
        m_body.text(label);
        m_body.word("tab");
        m_body.raw("}");
    }

    void writePicture(const QTextImageFormat& format)
    {
        const std::optional<StoredPicture> picture = storedPicture(m_document, format);
        if (!picture)
            return;
        m_body.raw("{");
        m_body.word("pict");
        m_body.word(picture->jpeg ? "jpegblip" : "pngblip");
        m_body.word("picw", picture->pixels.width());
        m_body.word("pich", picture->pixels.height());
        m_body.word("picwgoal", picture->shown.width());
        m_body.word("pichgoal", picture->shown.height());
        m_body.hexData(picture->bytes);
        m_body.raw("}");
    }

    void writeParagraphFormat(const ParagraphState& paragraph)
    {
        m_body.word("pard");
        if (paragraph.inTable)
            m_body.word("intbl");
        if (paragraph.list) {
            m_body.word("ls", paragraph.list);
            m_body.word("ilvl", paragraph.listLevel);
        }
        writeAlignment(paragraph.alignment);
        writeLength("li", paragraph.left);
        writeLength("ri", paragraph.right);
        writeLength("fi", paragraph.firstLine);
        writeLength("sb", paragraph.before);
        writeLength("sa", paragraph.after);
        writeLineSpacing(paragraph);
        for (const TabStop& tab : paragraph.tabs)
            writeTabStop(tab);
        if (paragraph.pageBreakBefore)
            m_body.word("pagebb");
    }

    void writeLength(const char* name, int twips)
    {
        if (twips != 0)
            m_body.word(name, twips);
    }

    void writeAlignment(Alignment alignment)
    {
        switch (alignment) {
        case Alignment::Center:
            m_body.word("qc");
            break;
        case Alignment::Right:
            m_body.word("qr");
            break;
        case Alignment::Justify:
            m_body.word("qj");
            break;
        case Alignment::Left:
            break;
        }
    }

    void writeLineSpacing(const ParagraphState& paragraph)
    {
        switch (paragraph.spacing) {
        case LineSpacing::AtLeast:
            m_body.word("sl", paragraph.spacingValue);
            m_body.word("slmult", 0);
            break;
        case LineSpacing::Exactly:
            m_body.word("sl", -paragraph.spacingValue);
            m_body.word("slmult", 0);
            break;
        case LineSpacing::Multiple:
            m_body.word("sl", paragraph.spacingValue);
            m_body.word("slmult", 1);
            break;
        case LineSpacing::Single:
            break;
        }
    }

    void writeTabStop(const TabStop& tab)
    {
        switch (tab.type) {
        case QTextOption::RightTab:
            m_body.word("tqr");
            break;
        case QTextOption::CenterTab:
            m_body.word("tqc");
            break;
        case QTextOption::DelimiterTab:
            m_body.word("tqdec");
            break;
        case QTextOption::LeftTab:
            break;
        }
        m_body.word("tx", tab.twips);
    }

    const QTextDocument& m_document;
    RtfOutput m_body;
    CharacterWriter m_characters;
    ListWriter m_lists;
};

} // namespace

QByteArray writeDocument(const QTextDocument& document)
{
    return RtfWriter(document).write();
}

} // namespace richtext::rtf

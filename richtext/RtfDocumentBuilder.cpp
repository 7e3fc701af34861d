#include "richtext/RtfDocumentBuilder.h"

#include <QTextDocument>

#include <algorithm>

namespace richtext::rtf {

namespace {

constexpr std::size_t kMaxCachedFormats = 64;

QTextCharFormat::VerticalAlignment toVerticalAlignment(Script script)
{
    switch (script) {
    case Script::Super:
        return QTextCharFormat::AlignSuperScript;
    case Script::Sub:
        return QTextCharFormat::AlignSubScript;
    case Script::Normal:
        break;
    }
    return QTextCharFormat::AlignNormal;
}

} // namespace

DocumentBuilder::DocumentBuilder(QTextDocument& document, const RtfTables& tables)
    : m_tables(tables)
    , m_cursor(&document)
{
    m_cursor.beginEditBlock();
}

QString* DocumentBuilder::runFor(const CharState& chars, const ParagraphState& paragraph)
{
    if (chars.hidden)
        return nullptr;
    if (m_paragraphPending) {
        startBlock(chars, paragraph);
    } else if (!(chars == m_runState)) {
        flushRun();
        m_runState = chars;
    }
    m_runParagraph = paragraph;
    m_blockHasText = true;
    return &m_run;
}

void DocumentBuilder::insertObject(
    const CharState& chars, const ParagraphState& paragraph, const QTextImageFormat& format)
{
    if (!runFor(chars, paragraph))
        return;
    flushRun();
    m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
}

void DocumentBuilder::flushRun()
{
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, charFormat(m_runState));
    m_run.resize(0);
}

// The block after a paragraph end. Within a run it is a separator and takes
// the format of the block before; otherwise it is inserted, or takes the
// empty block waiting at the cursor, with the paragraph format in force now.
void DocumentBuilder::startBlock(const CharState& chars, const ParagraphState& paragraph)
{
    m_paragraphPending = false;
    m_blockHasText = false;
    placeInTable(paragraph);
    const bool pageBreak = std::exchange(m_nextPageBreak, false);
    if (!m_freshBlock && !pageBreak && !m_blockPageBreak && !m_run.isEmpty()
        && chars == m_runState) {
        m_run.append(QChar(QChar::ParagraphSeparator));
        return;
    }
    flushRun();
    m_runState = chars;
    m_blockPageBreak = pageBreak;
    m_blockParagraph = withPageBreak(paragraph);
    if (std::exchange(m_freshBlock, false)) {
        setBlockFormat(m_blockParagraph);
        setBlockCharFormat(chars);
    } else {
        m_cursor.insertBlock(blockFormat(m_blockParagraph), charFormat(chars));
        joinList(m_blockParagraph);
    }
}

// Moves the cursor into a table, to its next row or cell, or out of it, as
// the paragraph about to start asks.
void DocumentBuilder::placeInTable(const ParagraphState& paragraph)
{
    if (m_table.isOpen() && !m_table.rowEnded() && paragraph.inTable) {
        if (std::exchange(m_cellPending, false)) {
            flushRun();
            moveTo(m_table.enterCell());
        }
        return;
    }
    const bool wantsRow = paragraph.inTable && m_table.canStartRow(m_tables.row);
    if (!m_table.isOpen() && !wantsRow)
        return;
    flushRun();
    m_cellPending = false;
    if (!m_table.isOpen()) {
        m_table.open(m_cursor, m_tables.row);
    } else if (wantsRow) {
        if (!m_table.rowEnded())
            m_table.endRow(); // a row cut short by the next one
        m_table.startRow(m_tables.row);
    } else {
        moveTo(m_table.close(m_tables.colors));
        return;
    }
    moveTo(m_table.enterCell());
}

void DocumentBuilder::moveTo(const TableBuilder::Place& place)
{
    m_cursor = place.cursor;
    m_freshBlock = place.fresh;
    m_cellStart = place.cellStart ? m_cursor.block() : QTextBlock();
}

void DocumentBuilder::endParagraph(const CharState& chars, const ParagraphState& paragraph)
{
    if (m_paragraphPending)
        startBlock(chars, paragraph); // an empty paragraph
    if (!m_blockHasText && m_run.isEmpty())
        setBlockCharFormat(chars); // gives an empty line its height
    applyParagraph(paragraph);
    m_paragraphPending = true;
}

bool DocumentBuilder::endCell(const CharState& chars, const ParagraphState& paragraph)
{
    if (!paragraph.inTable)
        return false;
    if (m_paragraphPending)
        startBlock(chars, paragraph); // an empty cell
    if (!m_table.isOpen())
        return false; // no room for a table: the cell ends with a tab as in plain text
    endParagraph(chars, paragraph);
    flushRun();
    m_table.nextCell();
    m_cellPending = true;
    return true;
}

bool DocumentBuilder::endRow(const CharState& chars, const ParagraphState& paragraph)
{
    if (!m_table.isOpen())
        return false;
    if (!m_paragraphPending) { // text after the row's last "\cell" is a cell of its own
        endParagraph(chars, paragraph);
        flushRun();
        m_table.nextCell();
    }
    if (!m_table.rowEnded())
        m_table.endRow();
    m_cellPending = false;
    m_paragraphPending = true;
    return true;
}

void DocumentBuilder::finish()
{
    if (!m_paragraphPending && m_blockHasText)
        applyParagraph(m_runParagraph);
    flushRun();
    if (m_table.isOpen())
        moveTo(m_table.close(m_tables.colors));
    m_cursor.endEditBlock();
}

ParagraphState DocumentBuilder::withPageBreak(const ParagraphState& paragraph) const
{
    ParagraphState effective = paragraph;
    effective.pageBreakBefore = paragraph.pageBreakBefore || m_blockPageBreak;
    return effective;
}

void DocumentBuilder::applyParagraph(const ParagraphState& paragraph)
{
    ParagraphState effective = withPageBreak(paragraph);
    if (effective == m_blockParagraph)
        return;
    flushRun(); // the block must be in the document to take its format
    setBlockFormat(effective);
    m_blockParagraph = std::move(effective);
}

// A table cell keeps its own format in its first paragraph's character
// format: the cell's background and vertical alignment are the characters'
// background and raising, which so stay the cell's.
void DocumentBuilder::setBlockCharFormat(const CharState& chars)
{
    QTextCharFormat format = charFormat(chars);
    if (m_cellStart.isValid() && m_cursor.block() == m_cellStart) {
        format.clearProperty(QTextFormat::BackgroundBrush);
        format.clearProperty(QTextFormat::TextVerticalAlignment);
    }
    m_cursor.setBlockCharFormat(format);
}

// Setting a block's format also takes it out of its list.
void DocumentBuilder::setBlockFormat(const ParagraphState& paragraph)
{
    m_cursor.setBlockFormat(blockFormat(paragraph));
    joinList(paragraph);
}

// A list item's label hangs in the indent the document gives the list; the
// file counts that indent in the paragraph's own.
QTextBlockFormat DocumentBuilder::blockFormat(const ParagraphState& paragraph) const
{
    if (!listOf(paragraph))
        return toBlockFormat(paragraph);
    ParagraphState shown = paragraph;
    shown.left
        = std::max(0, paragraph.left - listIndentTwips(*m_cursor.document(), paragraph.listLevel));
    shown.firstLine = clampTwips(qint64(paragraph.firstLine) + kListHangTwips);
    return toBlockFormat(shown);
}

const ListDefinition* DocumentBuilder::listOf(const ParagraphState& paragraph) const
{
    if (paragraph.list == 0)
        return nullptr;
    const auto found = m_tables.lists.constFind(paragraph.list);
    return found == m_tables.lists.constEnd() ? nullptr : &*found;
}

void DocumentBuilder::joinList(const ParagraphState& paragraph)
{
    const ListDefinition* definition = listOf(paragraph);
    if (!definition)
        return;
    const int level = std::clamp(paragraph.listLevel, 0, kListLevels - 1);
    QPointer<QTextList>& list = m_lists[qint64(paragraph.list) * kListLevels + level];
    if (!list)
        list = m_cursor.createList(toListFormat(definition->levels.at(level), level));
    else if (m_cursor.block().textList() != list)
        list->add(m_cursor.block());
}

const QTextCharFormat& DocumentBuilder::charFormat(const CharState& chars)
{
    for (const auto& [state, format] : m_charFormats) {
        if (state == chars)
            return format;
    }
    if (m_charFormats.size() >= kMaxCachedFormats)
        m_charFormats.clear();
    m_charFormats.emplace_back(chars, makeCharFormat(chars));
    return m_charFormats.back().second;
}

QTextCharFormat DocumentBuilder::makeCharFormat(const CharState& chars) const
{
    QTextCharFormat format;
    const auto font = m_tables.fonts.constFind(chars.font);
    if (font != m_tables.fonts.constEnd() && !font->family.isEmpty())
        format.setFontFamilies({ font->family });
    format.setFontPointSize(chars.halfPoints / 2.0);
    if (chars.bold)
        format.setFontWeight(QFont::Bold);
    if (chars.italic)
        format.setFontItalic(true);
    if (chars.strike)
        format.setFontStrikeOut(true);
    if (chars.underline != Underline::None)
        format.setUnderlineStyle(toUnderlineStyle(chars.underline));
    if (chars.script != Script::Normal)
        format.setVerticalAlignment(toVerticalAlignment(chars.script));
    if (chars.caps != Caps::None)
        format.setFontCapitalization(
            chars.caps == Caps::All ? QFont::AllUppercase : QFont::SmallCaps);
    const QColor foreground = m_tables.colors.value(chars.foreground);
    if (foreground.isValid())
        format.setForeground(foreground);
    const QColor background = m_tables.colors.value(chars.background);
    if (background.isValid())
        format.setBackground(background);
    return format;
}

} // namespace richtext::rtf

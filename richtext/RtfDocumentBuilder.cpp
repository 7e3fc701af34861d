#include "richtext/RtfDocumentBuilder.h"

#include <QTextDocument>

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

void DocumentBuilder::flushRun()
{
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, charFormat(m_runState));
    m_run.resize(0);
}

// The block after a paragraph end. Within a run it is a separator and takes
// the format of the block before; otherwise it is inserted with the
// paragraph format in force now.
void DocumentBuilder::startBlock(const CharState& chars, const ParagraphState& paragraph)
{
    m_paragraphPending = false;
    m_blockHasText = false;
    const bool pageBreak = std::exchange(m_nextPageBreak, false);
    if (!pageBreak && !m_blockPageBreak && !m_run.isEmpty() && chars == m_runState) {
        m_run.append(QChar(QChar::ParagraphSeparator));
        return;
    }
    flushRun();
    m_runState = chars;
    m_blockPageBreak = pageBreak;
    m_blockParagraph = withPageBreak(paragraph);
    m_cursor.insertBlock(toBlockFormat(m_blockParagraph), charFormat(chars));
}

void DocumentBuilder::endParagraph(const CharState& chars, const ParagraphState& paragraph)
{
    if (m_paragraphPending)
        startBlock(chars, paragraph); // an empty paragraph
    if (!m_blockHasText && m_run.isEmpty())
        m_cursor.setBlockCharFormat(charFormat(chars)); // gives an empty line its height
    applyParagraph(paragraph);
    m_paragraphPending = true;
}

void DocumentBuilder::finish()
{
    if (!m_paragraphPending && m_blockHasText)
        applyParagraph(m_runParagraph);
    flushRun();
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
    m_cursor.setBlockFormat(toBlockFormat(effective));
    m_blockParagraph = std::move(effective);
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
        format.setFontCapitalization(chars.caps == Caps::All ? QFont::AllUppercase : QFont::SmallCaps);
    const QColor foreground = m_tables.colors.value(chars.foreground);
    if (foreground.isValid())
        format.setForeground(foreground);
    const QColor background = m_tables.colors.value(chars.background);
    if (background.isValid())
        format.setBackground(background);
    return format;
}

} // namespace richtext::rtf

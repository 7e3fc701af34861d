#pragma once

#include "richtext/RtfFormat.h"
#include "richtext/RtfLists.h"
#include "richtext/RtfTableBuilder.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTextCursor>
#include <QTextBlock>
#include <QTextList>

#include <utility>
#include <vector>

class QTextDocument;
class QTextImageFormat;

namespace richtext::rtf {

struct FontEntry
{
    QString family;
    int codePage = 0; // 0: the document's code page
};

// What a file defines for its text to refer to: fonts, colours (an invalid
// colour is the automatic one), lists by their paragraph number, and the
// table row being defined.
struct RtfTables
{
    QHash<int, FontEntry> fonts;
    QList<QColor> colors;
    QHash<int, ListDefinition> lists;
    RowDefinition row;
};

// Fills a text document with what the reader finds: runs of text with their
// character formatting, paragraphs with theirs, pictures, list items and
// table cells. A paragraph's format is the one in force at its end, as
// rich-text files define it.
//
// Inserting into a text document costs much per call, so text is collected
// into runs of one character format, which go on across paragraph ends as
// long as the next paragraph may take the format of the one before; a
// paragraph whose format turns out different is corrected at its end.
class DocumentBuilder
{
public:
    DocumentBuilder(QTextDocument& document, const RtfTables& tables);
    DocumentBuilder(const DocumentBuilder&) = delete;
    DocumentBuilder& operator=(const DocumentBuilder&) = delete;

    // The run to append text with this formatting to, or nullptr when the
    // text is hidden and dropped.
    QString* runFor(const CharState& chars, const ParagraphState& paragraph);
    void insertObject(
        const CharState& chars, const ParagraphState& paragraph, const QTextImageFormat& format);
    void endParagraph(const CharState& chars, const ParagraphState& paragraph);
    // "\cell" and "\row"; false when no table holds the paragraph.
    bool endCell(const CharState& chars, const ParagraphState& paragraph);
    bool endRow(const CharState& chars, const ParagraphState& paragraph);
    void breakPageBeforeNextParagraph() { m_nextPageBreak = true; }
    // The font or colour table changed: formats made so far may be stale.
    void tablesChanged() { m_charFormats.clear(); }
    void finish();

private:
    void flushRun();
    void startBlock(const CharState& chars, const ParagraphState& paragraph);
    void placeInTable(const ParagraphState& paragraph);
    void moveTo(const TableBuilder::Place& place);
    void applyParagraph(const ParagraphState& paragraph);
    void setBlockFormat(const ParagraphState& paragraph);
    void setBlockCharFormat(const CharState& chars);
    QTextBlockFormat blockFormat(const ParagraphState& paragraph) const;
    const ListDefinition* listOf(const ParagraphState& paragraph) const;
    void joinList(const ParagraphState& paragraph);
    ParagraphState withPageBreak(const ParagraphState& paragraph) const;
    const QTextCharFormat& charFormat(const CharState& chars);
    QTextCharFormat makeCharFormat(const CharState& chars) const;

    const RtfTables& m_tables;
    QTextCursor m_cursor;
    QString
        m_run; // may hold paragraph separators: the blocks after them take the last block's format
    CharState m_runState;
    ParagraphState m_runParagraph; // the paragraph formatting the last text came with
    ParagraphState
        m_blockParagraph; // the formatting of the last block, inserted or still in the run
    bool m_blockHasText = false;
    bool m_blockPageBreak = false;
    bool m_nextPageBreak = false;
    bool m_paragraphPending = true; // a paragraph ended; its successor starts with content
    bool m_freshBlock = true; // the cursor's block is empty and waits for the next paragraph
    bool m_cellPending = false; // a cell ended; the next paragraph goes into the row's next cell
    QTextBlock m_cellStart;     // the first paragraph of the cell the cursor went into
    TableBuilder m_table;
    QHash<qint64, QPointer<QTextList>> m_lists; // by list and level
    std::vector<std::pair<CharState, QTextCharFormat>> m_charFormats;
};

} // namespace richtext::rtf

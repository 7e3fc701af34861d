#include "richtext/RtfTableBuilder.h"

#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <set>
#include <utility>

namespace richtext::rtf {

namespace {

constexpr int kMaxColumns = 63; // as many as word processors allow
constexpr int kMaxCells = 20000; // in one document: far more than a back cover holds
constexpr int kUndefinedCellTwips = 1440; // a cell a row gives no edge: an inch

QTextCharFormat::VerticalAlignment cellVerticalAlignment(CellAlignment alignment)
{
    switch (alignment) {
    case CellAlignment::Center:
        return QTextCharFormat::AlignMiddle;
    case CellAlignment::Bottom:
        return QTextCharFormat::AlignBottom;
    case CellAlignment::Top:
        break;
    }
    return QTextCharFormat::AlignTop;
}

} // namespace

void RowDefinition::addCell(int right)
{
    // Edges only grow from left to right; a file that says otherwise gets
    // cells of the narrowest width.
    const int previous = cells.isEmpty() ? left : cells.constLast().right;
    next.right = std::max(right, previous + kNarrowestCellTwips);
    if (cells.size() < kMaxColumns)
        cells.append(next);
    next = {};
}

bool TableBuilder::canStartRow(const RowDefinition& row) const
{
    const qsizetype columns
        = std::max<qsizetype>({ 1, row.cells.size(), m_table ? m_table->columns() : 0 });
    return m_cellsMade + columns <= kMaxCells;
}

void TableBuilder::open(QTextCursor& at, const RowDefinition& row)
{
    m_rows.clear();
    m_first = row;
    m_row = -1;
    m_table = at.insertTable(1, 1);
    m_edges
        = { row.cells.isEmpty() ? row.left + kUndefinedCellTwips : row.cells.constFirst().right };
    ++m_cellsMade;
    m_rowEnded = true; // startRow() takes the first row
    startRow(row);
}

void TableBuilder::startRow(const RowDefinition& row)
{
    if (m_row >= 0) {
        m_table->appendRows(1);
        m_cellsMade += m_table->columns();
    }
    ++m_row;
    m_cell = 0;
    m_rowEnded = false;
    m_current = row;
    addBoundaries(row);
    m_cellColumns = startColumns(row);
}

TableBuilder::Place TableBuilder::enterCell()
{
    const int column = columnOfCell(m_current, m_cellColumns, m_cell);
    // A cell the row defines no edge for gets a column of its own.
    while (column >= m_edges.size()) {
        if (!insertBoundary(m_edges.constLast() + kUndefinedCellTwips)) {
            // No room for another column: the text joins the row's last cell.
            const QTextTableCell last = m_table->cellAt(m_row, m_table->columns() - 1);
            return { last.lastCursorPosition(), false };
        }
    }
    return { m_table->cellAt(m_row, column).firstCursorPosition(), true, true };
}

void TableBuilder::endRow()
{
    m_rows.append({ m_current, m_cell });
    m_rowEnded = true;
}

TableBuilder::Place TableBuilder::close(const QList<QColor>& colors)
{
    if (!m_rowEnded)
        m_rows.append({ m_current, m_cell + 1 });
    QList<QList<CellSpan>> spans;
    spans.reserve(m_rows.size());
    for (const RowRecord& row : std::as_const(m_rows))
        spans.append(cellSpans(row));
    formatTable();
    formatCells(spans, colors);
    mergeCells(spans);
    QTextCursor after(m_table->document());
    after.setPosition(m_table->lastPosition() + 1);
    m_table = nullptr;
    return { after, true };
}

// ---- columns

void TableBuilder::addBoundaries(const RowDefinition& row)
{
    for (const CellDefinition& cell : row.cells)
        insertBoundary(cell.right);
}

// Every column has its right edge. A new edge splits a column in two: the
// column is inserted after the one it splits, so the text already in the
// rows above stays in its column; those cells span both when the table is
// closed. False when the edge is not added: it is one there is already, or
// the table has all the columns it may have.
bool TableBuilder::insertBoundary(int twips)
{
    const auto place
        = std::lower_bound(m_edges.begin(), m_edges.end(), twips - kNarrowestCellTwips + 1);
    if (place != m_edges.end() && std::abs(*place - twips) < kNarrowestCellTwips)
        return false;
    if (m_edges.size() >= kMaxColumns || m_cellsMade + m_table->rows() > kMaxCells)
        return false;
    const int index = int(place - m_edges.begin());
    m_cellsMade += m_table->rows();
    if (index < m_edges.size())
        m_table->insertColumns(index + 1, 1);
    else
        m_table->appendColumns(1);
    m_edges.insert(index, twips);
    return true;
}

int TableBuilder::columnOfEdge(int twips) const
{
    int best = 0;
    for (int i = 1; i < m_edges.size(); ++i) {
        if (std::abs(m_edges.at(i) - twips) < std::abs(m_edges.at(best) - twips))
            best = i;
    }
    return best;
}

// Each cell starts right of the one before, also where two of a row's edges
// come nearest to the same column edge.
QList<int> TableBuilder::startColumns(const RowDefinition& row) const
{
    QList<int> columns;
    int next = 0;
    for (const CellDefinition& cell : row.cells) {
        columns.append(next);
        next = std::max(next + 1, columnOfEdge(cell.right) + 1);
    }
    return columns;
}

// Where a defined cell ends, before the column of the next.
int TableBuilder::endOfCell(const RowDefinition& row, const QList<int>& starts, int cell) const
{
    if (cell + 1 < starts.size())
        return starts.at(cell + 1);
    return std::max(starts.at(cell) + 1, columnOfEdge(row.cells.at(cell).right) + 1);
}

// Cells past the row's definition follow its last cell, a column each.
int TableBuilder::columnOfCell(const RowDefinition& row, const QList<int>& starts, int cell) const
{
    if (cell < starts.size())
        return starts.at(cell);
    const int firstFree = starts.isEmpty() ? 0 : endOfCell(row, starts, int(starts.size()) - 1);
    return firstFree + cell - int(starts.size());
}

QList<TableBuilder::CellSpan> TableBuilder::cellSpans(const RowRecord& row) const
{
    QList<CellSpan> spans;
    const RowDefinition& definition = row.definition;
    const QList<int> starts = startColumns(definition);
    const int columns = m_table->columns();
    const int used = std::max(row.cellsUsed, int(starts.size()));
    for (int i = 0; i < used; ++i) {
        CellSpan span;
        span.column = columnOfCell(definition, starts, i);
        if (i < starts.size()) {
            span.columns = endOfCell(definition, starts, i) - span.column;
            span.definition = &definition.cells.at(i);
        }
        if (span.column >= columns)
            break;
        span.columns = std::min(span.columns, columns - span.column);
        // The older form of merging: a first cell and the cells it swallows.
        if (span.definition && span.definition->horizontal == CellMerge::Next && !spans.isEmpty()) {
            spans.last().columns = span.column + span.columns - spans.constLast().column;
            continue;
        }
        spans.append(span);
    }
    return spans;
}

// ---- merging and formats

void TableBuilder::mergeCells(const QList<QList<CellSpan>>& rows)
{
    // A cell below continues a merged cell only where it covers the same
    // columns, so merged areas never overlap.
    auto continues = [&](int row, const CellSpan& above) {
        for (const CellSpan& span : rows.at(row)) {
            if (span.column == above.column)
                return span.columns == above.columns && span.definition
                    && span.definition->vertical == CellMerge::Next;
        }
        return false;
    };
    std::set<std::pair<int, int>> merged; // cells that went into the cell above
    for (int row = 0; row < rows.size(); ++row) {
        for (const CellSpan& span : rows.at(row)) {
            if (merged.count({ row, span.column }))
                continue;
            int height = 1;
            if (span.definition && span.definition->vertical == CellMerge::First) {
                while (row + height < rows.size() && continues(row + height, span))
                    merged.insert({ row + height++, span.column });
            }
            if (height > 1 || span.columns > 1)
                merge(row, span.column, height, span.columns);
        }
    }
}

// The table drops the first cell's paragraph when that cell is empty, and
// with it the paragraph's format; the merged cell gets it back. A cell's
// first paragraph keeps its character format in the cell's own format, the
// spans among it, so that format is added to, not replaced.
void TableBuilder::merge(int row, int column, int rows, int columns)
{
    const QTextTableCell first = m_table->cellAt(row, column);
    const QTextBlock block = first.firstCursorPosition().block();
    const bool empty = first.firstPosition() == first.lastPosition();
    const QTextBlockFormat paragraph = block.blockFormat();
    QTextCharFormat characters = block.charFormat();
    characters.clearProperty(QTextFormat::TableCellRowSpan);
    characters.clearProperty(QTextFormat::TableCellColumnSpan);
    m_table->mergeCells(row, column, rows, columns);
    if (!empty)
        return;
    QTextCursor merged = m_table->cellAt(row, column).firstCursorPosition();
    merged.setBlockFormat(paragraph);
    merged.mergeBlockCharFormat(characters);
}

void TableBuilder::formatCells(const QList<QList<CellSpan>>& rows, const QList<QColor>& colors)
{
    for (int row = 0; row < rows.size(); ++row) {
        for (const CellSpan& span : rows.at(row)) {
            if (!span.definition)
                continue;
            QTextTableCell cell = m_table->cellAt(row, span.column);
            QTextTableCellFormat format = cell.format().toTableCellFormat();
            const QColor background = colors.value(span.definition->background);
            if (span.definition->background > 0 && background.isValid())
                format.setBackground(background);
            if (span.definition->alignment != CellAlignment::Top)
                format.setVerticalAlignment(cellVerticalAlignment(span.definition->alignment));
            cell.setFormat(format);
        }
    }
}

void TableBuilder::formatTable()
{
    QTextTableFormat format = m_table->format();
    QList<QTextLength> widths;
    int left = m_first.left;
    for (const int edge : std::as_const(m_edges)) {
        widths.append(QTextLength(
            QTextLength::FixedLength, pixelsFromTwips(std::max(edge - left, kNarrowestCellTwips))));
        left = edge;
    }
    format.setColumnWidthConstraints(widths);
    format.setCellSpacing(0);
    format.setCellPadding(pixelsFromTwips(std::max(0, m_first.gap)));
    format.setBorderCollapse(true);
    int border = 0;
    for (const RowRecord& row : std::as_const(m_rows))
        border = std::max(border, row.definition.border);
    format.setBorder(border > 0 ? std::max(1.0, pixelsFromTwips(border)) : 0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setAlignment(toQtAlignment(m_first.alignment));
    format.setLeftMargin(pixelsFromTwips(std::max(0, m_first.left)));
    m_table->setFormat(format);
}

} // namespace richtext::rtf

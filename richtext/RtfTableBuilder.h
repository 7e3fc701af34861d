#pragma once

#include "richtext/RtfFormat.h"

#include <QColor>
#include <QList>
#include <QTextCursor>

class QTextTable;

namespace richtext::rtf {

enum class CellMerge : quint8 { None, First, Next };
enum class CellAlignment : quint8 { Top, Center, Bottom };

// A cell as a row definition gives it; lengths in twips.
struct CellDefinition
{
    int right = 0; // "\cellx": the cell's right edge
    CellMerge horizontal = CellMerge::None; // "\clmgf", "\clmrg"
    CellMerge vertical = CellMerge::None; // "\clvmgf", "\clvmrg"
    CellAlignment alignment = CellAlignment::Top;
    int background = 0; // "\clcbpat": a colour number, 0 for none

    bool operator==(const CellDefinition&) const = default;
};

// A table row as "\trowd" and the words after it define it.
struct RowDefinition
{
    int left = 0; // "\trleft"
    int gap = 0; // "\trgaph": half the space between two cells' text
    Alignment alignment = Alignment::Left;
    int border = 0; // widest border of the row or its cells in twips; 0: none
    QList<CellDefinition> cells;
    CellDefinition next; // properties of the cell whose "\cellx" is still to come

    void addCell(int right);
};

// Builds one table of the document from rows of cells as the reader meets
// them. Cells go into columns by their edges: rows whose edges differ get
// the columns of all of them, and a cell wider than a column spans several.
// Merged and spanning cells are joined when the table is closed, since the
// table's column operations assume no spans.
class TableBuilder
{
public:
    struct Place
    {
        QTextCursor cursor;
        bool fresh = false;     // the cursor is in an empty block that the next paragraph takes
        bool cellStart = false; // that block is a cell's first
    };

    bool isOpen() const { return m_table != nullptr; }
    bool rowEnded() const { return m_rowEnded; }
    // False once the document holds as many cells as a back text could
    // sensibly have; later rows are read as paragraphs.
    bool canStartRow(const RowDefinition& row) const;

    // Inserts the table at the cursor, beginning with a row.
    void open(QTextCursor& at, const RowDefinition& row);
    void startRow(const RowDefinition& row);
    // Where the text of the current cell goes.
    Place enterCell();
    void nextCell() { ++m_cell; }
    void endRow();
    // Joins merged cells, sets the column widths and borders; returns the
    // place after the table.
    Place close(const QList<QColor>& colors);

private:
    struct RowRecord
    {
        RowDefinition definition;
        int cellsUsed = 0;
    };
    struct CellSpan
    {
        int column = 0;
        int columns = 1;
        const CellDefinition* definition = nullptr;
    };

    void addBoundaries(const RowDefinition& row);
    bool insertBoundary(int twips);
    int columnOfEdge(int twips) const;
    int columnOfCell(const RowDefinition& row, const QList<int>& starts, int cell) const;
    int endOfCell(const RowDefinition& row, const QList<int>& starts, int cell) const;
    QList<int> startColumns(const RowDefinition& row) const;
    QList<CellSpan> cellSpans(const RowRecord& row) const;
    void mergeCells(const QList<QList<CellSpan>>& rows);
    void merge(int row, int column, int rows, int columns);
    void formatCells(const QList<QList<CellSpan>>& rows, const QList<QColor>& colors);
    void formatTable();

    QTextTable* m_table = nullptr;
    int m_cellsMade = 0; // over the whole document
    QList<int> m_edges; // right edges of the columns, ascending, in twips
    RowDefinition m_first; // the table's place and borders come from its first row
    RowDefinition m_current;
    QList<RowRecord> m_rows;
    QList<int> m_cellColumns; // the column of each defined cell of the current row
    int m_row = -1;
    int m_cell = 0;
    bool m_rowEnded = false;
};

} // namespace richtext::rtf

#pragma once

#include <QList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextOption>

// The formatting that rich-text files carry, in their own units, and its
// meeting point with the text document's formats. Lengths in the file are
// twips (1/1440 inch); the document measures them in pixels at 96 per inch,
// so 15 twips make a pixel and every twip value comes back unchanged.
namespace richtext::rtf {

constexpr int kDefaultHalfPoints = 24;  // 12 points, the size of unformatted text
constexpr int kMaxTwips = 31680;        // 22 inches, far beyond any page
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxTabStops = 64;
constexpr int kMaxBorderTwips = 240;    // a sixth of an inch
// Table cells are at least this wide; column edges closer than this are one.
constexpr int kNarrowestCellTwips = 20;

qreal pixelsFromTwips(int twips);
int twipsFromPixels(qreal pixels);
int clampTwips(qint64 twips);

enum class Underline : quint8 { None, Single, Dotted, Dashed, DashDot, DashDotDot, Wave };
enum class Script : quint8 { Normal, Super, Sub };
enum class Caps : quint8 { None, All, Small };

// Character formatting as a file states it. Fonts and colours are numbers
// into the file's font and colour tables; colour 0 is the automatic colour.
struct CharState
{
    int font = 0;
    int halfPoints = kDefaultHalfPoints;
    int foreground = 0;
    int background = 0;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    Underline underline = Underline::None;
    Script script = Script::Normal;
    Caps caps = Caps::None;

    bool operator==(const CharState&) const = default;
};

enum class Alignment : quint8 { Left, Center, Right, Justify };
enum class LineSpacing : quint8 { Single, AtLeast, Exactly, Multiple };

struct TabStop
{
    int twips = 0;
    QTextOption::TabType type = QTextOption::LeftTab;

    bool operator==(const TabStop&) const = default;
};

// Paragraph formatting as a file states it, lengths in twips.
struct ParagraphState
{
    Alignment alignment = Alignment::Left;
    int left = 0;
    int right = 0;
    int firstLine = 0;
    int before = 0;
    int after = 0;
    LineSpacing spacing = LineSpacing::Single;
    int spacingValue = 0; // twips, or 240ths of a line for Multiple
    bool pageBreakBefore = false;
    bool inTable = false; // "\intbl": the paragraph belongs to a table cell
    int list = 0;         // the list it is an item of ("\ls", or one of the "\pn" form); 0: none
    int listLevel = 0;    // "\ilvl", from 0
    QList<TabStop> tabs;

    bool operator==(const ParagraphState&) const = default;

    // Adds a tab stop in position order; a stop at a taken position replaces it.
    void addTab(TabStop stop);
};

// A font's name as a file can hold it: one line of text ended by ";", so
// without ";", tabs or line breaks, and without spaces around it.
QString fontName(QString family);

Qt::Alignment toQtAlignment(Alignment alignment);
Alignment fromQtAlignment(Qt::Alignment alignment);

QTextBlockFormat toBlockFormat(const ParagraphState& paragraph);
ParagraphState fromBlockFormat(const QTextBlockFormat& format, qreal indentWidth);

QTextCharFormat::UnderlineStyle toUnderlineStyle(Underline underline);
Underline fromUnderlineStyle(QTextCharFormat::UnderlineStyle style);

} // namespace richtext::rtf

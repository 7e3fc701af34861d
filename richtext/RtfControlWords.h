#pragma once

#include <QtGlobal>

#include <string_view>

// The control words the reader acts on. Everything else is ignored, and a
// group starting with "\*" and an unknown word is skipped whole.
namespace richtext::rtf {

enum class Op : quint8 {
    // destinations
    SkipDestination, // a group whose content is not text: pictures, headers, metadata...
    FontTable,
    ColorTable,
    Upr,             // two versions of the same text: the plain one is skipped...
    Ud,              // ...and this Unicode one kept
    Object,          // an embedded object...
    Result,          // ...and what it shows
    Picture,
    ShapePicture,    // a picture...
    NonShapePicture, // ...and its stand-in for readers without it
    ListTable,
    List,
    ListLevel,
    LevelText,
    ListOverrideTable,
    ListOverride,
    ListLabel,       // "\listtext", "\pntext"
    NestedRow,       // "\nesttableprops": the end of a row of a table in a table
    Numbering,       // "\pn"
    NumberingBefore, // "\pntxtb"
    NumberingAfter,  // "\pntxta"
    // document
    CharacterSet,    // \ansi, \mac, \pc, \pca; argument: their code page
    AnsiCodePage,
    DefaultFont,
    FallbackCount,   // \uc
    DefaultTab,
    // font table
    Font,
    FontCharset,
    FontCodePage,
    // colour table
    Red,
    Green,
    Blue,
    // paragraphs
    ParagraphDefaults,
    ParagraphEnd,
    PageBreak,
    Character,       // a word that stands for one character; argument: the character
    Align,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    LineSpacing,
    LineMultiple,
    TabPosition,
    TabKind,
    PageBreakBefore,
    // lists
    ListId,
    LevelNumberFormat,
    ListNumber,      // "\ls"
    ListLevelNumber, // "\ilvl"
    NumberingKind,   // argument: a NumberingKind
    NumberingLevel,
    NumberingStyle,  // argument: a QTextListFormat::Style
    // pictures
    PictureKind,     // argument: a PictureKind
    PictureValue,    // argument: a PictureValue
    // tables
    RowDefaults,
    RowLeft,
    RowGap,
    RowAlign,
    CellBoundary,
    CellMerge,       // argument: a CellMergeWord
    CellBackground,
    CellAlign,       // argument: a CellAlignment
    InTable,
    TableLevel,
    CellEnd,
    RowEnd,
    BorderOf,        // argument: a BorderOf
    BorderStyle,     // argument: 1 a line, 0 none
    BorderWidth,
    // characters
    Plain,
    Bold,
    Italic,
    Underline,
    Strike,
    FontSize,
    Foreground,
    Background,
    Script,
    Caps,
    Hidden,
    Unicode,
};

enum class NumberingKind : quint8 { Bullet, Body, Continue };
enum class PictureValue : quint8 { Width, Height, GoalWidth, GoalHeight, ScaleX, ScaleY, BitsPerPixel, WidthBytes };
enum class CellMergeWord : quint8 { First, Next, VerticalFirst, VerticalNext };
// Whose border the border words that follow describe.
enum class BorderOf : quint8 { Nothing, Row, Cell };

struct ControlWord
{
    std::string_view name;
    Op op;
    int argument = 0;
};

// The entry for a control word, or nullptr for one the reader ignores.
const ControlWord* findControlWord(std::string_view name);

} // namespace richtext::rtf

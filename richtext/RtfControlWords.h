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

struct ControlWord
{
    std::string_view name;
    Op op;
    int argument = 0;
};

// The entry for a control word, or nullptr for one the reader ignores.
const ControlWord* findControlWord(std::string_view name);

} // namespace richtext::rtf

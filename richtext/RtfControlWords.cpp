#include "richtext/RtfControlWords.h"

#include "richtext/RtfFormat.h"

#include <unordered_map>

namespace richtext::rtf {

namespace {

constexpr int kLineSeparator = 0x2028;

// Destinations whose content never belongs to the text. Groups marked "\*"
// with a word missing here are skipped as well.
constexpr std::string_view kSkippedDestinations[] = {
    "annotation", "atnauthor", "atndate", "atnicn", "atnid", "atnparent", "atnref", "atntime",
    "author", "background", "bkmkend", "bkmkstart", "buptim", "category", "colorschememapping",
    "comment", "company", "creatim", "datafield", "datastore", "defchp", "defpap", "do",
    "doccomm", "docvar", "falt", "fchars", "ffdeftext", "ffentrymcr", "ffexitmcr", "ffformat",
    "ffhelptext", "ffl", "ffname", "ffstattext", "file", "filetbl", "fldinst", "fldtype",
    "footer", "footerf", "footerl", "footerr", "footnote", "formfield", "ftncn", "ftnsep",
    "ftnsepc", "generator", "header", "headerf", "headerl", "headerr", "hlinkbase", "htmltag",
    "info", "keywords", "latentstyles", "lchars", "leveltext", "levelnumbers", "list",
    "listlevel", "listoverride", "listoverridetable", "listpicture", "listtable", "manager",
    "mhtmltag", "mmathPr", "nonshppict", "objalias", "objclass", "objdata", "object",
    "objname", "objsect", "objtime", "operator", "panose", "password", "pgdsctbl", "pict",
    "pn", "pntxta", "pntxtb", "printim", "private", "propname", "protusertbl", "result",
    "revtbl", "revtim", "rsidtbl", "rxe", "shp", "shpgrp", "shpinst", "shppict", "shprslt",
    "shptxt", "sn", "sp", "stylesheet", "subject", "sv", "tc", "template", "themedata",
    "title", "txe", "userprops", "wgrffmtfilter", "xe", "xmlnstbl",
};

// clang-format off
constexpr ControlWord kWords[] = {
    { "fonttbl", Op::FontTable },
    { "colortbl", Op::ColorTable },
    { "upr", Op::Upr },
    { "ud", Op::Ud },

    { "ansi", Op::CharacterSet, 1252 },
    { "mac", Op::CharacterSet, 10000 },
    { "pc", Op::CharacterSet, 437 },
    { "pca", Op::CharacterSet, 850 },
    { "ansicpg", Op::AnsiCodePage },
    { "deff", Op::DefaultFont },
    { "uc", Op::FallbackCount },
    { "deftab", Op::DefaultTab },

    { "f", Op::Font },
    { "fcharset", Op::FontCharset },
    { "cpg", Op::FontCodePage },

    { "red", Op::Red },
    { "green", Op::Green },
    { "blue", Op::Blue },

    { "pard", Op::ParagraphDefaults },
    { "par", Op::ParagraphEnd },
    { "sect", Op::ParagraphEnd },
    { "row", Op::ParagraphEnd },
    { "nestrow", Op::ParagraphEnd },
    { "page", Op::PageBreak },
    { "tab", Op::Character, '\t' },
    { "cell", Op::Character, '\t' },
    { "nestcell", Op::Character, '\t' },
    { "line", Op::Character, kLineSeparator },
    { "emdash", Op::Character, 0x2014 },
    { "endash", Op::Character, 0x2013 },
    { "emspace", Op::Character, 0x2003 },
    { "enspace", Op::Character, 0x2002 },
    { "qmspace", Op::Character, 0x2005 },
    { "bullet", Op::Character, 0x2022 },
    { "lquote", Op::Character, 0x2018 },
    { "rquote", Op::Character, 0x2019 },
    { "ldblquote", Op::Character, 0x201C },
    { "rdblquote", Op::Character, 0x201D },
    { "zwj", Op::Character, 0x200D },
    { "zwnj", Op::Character, 0x200C },
    { "zwbo", Op::Character, 0x200B },
    { "ltrmark", Op::Character, 0x200E },
    { "rtlmark", Op::Character, 0x200F },
    { "ql", Op::Align, int(Alignment::Left) },
    { "qc", Op::Align, int(Alignment::Center) },
    { "qr", Op::Align, int(Alignment::Right) },
    { "qj", Op::Align, int(Alignment::Justify) },
    { "qd", Op::Align, int(Alignment::Justify) },
    { "li", Op::LeftIndent },
    { "ri", Op::RightIndent },
    { "fi", Op::FirstIndent },
    { "sb", Op::SpaceBefore },
    { "sa", Op::SpaceAfter },
    { "sl", Op::LineSpacing },
    { "slmult", Op::LineMultiple },
    { "tx", Op::TabPosition },
    { "tqr", Op::TabKind, QTextOption::RightTab },
    { "tqc", Op::TabKind, QTextOption::CenterTab },
    { "tqdec", Op::TabKind, QTextOption::DelimiterTab },
    { "pagebb", Op::PageBreakBefore },

    { "plain", Op::Plain },
    { "b", Op::Bold },
    { "i", Op::Italic },
    { "ul", Op::Underline, int(Underline::Single) },
    { "ulnone", Op::Underline, int(Underline::None) },
    { "uldb", Op::Underline, int(Underline::Single) },
    { "ulth", Op::Underline, int(Underline::Single) },
    { "ulw", Op::Underline, int(Underline::Single) },
    { "uld", Op::Underline, int(Underline::Dotted) },
    { "ulthd", Op::Underline, int(Underline::Dotted) },
    { "uldash", Op::Underline, int(Underline::Dashed) },
    { "ulldash", Op::Underline, int(Underline::Dashed) },
    { "ulthdash", Op::Underline, int(Underline::Dashed) },
    { "uldashd", Op::Underline, int(Underline::DashDot) },
    { "ulthdashd", Op::Underline, int(Underline::DashDot) },
    { "uldashdd", Op::Underline, int(Underline::DashDotDot) },
    { "ulthdashdd", Op::Underline, int(Underline::DashDotDot) },
    { "ulwave", Op::Underline, int(Underline::Wave) },
    { "ulhwave", Op::Underline, int(Underline::Wave) },
    { "ululdbwave", Op::Underline, int(Underline::Wave) },
    { "strike", Op::Strike },
    { "striked", Op::Strike },
    { "fs", Op::FontSize },
    { "cf", Op::Foreground },
    { "cb", Op::Background },
    { "highlight", Op::Background },
    { "chcbpat", Op::Background },
    { "super", Op::Script, int(Script::Super) },
    { "sub", Op::Script, int(Script::Sub) },
    { "nosupersub", Op::Script, int(Script::Normal) },
    { "caps", Op::Caps, int(Caps::All) },
    { "scaps", Op::Caps, int(Caps::Small) },
    { "v", Op::Hidden },
    { "u", Op::Unicode },
};
// clang-format on

using WordTable = std::unordered_map<std::string_view, ControlWord>;

WordTable makeWordTable()
{
    WordTable words;
    for (const ControlWord& word : kWords)
        words.emplace(word.name, word);
    for (const std::string_view name : kSkippedDestinations)
        words.emplace(name, ControlWord { name, Op::SkipDestination });
    return words;
}

} // namespace

const ControlWord* findControlWord(std::string_view name)
{
    static const WordTable words = makeWordTable();
    const auto found = words.find(name);
    return found == words.end() ? nullptr : &found->second;
}

} // namespace richtext::rtf

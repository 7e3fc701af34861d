#include "richtext/RtfControlWords.h"

#include "richtext/RtfFormat.h"
#include "richtext/RtfPictures.h"
#include "richtext/RtfTableBuilder.h"

#include <QTextListFormat>

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
    "info", "keywords", "lfolevel", "listname", "nonesttables", "latentstyles", "lchars", "levelnumbers",
    "listpicture", "manager",
    "mhtmltag", "mmathPr", "objalias", "objclass", "objdata",
    "objname", "objsect", "objtime", "operator", "panose", "password", "pgdsctbl",
    "printim", "private", "propname", "protusertbl",
    "revtbl", "revtim", "rsidtbl", "rxe", "shp", "shpgrp", "shpinst", "shprslt",
    "shptxt", "sn", "sp", "stylesheet", "subject", "sv", "tc", "template", "themedata",
    "title", "txe", "userprops", "wgrffmtfilter", "xe", "xmlnstbl",
};

// clang-format off
constexpr ControlWord kWords[] = {
    { "fonttbl", Op::FontTable },
    { "colortbl", Op::ColorTable },
    { "upr", Op::Upr },
    { "ud", Op::Ud },
    { "object", Op::Object },
    { "result", Op::Result },
    { "pict", Op::Picture },
    { "shppict", Op::ShapePicture },
    { "nonshppict", Op::NonShapePicture },
    { "listtable", Op::ListTable },
    { "list", Op::List },
    { "listlevel", Op::ListLevel },
    { "leveltext", Op::LevelText },
    { "listoverridetable", Op::ListOverrideTable },
    { "listoverride", Op::ListOverride },
    { "listtext", Op::ListLabel },
    { "nesttableprops", Op::NestedRow },
    { "pntext", Op::ListLabel },
    { "pn", Op::Numbering },
    { "pntxtb", Op::NumberingBefore },
    { "pntxta", Op::NumberingAfter },

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
    { "row", Op::RowEnd },
    { "nestrow", Op::ParagraphEnd },
    { "page", Op::PageBreak },
    { "tab", Op::Character, '\t' },
    { "cell", Op::CellEnd },
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

    { "listid", Op::ListId },
    { "levelnfc", Op::LevelNumberFormat },
    { "levelnfcn", Op::LevelNumberFormat },
    { "ls", Op::ListNumber },
    { "ilvl", Op::ListLevelNumber },
    { "pnlvlblt", Op::NumberingKind, int(NumberingKind::Bullet) },
    { "pnlvlbody", Op::NumberingKind, int(NumberingKind::Body) },
    { "pnlvlcont", Op::NumberingKind, int(NumberingKind::Continue) },
    { "pnlvl", Op::NumberingLevel },
    { "pndec", Op::NumberingStyle, QTextListFormat::ListDecimal },
    { "pnucltr", Op::NumberingStyle, QTextListFormat::ListUpperAlpha },
    { "pnlcltr", Op::NumberingStyle, QTextListFormat::ListLowerAlpha },
    { "pnucrm", Op::NumberingStyle, QTextListFormat::ListUpperRoman },
    { "pnlcrm", Op::NumberingStyle, QTextListFormat::ListLowerRoman },

    { "pngblip", Op::PictureKind, int(PictureKind::Png) },
    { "jpegblip", Op::PictureKind, int(PictureKind::Jpeg) },
    { "dibitmap", Op::PictureKind, int(PictureKind::Dib) },
    { "wbitmap", Op::PictureKind, int(PictureKind::DeviceBitmap) },
    { "emfblip", Op::PictureKind, int(PictureKind::Metafile) },
    { "wmetafile", Op::PictureKind, int(PictureKind::Metafile) },
    { "macpict", Op::PictureKind, int(PictureKind::Metafile) },
    { "pmmetafile", Op::PictureKind, int(PictureKind::Metafile) },
    { "picw", Op::PictureValue, int(PictureValue::Width) },
    { "pich", Op::PictureValue, int(PictureValue::Height) },
    { "picwgoal", Op::PictureValue, int(PictureValue::GoalWidth) },
    { "pichgoal", Op::PictureValue, int(PictureValue::GoalHeight) },
    { "picscalex", Op::PictureValue, int(PictureValue::ScaleX) },
    { "picscaley", Op::PictureValue, int(PictureValue::ScaleY) },
    { "wbmbitspixel", Op::PictureValue, int(PictureValue::BitsPerPixel) },
    { "wbmwidthbytes", Op::PictureValue, int(PictureValue::WidthBytes) },

    { "trowd", Op::RowDefaults },
    { "trleft", Op::RowLeft },
    { "trgaph", Op::RowGap },
    { "trql", Op::RowAlign, int(Alignment::Left) },
    { "trqc", Op::RowAlign, int(Alignment::Center) },
    { "trqr", Op::RowAlign, int(Alignment::Right) },
    { "cellx", Op::CellBoundary },
    { "clmgf", Op::CellMerge, int(CellMergeWord::First) },
    { "clmrg", Op::CellMerge, int(CellMergeWord::Next) },
    { "clvmgf", Op::CellMerge, int(CellMergeWord::VerticalFirst) },
    { "clvmrg", Op::CellMerge, int(CellMergeWord::VerticalNext) },
    { "clcbpat", Op::CellBackground },
    { "clvertalt", Op::CellAlign, int(CellAlignment::Top) },
    { "clvertalc", Op::CellAlign, int(CellAlignment::Center) },
    { "clvertalb", Op::CellAlign, int(CellAlignment::Bottom) },
    { "intbl", Op::InTable },
    { "itap", Op::TableLevel },
    { "trbrdrt", Op::BorderOf, int(BorderOf::Row) },
    { "trbrdrl", Op::BorderOf, int(BorderOf::Row) },
    { "trbrdrb", Op::BorderOf, int(BorderOf::Row) },
    { "trbrdrr", Op::BorderOf, int(BorderOf::Row) },
    { "trbrdrh", Op::BorderOf, int(BorderOf::Row) },
    { "trbrdrv", Op::BorderOf, int(BorderOf::Row) },
    { "clbrdrt", Op::BorderOf, int(BorderOf::Cell) },
    { "clbrdrl", Op::BorderOf, int(BorderOf::Cell) },
    { "clbrdrb", Op::BorderOf, int(BorderOf::Cell) },
    { "clbrdrr", Op::BorderOf, int(BorderOf::Cell) },
    { "brdrt", Op::BorderOf, int(BorderOf::Nothing) },
    { "brdrl", Op::BorderOf, int(BorderOf::Nothing) },
    { "brdrb", Op::BorderOf, int(BorderOf::Nothing) },
    { "brdrr", Op::BorderOf, int(BorderOf::Nothing) },
    { "brdrbtw", Op::BorderOf, int(BorderOf::Nothing) },
    { "brdrbar", Op::BorderOf, int(BorderOf::Nothing) },
    { "box", Op::BorderOf, int(BorderOf::Nothing) },
    { "brdrnone", Op::BorderStyle, 0 },
    { "brdrnil", Op::BorderStyle, 0 },
    { "brdrtbl", Op::BorderStyle, 0 },
    { "brdrs", Op::BorderStyle, 1 },
    { "brdrth", Op::BorderStyle, 1 },
    { "brdrsh", Op::BorderStyle, 1 },
    { "brdrdb", Op::BorderStyle, 1 },
    { "brdrdot", Op::BorderStyle, 1 },
    { "brdrdash", Op::BorderStyle, 1 },
    { "brdrdashsm", Op::BorderStyle, 1 },
    { "brdrdashd", Op::BorderStyle, 1 },
    { "brdrdashdd", Op::BorderStyle, 1 },
    { "brdrhair", Op::BorderStyle, 1 },
    { "brdrtriple", Op::BorderStyle, 1 },
    { "brdrinset", Op::BorderStyle, 1 },
    { "brdroutset", Op::BorderStyle, 1 },
    { "brdremboss", Op::BorderStyle, 1 },
    { "brdrengrave", Op::BorderStyle, 1 },
    { "brdrwavy", Op::BorderStyle, 1 },
    { "brdrw", Op::BorderWidth },

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

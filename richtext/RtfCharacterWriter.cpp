#include "richtext/RtfCharacterWriter.h"

#include <QBrush>

#include <algorithm>
#include <cmath>

namespace richtext::rtf {

namespace {

int halfPointsOf(const QFont& font)
{
    constexpr qreal kPointsPerPixel = 72.0 / 96.0;
    const qreal points
        = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * kPointsPerPixel;
    if (!(points > 0))
        return kDefaultHalfPoints;
    return int(std::lround(std::clamp<qreal>(points * 2, 2, kMaxHalfPoints)));
}

Script scriptOf(QTextCharFormat::VerticalAlignment alignment)
{
    switch (alignment) {
    case QTextCharFormat::AlignSuperScript:
        return Script::Super;
    case QTextCharFormat::AlignSubScript:
        return Script::Sub;
    default:
        return Script::Normal;
    }
}

Caps capsOf(QFont::Capitalization capitalization)
{
    switch (capitalization) {
    case QFont::AllUppercase:
        return Caps::All;
    case QFont::SmallCaps:
        return Caps::Small;
    default:
        return Caps::None;
    }
}

const char* underlineWord(Underline underline)
{
    switch (underline) {
    case Underline::None:
        return "ulnone";
    case Underline::Single:
        return "ul";
    case Underline::Dotted:
        return "uld";
    case Underline::Dashed:
        return "uldash";
    case Underline::DashDot:
        return "uldashd";
    case Underline::DashDotDot:
        return "uldashdd";
    case Underline::Wave:
        return "ulwave";
    }
    return "ulnone";
}

const char* scriptWord(Script script)
{
    switch (script) {
    case Script::Super:
        return "super";
    case Script::Sub:
        return "sub";
    case Script::Normal:
        break;
    }
    return "nosupersub";
}

} // namespace

QString familyOf(const QFont& font)
{
    const QStringList families = font.families();
    return families.isEmpty() ? font.family() : families.first();
}

CharacterWriter::CharacterWriter(const QFont& defaultFont)
    : m_defaultFont(defaultFont)
{
    fontIndex(familyOf(m_defaultFont)); // the default font is font 0
    m_colors.append(QColor()); // colour 0 is the automatic colour
}

void CharacterWriter::writeFontTable(RtfOutput& out) const
{
    out.raw("{");
    out.word("fonttbl");
    for (int i = 0; i < m_fonts.size(); ++i) {
        out.raw("{");
        out.word("f", i);
        out.word("fnil");
        out.word("fcharset", 0);
        out.text(m_fonts.at(i));
        out.raw(";}");
    }
    out.raw("}");
    out.lineEnd();
}

void CharacterWriter::writeColorTable(RtfOutput& out) const
{
    if (m_colors.size() == 1)
        return;
    out.raw("{");
    out.word("colortbl");
    out.raw(";");
    for (qsizetype i = 1; i < m_colors.size(); ++i) {
        const QColor& color = m_colors.at(i);
        out.word("red", color.red());
        out.word("green", color.green());
        out.word("blue", color.blue());
        out.raw(";");
    }
    out.raw("}");
    out.lineEnd();
}

void CharacterWriter::writeRun(RtfOutput& out, const CharState& state, QStringView text)
{
    if (state.script == Script::Normal) {
        switchTo(out, state);
        out.text(text);
        return;
    }
    CharState outside = state;
    outside.script = Script::Normal;
    switchTo(out, outside);
    out.raw("{");
    out.word(scriptWord(state.script));
    out.text(text);
    out.raw("}");
}

void CharacterWriter::switchTo(RtfOutput& out, const CharState& wanted)
{
    writeChanges(out, m_current, wanted);
    m_current = wanted;
    m_current.script = Script::Normal;
}

// "\plain" sets the document's defaults: font 0 at 12 points.
void CharacterWriter::writeWhole(RtfOutput& out, const CharState& state)
{
    out.word("plain");
    CharState upright = state;
    upright.script = Script::Normal;
    writeChanges(out, CharState(), upright);
}

void CharacterWriter::writeChanges(RtfOutput& out, const CharState& now, const CharState& wanted)
{
    if (wanted.font != now.font)
        out.word("f", wanted.font);
    if (wanted.halfPoints != now.halfPoints)
        out.word("fs", wanted.halfPoints);
    if (wanted.bold != now.bold)
        wanted.bold ? out.word("b") : out.word("b", 0);
    if (wanted.italic != now.italic)
        wanted.italic ? out.word("i") : out.word("i", 0);
    if (wanted.strike != now.strike)
        wanted.strike ? out.word("strike") : out.word("strike", 0);
    if (wanted.underline != now.underline)
        out.word(underlineWord(wanted.underline));
    if (wanted.caps != now.caps)
        writeCaps(out, now.caps, wanted.caps);
    if (wanted.foreground != now.foreground)
        out.word("cf", wanted.foreground);
    if (wanted.background != now.background)
        out.word("highlight", wanted.background);
}

void CharacterWriter::writeCaps(RtfOutput& out, Caps now, Caps wanted)
{
    if (now == Caps::All)
        out.word("caps", 0);
    else if (now == Caps::Small)
        out.word("scaps", 0);
    if (wanted == Caps::All)
        out.word("caps");
    else if (wanted == Caps::Small)
        out.word("scaps");
}

CharState CharacterWriter::charState(int formatIndex, const QTextCharFormat& format)
{
    const auto known = m_charStates.constFind(formatIndex);
    if (known != m_charStates.constEnd())
        return *known;
    const CharState state = makeCharState(format);
    m_charStates.insert(formatIndex, state);
    return state;
}

CharState CharacterWriter::makeCharState(const QTextCharFormat& format)
{
    const QFont font = format.font().resolve(m_defaultFont);
    CharState state;
    state.font = fontIndex(familyOf(font));
    state.halfPoints = halfPointsOf(font);
    state.bold = font.weight() > QFont::Medium;
    state.italic = font.italic();
    state.strike = font.strikeOut();
    state.underline = fromUnderlineStyle(format.underlineStyle());
    if (state.underline == Underline::None && font.underline())
        state.underline = Underline::Single;
    state.script = scriptOf(format.verticalAlignment());
    state.caps = capsOf(font.capitalization());
    state.foreground = colorIndex(format, QTextFormat::ForegroundBrush);
    state.background = colorIndex(format, QTextFormat::BackgroundBrush);
    return state;
}

// Fonts are told apart by the names the file can hold.
int CharacterWriter::fontIndex(const QString& family)
{
    const QString name = fontName(family);
    const auto known = m_fontIndex.constFind(name);
    if (known != m_fontIndex.constEnd())
        return *known;
    const int index = int(m_fonts.size());
    m_fonts.append(name);
    m_fontIndex.insert(name, index);
    return index;
}

int CharacterWriter::colorIndex(const QTextCharFormat& format, QTextFormat::Property property)
{
    if (!format.hasProperty(property))
        return 0;
    const QBrush brush = format.brushProperty(property);
    if (brush.style() == Qt::NoBrush)
        return 0;
    return colorIndex(brush.color());
}

int CharacterWriter::colorIndex(const QColor& color)
{
    const QRgb rgb = color.rgb();
    const auto known = m_colorIndex.constFind(rgb);
    if (known != m_colorIndex.constEnd())
        return *known;
    const int index = int(m_colors.size());
    m_colors.append(QColor::fromRgb(rgb));
    m_colorIndex.insert(rgb, index);
    return index;
}

} // namespace richtext::rtf

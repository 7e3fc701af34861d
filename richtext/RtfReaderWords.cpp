// The reader's handling of control words: destinations, document settings,
// font and colour tables, paragraph and character formatting.
#include "richtext/RtfReader.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace richtext::rtf {

namespace {

constexpr int kMaxFallbackCount = 16;

} // namespace

void RtfReader::handleWord(std::string_view name, Parameter parameter)
{
    const bool ignorable = std::exchange(m_ignorableNext, false);
    const ControlWord* word = findControlWord(name);
    if (!word) {
        if (ignorable)
            m_skipDepth = 1;
        return;
    }
    if (top().destination == Destination::Upr) {
        if (word->op == Op::Ud)
            top().destination = top().outer;
        return;
    }
    if (applyDestinationWord(*word) || applyDocumentWord(*word, parameter))
        return;
    if (word->op == Op::Unicode) {
        addUnicode(parameter);
        return;
    }
    switch (top().destination) {
    case Destination::Text:
    case Destination::ListLabel:
    case Destination::LevelText:
    case Destination::NumberingBefore:
    case Destination::NumberingAfter:
        applyTextWord(*word, parameter);
        break;
    case Destination::FontTable:
        applyFontTableWord(*word, parameter);
        break;
    case Destination::ColorTable:
        applyColorTableWord(*word, parameter);
        break;
    case Destination::Picture:
        applyPictureWord(*word, parameter);
        break;
    case Destination::List:
    case Destination::ListLevel:
    case Destination::ListOverride:
        applyListWord(*word, parameter);
        break;
    case Destination::Numbering:
        applyNumberingWord(*word, parameter);
        break;
    default:
        break;
    }
}

bool RtfReader::applyDestinationWord(const ControlWord& word)
{
    GroupState& state = top();
    switch (word.op) {
    case Op::SkipDestination:
        m_skipDepth = 1;
        return true;
    case Op::FontTable:
        state.destination = Destination::FontTable;
        m_font = {};
        return true;
    case Op::ColorTable:
        state.destination = Destination::ColorTable;
        m_colorGiven = false;
        return true;
    case Op::Upr:
        state.outer = state.destination;
        state.destination = Destination::Upr;
        return true;
    case Op::Ud:
        return true; // outside "\upr" it changes nothing
    default:
        return applyObjectWord(word);
    }
}

bool RtfReader::applyDocumentWord(const ControlWord& word, Parameter parameter)
{
    switch (word.op) {
    case Op::CharacterSet:
        m_documentCodePage = word.argument;
        return true;
    case Op::AnsiCodePage:
        if (parameter.value > 0)
            m_documentCodePage = parameter.value;
        return true;
    case Op::DefaultFont:
        m_defaultFont = parameter.value;
        top().chars.font = m_defaultFont;
        return true;
    case Op::FallbackCount:
        top().fallbackCount = std::clamp(parameter.value, 0, kMaxFallbackCount);
        return true;
    case Op::DefaultTab:
        if (parameter.value > 0)
            m_defaultTab = clampTwips(parameter.value);
        return true;
    default:
        return false;
    }
}

void RtfReader::applyFontTableWord(const ControlWord& word, Parameter parameter)
{
    switch (word.op) {
    case Op::Font:
        startFont(parameter.value);
        break;
    case Op::FontCharset:
        m_font.codePage = codePageForCharset(parameter.value);
        break;
    case Op::FontCodePage:
        m_font.codePage = std::max(0, parameter.value);
        break;
    default:
        break;
    }
}

void RtfReader::applyColorTableWord(const ControlWord& word, Parameter parameter)
{
    const int component = std::clamp(parameter.value, 0, 255);
    switch (word.op) {
    case Op::Red:
        m_red = component;
        break;
    case Op::Green:
        m_green = component;
        break;
    case Op::Blue:
        m_blue = component;
        break;
    default:
        return;
    }
    m_colorGiven = true;
}

void RtfReader::applyTextWord(const ControlWord& word, Parameter parameter)
{
    if (!applyParagraphWord(word, parameter) && !applyTableWord(word, parameter) && !applyListWord(word, parameter))
        applyCharacterWord(word, parameter);
}

bool RtfReader::applyParagraphWord(const ControlWord& word, Parameter parameter)
{
    GroupState& state = top();
    ParagraphState& paragraph = state.paragraph;
    switch (word.op) {
    case Op::ParagraphDefaults:
        paragraph = {};
        state.lineMultiple = false;
        state.pendingTab = QTextOption::LeftTab;
        break;
    case Op::ParagraphEnd:
        endParagraph();
        break;
    case Op::PageBreak:
        endParagraph();
        m_builder.breakPageBeforeNextParagraph();
        break;
    case Op::Character:
        addCharacter(char16_t(word.argument));
        break;
    case Op::Align:
        paragraph.alignment = Alignment(word.argument);
        break;
    case Op::LeftIndent:
        paragraph.left = clampTwips(parameter.value);
        break;
    case Op::RightIndent:
        paragraph.right = clampTwips(parameter.value);
        break;
    case Op::FirstIndent:
        paragraph.firstLine = clampTwips(parameter.value);
        break;
    case Op::SpaceBefore:
        paragraph.before = std::max(0, clampTwips(parameter.value));
        break;
    case Op::SpaceAfter:
        paragraph.after = std::max(0, clampTwips(parameter.value));
        break;
    case Op::LineSpacing:
        setLineSpacing(parameter.value);
        break;
    case Op::LineMultiple:
        state.lineMultiple = parameter.isOn();
        setLineSpacing(paragraph.spacing == LineSpacing::Exactly ? -paragraph.spacingValue
                                                                  : paragraph.spacingValue);
        break;
    case Op::TabKind:
        state.pendingTab = QTextOption::TabType(word.argument);
        break;
    case Op::TabPosition:
        paragraph.addTab({ std::max(0, clampTwips(parameter.value)), state.pendingTab });
        state.pendingTab = QTextOption::LeftTab;
        break;
    case Op::PageBreakBefore:
        paragraph.pageBreakBefore = parameter.isOn();
        break;
    default:
        return false;
    }
    return true;
}

// "\slN": N twips at least, exactly -N twips when negative, or N/240 lines
// with "\slmult1"; 0 is single spacing.
void RtfReader::setLineSpacing(int value)
{
    ParagraphState& paragraph = top().paragraph;
    const int twips = clampTwips(value);
    paragraph.spacingValue = std::abs(twips);
    if (twips == 0)
        paragraph.spacing = LineSpacing::Single;
    else if (twips < 0)
        paragraph.spacing = LineSpacing::Exactly;
    else
        paragraph.spacing = top().lineMultiple ? LineSpacing::Multiple : LineSpacing::AtLeast;
}

bool RtfReader::applyCharacterWord(const ControlWord& word, Parameter parameter)
{
    CharState& chars = top().chars;
    const bool on = parameter.isOn();
    switch (word.op) {
    case Op::Plain:
        chars = {};
        chars.font = m_defaultFont;
        break;
    case Op::Font:
        chars.font = parameter.value;
        break;
    case Op::Bold:
        chars.bold = on;
        break;
    case Op::Italic:
        chars.italic = on;
        break;
    case Op::Strike:
        chars.strike = on;
        break;
    case Op::Hidden:
        chars.hidden = on;
        break;
    case Op::Underline:
        chars.underline = on ? Underline(word.argument) : Underline::None;
        break;
    case Op::Script:
        chars.script = on ? Script(word.argument) : Script::Normal;
        break;
    case Op::Caps: // "\caps0" ends all capitals, not small ones
        if (on)
            chars.caps = Caps(word.argument);
        else if (chars.caps == Caps(word.argument))
            chars.caps = Caps::None;
        break;
    case Op::FontSize:
        chars.halfPoints = parameter.value > 0 ? std::clamp(parameter.value, 2, kMaxHalfPoints)
                                               : kDefaultHalfPoints;
        break;
    case Op::Foreground:
        chars.foreground = std::max(0, parameter.value);
        break;
    case Op::Background:
        chars.background = std::max(0, parameter.value);
        break;
    default:
        return false;
    }
    return true;
}

void RtfReader::endParagraph()
{
    if (top().destination != Destination::Text)
        return;
    settleSurrogate();
    settleListLabel();
    m_builder.endParagraph(top().chars, top().paragraph);
}

void RtfReader::endCell()
{
    if (top().destination != Destination::Text)
        return;
    settleSurrogate();
    settleListLabel();
    if (!m_builder.endCell(top().chars, top().paragraph))
        addCharacter(u'\t');
}

void RtfReader::endRow()
{
    if (top().destination != Destination::Text)
        return;
    settleSurrogate();
    settleListLabel();
    if (!m_builder.endRow(top().chars, top().paragraph))
        m_builder.endParagraph(top().chars, top().paragraph);
}

} // namespace richtext::rtf

#include "platform/RtfReader.h"

#include <QTextDocument>

#include <algorithm>
#include <cstring>

namespace platform::rtf {

namespace {

constexpr std::size_t kMaxGroupDepth = 1024; // deeper groups are skipped whole
constexpr std::size_t kMaxWordLength = 32;
constexpr int kMaxFallbackCount = 16;
constexpr qsizetype kMaxColors = 16384;
constexpr qint64 kParameterLimit = 2147483647;

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool endsText(char c)
{
    return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n';
}

} // namespace

RtfReader::RtfReader(QTextDocument& document)
    : m_document(document)
    , m_builder(document, m_tables)
{
    m_groups.reserve(64);
}

void RtfReader::read(QByteArrayView rtf)
{
    m_pos = rtf.data();
    m_end = m_pos + rtf.size();
    parse();
    if (!m_groups.empty()) {
        flushBytes(); // a file cut short keeps the text read so far
        settleSurrogate();
    }
    m_builder.finish();
    if (m_defaultTab > 0) {
        QTextOption option = m_document.defaultTextOption();
        option.setTabStopDistance(pixelsFromTwips(m_defaultTab));
        m_document.setDefaultTextOption(option);
    }
}

// ---- scanning

void RtfReader::parse()
{
    while (m_pos < m_end && !m_finished) {
        if (m_skipDepth > 0) {
            skipGroupContent();
            continue;
        }
        const char c = *m_pos;
        if (m_groups.empty() && c != '{') { // nothing counts before the outer group
            ++m_pos;
            continue;
        }
        switch (c) {
        case '{':
            ++m_pos;
            openGroup();
            break;
        case '}':
            ++m_pos;
            closeGroup();
            break;
        case '\\':
            ++m_pos;
            readControl();
            break;
        case '\r':
        case '\n':
            ++m_pos;
            break;
        default:
            readText();
            break;
        }
    }
}

void RtfReader::readText()
{
    m_ignorableNext = false;
    const char* start = m_pos;
    while (m_pos < m_end && !endsText(*m_pos))
        ++m_pos;
    addBytes(start, m_pos - start);
}

void RtfReader::readControl()
{
    if (m_pos == m_end)
        return;
    if (isLetter(*m_pos)) {
        readControlWord();
        return;
    }
    const char symbol = *m_pos++;
    if (symbol == '\'') {
        readHexByte();
        return;
    }
    if (symbol == '\\' || symbol == '{' || symbol == '}') {
        m_ignorableNext = false;
        if (!consumeFallback())
            addBytes(&symbol, 1); // a text byte like any other, possibly a trail byte
        return;
    }
    flushBytes();
    if (consumeFallback())
        return;
    readControlSymbol(symbol);
}

void RtfReader::readControlWord()
{
    const std::string_view name = scanWordName();
    const Parameter parameter = scanParameter();
    if (name == "bin") {
        skipBinary(parameter); // binary data is never text, in any group
        consumeFallback();
        return;
    }
    flushBytes();
    if (consumeFallback())
        return;
    handleWord(name, parameter);
}

std::string_view RtfReader::scanWordName()
{
    const char* start = m_pos;
    while (m_pos < m_end && isLetter(*m_pos))
        ++m_pos;
    const auto length = std::size_t(m_pos - start);
    if (length > kMaxWordLength)
        return {}; // no such word: ignored, or skipped after "\*"
    return { start, length };
}

RtfReader::Parameter RtfReader::scanParameter()
{
    Parameter parameter;
    bool negative = false;
    if (m_pos + 1 < m_end && *m_pos == '-' && isDigit(m_pos[1])) {
        negative = true;
        ++m_pos;
    }
    qint64 value = 0;
    while (m_pos < m_end && isDigit(*m_pos)) {
        parameter.present = true;
        value = std::min(value * 10 + (*m_pos - '0'), kParameterLimit);
        ++m_pos;
    }
    parameter.value = int(negative ? -value : value);
    if (m_pos < m_end && *m_pos == ' ')
        ++m_pos; // the delimiting space belongs to the word
    return parameter;
}

void RtfReader::skipBinary(Parameter length)
{
    const qint64 wanted = std::max(0, length.value);
    m_pos += std::min<qint64>(wanted, m_end - m_pos);
}

// "\'hh"; an escape cut short by a character that is no hex digit is dropped.
void RtfReader::readHexByte()
{
    int value = 0;
    int digits = 0;
    while (digits < 2 && m_pos < m_end && hexValue(*m_pos) >= 0) {
        value = value * 16 + hexValue(*m_pos++);
        ++digits;
    }
    if (consumeFallback() || digits < 2)
        return;
    const char byte = char(value);
    addBytes(&byte, 1);
}

void RtfReader::readControlSymbol(char symbol)
{
    m_ignorableNext = false;
    switch (symbol) {
    case '~':
        addCharacter(0x00A0);
        break;
    case '-':
        addCharacter(0x00AD);
        break;
    case '_':
        addCharacter(0x2011);
        break;
    case '\t':
        addCharacter(u'\t');
        break;
    case '\r':
    case '\n':
        endParagraph();
        break;
    case '*':
        m_ignorableNext = true;
        break;
    default:
        break;
    }
}

// Skips a group's content by counting braces; only "\bin" data needs care,
// since its bytes may hold anything, braces included.
void RtfReader::skipGroupContent()
{
    while (m_pos < m_end) {
        const char c = *m_pos++;
        if (c == '{') {
            ++m_skipDepth;
        } else if (c == '}') {
            if (--m_skipDepth == 0) {
                closeGroup();
                return;
            }
        } else if (c == '\\' && m_pos < m_end) {
            if (!isLetter(*m_pos)) {
                ++m_pos;
                continue;
            }
            const std::string_view name = scanWordName();
            const Parameter parameter = scanParameter();
            if (name == "bin")
                skipBinary(parameter);
        }
    }
}

// After "\uN" the next N characters of the file are the plain-text stand-in
// for the Unicode character and are passed over. Braces end the stand-in.
bool RtfReader::consumeFallback()
{
    if (m_fallbackLeft == 0)
        return false;
    --m_fallbackLeft;
    return true;
}

// ---- groups

void RtfReader::openGroup()
{
    flushBytes();
    m_ignorableNext = false;
    m_fallbackLeft = 0;
    if (m_groups.empty()) {
        m_groups.emplace_back();
        return;
    }
    GroupState inner = top();
    m_groups.push_back(std::move(inner));
    if (m_groups.size() > kMaxGroupDepth)
        m_skipDepth = 1;
}

void RtfReader::closeGroup()
{
    flushBytes();
    m_ignorableNext = false;
    m_fallbackLeft = 0;
    const Destination destination = top().destination;
    settleSurrogate();
    if (destination == Destination::FontTable)
        commitFont();
    m_groups.pop_back();
    if (destination == Destination::FontTable || destination == Destination::ColorTable)
        m_builder.tablesChanged();
    m_finished = m_groups.empty();
}

// ---- control words

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
            top().destination = top().uprOuter;
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
        applyTextWord(*word, parameter);
        break;
    case Destination::FontTable:
        applyFontTableWord(*word, parameter);
        break;
    case Destination::ColorTable:
        applyColorTableWord(*word, parameter);
        break;
    case Destination::Upr:
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
        state.uprOuter = state.destination;
        state.destination = Destination::Upr;
        return true;
    case Op::Ud:
        return true; // outside "\upr" it changes nothing
    default:
        return false;
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
    if (!applyParagraphWord(word, parameter))
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
    m_builder.endParagraph(top().chars, top().paragraph);
}

// ---- text

void RtfReader::addBytes(const char* bytes, qsizetype size)
{
    const qsizetype skipped = std::min<qsizetype>(m_fallbackLeft, size);
    m_fallbackLeft -= int(skipped);
    bytes += skipped;
    size -= skipped;
    if (size == 0)
        return;
    switch (top().destination) {
    case Destination::Text:
        m_bytes.append(bytes, size);
        break;
    case Destination::FontTable:
        addFontTableBytes(bytes, size);
        break;
    case Destination::ColorTable:
        addColorTableBytes(bytes, size);
        break;
    case Destination::Upr:
        break;
    }
}

// A font's name ends with ";".
void RtfReader::addFontTableBytes(const char* bytes, qsizetype size)
{
    const char* end = bytes + size;
    while (bytes < end) {
        const char* semicolon = static_cast<const char*>(std::memchr(bytes, ';', std::size_t(end - bytes)));
        const char* nameEnd = semicolon ? semicolon : end;
        m_bytes.append(bytes, nameEnd - bytes);
        if (!semicolon)
            return;
        flushBytes();
        commitFont();
        bytes = semicolon + 1;
    }
}

// Each colour ends with ";"; one without components is the automatic colour.
void RtfReader::addColorTableBytes(const char* bytes, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (bytes[i] == ';')
            commitColor();
    }
}

void RtfReader::addCharacter(char16_t character)
{
    QString* text = sink();
    if (!text)
        return;
    if (QChar::isHighSurrogate(character)) {
        settleSurrogate();
        m_highSurrogate = character;
        return;
    }
    if (QChar::isLowSurrogate(character)) {
        if (m_highSurrogate)
            text->append(QChar(std::exchange(m_highSurrogate, 0))).append(QChar(character));
        else
            text->append(QChar(QChar::ReplacementCharacter));
        return;
    }
    settleSurrogate();
    if (isTextCharacter(character))
        text->append(QChar(character));
}

// "\uN": N is a signed 16-bit number, so characters above 32767 may come
// negative; characters beyond the first plane come as two surrogates.
void RtfReader::addUnicode(Parameter parameter)
{
    int code = parameter.value;
    if (code < 0)
        code += 0x10000;
    if (code >= 0 && code <= 0xFFFF)
        addCharacter(char16_t(code));
    m_fallbackLeft = top().fallbackCount;
}

// A high surrogate not followed by its low half stands for nothing readable.
void RtfReader::settleSurrogate()
{
    if (!m_highSurrogate)
        return;
    m_highSurrogate = 0;
    if (QString* text = sink())
        text->append(QChar(QChar::ReplacementCharacter));
}

void RtfReader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    settleSurrogate();
    if (QString* text = sink()) {
        m_codePages.get(currentCodePage()).decode(m_bytes.constData(), m_bytes.size(), *text);
    }
    m_bytes.resize(0);
}

QString* RtfReader::sink()
{
    GroupState& state = top();
    switch (state.destination) {
    case Destination::Text:
        return m_builder.runFor(state.chars, state.paragraph);
    case Destination::FontTable:
        return &m_font.family;
    default:
        return nullptr;
    }
}

int RtfReader::currentCodePage() const
{
    const GroupState& state = m_groups.back();
    int codePage = 0;
    if (state.destination == Destination::FontTable) {
        codePage = m_font.codePage;
    } else {
        const auto font = m_tables.fonts.constFind(state.chars.font);
        if (font != m_tables.fonts.constEnd())
            codePage = font->codePage;
    }
    return codePage > 0 ? codePage : m_documentCodePage;
}

// ---- tables

void RtfReader::startFont(int number)
{
    commitFont();
    m_fontNumber = number;
    m_font = {};
}

void RtfReader::commitFont()
{
    flushBytes();
    const QString family = m_font.family.trimmed();
    if (!family.isEmpty())
        m_tables.fonts.insert(m_fontNumber, { family, m_font.codePage });
    m_font.family.clear();
}

void RtfReader::commitColor()
{
    if (m_tables.colors.size() < kMaxColors)
        m_tables.colors.append(m_colorGiven ? QColor(m_red, m_green, m_blue) : QColor());
    m_red = m_green = m_blue = 0;
    m_colorGiven = false;
}

} // namespace platform::rtf

#include "richtext/RtfReader.h"

#include <QTextDocument>

#include <algorithm>

namespace richtext::rtf {

namespace {

constexpr std::size_t kMaxGroupDepth = 1024; // deeper groups share the state at this depth
constexpr std::size_t kMaxWordLength = 32;
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
            if (top().destination == Destination::Picture)
                readPictureData();
            else
                readText();
            break;
        }
    }
}

// Picture data is megabytes of hexadecimal digits, read in one go up to the
// next control word or group.
void RtfReader::readPictureData()
{
    m_ignorableNext = false;
    const char* start = m_pos;
    while (m_pos < m_end && *m_pos != '\\' && *m_pos != '{' && *m_pos != '}')
        ++m_pos;
    m_picture.addHex(start, m_pos - start);
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
    m_fallbackLeft = 0;
    readControlSymbol(symbol);
}

void RtfReader::readControlWord()
{
    const std::string_view name = scanWordName();
    const Parameter parameter = scanParameter();
    m_fallbackLeft = 0;
    if (name == "bin") {
        if (top().destination == Destination::Picture)
            readBinary(parameter);
        else
            skipBinary(parameter); // binary data is never text, in any group
        return;
    }
    flushBytes();
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

void RtfReader::readBinary(Parameter length)
{
    const char* start = m_pos;
    skipBinary(length);
    m_picture.data.append(start, m_pos - start);
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
// for the Unicode character and are passed over. A character is a text byte,
// an escaped one or a "\'hh"; braces, control words and other control
// symbols end the stand-in, as writers that leave it out rely on.
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
    if (m_groups.size() >= kMaxGroupDepth) {
        // Deeper groups keep their text but get no state of their own: what
        // they change holds until the outermost of them closes.
        if (m_extraDepth++ == 0)
            m_deepState = top();
        return;
    }
    GroupState inner = top();
    m_groups.push_back(std::move(inner));
}

void RtfReader::closeGroup()
{
    flushBytes();
    m_ignorableNext = false;
    m_fallbackLeft = 0;
    settleSurrogate();
    if (m_extraDepth > 0) {
        if (--m_extraDepth == 0) {
            top() = std::move(*m_deepState);
            m_deepState.reset();
        }
        return;
    }
    const Destination destination = top().destination;
    // A group that only inherits its destination closes nothing; font
    // entries are groups of the font table.
    const bool opened = m_groups.size() < 2 || m_groups[m_groups.size() - 2].destination != destination;
    if (opened || destination == Destination::FontTable)
        closeDestination(destination);
    m_groups.pop_back();
    if (opened && destination == Destination::Numbering && !m_groups.empty())
        commitNumbering();
    m_finished = m_groups.empty();
}

} // namespace richtext::rtf

// The reader's text: bytes in the current code page, characters given by
// number, and the names and colours of the font and colour tables.
#include "richtext/RtfReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace richtext::rtf {

namespace {

constexpr qsizetype kMaxColors = 16384;

} // namespace

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
    case Destination::ListLabel:
    case Destination::NumberingBefore:
    case Destination::NumberingAfter:
        m_bytes.append(bytes, size);
        break;
    case Destination::FontTable:
        addFontTableBytes(bytes, size);
        break;
    case Destination::ColorTable:
        addColorTableBytes(bytes, size);
        break;
    case Destination::Picture:
        m_picture.addHex(bytes, size);
        break;
    case Destination::LevelText:
        addLevelTextBytes(bytes, size);
        break;
    default:
        break; // destinations without text
    }
}

// A list level's text starts with its length, and its numbers are the
// characters 0 to 8, which text never holds: those are taken as they are.
void RtfReader::addLevelTextBytes(const char* bytes, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (quint8(bytes[i]) < kListLevels || (m_levelText.isEmpty() && m_bytes.isEmpty())) {
            flushBytes();
            m_levelText.append(QChar(char16_t(bytes[i])));
        } else {
            m_bytes.append(bytes[i]);
        }
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
        settleListLabel();
        return m_builder.runFor(state.chars, state.paragraph);
    case Destination::FontTable:
        return &m_font.family;
    case Destination::LevelText:
        return &m_levelText;
    case Destination::ListLabel:
        return &m_label;
    case Destination::NumberingBefore:
        return &m_numbering.prefix;
    case Destination::NumberingAfter:
        return &m_numbering.suffix;
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
    const QString family = fontName(m_font.family);
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

} // namespace richtext::rtf

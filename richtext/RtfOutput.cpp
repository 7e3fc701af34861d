#include "richtext/RtfOutput.h"

#include "richtext/RtfCodePages.h"

#include <QChar>

namespace richtext::rtf {

void RtfOutput::raw(const char* text)
{
    bytes.append(text);
    m_needsDelimiter = false;
}

void RtfOutput::word(const char* name)
{
    bytes.append('\\').append(name);
    m_needsDelimiter = true;
}

void RtfOutput::word(const char* name, int value)
{
    word(name);
    bytes.append(QByteArray::number(value));
}

void RtfOutput::text(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!QChar::isSurrogate(c)) {
            character(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            unicode(c);
            unicode(text[++i].unicode());
        } else {
            unicode(QChar::ReplacementCharacter); // half a pair stands for nothing
        }
    }
}

void RtfOutput::character(char16_t c)
{
    if (c >= 0x20 && c < 0x7F)
        ascii(char(c));
    else
        special(c);
}

void RtfOutput::ascii(char c)
{
    if (c == '\\' || c == '{' || c == '}') {
        bytes.append('\\').append(c);
    } else {
        const bool joinsWord = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == ' ' || c == '-';
        if (m_needsDelimiter && joinsWord)
            bytes.append(' ');
        bytes.append(c);
    }
    m_needsDelimiter = false;
}

void RtfOutput::special(char16_t c)
{
    switch (c) {
    case u'\t':
        word("tab");
        return;
    case QChar::LineSeparator:
        word("line");
        return;
    case QChar::Nbsp:
        raw("\\~");
        return;
    case QChar::SoftHyphen:
        raw("\\-");
        return;
    case 0x2011: // non-breaking hyphen
        raw("\\_");
        return;
    default:
        break;
    }
    if (!isTextCharacter(c))
        return;
    const int byte = windows1252Byte(c);
    if (byte >= 0x80)
        hexByte(byte);
    else
        unicode(c);
}

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr qsizetype kHexBytesPerLine = 64;

} // namespace

void RtfOutput::hexByte(int byte)
{
    bytes.append("\\'").append(kHexDigits[byte >> 4]).append(kHexDigits[byte & 15]);
    m_needsDelimiter = false;
}

void RtfOutput::hexData(const QByteArray& data)
{
    const qsizetype lines = (data.size() + kHexBytesPerLine - 1) / kHexBytesPerLine;
    const qsizetype start = bytes.size();
    bytes.resize(start + data.size() * 2 + lines * 2);
    char* out = bytes.data() + start;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i % kHexBytesPerLine == 0) {
            *out++ = '\r';
            *out++ = '\n';
        }
        const auto byte = quint8(data.at(i));
        *out++ = kHexDigits[byte >> 4];
        *out++ = kHexDigits[byte & 15];
    }
    m_needsDelimiter = false;
}

// "\uN?": N as a signed 16-bit number, "?" for readers without Unicode.
void RtfOutput::unicode(char16_t c)
{
    word("u", int(qint16(c)));
    bytes.append('?');
    m_needsDelimiter = false;
}

} // namespace richtext::rtf

#include "richtext/RtfCodePages.h"

#include "platform/CodePages.h"
#include "platform/Windows1252.h"

#include <algorithm>

namespace richtext::rtf {

using platform::fromWindows1252;
using platform::systemDecode;

namespace {

// The characters of the Windows-1252 bytes 0x80..0xFF.
const std::array<char16_t, 128>& windows1252Upper()
{
    static const std::array<char16_t, 128> upper = [] {
        QByteArray bytes(128, Qt::Uninitialized);
        for (int i = 0; i < 128; ++i)
            bytes[i] = char(0x80 + i);
        const QString decoded = fromWindows1252(bytes);
        std::array<char16_t, 128> table {};
        for (int i = 0; i < 128; ++i)
            table[i] = decoded.at(i).unicode();
        return table;
    }();
    return upper;
}

constexpr int kUtf8 = 65001;

struct CharsetCodePage
{
    int charset;
    int codePage;
};

constexpr CharsetCodePage kCharsets[] = {
    { 77, 10000 }, // Macintosh
    { 128, 932 },  // Shift-JIS
    { 129, 949 },  // Hangul
    { 130, 1361 }, // Johab
    { 134, 936 },  // GB2312
    { 136, 950 },  // Big5
    { 161, 1253 }, // Greek
    { 162, 1254 }, // Turkish
    { 163, 1258 }, // Vietnamese
    { 177, 1255 }, // Hebrew
    { 178, 1256 }, // Arabic
    { 186, 1257 }, // Baltic
    { 204, 1251 }, // Cyrillic
    { 222, 874 },  // Thai
    { 238, 1250 }, // Central European
    { 254, 437 },  // PC 437
    { 255, 850 },  // OEM
};

bool isMultiByteCodePage(int number)
{
    switch (number) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 1361:
    case kUtf8:
        return true;
    default:
        return false;
    }
}

void appendTextCharacters(QStringView decoded, QString& out)
{
    for (const QChar c : decoded) {
        if (isTextCharacter(c.unicode()))
            out.append(c);
    }
}

} // namespace

bool isTextCharacter(char16_t c)
{
    if (c < 0x20)
        return c == u'\t';
    switch (c) {
    case 0x2029:
    case 0xFDD0:
    case 0xFDD1:
    case 0xFFFC:
        return false;
    default:
        return true;
    }
}

int codePageForCharset(int charset)
{
    for (const CharsetCodePage& entry : kCharsets) {
        if (entry.charset == charset)
            return entry.codePage;
    }
    return 0;
}

int windows1252Byte(char16_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return character;
    const std::array<char16_t, 128>& upper = windows1252Upper();
    const auto found = std::find(upper.begin(), upper.begin() + 0x20, character);
    if (found == upper.begin() + 0x20)
        return -1;
    return 0x80 + int(found - upper.begin());
}

CodePage::CodePage(int number)
    : m_number(number)
{
    if (isMultiByteCodePage(number)) {
        QString probe;
        m_multiByte = number == kUtf8 || systemDecode(number, "A", 1, probe);
        if (m_multiByte)
            return;
    }
    buildTable();
}

void CodePage::buildTable()
{
    m_upper = windows1252Upper();
    if (m_number == kWindows1252)
        return;

    QString decoded;
    if (!systemDecode(m_number, "A", 1, decoded)) {
        m_number = kWindows1252;
        return;
    }
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const char single = char(byte);
        decoded.clear();
        systemDecode(m_number, &single, 1, decoded);
        m_upper[byte - 0x80] = decoded.size() == 1 ? decoded.at(0).unicode() : char16_t(0xFFFD);
    }
}

void CodePage::decode(const char* bytes, qsizetype size, QString& out) const
{
    if (m_multiByte) {
        QString decoded;
        if (m_number == kUtf8)
            decoded = QString::fromUtf8(bytes, size);
        else
            systemDecode(m_number, bytes, size, decoded);
        appendTextCharacters(decoded, out);
        return;
    }
    const qsizetype start = out.size();
    out.resize(start + size);
    QChar* target = out.data() + start;
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const char16_t c = byte < 0x80 ? char16_t(byte) : m_upper[byte - 0x80];
        if (isTextCharacter(c))
            *target++ = QChar(c);
    }
    out.resize(target - out.constData());
}

const CodePage& CodePageCache::get(int number)
{
    if (m_last && m_lastNumber == number)
        return *m_last;
    auto& page = m_pages[number];
    if (!page)
        page = std::make_unique<CodePage>(number);
    m_last = page.get();
    m_lastNumber = number;
    return *page;
}

} // namespace richtext::rtf

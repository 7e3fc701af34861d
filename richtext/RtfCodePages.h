#pragma once

#include <QString>

#include <array>
#include <map>
#include <memory>

// Windows code pages as rich-text files use them: "\'hh" escapes and 8-bit
// text are bytes in the code page of the current font's character set, or of
// the document's "\ansicpg" when the font names none.
namespace richtext::rtf {

constexpr int kWindows1252 = 1252;

// The code page a font's "\fcharset" stands for, or 0 when the character set
// has none of its own and the document's code page applies.
int codePageForCharset(int charset);

// False for the characters that are markup inside a text document (line and
// paragraph ends, frame marks, object places) and for control codes other
// than the tab: they never reach the text.
bool isTextCharacter(char16_t c);

// The Windows-1252 byte of a character, or -1 when the code page lacks it.
int windows1252Byte(char16_t character);

// One code page ready for decoding. Single-byte code pages go through a
// table of their upper 128 characters; multi-byte ones through the system.
class CodePage
{
public:
    explicit CodePage(int number);

    int number() const { return m_number; }
    bool isMultiByte() const { return m_multiByte; }

    // Appends the decoded bytes to out, dropping control characters other
    // than the tab (line ends and breaks are markup in rich text).
    void decode(const char* bytes, qsizetype size, QString& out) const;

private:
    void buildTable();

    int m_number;
    bool m_multiByte = false;
    std::array<char16_t, 128> m_upper {};
};

// The code pages one reading has met, each set up once. Unknown code page
// numbers fall back to Windows-1252.
class CodePageCache
{
public:
    const CodePage& get(int number);

private:
    std::map<int, std::unique_ptr<CodePage>> m_pages;
    const CodePage* m_last = nullptr;
    int m_lastNumber = 0;
};

} // namespace richtext::rtf

#pragma once

#include <QByteArray>
#include <QStringView>

namespace richtext::rtf {

// Rich-text output: control words, and text escaped for Windows-1252 with
// "\uN?" for the characters beyond it. A control word gets the space that
// separates it from text only where the text would otherwise run into it.
class RtfOutput
{
public:
    QByteArray bytes;

    void raw(const char* text);
    void word(const char* name);
    void word(const char* name, int value);
    void text(QStringView text);
    void lineEnd() { raw("\r\n"); }
    void hexByte(int byte); // "\'hh"
    // Bytes as hexadecimal digits, in lines of a readable length.
    void hexData(const QByteArray& data);

private:
    void character(char16_t c);
    void ascii(char c);
    void special(char16_t c);
    void unicode(char16_t c);

    bool m_needsDelimiter = false;
};

} // namespace richtext::rtf

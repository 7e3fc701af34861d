#include "platform/CodePages.h"

#include <QByteArray>

#include <cerrno>
#include <iconv.h>

namespace platform {

namespace {

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 1361:
        return "JOHAB";
    default:
        return "CP" + QByteArray::number(codePage);
    }
}

class Converter
{
public:
    explicit Converter(int codePage)
        : m_handle(iconv_open("UTF-16LE", iconvName(codePage).constData()))
    {
    }
    ~Converter()
    {
        if (isOpen())
            iconv_close(m_handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool isOpen() const { return m_handle != iconv_t(-1); }

    void convert(const char* bytes, qsizetype size, QString& out)
    {
        char* input = const_cast<char*>(bytes);
        size_t inputLeft = size_t(size);
        while (inputLeft > 0) {
            if (step(&input, &inputLeft, out))
                continue;
            // A byte sequence the code page does not define, or one cut off
            // at the end: one replacement character, then go on after it.
            out.append(QChar(QChar::ReplacementCharacter));
            ++input;
            --inputLeft;
        }
        step(nullptr, nullptr, out); // flush what a stateful code page holds back
    }

private:
    // Converts as much as fits; false when iconv stopped at a bad sequence.
    bool step(char** input, size_t* inputLeft, QString& out)
    {
        char16_t buffer[256];
        char* output = reinterpret_cast<char*>(buffer);
        size_t outputLeft = sizeof buffer;
        const size_t result = iconv(m_handle, input, inputLeft, &output, &outputLeft);
        const int error = errno;
        const auto produced = reinterpret_cast<char16_t*>(output) - buffer;
        out.append(QStringView(buffer, produced));
        return result != size_t(-1) || error == E2BIG;
    }

    iconv_t m_handle;
};

} // namespace

bool systemDecode(int codePage, const char* bytes, qsizetype size, QString& out)
{
    Converter converter(codePage);
    if (!converter.isOpen())
        return false;
    converter.convert(bytes, size, out);
    return true;
}

} // namespace platform

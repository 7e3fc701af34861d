#include "platform/CodePages.h"

#include <windows.h>

namespace platform {

bool systemDecode(int codePage, const char* bytes, qsizetype size, QString& out)
{
    if (!IsValidCodePage(UINT(codePage)))
        return false;
    if (size == 0)
        return true;
    const int length = MultiByteToWideChar(UINT(codePage), 0, bytes, int(size), nullptr, 0);
    if (length <= 0)
        return true;
    const qsizetype start = out.size();
    out.resize(start + length);
    MultiByteToWideChar(UINT(codePage), 0, bytes, int(size),
        reinterpret_cast<wchar_t*>(out.data() + start), length);
    return true;
}

} // namespace platform

// Project index files come from disk and may be anything.
#include "app/ProjectIndex.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The name the old absolute form is cut at comes from the registry; take
    // it from the input too so both sides vary.
    const qsizetype split = bytes.indexOf('\0');
    const QString name = split < 0 ? QStringLiteral("Velmora Last Rose Of Summer 2002")
                                    : QString::fromUtf8(bytes.left(split));
    const ProjectIndexLines lines = parseProjectIndex(bytes.mid(split + 1), name);
    // Each code page gives at most one character per byte, and a line never
    // takes text from beyond the file.
    const qsizetype longest = bytes.size();
    if (lines.front.size() > longest || lines.back.size() > longest || lines.text.size() > longest)
        __builtin_trap();
    (void)projectIndexBytes(lines.front);
    return 0;
}

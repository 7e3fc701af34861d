// Reads any bytes as a back-text file, writes the document as RTF and reads
// that again: no input may crash or hang the reader, and writing what was
// read must be stable (the second writing equals the first).
#include "richtext/RichText.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char* argv[] = { name, nullptr };
    static QGuiApplication application(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QTextDocument document;
    richtext::readRichText(input, document);
    const QByteArray written = richtext::writeRtf(document);
    for (const char byte : written) {
        if (static_cast<unsigned char>(byte) >= 0x80)
            std::abort(); // the file is 7-bit: everything else is escaped
    }
    // Every place of a table is a cell that covers it.
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextTable* table = QTextCursor(block).currentTable();
        for (int row = 0; table && row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column) {
                const QTextTableCell cell = table->cellAt(row, column);
                if (!cell.isValid() || cell.row() > row || cell.row() + cell.rowSpan() <= row
                    || cell.column() > column || cell.column() + cell.columnSpan() <= column)
                    std::abort();
            }
        }
    }
    QTextDocument readBack;
    richtext::readRtf(written, readBack);
    if (readBack.toRawText() != document.toRawText() || richtext::writeRtf(readBack) != written)
        std::abort();
    return 0;
}

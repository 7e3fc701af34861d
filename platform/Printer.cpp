#include "platform/Printer.h"

#include <QPageSize>
#include <QPrinterInfo>

namespace platform {

namespace {

    std::unique_ptr<QPrinter> systemDefaultPrinter()
    {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return nullptr;
        auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!printer->isValid())
            return nullptr;
        // The printer's own paper, with its printable margins, so that the page
        // origin is the corner of the area the printer can reach.
        const QPageSize paper = info.defaultPageSize();
        if (paper.isValid())
            printer->setPageSize(paper);
        return printer;
    }

    PrinterSource& source()
    {
        static PrinterSource current = systemDefaultPrinter;
        return current;
    }

} // namespace

std::unique_ptr<QPrinter> openDefaultPrinter()
{
    return source()();
}

PrinterSource setPrinterSource(PrinterSource replacement)
{
    PrinterSource previous = std::move(source());
    source() = replacement ? std::move(replacement) : PrinterSource(systemDefaultPrinter);
    return previous;
}

} // namespace platform

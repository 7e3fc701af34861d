#include "platform/Printer.h"

#include <QPrinterInfo>

namespace platform {

namespace {

PrinterList systemPrinters()
{
    return { QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName() };
}

std::unique_ptr<QPrinter> systemPrinter(const QString& name, const QPageSize& paper)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid())
        return nullptr;
    // The printer keeps its own printable margins for the paper, so that
    // the page origin is the corner of the area it can reach.
    printer->setPageSize(paper);
    return printer;
}

PrinterSystem& replacement()
{
    static PrinterSystem current;
    return current;
}

} // namespace

PrinterList availablePrinters()
{
    return replacement().list ? replacement().list() : systemPrinters();
}

std::unique_ptr<QPrinter> openPrinter(const QString& name, const QPageSize& paper)
{
    return replacement().open ? replacement().open(name, paper) : systemPrinter(name, paper);
}

PrinterSystem setPrinterSystem(PrinterSystem system)
{
    PrinterSystem previous = std::move(replacement());
    replacement() = std::move(system);
    return previous;
}

} // namespace platform

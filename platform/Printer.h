#pragma once

#include <QPageSize>
#include <QPrinter>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The printers print jobs can go to: on Linux every CUPS destination.
namespace platform {

struct PrinterList
{
    QStringList names;
    QString defaultName; // empty when the system has no default printer
};

// The system's printers and its default one.
PrinterList availablePrinters();

// The named printer ready for one job on the paper, at the printer's own
// resolution, with the paper's printable area; nullptr when there is no such
// printer. Painting on it starts the job; ending the painter sends the pages.
std::unique_ptr<QPrinter> openPrinter(const QString& name, const QPageSize& paper);

// Tests replace the system's printers, e.g. with printers that write PDF
// files at a chosen resolution. A member left empty keeps the system's.
// Returns the previous replacement.
struct PrinterSystem
{
    std::function<PrinterList()> list;
    std::function<std::unique_ptr<QPrinter>(const QString& name, const QPageSize& paper)> open;
};
PrinterSystem setPrinterSystem(PrinterSystem replacement);

} // namespace platform

#pragma once

#include <QPrinter>

#include <functional>
#include <memory>

// The printer that print jobs go to. There is no printer selection: a job goes
// to the system's default printer (on Linux the CUPS default destination)
// with that printer's default paper, at the printer's own resolution.
namespace platform {

// A printer ready for one job, or nullptr when no default printer is set up.
// Painting on it starts the job; ending the painter sends the page.
std::unique_ptr<QPrinter> openDefaultPrinter();

// Tests replace the default printer, e.g. with one that writes a PDF file at a
// chosen resolution; nullptr restores the system's. Returns the previous source.
using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;
PrinterSource setPrinterSource(PrinterSource source);

} // namespace platform

#pragma once

#include "printing/InlayOutput.h"

#include <QString>

#include <optional>

// Writes a project's inlay as a true-size PDF without showing a window: the
// project is opened as the main window opens it, in windows that are never
// shown, and its page is written as the print window's PDF command writes it.
// `project` is as on the command line (empty: the project of the last run);
// without a paper, the one chosen last for printing. Throws UserError saying
// what went wrong; no file is written then.
void writeProjectPdf(const QString& pdfFile, const QString& project, std::optional<Paper> paper);

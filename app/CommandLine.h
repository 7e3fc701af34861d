#pragma once

#include "printing/InlayOutput.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the program is asked to do on its command line:
//   qzlayer [PROJECT]                              the window, PROJECT open
//   qzlayer --pdf FILE [--paper a4|letter] [PROJECT]   a PDF, and no window
// PROJECT is a project name in the data folder or the path of an index file;
// without it the project of the last run opens.
struct CommandLine
{
    enum class Action { OpenWindow, WritePdf, ShowHelp, Refuse };
    Action action = Action::OpenWindow;
    QString project; // as given; empty for the project of the last run
    QString pdfFile; // absolute
    std::optional<Paper> paper; // none: the paper chosen last in the print window
    QString problem; // why it is refused, in the user's language
};

// The arguments without the program's own name; relative paths mean paths
// from callerFolder.
CommandLine parseCommandLine(const QStringList& arguments, const QString& callerFolder);

// Whether the raw arguments ask for a PDF or for help, looked at before the
// application exists, which then needs no display.
bool runsWithoutWindow(int argc, char** argv);

// The folder the user started the program from. The installed launcher
// changes into the program's folder first, and passes the folder it came
// from in QZLAYER_CALLER_DIR.
QString callerFolder();

// The command line's help, in the user's language.
QString commandLineHelp();

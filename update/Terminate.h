#pragma once

#include "platform/Processes.h"

#include <QString>
#include <QWidget>

// Whether the executable of a running process is the one looked for. On
// Windows names are compared without characters of code 32 or below at
// either end and in upper case, as the system treats them; elsewhere file
// names are exact, so only the very same path matches.
bool isSameExecutable(const QString& candidate, const QString& wanted);

// Ends the process: asks it to end, and ends it at once only when it is
// still running after graceMs. Window events are handled while waiting.
void EndProcess(platform::ProcessHandle& process, int graceMs);

// Holder of the routines that find a running program by its executable and
// hand back a handle that can end it. Never shown.
class TTerminateForm : public QWidget
{
    Q_OBJECT

public:
    explicit TTerminateForm(QWidget* parent = nullptr);

    // The first running process whose executable matches Exename (a full
    // path where the system tells full paths), opened so that it can be
    // ended; an empty handle when there is none. The caller owns the handle.
    platform::ProcessHandle GetpID(const QString& Exename);

private:
    friend class TerminateTest;

    bool WindowsIsNT() const;
    platform::ProcessHandle GetProcessHandleFromExeNT(const QString& Exename);
    platform::ProcessHandle GetProcessHandleFromExe(const QString& Exename);
};

// The one terminator window, created by the program entry.
extern TTerminateForm* TerminateForm;

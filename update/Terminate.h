#pragma once

#include "platform/Processes.h"

#include <QString>
#include <QWidget>

// A process name as it is compared: without characters of code 32 or below
// at either end, in upper case.
QString comparableExeName(const QString& name);

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

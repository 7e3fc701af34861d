#pragma once

#include <QList>
#include <QString>

// Finding running processes and ending them.
namespace platform {

// An open process that may be ended. It keeps referring to the process it was
// opened on even after that process ends, so ending it can never hit another
// process that was later given the same identifier. Closed when destroyed.
class ProcessHandle
{
public:
    ProcessHandle() = default;
    ~ProcessHandle();
    ProcessHandle(ProcessHandle&& other) noexcept;
    ProcessHandle& operator=(ProcessHandle&& other) noexcept;
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    explicit operator bool() const { return m_handle >= 0; }
    qint64 processId() const { return m_processId; }

    // Asks the process to end by itself, as the system's shutdown does (on
    // Linux: SIGTERM). False when the request could not be made, for
    // instance because the process has already ended.
    bool askToEnd();
    // Ends the process at once. The exit code is the one it reports where the
    // system lets the ender choose it. False when the process could not be
    // ended, for instance because it has already ended.
    bool terminate(int exitCode);
    // Waits up to the given time for the process to end; true when it has.
    bool waitForExit(int msecs) const;
    void close();

private:
    friend ProcessHandle openProcess(qint64 processId);
    friend QString executablePath(const ProcessHandle& process);
    ProcessHandle(qintptr handle, qint64 processId);

    qintptr m_handle = -1;
    qint64 m_processId = 0;
};

// True when the system tells the full path of each process's executable;
// otherwise only the executable's file name is known (processSnapshot).
bool processListHasFullPaths();

// Identifiers of all running processes. Throws UserError when the system
// cannot list them.
QList<qint64> runningProcessIds();

// Opens the process so that it can be ended. The handle is empty when the
// process has gone or belongs to another user: only the user's own processes
// are opened, also when the program runs with an administrator's rights.
ProcessHandle openProcess(qint64 processId);

// Full path of the process's executable; empty when it cannot be read
// (another user's process, a process that has just ended).
QString executablePath(const ProcessHandle& process);

// One entry of a list of processes by executable file name.
struct ProcessEntry
{
    qint64 processId = 0;
    QString executableName; // the file name without its folder
};
QList<ProcessEntry> processSnapshot();

} // namespace platform

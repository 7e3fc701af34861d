#include "update/Terminate.h"

#include "platform/DesignScale.h"

#include <QCoreApplication>
#include <QElapsedTimer>

TTerminateForm* TerminateForm = nullptr;

namespace {

constexpr int kWaitSliceMs = 50;
constexpr int kWaitAfterKillMs = 2000;

// This window was designed at 96 pixels per inch.
int scaledFrom96(int designValue)
{
    return qRound(designValue * platform::screenPixelsPerInch() / 96.0);
}

#ifdef Q_OS_WIN
QString comparableExeName(const QString& name)
{
    qsizetype first = 0;
    qsizetype last = name.size();
    while (first < last && name.at(first).unicode() <= 32)
        ++first;
    while (last > first && name.at(last - 1).unicode() <= 32)
        --last;
    return name.sliced(first, last - first).toUpper();
}
#endif

} // namespace

bool isSameExecutable(const QString& candidate, const QString& wanted)
{
#ifdef Q_OS_WIN
    return comparableExeName(candidate) == comparableExeName(wanted);
#else
    return candidate == wanted;
#endif
}

void EndProcess(platform::ProcessHandle& process, int graceMs)
{
    if (process.askToEnd()) {
        QElapsedTimer clock;
        clock.start();
        while (!process.waitForExit(kWaitSliceMs) && clock.elapsed() < graceMs)
            QCoreApplication::processEvents();
    }
    if (!process.waitForExit(0)) {
        process.terminate(0);
        process.waitForExit(kWaitAfterKillMs);
    }
}

TTerminateForm::TTerminateForm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("TerminateForm"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(scaledFrom96(11));
    setFont(font);
    resize(scaledFrom96(203), scaledFrom96(108));
    setAttribute(Qt::WA_QuitOnClose, false);
}

platform::ProcessHandle TTerminateForm::GetpID(const QString& Exename)
{
    return WindowsIsNT() ? GetProcessHandleFromExeNT(Exename) : GetProcessHandleFromExe(Exename);
}

bool TTerminateForm::WindowsIsNT() const
{
    return platform::processListHasFullPaths();
}

// Compares the full path of every process's executable.
platform::ProcessHandle TTerminateForm::GetProcessHandleFromExeNT(const QString& Exename)
{
    for (const qint64 id : platform::runningProcessIds()) {
        platform::ProcessHandle process = platform::openProcess(id);
        if (!process)
            continue; // gone already, or not ours to end
        const QString path = platform::executablePath(process);
        if (!path.isEmpty() && isSameExecutable(path, Exename))
            return process;
    }
    return {};
}

// Where only executable file names are known, compares those; the first
// match decides, whether or not it can be opened.
platform::ProcessHandle TTerminateForm::GetProcessHandleFromExe(const QString& Exename)
{
    for (const platform::ProcessEntry& entry : platform::processSnapshot()) {
        if (isSameExecutable(entry.executableName, Exename))
            return platform::openProcess(entry.processId);
    }
    return {};
}

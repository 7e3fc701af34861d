#include "update/Terminate.h"

#include "platform/DesignScale.h"

TTerminateForm* TerminateForm = nullptr;

namespace {

// This window was designed at 96 pixels per inch.
int scaledFrom96(int designValue)
{
    return qRound(designValue * platform::screenPixelsPerInch() / 96.0);
}

} // namespace

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
    const QString target = comparableExeName(Exename);
    for (const qint64 id : platform::runningProcessIds()) {
        platform::ProcessHandle process = platform::openProcess(id);
        if (!process)
            continue; // gone already, or not ours to end
        const QString path = platform::executablePath(process);
        if (!path.isEmpty() && comparableExeName(path) == target)
            return process;
    }
    return {};
}

// Where only executable file names are known, compares those; the first
// match decides, whether or not it can be opened.
platform::ProcessHandle TTerminateForm::GetProcessHandleFromExe(const QString& Exename)
{
    const QString target = comparableExeName(Exename);
    for (const platform::ProcessEntry& entry : platform::processSnapshot()) {
        if (comparableExeName(entry.executableName) == target)
            return platform::openProcess(entry.processId);
    }
    return {};
}

#include "platform/Processes.h"

#include "platform/ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

// Processes are held through process file descriptors, which stay tied to
// their process even once its identifier is reused.
namespace platform {

namespace {

int pidfdOpen(qint64 processId)
{
    return int(::syscall(SYS_pidfd_open, pid_t(processId), 0U));
}

int pidfdSendSignal(int pidfd, int signal)
{
    return int(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0U));
}

bool stillRunning(int pidfd)
{
    return pidfdSendSignal(pidfd, 0) == 0;
}

QString readLink(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    QByteArray target(4096, Qt::Uninitialized);
    for (;;) {
        const ssize_t length
            = ::readlink(encoded.constData(), target.data(), size_t(target.size()));
        if (length < 0)
            return {};
        if (length < target.size()) {
            target.truncate(length);
            return QFile::decodeName(target);
        }
        target.resize(target.size() * 2);
    }
}

QString procEntry(qint64 processId, const char* name)
{
    return QStringLiteral("/proc/") + QString::number(processId) + u'/' + QLatin1String(name);
}

QString procExeLink(qint64 processId)
{
    return procEntry(processId, "exe");
}

// The real and the effective user of the process are both this program's
// real user; as root, that keeps other users' processes out of reach too.
bool belongsToThisUser(qint64 processId)
{
    QFile status(procEntry(processId, "status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = status.readAll();
    const qsizetype start = text.indexOf("\nUid:");
    if (start < 0)
        return false;
    const qsizetype end = text.indexOf('\n', start + 1);
    const QList<QByteArray> ids = text.mid(start + 5, end - start - 5).simplified().split(' ');
    const QByteArray me = QByteArray::number(::getuid());
    return ids.size() >= 2 && ids[0] == me && ids[1] == me;
}

} // namespace

ProcessHandle::ProcessHandle(qintptr handle, qint64 processId)
    : m_handle(handle)
    , m_processId(processId)
{
}

ProcessHandle::~ProcessHandle()
{
    close();
}

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, -1))
    , m_processId(std::exchange(other.m_processId, 0))
{
}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, -1);
        m_processId = std::exchange(other.m_processId, 0);
    }
    return *this;
}

void ProcessHandle::close()
{
    if (m_handle >= 0)
        ::close(int(m_handle));
    m_handle = -1;
    m_processId = 0;
}

bool ProcessHandle::askToEnd()
{
    return m_handle >= 0 && pidfdSendSignal(int(m_handle), SIGTERM) == 0;
}

bool ProcessHandle::terminate(int /*exitCode: a killed process reports its signal instead*/)
{
    return m_handle >= 0 && pidfdSendSignal(int(m_handle), SIGKILL) == 0;
}

bool ProcessHandle::waitForExit(int msecs) const
{
    if (m_handle < 0)
        return true;
    pollfd entry { int(m_handle), POLLIN, 0 };
    int ready;
    do
        ready = ::poll(&entry, 1, msecs);
    while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool processListHasFullPaths()
{
    return true;
}

QList<qint64> runningProcessIds()
{
    QDir proc(QStringLiteral("/proc"));
    if (!proc.exists())
        throw UserError(QStringLiteral("The list of running processes cannot be read"));
    QList<qint64> ids;
    const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qint64 id = entry.toLongLong(&isNumber);
        if (isNumber && id > 0)
            ids << id;
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

ProcessHandle openProcess(qint64 processId)
{
    const int pidfd = pidfdOpen(processId);
    if (pidfd < 0)
        return {};
    // The identifier may go to a new process while its owner is read; the
    // pidfd tells whether the one opened is still the one read about.
    if (!belongsToThisUser(processId) || !stillRunning(pidfd)) {
        ::close(pidfd);
        return {};
    }
    return ProcessHandle(pidfd, processId);
}

QString executablePath(const ProcessHandle& process)
{
    if (!process)
        return {};
    QString path = readLink(procExeLink(process.processId()));
    // The identifier may have gone to a new process between opening and
    // reading; the path then belongs to that one, not to ours.
    if (!stillRunning(int(process.m_handle)))
        return {};
    return path;
}

QList<ProcessEntry> processSnapshot()
{
    QList<ProcessEntry> entries;
    for (const qint64 id : runningProcessIds()) {
        const QString path = readLink(procExeLink(id));
        if (!path.isEmpty())
            entries << ProcessEntry { id, QFileInfo(path).fileName() };
    }
    return entries;
}

} // namespace platform

#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#endif
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

    bool copyContents(QFile& in, QFileDevice& out)
    {
        constexpr qint64 kChunk = 64 * 1024;
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(kChunk);
            if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
                return false;
            if (out.write(chunk) != chunk.size())
                return false;
        }
        return in.error() == QFileDevice::NoError;
    }

    // The destination is created here or not at all, so an existing file is
    // never opened, let alone truncated.
    bool copyToNewFile(QFile& in, const QString& destination)
    {
        QFile out(destination);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return false;
        if (copyContents(in, out) && out.flush())
            return true;
        out.close();
        out.remove(); // our own half-written file
        return false;
    }

    // The new contents replace an existing destination only once they are complete.
    bool copyReplacing(QFile& in, const QString& destination)
    {
        QSaveFile out(destination);
        if (!out.open(QIODevice::WriteOnly))
            return false;
        if (!copyContents(in, out)) {
            out.cancelWriting();
            return false;
        }
        return out.commit();
    }

    std::filesystem::path fileSystemPath(const QString& path)
    {
#ifdef Q_OS_WIN
        return std::filesystem::path(path.toStdWString());
#else
        return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
    }

    QString tooLarge(qint64 maxBytes)
    {
        return QStringLiteral("the file is larger than ") + sizeText(maxBytes);
    }

#ifdef Q_OS_UNIX
    QString notARegularFile(mode_t mode)
    {
        return S_ISDIR(mode) ? QStringLiteral("it is a folder, not a file")
                             : QStringLiteral("it is a pipe or a device, not a file");
    }

    // Closes the descriptor on every way out.
    struct Descriptor
    {
        int fd;
        ~Descriptor()
        {
            if (fd >= 0)
                ::close(fd);
        }
    };

    std::optional<QByteArray> readDescriptor(
        int fd, qint64 expectedSize, qint64 maxBytes, QString* reason)
    {
        QByteArray bytes;
        bytes.reserve(std::min(expectedSize, maxBytes) + 1);
        // One byte more than allowed tells a file that grew past the limit.
        const qint64 wanted = maxBytes + 1;
        constexpr qint64 kChunk = 1024 * 1024;
        for (;;) {
            const qint64 used = bytes.size();
            const qint64 room = std::min(kChunk, wanted - used);
            if (room <= 0)
                break;
            bytes.resize(used + room);
            const ssize_t got = ::read(fd, bytes.data() + used, size_t(room));
            if (got < 0 && errno == EINTR) {
                bytes.resize(used);
                continue;
            }
            if (got < 0) {
                *reason = systemErrorText(errno);
                return std::nullopt;
            }
            bytes.resize(used + got);
            if (got == 0)
                break;
        }
        if (bytes.size() > maxBytes) {
            *reason = tooLarge(maxBytes);
            return std::nullopt;
        }
        return bytes;
    }
#endif

} // namespace

QString sizeText(qint64 bytes)
{
    constexpr qint64 kKilobyte = 1024;
    constexpr qint64 kMegabyte = 1024 * kKilobyte;
    if (bytes >= kMegabyte)
        return QString::number(bytes / kMegabyte) + QStringLiteral(" MB");
    if (bytes >= kKilobyte)
        return QString::number(bytes / kKilobyte) + QStringLiteral(" KB");
    return QString::number(bytes) + QStringLiteral(" bytes");
}

QString systemErrorText(int errorNumber)
{
    return QString::fromLocal8Bit(std::generic_category().message(errorNumber));
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, QString* reason)
{
    QString ignored;
    if (!reason)
        reason = &ignored;
#ifdef Q_OS_UNIX
    // Opening without blocking: a pipe without a writer would wait in open().
    const Descriptor file { ::open(
        QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY) };
    if (file.fd < 0) {
        *reason
            = errno == ENOENT ? QStringLiteral("the file does not exist") : systemErrorText(errno);
        return std::nullopt;
    }
    struct stat status
    {
    };
    if (::fstat(file.fd, &status) != 0) {
        *reason = systemErrorText(errno);
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        *reason = notARegularFile(status.st_mode);
        return std::nullopt;
    }
    if (status.st_size > maxBytes) {
        *reason = tooLarge(maxBytes);
        return std::nullopt;
    }
    return readDescriptor(file.fd, status.st_size, maxBytes, reason);
#else
    const QFileInfo info(path);
    if (!info.exists()) {
        *reason = QStringLiteral("the file does not exist");
        return std::nullopt;
    }
    if (!info.isFile()) {
        *reason = info.isDir() ? QStringLiteral("it is a folder, not a file")
                               : QStringLiteral("it is a device, not a file");
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    if (file.size() > maxBytes) {
        *reason = tooLarge(maxBytes);
        return std::nullopt;
    }
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return std::nullopt;
    }
    if (bytes.size() > maxBytes) {
        *reason = tooLarge(maxBytes);
        return std::nullopt;
    }
    return bytes;
#endif
}

bool saveWholeFile(const QString& path, const QByteArray& bytes, QString* reason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *reason = file.errorString();
        return false;
    }
    // A write that stops short (a full disk) says nothing; the next one
    // fails with the system's reason.
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 now = file.write(bytes.constData() + written, bytes.size() - written);
        if (now <= 0) {
            *reason = file.errorString();
            file.cancelWriting();
            return false;
        }
        written += now;
    }
    if (!file.commit()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

bool replaceFile(const QString& from, const QString& to, QString* reason)
{
    std::error_code error;
    std::filesystem::rename(fileSystemPath(from), fileSystemPath(to), error);
    if (!error)
        return true;
    *reason = QString::fromLocal8Bit(error.message());
    return false;
}

bool syncFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
#ifdef Q_OS_WIN
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()))) != 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool syncFolder(const QString& folder)
{
#ifdef Q_OS_UNIX
    const Descriptor directory { ::open(
        QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) };
    return directory.fd >= 0 && ::fsync(directory.fd) == 0;
#else
    Q_UNUSED(folder);
    return true;
#endif
}

FileLock::FileLock(QString path)
    : m_path(std::move(path))
{
}

FileLock::~FileLock()
{
    unlock();
}

#ifdef Q_OS_WIN
FileLock::Result FileLock::tryLock()
{
    unlock();
    // Opened without sharing: while it is open nobody else can open it.
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(m_path.utf16()),
        GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION ? Result::HeldElsewhere : Result::Failed;
    m_handle = reinterpret_cast<qintptr>(file);
    return Result::Locked;
}

void FileLock::unlock()
{
    if (m_handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
}
#else
FileLock::Result FileLock::tryLock()
{
    unlock();
    const int fd = ::open(
        QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return Result::Failed;
    // An open file description holds the lock: another one, even in this
    // program, is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Result::HeldElsewhere : Result::Failed;
    }
    m_handle = fd;
    return Result::Locked;
}

void FileLock::unlock()
{
    if (m_handle != -1)
        ::close(int(m_handle));
    m_handle = -1;
}
#endif

bool createFolderPath(const QString& folder, QString* reason)
{
    if (folder.isEmpty())
        return false;
    if (QDir().mkpath(folder) && QFileInfo(folder).isDir())
        return true;
    if (reason) {
        // Asked again to learn why: Qt keeps the reason to itself.
        std::error_code error;
        std::filesystem::create_directories(fileSystemPath(folder), error);
        *reason = error ? QString::fromLocal8Bit(error.message())
                        : QStringLiteral("it is not a folder");
    }
    return false;
}

QString currentFolder()
{
    return QDir::toNativeSeparators(QDir::currentPath());
}

bool setCurrentFolder(const QString& folder)
{
    return !folder.isEmpty() && QDir::setCurrent(folder);
}

bool copyFile(const QString& source, const QString& destination, bool failIfExists)
{
    if (!QFileInfo(source).isFile())
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    return failIfExists ? copyToNewFile(in, destination) : copyReplacing(in, destination);
}

QDateTime fileModificationTime(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return info.lastModified();
}

bool setFileModificationTime(const QString& path, const QDateTime& localTime)
{
    if (!localTime.isValid())
        return false;
    QFile file(path);
    // Setting a time needs ownership, not write access, except on Windows,
    // where the handle itself must allow writing attributes.
#ifdef Q_OS_WIN
    const QIODevice::OpenMode mode = QIODevice::ReadWrite;
#else
    const QIODevice::OpenMode mode = QIODevice::ReadOnly;
#endif
    if (!file.open(mode))
        return false;
    return file.setFileTime(localTime, QFileDevice::FileModificationTime);
}

} // namespace platform

#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

} // namespace

bool createFolderPath(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
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

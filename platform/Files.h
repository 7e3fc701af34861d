#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// File-system operations the support module builds on.
namespace platform {

// Creates the folder with all missing parents; true when it exists afterwards.
// Otherwise *reason, when given, holds the system's reason.
bool createFolderPath(const QString& folder, QString* reason = nullptr);
// The process's current folder, without a trailing separator (native form).
QString currentFolder();
// Makes the folder current; false when it cannot be entered.
bool setCurrentFolder(const QString& folder);
// Copies a file; with failIfExists an existing destination makes it fail
// and is left untouched.
bool copyFile(const QString& source, const QString& destination, bool failIfExists);
// Last-modification time of a file, local time; invalid when it cannot be read.
QDateTime fileModificationTime(const QString& path);
bool setFileModificationTime(const QString& path, const QDateTime& localTime);

// Reads a whole file that the program takes from outside (a project's files,
// a picture or text the user chose), provided it is a regular file of at most
// maxBytes. Anything else is refused without waiting for it: a pipe would
// block for ever and a device such as /dev/zero never ends. On failure the
// result is empty and *reason says why, in a form that follows the file's
// name ("the file does not exist", "it is a pipe or a device, not a file",
// "the file is larger than 16 MB", or the system's own reason).
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, QString* reason);

// Replaces a file with the bytes, only once they are written in full, so a
// failure keeps the old file. On failure *reason holds the system's reason
// ("No space left on device").
bool saveWholeFile(const QString& path, const QByteArray& bytes, QString* reason);

// Moves a file over another one in a single step, so the target is either the
// old file or the new one. Both must be on the same file system. On failure
// *reason holds the system's reason.
bool replaceFile(const QString& from, const QString& to, QString* reason);

// Asks the system to put a file's content, or a folder's list of names, on the
// disk now rather than later, so that what is written survives a power cut.
// False when it cannot (a folder on a system that does not sync folders
// counts as done).
bool syncFile(const QString& path);
bool syncFolder(const QString& folder);

// A lock on a file that the system itself releases when the program ends,
// however it ends, so a lock is never left behind by a program that was
// killed. The file is made when it is missing and stays after unlocking.
class FileLock
{
public:
    explicit FileLock(QString path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    enum class Result { Locked, HeldElsewhere, Failed };
    // Takes the lock without waiting. HeldElsewhere: a running program, this
    // one included, holds it. Failed: the file cannot be made or opened.
    Result tryLock();
    void unlock();

private:
    QString m_path;
    qintptr m_handle = -1;
};

// A size for messages: "64 KB", "16 MB".
QString sizeText(qint64 bytes);

// The system's description of an error number, such as "No space left on device".
QString systemErrorText(int errorNumber);

} // namespace platform

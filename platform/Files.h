#pragma once

#include <QDateTime>
#include <QString>

// File-system operations the support module builds on.
namespace platform {

// Creates the folder with all missing parents; true when it exists afterwards.
bool createFolderPath(const QString& folder);
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

} // namespace platform

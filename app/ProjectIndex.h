#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The project index file: three lines naming the front picture, the back
// picture and the back text, relative to the data folder.
//
// Written in Windows-1252 with CR LF and backslashes, so projects move between
// systems. A name the code page cannot hold is written as UTF-8 with a
// byte-order mark instead (it could never be reopened otherwise).

struct ProjectIndexLines
{
    QString front;
    QString back;
    QString text;
};

// The bytes of the index file of project `name`.
QByteArray projectIndexBytes(const QString& name);

// The three lines of an index file; missing lines are empty. Lines of the old
// absolute form (a drive letter and ":" at the start of line 1) are cut to the
// part that starts at `projectName`, at most 255 characters.
ProjectIndexLines parseProjectIndex(const QByteArray& bytes, const QString& projectName);

// An index file is three short lines; anything larger is not one.
constexpr qint64 kMaxIndexFileSize = 64 * 1024;
// A line longer than the longest path the system takes cannot name a file.
constexpr qsizetype kMaxIndexLineLength = 4096;

// Reads an index file. Empty when there is no project to open: the file is
// missing or its first line is empty (*problem is then empty), or the file
// cannot be used (*problem says why: it cannot be read, it is not a regular
// file, it is larger than kMaxIndexFileSize or a line is longer than
// kMaxIndexLineLength).
std::optional<ProjectIndexLines> readProjectIndex(
    const QString& path, const QString& projectName, QString* problem = nullptr);

// dataDir + a relative index line, with either separator accepted in the line.
// Empty when the line would lead out of the data folder (a ".." part): an
// index file is outside text and must not make the program read elsewhere.
std::optional<QString> projectFilePath(const QString& dataDir, const QString& relativeLine);

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

// Reads an index file. Empty when the file cannot be read or its first line is
// empty: there is then no project to open.
std::optional<ProjectIndexLines> readProjectIndex(const QString& path, const QString& projectName);

// dataDir + a relative index line, with either separator accepted in the line.
QString projectFilePath(const QString& dataDir, const QString& relativeLine);

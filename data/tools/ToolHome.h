#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>

// For the build-time tools that run the program's own windows.

// The windows remember their places and folders; none of that may reach the
// settings and files of the user who builds the program, so the tool gets a
// home of its own. Call before the application object is made.
inline bool useHomeIn(const QTemporaryDir& home)
{
    if (!home.isValid())
        return false;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    return true;
}

// Says why the tool failed; the result is the tool's exit code.
inline int toolFailed(const char* tool, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", tool, qPrintable(text));
    return 1;
}

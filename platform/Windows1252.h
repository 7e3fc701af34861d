#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the ANSI code page the program's files were written in.
namespace platform {

QString fromWindows1252(const QByteArray& bytes);
// Characters the code page cannot hold become '?' and clear *ok.
QByteArray toWindows1252(const QString& text, bool* ok = nullptr);
bool fitsWindows1252(const QString& text);

} // namespace platform

#include "app/ProjectIndex.h"

#include "platform/Files.h"
#include "platform/Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
constexpr qsizetype kOldFormMaxLength = 255;

QString decodeIndex(const QByteArray& bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return QString::fromUtf8(bytes.mid(kUtf8Bom.size()));
    return platform::fromWindows1252(bytes);
}

QStringList splitLines(const QString& text)
{
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return normalised.split(QLatin1Char('\n'));
}

bool isOldAbsoluteForm(const QString& firstLine)
{
    return firstLine.size() >= 2 && firstLine[1] == QLatin1Char(':');
}

QString cutOldForm(const QString& line, const QString& projectName)
{
    const qsizetype start = projectName.isEmpty() ? -1 : line.indexOf(projectName);
    return line.mid(start < 0 ? 0 : start, kOldFormMaxLength);
}

bool isParentFolder(const QString& part)
{
#ifdef Q_OS_WIN
    // Windows drops trailing dots and spaces from a name, so "... " is ".." there.
    QString name = part;
    while (name.size() > 2 && (name.endsWith(u'.') || name.endsWith(u' ')))
        name.chop(1);
    return name == QLatin1String("..");
#else
    return part == QLatin1String("..");
#endif
}

} // namespace

QByteArray projectIndexBytes(const QString& name)
{
    const QString text = name + QStringLiteral("\\Front.jpg\r\n") //
        + name + QStringLiteral("\\Back.bmp\r\n") //
        + name + QStringLiteral("\\Back.rtf\r\n");
    if (platform::fitsWindows1252(text))
        return platform::toWindows1252(text);
    return kUtf8Bom + text.toUtf8();
}

ProjectIndexLines parseProjectIndex(const QByteArray& bytes, const QString& projectName)
{
    const QStringList lines = splitLines(decodeIndex(bytes));
    ProjectIndexLines index { lines.value(0), lines.value(1), lines.value(2) };
    if (isOldAbsoluteForm(index.front)) {
        index.front = cutOldForm(index.front, projectName);
        index.back = cutOldForm(index.back, projectName);
        index.text = cutOldForm(index.text, projectName);
    }
    return index;
}

std::optional<ProjectIndexLines> readProjectIndex(
    const QString& path, const QString& projectName, QString* problem)
{
    QString ignored;
    if (!problem)
        problem = &ignored;
    problem->clear();
    if (!QFileInfo::exists(path))
        return std::nullopt;
    const std::optional<QByteArray> bytes
        = platform::readRegularFile(path, kMaxIndexFileSize, problem);
    if (!bytes)
        return std::nullopt;
    const ProjectIndexLines index = parseProjectIndex(*bytes, projectName);
    const QStringList lines { index.front, index.back, index.text };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].size() > kMaxIndexLineLength) {
            *problem = QStringLiteral("line %1 is longer than %2 characters")
                           .arg(i + 1)
                           .arg(kMaxIndexLineLength);
            return std::nullopt;
        }
    }
    if (index.front.isEmpty())
        return std::nullopt;
    return index;
}

std::optional<QString> projectFilePath(const QString& dataDir, const QString& relativeLine)
{
    QString line = relativeLine;
    line.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = line.split(QLatin1Char('/'));
    if (std::any_of(parts.cbegin(), parts.cend(), isParentFolder))
        return std::nullopt;
    return dataDir + QDir::toNativeSeparators(line);
}

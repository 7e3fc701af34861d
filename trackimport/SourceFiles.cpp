#include "trackimport/SourceFiles.h"

#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "trackimport/AudioFile.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace trackimport {

namespace {

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString existingFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.absoluteFilePath() : QString();
}

// A name in the folder that equals the wanted one but for letter case; with
// anyAudioExtension the base names are compared and the extension may be any
// audio one.
QString lookAlikeIn(const QString& folder, const QString& wanted, bool anyAudioExtension)
{
    const QFileInfo wantedInfo(wanted);
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Readable);
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return QDir(folder).absoluteFilePath(name);
    }
    if (!anyAudioExtension)
        return {};
    for (const QString& name : names) {
        const QFileInfo candidate(name);
        if (candidate.completeBaseName().compare(wantedInfo.completeBaseName(), Qt::CaseInsensitive)
                == 0
            && hasAudioFileExtension(name))
            return QDir(folder).absoluteFilePath(name);
    }
    return {};
}

} // namespace

QByteArray readListFile(const QString& path, qsizetype maxSize)
{
    QString reason;
    std::optional<QByteArray> data = platform::readRegularFile(path, maxSize, &reason);
    if (!data) {
        throw platform::UserError(
            QStringLiteral("Cannot open \"%1\": %2").arg(nativePath(path), reason));
    }
    return std::move(*data);
}

QString findListedFile(const QString& listFolder, const QString& reference, bool anyAudioExtension)
{
    QString written = reference.trimmed();
    if (written.isEmpty())
        return {};
    if (written.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        written = QUrl(written).toLocalFile();
    written.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool windowsDrive = written.size() > 2 && written.at(1) == QLatin1Char(':')
        && written.at(0).isLetter() && written.at(2) == QLatin1Char('/');
    if (!windowsDrive) {
        const QString asWritten = QDir(listFolder).absoluteFilePath(written);
        if (QString found = existingFile(asWritten); !found.isEmpty())
            return found;
        const QFileInfo info(asWritten);
        if (QString found = lookAlikeIn(info.absolutePath(), info.fileName(), anyAudioExtension);
            !found.isEmpty())
            return found;
    }
    const QString name = written.section(QLatin1Char('/'), -1);
    if (name.isEmpty())
        return {};
    return lookAlikeIn(listFolder, name, anyAudioExtension);
}

} // namespace trackimport

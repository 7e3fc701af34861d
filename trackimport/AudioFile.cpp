#include "trackimport/AudioFile.h"

#include <QFile>
#include <QFileInfo>

#include <fileref.h>
#include <tag.h>
#include <tpropertymap.h>

namespace trackimport {

namespace {

QString toQString(const TagLib::String& text)
{
    return QString::fromStdWString(text.toWString()).trimmed();
}

QString firstProperty(const TagLib::PropertyMap& properties, const char* name)
{
    const auto found = properties.find(name);
    if (found == properties.end() || found->second.isEmpty())
        return {};
    return toQString(found->second.front());
}

// "2" or "2/3": the number before the slash.
int leadingNumber(const QString& text)
{
    bool ok = false;
    const int number = text.section(QLatin1Char('/'), 0, 0).trimmed().toInt(&ok);
    return ok && number > 0 ? number : 0;
}

} // namespace

const QStringList& audioFileExtensions()
{
    static const QStringList extensions { QStringLiteral("mp3"), QStringLiteral("flac"),
        QStringLiteral("ogg"), QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("m4a"),
        QStringLiteral("m4b"), QStringLiteral("wav"), QStringLiteral("aif"), QStringLiteral("aiff"),
        QStringLiteral("aifc"), QStringLiteral("wma"), QStringLiteral("ape"), QStringLiteral("wv"),
        QStringLiteral("mpc") };
    return extensions;
}

bool hasAudioFileExtension(const QString& fileName)
{
    return audioFileExtensions().contains(QFileInfo(fileName).suffix().toLower());
}

Track readAudioFile(const QString& path, bool* readable)
{
    Track track;
    track.path = path;
    const QByteArray encodedPath = QFile::encodeName(path);
    // Average accuracy reads the length from the stream's headers; only a
    // file without any would be scanned.
    TagLib::FileRef file(encodedPath.constData(), true, TagLib::AudioProperties::Average);
    // A file of another kind under an audio name may pass as a tag
    // container; only one with a stream of sound is music.
    const TagLib::AudioProperties* audio
        = file.isNull() || !file.file()->isValid() ? nullptr : file.audioProperties();
    const bool isAudio = audio && (audio->sampleRate() > 0 || audio->lengthInMilliseconds() > 0);
    if (readable)
        *readable = isAudio;
    if (!isAudio)
        return track;

    if (const TagLib::Tag* tag = file.tag()) {
        track.title = toQString(tag->title());
        track.artist = toQString(tag->artist());
        track.album = toQString(tag->album());
        track.number = static_cast<int>(tag->track());
        track.year = static_cast<int>(tag->year());
    }
    const TagLib::PropertyMap properties = file.file()->properties();
    track.albumArtist = firstProperty(properties, "ALBUMARTIST");
    track.disc = leadingNumber(firstProperty(properties, "DISCNUMBER"));
    if (track.number == 0)
        track.number = leadingNumber(firstProperty(properties, "TRACKNUMBER"));

    const int length = audio->lengthInMilliseconds();
    track.durationMs = length > 0 ? length : -1;
    return track;
}

} // namespace trackimport

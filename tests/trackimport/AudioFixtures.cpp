#include "AudioFixtures.h"

#include <QByteArray>
#include <QFile>

#include <fileref.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <tpropertymap.h>

#include <array>
#include <cstdint>

namespace fixtures {

namespace {

void appendBigEndian(QByteArray& out, std::uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void appendLittleEndian(QByteArray& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t samplesFor(qint64 durationMs, int sampleRate)
{
    return static_cast<std::uint64_t>(durationMs) * sampleRate / 1000;
}

// ---- WAV and AIFF: 8 kHz, mono, 8 bits ------------------------------------

constexpr int kPcmRate = 8000;

QByteArray wav(qint64 durationMs)
{
    const std::uint64_t samples = samplesFor(durationMs, kPcmRate);
    QByteArray out("RIFF");
    appendLittleEndian(out, 36 + samples, 4);
    out.append("WAVEfmt ");
    appendLittleEndian(out, 16, 4);
    appendLittleEndian(out, 1, 2); // PCM
    appendLittleEndian(out, 1, 2); // mono
    appendLittleEndian(out, kPcmRate, 4);
    appendLittleEndian(out, kPcmRate, 4); // bytes per second
    appendLittleEndian(out, 1, 2); // block align
    appendLittleEndian(out, 8, 2); // bits
    out.append("data");
    appendLittleEndian(out, samples, 4);
    out.append(QByteArray(static_cast<qsizetype>(samples), '\x80'));
    if (samples % 2)
        out.append('\0');
    return out;
}

QByteArray aiff(qint64 durationMs)
{
    const std::uint64_t samples = samplesFor(durationMs, kPcmRate);
    QByteArray common("COMM");
    appendBigEndian(common, 18, 4);
    appendBigEndian(common, 1, 2); // mono
    appendBigEndian(common, samples, 4);
    appendBigEndian(common, 8, 2); // bits
    // 8000 as an 80-bit extended number: 1.953125 × 2^12.
    appendBigEndian(common, 16383 + 12, 2);
    appendBigEndian(common, std::uint64_t(kPcmRate) << (63 - 12), 8);
    QByteArray sound("SSND");
    appendBigEndian(sound, 8 + samples, 4);
    appendBigEndian(sound, 0, 8); // offset and block size
    sound.append(QByteArray(static_cast<qsizetype>(samples), '\0'));
    if (samples % 2)
        sound.append('\0');
    QByteArray out("FORM");
    appendBigEndian(out, 4 + common.size() + sound.size(), 4);
    return out + "AIFF" + common + sound;
}

// ---- MP3: MPEG-1 layer III, 32 kbit/s, 32 kHz, mono -------------------------

QByteArray mp3(qint64 durationMs)
{
    constexpr int kFrameBytes = 144; // 144 × bit rate / sample rate
    constexpr int kBytesPerSecond = 32000 / 8;
    const qint64 frames = (durationMs * kBytesPerSecond / 1000 + kFrameBytes - 1) / kFrameBytes;
    QByteArray frame(kFrameBytes, '\0'); // empty side information: silence
    frame[0] = '\xFF';
    frame[1] = '\xFB'; // MPEG-1, layer III, no CRC
    frame[2] = '\x18'; // 32 kbit/s, 32 kHz, no padding
    frame[3] = '\xC0'; // mono
    return frame.repeated(frames);
}

// ---- FLAC: 44.1 kHz, stereo, 16 bits, constant (silent) subframes ----------

constexpr int kFlacRate = 44100;
constexpr int kFlacBlock = 4096;

std::uint8_t crc8(const QByteArray& data)
{
    std::uint8_t crc = 0;
    for (const char byte : data) {
        crc ^= static_cast<std::uint8_t>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint8_t>(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

std::uint16_t crc16(const QByteArray& data)
{
    std::uint16_t crc = 0;
    for (const char byte : data) {
        crc ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(byte) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x8005 : crc << 1);
    }
    return crc;
}

// The frame number in FLAC's UTF-8-like code.
void appendCodedNumber(QByteArray& out, std::uint32_t value)
{
    if (value < 0x80) {
        out.append(static_cast<char>(value));
        return;
    }
    int continuation = value < 0x800 ? 1 : value < 0x10000 ? 2 : value < 0x200000 ? 3 : 4;
    const std::uint8_t lead = static_cast<std::uint8_t>(0xFF00 >> (continuation + 1));
    out.append(static_cast<char>(lead | (value >> (6 * continuation))));
    while (continuation-- > 0)
        out.append(static_cast<char>(0x80 | ((value >> (6 * continuation)) & 0x3F)));
}

QByteArray flacFrame(std::uint32_t number, int samples)
{
    QByteArray frame;
    frame.append('\xFF');
    frame.append('\xF8'); // fixed block size
    const bool fullBlock = samples == kFlacBlock;
    frame.append(static_cast<char>((fullBlock ? 0xC0 : 0x70) | 0x09)); // size, 44.1 kHz
    frame.append('\x18'); // two independent channels, 16 bits
    appendCodedNumber(frame, number);
    if (!fullBlock)
        appendBigEndian(frame, samples - 1, 2);
    frame.append(static_cast<char>(crc8(frame)));
    for (int channel = 0; channel < 2; ++channel)
        frame.append(QByteArray(3, '\0')); // constant subframe holding 0
    appendBigEndian(frame, crc16(frame), 2);
    return frame;
}

QByteArray metadataBlock(int type, const QByteArray& body, bool last)
{
    QByteArray out;
    out.append(static_cast<char>((last ? 0x80 : 0) | type));
    appendBigEndian(out, body.size(), 3);
    return out + body;
}

QByteArray flac(qint64 durationMs)
{
    const std::uint64_t samples = samplesFor(durationMs, kFlacRate);
    QByteArray info;
    appendBigEndian(info, kFlacBlock, 2);
    appendBigEndian(info, kFlacBlock, 2);
    appendBigEndian(info, 0, 6); // frame sizes unknown
    // 20 bits rate, 3 bits channels - 1, 5 bits bits - 1, 36 bits samples.
    appendBigEndian(
        info, (std::uint64_t(kFlacRate) << 44) | (1ULL << 41) | (15ULL << 36) | samples, 8);
    info.append(QByteArray(16, '\0')); // MD5 not computed
    QByteArray seekTable;
    for (std::uint64_t at = 0; at < samples; at += 10 * kFlacRate) {
        appendBigEndian(seekTable, at - at % kFlacBlock, 8);
        appendBigEndian(seekTable, 0, 8); // offsets are not needed by readers of tags
        appendBigEndian(seekTable, kFlacBlock, 2);
    }
    QByteArray out("fLaC");
    out += metadataBlock(0, info, false);
    out += metadataBlock(3, seekTable, false);
    out += metadataBlock(1, QByteArray(4096, '\0'), true); // padding
    std::uint32_t number = 0;
    for (std::uint64_t done = 0; done < samples; done += kFlacBlock)
        out += flacFrame(
            number++, static_cast<int>(std::min<std::uint64_t>(kFlacBlock, samples - done)));
    return out;
}

// ---- Ogg Vorbis and Opus: headers and one page that ends the stream -------

std::uint32_t oggCrc(const QByteArray& page)
{
    std::uint32_t crc = 0;
    for (const char byte : page) {
        crc ^= static_cast<std::uint32_t>(static_cast<std::uint8_t>(byte)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

QByteArray oggPage(const QList<QByteArray>& packets, int flags, std::uint64_t granule, int sequence)
{
    QByteArray lacing;
    QByteArray body;
    for (const QByteArray& packet : packets) {
        qsizetype left = packet.size();
        for (; left >= 255; left -= 255)
            lacing.append('\xFF');
        lacing.append(static_cast<char>(left));
        body += packet;
    }
    QByteArray page("OggS");
    page.append('\0');
    page.append(static_cast<char>(flags));
    appendLittleEndian(page, granule, 8);
    appendLittleEndian(page, 0x51A7, 4); // stream serial number
    appendLittleEndian(page, sequence, 4);
    appendLittleEndian(page, 0, 4); // CRC, filled in below
    page.append(static_cast<char>(lacing.size()));
    page += lacing + body;
    const std::uint32_t crc = oggCrc(page);
    for (int i = 0; i < 4; ++i)
        page[22 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
    return page;
}

QByteArray oggStream(const QByteArray& identification, const QByteArray& comments,
    const QList<QByteArray>& moreHeaders, std::uint64_t lastGranule)
{
    return oggPage({ identification }, 0x02, 0, 0)
        + oggPage(QList { comments } + moreHeaders, 0, 0, 1)
        + oggPage({ QByteArray(40, '\0') }, 0x04, lastGranule, 2);
}

QByteArray vorbisComments(const QByteArray& magic)
{
    QByteArray out = magic;
    const QByteArray vendor("qzLayer tests");
    appendLittleEndian(out, vendor.size(), 4);
    out += vendor;
    appendLittleEndian(out, 0, 4); // no comments yet
    return out;
}

QByteArray oggVorbis(qint64 durationMs)
{
    constexpr int kRate = 44100;
    QByteArray id("\x01vorbis", 7);
    appendLittleEndian(id, 0, 4); // version
    id.append('\x02'); // channels
    appendLittleEndian(id, kRate, 4);
    appendLittleEndian(id, 0, 4);
    appendLittleEndian(id, 128000, 4); // nominal bit rate
    appendLittleEndian(id, 0, 4);
    id.append('\xB8'); // block sizes 256 and 2048
    id.append('\x01'); // framing
    QByteArray comments = vorbisComments(QByteArray("\x03vorbis", 7));
    comments.append('\x01');
    const QByteArray setup = QByteArray("\x05vorbis", 7) + QByteArray(16, '\0');
    return oggStream(id, comments, { setup }, samplesFor(durationMs, kRate));
}

QByteArray opus(qint64 durationMs)
{
    constexpr int kPreSkip = 312;
    QByteArray head("OpusHead");
    head.append('\x01'); // version
    head.append('\x02'); // channels
    appendLittleEndian(head, kPreSkip, 2);
    appendLittleEndian(head, 48000, 4); // input rate
    appendLittleEndian(head, 0, 2); // gain
    head.append('\0'); // mapping family
    return oggStream(
        head, vorbisComments("OpusTags"), {}, samplesFor(durationMs, 48000) + kPreSkip);
}

QByteArray audioData(AudioFormat format, qint64 durationMs)
{
    switch (format) {
    case AudioFormat::Wav:
        return wav(durationMs);
    case AudioFormat::Aiff:
        return aiff(durationMs);
    case AudioFormat::Flac:
        return flac(durationMs);
    case AudioFormat::Mp3:
        return mp3(durationMs);
    case AudioFormat::OggVorbis:
        return oggVorbis(durationMs);
    case AudioFormat::Opus:
        return opus(durationMs);
    }
    return {};
}

TagLib::String tagText(const QString& text)
{
    return TagLib::String(text.toStdWString());
}

bool addCover(const QString& path, int bytes)
{
    TagLib::FLAC::File file(QFile::encodeName(path).constData());
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType("image/jpeg");
    picture->setData(TagLib::ByteVector(static_cast<unsigned int>(bytes), '\x5A'));
    file.addPicture(picture);
    return file.save();
}

} // namespace

bool writeAudioFile(const QString& path, AudioFormat format, qint64 durationMs, const Tags& tags)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(audioData(format, durationMs)) < 0)
        return false;
    file.close();

    TagLib::PropertyMap properties;
    const auto set = [&](const char* name, const QString& value) {
        if (!value.isEmpty())
            properties.replace(name, TagLib::StringList(tagText(value)));
    };
    set("TITLE", tags.title);
    set("ARTIST", tags.artist);
    set("ALBUM", tags.album);
    set("ALBUMARTIST", tags.albumArtist);
    set("TRACKNUMBER", tags.track > 0 ? QString::number(tags.track) : QString());
    set("DISCNUMBER", tags.disc > 0 ? QString::number(tags.disc) : QString());
    set("DATE", tags.year > 0 ? QString::number(tags.year) : QString());
    if (properties.isEmpty() && tags.coverBytes == 0)
        return true;
    TagLib::FileRef tagged(QFile::encodeName(path).constData(), false);
    if (tagged.isNull())
        return false;
    tagged.file()->setProperties(properties);
    if (!tagged.save())
        return false;
    return tags.coverBytes == 0 || (format == AudioFormat::Flac && addCover(path, tags.coverBytes));
}

} // namespace fixtures

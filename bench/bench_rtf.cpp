// Reading and writing back texts of about 1 MB of RTF, each against a
// yardstick run in the same process:
//  - a track list of 1 MB with mixed formatting and accented characters,
//    against Qt's own HTML reading and writing of the same document;
//  - a short text with a 1 MB JPEG picture, against libjpeg decoding the
//    picture at full size.
// Prints the median of several rounds of each. Given a folder, also saves
// both texts there for a look with other programs.
#include "BenchPhoto.h"
#include "LibjpegReference.h"
#include "platform/Picture.h"
#include "richtext/RichText.h"

#include <QApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr qsizetype kTargetSize = 1024 * 1024;
constexpr int kRounds = 15;

const char16_t* const kTitles[] = {
    u"Café de la Paix",
    u"Naïve Melody",
    u"Über den Wolken",
    u"Señorita",
    u"Smörgåsbord",
    u"Crème brûlée",
    u"Façade",
    u"Ærø Øresund",
    u"Piña Colada",
    u"Déjà vu",
    u"Zürich Nights",
};

QTextCharFormat format(bool bold, bool italic, qreal points, const QColor& color)
{
    QTextCharFormat result;
    result.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    result.setFontItalic(italic);
    result.setFontPointSize(points);
    if (color.isValid())
        result.setForeground(color);
    return result;
}

void addAlbum(QTextCursor& cursor, int album)
{
    QTextBlockFormat centered;
    centered.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centered);
    cursor.insertText(QStringLiteral("Velmora – Album %1 (Live à Paris)").arg(album),
        format(true, false, 16, QColor(128, 0, 0)));
    QTextBlockFormat track;
    track.setLeftMargin(10);
    track.setTabPositions({ QTextOption::Tab(30, QTextOption::LeftTab),
        QTextOption::Tab(500, QTextOption::RightTab) });
    for (int number = 1; number <= 14; ++number) {
        cursor.insertBlock(track);
        cursor.insertText(QStringLiteral("%1.\t").arg(number), format(false, false, 11, QColor()));
        const QString title = QString::fromUtf16(kTitles[(album + number) % std::size(kTitles)]);
        cursor.insertText(title, format(number % 3 == 0, number % 4 == 0, 11, QColor()));
        cursor.insertText(
            QStringLiteral(" (feat. Ørjan)"), format(false, true, 9, QColor(0, 0, 160)));
        cursor.insertText(QStringLiteral("\t%1:%2")
                              .arg(2 + number % 5)
                              .arg(number * 7 % 60, 2, 10, QLatin1Char('0')),
            format(false, false, 11, QColor()));
    }
}

void fillTrackLists(QTextDocument& document)
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (int album = 1; richtext::writeRtf(document).size() < kTargetSize; ++album) {
        for (int batch = 0; batch < 50; ++batch)
            addAlbum(cursor, album * 100 + batch);
    }
    cursor.endEditBlock();
}

// A photo-like picture (smooth shapes under fine grain) whose JPEG is about
// 1 MB.
QByteArray photoOfOneMegabyte()
{
    QRandomGenerator random(42);
    for (int width = 800;; width += 100) {
        QImage image(width, width * 3 / 4, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grain = int(random.bounded(64));
                line[x] = qRgb(
                    (x / 3 + grain) & 255, (y / 2 + grain) & 255, ((x + y) / 5 + grain) & 255);
            }
        }
        QByteArray jpeg = platform::encodeJpeg(image, 90);
        if (jpeg.size() >= kTargetSize)
            return jpeg;
    }
}

// The picture as a file would bring it: shown 400 pixels wide on the back.
void fillWithPicture(QTextDocument& document, const QByteArray& jpeg)
{
    const QByteArray rtf
        = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 Velmora \\endash  Live\\par "
          "{\\pict\\jpegblip\\picwgoal6000\\pichgoal4500 "
        + jpeg.toHex() + "}\\par 1.\\tab Intro\\par}";
    richtext::readRtf(rtf, document);
}

struct Timings
{
    double read = 0;
    double write = 0;
    bool stable = false;
};

// Reads the RTF into a fresh document, and writes that document.
Timings timeRtf(const QByteArray& rtf)
{
    std::unique_ptr<QTextDocument> target;
    Timings timings;
    timings.read = medianMs(
        kRounds, [&] { target = std::make_unique<QTextDocument>(); },
        [&] { richtext::readRtf(rtf, *target); });
    timings.write = medianMs(kRounds, [&] { (void)richtext::writeRtf(*target); });
    timings.stable = richtext::writeRtf(*target) == rtf;
    return timings;
}

void report(const char* what, double time, double yardstick)
{
    std::printf("  %-44s %8.1f ms   ratio %5.2f\n", what, time, time / yardstick);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);

    QTextDocument trackLists;
    trackLists.setUndoRedoEnabled(false);
    fillTrackLists(trackLists);
    const QByteArray trackRtf = richtext::writeRtf(trackLists);
    const Timings text = timeRtf(trackRtf);
    const QString html = trackLists.toHtml();
    std::unique_ptr<QTextDocument> htmlTarget;
    const double htmlRead = medianMs(
        kRounds, [&] { htmlTarget = std::make_unique<QTextDocument>(); },
        [&] { htmlTarget->setHtml(html); });
    const double htmlWrite = medianMs(kRounds, [&] { (void)htmlTarget->toHtml(); });

    const QByteArray jpeg = photoOfOneMegabyte();
    QTextDocument withPicture;
    fillWithPicture(withPicture, jpeg);
    const QByteArray pictureRtf = richtext::writeRtf(withPicture);
    const Timings picture = timeRtf(pictureRtf);
    QTemporaryDir folder;
    const QString jpegPath = folder.filePath(QStringLiteral("photo.jpg"));
    QFile jpegFile(jpegPath);
    if (!jpegFile.open(QIODevice::WriteOnly) || jpegFile.write(jpeg) != jpeg.size())
        qFatal("cannot write %s", qPrintable(jpegPath));
    jpegFile.close();
    const double libjpeg = medianMs(kRounds, [&] { (void)decodeWithLibjpeg(jpegPath, 1); });

    if (argc > 1) {
        const QDir out(QString::fromLocal8Bit(argv[1]));
        richtext::saveRichTextFile(out.filePath(QStringLiteral("tracks.rtf")), trackLists);
        richtext::saveRichTextFile(out.filePath(QStringLiteral("picture.rtf")), withPicture);
    }

    std::printf("Track lists: %lld bytes of RTF, %d paragraphs (median of %d rounds)\n",
        static_cast<long long>(trackRtf.size()), trackLists.blockCount(), kRounds);
    std::printf("  yardstick: Qt reading the same text as HTML %.1f ms, writing it %.1f ms\n",
        htmlRead, htmlWrite);
    report("read into an empty text document", text.read, htmlRead);
    report("write from a text document", text.write, htmlWrite);
    std::printf("A 1 MB picture: %lld bytes of JPEG, %lld bytes of RTF\n",
        static_cast<long long>(jpeg.size()), static_cast<long long>(pictureRtf.size()));
    std::printf("  yardstick: libjpeg decoding the picture at full size %.1f ms\n", libjpeg);
    report("read into an empty text document", picture.read, libjpeg);
    report("write from a text document", picture.write, libjpeg);
    const bool stable = text.stable && picture.stable;
    std::printf("written again unchanged: %s\n", stable ? "yes" : "NO");
    return stable ? 0 : 1;
}

#include "platform/Files.h"
#include "platform/Picture.h"
#include "tests/platform/PictureFixtures.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using platform::Picture;
using platform::PictureFormat;
using platform::UserError;

Q_DECLARE_METATYPE(PictureFormat)

namespace {

// Four flat quadrants: red, green / blue, white. JPEG keeps flat areas well.
QImage quadrants(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const int halfWidth = size.width() / 2;
    const int halfHeight = size.height() / 2;
    painter.fillRect(0, 0, halfWidth, halfHeight, Qt::red);
    painter.fillRect(halfWidth, 0, size.width() - halfWidth, halfHeight, Qt::green);
    painter.fillRect(0, halfHeight, halfWidth, size.height() - halfHeight, Qt::blue);
    painter.fillRect(
        halfWidth, halfHeight, size.width() - halfWidth, size.height() - halfHeight, Qt::white);
    return image;
}

int channelDifference(QRgb a, QRgb b)
{
    return qMax(
        qAbs(qRed(a) - qRed(b)), qMax(qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))));
}

int largestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            largest = qMax(largest, channelDifference(a.pixel(x, y), b.pixel(x, y)));
    }
    return largest;
}

// Colour in the middle of each quadrant, away from the edges JPEG blurs.
QList<QRgb> quadrantCentres(const QImage& image)
{
    const int w = image.width(), h = image.height();
    return { image.pixel(w / 4, h / 4), image.pixel(3 * w / 4, h / 4),
        image.pixel(w / 4, 3 * h / 4), image.pixel(3 * w / 4, 3 * h / 4) };
}

void expectQuadrants(const QImage& image, int tolerance)
{
    const QList<QRgb> expected { qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
        qRgb(255, 255, 255) };
    const QList<QRgb> actual = quadrantCentres(image);
    for (int i = 0; i < expected.size(); ++i) {
        QVERIFY2(channelDifference(actual[i], expected[i]) <= tolerance,
            qPrintable(QStringLiteral("quadrant %1 is #%2").arg(i).arg(actual[i], 8, 16)));
    }
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Message of the UserError the call raises, or a note that it raised none.
template <typename Call> QString errorTextOf(Call call)
{
    try {
        call();
    } catch (const UserError& error) {
        return error.text();
    }
    return QStringLiteral("(no error raised)");
}

// Encodes with libjpeg itself the kinds of JPEG the program's own encoder
// never writes; configure adjusts libjpeg's default settings.
QByteArray encodeWithLibjpeg(QSize size, J_COLOR_SPACE space, int components,
    const std::function<QByteArray(int row)>& row,
    const std::function<void(jpeg_compress_struct&)>& configure)
{
    jpeg_compress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_compress(&codec);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&codec, &buffer, &length);
    codec.image_width = JDIMENSION(size.width());
    codec.image_height = JDIMENSION(size.height());
    codec.input_components = components;
    codec.in_color_space = space;
    jpeg_set_defaults(&codec);
    configure(codec);
    jpeg_start_compress(&codec, TRUE);
    while (codec.next_scanline < codec.image_height) {
        QByteArray bytes = row(int(codec.next_scanline));
        JSAMPROW rowPointer = reinterpret_cast<JSAMPROW>(bytes.data());
        jpeg_write_scanlines(&codec, &rowPointer, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    const QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(length));
    std::free(buffer);
    return bytes;
}

// One flat colour given in the JPEG's own colour space (grey or CMYK).
QByteArray encodeFlatJpeg(J_COLOR_SPACE space, const QByteArray& pixel, bool adobeMarker)
{
    constexpr int kSide = 16;
    return encodeWithLibjpeg(
        QSize(kSide, kSide), space, int(pixel.size()), [&](int) { return pixel.repeated(kSide); },
        [&](jpeg_compress_struct& codec) {
            jpeg_set_colorspace(&codec, space);
            codec.write_Adobe_marker = adobeMarker;
            jpeg_set_quality(&codec, 100, TRUE);
        });
}

// A progressive JPEG with the given scan script, or libjpeg's own simple
// progression when the script is empty.
QByteArray encodeProgressiveJpeg(const QImage& picture, const std::vector<jpeg_scan_info>& scans)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    return encodeWithLibjpeg(
        rgb.size(), JCS_RGB, 3,
        [&](int y) {
            return QByteArray(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
        },
        [&](jpeg_compress_struct& codec) {
            if (scans.empty()) {
                jpeg_simple_progression(&codec);
            } else {
                codec.scan_info = scans.data();
                codec.num_scans = int(scans.size());
            }
        });
}

// The JPEG with its last scan (from the last start-of-scan marker to the end
// marker) repeated: a few bytes that each cost a pass over the whole picture.
QByteArray withLastScanRepeated(const QByteArray& jpeg, int times)
{
    const qsizetype lastScan = jpeg.lastIndexOf("\xFF\xDA");
    const qsizetype end = jpeg.lastIndexOf("\xFF\xD9");
    const QByteArray scan = jpeg.mid(lastScan, end - lastScan);
    return jpeg.left(end) + scan.repeated(times) + jpeg.mid(end);
}

// A Windows bitmap of a kilobyte whose header claims the size, with
// run-length compressed data that ends at once.
QByteArray compressedBitmapClaiming(int width, int height)
{
    QByteArray bytes;
    const auto add = [&bytes](quint32 value, int width) {
        for (int i = 0; i < width; ++i)
            bytes.append(char((value >> (8 * i)) & 0xFF));
    };
    const quint32 pixelOffset = 14 + 40 + 256 * 4;
    bytes.append("BM");
    add(pixelOffset + 2, 4);
    add(0, 4);
    add(pixelOffset, 4);
    add(40, 4);
    add(quint32(width), 4);
    add(quint32(height), 4);
    add(1, 2); // planes
    add(8, 2); // bits per pixel
    add(1, 4); // run-length encoded, 8 bits
    add(2, 4);
    add(2835, 4);
    add(2835, 4);
    add(256, 4);
    add(0, 4);
    bytes.append(QByteArray(256 * 4, '\0'));
    bytes.append("\x00\x01", 2); // end of the picture
    return bytes;
}

// A baseline JPEG whose frame header claims the size.
QByteArray jpegClaiming(int width, int height)
{
    QByteArray jpeg = platform::encodeJpeg(quadrants(QSize(16, 16)));
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

quint32 littleEndianAt(const QByteArray& bytes, int offset, int width)
{
    quint32 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

} // namespace

class PictureTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString pathOf(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    void load_readsByExtension_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<PictureFormat>("format");
        QTest::newRow("jpg") << QStringLiteral("front.jpg") << PictureFormat::Jpeg;
        QTest::newRow("JPEG in capitals") << QStringLiteral("FRONT.JPEG") << PictureFormat::Jpeg;
        QTest::newRow("bmp") << QStringLiteral("back.bmp") << PictureFormat::Bitmap;
        QTest::newRow("Bmp mixed case") << QStringLiteral("back2.Bmp") << PictureFormat::Bitmap;
    }
    void load_readsByExtension()
    {
        QFETCH(QString, fileName);
        QFETCH(PictureFormat, format);
        const QImage original = quadrants(QSize(64, 48));
        const QString path = pathOf(fileName);
        if (format == PictureFormat::Jpeg)
            writeFile(path, platform::encodeJpeg(original));
        else
            QVERIFY(original.save(path, "BMP"));

        const Picture picture = Picture::load(path);

        QCOMPARE(picture.format(), format);
        QCOMPARE(picture.image().size(), QSize(64, 48));
        QCOMPARE(picture.originalSize(), QSize(64, 48));
        if (format == PictureFormat::Jpeg) {
            QCOMPARE(picture.sourceBytes(), readFile(path));
            expectQuadrants(picture.image(), 4);
        } else {
            QVERIFY(picture.sourceBytes().isEmpty());
            QCOMPARE(largestDifference(picture.image(), original), 0);
        }
    }

    void load_withNeededSize_decodesSmallestCoveringScale_data()
    {
        QTest::addColumn<QSize>("fullSize");
        QTest::addColumn<QSize>("neededSize");
        QTest::addColumn<QSize>("expectedSize");
        QTest::newRow("eighth covers exactly")
            << QSize(1000, 800) << QSize(125, 100) << QSize(125, 100);
        QTest::newRow("eighth rounded up covers")
            << QSize(1001, 801) << QSize(126, 101) << QSize(126, 101);
        QTest::newRow("eighth one pixel short: quarter")
            << QSize(1000, 800) << QSize(126, 100) << QSize(250, 200);
        QTest::newRow("half") << QSize(1000, 800) << QSize(300, 150) << QSize(500, 400);
        QTest::newRow("half too small: full")
            << QSize(1000, 800) << QSize(501, 10) << QSize(1000, 800);
        QTest::newRow("tall picture, width decides")
            << QSize(400, 3000) << QSize(100, 100) << QSize(100, 750);
        QTest::newRow("needed larger than picture")
            << QSize(1000, 800) << QSize(2000, 2000) << QSize(1000, 800);
        QTest::newRow("no needed size") << QSize(1000, 800) << QSize() << QSize(1000, 800);
    }
    void load_withNeededSize_decodesSmallestCoveringScale()
    {
        QFETCH(QSize, fullSize);
        QFETCH(QSize, neededSize);
        QFETCH(QSize, expectedSize);
        const QString path = pathOf(QStringLiteral("scaled.jpg"));
        writeFile(path, platform::encodeJpeg(quadrants(fullSize), 75));

        const Picture picture = Picture::load(path, neededSize);

        QCOMPARE(picture.image().size(), expectedSize);
        QCOMPARE(picture.originalSize(), fullSize);
        QCOMPARE(picture.sourceBytes(), readFile(path));
        expectQuadrants(picture.image(), 8);
    }

    void load_greyAndCmykJpegs_giveRgb_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<QRgb>("expected");
        QTest::newRow("grey") << encodeFlatJpeg(JCS_GRAYSCALE, QByteArray(1, char(128)), false)
                              << qRgb(128, 128, 128);
        // Adobe's CMYK files store the values inverted: this is cyan 0, magenta
        // 100 %, yellow 100 %, black 0.
        QTest::newRow("Adobe CMYK")
            << encodeFlatJpeg(JCS_CMYK, QByteArray("\xff\x00\x00\xff", 4), true) << qRgb(255, 0, 0);
        QTest::newRow("plain CMYK") << encodeFlatJpeg(JCS_CMYK, QByteArray("\x00\xff\x00\x40", 4),
            false) << qRgb(191, 0, 191);
    }
    void load_greyAndCmykJpegs_giveRgb()
    {
        QFETCH(QByteArray, jpeg);
        QFETCH(QRgb, expected);
        const QString path = pathOf(QStringLiteral("colours.jpg"));
        writeFile(path, jpeg);

        const QImage image = Picture::load(path).image();

        QCOMPARE(image.format(), QImage::Format_RGB32);
        QVERIFY2(channelDifference(image.pixel(8, 8), expected) <= 3,
            qPrintable(QString::number(image.pixel(8, 8), 16)));
    }

    void load_otherFormats_areReadThroughQt_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png") << QStringLiteral("front.png") << QByteArray("png");
        QTest::newRow("tif") << QStringLiteral("front.tif") << QByteArray("tiff");
        QTest::newRow("TIFF") << QStringLiteral("front.TIFF") << QByteArray("tiff");
        QTest::newRow("webp") << QStringLiteral("front.webp") << QByteArray("webp");
    }
    void load_otherFormats_areReadThroughQt()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, format);
        if (!QImageWriter::supportedImageFormats().contains(format))
            QSKIP("Qt has no writer for this format here");
        QVERIFY(platform::pictureExtensions().contains(QFileInfo(fileName).suffix().toLower()));
        const QImage original = quadrants(QSize(64, 48));
        const QString path = pathOf(fileName);
        QImageWriter writer(path, format);
        writer.setQuality(100);
        QVERIFY(writer.write(original));

        const Picture picture = Picture::load(path);

        QCOMPARE(picture.format(), PictureFormat::Bitmap);
        QCOMPARE(picture.image().size(), QSize(64, 48));
        QCOMPARE(picture.image().format(), QImage::Format_RGB32);
        expectQuadrants(picture.image(), 8);
    }

    void load_gif_isRead()
    {
        if (!QImageReader::supportedImageFormats().contains("gif"))
            QSKIP("Qt has no GIF reader here");
        // One red pixel.
        const QString path = pathOf(QStringLiteral("dot.gif"));
        writeFile(path,
            QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\x00\x00\x00\x00\x00"
                       "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B",
                36));
        QCOMPARE(Picture::load(path).image().pixel(0, 0), qRgb(255, 0, 0));
    }

    // Transparent parts show the white paper, on the sheet and in Front.jpg.
    void load_transparentPng_liesOnWhitePaper()
    {
        QImage picture(QSize(20, 10), QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QPainter(&picture).fillRect(0, 0, 10, 10, Qt::blue);
        const QString path = pathOf(QStringLiteral("logo.png"));
        QVERIFY(picture.save(path, "PNG"));

        const QImage loaded = Picture::load(path).image();

        QCOMPARE(loaded.format(), QImage::Format_RGB32);
        QCOMPARE(loaded.pixel(5, 5), qRgb(0, 0, 255));
        QCOMPARE(loaded.pixel(15, 5), qRgb(255, 255, 255));
    }

    // A photo is shown the way up its EXIF block gives: the quadrants red,
    // green / blue, white as stored come out at these corners.
    void load_exifOrientation_turnsPhotoUpright_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<QSize>("shownSize");
        QTest::addColumn<QList<QRgb>>("corners"); // top left, top right, bottom left, bottom right
        const QRgb r = qRgb(255, 0, 0), g = qRgb(0, 255, 0), b = qRgb(0, 0, 255),
                   w = qRgb(255, 255, 255);
        const QSize wide(64, 32), tall(32, 64);
        QTest::newRow("1 as stored") << 1 << false << wide << QList<QRgb> { r, g, b, w };
        QTest::newRow("2 mirrored") << 2 << true << wide << QList<QRgb> { g, r, w, b };
        QTest::newRow("3 half turn") << 3 << false << wide << QList<QRgb> { w, b, g, r };
        QTest::newRow("4 upside down") << 4 << true << wide << QList<QRgb> { b, w, r, g };
        QTest::newRow("5 transposed") << 5 << false << tall << QList<QRgb> { r, b, g, w };
        QTest::newRow("6 quarter clockwise") << 6 << true << tall << QList<QRgb> { b, r, w, g };
        QTest::newRow("7 transverse") << 7 << false << tall << QList<QRgb> { w, g, b, r };
        QTest::newRow("8 quarter anticlockwise") << 8 << true << tall << QList<QRgb> { g, w, r, b };
        QTest::newRow("9 is no orientation") << 9 << false << wide << QList<QRgb> { r, g, b, w };
    }
    void load_exifOrientation_turnsPhotoUpright()
    {
        QFETCH(int, orientation);
        QFETCH(bool, bigEndian);
        QFETCH(QSize, shownSize);
        QFETCH(QList<QRgb>, corners);
        const QString path = pathOf(QStringLiteral("camera.jpg"));
        writeFile(path,
            withExifOrientation(
                platform::encodeJpeg(quadrants(QSize(64, 32))), orientation, bigEndian));

        for (const QSize& needed : { QSize(), QSize(8, 16) }) {
            const Picture picture = Picture::load(path, needed);
            QCOMPARE(picture.originalSize(), shownSize);
            const QImage& image = picture.image();
            const int w = image.width(), h = image.height();
            QCOMPARE(double(w) / h, double(shownSize.width()) / shownSize.height());
            const QList<QRgb> found { image.pixel(w / 4, h / 4), image.pixel(3 * w / 4, h / 4),
                image.pixel(w / 4, 3 * h / 4), image.pixel(3 * w / 4, 3 * h / 4) };
            for (int i = 0; i < 4; ++i)
                QVERIFY2(
                    channelDifference(found[i], corners[i]) <= 8, qPrintable(QString::number(i)));
        }
    }

    // A small file must not cost minutes or a gigabyte: pictures far beyond
    // what an inlay needs are refused before they are decoded.
    void load_absurdPicture_isRefusedBeforeDecoding_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expectedReason");
        QTest::newRow("1 KB bitmap claiming 16384 x 16384")
            << QStringLiteral("huge.bmp") << compressedBitmapClaiming(16384, 16384)
            << QStringLiteral("16384 × 16384 pixels, and pictures of at most 64 megapixels");
        QTest::newRow("JPEG claiming 65500 x 65500") << QStringLiteral(
            "huge.jpg") << jpegClaiming(65500, 65500) << QStringLiteral("65500 × 65500 pixels");
        QTest::newRow("progressive JPEG repeating its last scan")
            << QStringLiteral("repeated.jpg")
            << withLastScanRepeated(encodeProgressiveJpeg(quadrants(QSize(256, 256)), {}), 1000)
            << QStringLiteral("damaged");
        // Valid, but one scan for each coefficient of each colour: 190 scans.
        std::vector<jpeg_scan_info> manyScans { { 3, { 0, 1, 2, 0 }, 0, 0, 0, 0 } };
        for (int component = 0; component < 3; ++component) {
            for (int coefficient = 1; coefficient < 64; ++coefficient)
                manyScans.push_back({ 1, { component, 0, 0, 0 }, coefficient, coefficient, 0, 0 });
        }
        QTest::newRow("progressive JPEG of 190 scans")
            << QStringLiteral("scans.jpg")
            << encodeProgressiveJpeg(quadrants(QSize(64, 64)), manyScans)
            << QStringLiteral("far more scans");
    }
    void load_absurdPicture_isRefusedBeforeDecoding()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, expectedReason);
        const QString path = pathOf(fileName);
        writeFile(path, content);

        const QString text = errorTextOf([&] { Picture::load(path, QSize(480, 480)); });

        QVERIFY2(text.contains(expectedReason), qPrintable(text));
    }

    void load_ordinaryProgressiveJpeg_isRead()
    {
        const QString path = pathOf(QStringLiteral("progressive.jpg"));
        writeFile(path, encodeProgressiveJpeg(quadrants(QSize(256, 256)), {}));
        expectQuadrants(Picture::load(path, QSize(64, 64)).image(), 8);
    }

    void reducedTo_keepsBitmapsWithinTheSizeAndJpegsWhole()
    {
        const Picture bitmap = Picture::fromImage(quadrants(QSize(300, 200)));
        const Picture reduced = bitmap.reducedTo(QSize(150, 150));
        QCOMPARE(reduced.image().size(), QSize(150, 100));
        expectQuadrants(reduced.image(), 8);
        QCOMPARE(bitmap.reducedTo(QSize(300, 300)).image().size(), QSize(300, 200));

        const QString path = pathOf(QStringLiteral("whole.jpg"));
        writeFile(path, platform::encodeJpeg(quadrants(QSize(300, 200))));
        const Picture jpeg = Picture::load(path);
        QCOMPARE(jpeg.reducedTo(QSize(150, 150)).image().size(), QSize(300, 200));
    }

    void load_unreadablePicture_raisesErrorNamingIt_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expectedReason");
        const QByteArray jpeg = platform::encodeJpeg(quadrants(QSize(64, 64)));
        const QByteArray bitmap = platform::encodeBitmap(quadrants(QSize(64, 64)));
        QTest::newRow("missing") << QStringLiteral("absent.jpg") << QByteArray()
                                 << QStringLiteral("does not exist");
        QTest::newRow("unknown extension")
            << QStringLiteral("front.xyz") << QByteArray("\x89PNG\r\n\x1a\n")
            << QStringLiteral("\".xyz\"");
        QTest::newRow("no extension")
            << QStringLiteral("front") << jpeg << QStringLiteral("no picture extension");
        QTest::newRow("text named jpg")
            << QStringLiteral("notes.jpg") << QByteArray("Track list\r\n")
            << QStringLiteral("not a JPEG file");
        QTest::newRow("empty jpg")
            << QStringLiteral("empty.jpg") << QByteArray("") << QStringLiteral("empty");
        // Cut in the tables before the picture data, and in the picture data.
        QTest::newRow("jpg cut in header")
            << QStringLiteral("cut1.jpg") << jpeg.left(200) << QStringLiteral("incomplete");
        QTest::newRow("jpg cut in data")
            << QStringLiteral("cut2.jpg") << jpeg.left(jpeg.size() - 40)
            << QStringLiteral("incomplete");
        QTest::newRow("bmp cut in header")
            << QStringLiteral("cut1.bmp") << bitmap.left(30) << QStringLiteral("incomplete");
        QTest::newRow("bmp cut in data")
            << QStringLiteral("cut2.bmp") << bitmap.left(bitmap.size() - 1)
            << QStringLiteral("incomplete");
        QTest::newRow("jpeg named bmp")
            << QStringLiteral("back.bmp") << jpeg << QStringLiteral("not a Windows bitmap");
    }
    void load_unreadablePicture_raisesErrorNamingIt()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, expectedReason);
        const QString path = pathOf(fileName);
        if (QTest::currentDataTag() != QLatin1String("missing"))
            writeFile(path, content);

        const QString text = errorTextOf([&] { Picture::load(path, QSize(480, 480)); });

        QVERIFY2(text.contains(u'"' + QDir::toNativeSeparators(path) + u'"'), qPrintable(text));
        QVERIFY2(text.contains(expectedReason), qPrintable(text));
    }

    void saveJpeg_writesSourceBytesUnchanged()
    {
        const QString source = pathOf(QStringLiteral("photo.jpg"));
        writeFile(source, platform::encodeJpeg(quadrants(QSize(400, 320)), 80));
        const Picture picture = Picture::load(source, QSize(50, 40)); // reduced decode

        const QString target = pathOf(QStringLiteral("Front.jpg"));
        picture.save(target);

        QCOMPARE(readFile(target), readFile(source));
    }

    void saveJpeg_afterDrawingOnIt_encodesTheDrawing()
    {
        const QString source = pathOf(QStringLiteral("drawn.jpg"));
        writeFile(source, platform::encodeJpeg(quadrants(QSize(64, 64))));
        Picture picture = Picture::load(source);
        {
            QPainter painter(&picture.image());
            painter.fillRect(0, 0, 32, 32, Qt::black);
        }
        const QString target = pathOf(QStringLiteral("drawn-Front.jpg"));

        picture.save(target);

        const QImage saved = Picture::load(target).image();
        QVERIFY(channelDifference(saved.pixel(16, 16), qRgb(0, 0, 0)) <= 4);
        QVERIFY(channelDifference(saved.pixel(48, 16), qRgb(0, 255, 0)) <= 4);
    }

    void saveBitmapAsJpg_encodesNearlyTheSamePicture()
    {
        // A soft gradient with flat blocks, like a rendered back text.
        QImage original(120, 90, QImage::Format_RGB32);
        for (int y = 0; y < original.height(); ++y) {
            for (int x = 0; x < original.width(); ++x)
                original.setPixel(x, y, qRgb(x * 2, y * 2, (x + y) % 256));
        }
        QPainter(&original).fillRect(20, 20, 40, 30, QColor(30, 60, 200));
        const QString bitmapPath = pathOf(QStringLiteral("cover.bmp"));
        QVERIFY(original.save(bitmapPath, "BMP"));
        const Picture bitmap = Picture::load(bitmapPath);

        const QString target = pathOf(QStringLiteral("cover-Front.jpg"));
        bitmap.save(target);

        const QByteArray written = readFile(target);
        QVERIFY(written.startsWith("\xff\xd8\xff"));
        const QImage decoded = platform::decodeJpeg(written);
        QCOMPARE(decoded.size(), original.size());
        QVERIFY2(largestDifference(decoded, original) <= 24,
            qPrintable(QString::number(largestDifference(decoded, original))));
    }

    void saveBitmap_writes24BitWindowsBitmap_data()
    {
        QTest::addColumn<QImage>("image");
        // An odd width makes every row padded to four bytes.
        const QImage rgb = quadrants(QSize(13, 7));
        QTest::newRow("RGB32") << rgb;
        QTest::newRow("with alpha") << rgb.convertToFormat(QImage::Format_ARGB32);
        QTest::newRow("indexed") << rgb.convertToFormat(QImage::Format_Indexed8);
    }
    void saveBitmap_writes24BitWindowsBitmap()
    {
        QFETCH(QImage, image);
        const QString path = pathOf(QStringLiteral("Back.bmp"));

        Picture::fromImage(image).save(path);

        const QByteArray bytes = readFile(path);
        QVERIFY(bytes.startsWith("BM"));
        QCOMPARE(littleEndianAt(bytes, 2, 4), quint32(bytes.size())); // file size
        QCOMPARE(littleEndianAt(bytes, 10, 4), 54u); // pixel data right after the headers
        QCOMPARE(littleEndianAt(bytes, 14, 4), 40u); // plain BITMAPINFOHEADER
        QCOMPARE(littleEndianAt(bytes, 18, 4), 13u);
        QCOMPARE(littleEndianAt(bytes, 22, 4), 7u); // positive: rows stored bottom-up
        QCOMPARE(littleEndianAt(bytes, 28, 2), 24u);
        QCOMPARE(littleEndianAt(bytes, 30, 4), 0u); // uncompressed
        QCOMPARE(bytes.size(), 54 + 7 * 40);
        QCOMPARE(largestDifference(
                     Picture::load(path).image(), image.convertToFormat(QImage::Format_RGB32)),
            0);
    }

    void saveReducedJpegAsBitmap_writesFullSize()
    {
        const QString source = pathOf(QStringLiteral("large.jpg"));
        writeFile(source, platform::encodeJpeg(quadrants(QSize(800, 640))));
        const Picture picture = Picture::load(source, QSize(100, 80));
        QCOMPARE(picture.image().size(), QSize(100, 80));

        const QString target = pathOf(QStringLiteral("large.bmp"));
        picture.save(target);

        QCOMPARE(Picture::load(target).image().size(), QSize(800, 640));
    }

    void save_whenWritingFails_keepsOldFile_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("read-only folder") << true;
#ifdef Q_OS_UNIX
        QTest::newRow("write error") << false;
#endif
    }
    void save_whenWritingFails_keepsOldFile()
    {
        QFETCH(bool, readOnlyFolder);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Back.bmp"));
        const QByteArray oldContent("old picture");
        writeFile(path, oldContent);
        const Picture picture = Picture::fromImage(quadrants(QSize(200, 200)));

        QString text;
        if (readOnlyFolder) {
            const auto permissions = QFile::permissions(folder.path());
            QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
            const bool stillWritable
                = QFile(folder.filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly);
            if (!stillWritable)
                text = errorTextOf([&] { picture.save(path); });
            QFile::setPermissions(folder.path(), permissions);
            if (stillWritable)
                QSKIP("permissions do not apply to this user");
        } else {
#ifdef Q_OS_UNIX
            // Files may not grow past 1000 bytes: the 120 kB bitmap cannot be written.
            rlimit saved {};
            QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
            rlimit small = saved;
            small.rlim_cur = 1000;
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
            text = errorTextOf([&] { picture.save(path); });
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
#endif
        }

        QVERIFY2(text.startsWith(QStringLiteral("Cannot save the picture \"")
                     + QDir::toNativeSeparators(path) + u'"'),
            qPrintable(text));
#ifdef Q_OS_UNIX
        // The system's reason, not "Unknown error".
        if (!readOnlyFolder)
            QVERIFY2(text.endsWith(platform::systemErrorText(EFBIG)), qPrintable(text));
#endif
        QCOMPARE(readFile(path), oldContent);
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::Files), QStringList { QStringLiteral("Back.bmp") });
    }

    void save_unknownExtension_raisesErrorAndWritesNothing()
    {
        const QString path = pathOf(QStringLiteral("Front.png"));

        const QString text
            = errorTextOf([&] { Picture::fromImage(quadrants(QSize(8, 8))).save(path); });

        QVERIFY2(text.contains(QDir::toNativeSeparators(path))
                && text.contains(QStringLiteral("\".png\"")),
            qPrintable(text));
        QVERIFY(!QFile::exists(path));
    }

    void saveEmptyPicture_writesNothing()
    {
        const QString path = pathOf(QStringLiteral("Unused.jpg"));
        writeFile(path, "older file");

        Picture().save(path);

        QCOMPARE(readFile(path), QByteArray("older file"));
    }
};

QTEST_GUILESS_MAIN(PictureTest)
#include "tst_picture.moc"

#include "platform/ErrorReport.h"
#include "platform/Picture.h"
#include "richtext/RichText.h"
#include "richtext/RtfPictures.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include <sys/stat.h>

#include "RtfFixtures.h"
#include "tests/platform/PictureFixtures.h"

using namespace richtext;

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QTextImageFormat imageAt(const QTextDocument& document, int position)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(position + 1);
    return cursor.charFormat().toImageFormat();
}

} // namespace

class RichTextFileTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void loadsFileByItsContent_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("rtf") << QByteArray(R"({\rtf1\ansi Caf\'e9\par Bar})") << QStringList { u"Café"_qs, u"Bar"_qs };
        QTest::newRow("utf-8, CR LF") << QByteArray("Caf\xc3\xa9\r\n1.\tIntro\r\n")
                                      << QStringList { u"Café"_qs, u"1.\tIntro"_qs, QString() };
        QTest::newRow("utf-8 with byte-order mark, LF")
            << QByteArray("\xef\xbb\xbf\xd0\x9f\xd1\x80\xd0\xb8\nx") << QStringList { u"При"_qs, u"x"_qs };
        QTest::newRow("windows-1252, CR") << QByteArray("Caf\xe9 \x80" "5\rZ\xfcrich")
                                          << QStringList { u"Café €5"_qs, u"Zürich"_qs };
        QTest::newRow("utf-16 with byte-order mark")
            << QByteArray("\xff\xfe" "A\0\r\0\n\0\x1f\x04", 10) << QStringList { u"A"_qs, u"П"_qs };
        QTest::newRow("mixed line ends") << QByteArray("a\r\n\r\nb\rc\n") << QStringList { u"a"_qs, QString(), u"b"_qs, u"c"_qs, QString() };
        QTest::newRow("control characters dropped") << QByteArray("a\0b\x01" "c\td", 7) << QStringList { u"abc\td"_qs };
        QTest::newRow("rtf signature must start the file") << QByteArray(" {\\rtf1 x}") << QStringList { u" {\\rtf1 x}"_qs };
        QTest::newRow("empty file") << QByteArray() << QStringList { QString() };
    }
    void loadsFileByItsContent()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Back.rtf"_qs);
        writeFile(path, content);
        QTextDocument document;
        loadRichTextFile(path, document);
        QCOMPARE(paragraphs(document), expected);
    }

    void loadMissingFile_raisesErrorNamingFileAndKeepsDocument()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"missing.rtf"_qs);
        QTextDocument document;
        document.setPlainText(u"kept"_qs);
        try {
            loadRichTextFile(path, document);
            QFAIL("no error raised");
        } catch (const platform::UserError& error) {
            QVERIFY2(error.text().contains(QDir::toNativeSeparators(path)), qPrintable(error.text()));
        }
        QCOMPARE(document.toPlainText(), u"kept"_qs);
    }

    void saveThenLoad_givesSameText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Back.rtf"_qs);
        writeFile(path, "old content");
        QTextDocument document;
        document.setPlainText(u"Velmora\n1.\tNaïve\t3:12"_qs);
        saveRichTextFile(path, document);
        QVERIFY(isRtf(readFile(path)));
        QTextDocument readBack;
        loadRichTextFile(path, readBack);
        QCOMPARE(paragraphs(readBack), paragraphs(document));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { u"Back.rtf"_qs }); // no leftovers
    }

    void saveWhereNoFileCanBe_raisesErrorNamingFile_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("missing folder") << u"no/such/folder/Back.rtf"_qs;
        QTest::newRow("folder in the way") << u"folder"_qs;
    }
    void saveWhereNoFileCanBe_raisesErrorNamingFile()
    {
        QFETCH(QString, relativePath);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"folder/inside"_qs));
        const QString path = dir.filePath(relativePath);
        QTextDocument document;
        document.setPlainText(u"text"_qs);
        try {
            saveRichTextFile(path, document);
            QFAIL("no error raised");
        } catch (const platform::UserError& error) {
            QVERIFY2(error.text().contains(QDir::toNativeSeparators(path)), qPrintable(error.text()));
        }
        QVERIFY(QFileInfo(dir.filePath(u"folder/inside"_qs)).isDir());
    }

    // ---- inserting pictures

    // Small PNG and JPEG pictures keep their bytes; larger ones are kept at
    // twice the size shown; other formats become PNG.
    void insertPictureFile_keepsWhatTheTextNeeds_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<QSize>("kept");
        QTest::addColumn<bool>("jpeg");
        QTest::addColumn<bool>("sameBytes");
        QTest::addColumn<int>("orientation"); // EXIF orientation of a JPEG; 0: none
        QTest::newRow("small PNG") << u"png"_qs << QSize(40, 30) << QSize(40, 30) << QSize(40, 30) << false << true << 0;
        QTest::newRow("small JPEG") << u"jpg"_qs << QSize(64, 32) << QSize(64, 32) << QSize(64, 32) << true << true << 0;
        QTest::newRow("bitmap") << u"bmp"_qs << QSize(20, 10) << QSize(20, 10) << QSize(20, 10) << false << false << 0;
        QTest::newRow("large PNG") << u"png"_qs << QSize(3000, 1500) << QSize(500, 250) << QSize(1000, 500) << false << false << 0;
        QTest::newRow("large JPEG") << u"jpg"_qs << QSize(3000, 1500) << QSize(500, 250) << QSize(1000, 500) << true << false << 0;
        // Shown upright; its bytes, kept as they are, still say how to turn it.
        QTest::newRow("photo turned by its EXIF orientation")
            << u"jpg"_qs << QSize(300, 100) << QSize(100, 300) << QSize(300, 100) << true << true << 6;
        QTest::newRow("tall picture") << u"png"_qs << QSize(100, 1600) << QSize(25, 400) << QSize(50, 800) << false << false << 0;
    }
    void insertPictureFile_keepsWhatTheTextNeeds()
    {
        QFETCH(QString, format);
        QFETCH(QSize, pixels);
        QFETCH(QSize, shown);
        QFETCH(QSize, kept);
        QFETCH(bool, jpeg);
        QFETCH(bool, sameBytes);
        QFETCH(int, orientation);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"picture."_qs + format);
        QImage image(pixels, QImage::Format_RGB32);
        image.fill(QColor(20, 90, 200));
        QByteArray bytes = format == u"jpg"_qs ? platform::encodeJpeg(image) : encodedImage(image, qPrintable(format));
        if (orientation)
            bytes = withExifOrientation(bytes, orientation, true);
        writeFile(path, bytes);

        QTextDocument document;
        QTextCursor cursor(&document);
        cursor.insertText(u"Logo "_qs);
        insertPictureFile(cursor, path, QSizeF(500, 400));
        cursor.insertText(u" after"_qs);

        QCOMPARE(document.toPlainText(), u"Logo \uFFFC after"_qs);
        const QTextImageFormat picture = imageAt(document, 5);
        QCOMPARE(QSizeF(picture.width(), picture.height()), QSizeF(shown));
        const std::optional<rtf::StoredPicture> stored = rtf::storedPicture(document, picture);
        QVERIFY(stored);
        QCOMPARE(stored->pixels, kept);
        QCOMPARE(stored->jpeg, jpeg);
        QCOMPARE(stored->bytes == bytes, sameBytes);
    }

    // A photo stored as PNG would make the back text's file too large to be
    // opened again.
    void insertPictureFile_photoAsPng_goesInAsJpeg()
    {
        QImage photo(900, 700, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb(x / 4 + int(random.bounded(48)), y / 3 + int(random.bounded(48)), 90 + int(random.bounded(48))));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"photo.png"_qs);
        const QByteArray png = encodedImage(photo, "png");
        QVERIFY(png.size() > 1024 * 1024);
        writeFile(path, png);
        QTextDocument document;
        QTextCursor cursor(&document);
        insertPictureFile(cursor, path, QSizeF(500, 400));
        const std::optional<rtf::StoredPicture> stored = rtf::storedPicture(document, imageAt(document, 0));
        QVERIFY(stored);
        QVERIFY(stored->jpeg);
        QCOMPARE(stored->pixels, QSize(900, 700));
        QVERIFY(stored->bytes.size() < 1024 * 1024);
    }

    void insertPictureFile_refusesWhatIsNoPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << u"missing.png"_qs << QByteArray();
        QTest::newRow("text") << u"notes.png"_qs << QByteArray("just notes");
        QTest::newRow("PNG cut short") << u"cut.png"_qs << encodedImage(filledImage(QSize(8, 8)), "png").left(40);
        QTest::newRow("a pipe, which would never end") << u"pipe.png"_qs << QByteArray("fifo");
    }
    void insertPictureFile_refusesWhatIsNoPicture()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (content == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (!content.isEmpty())
            writeFile(path, content);
        QTextDocument document;
        document.setPlainText(u"kept"_qs);
        QTextCursor cursor(&document);
        try {
            insertPictureFile(cursor, path, QSizeF(500, 400));
            QFAIL("no error raised");
        } catch (const platform::UserError& error) {
            QVERIFY2(error.text().contains(QDir::toNativeSeparators(path)), qPrintable(error.text()));
        }
        QCOMPARE(document.toPlainText(), u"kept"_qs);
    }
};

QTEST_MAIN(RichTextFileTest)
#include "tst_richtextfile.moc"

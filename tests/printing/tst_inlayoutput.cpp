#include "printing/InlayOutput.h"

#include "LayoutLines.h"
#include "PdfTools.h"
#include "inlay/BackText.h"
#include "inlay/LayoutSheet.h"
#include "platform/Picture.h"

#include <QImageReader>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <cmath>

// The inlay on paper, measured as a print shop would: the PDFs are rasterised
// by poppler and the lines found in the dots.
namespace {

constexpr int kDotsPerInch = pdftools::kPrinterDotsPerInch;
// 0.05 mm at 600 dots per inch.
constexpr double kToleranceDots = 0.05 * kDotsPerInch / 25.4;
using layoutlines::emptyLayout;
using layoutlines::pageRuns;

// The layout's lines where the geometry puts them, within 0.05 mm.
QString misplacedLine(const QImage& page, QPointF originDots, QSizeF dotsPerPixel)
{
    return layoutlines::placement(page, originDots, dotsPerPixel, kToleranceDots).problem;
}

// Where the test printer's printable area starts.
constexpr double kLeftMarginDots = pdftools::kPrinterLeftMarginPoints * kDotsPerInch / 72.0; // 150
constexpr double kTopMarginDots = pdftools::kPrinterTopMarginPoints * kDotsPerInch / 72.0; // 125

// The bounding box of the dark pixels within an area.
QRect inkArea(const QImage& image, const QRect& area)
{
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

QImage gradient(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                qRgb(x * 255 / size.width(), y * 255 / size.height(),
                    (x + y) * 127 / (size.width() + size.height())));
    return image;
}

// A back picture as the editor makes it: its text painted in the text area,
// the rest of the picture a light grey, signed.
struct BackFixture
{
    QImage picture;
    std::shared_ptr<const inlay::BackText> text;
};

BackFixture backFromText(const QString& plain)
{
    QTextDocument document;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    document.setDefaultFont(font);
    document.setPlainText(plain);
    auto text = std::make_shared<const inlay::BackText>(
        document, QRect(0, 0, 552, 468), QPoint(0, 0), QPalette());
    QImage picture(sheet::kBackPictureSize, QImage::Format_RGB32);
    picture.fill(QColor(200, 200, 200));
    {
        QPainter painter(&picture);
        text->paintTextArea(painter);
    }
    sheet::signBackPicture(picture, sheet::signatureFont(96));
    return { picture, text };
}

inlay::Page pageWithEverything()
{
    inlay::Page page;
    // Finer than the PDF's 300 dots per inch, as a photo is.
    page.front = platform::Picture::fromImage(gradient(QSize(1600, 1500)));
    const BackFixture back = backFromText(QStringLiteral("Velvet Hours\n1. Opening\n2. Closing"));
    page.back = platform::Picture::fromImage(back.picture);
    page.backText = back.text;
    page.signatureFont = sheet::signatureFont(96);
    page.spine = inlay::SpineText { QStringLiteral("Velvet Hours 2002"), sheet::spineFont(96) };
    return page;
}

} // namespace

class InlayOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        // A page at 600 dpi is larger than images are normally allowed to be.
        QImageReader::setAllocationLimit(1024);
        if (!pdftools::available())
            QSKIP("poppler's tools (pdftoppm, pdfimages, ...) are not installed");
    }

    void printedPage_putsEveryLineWhereTheFactorsPutIt()
    {
        const QString path = m_dir.filePath(QStringLiteral("printer.pdf"));
        const std::unique_ptr<QPrinter> printer
            = pdftools::printerWritingTo(path, QPageSize(QPageSize::A4));
        printInlay(*printer, QString(), inlay::Page(), QStringLiteral("Lines"));
        const QList<QImage> pages = pdftools::rasterise(path, kDotsPerInch);
        QCOMPARE(pages.size(), 1);
        // The whole layout fills 4765 × 6940 dots at 600 dpi: a sheet pixel
        // prints 0.24813 mm across and 0.24732 mm down.
        const QString problem = misplacedLine(pages.first(),
            QPointF(kLeftMarginDots, kTopMarginDots), QSizeF(4765.0 / 813, 6940.0 / 1188));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void pdf_isTrueSizeFromFourMillimetres()
    {
        const QString path = m_dir.filePath(QStringLiteral("true-size.pdf"));
        writeInlayPdf(path, inlay::Page(), Paper::A4, QStringLiteral("True size"));
        const QList<QImage> pages = pdftools::rasterise(path, kDotsPerInch);
        QCOMPARE(pages.size(), 1);
        // A4 at 600 dpi; a PDF page box is in whole points.
        QVERIFY(std::abs(pages.first().width() - 4961) <= 3);
        QVERIFY(std::abs(pages.first().height() - 7016) <= 3);
        const double dotsPerMm = kDotsPerInch / 25.4;
        const QString problem = misplacedLine(pages.first(), QPointF(4 * dotsPerMm, 4 * dotsPerMm),
            QSizeF(0.25 * dotsPerMm, 0.25 * dotsPerMm));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // Letter is 279.4 mm high; the layout needs 291 mm from the top edge.
    void pdf_onLetter_putsEachInlayOnAPageOfItsOwn()
    {
        const QString path = m_dir.filePath(QStringLiteral("letter.pdf"));
        writeInlayPdf(path, inlay::Page(), Paper::Letter, QStringLiteral("Letter"));
        const QList<QImage> pages = pdftools::rasterise(path, kDotsPerInch);
        QCOMPARE(pages.size(), 2);
        const double dotsPerMm = kDotsPerInch / 25.4;
        const double pixel = 0.25 * dotsPerMm;
        const double origin = 4 * dotsPerMm;
        // The front page: the front frame and all eight of its cut marks, and
        // nothing of the back (column 116 crosses only the front's marks).
        const auto frontRow = pageRuns(pages[0], origin + 57.5 * pixel, true);
        QCOMPARE(frontRow.size(), 3);
        QVERIFY(std::abs(frontRow.last().second - (origin + 813 * pixel)) <= kToleranceDots);
        QCOMPARE(pageRuns(pages[0], origin + 116.5 * pixel, false).size(), 2);
        QCOMPARE(pageRuns(pages[0], origin + 177.5 * pixel, false).size(), 3);
        // The back page at the same scale, its upper marks (from row 553)
        // where the front page starts.
        const auto spineColumn = pageRuns(pages[1], origin + 116.5 * pixel, false);
        QCOMPARE(spineColumn.size(), 3); // mark above, spine outline, mark below
        QVERIFY(std::abs(spineColumn[0].first - origin) <= kToleranceDots);
        QVERIFY(std::abs(spineColumn[1].first - (origin + (610 - 553) * pixel)) <= kToleranceDots);
        QVERIFY(
            std::abs(spineColumn[2].second - (origin + (1148 - 553) * pixel)) <= kToleranceDots);
        QCOMPARE(pageRuns(pages[1], origin + 177.5 * pixel, false).size(),
            2); // the back's top and bottom rows
    }

    void pdf_holdsTheFrontFromItsSourceAndTheBackTextAsText()
    {
        // A 6000 × 4000 photo held, as the sheet needs it, at an eighth.
        const QByteArray photo = platform::encodeJpeg(gradient(QSize(6000, 4000)), 80);
        inlay::Page page = pageWithEverything();
        page.front
            = platform::Picture::fromData(photo, platform::PictureFormat::Jpeg, QSize(480, 480));
        QCOMPARE(page.front.image().size(), QSize(750, 500));
        const BackFixture back
            = backFromText(QStringLiteral("Velvet Hours\n1. Opening\n2. Closing"));
        page.back = platform::Picture::fromImage(back.picture);
        page.backText = back.text;
        QVERIFY(inlay::paintsExactly(*back.text, back.picture, page.signatureFont));

        const QString path = m_dir.filePath(QStringLiteral("everything.pdf"));
        writeInlayPdf(path, page, Paper::A4, QStringLiteral("Velvet Hours"));
        const QList<pdftools::PdfPicture> pictures = pdftools::pictures(path);
        QVERIFY(!pictures.isEmpty());
        const pdftools::PdfPicture& front = pictures.first();
        QVERIFY2(front.ppiX >= 300 && front.ppiY >= 300,
            qPrintable(QStringLiteral("front at %1 × %2 ppi").arg(front.ppiX).arg(front.ppiY)));
        QCOMPARE(front.encoding, QStringLiteral("jpeg"));
        // The text area is text; only the editor's border below it is a picture.
        for (const pdftools::PdfPicture& picture : pictures.mid(1))
            QVERIFY(picture.height < 100);
        const QString text = pdftools::text(path);
        QVERIFY2(text.contains(QStringLiteral("2. Closing")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("qzLayer"))); // the signature
        QVERIFY(text.contains(QStringLiteral("Velvet Hours 2002"))); // the spines
        const QList<pdftools::PdfFont> fonts = pdftools::fonts(path);
        QVERIFY(fonts.size() >= 2);
        for (const pdftools::PdfFont& font : fonts)
            QVERIFY2(font.embedded, qPrintable(font.name));
        QCOMPARE(pdftools::info(path, QStringLiteral("Title")), QStringLiteral("Velvet Hours"));

        // Without the text, the back is the picture itself.
        page.backText = nullptr;
        writeInlayPdf(path, page, Paper::A4, QStringLiteral("Velvet Hours"));
        QVERIFY(!pdftools::text(path).contains(QStringLiteral("2. Closing")));
        QCOMPARE(pdftools::pictures(path).size(), 2);
    }

    // What is printed is what the sheet shows: the PDF read back at 4 pixels
    // per millimetre is the sheet raster, give or take smoothing at the edges
    // of pictures and letters.
    void pdf_atFourPixelsPerMillimetre_matchesTheSheet()
    {
        const inlay::Page page = pageWithEverything();
        QImage sheetRaster = sheet::createSheet(sheet::kLayoutSize);
        {
            QPainter painter(&sheetRaster);
            inlay::paintPage(painter, page, inlay::Part::Whole, inlay::Rendering::SheetRaster);
        }
        const QString path = m_dir.filePath(QStringLiteral("sheet.pdf"));
        writeInlayPdf(path, page, Paper::A4, QStringLiteral("Sheet"));
        const QList<QImage> pages = pdftools::rasterise(path, 4 * 25.4);
        QCOMPARE(pages.size(), 1);
        if (qEnvironmentVariableIsSet("QZ_KEEP_OUTPUT"))
            sheetRaster.save(qEnvironmentVariable("QZ_KEEP_OUTPUT") + QStringLiteral("/sheet.png"));
        // The sheet below the layout runs past the paper's edge.
        sheetRaster = sheetRaster.copy(0, 0, sheet::kLayoutSize.width(), sheet::kLayoutBottom);
        const QImage printed = pages.first().copy(QRect(QPoint(16, 16), sheetRaster.size()));
        if (qEnvironmentVariableIsSet("QZ_KEEP_OUTPUT")) {
            printed.save(qEnvironmentVariable("QZ_KEEP_OUTPUT") + QStringLiteral("/printed.png"));
            QFile::copy(
                path, qEnvironmentVariable("QZ_KEEP_OUTPUT") + QStringLiteral("/sheet.pdf"));
        }

        // Stated tolerance. Every pixel of the frames and cut marks is dark on
        // paper.
        // Every square millimetre (4 × 4 pixels) has the same mean grey within
        // 32 levels, compared at the same place or one sheet pixel (0.25 mm)
        // aside, since rasterisers round the edges of pictures outwards:
        // smoothing and soft glyph edges stay well within that, a missing,
        // extra or further moved stroke does not. The sheet draws the spine
        // letters with hard one-pixel strokes and paper with the font's true
        // weight, so in the spine strips the letters must instead reach
        // exactly as far, within one sheet pixel at either end.
        const QList<QRect> spineStrips { QRect(117, 611, 24, 476), QRect(699, 611, 24, 476) };
        for (const QRect& strip : spineStrips) {
            const QRect onSheet = inkArea(sheetRaster, strip);
            const QRect onPaper = inkArea(printed, strip);
            QVERIFY(onSheet.isValid());
            QVERIFY2(std::abs(onSheet.top() - onPaper.top()) <= 1
                    && std::abs(onSheet.bottom() - onPaper.bottom()) <= 1,
                qPrintable(QStringLiteral("spine text at rows %1..%2 on paper, %3..%4 on the sheet")
                               .arg(onPaper.top())
                               .arg(onPaper.bottom())
                               .arg(onSheet.top())
                               .arg(onSheet.bottom())));
        }
        const auto blockSum = [](const QImage& image, int left, int top) {
            int sum = 0;
            for (int y = top; y < top + 4; ++y)
                for (int x = left; x < left + 4; ++x)
                    sum += qGray(image.pixel(x, y));
            return sum;
        };
        int worstBlock = 0;
        QPoint worstAt;
        for (int top = 1; top + 5 <= sheetRaster.height(); top += 4)
            for (int left = 1; left + 5 <= sheetRaster.width(); left += 4) {
                const QRect block(left, top, 4, 4);
                if (spineStrips[0].intersects(block) || spineStrips[1].intersects(block))
                    continue;
                const int sheetSum = blockSum(sheetRaster, left, top);
                int difference = 255;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        difference = std::min(difference,
                            std::abs(sheetSum - blockSum(printed, left + dx, top + dy)) / 16);
                if (difference > worstBlock) {
                    worstBlock = difference;
                    worstAt = block.topLeft();
                }
            }
        QVERIFY2(worstBlock <= 32,
            qPrintable(QStringLiteral("%1 grey levels apart at (%2, %3)")
                           .arg(worstBlock)
                           .arg(worstAt.x())
                           .arg(worstAt.y())));
        const QImage lines = emptyLayout();
        int missedLines = 0;
        for (int y = 0; y < sheetRaster.height(); ++y)
            for (int x = 0; x < sheetRaster.width(); ++x)
                missedLines += qGray(lines.pixel(x, y)) == 0 && qGray(printed.pixel(x, y)) >= 128;
        QCOMPARE(missedLines, 0);
        qInfo("worst square millimetre: %d grey levels apart", worstBlock);
    }

    void preview_showsEveryLine()
    {
        const std::unique_ptr<QPrinter> printer = pdftools::printerWritingTo(
            m_dir.filePath(QStringLiteral("unused.pdf")), QPageSize(QPageSize::A4));
        const PagedOutput output = printerOutput(*printer, QString());
        const QImage preview = previewImage(inlay::Page(), output, QSize(630, 891));
        // A4 fills the area at 3 pixels per millimetre.
        const double mm = 3.0;
        const QPointF origin = output.geometry.originMm * mm;
        const QSizeF pixel = output.geometry.sheetPixelMm * mm;
        const QImage layout = emptyLayout();
        for (int y = 0; y < layout.height(); ++y)
            for (int x = 0; x < layout.width(); ++x) {
                if (qGray(layout.pixel(x, y)) != 0)
                    continue;
                const QPoint at((origin.x() + (x + 0.5) * pixel.width()),
                    (origin.y() + (y + 0.5) * pixel.height()));
                if (qGray(preview.pixel(at)) > 200)
                    QFAIL(qPrintable(
                        QStringLiteral("line pixel (%1, %2) does not show").arg(x).arg(y)));
            }
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(InlayOutputTest)
#include "tst_inlayoutput.moc"

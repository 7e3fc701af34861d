#include "printing/Print.h"
#include "tests/DesktopScreen.h"

#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Printer.h"
#include "platform/Settings.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QPageLayout>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr int kDotsPerInch = 600;
// The test page's printable area starts 18 points from the paper's left edge
// and 15 points from its top edge. A PDF page keeps its margins in whole
// points, so these are chosen to be whole points and whole dots at 600 dpi.
constexpr int kLeftMarginPoints = 18;
constexpr int kTopMarginPoints = 15;
constexpr int kLeftMarginDots = kLeftMarginPoints * kDotsPerInch / 72; // 150
constexpr int kTopMarginDots = kTopMarginPoints * kDotsPerInch / 72; // 125

// A white sheet with 1-pixel black lines along its outer columns and rows:
// column 0 and row 0 mark where the sheet starts, column 812 and row 1147
// are the layout's right-most and lowest lines.
QImage framedSheet()
{
    QImage sheet(813, 1188, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setPen(Qt::black);
    painter.drawLine(0, 0, 0, 1187);
    painter.drawLine(812, 0, 812, 1187);
    painter.drawLine(0, 0, 812, 0);
    painter.drawLine(0, 1147, 812, 1147);
    return sheet;
}

// Every pixel gets its own colour, a scrambled form of its position, so a
// pixel of a scaled copy tells which sheet pixel it came from; a blend of
// neighbours decodes to a position far away.
constexpr quint32 kScramble = 0x3779b1; // odd, so invertible modulo 2^24
constexpr quint32 kUnscramble = 9121617;

QImage codedSheet(QSize size)
{
    QImage sheet(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const quint32 index = quint32(y * size.width() + x);
            sheet.setPixel(x, y, 0xff000000u | ((index * kScramble) & 0xffffffu));
        }
    return sheet;
}

QPoint decodedPosition(QRgb colour, QSize sheet)
{
    const quint32 index = ((colour & 0xffffffu) * kUnscramble) & 0xffffffu;
    return { int(index % quint32(sheet.width())), int(index / quint32(sheet.width())) };
}

// Sheet pixels a preview pixel may come from along one direction.
bool withinSpan(int source, int target, int sourceLength, int targetLength)
{
    const double first = double(target) * sourceLength / targetLength;
    const double end = double(target + 1) * sourceLength / targetLength;
    return source >= int(first) && source < int(std::ceil(end));
}

// Runs of dark dots along one line of a page raster: (start, length) pairs.
QList<QPair<int, int>> darkRuns(const QList<int>& values)
{
    QList<QPair<int, int>> runs;
    for (int i = 0; i < values.size(); ++i) {
        if (values[i] >= 128)
            continue;
        int end = i;
        while (end < values.size() && values[end] < 128)
            ++end;
        runs.append({ i, end - i });
        i = end;
    }
    return runs;
}

QList<int> rowOf(const QImage& page, int y)
{
    QList<int> values;
    for (int x = 0; x < page.width(); ++x)
        values.append(qGray(page.pixel(x, y)));
    return values;
}

QList<int> columnOf(const QImage& page, int x)
{
    QList<int> values;
    for (int y = 0; y < page.height(); ++y)
        values.append(qGray(page.pixel(x, y)));
    return values;
}

} // namespace

class PrintFormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        // A page at 600 dpi is larger than images are normally allowed to be.
        QImageReader::setAllocationLimit(1024);
    }

    void init()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("qzLayer"),
            QStringLiteral("qzLayer"))
            .clear();
        sLanguage.clear();
        m_reports.clear();
        m_jobs.clear();
        platform::setErrorPresenter([this](const QString& text) { m_reports << text; });
        platform::setPrinterSource([this] { return pdfPrinter(); });
    }

    void cleanup()
    {
        platform::setErrorPresenter(nullptr);
        platform::setPrinterSource(nullptr);
        platform::setScreenPixelsPerInchForTesting(0);
    }

    void texts_followTheUserLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("print");
        QTest::addColumn<QString>("cancel");
        QTest::newRow("Dutch") << "NLD"
                               << "qzLayer - Afdrukvoorbeeld"
                               << "Afdrukken"
                               << "Annuleren";
        QTest::newRow("English") << "ENU"
                                 << "qzLayer - Printing Example"
                                 << "Print"
                                 << "Cancel";
    }
    void texts_followTheUserLanguage()
    {
        QFETCH(QString, language);
        sLanguage = language;
        TPrintForm form;
        QTEST(form.windowTitle(), "title");
        QTEST(form.PrintButton->text(), "print");
        QTEST(form.CancelButton->text(), "cancel");
    }

    void preview_isNearestPixelStretchOfWholeSheet_data()
    {
        QTest::addColumn<int>("ppi");
        QTest::addColumn<QSize>("sheetSize");
        QTest::addColumn<QSize>("previewSize");
        QTest::newRow("layout sheet") << 96 << QSize(813, 1188) << QSize(630, 891);
        QTest::newRow("finer screen") << 120 << QSize(813, 1188) << QSize(788, 1114);
        QTest::newRow("wide sheet squeezed") << 96 << QSize(1500, 1188) << QSize(630, 891);
        QTest::newRow("small sheet enlarged") << 144 << QSize(300, 500) << QSize(945, 1336);
    }
    void preview_isNearestPixelStretchOfWholeSheet()
    {
        QFETCH(int, ppi);
        QFETCH(QSize, sheetSize);
        QFETCH(QSize, previewSize);
        platform::setScreenPixelsPerInchForTesting(ppi);
        const QImage sheet = codedSheet(sheetSize);
        TPrintForm form;
        form.setSheetSource([&] { return sheet; });
        form.PrintExample();

        const QImage& preview = form.previewPicture();
        QCOMPARE(preview.size(), previewSize);
        QCOMPARE(form.Image1->size(), previewSize);
        for (int y = 0; y < preview.height(); ++y)
            for (int x = 0; x < preview.width(); ++x) {
                const QPoint source = decodedPosition(preview.pixel(x, y), sheetSize);
                if (!withinSpan(source.x(), x, sheetSize.width(), previewSize.width())
                    || !withinSpan(source.y(), y, sheetSize.height(), previewSize.height()))
                    QFAIL(qPrintable(QStringLiteral("preview pixel (%1, %2) is not sheet "
                                                    "pixel (%3, %4)'s neighbourhood")
                                         .arg(x)
                                         .arg(y)
                                         .arg(source.x())
                                         .arg(source.y())));
            }
    }

    void execPreview_refreshesPreviewThenShowsWindowModally()
    {
        QImage sheet(813, 1188, QImage::Format_RGB32);
        sheet.fill(Qt::red);
        TPrintForm form;
        form.setSheetSource([&] { return sheet; });
        form.PrintExample();
        sheet.fill(Qt::blue); // the sheet changed since the last preview
        bool seenModal = false;
        QRgb shownColour = 0;
        QTimer::singleShot(0, &form, [&] {
            seenModal = QApplication::activeModalWidget() == &form;
            shownColour = form.previewPicture().pixel(10, 10);
            QTest::mouseClick(form.CancelButton, Qt::LeftButton);
        });
        form.execPreview();
        QVERIFY(seenModal);
        QCOMPARE(shownColour, QColor(Qt::blue).rgb());
        QVERIFY(!form.isVisible());
    }

    void printedPage_hasFrameLinesWhereTheFactorsPutThem()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm is not installed");
        // A finer screen must not change the printed size.
        platform::setScreenPixelsPerInchForTesting(120);
        const QImage sheet = framedSheet();
        TPrintForm form;
        form.setSheetSource([&] { return sheet; });
        form.show();
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QCOMPARE(m_reports, QStringList());
        QVERIFY(form.isVisible());
        QCOMPARE(m_jobs.size(), 1);

        const QList<QImage> pages = rasterise(m_jobs.first(), kDotsPerInch);
        QCOMPARE(pages.size(), 1);
        const QImage& page = pages.first();
        QVERIFY(!page.isNull());

        // The sheet fills 4765 × 6940 dots at 600 dpi (a sheet pixel prints
        // 0.24813 mm across and 0.24732 mm down), so the line in column 812
        // starts 201.5 mm from the printable area's left edge and the one in
        // row 1147 starts 283.7 mm below its top edge.
        const double column812 = kLeftMarginDots + 812 * 4765.0 / 813;
        const double row1147 = kTopMarginDots + 1147 * 6940.0 / 1188;

        const auto across = darkRuns(rowOf(page, kTopMarginDots + 3000));
        QCOMPARE(across.size(), 2);
        QVERIFY2(qAbs(across[0].first - kLeftMarginDots) <= 1, "column 0 misplaced");
        QVERIFY2(qAbs(across[1].first - column812) <= 1, "column 812 misplaced");
        const auto down = darkRuns(columnOf(page, kLeftMarginDots + 2000));
        QCOMPARE(down.size(), 2);
        QVERIFY2(qAbs(down[0].first - kTopMarginDots) <= 1, "row 0 misplaced");
        QVERIFY2(qAbs(down[1].first - row1147) <= 1, "row 1147 misplaced");
        // A sheet pixel is 600 / 96 × 0.938 ≈ 5.9 dots wide.
        for (const auto& run : across + down)
            QVERIFY(run.second == 5 || run.second == 6);

        // Whole pixels are repeated, never blended: nothing on the page is grey.
        for (int y = 0; y < page.height(); ++y) {
            const uchar* line = page.constScanLine(y);
            for (int x = 0; x < page.width(); ++x)
                if (line[x] != 0 && line[x] != 255)
                    QFAIL(qPrintable(
                        QStringLiteral("grey dot %1 at (%2, %3)").arg(line[x]).arg(x).arg(y)));
        }
    }

    void printingTwice_givesTwoIdenticalOnePageJobs()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm is not installed");
        const QImage sheet = framedSheet();
        TPrintForm form;
        form.setSheetSource([&] { return sheet; });
        form.show();
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QCOMPARE(m_reports, QStringList());
        QCOMPARE(m_jobs.size(), 2);
        const QList<QImage> first = rasterise(m_jobs[0], 100);
        const QList<QImage> second = rasterise(m_jobs[1], 100);
        QCOMPARE(first.size(), 1);
        QCOMPARE(second.size(), 1);
        QCOMPARE(first.first(), second.first());
    }

    void printerMissingOrRefusing_isReportedAndWindowStaysOpen_data()
    {
        QTest::addColumn<bool>("printerSetUp");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("no default printer") << false << "ENU"
                                            << "No default printer is set up";
        QTest::newRow("no default printer, Dutch") << false << "NLD"
                                                   << "Er is geen standaardprinter ingesteld";
        QTest::newRow("job refused") << true << "ENU"
                                     << "cannot start the print job";
    }
    void printerMissingOrRefusing_isReportedAndWindowStaysOpen()
    {
        QFETCH(bool, printerSetUp);
        QFETCH(QString, language);
        QFETCH(QString, mentions);
        sLanguage = language;
        const QString unreachable = m_dir.filePath(QStringLiteral("missing/folder/job.pdf"));
        platform::setPrinterSource([&]() -> std::unique_ptr<QPrinter> {
            if (!printerSetUp)
                return nullptr;
            // A printer that cannot open its output refuses the job.
            return pdfPrinterWritingTo(unreachable);
        });
        const QImage sheet = framedSheet();
        TPrintForm form;
        form.setSheetSource([&] { return sheet; });
        form.show();
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QCOMPARE(m_reports.size(), 1);
        QVERIFY2(m_reports.first().contains(mentions), qPrintable(m_reports.first()));
        QVERIFY(form.isVisible());
        QVERIFY(!QFile::exists(unreachable));
    }

    void closing_savesPosition_andShowingRestoresIt()
    {
        // A window 954 pixels high: at the default place its bottom would be
        // off the 1024-pixel test screen, so it moves up. The main window's
        // frame tells how large the print window's frame will be.
        platform::setScreenPixelsPerInchForTesting(96);
        QWidget mainWindow;
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        platform::Settings::writeString(QStringLiteral("PrintLeft"), QStringLiteral("abc"));
        {
            TPrintForm form;
            form.show();
            QCOMPARE(form.pos().x(), 200);
            QCOMPARE(form.frameGeometry().bottom(), form.screen()->availableGeometry().bottom());
            form.move(321, 23);
            QTest::mouseClick(form.CancelButton, Qt::LeftButton);
            QVERIFY(!form.isVisible());
        }
        QCOMPARE(platform::Settings::readString(QStringLiteral("PrintLeft"), QString()),
            QStringLiteral("321"));
        QCOMPARE(platform::Settings::readString(QStringLiteral("PrintTop"), QString()),
            QStringLiteral("23"));
        TPrintForm again;
        again.show();
        QCOMPARE(again.pos(), QPoint(321, 23));
        platform::setScreenPixelsPerInchForTesting(120);
    }

private:
    static std::unique_ptr<QPrinter> pdfPrinterWritingTo(const QString& path)
    {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        printer->setResolution(kDotsPerInch);
        printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
            QMarginsF(kLeftMarginPoints, kTopMarginPoints, 0, 0), QPageLayout::Point));
        return printer;
    }

    std::unique_ptr<QPrinter> pdfPrinter()
    {
        m_jobs.append(m_dir.filePath(QStringLiteral("job-%1.pdf").arg(m_jobs.size() + 1)));
        return pdfPrinterWritingTo(m_jobs.last());
    }

    // The pages of a PDF as grey rasters.
    QList<QImage> rasterise(const QString& pdf, int dotsPerInch)
    {
        const QString prefix = pdf + QStringLiteral("-r%1").arg(dotsPerInch);
        const int exitCode = QProcess::execute(QStringLiteral("pdftoppm"),
            { QStringLiteral("-r"), QString::number(dotsPerInch), QStringLiteral("-gray"), pdf,
                prefix });
        if (exitCode != 0)
            return {};
        QList<QImage> pages;
        const QFileInfo info(prefix);
        const QStringList files = QDir(info.path())
                                      .entryList({ info.fileName() + QStringLiteral("-*.pgm") },
                                          QDir::Files, QDir::Name);
        for (const QString& file : files)
            pages.append(
                QImage(info.dir().filePath(file)).convertToFormat(QImage::Format_Grayscale8));
        return pages;
    }

    QTemporaryDir m_dir;
    QStringList m_reports;
    QStringList m_jobs;
};

QZ_DESKTOP_TEST_MAIN(PrintFormTest)
#include "tst_print.moc"

#include "calibration/Calibration.h"
#include "calibration/PrinterCalibration.h"
#include "platform/ErrorReport.h"
#include "platform/Printer.h"
#include "printing/InlayOutput.h"
#include "printing/Print.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "tests/FreshSettings.h"
#include "tests/printing/LayoutLines.h"
#include "tests/printing/PdfTools.h"
#include "tests/printing/PrintFormDriving.h"

#include <QApplication>
#include <QComboBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPainter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>

// Calibration from end to end, with a printer that scales and shifts its pages
// by known amounts: its calibration page is printed, measured on the raster as
// a ruler would, typed into the calibration window, and the inlay printed
// next lands at true size where it was wanted.
namespace {

using printformdriving::choose;
using printformdriving::openAndClose;

constexpr double kReadDotsPerInch = 600; // the resolution the paper is read at
constexpr double kDotsPerMm = kReadDotsPerInch / 25.4;

// The skewed printer prints at 1000 dots per inch, but its driver reports
// 985 across and 1012 down: everything comes out 98.5 % as wide and 101.2 %
// as high as asked, scaled from the printable corner. Its paper is also fed
// 1.3 mm to the left and 0.9 mm late, so the print lands 1.3 mm further right
// and 0.9 mm higher on the sheet.
constexpr int kTrueDotsPerInch = 1000;
constexpr QSize kReportedDotsPerInch { 985, 1012 };
constexpr QPointF kFeedShiftMm { 1.3, -0.9 };

class SkewedPrinter : public QPrinter
{
public:
    SkewedPrinter(const QString& path, const QPageSize& paper)
        : QPrinter(QPrinter::HighResolution)
    {
        setOutputFormat(QPrinter::PdfFormat);
        setOutputFileName(path);
        setResolution(kTrueDotsPerInch);
        setPageLayout(QPageLayout(paper, QPageLayout::Portrait,
            QMarginsF(pdftools::kPrinterLeftMarginPoints, pdftools::kPrinterTopMarginPoints,
                pdftools::kPrinterLeftMarginPoints, pdftools::kPrinterTopMarginPoints),
            QPageLayout::Point));
    }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        if (metric == PdmDpiX || metric == PdmPhysicalDpiX)
            return kReportedDotsPerInch.width();
        if (metric == PdmDpiY || metric == PdmPhysicalDpiY)
            return kReportedDotsPerInch.height();
        return QPrinter::metric(metric);
    }
};

// The sheet of paper a job's first page comes out on, read at 600 dpi; a
// shifted print is moved by the paper feed.
QImage paperOf(const QString& pdf, QPointF shiftMm)
{
    const QList<QImage> pages = pdftools::rasterise(pdf, kReadDotsPerInch);
    if (pages.isEmpty())
        return {};
    QImage paper(pages.first().size(), QImage::Format_Grayscale8);
    paper.fill(255);
    QPainter painter(&paper);
    painter.drawImage(
        QPointF(std::round(shiftMm.x() * kDotsPerMm), std::round(shiftMm.y() * kDotsPerMm)),
        pages.first());
    return paper;
}

double middleOf(const QPair<int, int>& run)
{
    return (run.first + run.second) / 2.0;
}

// The longest dark run of a row or column, and where it is.
struct LongestRun
{
    int index = -1;
    QPair<int, int> run { 0, 0 };
};

// The row (or column) of a line as long as at least `minimumMm`: the middle one
// of the rows it covers.
LongestRun findLongLine(const QImage& paper, bool row, double minimumMm)
{
    QList<LongestRun> covered;
    const int count = row ? paper.height() : paper.width();
    for (int index = 0; index < count; ++index) {
        for (const QPair<int, int>& run : layoutlines::pageRuns(paper, index, row))
            if (run.second - run.first >= minimumMm * kDotsPerMm)
                covered.append({ index, run });
    }
    return covered.isEmpty() ? LongestRun() : covered.at(covered.size() / 2);
}

struct Measured
{
    double across = 0;
    double down = 0;
    double cornerLeft = 0;
    double cornerTop = 0;
};

// What a careful user reads off the calibration page with a ruler: each
// line from the middle of its 0 tick to the middle of its last, and the
// corner mark's lines from the paper's edges.
Measured measure(const QImage& paper, const CalibrationPage& page)
{
    Measured measured;
    const LongestRun lineA = findLongLine(paper, true, kAcrossLineMm * 0.8);
    const LongestRun lineB = findLongLine(paper, false, kDownLineMm * 0.8);
    if (lineA.index < 0 || lineB.index < 0)
        return measured;
    // Line A's ticks point up, line B's to the right.
    const auto ticks = [&](const LongestRun& line, bool row) {
        QList<QPair<int, int>> found;
        const double across = (row ? -4.5 : 4.5) * kDotsPerMm;
        for (const QPair<int, int>& run : layoutlines::pageRuns(paper, line.index + across, row))
            if (run.first >= line.run.first - 2 && run.second <= line.run.second + 2)
                found.append(run);
        return found;
    };
    const QList<QPair<int, int>> ticksA = ticks(lineA, true);
    const QList<QPair<int, int>> ticksB = ticks(lineB, false);
    // The centimetre ticks alone reach 4.5 mm from the line.
    if (ticksA.size() != 19 || ticksB.size() != 27)
        return measured;
    measured.across = (middleOf(ticksA.last()) - middleOf(ticksA.first())) / kDotsPerMm;
    measured.down = (middleOf(ticksB.last()) - middleOf(ticksB.first())) / kDotsPerMm;
    // The mark's legs are 10 mm long; 3 mm along them, the first ink from
    // the edge is the other leg.
    const QPointF corner = page.cornerMm * kDotsPerMm;
    const auto fromLeft = layoutlines::pageRuns(paper, corner.y() + 3 * kDotsPerMm, true);
    const auto fromTop = layoutlines::pageRuns(paper, corner.x() + 3 * kDotsPerMm, false);
    if (fromLeft.isEmpty() || fromTop.isEmpty())
        return measured;
    measured.cornerLeft = fromLeft.first().first / kDotsPerMm;
    measured.cornerTop = fromTop.first().first / kDotsPerMm;
    return measured;
}

QString typed(double mm)
{
    return QString::number(mm, 'f', 2);
}

} // namespace

class CalibratedPrintingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        QImageReader::setAllocationLimit(1024);
        ProgNam = QStringLiteral("qzLayer");
        if (!pdftools::available())
            QSKIP("poppler's tools (pdftoppm, pdftotext, ...) are not installed");
    }

    void init()
    {
        clearProgramSettings();
        sLanguage.clear();
        m_reports.clear();
        m_jobs.clear();
        platform::setErrorPresenter([this](const QString& text) { m_reports << text; });
        platform::setPrinterSystem({ [] {
                                        return platform::PrinterList {
                                            { QStringLiteral("Plain"), QStringLiteral("Skewed") },
                                            QStringLiteral("Plain")
                                        };
                                    },
            [this](const QString& name, const QPageSize& paper) { return printer(name, paper); } });
    }

    void cleanup()
    {
        platform::setErrorPresenter(nullptr);
        platform::setPrinterSystem({});
    }

    void calibratedPrinter_putsTheLayoutAtTrueSizeWhereWanted()
    {
        const QPointF wantedMm(5.5, 4.5);
        TPrintForm form;
        openAndClose(form);
        choose(form.PrinterBox, form.PrinterBox->findData(QStringLiteral("Skewed")));
        QVERIFY(form.CalibrationLabel->text().contains(QStringLiteral("not calibrated")));
        QVERIFY(!form.ResetButton->isEnabled());
        const QImage uncalibratedPreview = form.previewPicture();
        form.show();

        // Calibrate... prints the page, then asks what it measures.
        m_jobs.clear();
        const auto printedJobs = [this] {
            QStringList printed;
            for (const QString& job : m_jobs)
                if (QFile::exists(job))
                    printed << job;
            return printed;
        };
        Measured measured;
        QString windowText;
        whenModal([&](QWidget* modal) {
            auto* window = qobject_cast<TCalibrationForm*>(modal);
            if (!window || printedJobs().size() != 1) {
                modal->close();
                return;
            }
            windowText = window->IntroLabel->text();
            const CalibrationPage page = *calibrationPageFor(QSizeF(210, 297),
                QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                    QMarginsF(pdftools::kPrinterLeftMarginPoints, pdftools::kPrinterTopMarginPoints,
                        pdftools::kPrinterLeftMarginPoints, pdftools::kPrinterTopMarginPoints),
                    QPageLayout::Point)
                    .paintRect(QPageLayout::Millimeter));
            const QImage paper = paperOf(printedJobs().first(), kFeedShiftMm);
            if (qEnvironmentVariableIsSet("QZ_KEEP_OUTPUT"))
                paper.save(qEnvironmentVariable("QZ_KEEP_OUTPUT")
                    + QStringLiteral("/skewed-calibration-page.png"));
            measured = measure(paper, page);
            QTest::keyClicks(window->AcrossEdit, typed(measured.across));
            QTest::keyClicks(window->DownEdit, typed(measured.down));
            QTest::keyClicks(window->CornerLeftEdit, typed(measured.cornerLeft));
            QTest::keyClicks(window->CornerTopEdit, typed(measured.cornerTop));
            window->WantedLeftEdit->clear();
            QTest::keyClicks(window->WantedLeftEdit, typed(wantedMm.x()));
            window->WantedTopEdit->clear();
            QTest::keyClicks(window->WantedTopEdit, typed(wantedMm.y()));
            QTest::mouseClick(window->SaveButton, Qt::LeftButton);
        });
        QTest::mouseClick(form.CalibrateButton, Qt::LeftButton);
        QCOMPARE(m_reports, QStringList());
        QCOMPARE(printedJobs().size(), 1);
        QVERIFY(windowText.contains(QStringLiteral("\"Skewed\"")));
        QVERIFY2(measured.across > 0 && measured.down > 0,
            "the calibration page's lines and ticks were not found");
        const std::optional<PrinterCalibration> calibration
            = storedCalibration(QStringLiteral("Skewed"));
        QVERIFY(calibration);
        qInfo("measured on the skewed printer's page: A %.2f mm, B %.2f mm, C %.2f mm, D %.2f mm",
            measured.across, measured.down, measured.cornerLeft, measured.cornerTop);
        qInfo("calibration: scale %.4f across, %.4f down; shift %.3f mm, %.3f mm",
            calibration->scale.width(), calibration->scale.height(), calibration->shiftMm.x(),
            calibration->shiftMm.y());
        QCOMPARE(form.CalibrationLabel->text(),
            QStringLiteral("This printer is calibrated: across 98.5 %, down 101.2 %."));
        QVERIFY(form.ResetButton->isEnabled());

        // The preview shows the page as it will come out: the cut mark of
        // row 57 ends where the layout's right edge lands at true size.
        const QImage preview = form.previewPicture();
        QVERIFY(preview != uncalibratedPreview);
        const double previewMm = preview.width() / 210.0;
        const int row57 = int((wantedMm.y() + 57.5 * 0.25) * previewMm);
        int rightmostInk = 0;
        for (int x = 0; x < preview.width(); ++x)
            if (qGray(preview.pixel(x, row57)) < 200)
                rightmostInk = x;
        QVERIFY2(std::abs(rightmostInk + 0.5 - (wantedMm.x() + 813 * 0.25) * previewMm) <= 1.0,
            qPrintable(QStringLiteral("preview's row 57 ends at pixel %1").arg(rightmostInk)));

        // The inlay printed next lands at true size where it was wanted.
        m_jobs.clear();
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QCOMPARE(m_reports, QStringList());
        QCOMPARE(printedJobs().size(), 1);
        const QImage printed = paperOf(printedJobs().first(), kFeedShiftMm);
        const layoutlines::Placement placement = layoutlines::placement(
            printed, wantedMm * kDotsPerMm, QSizeF(0.25, 0.25) * kDotsPerMm, 0.1 * kDotsPerMm);
        QVERIFY2(placement.problem.isEmpty(), qPrintable(placement.problem));
        qInfo("worst line edge on the calibrated print: %.3f mm from true size",
            placement.worstDots / kDotsPerMm);

        // Reset: the printer prints with the fixed factors again.
        QTest::mouseClick(form.ResetButton, Qt::LeftButton);
        QVERIFY(!storedCalibration(QStringLiteral("Skewed")));
        QVERIFY(form.CalibrationLabel->text().contains(QStringLiteral("not calibrated")));
        QCOMPARE(form.previewPicture(), uncalibratedPreview);
    }

    void otherPrintersAndThePdf_stayAsTheyWere()
    {
        PrinterCalibration skewed;
        skewed.scale = QSizeF(0.97, 1.03);
        skewed.shiftMm = QPointF(2, -1);
        skewed.cornerMm = QPointF(6, 6);
        storeCalibration(QStringLiteral("Skewed"), skewed);

        TPrintForm form;
        openAndClose(form);
        QCOMPARE(form.chosenPrinter(), QStringLiteral("Plain"));
        QVERIFY(form.CalibrationLabel->text().contains(QStringLiteral("not calibrated")));
        form.show();
        m_jobs.clear();
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QCOMPARE(m_jobs.size(), 1);
        // The fixed factors from the printable corner, as printing always had them.
        const double margin = pdftools::kPrinterLeftMarginPoints / 72.0 * 25.4;
        const double top = pdftools::kPrinterTopMarginPoints / 72.0 * 25.4;
        const layoutlines::Placement plain
            = layoutlines::placement(paperOf(m_jobs.first(), {}), QPointF(margin, top) * kDotsPerMm,
                QSizeF(4765.0 / 813, 6940.0 / 1188), 0.05 * kDotsPerMm);
        QVERIFY2(plain.problem.isEmpty(), qPrintable(plain.problem));

        // The PDF is true size from 4 mm, whichever printer is chosen.
        choose(form.PrinterBox, form.PrinterBox->findData(QStringLiteral("Skewed")));
        QVERIFY(form.CalibrationLabel->text().contains(QStringLiteral("across 97.0 %")));
        const QString pdf = m_dir.filePath(QStringLiteral("true-size.pdf"));
        form.setPdfFileChooser([&](const QString&) { return pdf; });
        QTest::mouseClick(form.PdfButton, Qt::LeftButton);
        QCOMPARE(m_reports, QStringList());
        const layoutlines::Placement exact = layoutlines::placement(paperOf(pdf, {}),
            QPointF(4, 4) * kDotsPerMm, QSizeF(0.25, 0.25) * kDotsPerMm, 0.05 * kDotsPerMm);
        QVERIFY2(exact.problem.isEmpty(), qPrintable(exact.problem));
    }

    void calibrationPage_saysWhatToMeasure_inTheUserLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("English") << "ENU"
                                 << QStringList { "Printer calibration", "\"Plain\"",
                                        "from its 0 to its 18", "from its 0 to its 26",
                                        "left edge of the paper", "top edge of the paper" };
        QTest::newRow("Dutch") << "NLD"
                               << QStringList { "Printerkalibratie", "\"Plain\"",
                                      "van de 0 tot de 18", "van de 0 tot de 26",
                                      "linkerrand van het papier", "bovenrand van het papier" };
    }
    void calibrationPage_saysWhatToMeasure_inTheUserLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, words);
        sLanguage = language;
        const QString path = m_dir.filePath(QStringLiteral("page-%1.pdf").arg(language));
        const std::unique_ptr<QPrinter> printer
            = pdftools::printerWritingTo(path, QPageSize(QPageSize::A4));
        printCalibrationPage(*printer, QStringLiteral("Plain"));
        const QString text = pdftools::text(path).simplified();
        for (const QString& word : words)
            QVERIFY2(
                text.contains(word), qPrintable(word + QStringLiteral(" missing in: ") + text));
        // Every centimetre of both lines is numbered.
        const QStringList numbers = text.split(QLatin1Char(' '));
        for (int centimetre = 0; centimetre <= 26; ++centimetre)
            QVERIFY2(numbers.contains(QString::number(centimetre)),
                qPrintable(QString::number(centimetre)));
        if (qEnvironmentVariableIsSet("QZ_KEEP_OUTPUT")) {
            const QList<QImage> pages = pdftools::rasterise(path, 150);
            QCOMPARE(pages.size(), 1);
            pages.first().save(qEnvironmentVariable("QZ_KEEP_OUTPUT")
                + QStringLiteral("/calibration-page-%1.png").arg(language));
            QFile::copy(path,
                qEnvironmentVariable("QZ_KEEP_OUTPUT")
                    + QStringLiteral("/calibration-page-%1.pdf").arg(language));
        }
    }

    void paperWithoutRoom_isRefusedWithoutAJob()
    {
        const QString path = m_dir.filePath(QStringLiteral("small.pdf"));
        const std::unique_ptr<QPrinter> printer
            = pdftools::printerWritingTo(path, QPageSize(QPageSize::A5));
        try {
            printCalibrationPage(*printer, QStringLiteral("Plain"));
            QFAIL("an A5 page was accepted");
        } catch (const platform::UserError& error) {
            QVERIFY2(error.text().contains(QStringLiteral("cannot print 193 × 263 mm")),
                qPrintable(error.text()));
        }
        QVERIFY(!QFile::exists(path));
    }

private:
    // Runs `act` on the next modal window to open.
    static void whenModal(std::function<void(QWidget*)> act)
    {
        QTimer::singleShot(10, [act] {
            if (QWidget* modal = QApplication::activeModalWidget())
                act(modal);
            else
                whenModal(act);
        });
    }

    std::unique_ptr<QPrinter> printer(const QString& name, const QPageSize& paper)
    {
        m_jobs.append(m_dir.filePath(QStringLiteral("%1-%2.pdf").arg(name).arg(++m_jobNumber)));
        if (name == QLatin1String("Skewed"))
            return std::make_unique<SkewedPrinter>(m_jobs.last(), paper);
        return pdftools::printerWritingTo(m_jobs.last(), paper);
    }

    QTemporaryDir m_dir;
    QStringList m_reports;
    QStringList m_jobs; // every printer opened since the list was last cleared
    int m_jobNumber = 0;
};

QTEST_MAIN(CalibratedPrintingTest)
#include "tst_calibratedprinting.moc"

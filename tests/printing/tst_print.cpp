#include "printing/Print.h"
#include "tests/DesktopScreen.h"

#include "PdfTools.h"
#include "PrintFormDriving.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Printer.h"
#include "platform/Settings.h"
#include "printing/PrintGeometry.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "tests/FreshSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QPageLayout>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

namespace {

using printformdriving::choose;
using printformdriving::openAndClose;

// Counts the runs of paper across the middle row of the preview: one per page.
// Around the pages lies an even grey.
int paperBlocks(const QImage& preview)
{
    int blocks = 0;
    bool onPaper = false;
    const int y = preview.height() / 2;
    for (int x = 0; x < preview.width(); ++x) {
        const bool paper = preview.pixel(x, y) != qRgb(128, 128, 128);
        blocks += paper && !onPaper;
        onPaper = paper;
    }
    return blocks;
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
        ProgNam = QStringLiteral("qzLayer");
    }

    void init()
    {
        clearProgramSettings();
        sLanguage.clear();
        m_reports.clear();
        m_jobs.clear();
        m_printers
            = { QStringLiteral("Office"), QStringLiteral("Home Laser"), QStringLiteral("Photo") };
        m_defaultPrinter = QStringLiteral("Home Laser");
        platform::setErrorPresenter([this](const QString& text) { m_reports << text; });
        platform::setPrinterSystem(
            { [this] {
                 return platform::PrinterList { m_printers, m_defaultPrinter };
             },
                [this](const QString& name, const QPageSize& paper) {
                    return pdfPrinter(name, paper);
                } });
    }

    void cleanup()
    {
        platform::setErrorPresenter(nullptr);
        platform::setPrinterSystem({});
        platform::setScreenPixelsPerInchForTesting(0);
    }

    void texts_followTheUserLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("Dutch") << "NLD"
                               << QStringList { "qzLayer - Afdrukvoorbeeld", "Afdrukken",
                                      "Annuleren", "PDF...", "Kalibreren...", "Terugzetten",
                                      "Printer:", "Papier:", "Letter (VS)",
                                      "Deze printer is niet gekalibreerd." };
        QTest::newRow("English") << "ENU"
                                 << QStringList { "qzLayer - Printing Example", "Print", "Cancel",
                                        "PDF...", "Calibrate...", "Reset",
                                        "Printer:", "Paper:", "Letter (US)",
                                        "This printer is not calibrated." };
    }
    void texts_followTheUserLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, texts);
        sLanguage = language;
        TPrintForm form;
        openAndClose(form);
        QCOMPARE(
            QStringList({ form.windowTitle(), form.PrintButton->text(), form.CancelButton->text(),
                form.PdfButton->text(), form.CalibrateButton->text(), form.ResetButton->text(),
                form.PrinterLabel->text(), form.PaperLabel->text(), form.PaperBox->itemText(1),
                form.CalibrationLabel->text() }),
            texts);
    }

    void printers_defaultChosenFirst_thenTheOneChosenLast()
    {
        {
            TPrintForm form;
            openAndClose(form);
            QCOMPARE(form.PrinterBox->count(), 3);
            QCOMPARE(form.chosenPrinter(), QStringLiteral("Home Laser"));
            choose(form.PrinterBox, 2);
            QCOMPARE(form.chosenPrinter(), QStringLiteral("Photo"));
        }
        TPrintForm again;
        openAndClose(again);
        QCOMPARE(again.chosenPrinter(), QStringLiteral("Photo"));

        // A printer that has gone is replaced by the default, and one that
        // has come is offered.
        m_printers
            = { QStringLiteral("Office"), QStringLiteral("Home Laser"), QStringLiteral("New One") };
        openAndClose(again);
        QCOMPARE(again.chosenPrinter(), QStringLiteral("Home Laser"));
        QCOMPARE(again.PrinterBox->itemText(2), QStringLiteral("New One"));
    }

    void paper_isRemembered_andLetterSaysTheInlaysGoOnTwoPages()
    {
        {
            TPrintForm form;
            openAndClose(form);
            QCOMPARE(form.chosenPaper(), Paper::A4);
            QCOMPARE(paperBlocks(form.previewPicture()), 1);
            QVERIFY(form.NoteLabel->text().isEmpty());
            choose(form.PaperBox, 1);
            QCOMPARE(form.chosenPaper(), Paper::Letter);
            QCOMPARE(paperBlocks(form.previewPicture()), 2);
            QVERIFY(form.NoteLabel->text().contains(QStringLiteral("page of their own")));
        }
        TPrintForm again;
        openAndClose(again);
        QCOMPARE(again.chosenPaper(), Paper::Letter);
    }

    void print_sendsOneTitledJobToTheChosenPrinterOnTheChosenPaper_data()
    {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("pages");
        QTest::newRow("A4") << 0 << 1;
        QTest::newRow("Letter") << 1 << 2;
    }
    void print_sendsOneTitledJobToTheChosenPrinterOnTheChosenPaper()
    {
        if (!pdftools::available())
            QSKIP("poppler's tools are not installed");
        QFETCH(int, paper);
        QFETCH(int, pages);
        TPrintForm form;
        form.setInlaySource([] {
            return TPrintForm::PrintableInlay { inlay::Page(), "Velvet Hours" };
        });
        openAndClose(form);
        choose(form.PrinterBox, 2);
        choose(form.PaperBox, paper);
        m_jobs.clear();
        form.show();
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QCOMPARE(m_reports, QStringList());
        QVERIFY(form.isVisible());
        QCOMPARE(m_jobs.size(), 1);
        QVERIFY(m_jobs.first().contains(QStringLiteral("Photo")));
        QCOMPARE(pdftools::info(m_jobs.first(), QStringLiteral("Title")),
            QStringLiteral("Velvet Hours"));
        QCOMPARE(pdftools::info(m_jobs.first(), QStringLiteral("Pages")).toInt(), pages);
        QVERIFY(form.NoteLabel->text().contains(QStringLiteral("\"Photo\"")));
    }

    void printingTwice_givesTwoIdenticalJobs()
    {
        if (!pdftools::available())
            QSKIP("poppler's tools are not installed");
        TPrintForm form;
        openAndClose(form);
        form.show();
        m_jobs.clear();
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QCOMPARE(m_reports, QStringList());
        QCOMPARE(m_jobs.size(), 2);
        const QList<QImage> first = pdftools::rasterise(m_jobs[0], 100);
        const QList<QImage> second = pdftools::rasterise(m_jobs[1], 100);
        QCOMPARE(first.size(), 1);
        QCOMPARE(second.size(), 1);
        QCOMPARE(first.first(), second.first());
    }

    void printerMissingOrRefusing_isReportedAndWindowStaysOpen_data()
    {
        QTest::addColumn<QStringList>("printers");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("no printer") << QStringList() << "ENU"
                                    << "No printer is set up";
        QTest::newRow("no printer, Dutch") << QStringList() << "NLD"
                                           << "Er is geen printer ingesteld";
        QTest::newRow("printer gone") << QStringList { "Gone" } << "ENU"
                                      << "The printer \"Gone\" is not available";
        QTest::newRow("job refused") << QStringList { "Refusing" } << "ENU"
                                     << "cannot start the print job";
    }
    void printerMissingOrRefusing_isReportedAndWindowStaysOpen()
    {
        QFETCH(QStringList, printers);
        QFETCH(QString, language);
        QFETCH(QString, mentions);
        sLanguage = language;
        m_printers = printers;
        m_defaultPrinter = printers.value(0);
        TPrintForm form;
        openAndClose(form);
        QCOMPARE(form.PrinterBox->isEnabled(), !printers.isEmpty());
        form.show();
        QTest::mouseClick(form.PrintButton, Qt::LeftButton);
        QCOMPARE(m_reports.size(), 1);
        QVERIFY2(m_reports.first().contains(mentions), qPrintable(m_reports.first()));
        QVERIFY(form.isVisible());
    }

    void pdfButton_writesTheChosenFile_andSuggestsTheSameFolderNextTime()
    {
        if (!pdftools::available())
            QSKIP("poppler's tools are not installed");
        const QString folder = m_dir.filePath(QStringLiteral("pdfs"));
        QVERIFY(QDir().mkpath(folder));
        QStringList suggested;
        QString answer = QDir(folder).filePath(QStringLiteral("Mine.pdf"));
        TPrintForm form;
        form.setInlaySource([] {
            return TPrintForm::PrintableInlay { inlay::Page(), "Velvet: Hours" };
        });
        form.setPdfFileChooser([&](const QString& path) {
            suggested << path;
            return answer;
        });
        openAndClose(form);
        choose(form.PaperBox, 1);
        QTest::mouseClick(form.PdfButton, Qt::LeftButton);
        QCOMPARE(m_reports, QStringList());
        QCOMPARE(pdftools::info(answer, QStringLiteral("Pages")), QStringLiteral("2"));
        QCOMPARE(pdftools::info(answer, QStringLiteral("Title")), QStringLiteral("Velvet: Hours"));
        QVERIFY(form.NoteLabel->text().contains(QStringLiteral("Mine.pdf")));

        // Cancelling writes nothing; the folder is remembered.
        answer.clear();
        QTest::mouseClick(form.PdfButton, Qt::LeftButton);
        QCOMPARE(suggested.size(), 2);
        QCOMPARE(suggested.last(), QDir(folder).filePath(QStringLiteral("Velvet_ Hours.pdf")));
    }

    void pdfButton_unwritableFile_isReported()
    {
        const QString unreachable = m_dir.filePath(QStringLiteral("missing/folder/inlay.pdf"));
        TPrintForm form;
        form.setPdfFileChooser([&](const QString&) { return unreachable; });
        openAndClose(form);
        QTest::mouseClick(form.PdfButton, Qt::LeftButton);
        QCOMPARE(m_reports.size(), 1);
        QVERIFY2(m_reports.first().contains(QDir::toNativeSeparators(unreachable)),
            qPrintable(m_reports.first()));
        QVERIFY(!QFile::exists(unreachable));
    }

    void execPreview_refreshesPreviewThenShowsWindowModally()
    {
        platform::setScreenPixelsPerInchForTesting(96);
        inlay::Page page;
        TPrintForm form;
        form.setInlaySource([&] { return TPrintForm::PrintableInlay { page, "Title" }; });
        bool seenModal = false;
        QImage shown;
        QSize area;
        QTimer::singleShot(0, &form, [&] {
            seenModal = QApplication::activeModalWidget() == &form;
            shown = form.previewPicture();
            area = form.Image1->size();
            QTest::mouseClick(form.CancelButton, Qt::LeftButton);
        });
        form.execPreview();
        QVERIFY(seenModal);
        // Drawn at the size it shows at: the 630 × 891 of the design, made
        // smaller to fit this 1024-pixel screen.
        QCOMPARE(shown.size(), area);
        QVERIFY(area.height() < 891);
        QCOMPARE(area.width(), roundHalfToEven(630.0 * area.height() / 891));
        QVERIFY(!form.isVisible());
    }

    void tallerThanTheScreen_shrinksThePreviewSoTheWholeWindowFits_data()
    {
        QTest::addColumn<int>("ppi");
        QTest::addColumn<QPoint>("wanted");
        QTest::newRow("96 ppi on 1280 x 1024") << 96 << QPoint(200, 100);
        QTest::newRow("120 ppi on 1280 x 1024") << 120 << QPoint(200, 100);
        QTest::newRow("96 ppi on 800 x 600") << 96 << QPoint(1300, 50);
    }
    void tallerThanTheScreen_shrinksThePreviewSoTheWholeWindowFits()
    {
        QFETCH(int, ppi);
        QFETCH(QPoint, wanted);
        platform::setScreenPixelsPerInchForTesting(ppi);
        // The main window's frame tells how large the print window's will be.
        QWidget mainWindow;
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        platform::Settings::writeInteger(QStringLiteral("PrintLeft"), wanted.x());
        platform::Settings::writeInteger(QStringLiteral("PrintTop"), wanted.y());
        TPrintForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect available = form.screen()->availableGeometry();
        QVERIFY(available.contains(form.frameGeometry()));
        // The buttons keep their design places; the preview below them keeps
        // the proportions of its design area, centred.
        const QSize design = previewAreaSize(ppi / 96.0);
        QCOMPARE(form.width(), design.width());
        QVERIFY(form.PrintButton->isVisible());
        const QRect preview = form.Image1->geometry();
        QCOMPARE(preview.bottom(), form.height() - 1);
        QCOMPARE(preview.width(),
            roundHalfToEven(double(design.width()) * preview.height() / design.height()));
        QVERIFY(std::abs(preview.center().x() - form.rect().center().x()) <= 1);
        platform::setScreenPixelsPerInchForTesting(120);
    }

    void closing_savesPosition_andShowingRestoresIt()
    {
        // On the 1024-pixel test screen the window fills the screen's height:
        // its frame's top is at the top. The main window's frame tells how
        // large the print window's frame will be.
        platform::setScreenPixelsPerInchForTesting(96);
        QWidget mainWindow;
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        platform::Settings::writeString(QStringLiteral("PrintLeft"), QStringLiteral("abc"));
        {
            TPrintForm form;
            form.show();
            const QRect available = form.screen()->availableGeometry();
            QCOMPARE(form.frameGeometry().height(), available.height());
            QCOMPARE(form.pos(), QPoint(200, available.top()));
            form.move(321, 0);
            QTest::mouseClick(form.CancelButton, Qt::LeftButton);
            QVERIFY(!form.isVisible());
        }
        QCOMPARE(platform::Settings::readString(QStringLiteral("PrintLeft"), QString()),
            QStringLiteral("321"));
        QCOMPARE(platform::Settings::readString(QStringLiteral("PrintTop"), QString()),
            QStringLiteral("0"));
        platform::Settings::writeString(QStringLiteral("PrintTop"), QStringLiteral("-40"));
        TPrintForm again;
        again.show();
        QCOMPARE(again.pos(), QPoint(321, 0)); // not above the screen
        platform::setScreenPixelsPerInchForTesting(120);
    }

private:
    // A printer that writes its job to a PDF file named after it; "Refusing"
    // cannot open its output, and "Gone" is not there.
    std::unique_ptr<QPrinter> pdfPrinter(const QString& name, const QPageSize& paper)
    {
        if (name == QLatin1String("Gone"))
            return nullptr;
        m_jobs.append(name == QLatin1String("Refusing")
                ? m_dir.filePath(QStringLiteral("missing/folder/job.pdf"))
                : m_dir.filePath(QStringLiteral("%1-%2.pdf").arg(name).arg(m_jobs.size() + 1)));
        return pdftools::printerWritingTo(m_jobs.last(), paper);
    }

    QTemporaryDir m_dir;
    QStringList m_reports;
    QStringList m_jobs; // every printer opened, in order
    QStringList m_printers;
    QString m_defaultPrinter;
};

QZ_DESKTOP_TEST_MAIN(PrintFormTest)
#include "tst_print.moc"

#include "printing/Print.h"

#include "calibration/Calibration.h"
#include "calibration/PrinterCalibration.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Printer.h"
#include "platform/Settings.h"
#include "platform/WindowPlacement.h"
#include "printing/PreviewImage.h"
#include "printing/PrintGeometry.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

TPrintForm* PrintForm = nullptr;

namespace {

const QString kPrinterSetting = QStringLiteral("PrintPrinter");
const QString kPaperSetting = QStringLiteral("PrintPaper");
const QString kPdfFolderSetting = QStringLiteral("PdfFolder");
constexpr int kPanelHeight = 188;

struct PrintTexts
{
    QString captionSuffix;
    QString print;
    QString cancel;
    QString pdf;
    QString printer;
    QString paper;
    QString letter;
    QString noPrinter;
    QString twoPages;
    QString noPrinterSetUp;
    QString printerGone; // %1: the printer
    QString sent; // %1: the printer
    QString saved; // %1: the file
    QString pdfTitle;
    QString pdfFilter;
    QString calibrate;
    QString reset;
    QString calibrated; // %1: what the printer makes of lengths
    QString notCalibrated;
    QString calibrationSaved; // %1: the printer
    QString calibrationReset; // %1: the printer
};

const PrintTexts& texts()
{
    static const PrintTexts dutch {
        QStringLiteral(" - Afdrukvoorbeeld"),
        QStringLiteral("Afdrukken"),
        QStringLiteral("Annuleren"),
        QStringLiteral("PDF..."),
        QStringLiteral("Printer:"),
        QStringLiteral("Papier:"),
        QStringLiteral("Letter (VS)"),
        QStringLiteral("(geen printer)"),
        QStringLiteral("Dit papier is te kort voor de hele layout: de voorkant en de "
                       "achterkant komen elk op een eigen blad."),
        QStringLiteral("Er is geen printer ingesteld. Stel een printer in, of maak een PDF"),
        QStringLiteral("De printer \"%1\" is niet beschikbaar"),
        QStringLiteral("Naar de printer \"%1\" gestuurd."),
        QStringLiteral("Bewaard als %1."),
        QStringLiteral(" - Bewaar als PDF"),
        QStringLiteral("PDF-bestanden (*.pdf)"),
        QStringLiteral("Kalibreren..."),
        QStringLiteral("Terugzetten"),
        QStringLiteral("Deze printer is gekalibreerd: %1."),
        QStringLiteral("Deze printer is niet gekalibreerd."),
        QStringLiteral("De kalibratie van de printer \"%1\" is bewaard."),
        QStringLiteral("De kalibratie van de printer \"%1\" is teruggezet."),
    };
    static const PrintTexts english {
        QStringLiteral(" - Printing Example"),
        QStringLiteral("Print"),
        QStringLiteral("Cancel"),
        QStringLiteral("PDF..."),
        QStringLiteral("Printer:"),
        QStringLiteral("Paper:"),
        QStringLiteral("Letter (US)"),
        QStringLiteral("(no printer)"),
        QStringLiteral("This paper is too short for the whole layout: the front and the back "
                       "inlay are each printed on a page of their own."),
        QStringLiteral("No printer is set up. Set up a printer, or make a PDF"),
        QStringLiteral("The printer \"%1\" is not available"),
        QStringLiteral("Sent to the printer \"%1\"."),
        QStringLiteral("Saved as %1."),
        QStringLiteral(" - Save as PDF"),
        QStringLiteral("PDF files (*.pdf)"),
        QStringLiteral("Calibrate..."),
        QStringLiteral("Reset"),
        QStringLiteral("This printer is calibrated: %1."),
        QStringLiteral("This printer is not calibrated."),
        QStringLiteral("The calibration of the printer \"%1\" is saved."),
        QStringLiteral("The calibration of the printer \"%1\" is reset."),
    };
    return isDutch() ? dutch : english;
}

QLabel* createLabel(QWidget* parent, int left, int top, int width, int height)
{
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    platform::placeByDesign(label, left, top, width, height);
    return label;
}

// A file name from the title: characters no file system takes become "_".
QString pdfFileName(const QString& title)
{
    QString name = title.trimmed();
    for (QChar& c : name) {
        if (QStringLiteral("\\/:*?\"<>|").contains(c) || c.unicode() < 32)
            c = u'_';
    }
    return (name.isEmpty() ? QStringLiteral("qzLayer") : name) + QStringLiteral(".pdf");
}

// Printing a large photo takes a moment; the pointer says so meanwhile.
class BusyPointer
{
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace

Paper rememberedPaper()
{
    return paperFromKey(platform::Settings::readString(kPaperSetting, QString()))
        .value_or(Paper::A4);
}

TPrintForm::TPrintForm(QWidget* parent)
    : QDialog(parent)
    , m_position(this, QStringLiteral("PrintLeft"), QStringLiteral("PrintTop"),
          [this](QPoint frameTopLeft, const QMargins& frame, const QRect& available) {
              return printWindowGeometry(
                  frameTopLeft, frame, available, previewAreaSize(rScreen), Panel1->height());
          })
{
    createControls();
    connectControls();
    FormCreate();
}

void TPrintForm::createControls()
{
    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPixelSize(platform::scaled(17));
    setFont(windowFont);

    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(platform::scaled(kPanelHeight));

    PrintButton = new QPushButton(Panel1);
    platform::placeByDesign(PrintButton, 10, 10, 159, 42);
    CancelButton = new QPushButton(Panel1);
    platform::placeByDesign(CancelButton, 184, 10, 158, 42);
    PdfButton = new QPushButton(Panel1);
    platform::placeByDesign(PdfButton, 357, 10, 120, 42);
    CalibrateButton = new QPushButton(Panel1);
    platform::placeByDesign(CalibrateButton, 492, 10, 145, 42);
    ResetButton = new QPushButton(Panel1);
    platform::placeByDesign(ResetButton, 652, 10, 125, 42);

    PrinterLabel = createLabel(Panel1, 10, 62, 80, 32);
    PrinterBox = new QComboBox(Panel1);
    platform::placeByDesign(PrinterBox, 95, 60, 380, 36);
    PaperLabel = createLabel(Panel1, 485, 62, 70, 32);
    PaperBox = new QComboBox(Panel1);
    platform::placeByDesign(PaperBox, 560, 60, 215, 36);
    PrinterLabel->setBuddy(PrinterBox);
    PaperLabel->setBuddy(PaperBox);

    CalibrationLabel = new QLabel(Panel1);
    CalibrationLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    platform::placeByDesign(CalibrationLabel, 10, 102, 767, 32);

    NoteLabel = new QLabel(Panel1);
    NoteLabel->setWordWrap(true);
    NoteLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    NoteLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    platform::placeByDesign(NoteLabel, 10, 140, 767, 46);

    Image1 = new PreviewImage(this);
}

void TPrintForm::connectControls()
{
    using platform::guarded;
    connect(PrintButton, &QPushButton::clicked, this, guarded([this] { PrintButtonClick(); }));
    connect(CancelButton, &QPushButton::clicked, this, guarded([this] { CancelButtonClick(); }));
    connect(PdfButton, &QPushButton::clicked, this, guarded([this] { PdfButtonClick(); }));
    connect(
        CalibrateButton, &QPushButton::clicked, this, guarded([this] { CalibrateButtonClick(); }));
    connect(ResetButton, &QPushButton::clicked, this, guarded([this] { ResetButtonClick(); }));
    connect(PrinterBox, &QComboBox::activated, this, guarded([this] { choiceChanged(); }));
    connect(PaperBox, &QComboBox::activated, this, guarded([this] { choiceChanged(); }));
}

void TPrintForm::FormCreate()
{
    const PrintTexts& text = texts();
    setWindowTitle(ProgNam + text.captionSuffix);
    PrintButton->setText(text.print);
    CancelButton->setText(text.cancel);
    PdfButton->setText(text.pdf);
    CalibrateButton->setText(text.calibrate);
    ResetButton->setText(text.reset);
    PrinterLabel->setText(text.printer);
    PaperLabel->setText(text.paper);
    PaperBox->addItem(QStringLiteral("A4"), paperKey(Paper::A4));
    PaperBox->addItem(text.letter, paperKey(Paper::Letter));
    PaperBox->setCurrentIndex(std::max(PaperBox->findData(paperKey(rememberedPaper())), 0));

    rScreen = platform::screenPixelsPerInch() / 96.0;

    const QSize first = firstPreviewSize(rScreen);
    resize(first.width(), first.height() + Panel1->height());
    // Setting the first size is the window's first size change: the size
    // rule takes over at once, so the preview has its lasting size even
    // before the window is first shown.
    FormResize();
}

// The preview keeps its design size where the screen has room for it, and
// shrinks where it has not (see printWindowGeometry). Any other size snaps
// back.
void TPrintForm::FormResize()
{
    const QSize design = previewAreaSize(rScreen);
    const int panelHeight = Panel1->height();
    const QPoint corner = frameGeometry().topLeft();
    const QSize client = printWindowGeometry(
        corner, m_position.knownFrame(), platform::availableAreaAt(corner), design, panelHeight)
                             .size();
    const QSize area = previewAreaFitting(design, client.height() - panelHeight);
    Panel1->setGeometry(0, 0, client.width(), panelHeight);
    const bool drawnAtOtherSize = !Image1->picture().isNull() && Image1->size() != area;
    Image1->setGeometry(
        (client.width() - area.width()) / 2, panelHeight, area.width(), area.height());
    if (drawnAtOtherSize)
        drawPreview(); // a window manager's frame can take a little height from it
    if (size() != client || minimumSize() != client || maximumSize() != client)
        setFixedSize(client);
}

void TPrintForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

// The window manager may add its frame only once the window is on the
// screen, and the frame counts in the height that fits.
void TPrintForm::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    FormResize();
}

// The window is placed before it is on the screen, so that it appears at its
// place at once.
void TPrintForm::setVisible(bool visible)
{
    if (visible && !isVisible())
        FormShow();
    QDialog::setVisible(visible);
}

void TPrintForm::FormShow()
{
    m_position.restore();
}

// Every way of closing the window (Cancel, Escape, the title bar) ends here.
void TPrintForm::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TPrintForm::FormClose()
{
    m_position.store();
}

void TPrintForm::setInlaySource(InlaySource source)
{
    m_inlaySource = std::move(source);
}

void TPrintForm::setPdfFileChooser(PdfFileChooser chooser)
{
    m_choosePdfFile = std::move(chooser);
}

TPrintForm::PrintableInlay TPrintForm::currentInlay() const
{
    return m_inlaySource ? m_inlaySource() : PrintableInlay { inlay::Page(), ProgNam };
}

const QImage& TPrintForm::previewPicture() const
{
    return Image1->picture();
}

Paper TPrintForm::chosenPaper() const
{
    return paperFromKey(PaperBox->currentData().toString()).value_or(Paper::A4);
}

QString TPrintForm::chosenPrinter() const
{
    return PrinterBox->currentData().toString();
}

// Printers come and go: the list is read again each time the window opens.
// The printer chosen last time is chosen again while it is there, otherwise
// the system's default.
void TPrintForm::fillPrinters()
{
    const platform::PrinterList printers = platform::availablePrinters();
    PrinterBox->clear();
    for (const QString& name : printers.names)
        PrinterBox->addItem(name, name);
    if (printers.names.isEmpty()) {
        PrinterBox->addItem(texts().noPrinter, QString());
        PrinterBox->setEnabled(false);
        return;
    }
    PrinterBox->setEnabled(true);
    const QString remembered = platform::Settings::readString(kPrinterSetting, QString());
    int chosen = PrinterBox->findData(remembered);
    if (chosen < 0)
        chosen = PrinterBox->findData(printers.defaultName);
    PrinterBox->setCurrentIndex(std::max(chosen, 0));
}

void TPrintForm::choiceChanged()
{
    if (!chosenPrinter().isEmpty())
        platform::Settings::writeString(kPrinterSetting, chosenPrinter());
    platform::Settings::writeString(kPaperSetting, paperKey(chosenPaper()));
    PrintExample();
}

void TPrintForm::execPreview()
{
    fillPrinters();
    FormShow(); // the preview is drawn at the size it shows at on this screen
    PrintExample();
    exec();
}

// The chosen printer's pages; without a printer, the PDF's.
PagedOutput TPrintForm::chosenOutput() const
{
    const QString name = chosenPrinter();
    if (!name.isEmpty()) {
        if (const std::unique_ptr<QPrinter> printer
            = platform::openPrinter(name, pageSizeOf(chosenPaper())))
            return printerOutput(*printer, name);
    }
    return pdfOutput(chosenPaper());
}

void TPrintForm::showNote(const QString& status)
{
    QStringList lines;
    if (m_previewOutput.plan.size() > 1)
        lines << texts().twoPages;
    if (!status.isEmpty())
        lines << status;
    NoteLabel->setText(lines.join(QLatin1Char('\n')));
}

void TPrintForm::PrintExample()
{
    m_previewOutput = chosenOutput();
    drawPreview();
    showCalibration();
    showNote();
}

void TPrintForm::drawPreview()
{
    Image1->setPicture(previewImage(currentInlay().page, m_previewOutput, Image1->size()));
}

void TPrintForm::showCalibration()
{
    const QString name = chosenPrinter();
    const std::optional<PrinterCalibration> calibration = storedCalibration(name);
    CalibrateButton->setEnabled(!name.isEmpty());
    ResetButton->setEnabled(calibration.has_value());
    if (name.isEmpty())
        CalibrationLabel->clear();
    else if (calibration)
        CalibrationLabel->setText(texts().calibrated.arg(calibrationSummary(*calibration)));
    else
        CalibrationLabel->setText(texts().notCalibrated);
}

std::unique_ptr<QPrinter> TPrintForm::openChosenPrinter() const
{
    const QString name = chosenPrinter();
    if (name.isEmpty())
        throw platform::UserError(texts().noPrinterSetUp);
    std::unique_ptr<QPrinter> printer = platform::openPrinter(name, pageSizeOf(chosenPaper()));
    if (!printer)
        throw platform::UserError(texts().printerGone.arg(name));
    return printer;
}

void TPrintForm::PrintCover()
{
    const std::unique_ptr<QPrinter> printer = openChosenPrinter();
    const PrintableInlay inlay = currentInlay();
    {
        const BusyPointer busy;
        printInlay(*printer, chosenPrinter(), inlay.page, inlay.title);
    }
    showNote(texts().sent.arg(chosenPrinter()));
}

TCalibrationForm& TPrintForm::calibrationForm()
{
    if (!m_calibrationForm)
        m_calibrationForm = new TCalibrationForm(this);
    return *m_calibrationForm;
}

// Prints the calibration page on the chosen printer and paper, then asks
// what it measures.
void TPrintForm::CalibrateButtonClick()
{
    const std::unique_ptr<QPrinter> printer = openChosenPrinter();
    const QString name = chosenPrinter();
    CalibrationPage page;
    {
        const BusyPointer busy;
        page = printCalibrationPage(*printer, name);
    }
    if (!calibrationForm().execFor(name, page, pdfPageGeometry().originMm))
        return;
    PrintExample();
    showNote(texts().calibrationSaved.arg(name));
}

void TPrintForm::ResetButtonClick()
{
    const QString name = chosenPrinter();
    forgetCalibration(name);
    PrintExample();
    showNote(texts().calibrationReset.arg(name));
}

QString TPrintForm::askForPdfFile(const QString& suggestedPath)
{
    if (m_choosePdfFile)
        return m_choosePdfFile(suggestedPath);
    const PrintTexts& text = texts();
    QString path = QFileDialog::getSaveFileName(
        this, ProgNam + text.pdfTitle, suggestedPath, text.pdfFilter);
    if (!path.isEmpty() && !path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    return path;
}

void TPrintForm::PdfButtonClick()
{
    const PrintableInlay inlay = currentInlay();
    const QString folder = platform::Settings::readString(
        kPdfFolderSetting, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const QString path = askForPdfFile(QDir(folder).filePath(pdfFileName(inlay.title)));
    if (path.isEmpty())
        return;
    {
        const BusyPointer busy;
        writeInlayPdf(path, inlay.page, chosenPaper(), inlay.title);
    }
    platform::Settings::writeString(kPdfFolderSetting, QFileInfo(path).absolutePath());
    showNote(texts().saved.arg(QDir::toNativeSeparators(path)));
}

void TPrintForm::PrintButtonClick()
{
    PrintCover();
}

void TPrintForm::CancelButtonClick()
{
    reject();
}

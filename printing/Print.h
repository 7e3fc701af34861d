#pragma once

#include "inlay/InlayPage.h"
#include "platform/WindowPlacement.h"
#include "printing/InlayOutput.h"
#include "printing/PreviewImage.h"

#include <QDialog>
#include <QImage>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QPrinter;
class TCalibrationForm;
class QPushButton;
class QWidget;

// The print window: a preview of the inlay on the chosen paper, in an area
// with the proportions of an A4 page; printing on the chosen printer at very
// nearly true size, or at true size once that printer is calibrated; and the
// same pages as a PDF file at exactly true size. Printing leaves the window
// open; each print is one more copy.
class TPrintForm : public QDialog
{
    Q_OBJECT

public:
    explicit TPrintForm(QWidget* parent = nullptr);

    // What the window previews and prints: the main window's page, read each
    // time it is needed, and the title its print job and PDF get.
    struct PrintableInlay
    {
        inlay::Page page;
        QString title;
    };
    using InlaySource = std::function<PrintableInlay()>;
    void setInlaySource(InlaySource source);

    // Asks where to write the PDF, starting from the suggested path; empty
    // when the user cancels. Tests replace the file dialog; an empty chooser
    // restores it.
    using PdfFileChooser = std::function<QString(const QString& suggestedPath)>;
    void setPdfFileChooser(PdfFileChooser chooser);

    // The main window's print command: refreshes the printers and the
    // preview, then shows the window modally and returns when it is closed.
    void execPreview();

    void PrintExample();
    void PrintCover();
    void PdfButtonClick();

    // The preview picture that Image1 shows.
    const QImage& previewPicture() const;
    Paper chosenPaper() const;
    QString chosenPrinter() const; // empty when there is no printer

    // The screen's pixels per inch divided by 96, fixed at creation.
    double rScreen = 1.0;

    QWidget* Panel1 = nullptr;
    QPushButton* PrintButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* PdfButton = nullptr;
    QPushButton* CalibrateButton = nullptr;
    QPushButton* ResetButton = nullptr;
    QLabel* PrinterLabel = nullptr;
    QComboBox* PrinterBox = nullptr;
    QLabel* PaperLabel = nullptr;
    QComboBox* PaperBox = nullptr;
    QLabel* CalibrationLabel = nullptr; // whether the chosen printer is calibrated
    QLabel* NoteLabel = nullptr;
    PreviewImage* Image1 = nullptr;

    void setVisible(bool visible) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    void PrintButtonClick();
    void CancelButtonClick();
    void CalibrateButtonClick();
    void ResetButtonClick();

    void createControls();
    void connectControls();
    void fillPrinters();
    void choiceChanged();
    PrintableInlay currentInlay() const;
    PagedOutput chosenOutput() const;
    // The chosen printer, ready for one job; throws UserError naming what is
    // missing.
    std::unique_ptr<QPrinter> openChosenPrinter() const;
    void showCalibration();
    TCalibrationForm& calibrationForm();
    QString askForPdfFile(const QString& suggestedPath);
    void showNote(const QString& status = QString());

    platform::WindowPosition m_position;
    InlaySource m_inlaySource;
    PdfFileChooser m_choosePdfFile;
    TCalibrationForm* m_calibrationForm = nullptr; // made when first needed
    int m_pageCount = 1; // of the output the preview shows
};

// The paper chosen last in the print window; A4 until one is chosen.
Paper rememberedPaper();

// The one print window, created at program start.
extern TPrintForm* PrintForm;

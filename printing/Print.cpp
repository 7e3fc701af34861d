#include "printing/Print.h"

#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Printer.h"
#include "platform/WindowPlacement.h"
#include "printing/PreviewImage.h"
#include "printing/PrintGeometry.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QDir>
#include <QPainter>
#include <QPushButton>

TPrintForm* PrintForm = nullptr;

namespace {

struct PrintTexts
{
    QString captionSuffix;
    QString print;
    QString cancel;
    QString noSheet;
    QString noDefaultPrinter;
    QString cannotStart; // %1: the printer
    QString notFinished; // %1: the printer
};

const PrintTexts& texts()
{
    static const PrintTexts dutch {
        QStringLiteral(" - Afdrukvoorbeeld"),
        QStringLiteral("Afdrukken"),
        QStringLiteral("Annuleren"),
        QStringLiteral("Er is geen blad om af te drukken"),
        QStringLiteral("Er is geen standaardprinter ingesteld. Stel een printer in als "
                       "standaardprinter en druk opnieuw af"),
        QStringLiteral("De printer %1 kan de afdruk niet starten"),
        QStringLiteral("De printer %1 heeft de afdruk niet afgemaakt"),
    };
    static const PrintTexts english {
        QStringLiteral(" - Printing Example"),
        QStringLiteral("Print"),
        QStringLiteral("Cancel"),
        QStringLiteral("There is no sheet to print"),
        QStringLiteral("No default printer is set up. Set up a printer as the default "
                       "printer and print again"),
        QStringLiteral("The printer %1 cannot start the print job"),
        QStringLiteral("The printer %1 did not finish the print job"),
    };
    return sLanguage == QLatin1String("NLD") ? dutch : english;
}

// How the error texts name a printer: its queue name, or the file a file
// printer writes.
QString printerLabel(const QPrinter& printer)
{
    const QString name = printer.printerName().isEmpty()
        ? QDir::toNativeSeparators(printer.outputFileName())
        : printer.printerName();
    return QLatin1Char('"') + name + QLatin1Char('"');
}

} // namespace

TPrintForm::TPrintForm(QWidget* parent)
    : QDialog(parent)
    , m_position(this, QStringLiteral("PrintLeft"), QStringLiteral("PrintTop"))
{
    createControls();
    FormCreate();
}

void TPrintForm::createControls()
{
    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPixelSize(platform::scaled(17));
    setFont(windowFont);

    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(platform::scaled(63));

    PrintButton = new QPushButton(Panel1);
    PrintButton->setGeometry(
        platform::scaled(10), platform::scaled(10), platform::scaled(159), platform::scaled(42));
    CancelButton = new QPushButton(Panel1);
    CancelButton->setGeometry(
        platform::scaled(184), platform::scaled(10), platform::scaled(158), platform::scaled(42));

    Image1 = new PreviewImage(this);

    connect(PrintButton, &QPushButton::clicked, this,
        platform::guarded([this] { PrintButtonClick(); }));
    connect(CancelButton, &QPushButton::clicked, this,
        platform::guarded([this] { CancelButtonClick(); }));
}

void TPrintForm::FormCreate()
{
    const PrintTexts& text = texts();
    setWindowTitle(ProgNam + text.captionSuffix);
    PrintButton->setText(text.print);
    CancelButton->setText(text.cancel);

    rScreen = platform::screenPixelsPerInch() / 96.0;

    const QSize first = firstPreviewSize(rScreen);
    resize(first.width(), first.height() + Panel1->height());
    // Setting the first size is the window's first size change: the size
    // rule takes over at once, so the preview has its lasting size even
    // before the window is first shown.
    FormResize();
}

void TPrintForm::FormResize()
{
    const QSize area = previewAreaSize(rScreen);
    const int panelHeight = Panel1->height();
    Panel1->setGeometry(0, 0, area.width(), panelHeight);
    Image1->setGeometry(0, panelHeight, area.width(), area.height());
    const QSize client(area.width(), area.height() + panelHeight);
    if (size() != client || minimumSize() != client || maximumSize() != client)
        setFixedSize(client); // undoes any resizing by the user
}

void TPrintForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
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

void TPrintForm::setSheetSource(SheetSource source)
{
    m_sheetSource = std::move(source);
}

QImage TPrintForm::currentSheet() const
{
    return m_sheetSource ? m_sheetSource() : QImage();
}

const QImage& TPrintForm::previewPicture() const
{
    return Image1->picture();
}

void TPrintForm::execPreview()
{
    PrintExample();
    exec();
}

void TPrintForm::PrintExample()
{
    QImage preview(Image1->size(), QImage::Format_RGB32);
    preview.fill(Qt::white);
    const QImage sheet = currentSheet();
    if (!sheet.isNull()) {
        // Without smooth transformation the painter samples the nearest pixel.
        QPainter painter(&preview);
        painter.drawImage(preview.rect(), sheet);
    }
    Image1->setPicture(preview);
}

void TPrintForm::PrintCover()
{
    const PrintTexts& text = texts();
    const QImage sheet = currentSheet();
    if (sheet.isNull())
        throw platform::UserError(text.noSheet);

    const std::unique_ptr<QPrinter> printer = platform::openDefaultPrinter();
    if (!printer)
        throw platform::UserError(text.noDefaultPrinter);

    // Beginning to paint starts the job and opens its page; the painter ends
    // the job when it goes out of scope, so a failure while drawing still
    // ends it.
    QPainter painter;
    if (!painter.begin(printer.get()))
        throw platform::UserError(text.cannotStart.arg(printerLabel(*printer)));
    // Cut marks and frame lines must stay crisp: no lossy compression of the
    // sheet on its way to the printer, and no smoothing (nearest pixel).
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const QRect target
        = printTargetRect(sheet.size(), printer->logicalDpiX(), printer->logicalDpiY());
    painter.drawImage(target, sheet);
    const bool ended = painter.end();
    if (!ended || printer->printerState() == QPrinter::Error)
        throw platform::UserError(text.notFinished.arg(printerLabel(*printer)));
}

void TPrintForm::PrintButtonClick()
{
    PrintCover();
}

void TPrintForm::CancelButtonClick()
{
    reject();
}

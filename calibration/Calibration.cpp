#include "calibration/Calibration.h"

#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct WindowTexts
{
    QString captionSuffix;
    QString intro; // %1: the printer
    QString across; // %1: printed length
    QString down; // %1: printed length
    QString cornerLeft;
    QString cornerTop;
    QString wanted;
    QString wantedLeft;
    QString wantedTop;
    QString hint;
    QString result; // %1: the summary
    QString save;
    QString cancel;
};

const WindowTexts& texts()
{
    static const WindowTexts dutch {
        QStringLiteral(" - Printer kalibreren"),
        QStringLiteral("De kalibratiepagina is naar de printer \"%1\" gestuurd. Meet hem met een "
                       "liniaal en typ wat u meet, in millimeters."),
        QStringLiteral("Lengte van lijn A (afgedrukt %1 mm):"),
        QStringLiteral("Lengte van lijn B (afgedrukt %1 mm):"),
        QStringLiteral("Van de linkerrand tot de hoekmarkering:"),
        QStringLiteral("Van de bovenrand tot de hoekmarkering:"),
        QStringLiteral("Waar de hoek van de layout moet komen:"),
        QStringLiteral("Van de linkerrand:"),
        QStringLiteral("Van de bovenrand:"),
        QStringLiteral("Typ de vier maten A, B, C en D."),
        QStringLiteral("De printer drukt af op %1. Bewaar om voortaan op ware grootte af te "
                       "drukken."),
        QStringLiteral("Bewaren"),
        QStringLiteral("Annuleren"),
    };
    static const WindowTexts english {
        QStringLiteral(" - Calibrate Printer"),
        QStringLiteral("The calibration page has gone to the printer \"%1\". Measure it with a "
                       "ruler and type what you measured, in millimetres."),
        QStringLiteral("Length of line A (printed %1 mm):"),
        QStringLiteral("Length of line B (printed %1 mm):"),
        QStringLiteral("From the left edge to the corner mark:"),
        QStringLiteral("From the top edge to the corner mark:"),
        QStringLiteral("Where the layout's corner is to land:"),
        QStringLiteral("From the left edge:"),
        QStringLiteral("From the top edge:"),
        QStringLiteral("Type the four measurements A, B, C and D."),
        QStringLiteral("The printer prints %1. Save to print at true size from now on."),
        QStringLiteral("Save"),
        QStringLiteral("Cancel"),
    };
    return isDutch() ? dutch : english;
}

// One row of the form: a letter, what to type, the input and its unit.
QLineEdit* addRow(QGridLayout* grid, const QString& letter, const QString& label)
{
    const int row = grid->rowCount();
    auto* letterLabel = new QLabel(letter);
    QFont bold = letterLabel->font();
    bold.setBold(true);
    letterLabel->setFont(bold);
    auto* edit = new QLineEdit;
    edit->setMaxLength(12);
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(platform::scaled(110));
    auto* text = new QLabel(label);
    text->setBuddy(edit);
    grid->addWidget(letterLabel, row, 0);
    grid->addWidget(text, row, 1);
    grid->addWidget(edit, row, 2);
    grid->addWidget(new QLabel(QStringLiteral("mm")), row, 3);
    return edit;
}

} // namespace

TCalibrationForm::TCalibrationForm(QWidget* parent)
    : QDialog(parent)
{
    createControls();
    using platform::guarded;
    connect(SaveButton, &QPushButton::clicked, this, guarded([this] { SaveButtonClick(); }));
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    for (QLineEdit* edit :
        { AcrossEdit, DownEdit, CornerLeftEdit, CornerTopEdit, WantedLeftEdit, WantedTopEdit })
        connect(edit, &QLineEdit::textEdited, this, [this] { measurementsChanged(); });
}

void TCalibrationForm::createControls()
{
    const WindowTexts& text = texts();
    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPixelSize(platform::scaled(17));
    setFont(windowFont);
    setWindowTitle(ProgNam + text.captionSuffix);

    IntroLabel = new QLabel;
    IntroLabel->setWordWrap(true);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    AcrossEdit = addRow(grid, QStringLiteral("A"), text.across.arg(kAcrossLineMm));
    DownEdit = addRow(grid, QStringLiteral("B"), text.down.arg(kDownLineMm));
    CornerLeftEdit = addRow(grid, QStringLiteral("C"), text.cornerLeft);
    CornerTopEdit = addRow(grid, QStringLiteral("D"), text.cornerTop);
    grid->setRowMinimumHeight(grid->rowCount(), platform::scaled(12));
    grid->addWidget(new QLabel(text.wanted), grid->rowCount(), 0, 1, 4);
    WantedLeftEdit = addRow(grid, QString(), text.wantedLeft);
    WantedTopEdit = addRow(grid, QString(), text.wantedTop);

    ResultLabel = new QLabel;
    ResultLabel->setWordWrap(true);
    ResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Room for the longest refusal, so that it never pushes the buttons away.
    ResultLabel->setMinimumHeight(platform::scaled(92));
    ResultLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    SaveButton = new QPushButton(text.save);
    SaveButton->setDefault(true);
    CancelButton = new QPushButton(text.cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SaveButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(IntroLabel);
    layout->addSpacing(platform::scaled(8));
    layout->addLayout(grid);
    layout->addWidget(ResultLabel);
    layout->addLayout(buttons);
    // A message longer than the room still shows whole: the window grows.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    setMinimumWidth(platform::scaled(640));
}

bool TCalibrationForm::execFor(
    const QString& printerName, const CalibrationPage& page, QPointF preferredCornerMm)
{
    m_printerName = printerName;
    m_page = page;
    IntroLabel->setText(texts().intro.arg(printerName));
    for (QLineEdit* edit : { AcrossEdit, DownEdit, CornerLeftEdit, CornerTopEdit })
        edit->clear();
    const std::optional<PrinterCalibration> stored = storedCalibration(printerName);
    const QPointF corner = stored ? stored->cornerMm : suggestedCornerMm(page, preferredCornerMm);
    WantedLeftEdit->setText(millimetresText(corner.x()));
    WantedTopEdit->setText(millimetresText(corner.y()));
    measurementsChanged();
    AcrossEdit->setFocus();
    return exec() == QDialog::Accepted;
}

Measurements TCalibrationForm::measurements() const
{
    return { AcrossEdit->text(), DownEdit->text(), CornerLeftEdit->text(), CornerTopEdit->text(),
        WantedLeftEdit->text(), WantedTopEdit->text() };
}

QLineEdit* TCalibrationForm::editFor(MeasurementField field) const
{
    switch (field) {
    case MeasurementField::Across:
        return AcrossEdit;
    case MeasurementField::Down:
        return DownEdit;
    case MeasurementField::CornerLeft:
        return CornerLeftEdit;
    case MeasurementField::CornerTop:
        return CornerTopEdit;
    case MeasurementField::WantedLeft:
        return WantedLeftEdit;
    case MeasurementField::WantedTop:
        break;
    }
    return WantedTopEdit;
}

void TCalibrationForm::showResult(const QString& text, bool problem)
{
    ResultLabel->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
    ResultLabel->setText(text);
}

// While typing, the result shows as soon as the input makes sense; a half
// typed number is no reason for a warning yet.
void TCalibrationForm::measurementsChanged()
{
    const CalibrationResult result = calibrationFromMeasurements(m_page, measurements());
    if (result.calibration)
        showResult(texts().result.arg(calibrationSummary(*result.calibration)), false);
    else
        showResult(texts().hint, false);
}

void TCalibrationForm::SaveButtonClick()
{
    const CalibrationResult result = calibrationFromMeasurements(m_page, measurements());
    if (!result.calibration) {
        showResult(platform::errorReportText(result.problem), true);
        QLineEdit* edit = editFor(result.field);
        edit->setFocus();
        edit->selectAll();
        return;
    }
    storeCalibration(m_printerName, *result.calibration);
    accept();
}

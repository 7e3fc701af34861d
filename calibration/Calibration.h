#pragma once

#include "calibration/CalibrationPage.h"
#include "calibration/PrinterCalibration.h"

#include <QDialog>
#include <QPointF>

class QLabel;
class QLineEdit;
class QPushButton;

// The calibration window: the user types what the ruler showed on the
// calibration page, sees what the printer makes of a length, and saves the
// calibration for that printer. Input no printer can produce is refused with
// a message beside the fields, and nothing is saved.
class TCalibrationForm : public QDialog
{
    Q_OBJECT

public:
    explicit TCalibrationForm(QWidget* parent = nullptr);

    // Shows the window modally for the page just printed on the named
    // printer. The layout's corner is suggested where the printer's stored
    // calibration puts it, otherwise at preferredCornerMm as far as the
    // printer can print there (see suggestedCornerMm). Returns true when a
    // calibration was saved.
    bool execFor(
        const QString& printerName, const CalibrationPage& page, QPointF preferredCornerMm);

    QLabel* IntroLabel = nullptr;
    QLineEdit* AcrossEdit = nullptr;
    QLineEdit* DownEdit = nullptr;
    QLineEdit* CornerLeftEdit = nullptr;
    QLineEdit* CornerTopEdit = nullptr;
    QLineEdit* WantedLeftEdit = nullptr;
    QLineEdit* WantedTopEdit = nullptr;
    QLabel* ResultLabel = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void createControls();
    void SaveButtonClick();
    void measurementsChanged();
    Measurements measurements() const;
    QLineEdit* editFor(MeasurementField field) const;
    void showResult(const QString& text, bool problem);

    QString m_printerName;
    CalibrationPage m_page;
};

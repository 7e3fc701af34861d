#include "calibration/Calibration.h"

#include "support/SharedState.h"
#include "support/Support.h"
#include "tests/FreshSettings.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const QString kPrinter = QStringLiteral("Office");

CalibrationPage a4Page()
{
    return *calibrationPageFor(QSizeF(210, 297), QRectF(6.35, 5.29, 197.3, 286.42));
}

} // namespace

class CalibrationFormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        ProgNam = QStringLiteral("qzLayer");
    }

    void init()
    {
        clearProgramSettings();
        sLanguage.clear();
    }

    void texts_followTheUserLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("English") << "ENU"
                                 << QStringList { "qzLayer - Calibrate Printer", "Save", "Cancel",
                                        "The calibration page has gone to the printer \"Office\". "
                                        "Measure it with a ruler and type what you measured, in "
                                        "millimetres.",
                                        "Type the four measurements A, B, C and D.", "6.4" };
        QTest::newRow("Dutch") << "NLD"
                               << QStringList { "qzLayer - Printer kalibreren", "Bewaren",
                                      "Annuleren",
                                      "De kalibratiepagina is naar de printer \"Office\" "
                                      "gestuurd. Meet hem met een liniaal en typ wat u meet, in "
                                      "millimeters.",
                                      "Typ de vier maten A, B, C en D.", "6,4" };
    }
    void texts_followTheUserLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, texts);
        sLanguage = language;
        TCalibrationForm form;
        QStringList shown;
        runWhileOpen(form, [&] {
            shown = QStringList { form.windowTitle(), form.SaveButton->text(),
                form.CancelButton->text(), form.IntroLabel->text(), form.ResultLabel->text(),
                form.WantedLeftEdit->text() };
            form.reject();
        });
        QCOMPARE(shown, texts);
    }

    void measurements_showTheResult_andSaveStoresIt()
    {
        TCalibrationForm form;
        QString whileTyping;
        const bool saved = runWhileOpen(form, [&] {
            QTest::keyClicks(form.AcrossEdit, QStringLiteral("177.3"));
            QTest::keyClicks(form.DownEdit, QStringLiteral("263,1"));
            QTest::keyClicks(form.CornerLeftEdit, QStringLiteral("7.65"));
            whileTyping = form.ResultLabel->text(); // D is still missing
            QTest::keyClicks(form.CornerTopEdit, QStringLiteral("4.4"));
            QTest::mouseClick(form.SaveButton, Qt::LeftButton);
        });
        QCOMPARE(whileTyping, QStringLiteral("Type the four measurements A, B, C and D."));
        QVERIFY(saved);
        QCOMPARE(form.ResultLabel->text(),
            QStringLiteral("The printer prints across 98.5 %, down 101.2 %. Save to print at true "
                           "size from now on."));
        const std::optional<PrinterCalibration> stored = storedCalibration(kPrinter);
        QVERIFY(stored);
        QCOMPARE(stored->cornerMm, QPointF(6.4, 5.3)); // as suggested: out of the margins
        QVERIFY(std::abs(stored->landsAt(a4Page().cornerMm).x() - 7.65) < 1e-9);
    }

    void impossibleInput_isRefusedBesideTheFields_andNothingIsStored()
    {
        TCalibrationForm form;
        bool openAfterSave = false;
        QString message;
        QWidget* focused = nullptr;
        const bool saved = runWhileOpen(form, [&] {
            QTest::keyClicks(form.AcrossEdit, QStringLiteral("177.3"));
            QTest::keyClicks(form.DownEdit, QStringLiteral("263.1"));
            QTest::keyClicks(form.CornerLeftEdit, QStringLiteral("-1"));
            QTest::keyClicks(form.CornerTopEdit, QStringLiteral("4.4"));
            QTest::mouseClick(form.SaveButton, Qt::LeftButton);
            openAfterSave = form.isVisible();
            message = form.ResultLabel->text();
            focused = form.focusWidget();
            QTest::mouseClick(form.CancelButton, Qt::LeftButton);
        });
        QVERIFY(openAfterSave);
        QCOMPARE(message, QStringLiteral("Distance C cannot be negative."));
        QCOMPARE(focused, form.CornerLeftEdit);
        QVERIFY(!saved);
        QVERIFY(!storedCalibration(kPrinter));
    }

    void wantedCorner_isSuggestedFromThePrintersCalibration()
    {
        PrinterCalibration calibration;
        calibration.cornerMm = QPointF(5.5, 3);
        storeCalibration(kPrinter, calibration);
        TCalibrationForm form;
        QStringList suggested;
        const auto read = [&] {
            suggested << form.WantedLeftEdit->text() << form.WantedTopEdit->text()
                      << form.AcrossEdit->text();
            form.reject();
        };
        runWhileOpen(form, read);
        // Another printer gets the suggestion, 4 mm from the edges but out of
        // the page's margins of 6.35 and 5.29 mm, and measurements typed
        // before are not offered again.
        runWhileOpen(form, read, QStringLiteral("Photo"));
        QCOMPARE(suggested, QStringList({ "5.5", "3.0", "", "6.4", "5.3", "" }));
    }

private:
    // Opens the window for a freshly printed A4 page and runs `act` once it
    // is shown; returns what execFor returned.
    static bool runWhileOpen(
        TCalibrationForm& form, const std::function<void()>& act, const QString& printer = kPrinter)
    {
        QTimer::singleShot(0, &form, act);
        return form.execFor(printer, a4Page(), QPointF(4, 4));
    }
};

QTEST_MAIN(CalibrationFormTest)
#include "tst_calibration.moc"

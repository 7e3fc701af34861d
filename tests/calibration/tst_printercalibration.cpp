#include "calibration/PrinterCalibration.h"

#include "platform/Settings.h"
#include "support/Support.h"
#include "tests/FreshSettings.h"

#include <QStandardPaths>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(MeasurementField)

namespace {

// An A4 page whose printable area starts 6.35 mm from the left and 5.29 mm
// from the top.
CalibrationPage a4Page()
{
    return *calibrationPageFor(QSizeF(210, 297), QRectF(6.35, 5.29, 197.3, 286.42));
}

// What a ruler shows on a page printed by a printer that scales by `scale`
// from the paper's corner and shifts by `shift`.
Measurements measuredOn(const CalibrationPage& page, QSizeF scale, QPointF shift)
{
    const auto text = [](double mm) { return QString::number(mm, 'f', 6); };
    return { text(kAcrossLineMm * scale.width()), text(kDownLineMm * scale.height()),
        text(shift.x() + scale.width() * page.cornerMm.x()),
        text(shift.y() + scale.height() * page.cornerMm.y()), QStringLiteral("4.0"),
        QStringLiteral("4,0") };
}

} // namespace

class PrinterCalibrationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        clearProgramSettings();
        sLanguage.clear();
    }

    void measurements_giveThePrintersScaleAndShift()
    {
        const CalibrationPage page = a4Page();
        const CalibrationResult result
            = calibrationFromMeasurements(page, measuredOn(page, { 0.985, 1.012 }, { 1.3, -0.9 }));
        QVERIFY2(result.calibration, qPrintable(result.problem));
        const PrinterCalibration& calibration = *result.calibration;
        QVERIFY(std::abs(calibration.scale.width() - 0.985) < 1e-6);
        QVERIFY(std::abs(calibration.scale.height() - 1.012) < 1e-6);
        // Where the printer puts any point it is asked for.
        for (const QPointF asked : { QPointF(0, 0), QPointF(6.35, 5.29), QPointF(200, 290) }) {
            const QPointF expected(1.3 + 0.985 * asked.x(), -0.9 + 1.012 * asked.y());
            QVERIFY((calibration.landsAt(asked) - expected).manhattanLength() < 1e-5);
        }
        QCOMPARE(calibration.cornerMm, QPointF(4, 4));
        QCOMPARE(calibrationSummary(calibration), QStringLiteral("across 98.5 %, down 101.2 %"));
        sLanguage = QStringLiteral("NLD");
        QCOMPARE(calibrationSummary(calibration),
            QStringLiteral("horizontaal 98,5 %, verticaal 101,2 %"));
    }

    void impossibleInput_isRefused_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("field"); // which input is changed
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("mentions");
        // Line A is printed 180 mm long, B 260 mm; the corner mark 6.35 mm from
        // the left, 5.29 mm from the top; A4 leaves the layout 6.75 mm across.
        QTest::newRow("nothing typed") << "ENU" << 0 << ""
                                       << "Type the length of line A";
        QTest::newRow("not a number") << "ENU" << 1 << "26 cm"
                                      << "\"26 cm\" is not a number";
        QTest::newRow("A 10 % short and a bit") << "ENU" << 0 << "161.9"
                                                << "Line A is printed 180 mm long, so 161.9 mm";
        QTest::newRow("B 10 % long and a bit") << "ENU" << 1 << "286.1"
                                               << "Line B is printed 260 mm long";
        QTest::newRow("A in centimetres") << "ENU" << 0 << "17.9"
                                          << "more than 10 % off";
        QTest::newRow("C negative") << "ENU" << 2 << "-0.5"
                                    << "Distance C cannot be negative";
        QTest::newRow("D negative") << "ENU" << 3 << "-1"
                                    << "Distance D cannot be negative";
        QTest::newRow("C a decimal point missed")
            << "ENU" << 2 << "64"
            << "from the left edge, so 64.0 mm is more than 10 mm";
        QTest::newRow("D far off") << "ENU" << 3 << "15.5"
                                   << "measure D again";
        QTest::newRow("wanted left negative")
            << "ENU" << 4 << "-2"
            << "The layout's distance from the left edge cannot be negative";
        QTest::newRow("layout off the paper's side") << "ENU" << 4 << "7"
                                                     << "at most 6.75 mm from the left edge";
        QTest::newRow("front inlay off the paper's foot") << "ENU" << 5 << "147"
                                                          << "at most 146.00 mm from the top edge";
        QTest::newRow("Dutch, A off") << "NLD" << 0 << "199"
                                      << "Lijn A is 180 mm lang afgedrukt, dus 199,0 mm";
        QTest::newRow("Dutch, C negative") << "NLD" << 2 << "-1"
                                           << "Afstand C kan niet negatief zijn";
    }
    void impossibleInput_isRefused()
    {
        QFETCH(QString, language);
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, mentions);
        sLanguage = language;
        const CalibrationPage page = a4Page();
        Measurements measured = measuredOn(page, { 1.0, 1.0 }, { 0, 0 });
        QString* inputs[] { &measured.across, &measured.down, &measured.cornerLeft,
            &measured.cornerTop, &measured.wantedLeft, &measured.wantedTop };
        *inputs[field] = typed;
        const CalibrationResult result = calibrationFromMeasurements(page, measured);
        QVERIFY(!result.calibration);
        QVERIFY2(result.problem.contains(mentions), qPrintable(result.problem));
        QCOMPARE(int(result.field), field);
    }

    void limitsThemselves_areAccepted()
    {
        const CalibrationPage page = a4Page();
        Measurements measured = measuredOn(page, { 1.0, 1.0 }, { 0, 0 });
        measured.across = QStringLiteral("162");
        measured.down = QStringLiteral("286 mm");
        measured.cornerLeft = QStringLiteral("0");
        measured.wantedLeft = QStringLiteral("6,75");
        measured.wantedTop = QStringLiteral("0");
        const CalibrationResult result = calibrationFromMeasurements(page, measured);
        QVERIFY2(result.calibration, qPrintable(result.problem));
    }

    void suggestedCorner_keepsTheLayoutOutOfThePrintersMargin_data()
    {
        QTest::addColumn<QSizeF>("paper");
        QTest::addColumn<QPointF>("printable");
        QTest::addColumn<QPointF>("suggested");
        const QSizeF a4(210, 297);
        QTest::newRow("margins narrower than 4 mm") << a4 << QPointF(3.2, 2.5) << QPointF(4, 4);
        // 6.35 shown as 6.3 would lie in the margin.
        QTest::newRow("wider margins, rounded out of them")
            << a4 << QPointF(6.35, 5.29) << QPointF(6.4, 5.3);
        QTest::newRow("one axis only") << a4 << QPointF(4.23, 3) << QPointF(4.3, 4);
        QTest::newRow("a whole tenth stays") << a4 << QPointF(5, 4.1) << QPointF(5, 4.1);
        // A4 leaves 6.75 mm beside the layout: farther in it would not fit.
        QTest::newRow("margin wider than the paper leaves")
            << a4 << QPointF(8, 8) << QPointF(6.7, 8);
        QTest::newRow("letter") << QSizeF(215.9, 279.4) << QPointF(6.35, 4.23) << QPointF(6.4, 4.3);
    }
    void suggestedCorner_keepsTheLayoutOutOfThePrintersMargin()
    {
        QFETCH(QSizeF, paper);
        QFETCH(QPointF, printable);
        QFETCH(QPointF, suggested);
        const std::optional<CalibrationPage> page = calibrationPageFor(
            paper, QRectF(printable, paper - QSizeF(2 * printable.x(), 2 * printable.y())));
        QVERIFY(page);
        const QPointF corner = suggestedCornerMm(*page, QPointF(4, 4));
        QVERIFY2(std::abs(corner.x() - suggested.x()) < 1e-9
                && std::abs(corner.y() - suggested.y()) < 1e-9,
            qPrintable(QStringLiteral("%1, %2").arg(corner.x()).arg(corner.y())));
        // As the window shows it, the suggestion is taken.
        Measurements measured = measuredOn(*page, { 1.0, 1.0 }, { 0, 0 });
        measured.wantedLeft = millimetresText(corner.x());
        measured.wantedTop = millimetresText(corner.y());
        const CalibrationResult result = calibrationFromMeasurements(*page, measured);
        QVERIFY2(result.calibration, qPrintable(result.problem));
    }

    void millimetres_readAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("mm"); // NaN: not a number
        const double none = std::nan("");
        QTest::newRow("point") << "179.5" << 179.5;
        QTest::newRow("comma") << "179,5" << 179.5;
        QTest::newRow("with unit and spaces") << " 179.5 mm " << 179.5;
        QTest::newRow("unit in capitals") << "4MM" << 4.0;
        QTest::newRow("negative") << "-0.5" << -0.5;
        QTest::newRow("empty") << "" << none;
        QTest::newRow("words") << "abc" << none;
        QTest::newRow("two separators") << "1.2.3" << none;
        QTest::newRow("thousands") << "1,000.5" << none;
        QTest::newRow("infinite") << "inf" << none;
        QTest::newRow("not a number") << "nan" << none;
    }
    void millimetres_readAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(double, mm);
        const std::optional<double> read = parseMillimetres(typed);
        QCOMPARE(read.has_value(), !std::isnan(mm));
        if (read)
            QCOMPARE(*read, mm);
    }

    void printers_keepTheirOwnCalibrations()
    {
        const QStringList names { QStringLiteral("Office"), QStringLiteral("office/2nd floor"),
            QStringLiteral("\\\\server\\Laser Jet"), QStringLiteral("Photo;corner=9") };
        for (int i = 0; i < names.size(); ++i) {
            PrinterCalibration calibration;
            calibration.scale = QSizeF(0.95 + i * 0.01, 1.05 - i * 0.01);
            calibration.shiftMm = QPointF(i * 0.5, -i * 0.25);
            calibration.cornerMm = QPointF(4 + i, 3.5);
            storeCalibration(names[i], calibration);
        }
        for (int i = 0; i < names.size(); ++i) {
            const std::optional<PrinterCalibration> stored = storedCalibration(names[i]);
            QVERIFY2(stored, qPrintable(names[i]));
            QCOMPARE(stored->scale, QSizeF(0.95 + i * 0.01, 1.05 - i * 0.01));
            QCOMPARE(stored->shiftMm, QPointF(i * 0.5, -i * 0.25));
            QCOMPARE(stored->cornerMm, QPointF(4 + i, 3.5));
        }
        QVERIFY(!storedCalibration(QStringLiteral("Never Calibrated")));
        QVERIFY(!storedCalibration(QString()));

        // Reset forgets one printer's calibration and no other.
        forgetCalibration(names[1]);
        QVERIFY(!storedCalibration(names[1]));
        QVERIFY(storedCalibration(names[0]));
        QVERIFY(storedCalibration(names[2]));
    }

    void unreadableStoredCalibration_readsAsNotCalibrated_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << "";
        QTest::newRow("words") << "calibrated";
        QTest::newRow("a value missing")
            << "scaleAcross=1;scaleDown=1;shiftLeft=0;shiftTop=0;cornerLeft=4";
        QTest::newRow("not a number")
            << "scaleAcross=x;scaleDown=1;shiftLeft=0;shiftTop=0;cornerLeft=4;cornerTop=4";
        QTest::newRow("scale no printer has")
            << "scaleAcross=2;scaleDown=1;shiftLeft=0;shiftTop=0;cornerLeft=4;cornerTop=4";
        QTest::newRow("corner off the paper")
            << "scaleAcross=1;scaleDown=1;shiftLeft=0;shiftTop=0;cornerLeft=-4;cornerTop=4";
    }
    void unreadableStoredCalibration_readsAsNotCalibrated()
    {
        QFETCH(QString, stored);
        platform::Settings::writeString(QStringLiteral("PrintCalibration_Office"), stored);
        QVERIFY(!storedCalibration(QStringLiteral("Office")));
    }
};

QTEST_GUILESS_MAIN(PrinterCalibrationTest)
#include "tst_printercalibration.moc"

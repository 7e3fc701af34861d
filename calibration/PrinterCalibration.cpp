#include "calibration/PrinterCalibration.h"

#include "inlay/LayoutSheet.h"
#include "platform/Settings.h"
#include "support/Language.h"
#include "support/Support.h"

#include <QHash>
#include <QLocale>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

// A printer that is off by more than this has been measured wrongly.
constexpr double kMostLengthError = 0.10;
constexpr double kMostCornerErrorMm = 10.0;
constexpr double kSheetPixelMm = 0.25;
constexpr double kLayoutWidthMm = sheet::kLayoutSize.width() * kSheetPixelMm;
constexpr double kFrontInlayHeightMm = sheet::kFrontPart.height() * kSheetPixelMm;

const QString kSettingPrefix = QStringLiteral("PrintCalibration_");

struct CalibrationTexts
{
    QString across; // what each input is called in a message
    QString down;
    QString cornerLeft;
    QString cornerTop;
    QString wantedLeft;
    QString wantedTop;
    QString typeNumber; // %1: the input
    QString notANumber; // %1: the input, %2: what was typed
    QString lengthOff; // %1: line, %2: printed length, %3: measured, %4: last number
    QString negative; // %1: the input
    QString cornerLeftOff; // %1: printed at, %2: measured
    QString cornerTopOff;
    QString wantedLeftTooFar; // %1: layout width, %2: most
    QString wantedTopTooFar; // %1: front inlay height, %2: most
    QString summary; // %1: across, %2: down
};

const CalibrationTexts& texts()
{
    static const CalibrationTexts dutchTexts {
        QStringLiteral("de lengte van lijn A"),
        QStringLiteral("de lengte van lijn B"),
        QStringLiteral("afstand C"),
        QStringLiteral("afstand D"),
        QStringLiteral("de afstand van de layout tot de linkerrand"),
        QStringLiteral("de afstand van de layout tot de bovenrand"),
        QStringLiteral("Typ %1 in millimeters"),
        QStringLiteral("Typ %1 in millimeters: \"%2\" is geen getal"),
        QStringLiteral("Lijn %1 is %2 mm lang afgedrukt, dus %3 mm wijkt meer dan 10 % af: meet "
                       "opnieuw van de 0 tot de %4"),
        QStringLiteral("%1 kan niet negatief zijn"),
        QStringLiteral("De hoekmarkering is %1 mm van de linkerrand afgedrukt, dus %2 mm ligt er "
                       "meer dan 10 mm naast: meet C opnieuw, van de linkerrand van het papier "
                       "tot de staande lijn van de hoekmarkering"),
        QStringLiteral("De hoekmarkering is %1 mm van de bovenrand afgedrukt, dus %2 mm ligt er "
                       "meer dan 10 mm naast: meet D opnieuw, van de bovenrand van het papier tot "
                       "de liggende lijn van de hoekmarkering"),
        QStringLiteral("De layout is %1 mm breed: op dit papier kan de hoek hooguit %2 mm van de "
                       "linkerrand liggen"),
        QStringLiteral("De voorkant is %1 mm hoog: op dit papier kan de hoek van de layout "
                       "hooguit %2 mm van de bovenrand liggen"),
        QStringLiteral("horizontaal %1 %, verticaal %2 %"),
    };
    static const CalibrationTexts englishTexts {
        QStringLiteral("the length of line A"),
        QStringLiteral("the length of line B"),
        QStringLiteral("distance C"),
        QStringLiteral("distance D"),
        QStringLiteral("the layout's distance from the left edge"),
        QStringLiteral("the layout's distance from the top edge"),
        QStringLiteral("Type %1 in millimetres"),
        QStringLiteral("Type %1 in millimetres: \"%2\" is not a number"),
        QStringLiteral("Line %1 is printed %2 mm long, so %3 mm is more than 10 % off: measure "
                       "it again from its 0 to its %4"),
        QStringLiteral("%1 cannot be negative"),
        QStringLiteral("The corner mark is printed %1 mm from the left edge, so %2 mm is more "
                       "than 10 mm away from it: measure C again, from the left edge of the paper "
                       "to the upright line of the corner mark"),
        QStringLiteral("The corner mark is printed %1 mm from the top edge, so %2 mm is more than "
                       "10 mm away from it: measure D again, from the top edge of the paper to "
                       "the level line of the corner mark"),
        QStringLiteral("The layout is %1 mm wide: on this paper its corner can be at most %2 mm "
                       "from the left edge"),
        QStringLiteral("The front inlay is %1 mm high: on this paper the layout's corner can be "
                       "at most %2 mm from the top edge"),
        QStringLiteral("across %1 %, down %2 %"),
    };
    return isDutch() ? dutchTexts : englishTexts;
}

QString fieldName(MeasurementField field)
{
    const CalibrationTexts& text = texts();
    switch (field) {
    case MeasurementField::Across:
        return text.across;
    case MeasurementField::Down:
        return text.down;
    case MeasurementField::CornerLeft:
        return text.cornerLeft;
    case MeasurementField::CornerTop:
        return text.cornerTop;
    case MeasurementField::WantedLeft:
        return text.wantedLeft;
    case MeasurementField::WantedTop:
        break;
    }
    return text.wantedTop;
}

QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString decimalText(double value, int decimals)
{
    QLocale locale = isDutch() ? QLocale(QLocale::Dutch, QLocale::Netherlands) : QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

CalibrationResult refused(MeasurementField field, const QString& problem)
{
    return { std::nullopt, problem, field };
}

// The numbers, in the order of the fields; the first that cannot be read is
// refused.
struct Numbers
{
    double across = 0;
    double down = 0;
    double cornerLeft = 0;
    double cornerTop = 0;
    double wantedLeft = 0;
    double wantedTop = 0;
};

std::optional<CalibrationResult> readNumbers(const Measurements& measured, Numbers& numbers)
{
    const struct
    {
        const QString& text;
        double& number;
        MeasurementField field;
    } inputs[] {
        { measured.across, numbers.across, MeasurementField::Across },
        { measured.down, numbers.down, MeasurementField::Down },
        { measured.cornerLeft, numbers.cornerLeft, MeasurementField::CornerLeft },
        { measured.cornerTop, numbers.cornerTop, MeasurementField::CornerTop },
        { measured.wantedLeft, numbers.wantedLeft, MeasurementField::WantedLeft },
        { measured.wantedTop, numbers.wantedTop, MeasurementField::WantedTop },
    };
    for (const auto& input : inputs) {
        const std::optional<double> number = parseMillimetres(input.text);
        if (number) {
            input.number = *number;
            continue;
        }
        const QString typed = input.text.trimmed();
        return refused(input.field,
            typed.isEmpty() ? texts().typeNumber.arg(fieldName(input.field))
                            : texts().notANumber.arg(fieldName(input.field), typed));
    }
    return std::nullopt;
}

std::optional<CalibrationResult> checkLength(
    MeasurementField field, const QString& line, double printed, double measured)
{
    if (std::abs(measured - printed) <= printed * kMostLengthError)
        return std::nullopt;
    const int lastNumber = int(std::lround(printed / 10.0));
    return refused(field,
        texts()
            .lengthOff.arg(line, decimalText(printed, 0), decimalText(measured, 1))
            .arg(lastNumber));
}

std::optional<CalibrationResult> checkCorner(
    MeasurementField field, double printed, double measured, const QString& problem)
{
    if (measured < 0)
        return refused(field, capitalised(texts().negative.arg(fieldName(field))));
    if (std::abs(measured - printed) > kMostCornerErrorMm)
        return refused(field, problem.arg(decimalText(printed, 1), decimalText(measured, 1)));
    return std::nullopt;
}

std::optional<CalibrationResult> checkWanted(
    MeasurementField field, double wanted, double most, const QString& problem, double size)
{
    if (wanted < 0)
        return refused(field, capitalised(texts().negative.arg(fieldName(field))));
    if (wanted > most + 1e-9)
        return refused(field, problem.arg(decimalText(size, 2), decimalText(most, 2)));
    return std::nullopt;
}

std::optional<CalibrationResult> firstProblem(const CalibrationPage& page, const Numbers& number)
{
    const CalibrationTexts& text = texts();
    const std::optional<CalibrationResult> problems[] {
        checkLength(MeasurementField::Across, QStringLiteral("A"), kAcrossLineMm, number.across),
        checkLength(MeasurementField::Down, QStringLiteral("B"), kDownLineMm, number.down),
        checkCorner(
            MeasurementField::CornerLeft, page.cornerMm.x(), number.cornerLeft, text.cornerLeftOff),
        checkCorner(
            MeasurementField::CornerTop, page.cornerMm.y(), number.cornerTop, text.cornerTopOff),
        checkWanted(MeasurementField::WantedLeft, number.wantedLeft,
            page.paperMm.width() - kLayoutWidthMm, text.wantedLeftTooFar, kLayoutWidthMm),
        checkWanted(MeasurementField::WantedTop, number.wantedTop,
            page.paperMm.height() - kFrontInlayHeightMm, text.wantedTopTooFar, kFrontInlayHeightMm),
    };
    for (const std::optional<CalibrationResult>& problem : problems)
        if (problem)
            return problem;
    return std::nullopt;
}

QString settingName(const QString& printerName)
{
    // Printer names may hold characters the settings store reads as a path.
    return kSettingPrefix + QString::fromLatin1(QUrl::toPercentEncoding(printerName));
}

QString storedText(const PrinterCalibration& calibration)
{
    const auto field = [](const char* name, double value) -> QString {
        return QLatin1String(name) + QLatin1Char('=') + QString::number(value, 'g', 12);
    };
    return QStringList { field("scaleAcross", calibration.scale.width()),
        field("scaleDown", calibration.scale.height()), field("shiftLeft", calibration.shiftMm.x()),
        field("shiftTop", calibration.shiftMm.y()), field("cornerLeft", calibration.cornerMm.x()),
        field("cornerTop", calibration.cornerMm.y()) }
        .join(QLatin1Char(';'));
}

std::optional<PrinterCalibration> fromStoredText(const QString& text)
{
    QHash<QString, double> values;
    for (const QString& field : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype equals = field.indexOf(QLatin1Char('='));
        bool ok = false;
        const double value = field.mid(equals + 1).toDouble(&ok);
        if (equals <= 0 || !ok || !std::isfinite(value))
            return std::nullopt;
        values.insert(field.left(equals).trimmed(), value);
    }
    for (const char* name :
        { "scaleAcross", "scaleDown", "shiftLeft", "shiftTop", "cornerLeft", "cornerTop" })
        if (!values.contains(QLatin1String(name)))
            return std::nullopt;
    PrinterCalibration calibration;
    calibration.scale = { values.value(QStringLiteral("scaleAcross")),
        values.value(QStringLiteral("scaleDown")) };
    calibration.shiftMm
        = { values.value(QStringLiteral("shiftLeft")), values.value(QStringLiteral("shiftTop")) };
    calibration.cornerMm
        = { values.value(QStringLiteral("cornerLeft")), values.value(QStringLiteral("cornerTop")) };
    // Only what a measurement can give: anything else was not written by us.
    const auto plausibleScale
        = [](double scale) { return std::abs(scale - 1.0) <= kMostLengthError + 1e-9; };
    if (!plausibleScale(calibration.scale.width()) || !plausibleScale(calibration.scale.height())
        || calibration.cornerMm.x() < 0 || calibration.cornerMm.y() < 0)
        return std::nullopt;
    return calibration;
}

} // namespace

QPointF PrinterCalibration::landsAt(QPointF askedMm) const
{
    return { shiftMm.x() + scale.width() * askedMm.x(),
        shiftMm.y() + scale.height() * askedMm.y() };
}

CalibrationResult calibrationFromMeasurements(
    const CalibrationPage& page, const Measurements& measured)
{
    Numbers number;
    if (std::optional<CalibrationResult> unreadable = readNumbers(measured, number))
        return *unreadable;
    if (std::optional<CalibrationResult> problem = firstProblem(page, number))
        return *problem;
    // A length printed `printed` long came out `measured` long; the mark
    // asked for at the printable corner landed where it was measured.
    PrinterCalibration calibration;
    calibration.scale = { number.across / kAcrossLineMm, number.down / kDownLineMm };
    calibration.shiftMm = { number.cornerLeft - calibration.scale.width() * page.cornerMm.x(),
        number.cornerTop - calibration.scale.height() * page.cornerMm.y() };
    calibration.cornerMm = { number.wantedLeft, number.wantedTop };
    return { calibration, QString(), MeasurementField::Across };
}

std::optional<double> parseMillimetres(const QString& text)
{
    QString number = text.trimmed();
    if (number.endsWith(QLatin1String("mm"), Qt::CaseInsensitive))
        number.chop(2);
    number = number.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QPointF suggestedCornerMm(const CalibrationPage& page, QPointF preferredMm)
{
    // A printable area that starts at 6.35 mm is suggested as 6.4, not as a
    // 6.3 that lies in the margin; the farthest a layout fits is rounded in.
    constexpr double kTenths = 10.0;
    constexpr double kSlack = 1e-6;
    const auto axis = [&](double preferred, double printable, double most) {
        const double outside = std::ceil(printable * kTenths - kSlack) / kTenths;
        const double inside = std::floor(most * kTenths + kSlack) / kTenths;
        return std::max(0.0, std::min(std::max(preferred, outside), inside));
    };
    return { axis(preferredMm.x(), page.cornerMm.x(), page.paperMm.width() - kLayoutWidthMm),
        axis(preferredMm.y(), page.cornerMm.y(), page.paperMm.height() - kFrontInlayHeightMm) };
}

QString millimetresText(double mm)
{
    return decimalText(mm, 1);
}

QString calibrationSummary(const PrinterCalibration& calibration)
{
    return texts().summary.arg(decimalText(calibration.scale.width() * 100.0, 1),
        decimalText(calibration.scale.height() * 100.0, 1));
}

std::optional<PrinterCalibration> storedCalibration(const QString& printerName)
{
    if (printerName.isEmpty())
        return std::nullopt;
    return fromStoredText(platform::Settings::readString(settingName(printerName), QString()));
}

void storeCalibration(const QString& printerName, const PrinterCalibration& calibration)
{
    if (!printerName.isEmpty())
        platform::Settings::writeString(settingName(printerName), storedText(calibration));
}

void forgetCalibration(const QString& printerName)
{
    if (!printerName.isEmpty())
        platform::Settings::remove(settingName(printerName));
}

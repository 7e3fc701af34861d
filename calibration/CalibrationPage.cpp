#include "calibration/CalibrationPage.h"

#include "support/Language.h"
#include "support/Support.h"

#include <QFont>
#include <QPainter>

namespace {

constexpr double kLineWidthMm = 0.2;
constexpr double kTickWidthMm = 0.12;
constexpr double kMarkWidthMm = 0.15;
constexpr double kMarkLegMm = 10.0;
constexpr double kCentimetreTickMm = 5.0;
constexpr double kHalfTickMm = 3.5;
constexpr double kMillimetreTickMm = 2.0;
constexpr double kNumberHeightMm = 2.5;
// Room around the L inside the printable area, and the room line B's
// numbers take right of it.
constexpr double kEdgeRoomMm = 1.5;
constexpr double kDownNumbersMm = kCentimetreTickMm + 1 + 4;
// Fonts are set in pixels of this size and scaled to their height in mm, so
// that text keeps its proportions at any size and on any device.
constexpr int kFontPixels = 100;

struct PageTexts
{
    QString title;
    QString printer; // %1: the printer's name
    QString intro;
    QString across; // %1: printed length
    QString down; // %1: printed length
    QString cornerLeft;
    QString cornerTop;
    QString corner;
};

const PageTexts& texts()
{
    static const PageTexts dutch {
        QStringLiteral("Printerkalibratie"),
        QStringLiteral("Printer \"%1\", zonder kalibratie afgedrukt"),
        QStringLiteral("Meet deze pagina met een goede liniaal, in millimeters, en typ de vier "
                       "getallen in het kalibratievenster van qzLayer. Daarna drukt qzLayer de "
                       "inlay op deze printer op ware grootte af."),
        QStringLiteral("De lengte van lijn A, de horizontale lijn, van de 0 tot de 18. Hij is "
                       "%1 mm lang afgedrukt."),
        QStringLiteral("De lengte van lijn B, de verticale lijn, van de 0 tot de 26. Hij is %1 mm "
                       "lang afgedrukt."),
        QStringLiteral("De afstand van de linkerrand van het papier tot de staande lijn van de "
                       "hoekmarkering, linksboven."),
        QStringLiteral("De afstand van de bovenrand van het papier tot de liggende lijn van de "
                       "hoekmarkering."),
        QStringLiteral("De hoekmarkering laat zien waar de hoek van de layout zonder kalibratie "
                       "terechtkomt. Meet de lijnen in hun geheel, niet per centimeter: zo wordt "
                       "de kalibratie het nauwkeurigst."),
    };
    static const PageTexts english {
        QStringLiteral("Printer calibration"),
        QStringLiteral("Printer \"%1\", printed without calibration"),
        QStringLiteral("Measure this page with a good ruler, in millimetres, and type the four "
                       "numbers in qzLayer's calibration window. qzLayer then prints the inlay at "
                       "true size on this printer."),
        QStringLiteral("The length of line A, the line across, from its 0 to its 18. It is printed "
                       "%1 mm long."),
        QStringLiteral("The length of line B, the line down, from its 0 to its 26. It is printed "
                       "%1 mm long."),
        QStringLiteral("The distance from the left edge of the paper to the upright line of the "
                       "corner mark, top left."),
        QStringLiteral("The distance from the top edge of the paper to the level line of the "
                       "corner mark."),
        QStringLiteral("The corner mark shows where the corner of the layout lands without "
                       "calibration. Measure each line as a whole, not centimetre by centimetre: "
                       "that makes the calibration most exact."),
    };
    return isDutch() ? dutch : english;
}

QFont pageFont(bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kFontPixels);
    font.setBold(bold);
    // Unhinted glyphs keep their proportions when the page is scaled to paper.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Paints text `heightMm` high into the box with the alignment flags and
// returns the height it took, in mm.
double paintText(QPainter& painter, const QRectF& boxMm, double heightMm, const QString& text,
    int flags, bool bold = false)
{
    const double mmPerUnit = heightMm / kFontPixels;
    painter.save();
    painter.translate(boxMm.topLeft());
    painter.scale(mmPerUnit, mmPerUnit);
    painter.setFont(pageFont(bold));
    QRectF used;
    painter.drawText(
        QRectF(0, 0, boxMm.width() / mmPerUnit, boxMm.height() / mmPerUnit), flags, text, &used);
    painter.restore();
    return used.height() * mmPerUnit;
}

double tickLength(int millimetre)
{
    if (millimetre % 10 == 0)
        return kCentimetreTickMm;
    return millimetre % 5 == 0 ? kHalfTickMm : kMillimetreTickMm;
}

// Line A with its ticks upwards and its centimetres numbered above them.
void paintAcrossLine(QPainter& painter, QPointF start)
{
    painter.fillRect(QRectF(start.x() - kLineWidthMm / 2, start.y() - kLineWidthMm / 2,
                         kAcrossLineMm + kLineWidthMm, kLineWidthMm),
        Qt::black);
    for (int mm = 0; mm <= int(kAcrossLineMm); ++mm) {
        const double x = start.x() + mm;
        const double length = tickLength(mm);
        painter.fillRect(
            QRectF(x - kTickWidthMm / 2, start.y() - length, kTickWidthMm, length), Qt::black);
        if (mm % 10 != 0)
            continue;
        const double numberTop = start.y() - kCentimetreTickMm - 1 - 2 * kNumberHeightMm;
        // The last number stays clear of line B, which ends on its tick.
        const bool last = mm == int(kAcrossLineMm);
        const QRectF box(last ? x - 10.6 : x - 5, numberTop, 10, 2 * kNumberHeightMm);
        paintText(painter, box, kNumberHeightMm, QString::number(mm / 10),
            (last ? Qt::AlignRight : Qt::AlignHCenter) | Qt::AlignBottom);
    }
}

// Line B with its ticks to the right and its centimetres numbered right of
// them, clear of line A, which ends on its last tick.
void paintDownLine(QPainter& painter, QPointF start)
{
    painter.fillRect(QRectF(start.x() - kLineWidthMm / 2, start.y() - kLineWidthMm / 2,
                         kLineWidthMm, kDownLineMm + kLineWidthMm),
        Qt::black);
    for (int mm = 0; mm <= int(kDownLineMm); ++mm) {
        const double y = start.y() + mm;
        const double length = tickLength(mm);
        painter.fillRect(QRectF(start.x(), y - kTickWidthMm / 2, length, kTickWidthMm), Qt::black);
        if (mm % 10 == 0) {
            const QRectF box(
                start.x() + kCentimetreTickMm + 1, y - kNumberHeightMm, 10, 2 * kNumberHeightMm);
            paintText(painter, box, kNumberHeightMm, QString::number(mm / 10),
                Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
}

// Two legs from the corner, right and down, their outer edges on the corner
// itself, as the layout's first row and column of pixels lie.
void paintCornerMark(QPainter& painter, QPointF corner)
{
    painter.fillRect(QRectF(corner.x(), corner.y(), kMarkLegMm, kMarkWidthMm), Qt::black);
    painter.fillRect(QRectF(corner.x(), corner.y(), kMarkWidthMm, kMarkLegMm), Qt::black);
    paintText(painter, QRectF(corner.x() + 1.2, corner.y() + 6, 4, 4), 3, QStringLiteral("C"),
        Qt::AlignLeft | Qt::AlignTop, true);
    paintText(painter, QRectF(corner.x() + 6, corner.y() + 1.2, 4, 4), 3, QStringLiteral("D"),
        Qt::AlignLeft | Qt::AlignTop, true);
}

// The title and what to measure, in the room the L leaves above and left of
// its lines.
void paintInstructions(QPainter& painter, const CalibrationPage& page, const QString& printerName)
{
    const PageTexts& text = texts();
    const QPointF corner(page.downStartMm.x(), page.acrossStartMm.y());
    const double left = page.acrossStartMm.x() + 10;
    const double right = corner.x() - 20;
    double top = std::max(page.downStartMm.y(), page.cornerMm.y() + kMarkLegMm) + 6;
    const auto paragraph = [&](double heightMm, const QString& words, bool bold, double after) {
        top += paintText(painter, QRectF(left, top, right - left, 60), heightMm, words,
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, bold)
            + after;
    };
    paragraph(7, text.title, true, 1.5);
    paragraph(4, text.printer.arg(printerName), false, 8);
    paragraph(4, text.intro, false, 6);
    const struct
    {
        const char* letter;
        QString words;
    } steps[] {
        { "A", text.across.arg(kAcrossLineMm) },
        { "B", text.down.arg(kDownLineMm) },
        { "C", text.cornerLeft },
        { "D", text.cornerTop },
    };
    for (const auto& step : steps) {
        paintText(painter, QRectF(left, top, 8, 8), 4, QLatin1String(step.letter),
            Qt::AlignLeft | Qt::AlignTop, true);
        top += paintText(painter, QRectF(left + 8, top, right - left - 8, 40), 4, step.words,
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap)
            + 4;
    }
    paragraph(4, text.corner, false, 0);

    // The lines' names, beside their numbers.
    paintText(painter,
        QRectF(page.acrossStartMm.x() + kAcrossLineMm / 2 - 10, corner.y() - 22, 20, 8), 6,
        QStringLiteral("A"), Qt::AlignHCenter | Qt::AlignBottom, true);
    paintText(painter, QRectF(corner.x() - 14, page.downStartMm.y() + kDownLineMm / 2 - 4, 8, 8), 6,
        QStringLiteral("B"), Qt::AlignRight | Qt::AlignVCenter, true);
}

} // namespace

QSizeF calibrationPageRoom()
{
    return { kAcrossLineMm + kDownNumbersMm + 2 * kEdgeRoomMm, kDownLineMm + 2 * kEdgeRoomMm };
}

std::optional<CalibrationPage> calibrationPageFor(QSizeF paperMm, const QRectF& printableMm)
{
    const QSizeF room = calibrationPageRoom();
    if (printableMm.width() < room.width() || printableMm.height() < room.height())
        return std::nullopt;
    const QSizeF size(kAcrossLineMm + kDownNumbersMm, kDownLineMm);
    const QPointF centre = printableMm.center();
    const QPointF lCorner(
        centre.x() - size.width() / 2 + kAcrossLineMm, centre.y() + size.height() / 2);
    CalibrationPage page;
    page.paperMm = paperMm;
    page.cornerMm = printableMm.topLeft();
    page.acrossStartMm = QPointF(lCorner.x() - kAcrossLineMm, lCorner.y());
    page.downStartMm = QPointF(lCorner.x(), lCorner.y() - kDownLineMm);
    return page;
}

void paintCalibrationPage(
    QPainter& painter, const CalibrationPage& page, const QString& printerName)
{
    painter.save();
    paintCornerMark(painter, page.cornerMm);
    paintAcrossLine(painter, page.acrossStartMm);
    paintDownLine(painter, page.downStartMm);
    paintInstructions(painter, page, printerName);
    painter.restore();
}

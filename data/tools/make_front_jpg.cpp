// Paints the front picture of the default project and writes it as a JPEG:
//   make_front_jpg <output.jpg>
// Run at build time; the picture is installed beside the program.

#include "platform/Picture.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>
#include <numbers>

namespace {

constexpr int kSize = 960; // twice the front square of the sheet
const QPointF kRoseCentre(480, 360);

void paintBackground(QPainter& painter)
{
    QLinearGradient dusk(0, 0, 0, kSize);
    dusk.setColorAt(0.0, QColor(38, 14, 34));
    dusk.setColorAt(0.55, QColor(92, 32, 48));
    dusk.setColorAt(1.0, QColor(186, 96, 70));
    painter.fillRect(QRect(0, 0, kSize, kSize), dusk);

    QRadialGradient glow(kRoseCentre, 420);
    glow.setColorAt(0.0, QColor(255, 196, 150, 150));
    glow.setColorAt(0.45, QColor(240, 140, 110, 60));
    glow.setColorAt(1.0, QColor(240, 140, 110, 0));
    painter.fillRect(QRect(0, 0, kSize, kSize), glow);

    QRadialGradient vignette(QPointF(kSize / 2.0, kSize / 2.0), kSize * 0.75);
    vignette.setColorAt(0.6, QColor(0, 0, 0, 0));
    vignette.setColorAt(1.0, QColor(0, 0, 0, 150));
    painter.fillRect(QRect(0, 0, kSize, kSize), vignette);
}

// One petal pointing up from the origin: length long, width wide.
QPainterPath petalPath(double length, double width)
{
    QPainterPath petal;
    petal.moveTo(0, 0);
    petal.cubicTo(-width * 0.9, -length * 0.25, -width * 0.75, -length * 0.95, 0, -length);
    petal.cubicTo(width * 0.75, -length * 0.95, width * 0.9, -length * 0.25, 0, 0);
    return petal;
}

void paintPetal(
    QPainter& painter, double angle, double length, double width, QColor base, QColor edge)
{
    painter.save();
    painter.translate(kRoseCentre);
    painter.rotate(angle);
    QRadialGradient shade(QPointF(0, 0), length);
    shade.setColorAt(0.0, base.darker(180));
    shade.setColorAt(0.55, base);
    shade.setColorAt(1.0, edge);
    painter.setBrush(shade);
    painter.setPen(QPen(base.darker(220), 1.6));
    painter.drawPath(petalPath(length, width));
    painter.restore();
}

void paintStem(QPainter& painter)
{
    QPainterPath stem;
    stem.moveTo(kRoseCentre + QPointF(6, 90));
    stem.cubicTo(QPointF(500, 520), QPointF(444, 590), QPointF(466, 672));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(46, 78, 52), 9, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(stem);

    const auto leaf = [&](QPointF base, double angle, double length) {
        painter.save();
        painter.translate(base);
        painter.rotate(angle);
        QLinearGradient green(0, 0, 0, -length);
        green.setColorAt(0.0, QColor(38, 70, 44));
        green.setColorAt(1.0, QColor(104, 150, 92));
        painter.setBrush(green);
        painter.setPen(QPen(QColor(28, 52, 34), 1.5));
        painter.drawPath(petalPath(length, length * 0.42));
        painter.setPen(QPen(QColor(150, 190, 130, 160), 1.5));
        painter.drawLine(QPointF(0, -4), QPointF(0, -length * 0.85));
        painter.restore();
    };
    leaf(QPointF(486, 560), -58, 96);
    leaf(QPointF(466, 628), 62, 84);
}

void paintRose(QPainter& painter)
{
    const QColor crimson(146, 14, 38);
    const QColor blush(226, 84, 100);
    // Layers from the outside in: each smaller, turned a little further and
    // lighter at the edge, so the bloom reads as a spiral.
    struct Layer
    {
        int petals;
        double length;
        double width;
        double turn;
    };
    const Layer layers[] = {
        { 7, 132, 78, 0 },
        { 6, 108, 64, 24 },
        { 5, 84, 52, 50 },
        { 5, 62, 40, 80 },
        { 4, 42, 30, 112 },
        { 3, 26, 20, 150 },
    };
    int index = 0;
    for (const Layer& layer : layers) {
        const QColor base = crimson.lighter(100 + index * 7);
        const QColor edge = blush.lighter(100 + index * 4);
        for (int i = 0; i < layer.petals; ++i)
            paintPetal(painter, layer.turn + i * 360.0 / layer.petals, layer.length, layer.width,
                base, edge);
        ++index;
    }

    // The bud's heart: a tight spiral.
    QPainterPath spiral;
    for (int step = 0; step <= 120; ++step) {
        const double t = step / 120.0;
        const double angle = t * 3.2 * std::numbers::pi;
        const double radius = 2 + 16 * t;
        const QPointF point = kRoseCentre + QPointF(std::cos(angle), std::sin(angle)) * radius;
        step == 0 ? spiral.moveTo(point) : spiral.lineTo(point);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(96, 10, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(spiral);
}

void paintFallingPetals(QPainter& painter)
{
    struct Fallen
    {
        QPointF place;
        double angle;
        double length;
    };
    const Fallen fallen[] = {
        { { 240, 560 }, 120, 34 },
        { { 712, 508 }, -40, 28 },
        { { 180, 300 }, 200, 22 },
        { { 790, 250 }, 70, 26 },
        { { 650, 640 }, 160, 20 },
    };
    for (const Fallen& petal : fallen) {
        painter.save();
        painter.translate(petal.place);
        painter.rotate(petal.angle);
        QLinearGradient shade(0, 0, 0, -petal.length);
        shade.setColorAt(0.0, QColor(150, 20, 46, 220));
        shade.setColorAt(1.0, QColor(244, 132, 140, 220));
        painter.setBrush(shade);
        painter.setPen(Qt::NoPen);
        painter.drawPath(petalPath(petal.length, petal.length * 0.55));
        painter.restore();
    }
}

QFont serifFont(double pixelSize, bool italic, int weight = QFont::Normal)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setFamilies({ QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif"),
        QStringLiteral("Nimbus Roman") });
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(static_cast<int>(pixelSize));
    font.setItalic(italic);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

// Draws text centred across the picture and returns its width. Letter
// spacing is added after every letter, the last one too: that part is left
// out of the centring.
double drawCentred(
    QPainter& painter, const QFont& font, double baseline, const QString& text, QColor colour)
{
    painter.setFont(font);
    const double width = QFontMetricsF(font).horizontalAdvance(text) - font.letterSpacing();
    const double left = (kSize - width) / 2;
    // A soft shadow keeps the letters clear of the bright glow.
    painter.setPen(QColor(20, 6, 16, 140));
    painter.drawText(QPointF(left + 2, baseline + 3), text);
    painter.setPen(colour);
    painter.drawText(QPointF(left, baseline), text);
    return width;
}

void paintTitle(QPainter& painter)
{
    const QColor cream(250, 236, 214);
    const QColor gold(232, 190, 120);

    QFont label = serifFont(30, false);
    label.setLetterSpacing(QFont::AbsoluteSpacing, 14);
    const double labelWidth = drawCentred(painter, label, 98, QStringLiteral("VELMORA"), gold);

    drawCentred(painter, serifFont(104, true), 796, QStringLiteral("Last Rose"), cream);
    drawCentred(painter, serifFont(56, true), 856, QStringLiteral("of Summer"), cream);

    QFont year = serifFont(26, false);
    year.setLetterSpacing(QFont::AbsoluteSpacing, 12);
    drawCentred(painter, year, 898, QStringLiteral("2002"), gold);

    // Thin rules either side of the label.
    const double gap = labelWidth / 2 + 18;
    painter.setPen(QPen(gold, 1.5));
    painter.drawLine(QPointF(kSize / 2.0 - gap - 60, 88), QPointF(kSize / 2.0 - gap, 88));
    painter.drawLine(QPointF(kSize / 2.0 + gap, 88), QPointF(kSize / 2.0 + gap + 60, 88));
}

void paintFrame(QPainter& painter)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(232, 190, 120, 170), 2));
    painter.drawRect(QRectF(28, 28, kSize - 56, kSize - 56));
    painter.setPen(QPen(QColor(232, 190, 120, 90), 1));
    painter.drawRect(QRectF(38, 38, kSize - 76, kSize - 76));
}

QImage paintFront()
{
    QImage image(kSize, kSize, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintBackground(painter);
    paintFallingPetals(painter);
    paintStem(painter);
    paintRose(painter);
    paintTitle(painter);
    paintFrame(painter);
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    QTextStream errors(stderr);
    if (argc != 2) {
        errors << "usage: make_front_jpg <output.jpg>\n";
        return 2;
    }
    try {
        const QByteArray jpeg = platform::encodeJpeg(paintFront(), 92);
        platform::decodeJpeg(jpeg); // what the program reads back
        QSaveFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size() || !file.commit()) {
            errors << "cannot write " << file.fileName() << ": " << file.errorString() << '\n';
            return 1;
        }
    } catch (const platform::UserError& error) {
        errors << error.text() << '\n';
        return 1;
    }
    return 0;
}

#include "backtext/FormatIcons.h"

#include "platform/PaintedIcon.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <functional>

namespace formaticons {

namespace {

const QColor kInk(0x30, 0x30, 0x30);

// Painted at each size a toolbar asks for, so thin lines stay sharp. The
// painter works in a 24 × 24 box.
QIcon painted(std::function<void(QPainter&)> paint)
{
    return platform::paintedIcon(24, std::move(paint));
}

QPen inkPen(qreal width)
{
    return QPen(kInk, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

} // namespace

QIcon letter(QChar character, const QFont& style)
{
    return painted([character, style](QPainter& painter) {
        QFont font = style;
        font.setPixelSize(18);
        painter.setFont(font);
        painter.setPen(kInk);
        painter.drawText(QRectF(0, 0, 24, 22), Qt::AlignCenter, QString(character));
    });
}

QIcon textColor(const QColor& color)
{
    return painted([color](QPainter& painter) {
        QFont font;
        font.setPixelSize(15);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(kInk);
        painter.drawText(QRectF(0, 0, 24, 18), Qt::AlignCenter, QStringLiteral("A"));
        painter.fillRect(QRectF(3, 18, 18, 4), color);
        painter.setPen(QPen(kInk, 0.5));
        painter.drawRect(QRectF(3, 18, 18, 4));
    });
}

QIcon alignment(Qt::Alignment alignment)
{
    return painted([alignment](QPainter& painter) {
        painter.setPen(inkPen(2));
        const std::array<qreal, 4> lengths { 18, 12, 16, 10 };
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            const qreal length = lengths[i];
            qreal left = 3;
            if (alignment & Qt::AlignHCenter)
                left = 12 - length / 2;
            else if (alignment & Qt::AlignRight)
                left = 21 - length;
            const qreal y = 5 + 4.5 * static_cast<qreal>(i);
            painter.drawLine(QPointF(left, y), QPointF(left + length, y));
        }
    });
}

QIcon turnArrow(bool forward)
{
    return painted([forward](QPainter& painter) {
        if (forward) // the redo arrow is the undo arrow mirrored
            painter.setTransform(QTransform(-1, 0, 0, 1, 24, 0), true);
        painter.setPen(inkPen(2));
        QPainterPath curve;
        curve.moveTo(6, 10);
        curve.lineTo(14, 10);
        curve.cubicTo(22, 10, 22, 20, 14, 20);
        curve.lineTo(10, 20);
        painter.drawPath(curve);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kInk);
        painter.drawPolygon(QPolygonF({ QPointF(2, 10), QPointF(8, 5), QPointF(8, 15) }));
    });
}

QIcon rightTab()
{
    return painted([](QPainter& painter) {
        painter.setPen(inkPen(2));
        painter.drawLine(QPointF(2, 7), QPointF(9, 7)); // the title of a track
        painter.drawLine(QPointF(21, 3), QPointF(21, 21)); // the right edge
        painter.drawLine(QPointF(3, 15), QPointF(15, 15));
        painter.setPen(Qt::NoPen);
        painter.setBrush(kInk);
        painter.drawPolygon(QPolygonF({ QPointF(19, 15), QPointF(13, 10), QPointF(13, 20) }));
    });
}

QIcon picture()
{
    return painted([](QPainter& painter) {
        painter.setPen(inkPen(1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(2.75, 4.75, 18.5, 14.5));
        painter.setPen(Qt::NoPen);
        painter.setBrush(kInk);
        painter.drawEllipse(QPointF(15.5, 9.5), 2, 2);
        painter.drawPolygon(QPolygonF(
            { QPointF(4, 18), QPointF(9.5, 11), QPointF(13, 15), QPointF(15, 13), QPointF(20, 18) }));
    });
}

} // namespace formaticons

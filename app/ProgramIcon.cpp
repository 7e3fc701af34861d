#include "app/ProgramIcon.h"

#include "platform/PaintedIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kOutline(0x3b, 0x4a, 0x5a);
const QColor kCase(0xdf, 0xe6, 0xee);
const QColor kSpine(0xb9, 0xc6, 0xd4);
const QColor kDisc(0xf7, 0xf7, 0xf7);
const QColor kRing(0xc3, 0x34, 0x2e, 0xd9);

} // namespace

void paintProgramIcon(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kOutline, 4));
    painter.setBrush(kCase);
    painter.drawRoundedRect(QRectF(10, 14, 108, 100), 6, 6);
    painter.setBrush(kSpine);
    painter.drawRect(QRectF(10, 14, 14, 100));

    const QPointF centre(71, 64);
    painter.setPen(QPen(kOutline, 3));
    painter.setBrush(kDisc);
    painter.drawEllipse(centre, 36, 36);
    painter.setPen(QPen(kRing, 6));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 26, 26);
    painter.setPen(QPen(kOutline, 3));
    painter.setBrush(kCase);
    painter.drawEllipse(centre, 9, 9);

    // Cut marks at the four corners, as on the layout sheet.
    QPainterPath marks;
    for (const QPointF corner :
        { QPointF(5, 5), QPointF(123, 5), QPointF(5, 123), QPointF(123, 123) }) {
        const qreal across = corner.x() < 64 ? 9 : -9;
        const qreal down = corner.y() < 64 ? 9 : -9;
        marks.moveTo(corner);
        marks.lineTo(corner + QPointF(across, 0));
        marks.moveTo(corner);
        marks.lineTo(corner + QPointF(0, down));
    }
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(marks);
}

QIcon programIcon()
{
    return platform::paintedIcon(kProgramIconBox, paintProgramIcon);
}

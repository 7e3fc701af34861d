#include "dialogs/BevelPanel.h"

#include <QPainter>
#include <qdrawutil.h>

BevelPanel::BevelPanel(const Frame& frame, QWidget* parent)
    : QWidget(parent)
    , m_frame(frame)
{
    setAutoFillBackground(true);
}

void BevelPanel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QRect rect = this->rect();
    if (m_frame.borderLine) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        rect.adjust(1, 1, -1, -1);
    }
    auto drawBevel = [&](Bevel bevel) {
        if (bevel == Bevel::None)
            return;
        qDrawShadeRect(&painter, rect, palette(), bevel == Bevel::Lowered, m_frame.bevelWidth, 0);
        const int step = m_frame.bevelWidth + m_frame.bevelGap;
        rect.adjust(step, step, -step, -step);
    };
    drawBevel(m_frame.outer);
    drawBevel(m_frame.inner);
}

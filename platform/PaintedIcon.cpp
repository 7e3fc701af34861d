#include "platform/PaintedIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace platform {

namespace {

class PaintedIconEngine : public QIconEngine
{
public:
    PaintedIconEngine(qreal boxSize, std::function<void(QPainter&)> paint)
        : m_boxSize(boxSize)
        , m_paint(std::move(paint))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.35);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / m_boxSize, rect.height() / m_boxSize);
        m_paint(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return { { 16, 16 }, { 24, 24 }, { 32, 32 }, { 48, 48 }, { 64, 64 }, { 128, 128 },
            { 256, 256 } };
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(m_boxSize, m_paint); }
    QString key() const override { return QStringLiteral("qz-painted"); }

private:
    qreal m_boxSize;
    std::function<void(QPainter&)> m_paint;
};

} // namespace

QIcon paintedIcon(qreal boxSize, std::function<void(QPainter&)> paint)
{
    return QIcon(new PaintedIconEngine(boxSize, std::move(paint)));
}

} // namespace platform

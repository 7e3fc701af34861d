#include "app/PictureBox.h"

#include "inlay/LayoutSheet.h"

#include <QPaintEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void PictureBox::setPicture(platform::Picture picture)
{
    m_picture = std::move(picture);
    m_shown = QPixmap();
    update();
}

void PictureBox::clear()
{
    setPicture(platform::Picture());
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    m_shown = QPixmap();
    QWidget::resizeEvent(event);
}

void PictureBox::paintEvent(QPaintEvent*)
{
    if (m_picture.isEmpty() || m_picture.image().isNull())
        return;
    if (m_shown.isNull() || m_shown.size() != size()) {
        m_shown = QPixmap::fromImage(
            m_picture.image().scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_shown);
}

SheetImage::SheetImage(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage& SheetImage::canvas()
{
    if (m_raster.isNull())
        m_raster = sheet::createSheet(sheet::sheetSize(size()));
    return m_raster;
}

void SheetImage::discard()
{
    m_raster = QImage();
    update();
}

void SheetImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (!m_raster.isNull())
        painter.drawImage(event->rect().topLeft(), m_raster, event->rect());
}

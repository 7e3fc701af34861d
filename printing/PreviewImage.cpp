#include "printing/PreviewImage.h"

#include <QPainter>

void PreviewImage::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void PreviewImage::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(rect(), m_picture);
}

#pragma once

#include <QImage>
#include <QWidget>

// An image control that always shows its picture stretched to its own size,
// pixel by pixel: whole rows and columns are repeated or dropped, never blended.
class PreviewImage : public QWidget
{
public:
    using QWidget::QWidget;

    const QImage& picture() const { return m_picture; }
    void setPicture(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

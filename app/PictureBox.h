#pragma once

#include "platform/Picture.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

// An image control over the layout sheet: shows its picture stretched to fill
// the box, without keeping the aspect ratio. An empty box paints nothing, so
// whatever lies beneath shows through.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    const platform::Picture& picture() const { return m_picture; }
    void setPicture(platform::Picture picture);
    void clear();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    platform::Picture m_picture;
    QPixmap m_shown; // the picture at the box's size, made when first painted
};

// The control that holds the layout sheet's raster and shows it one to one.
// The raster is kept: painting only copies it, and it changes only when
// something draws on it. Discarding it leaves the control white until the
// next drawing makes a new raster of the control's size.
class SheetImage : public QWidget
{
    Q_OBJECT

public:
    explicit SheetImage(QWidget* parent = nullptr);

    bool hasRaster() const { return !m_raster.isNull(); }
    const QImage& raster() const { return m_raster; }
    // The raster to draw on; when none exists, a white one of the control's
    // size, and never smaller than the whole layout.
    QImage& canvas();
    void discard();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_raster;
};

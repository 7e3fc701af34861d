#pragma once

#include "platform/WindowPlacement.h"
#include "printing/PreviewImage.h"

#include <QDialog>
#include <QImage>

#include <functional>

class QPushButton;
class QWidget;

// The print window: a preview of the whole layout sheet in an area with the
// proportions of an A4 page, and printing of the sheet on the default printer
// at very nearly its true size. Printing leaves the window open; each print
// is one more copy.
class TPrintForm : public QDialog
{
    Q_OBJECT

public:
    explicit TPrintForm(QWidget* parent = nullptr);

    // The layout sheet the window previews and prints: the main window's
    // raster, read each time it is needed.
    using SheetSource = std::function<QImage()>;
    void setSheetSource(SheetSource source);

    // The main window's print command: refreshes the preview, then shows the
    // window modally and returns when it is closed.
    void execPreview();

    void PrintExample();
    void PrintCover();

    // The preview picture that Image1 shows.
    const QImage& previewPicture() const;

    // The screen's pixels per inch divided by 96, fixed at creation.
    double rScreen = 1.0;

    QWidget* Panel1 = nullptr;
    QPushButton* PrintButton = nullptr;
    QPushButton* CancelButton = nullptr;
    PreviewImage* Image1 = nullptr;

    void setVisible(bool visible) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    void PrintButtonClick();
    void CancelButtonClick();

    void createControls();
    QImage currentSheet() const;

    platform::WindowPosition m_position;
    SheetSource m_sheetSource;
};

// The one print window, created at program start.
extern TPrintForm* PrintForm;

#pragma once

#include <QPalette>
#include <QPoint>
#include <QRect>

#include <memory>

class QFont;
class QImage;
class QPainter;
class QTextDocument;

namespace inlay {

// The back text as the editor showed it when its visible area became the back
// picture: a copy of the document, laid out at the editor's width, seen from
// the editor's scroll position in the editor's colours. Painted through a
// transform it gives the back picture's text at any resolution, as text.
class BackText
{
public:
    // textArea is where the editor's text area lies in the back picture, in
    // back-picture pixels; the document is laid out at its width.
    BackText(const QTextDocument& document, const QRect& textArea, QPoint scroll,
        const QPalette& palette);
    ~BackText();
    BackText(const BackText&) = delete;
    BackText& operator=(const BackText&) = delete;

    const QRect& textArea() const { return m_textArea; }

    // Paints the text area, background and text, in back-picture pixels.
    void paintTextArea(QPainter& painter) const;

private:
    std::unique_ptr<QTextDocument> m_document;
    QRect m_textArea;
    QPoint m_scroll;
    QPalette m_palette;
};

// True when painting the text over the picture and signing it gives exactly
// the signed picture, pixel for pixel: only then may the text stand in for
// the picture. Anything the editor showed besides the text (a selection, the
// cursor, a window over it) makes it false.
bool paintsExactly(const BackText& text, const QImage& signedPicture, const QFont& signatureFont);

} // namespace inlay

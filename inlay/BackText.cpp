#include "inlay/BackText.h"

#include "inlay/LayoutSheet.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

namespace inlay {

BackText::BackText(
    const QTextDocument& document, const QRect& textArea, QPoint scroll, const QPalette& palette)
    : m_document(document.clone())
    , m_textArea(textArea)
    , m_scroll(scroll)
    , m_palette(palette)
{
    m_document->setTextWidth(textArea.width());
}

BackText::~BackText() = default;

// As the editor paints its viewport: the base colour, then the document moved
// by the scroll position, without cursor or selection.
void BackText::paintTextArea(QPainter& painter) const
{
    painter.save();
    painter.setClipRect(m_textArea, Qt::IntersectClip);
    painter.fillRect(m_textArea, m_palette.brush(QPalette::Base));
    painter.translate(m_textArea.topLeft() - m_scroll);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = m_palette;
    context.clip = QRectF(m_scroll, m_textArea.size());
    m_document->documentLayout()->draw(&painter, context);
    painter.restore();
}

bool paintsExactly(const BackText& text, const QImage& signedPicture, const QFont& signatureFont)
{
    if (signedPicture.isNull())
        return false;
    QImage painted = signedPicture.convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&painted);
        text.paintTextArea(painter);
    }
    sheet::signBackPicture(painted, signatureFont);
    return painted == signedPicture.convertToFormat(QImage::Format_RGB32);
}

} // namespace inlay

#include "dialogs/MemoText.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

namespace {

constexpr QTextOption::WrapMode kMemoWrap = QTextOption::WrapAtWordBoundaryOrAnywhere;

// A memo line is one paragraph whatever it holds.
QString singleParagraph(QString line)
{
    line.remove(QChar::LineFeed);
    line.remove(QChar::CarriageReturn);
    line.remove(QChar::LineSeparator);
    line.remove(QChar::ParagraphSeparator);
    return line;
}

void fillDocument(QTextDocument* document, const QStringList& lines)
{
    document->clear();
    QTextCursor cursor(document);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(singleParagraph(lines.at(i)));
    }
}

} // namespace

QFont dialogDesignFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(10);
    return font;
}

void setUpMemo(QTextEdit* memo, const QColor& background)
{
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setAcceptRichText(false);
    memo->setLineWrapMode(QTextEdit::WidgetWidth);
    memo->setWordWrapMode(kMemoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, background);
    memo->setPalette(palette);
}

void setMemoLines(QTextEdit* memo, const QStringList& lines)
{
    fillDocument(memo->document(), lines);
}

int memoViewportWidth(const QTextEdit* memo, int memoWidth)
{
    int width = memoWidth - 2 * memo->frameWidth();
    if (memo->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
        width -= memo->style()->pixelMetric(
            QStyle::PM_ScrollBarExtent, nullptr, memo->verticalScrollBar());
    return qMax(width, 0);
}

int wrappedRowCount(const QStringList& lines, const QFont& font, int viewportWidth)
{
    if (lines.isEmpty())
        return 0;
    // Laid out exactly as a memo lays out its own document.
    QTextDocument document;
    document.setDefaultFont(font);
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(kMemoWrap);
    document.setDefaultTextOption(option);
    document.setTextWidth(viewportWidth);
    fillDocument(&document, lines);
    document.documentLayout()->documentSize(); // lays the blocks out

    int rows = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        rows += qMax(block.layout()->lineCount(), 1);
    return rows;
}

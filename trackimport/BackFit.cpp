#include "trackimport/BackFit.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace trackimport {

namespace {

int linesBelow(const QTextDocument& document, qreal bottom)
{
    int count = 0;
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!block.isVisible())
            continue;
        layout->blockBoundingRect(block); // lays the block out
        const QTextLayout* lines = block.layout();
        const qreal top = lines->position().y();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            if (top + line.y() + line.height() > bottom + 0.5)
                ++count;
        }
    }
    return count;
}

qreal pointSizeOf(const QTextCharFormat& format, const QTextDocument& document)
{
    const qreal size = format.fontPointSize();
    return size > 0 ? size : document.defaultFont().pointSizeF();
}

qreal shrunk(qreal size, qreal by, qreal smallest)
{
    return size > smallest ? std::max(smallest, size - by) : size;
}

// A run of text of one size, or a paragraph mark (length 0).
struct SizedRange
{
    int position;
    int length;
    qreal points;
};

// Taken before anything changes: changing a format may join pieces of text
// and so move those still to come.
QList<SizedRange> sizedRanges(const QTextDocument& document)
{
    QList<SizedRange> ranges;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        // The paragraph mark sets the height of an empty line.
        ranges.append({ block.position(), 0, pointSizeOf(block.charFormat(), document) });
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            ranges.append({ fragment.position(), fragment.length(),
                pointSizeOf(fragment.charFormat(), document) });
        }
    }
    return ranges;
}

// Makes every piece of text `by` points smaller, down to the smallest size;
// returns the largest size left.
qreal shrinkText(QTextDocument& document, qreal by, qreal smallest)
{
    qreal largest = 0;
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const SizedRange& range : sizedRanges(document)) {
        QTextCharFormat format;
        format.setFontPointSize(shrunk(range.points, by, smallest));
        cursor.setPosition(range.position);
        if (range.length == 0) {
            cursor.mergeBlockCharFormat(format);
            continue;
        }
        largest = std::max(largest, format.fontPointSize());
        cursor.setPosition(range.position + range.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
    return largest;
}

qreal largestPointSize(const QTextDocument& document)
{
    qreal largest = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            largest = std::max(largest, pointSizeOf(it.fragment().charFormat(), document));
    }
    return largest;
}

} // namespace

int linesBelowArea(const QTextDocument& document, const QSizeF& area)
{
    const std::unique_ptr<QTextDocument> copy(document.clone());
    copy->setTextWidth(area.width());
    return linesBelow(*copy, area.height() - copy->documentMargin());
}

FitResult fitToArea(QTextDocument& document, const QSizeF& area, qreal smallestPointSize)
{
    FitResult result;
    result.largestPointSize = largestPointSize(document);
    result.linesBelow = linesBelowArea(document, area);
    const int steps = static_cast<int>(
        std::ceil((result.largestPointSize - smallestPointSize) / kFitStep - 1e-9));
    if (result.linesBelow == 0 || steps <= 0)
        return result;

    // Tried on copies; the document itself changes once. Smaller text never
    // takes more lines, so the fewest steps that fit are found by halving,
    // after one try at the smallest size tells whether any fit at all.
    const auto tryShrinking = [&](int count) {
        const std::unique_ptr<QTextDocument> trial(document.clone());
        trial->setUndoRedoEnabled(false);
        FitResult tried;
        tried.largestPointSize = shrinkText(*trial, count * kFitStep, smallestPointSize);
        tried.linesBelow = linesBelowArea(*trial, area);
        return tried;
    };
    int fewest = steps;
    FitResult fitted = tryShrinking(steps);
    if (fitted.linesBelow == 0) {
        int tooFew = 0; // known not to fit
        while (fewest - tooFew > 1) {
            const int middle = (tooFew + fewest) / 2;
            const FitResult tried = tryShrinking(middle);
            if (tried.linesBelow == 0) {
                fewest = middle;
                fitted = tried;
            } else {
                tooFew = middle;
            }
        }
    }
    shrinkText(document, fewest * kFitStep, smallestPointSize);
    fitted.changed = true;
    fitted.shrunkBy = fewest * kFitStep;
    return fitted;
}

} // namespace trackimport

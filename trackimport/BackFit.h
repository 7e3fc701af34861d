#pragma once

#include <QSizeF>

class QTextDocument;

// Whether a back text fits the part of the editor that becomes the back
// picture, and making it fit by setting it smaller.
namespace trackimport {

// How many lines, as the editor lays them out, end below the area, its
// bottom margin counted: a text that reaches into the margin already gets a
// scroll bar, which takes width, wraps the lines anew and moves the text
// that was meant to fit.
int linesBelowArea(const QTextDocument& document, const QSizeF& area);

struct FitResult
{
    bool changed = false; // the font sizes were made smaller
    qreal shrunkBy = 0; // points taken off each size above the smallest
    qreal largestPointSize = 0; // of the text after fitting
    int linesBelow = 0; // that still do not fit
};

constexpr qreal kSmallestFitPointSize = 6;
constexpr qreal kFitStep = 0.5;

// Makes every piece of text larger than the smallest size kFitStep points
// smaller, step by step, until the text fits the area or all of it is at
// the smallest size. The change is one step that undo takes back; a text
// that already fits is left as it is.
FitResult fitToArea(
    QTextDocument& document, const QSizeF& area, qreal smallestPointSize = kSmallestFitPointSize);

} // namespace trackimport

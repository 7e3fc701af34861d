#pragma once

#include <QObject>
#include <QSize>

class QTextDocument;
class QTextEdit;

// Whether a document fits an editor's text area of this size without a
// vertical scroll bar, laid out at the area's full width.
bool fitsWithoutScrollBar(const QTextDocument& document, QSize area);

// Keeps an editor's vertical scroll bar to the rule "shown when the text is
// longer than the area", the text laid out at the area's full width.
//
// A scroll bar shown as needed decides by the text laid out beside it, and
// the bar's own width can make the text longer: a right-aligned tab stop at
// the area's right edge then lies beyond the narrower lines, every time after
// it wraps onto a line of its own, and the doubled lines keep the bar for
// good, even after the text has become short enough to fit. This puts the
// editor back to the full width whenever the text fits there.
class EditorScrollBar : public QObject
{
public:
    explicit EditorScrollBar(QTextEdit* editor);

private:
    void settleLater();
    void settle();

    QTextEdit* m_editor;
    bool m_pending = false;
};

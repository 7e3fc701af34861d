#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QTextEdit;

// Helpers for the read-only multi-line texts ("memos") of the dialogs: they
// show a list of lines, and the windows size themselves to the rows those
// lines wrap into.

// The dialogs' font: Verdana, 17 pixels high at the 120-ppi design, which is
// 10 points (points scale with the screen by themselves).
QFont dialogDesignFont();

// Makes a text edit behave as a memo: read-only, no frame, the given
// background, long lines wrapped at the edit's width.
void setUpMemo(QTextEdit* memo, const QColor& background);

// Replaces the memo's content with the lines, one paragraph each. Only the
// list decides where lines break: line feeds or separators inside a line do
// not start a new one.
void setMemoLines(QTextEdit* memo, const QStringList& lines);

// Width available to the text of a memo of the given widget width (frame and
// an always-shown scroll bar taken off), valid while the memo is hidden too.
int memoViewportWidth(const QTextEdit* memo, int memoWidth);

// Rows the lines take when wrapped in a memo with that font and viewport
// width; an empty line is one row, no lines at all are no rows.
int wrappedRowCount(const QStringList& lines, const QFont& font, int viewportWidth);

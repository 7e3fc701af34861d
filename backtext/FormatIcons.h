#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>

// The formatting bar's icons, painted so that they look the same with or
// without an icon theme installed.
namespace formaticons {

// A letter in the given style: "B" bold, "I" italic, "U" underlined.
QIcon letter(QChar character, const QFont& style);
// "A" above a bar in the text colour.
QIcon textColor(const QColor& color);
// Four lines of text aligned to the left, centre or right.
QIcon alignment(Qt::Alignment alignment);
// A curved arrow turning back (undo) or forward (redo).
QIcon turnArrow(bool forward);
// A line of text whose end is pushed against a bar at the right edge.
QIcon rightTab();
// A framed landscape: hills under a sun.
QIcon picture();

} // namespace formaticons

#pragma once

#include <QIcon>

class QPainter;

// The program's icon: a jewel case with its spine, a disc and the cut marks
// of the layout. Every window carries it, and the build writes it out for the
// desktop's icon theme.
QIcon programIcon();

// Draws the icon into a box of 128 × 128 units.
void paintProgramIcon(QPainter& painter);
constexpr qreal kProgramIconBox = 128;

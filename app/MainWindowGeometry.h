#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>

// The main window's size and place on the screen, apart from the window so
// it can be checked without a display.
struct MainWindowSpan
{
    // The button rows with equal margins on both sides.
    int designWidth = 0;
    // What shows the layout's whole width: the sheet's columns and the view's
    // vertical scroll bar.
    int layoutWidth = 0;
};

// The client area of the main window whose frame should start at
// frameTopLeft. The frame spans the available area's height less 2 pixels,
// so its bottom edge is on the screen. The window is as wide as the layout
// needs when the screen has room for it, never narrower than the button rows
// (the view then scrolls sideways). It keeps its place as far as it fits.
QRect mainWindowGeometry(
    QPoint frameTopLeft, const QMargins& frame, const QRect& available, MainWindowSpan span);

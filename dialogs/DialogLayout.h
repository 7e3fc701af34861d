#pragma once

#include <QPoint>

// Layout arithmetic of the small dialogs, kept apart from the widgets so it can
// be checked without a display. All values are screen pixels; the constants
// inside are used as they stand, they are not design values.

// Horizontal layout of the question dialog for a message that is textWidth
// pixels wide on one line.
struct YesNoWidths
{
    int panelLeft = 0;
    int panelWidth = 0;
    int memoLeft = 0;
    int memoWidth = 0;
    int clientWidth = 0;
    int jaLeft = 0;
    int neeLeft = 0;
    int cancelLeft = 0;
};

// neeRight is the right edge of the No button as it stands before this layout
// (its design place at the first question), so the dialog never gets narrower
// than the design or than at an earlier question.
YesNoWidths yesNoWidths(int textWidth, int neeRight, int neeWidth, int cancelWidth);

// Vertical layout of the question dialog: the memo shows one row more than the
// message needs.
struct YesNoHeights
{
    int lineStep = 0;
    int memoHeight = 0;
    int panelHeight = 0;
    int buttonTop = 0;
    int clientHeight = 0;
};

YesNoHeights yesNoHeights(int rows, int fontPointSize, int buttonHeight);

// Height of the timed message's memo: two rows more than the text needs, at
// most the screen's height less 200 (the memo then scrolls).
int messageMemoHeight(int rows, int fontPointSize, int screenHeight);
constexpr int kMessageWindowExtraHeight = 50;
constexpr int kMessageMemoMargin = 20;

// Top-left corner that centres a window of the given outer size over the
// caller's window; the halves are truncated toward zero and the result is not
// kept on the screen.
QPoint centredOver(int aTop, int aLeft, int aHeight, int aWidth, int outerHeight, int outerWidth);

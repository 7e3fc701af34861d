#include "dialogs/DialogLayout.h"

#include <cmath>

YesNoWidths yesNoWidths(int textWidth, int neeRight, int neeWidth, int cancelWidth)
{
    YesNoWidths w;
    w.panelLeft = 16;
    w.panelWidth
        = static_cast<int>(std::lround(10.0 * std::sqrt(static_cast<double>(qMax(textWidth, 0)))));
    const int minimum = neeRight - w.panelLeft;
    if (minimum > w.panelWidth)
        w.panelWidth = minimum;
    w.memoLeft = 8;
    w.memoWidth = w.panelWidth - 16;
    w.clientWidth = w.panelWidth + 32;
    w.jaLeft = 16;
    w.neeLeft = w.clientWidth - neeWidth - 16;
    w.cancelLeft = (w.clientWidth - cancelWidth) / 2;
    return w;
}

YesNoHeights yesNoHeights(int rows, int fontPointSize, int buttonHeight)
{
    YesNoHeights h;
    h.lineStep = static_cast<int>(std::lround(fontPointSize * 1.6));
    h.memoHeight = (rows + 1) * h.lineStep;
    h.panelHeight = h.memoHeight + 15;
    h.buttonTop = h.panelHeight + 27;
    h.clientHeight = h.buttonTop + buttonHeight + 15;
    return h;
}

int messageMemoHeight(int rows, int fontPointSize, int screenHeight)
{
    const int wanted = (rows + 2) * fontPointSize;
    const int limit = screenHeight - 200;
    return wanted > limit ? limit : wanted;
}

QPoint centredOver(int aTop, int aLeft, int aHeight, int aWidth, int outerHeight, int outerWidth)
{
    // Integer division truncates toward zero, also for a window larger than its caller.
    const int top = aTop + (aHeight - outerHeight) / 2;
    const int left = aLeft + (aWidth - outerWidth) / 2;
    return QPoint(left, top);
}

#include "app/MainWindowGeometry.h"

#include "platform/WindowPlacement.h"

#include <algorithm>

namespace {

// The frame leaves this much of the available height free.
constexpr int kHeightMargin = 2;

} // namespace

QRect mainWindowGeometry(
    QPoint frameTopLeft, const QMargins& frame, const QRect& available, MainWindowSpan span)
{
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const int room = available.width() - frameWidth;
    const int width = std::max(span.designWidth, std::min(span.layoutWidth, room));
    const int height = std::max(available.height() - kHeightMargin - frameHeight, 1);
    return platform::placedClientRect(frameTopLeft, QSize(width, height), frame, available);
}

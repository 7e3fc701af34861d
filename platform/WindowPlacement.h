#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class QWidget;

// Where top-level windows go on the screen.
//
// A window's stored position is the top left corner of its frame: the title
// bar and border that the window manager draws around the client area. The
// frame is measured by its margins around the client area.
namespace platform {

// The client area of a window whose frame should start at frameTopLeft. The
// frame keeps that place when it fits the available area (the screen without
// its panels); otherwise it moves just far enough to fit, and a frame larger
// than the area keeps its top left corner, and with it the title bar, inside.
QRect placedClientRect(
    QPoint frameTopLeft, QSize clientSize, const QMargins& frame, const QRect& available);

// The available area of the screen that holds the point, or of the primary
// screen when none does.
QRect availableAreaAt(QPoint point);

// The margins of the frame the window manager has put around a window; none
// while it has not (yet) drawn one.
QMargins frameMarginsOf(const QWidget& window);

// Keeps a window's position in the settings: restore() before the window
// shows puts its frame where the settings say, inside the screen; store()
// writes where its frame is.
class WindowPosition
{
public:
    // The client area for a frame corner, the frame and the available area.
    using Rule
        = std::function<QRect(QPoint frameTopLeft, const QMargins& frame, const QRect& available)>;

    // Without a rule the window keeps its size and goes where
    // placedClientRect() puts it.
    WindowPosition(QWidget* window, QString leftKey, QString topKey, Rule rule = {});

    void restore();
    void store() const;

private:
    QMargins knownFrame() const;

    QWidget* m_window;
    QString m_leftKey;
    QString m_topKey;
    Rule m_rule;
    mutable QMargins m_seenFrame;
};

} // namespace platform

#include "platform/WindowPlacement.h"

#include "platform/Settings.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace platform {

namespace {

constexpr QPoint kDefaultPosition { 200, 100 };

// The start of a span of the given length that begins as near to wanted as
// possible and lies within [first, first + room); a span longer than the room
// starts at first.
int fitted(int wanted, int length, int first, int room)
{
    return std::max(first, std::min(wanted, first + room - length));
}

} // namespace

QRect placedClientRect(
    QPoint frameTopLeft, QSize clientSize, const QMargins& frame, const QRect& available)
{
    const QSize frameSize = clientSize.grownBy(frame);
    const QPoint corner(
        fitted(frameTopLeft.x(), frameSize.width(), available.x(), available.width()),
        fitted(frameTopLeft.y(), frameSize.height(), available.y(), available.height()));
    return QRect(corner + QPoint(frame.left(), frame.top()), clientSize);
}

QRect availableAreaAt(QPoint point)
{
    const QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QMargins frameMarginsOf(const QWidget& window)
{
    const QWindow* handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

WindowPosition::WindowPosition(QWidget* window, QString leftKey, QString topKey, Rule rule)
    : m_window(window)
    , m_leftKey(std::move(leftKey))
    , m_topKey(std::move(topKey))
    , m_rule(std::move(rule))
{
}

// Placed once, before the window shows. Moving a window that is already on
// the screen races the window manager, which is still fitting its frame.
void WindowPosition::restore()
{
    const QPoint wanted(Settings::readInteger(m_leftKey, kDefaultPosition.x()),
        Settings::readInteger(m_topKey, kDefaultPosition.y()));
    const QMargins frame = knownFrame();
    const QRect available = availableAreaAt(wanted);
    const QRect client = m_rule ? m_rule(wanted, frame, available)
                                : placedClientRect(wanted, m_window->size(), frame, available);
    if (client.size() != m_window->size())
        m_window->setFixedSize(client.size());
    if (m_window->testAttribute(Qt::WA_WState_Created)) {
        m_window->setGeometry(client); // hidden, not closed: its frame is known
    } else {
        // A new window (closing one ends it): the window manager puts the
        // frame's corner at this point once it has made the frame.
        m_window->move(client.topLeft() - QPoint(frame.left(), frame.top()));
    }
}

// The frame's corner, worked out from the client area: the window system's
// own idea of a window's frame can lag behind after it has been shown again.
void WindowPosition::store() const
{
    const QMargins frame = knownFrame();
    const QPoint corner = m_window->geometry().topLeft() - QPoint(frame.left(), frame.top());
    Settings::writeInteger(m_leftKey, corner.x());
    Settings::writeInteger(m_topKey, corner.y());
}

// The window's frame as last seen; before it has been on the screen, the
// frame of another of the program's windows, as a window manager draws its
// windows alike.
QMargins WindowPosition::knownFrame() const
{
    const QMargins now = frameMarginsOf(*m_window);
    if (!now.isNull())
        m_seenFrame = now;
    if (!m_seenFrame.isNull())
        return m_seenFrame;
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (const QWidget* other : windows) {
        if (other != m_window && other->isVisible() && !frameMarginsOf(*other).isNull())
            return frameMarginsOf(*other);
    }
    return {};
}

} // namespace platform

#include "platform/WindowPlacement.h"

#include "platform/Settings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
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
    : QObject(window)
    , m_window(window)
    , m_leftKey(std::move(leftKey))
    , m_topKey(std::move(topKey))
    , m_rule(std::move(rule))
{
    m_window->installEventFilter(this);
}

void WindowPosition::restore()
{
    m_wanted = QPoint(Settings::readInteger(m_leftKey, kDefaultPosition.x()),
        Settings::readInteger(m_topKey, kDefaultPosition.y()));
    place(m_wanted);
}

void WindowPosition::store() const
{
    const QPoint corner = m_window->frameGeometry().topLeft();
    Settings::writeInteger(m_leftKey, corner.x());
    Settings::writeInteger(m_topKey, corner.y());
}

void WindowPosition::place(QPoint frameTopLeft)
{
    const QMargins frame = frameMarginsOf(*m_window);
    const QRect available = availableAreaAt(frameTopLeft);
    const QRect client = m_rule
        ? m_rule(frameTopLeft, frame, available)
        : placedClientRect(frameTopLeft, m_window->size(), frame, available);
    if (client.size() != m_window->size())
        m_window->setFixedSize(client.size());
    if (m_window->testAttribute(Qt::WA_WState_Created)) {
        m_window->setGeometry(client);
    } else {
        // Not on the screen yet, so the frame is not known: the window
        // manager puts the frame's corner at this point.
        m_window->move(client.topLeft() - QPoint(frame.left(), frame.top()));
    }
    m_placedFrame = frame;
    m_placedSize = client.size();
}

bool WindowPosition::eventFilter(QObject* watched, QEvent* event)
{
    const bool changed = event->type() == QEvent::Move || event->type() == QEvent::Resize;
    if (watched == m_window && changed && !m_settlePending) {
        // Once the window's own handlers have seen the change too.
        m_settlePending = true;
        QTimer::singleShot(0, this, [this] {
            m_settlePending = false;
            settle();
        });
    }
    return QObject::eventFilter(watched, event);
}

// A frame that appeared or changed since the window was placed, or a new
// size, may have put the window elsewhere or its bottom off the screen. A
// move by the user changes neither and is left alone.
void WindowPosition::settle()
{
    if (!m_window->isVisible())
        return;
    const QMargins frame = frameMarginsOf(*m_window);
    if (frame != m_placedFrame)
        place(m_wanted);
    else if (m_window->size() != m_placedSize)
        place(m_window->frameGeometry().topLeft());
}

} // namespace platform

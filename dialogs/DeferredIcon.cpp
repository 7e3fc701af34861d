#include "dialogs/DeferredIcon.h"

#include <QAbstractButton>
#include <QEvent>

namespace {

class IconOnShow : public QObject
{
public:
    IconOnShow(QAbstractButton* button, std::function<QIcon()> makeIcon)
        : QObject(button)
        , m_button(button)
        , m_makeIcon(std::move(makeIcon))
    {
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_button && event->type() == QEvent::Show) {
            m_button->removeEventFilter(this);
            m_button->setIcon(m_makeIcon());
            deleteLater();
        }
        return false;
    }

private:
    QAbstractButton* m_button;
    std::function<QIcon()> m_makeIcon;
};

} // namespace

void setIconWhenShown(QAbstractButton* button, std::function<QIcon()> makeIcon)
{
    new IconOnShow(button, std::move(makeIcon));
}

void setStandardIconWhenShown(QAbstractButton* button, QStyle::StandardPixmap icon)
{
    setIconWhenShown(
        button, [button, icon] { return button->style()->standardIcon(icon, nullptr, button); });
}

#include "backtext/EditorScrollBar.h"

#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

namespace {

// A text that fits at the full width is at most about twice as long beside
// the bar (a line that wraps for the bar's width becomes two): a longer one
// is not laid out again to find out.
constexpr int kLongestToCheck = 3; // heights of the area

} // namespace

bool fitsWithoutScrollBar(const QTextDocument& document, QSize area)
{
    const std::unique_ptr<QTextDocument> laidOut(document.clone());
    laidOut->setTextWidth(area.width());
    // As the editor measures it: the whole pixels of the text's height.
    return int(laidOut->size().height()) <= area.height();
}

EditorScrollBar::EditorScrollBar(QTextEdit* editor)
    : QObject(editor)
    , m_editor(editor)
{
    // Once the editor has laid out the change: typing, formatting, a text read.
    connect(
        editor->document(), &QTextDocument::contentsChanged, this, &EditorScrollBar::settleLater);
}

// A burst of changes (a paste, an import) is settled once.
void EditorScrollBar::settleLater()
{
    if (m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(this, &EditorScrollBar::settle, Qt::QueuedConnection);
}

void EditorScrollBar::settle()
{
    m_pending = false;
    const QScrollBar* bar = m_editor->verticalScrollBar();
    if (bar->isHidden() || m_editor->verticalScrollBarPolicy() != Qt::ScrollBarAsNeeded)
        return; // at the full width already: the editor shows the bar once the text outgrows it
    const QSize area = m_editor->contentsRect().size(); // the viewport without the bar
    if (bar->maximum() + area.height() > kLongestToCheck * area.height())
        return;
    if (!fitsWithoutScrollBar(*m_editor->document(), area))
        return;
    // Without the bar the editor lays the text out at the full width, where
    // it fits, so the bar stays away when it may show again.
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

#include "dialogs/YesNo.h"

#include "dialogs/BevelPanel.h"
#include "dialogs/DeferredIcon.h"
#include "dialogs/DialogLayout.h"
#include "dialogs/MemoText.h"
#include "platform/DesignScale.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPushButton>
#include <QStyle>
#include <QTextEdit>

using platform::scaled;

TYesNoDlg* YesNoDlg = nullptr;

namespace {

QPushButton* makeButton(QWidget* parent, const QString& caption, QRect designRect)
{
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(scaled(designRect.x()), scaled(designRect.y()), scaled(designRect.width()),
        scaled(designRect.height()));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

TYesNoDlg::TYesNoDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setFont(dialogDesignFont());
    setFixedSize(scaled(419), scaled(181));

    // Each button shows the icon of its answer.
    NeeBtn = makeButton(this, QStringLiteral("Nee"), QRect(290, 133, 83, 34));
    setStandardIconWhenShown(NeeBtn, QStyle::SP_DialogNoButton);
    JaBtn = makeButton(this, QStringLiteral("Ja"), QRect(12, 133, 83, 34));
    setStandardIconWhenShown(JaBtn, QStyle::SP_DialogYesButton);
    JaBtn->setDefault(true);
    CancelBtn = makeButton(this, QStringLiteral("Annuleren"), QRect(110, 133, 135, 34));
    setStandardIconWhenShown(CancelBtn, QStyle::SP_DialogCancelButton);

    BevelPanel::Frame frame;
    frame.inner = BevelPanel::Bevel::Lowered;
    MessagePanel = new BevelPanel(frame, this);
    MessagePanel->setGeometry(scaled(15), scaled(12), scaled(326), scaled(70));

    MessageMemo = new QTextEdit(MessagePanel);
    setUpMemo(MessageMemo, palette().color(QPalette::Button));
    MessageMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The buttons keep the focus, so Enter always answers.
    MessageMemo->setFocusPolicy(Qt::NoFocus);
    MessageMemo->setGeometry(scaled(18), scaled(8), scaled(291), scaled(56));

    setTabOrder(NeeBtn, JaBtn);
    setTabOrder(JaBtn, CancelBtn);

    connect(JaBtn, &QPushButton::clicked, this, &TYesNoDlg::JaBtnClick);
    connect(NeeBtn, &QPushButton::clicked, this, &TYesNoDlg::NeeBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TYesNoDlg::CancelBtnClick);
}

bool TYesNoDlg::Execute(int aTop, int aLeft, int aHeight, int aWidth, const QString& Capt,
    const QString& Mess, const QString& JaStr, const QString& NeeStr, const QString& CancelStr,
    bool YesB, bool& CancelB)
{
    m_top = aTop;
    m_left = aLeft;
    m_height = aHeight;
    m_width = aWidth;

    setWindowTitle(Capt);
    JaBtn->setText(JaStr);
    NeeBtn->setText(NeeStr);
    CancelBtn->setText(CancelStr);
    CancelBtn->setVisible(CancelB);

    layOutHorizontally(Mess);
    m_lines = messageLines(Mess);
    setMemoLines(MessageMemo, m_lines);
    JaB = YesB;

    if (isVisible())
        hide();
    exec();

    CancelB = NegeerB;
    return JaB;
}

QStringList TYesNoDlg::messageLines(const QString& Mess)
{
    const QChar cr(13);
    QStringList lines;
    QString rest = Mess;
    while (rest.contains(cr)) {
        lines << LeftOf(cr, rest);
        rest = RightOf(cr, rest);
    }
    lines << rest;
    return lines;
}

void TYesNoDlg::layOutHorizontally(const QString& Mess)
{
    const int textWidth = QFontMetrics(font()).horizontalAdvance(Mess);
    const int neeRight = NeeBtn->x() + NeeBtn->width();
    const YesNoWidths w = yesNoWidths(textWidth, neeRight, NeeBtn->width(), CancelBtn->width());

    MessagePanel->setGeometry(w.panelLeft, MessagePanel->y(), w.panelWidth, MessagePanel->height());
    MessageMemo->setGeometry(w.memoLeft, MessageMemo->y(), w.memoWidth, MessageMemo->height());
    setFixedWidth(w.clientWidth);
    JaBtn->move(w.jaLeft, JaBtn->y());
    NeeBtn->move(w.neeLeft, NeeBtn->y());
    CancelBtn->move(w.cancelLeft, CancelBtn->y());
}

void TYesNoDlg::FormPaint()
{
    const int rows = wrappedRowCount(
        m_lines, MessageMemo->font(), memoViewportWidth(MessageMemo, MessageMemo->width()));
    const YesNoHeights h = yesNoHeights(rows, MessageMemo->font().pointSize(), JaBtn->height());

    MessageMemo->resize(MessageMemo->width(), h.memoHeight);
    MessagePanel->resize(MessagePanel->width(), h.panelHeight);
    for (QPushButton* button : { JaBtn, NeeBtn, CancelBtn })
        button->move(button->x(), h.buttonTop);
    if (height() != h.clientHeight)
        setFixedHeight(h.clientHeight);

    const QRect outer = frameGeometry();
    const QPoint place
        = centredOver(m_top, m_left, m_height, m_width, outer.height(), outer.width());
    if (outer.topLeft() != place)
        move(place);

    QPushButton* preset = JaB ? JaBtn : NeeBtn;
    if (focusWidget() != preset)
        preset->setFocus(Qt::OtherFocusReason);
}

void TYesNoDlg::showEvent(QShowEvent* event)
{
    // Laid out before the first painting, so the dialog never shows a wrong size.
    FormPaint();
    QDialog::showEvent(event);
}

void TYesNoDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (paintsOwnSurface(event->region()))
        FormPaint();
}

// A button or the message repainting itself (focus, hover) also paints the
// dialog beneath it; only a painting of the dialog's own face counts, so the
// user can still move the focus with Tab.
bool TYesNoDlg::paintsOwnSurface(const QRegion& region) const
{
    QRegion own = region;
    const QList<const QWidget*> children { JaBtn, NeeBtn, CancelBtn, MessagePanel };
    for (const QWidget* child : children) {
        if (child->isVisible())
            own -= child->geometry();
    }
    return !own.isEmpty();
}

void TYesNoDlg::JaBtnClick()
{
    JaB = true;
    NegeerB = false;
    accept();
}

void TYesNoDlg::NeeBtnClick()
{
    JaB = false;
    NegeerB = false;
    done(QDialog::Rejected);
}

void TYesNoDlg::CancelBtnClick()
{
    JaB = false;
    NegeerB = true;
    done(QDialog::Rejected);
}

void TYesNoDlg::reject()
{
    backOut();
}

void TYesNoDlg::closeEvent(QCloseEvent* event)
{
    event->accept();
    backOut();
}

// Escape and the window's close button back out of the question, and never
// answer Yes: Cancel when it is offered, No otherwise.
void TYesNoDlg::backOut()
{
    if (CancelBtn->isVisibleTo(this))
        CancelBtnClick();
    else
        NeeBtnClick();
}

SaveAnswer askToSaveChanges(TYesNoDlg& dialog, const QWidget& caller)
{
    if (!ChangedB)
        return SaveAnswer::DontSave;

    const QString question = localText(
        "Wilt u het huidige project bewaren?", "Do you want to save the current project?");
    const QRect frame = caller.frameGeometry();
    bool cancelled = true;
    const bool save = dialog.Execute(frame.top(), frame.left(), frame.height(), frame.width(),
        ProgNam, question, localText("&Ja", "&Yes"), localText("&Nee", "&No"),
        localText("&Annuleren", "&Cancel"), true, cancelled);
    if (save)
        return SaveAnswer::Save;
    return cancelled ? SaveAnswer::Cancel : SaveAnswer::DontSave;
}

#include "dialogs/MessForm.h"

#include "dialogs/BevelPanel.h"
#include "dialogs/DialogLayout.h"
#include "dialogs/MemoText.h"
#include "platform/DesignScale.h"
#include "support/SharedState.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTextEdit>

using platform::scaled;

TMessageForm* MessageForm = nullptr;

TMessageForm::TMessageForm(QWidget* parent)
    : QWidget(parent,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
            | Qt::WindowDoesNotAcceptFocus)
{
    // The user goes on working in the caller's window while the notice is up.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // No title bar shows it, but window lists name the notice by the program.
    setWindowTitle(ProgNam);
    setFont(dialogDesignFont());
    resize(scaled(699), scaled(118));

    BevelPanel::Frame frame;
    frame.borderLine = true;
    frame.outer = BevelPanel::Bevel::Raised;
    frame.inner = BevelPanel::Bevel::Lowered;
    frame.bevelWidth = 2;
    frame.bevelGap = 2;
    MessagePanel = new BevelPanel(frame, this);
    MessagePanel->setGeometry(rect());

    MessageMemo = new QTextEdit(this);
    setUpMemo(MessageMemo, palette().color(QPalette::Button));
    MessageMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MessageMemo->setFocusPolicy(Qt::NoFocus);
    MessageMemo->setGeometry(scaled(26), scaled(23), scaled(394), scaled(70));

    Timer.setSingleShot(true);
    connect(&Timer, &QTimer::timeout, this, &TMessageForm::TimerTimer);
}

void TMessageForm::Execute(int aTop, int aLeft, int aHeight, int aWidth, const QString& MessageStr1,
    const QString& MessageStr2, std::uint16_t mSecs)
{
    QStringList lines;
    if (!MessageStr1.isEmpty())
        lines << MessageStr1;
    if (!MessageStr2.isEmpty())
        lines << MessageStr2;
    setMemoLines(MessageMemo, lines);

    // Rows are counted at the memo's width as it stands before it is widened below.
    const int rows = wrappedRowCount(
        lines, MessageMemo->font(), memoViewportWidth(MessageMemo, MessageMemo->width()));
    const int memoHeight = messageMemoHeight(
        rows, MessageMemo->font().pointSize(), screenHeightAround(aTop, aLeft, aHeight, aWidth));
    resize(width(), memoHeight + kMessageWindowExtraHeight);
    MessagePanel->setGeometry(rect());
    MessageMemo->setGeometry(kMessageMemoMargin, MessageMemo->y(),
        MessagePanel->width() - 2 * kMessageMemoMargin, memoHeight);

    Timer.setInterval(mSecs);
    move(centredOver(aTop, aLeft, aHeight, aWidth, height(), width()));

    hide();
    show(); // starts the timer
    raise();
}

void TMessageForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Timer.start();
}

void TMessageForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    MessagePanel->setGeometry(rect());
}

void TMessageForm::TimerTimer()
{
    Timer.stop();
    hide();
}

int TMessageForm::screenHeightAround(int aTop, int aLeft, int aHeight, int aWidth) const
{
    const QPoint callerCentre(aLeft + aWidth / 2, aTop + aHeight / 2);
    const QScreen* screen = QGuiApplication::screenAt(callerCentre);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 768;
}

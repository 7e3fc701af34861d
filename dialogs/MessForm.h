#pragma once

#include <QTimer>
#include <QWidget>

#include <cstdint>

class BevelPanel;
class QTextEdit;

// A frameless notice of one or two lines, centred over the caller's window,
// that hides itself after the given time. Showing it does not wait and does
// not take the keyboard focus from the caller.
class TMessageForm : public QWidget
{
    Q_OBJECT

public:
    explicit TMessageForm(QWidget* parent = nullptr);

    // aTop, aLeft, aHeight, aWidth: the caller's outer window rectangle.
    // Empty texts are left out. A message shown while another one is still
    // up replaces it and gets its own full time.
    void Execute(int aTop, int aLeft, int aHeight, int aWidth, const QString& MessageStr1,
        const QString& MessageStr2, std::uint16_t mSecs);

    BevelPanel* MessagePanel = nullptr;
    QTextEdit* MessageMemo = nullptr;
    QTimer Timer;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void TimerTimer();
    int screenHeightAround(int aTop, int aLeft, int aHeight, int aWidth) const;
};

// The one timed message window of the program, created at start-up.
extern TMessageForm* MessageForm;

#include "dialogs/BevelPanel.h"
#include "dialogs/DialogLayout.h"
#include "dialogs/YesNo.h"
#include "platform/DesignScale.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <functional>

namespace {

enum class Action { Escape, CloseWindow, Enter, ClickYes, ClickNo, ClickCancel };

// Runs the action once the modal dialog is up. A dialog the action leaves
// open is hidden after a while, so a failing test cannot hang.
void whenShown(QDialog* dialog, std::function<void()> action)
{
    QTimer::singleShot(0, dialog, [dialog, action] {
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        action();
    });
    QTimer::singleShot(10000, dialog, [dialog] {
        if (dialog->isVisible())
            dialog->hide();
    });
}

void perform(TYesNoDlg* dialog, Action action)
{
    switch (action) {
    case Action::Escape:
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
        break;
    case Action::CloseWindow: // the window manager's close button
        dialog->close();
        break;
    case Action::Enter:
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        break;
    case Action::ClickYes:
        QTest::mouseClick(dialog->JaBtn, Qt::LeftButton);
        break;
    case Action::ClickNo:
        QTest::mouseClick(dialog->NeeBtn, Qt::LeftButton);
        break;
    case Action::ClickCancel:
        QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton);
        break;
    }
}

class ShowCounter : public QObject
{
public:
    int shows = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(SaveAnswer)

class TestYesNo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void shortQuestion_getsDesignWidthAndHidesCancel();
    void shortQuestionAfterWide_keepsTheWidth();
    void memoHeight_oneRowMoreThanTheLines_data();
    void memoHeight_oneRowMoreThanTheLines();
    void answers_data();
    void answers();
    void dialog_centredOverCaller();
    void repaint_recentresAndRefocuses_butTabSurvivesButtonRepaints();
    void buttons_showTheIconOfTheirAnswer();
    void closingQuestion_answers_data();
    void closingQuestion_answers();
    void closingQuestion_withoutChanges_asksNothing();

private:
    bool ask(const QString& message, bool yesPreset, bool& cancel, Action action);

    TYesNoDlg* m_dialog = nullptr;
};

void TestYesNo::initTestCase()
{
    // Design values become screen pixels one to one.
    platform::setScreenPixelsPerInchForTesting(120);
}

void TestYesNo::init()
{
    m_dialog = new TYesNoDlg;
}

void TestYesNo::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
}

bool TestYesNo::ask(const QString& message, bool yesPreset, bool& cancel, Action action)
{
    whenShown(m_dialog, [this, action] { perform(m_dialog, action); });
    return m_dialog->Execute(100, 200, 600, 800, QStringLiteral("qzLayer"), message,
        QStringLiteral("Ja"), QStringLiteral("Nee"), QStringLiteral("Annuleren"), yesPreset,
        cancel);
}

void TestYesNo::shortQuestion_getsDesignWidthAndHidesCancel()
{
    bool cancel = false;
    ask(QStringLiteral("Opslaan?"), true, cancel, Action::Escape);

    // The panel reaches to the right edge of the No button's design place (290 + 83).
    QCOMPARE(m_dialog->MessagePanel->geometry().left(), 16);
    QCOMPARE(m_dialog->MessagePanel->width(), 373 - 16);
    QCOMPARE(m_dialog->width(), 389);
    QCOMPARE(m_dialog->JaBtn->x(), 16);
    QCOMPARE(m_dialog->NeeBtn->x() + m_dialog->NeeBtn->width(), 389 - 16);
    QCOMPARE(
        m_dialog->MessageMemo->geometry(), QRect(8, 8, 357 - 16, m_dialog->MessageMemo->height()));
    QVERIFY(!m_dialog->CancelBtn->isVisibleTo(m_dialog));
}

void TestYesNo::shortQuestionAfterWide_keepsTheWidth()
{
    bool cancel = true;
    ask(QString(120, QLatin1Char('W')), true, cancel, Action::Escape);
    const int wideWidth = m_dialog->width();
    QVERIFY(wideWidth > 389);
    QVERIFY(m_dialog->CancelBtn->isVisibleTo(m_dialog));
    QCOMPARE(m_dialog->CancelBtn->x(), (wideWidth - m_dialog->CancelBtn->width()) / 2);

    cancel = true;
    ask(QStringLiteral("Kort?"), true, cancel, Action::Escape);
    QCOMPARE(m_dialog->width(), wideWidth);
    QCOMPARE(m_dialog->NeeBtn->x() + m_dialog->NeeBtn->width(), wideWidth - 16);
}

void TestYesNo::memoHeight_oneRowMoreThanTheLines_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("steps");

    QTest::newRow("one line") << QStringLiteral("Opslaan?") << 2;
    QTest::newRow("two returns") << QStringLiteral("Een\rTwee\rDrie") << 4;
    QTest::newRow("return and line feed") << QStringLiteral("Een\r\nTwee") << 3;
    QTest::newRow("empty") << QString() << 2;
}

void TestYesNo::memoHeight_oneRowMoreThanTheLines()
{
    QFETCH(QString, message);
    QFETCH(int, steps);

    bool cancel = false;
    ask(message, true, cancel, Action::Escape);

    const int step = 16; // 10 points x 1.6
    QCOMPARE(m_dialog->MessageMemo->height(), steps * step);
    QCOMPARE(m_dialog->MessagePanel->height(), steps * step + 15);
    QCOMPARE(m_dialog->JaBtn->y(), steps * step + 15 + 27);
    QCOMPARE(m_dialog->NeeBtn->y(), m_dialog->JaBtn->y());
    QCOMPARE(m_dialog->height(), steps * step + 15 + 27 + 34 + 15);
}

void TestYesNo::answers_data()
{
    QTest::addColumn<bool>("yesPreset");
    QTest::addColumn<bool>("showCancel");
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("cancelled");

    // Escape and closing the window back out, and never answer the preset Yes.
    QTest::newRow("Escape with Cancel shown answers Cancel")
        << true << true << Action::Escape << false << true;
    QTest::newRow("Escape without Cancel answers No")
        << true << false << Action::Escape << false << false;
    QTest::newRow("closing with Cancel shown answers Cancel")
        << true << true << Action::CloseWindow << false << true;
    QTest::newRow("closing without Cancel answers No")
        << true << false << Action::CloseWindow << false << false;
    QTest::newRow("Enter with preset Yes") << true << true << Action::Enter << true << false;
    QTest::newRow("Enter with preset No") << false << true << Action::Enter << false << false;
    QTest::newRow("Yes button") << false << false << Action::ClickYes << true << false;
    QTest::newRow("No button") << true << true << Action::ClickNo << false << false;
    QTest::newRow("Cancel button") << true << true << Action::ClickCancel << false << true;
}

void TestYesNo::answers()
{
    QFETCH(bool, yesPreset);
    QFETCH(bool, showCancel);
    QFETCH(Action, action);
    QFETCH(bool, result);
    QFETCH(bool, cancelled);

    // A Cancel answer first, so a stale flag would show in the next answer.
    bool cancel = true;
    ask(QStringLiteral("Eerste vraag?"), true, cancel, Action::ClickCancel);
    QVERIFY(cancel);

    QPushButton* focused = nullptr;
    whenShown(m_dialog, [&] {
        focused = qobject_cast<QPushButton*>(m_dialog->focusWidget());
        perform(m_dialog, action);
    });
    cancel = showCancel;
    const bool answer = m_dialog->Execute(0, 0, 600, 800, QStringLiteral("qzLayer"),
        QStringLiteral("Vraag?"), QStringLiteral("Ja"), QStringLiteral("Nee"),
        QStringLiteral("Annuleren"), yesPreset, cancel);
    QCOMPARE(focused, yesPreset ? m_dialog->JaBtn : m_dialog->NeeBtn);
    QCOMPARE(answer, result);
    QCOMPARE(cancel, cancelled);
    QVERIFY(!m_dialog->isVisible());
}

void TestYesNo::dialog_centredOverCaller()
{
    QRect shownAt;
    whenShown(m_dialog, [&] {
        shownAt = m_dialog->frameGeometry();
        perform(m_dialog, Action::Escape);
    });
    bool cancel = false;
    m_dialog->Execute(100, 200, 600, 800, QStringLiteral("qzLayer"), QStringLiteral("Opslaan?"),
        QStringLiteral("Ja"), QStringLiteral("Nee"), QString(), true, cancel);

    QCOMPARE(shownAt.topLeft(), centredOver(100, 200, 600, 800, shownAt.height(), shownAt.width()));
    QVERIFY(shownAt.left() > 200 && shownAt.top() > 100);
}

void TestYesNo::repaint_recentresAndRefocuses_butTabSurvivesButtonRepaints()
{
    QWidget* afterTab = nullptr;
    QWidget* afterButtonRepaint = nullptr;
    QWidget* afterFullRepaint = nullptr;
    QPoint centre;
    QPoint afterMove;
    whenShown(m_dialog, [&] {
        centre = m_dialog->pos();
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        afterTab = m_dialog->focusWidget();
        m_dialog->repaint(
            QRegion(m_dialog->JaBtn->geometry()) + QRegion(m_dialog->CancelBtn->geometry()));
        afterButtonRepaint = m_dialog->focusWidget();

        m_dialog->move(centre + QPoint(40, 30));
        m_dialog->repaint();
        afterMove = m_dialog->pos();
        afterFullRepaint = m_dialog->focusWidget();
        perform(m_dialog, Action::Escape);
    });
    bool cancel = true;
    m_dialog->Execute(100, 200, 600, 800, QStringLiteral("qzLayer"), QStringLiteral("Opslaan?"),
        QStringLiteral("Ja"), QStringLiteral("Nee"), QStringLiteral("Annuleren"), true, cancel);

    QCOMPARE(afterTab, m_dialog->CancelBtn);
    QCOMPARE(afterButtonRepaint, m_dialog->CancelBtn);
    QCOMPARE(afterMove, centre);
    QCOMPARE(afterFullRepaint, m_dialog->JaBtn);
}

void TestYesNo::buttons_showTheIconOfTheirAnswer()
{
    QList<QImage> shown;
    whenShown(m_dialog, [&] {
        for (QPushButton* button : { m_dialog->JaBtn, m_dialog->NeeBtn, m_dialog->CancelBtn })
            shown << button->icon().pixmap(32).toImage();
        perform(m_dialog, Action::ClickCancel);
    });
    bool cancel = true;
    m_dialog->Execute(0, 0, 600, 800, QStringLiteral("qzLayer"), QStringLiteral("Vraag?"),
        QStringLiteral("Ja"), QStringLiteral("Nee"), QStringLiteral("Annuleren"), true, cancel);

    const auto standard = [this](QStyle::StandardPixmap icon) {
        return m_dialog->style()->standardIcon(icon, nullptr, m_dialog->JaBtn).pixmap(32).toImage();
    };
    QCOMPARE(shown.value(0), standard(QStyle::SP_DialogYesButton));
    QCOMPARE(shown.value(1), standard(QStyle::SP_DialogNoButton));
    QCOMPARE(shown.value(2), standard(QStyle::SP_DialogCancelButton));
    QVERIFY(shown.value(1) != shown.value(2)); // No does not look like Cancel
}

void TestYesNo::closingQuestion_answers_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<Action>("action");
    QTest::addColumn<SaveAnswer>("expected");
    QTest::addColumn<QStringList>("texts"); // question, Yes, No, Cancel

    const QStringList dutch { QStringLiteral("Wilt u het huidige project bewaren?"),
        QStringLiteral("&Ja"), QStringLiteral("&Nee"), QStringLiteral("&Annuleren") };
    const QStringList english { QStringLiteral("Do you want to save the current project?"),
        QStringLiteral("&Yes"), QStringLiteral("&No"), QStringLiteral("&Cancel") };
    QTest::newRow("Dutch, Enter saves")
        << QStringLiteral("NLD") << Action::Enter << SaveAnswer::Save << dutch;
    QTest::newRow("Dutch, Escape cancels")
        << QStringLiteral("NLD") << Action::Escape << SaveAnswer::Cancel << dutch;
    QTest::newRow("English, closing the question cancels")
        << QString() << Action::CloseWindow << SaveAnswer::Cancel << english;
    QTest::newRow("Dutch, Cancel")
        << QStringLiteral("NLD") << Action::ClickCancel << SaveAnswer::Cancel << dutch;
    QTest::newRow("English, Yes") << QString() << Action::ClickYes << SaveAnswer::Save << english;
    QTest::newRow("English, No") << QString() << Action::ClickNo << SaveAnswer::DontSave << english;
    QTest::newRow("English, Cancel")
        << QStringLiteral("ENU") << Action::ClickCancel << SaveAnswer::Cancel << english;
}

void TestYesNo::closingQuestion_answers()
{
    QFETCH(QString, language);
    QFETCH(Action, action);
    QFETCH(SaveAnswer, expected);
    QFETCH(QStringList, texts);

    sLanguage = language;
    ChangedB = true;
    QWidget caller;
    caller.setGeometry(100, 50, 900, 700);

    QStringList shown;
    bool cancelShown = false;
    QWidget* focused = nullptr;
    whenShown(m_dialog, [&] {
        shown << m_dialog->MessageMemo->toPlainText() << m_dialog->JaBtn->text()
              << m_dialog->NeeBtn->text() << m_dialog->CancelBtn->text();
        cancelShown = m_dialog->CancelBtn->isVisible();
        focused = m_dialog->focusWidget();
        perform(m_dialog, action);
    });
    QCOMPARE(askToSaveChanges(*m_dialog, caller), expected);

    QCOMPARE(shown, texts);
    QVERIFY(cancelShown);
    QCOMPARE(focused, m_dialog->JaBtn);
    QCOMPARE(m_dialog->windowTitle(), ProgNam);
}

void TestYesNo::closingQuestion_withoutChanges_asksNothing()
{
    ChangedB = false;
    ShowCounter counter;
    m_dialog->installEventFilter(&counter);
    QTimer::singleShot(
        2000, m_dialog, [this] { m_dialog->hide(); }); // in case it is shown after all

    QWidget caller;
    QCOMPARE(askToSaveChanges(*m_dialog, caller), SaveAnswer::DontSave);
    QCOMPARE(counter.shows, 0);
}

QTEST_MAIN(TestYesNo)
#include "tst_yesno.moc"

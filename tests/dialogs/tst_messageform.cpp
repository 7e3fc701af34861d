#include "dialogs/BevelPanel.h"
#include "dialogs/MessForm.h"
#include "platform/DesignScale.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

namespace {

// Rows the memo itself shows, counted from its own laid-out document.
int rowsShownBy(QTextEdit* memo)
{
    memo->document()->documentLayout()->documentSize();
    int rows = 0;
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next())
        rows += block.layout()->lineCount();
    return rows;
}

QString words(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("woord%1").arg(i);
    return list.join(QLatin1Char(' '));
}

} // namespace

class TestMessageForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void lines_setHeightsFromRows_data();
    void lines_setHeightsFromRows();
    void longText_memoLimitedToScreenLess200AndScrolls();
    void rowsCounted_matchWhatTheMemoShows();
    void centredOverCaller_evenOffScreen_data();
    void centredOverCaller_evenOffScreen();
    void execute_returnsAtOnceAndWindowHidesItself();
    void secondMessage_getsItsFullTime();

private:
    TMessageForm* m_form = nullptr;
};

void TestMessageForm::initTestCase()
{
    platform::setScreenPixelsPerInchForTesting(120);
}

void TestMessageForm::init()
{
    m_form = new TMessageForm;
}

void TestMessageForm::cleanup()
{
    delete m_form;
    m_form = nullptr;
}

void TestMessageForm::lines_setHeightsFromRows_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("rows");

    QTest::newRow("two short lines")
        << QStringLiteral("Het project Test") << QStringLiteral("is bewaard.")
        << QStringLiteral("Het project Test\nis bewaard.") << 2;
    QTest::newRow("empty first text") << QString() << QStringLiteral("Browser not opened.")
                                      << QStringLiteral("Browser not opened.") << 1;
    QTest::newRow("empty second text")
        << QStringLiteral("E-mail is in de fout gegaan.") << QString()
        << QStringLiteral("E-mail is in de fout gegaan.") << 1;
    QTest::newRow("both empty") << QString() << QString() << QString() << 0;
}

void TestMessageForm::lines_setHeightsFromRows()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, shown);
    QFETCH(int, rows);

    m_form->Execute(100, 100, 600, 800, first, second, 5000);

    const int f = m_form->MessageMemo->font().pointSize();
    QCOMPARE(f, 10);
    QCOMPARE(m_form->MessageMemo->toPlainText(), shown);
    QCOMPARE(m_form->MessageMemo->height(), (rows + 2) * f);
    QCOMPARE(m_form->height(), m_form->MessageMemo->height() + 50);
    // 20 pixels either side of the memo, the window keeps its design width.
    QCOMPARE(m_form->width(), 699);
    QCOMPARE(m_form->MessageMemo->x(), 20);
    QCOMPARE(m_form->MessageMemo->width(), 699 - 40);
    QCOMPARE(m_form->MessagePanel->geometry(), m_form->rect());
}

void TestMessageForm::longText_memoLimitedToScreenLess200AndScrolls()
{
    const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();
    m_form->Execute(0, 0, 600, 800, words(2000), QString(), 5000);

    QCOMPARE(m_form->MessageMemo->height(), screenHeight - 200);
    QCOMPARE(m_form->height(), screenHeight - 150);
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    QTRY_VERIFY(m_form->MessageMemo->verticalScrollBar()->maximum() > 0);
}

void TestMessageForm::rowsCounted_matchWhatTheMemoShows()
{
    // The first call counts at the design width, later calls at the memo's own width.
    m_form->Execute(0, 0, 600, 800, QStringLiteral("x"), QString(), 5000);
    m_form->Execute(0, 0, 600, 800, words(40), QStringLiteral("tweede regel"), 5000);
    QVERIFY(QTest::qWaitForWindowExposed(m_form));

    const int shownRows = rowsShownBy(m_form->MessageMemo);
    QVERIFY2(shownRows > 2, "the first text should wrap");
    QCOMPARE(m_form->MessageMemo->height(), (shownRows + 2) * 10);
}

void TestMessageForm::centredOverCaller_evenOffScreen_data()
{
    QTest::addColumn<QRect>("caller"); // x = left, y = top
    QTest::addColumn<QPoint>("topLeft");

    // The window is 699 wide and, for two lines, 90 high.
    QTest::newRow("on screen") << QRect(50, 100, 1000, 300) << QPoint(200, 205);
    QTest::newRow("partly off screen") << QRect(-900, -250, 1000, 300) << QPoint(-750, -145);
    QTest::newRow("smaller than the window") << QRect(300, 300, 200, 51) << QPoint(51, 281);
}

void TestMessageForm::centredOverCaller_evenOffScreen()
{
    QFETCH(QRect, caller);
    QFETCH(QPoint, topLeft);

    m_form->Execute(caller.top(), caller.left(), caller.height(), caller.width(),
        QStringLiteral("een"), QStringLiteral("twee"), 5000);
    QCOMPARE(m_form->pos(), topLeft);
}

void TestMessageForm::execute_returnsAtOnceAndWindowHidesItself()
{
    m_form->Execute(
        0, 0, 600, 800, QStringLiteral("Het project X"), QStringLiteral("is bewaard."), 150);

    QVERIFY(m_form->isVisible());
    QVERIFY(m_form->Timer.isActive());
    QCOMPARE(m_form->Timer.interval(), 150);
    QTRY_VERIFY_WITH_TIMEOUT(!m_form->isVisible(), 5000);
    QVERIFY(!m_form->Timer.isActive());
}

void TestMessageForm::secondMessage_getsItsFullTime()
{
    // Far enough apart that a countdown carried over (under 800 ms left) and
    // a fresh one (about 2000 ms) cannot be confused, even with a coarse timer.
    m_form->Execute(0, 0, 600, 800, QStringLiteral("eerste"), QString(), 2000);
    QTest::qWait(1200);
    m_form->Execute(0, 0, 600, 800, QStringLiteral("tweede"), QString(), 2000);

    QVERIFY(m_form->isVisible());
    QVERIFY(m_form->Timer.remainingTime() > 1500);
    QCOMPARE(m_form->MessageMemo->toPlainText(), QStringLiteral("tweede"));
}

QTEST_MAIN(TestMessageForm)
#include "tst_messageform.moc"

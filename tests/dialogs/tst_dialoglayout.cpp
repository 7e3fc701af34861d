#include "dialogs/DialogLayout.h"
#include "dialogs/YesNo.h"

#include <QTest>

// The sizing rules of the question dialog and the timed message, without a display.
class TestDialogLayout : public QObject
{
    Q_OBJECT

private slots:
    void questionWidth_followsMessageButNeverNarrower_data();
    void questionWidth_followsMessageButNeverNarrower();
    void questionButtons_sitAtBothEdgesAndCentre();
    void questionHeight_hasOneRowMoreThanTheMessage_data();
    void questionHeight_hasOneRowMoreThanTheMessage();
    void messageMemo_twoRowsMoreButAtMostScreenLess200_data();
    void messageMemo_twoRowsMoreButAtMostScreenLess200();
    void centring_truncatesTowardZeroAndMayLeaveScreen_data();
    void centring_truncatesTowardZeroAndMayLeaveScreen();
    void messageLines_breakOnlyAtCarriageReturns_data();
    void messageLines_breakOnlyAtCarriageReturns();
};

// At 120 ppi the No button's design right edge is 290 + 83 = 373.
void TestDialogLayout::questionWidth_followsMessageButNeverNarrower_data()
{
    QTest::addColumn<int>("textWidth");
    QTest::addColumn<int>("neeRight");
    QTest::addColumn<int>("panelWidth");
    QTest::addColumn<int>("clientWidth");

    QTest::newRow("short message keeps the design") << 400 << 373 << 357 << 389;
    QTest::newRow("empty message keeps the design") << 0 << 373 << 357 << 389;
    QTest::newRow("wide message") << 2500 << 373 << 500 << 532;
    QTest::newRow("rounds to nearest") << 2600 << 373 << 510 << 542; // 509.9
    QTest::newRow("short after wide keeps the width") << 400 << 516 << 500 << 532;
}

void TestDialogLayout::questionWidth_followsMessageButNeverNarrower()
{
    QFETCH(int, textWidth);
    QFETCH(int, neeRight);
    QFETCH(int, panelWidth);
    QFETCH(int, clientWidth);

    const YesNoWidths w = yesNoWidths(textWidth, neeRight, 83, 135);
    QCOMPARE(w.panelLeft, 16);
    QCOMPARE(w.panelWidth, panelWidth);
    QCOMPARE(w.memoLeft, 8);
    QCOMPARE(w.memoWidth, panelWidth - 16);
    QCOMPARE(w.clientWidth, clientWidth);
}

void TestDialogLayout::questionButtons_sitAtBothEdgesAndCentre()
{
    const YesNoWidths w = yesNoWidths(2500, 373, 83, 135);
    QCOMPARE(w.jaLeft, 16);
    QCOMPARE(w.neeLeft + 83, w.panelLeft + w.panelWidth); // flush with the panel
    QCOMPARE(w.cancelLeft, (532 - 135) / 2);
    // The next question starts from the No button's new place and keeps the width.
    QCOMPARE(yesNoWidths(1, w.neeLeft + 83, 83, 135).clientWidth, 532);
}

void TestDialogLayout::questionHeight_hasOneRowMoreThanTheMessage_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<int>("memoHeight");

    QTest::newRow("one line, 10 pt") << 1 << 10 << 32;
    QTest::newRow("three lines, 10 pt") << 3 << 10 << 64;
    QTest::newRow("step rounds to nearest, 9 pt") << 2 << 9 << 42; // 14.4 -> 14
    QTest::newRow("step rounds half up, 15 pt") << 1 << 15 << 48; // 24
}

void TestDialogLayout::questionHeight_hasOneRowMoreThanTheMessage()
{
    QFETCH(int, rows);
    QFETCH(int, pointSize);
    QFETCH(int, memoHeight);

    const YesNoHeights h = yesNoHeights(rows, pointSize, 34);
    QCOMPARE(h.memoHeight, memoHeight);
    QCOMPARE(h.panelHeight, memoHeight + 15);
    QCOMPARE(h.buttonTop, memoHeight + 15 + 27);
    QCOMPARE(h.clientHeight, memoHeight + 15 + 27 + 34 + 15);
}

void TestDialogLayout::messageMemo_twoRowsMoreButAtMostScreenLess200_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("screenHeight");
    QTest::addColumn<int>("memoHeight");

    QTest::newRow("two short lines") << 2 << 1080 << 40;
    QTest::newRow("no lines") << 0 << 1080 << 20;
    QTest::newRow("exactly at the limit") << 86 << 1080 << 880;
    QTest::newRow("beyond the limit") << 87 << 1080 << 880;
    QTest::newRow("small screen") << 50 << 600 << 400;
}

void TestDialogLayout::messageMemo_twoRowsMoreButAtMostScreenLess200()
{
    QFETCH(int, rows);
    QFETCH(int, screenHeight);
    QFETCH(int, memoHeight);

    QCOMPARE(messageMemoHeight(rows, 10, screenHeight), memoHeight);
}

void TestDialogLayout::centring_truncatesTowardZeroAndMayLeaveScreen_data()
{
    QTest::addColumn<QList<int>>("caller"); // top, left, height, width
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<QPoint>("topLeft");

    QTest::newRow("inside") << QList<int> { 100, 200, 600, 800 } << QSize(400, 200)
                            << QPoint(400, 300);
    QTest::newRow("odd difference")
        << QList<int> { 0, 0, 101, 101 } << QSize(50, 50) << QPoint(25, 25);
    QTest::newRow("larger than caller")
        << QList<int> { 100, 100, 95, 95 } << QSize(100, 100) << QPoint(98, 98);
    QTest::newRow("caller partly off screen")
        << QList<int> { -300, -900, 400, 1000 } << QSize(600, 100) << QPoint(-700, -150);
}

void TestDialogLayout::centring_truncatesTowardZeroAndMayLeaveScreen()
{
    QFETCH(QList<int>, caller);
    QFETCH(QSize, outer);
    QFETCH(QPoint, topLeft);

    QCOMPARE(centredOver(caller[0], caller[1], caller[2], caller[3], outer.height(), outer.width()),
        topLeft);
}

void TestDialogLayout::messageLines_breakOnlyAtCarriageReturns_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("one line") << QStringLiteral("Opslaan?")
                              << QStringList { QStringLiteral("Opslaan?") };
    QTest::newRow("empty") << QString() << QStringList { QString() };
    QTest::newRow("two returns") << QStringLiteral(
        "a\rb\rc") << QStringList { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") };
    QTest::newRow("line feed stays")
        << QStringLiteral("a\r\nb") << QStringList { QStringLiteral("a"), QStringLiteral("\nb") };
    QTest::newRow("trailing return")
        << QStringLiteral("a\r") << QStringList { QStringLiteral("a"), QString() };
    QTest::newRow("line feed alone")
        << QStringLiteral("a\nb") << QStringList { QStringLiteral("a\nb") };
}

void TestDialogLayout::messageLines_breakOnlyAtCarriageReturns()
{
    QFETCH(QString, message);
    QFETCH(QStringList, lines);

    QCOMPARE(TYesNoDlg::messageLines(message), lines);
}

QTEST_GUILESS_MAIN(TestDialogLayout)
#include "tst_dialoglayout.moc"

#include "app/MainWindowGeometry.h"

#include <QTest>

class MainWindowGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void geometry_showsTheLayoutAndKeepsTheBottomOnTheScreen_data()
    {
        QTest::addColumn<QPoint>("corner");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("designWidth");
        QTest::addColumn<QRect>("placed");
        // The layout's 813 columns and a 15-pixel scroll bar.
        const QMargins title(1, 20, 1, 1);
        const QRect sxga(0, 0, 1280, 1024);
        QTest::newRow("96 ppi: wider than the buttons, frame moved up to fit")
            << QPoint(200, 100) << title << sxga << 750 << QRect(201, 22, 828, 1001);
        QTest::newRow("120 ppi: the buttons are wider than the layout")
            << QPoint(200, 100) << title << sxga << 937 << QRect(201, 22, 937, 1001);
        QTest::newRow("no window manager")
            << QPoint(200, 100) << QMargins() << sxga << 750 << QRect(200, 2, 828, 1022);
        QTest::newRow("title bar above the screen")
            << QPoint(200, -40) << title << sxga << 750 << QRect(201, 20, 828, 1001);
        QTest::newRow("full HD with a panel below")
            << QPoint(200, 100) << title << QRect(0, 0, 1920, 1040) << 750
            << QRect(201, 22, 828, 1017);
        QTest::newRow("4K at scale 2") << QPoint(200, 100) << title << QRect(0, 0, 1920, 1080)
                                       << 750 << QRect(201, 22, 828, 1057);
        QTest::newRow("narrow screen: the view scrolls sideways")
            << QPoint(200, 100) << title << QRect(0, 0, 800, 600) << 750 << QRect(1, 22, 798, 577);
        QTest::newRow("narrower than the buttons")
            << QPoint(0, 0) << title << QRect(0, 0, 640, 480) << 750 << QRect(1, 20, 750, 457);
        QTest::newRow("second screen") << QPoint(1500, 100) << title << QRect(1280, 0, 1920, 1080)
                                       << 750 << QRect(1501, 22, 828, 1057);
    }
    void geometry_showsTheLayoutAndKeepsTheBottomOnTheScreen()
    {
        QFETCH(QPoint, corner);
        QFETCH(QMargins, frame);
        QFETCH(QRect, available);
        QFETCH(int, designWidth);
        QFETCH(QRect, placed);
        const QRect client = mainWindowGeometry(corner, frame, available, { designWidth, 828 });
        QCOMPARE(client, placed);
        // The frame spans the available height less 2 pixels and its bottom
        // edge is on the screen.
        const QRect outer = client.marginsAdded(frame);
        QCOMPARE(outer.height(), available.height() - 2);
        QVERIFY(outer.top() >= available.top());
        QVERIFY(outer.bottom() <= available.bottom());
    }
};

QTEST_GUILESS_MAIN(MainWindowGeometryTest)
#include "tst_mainwindowgeometry.moc"

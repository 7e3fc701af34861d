#include "platform/Settings.h"
#include "platform/WindowPlacement.h"
#include "tests/DesktopScreen.h"
#include "tests/FreshSettings.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

using platform::placedClientRect;

class WindowPlacementTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        clearProgramSettings();
    }

    void placedClientRect_keepsTheFrameOnTheScreen_data()
    {
        QTest::addColumn<QPoint>("corner");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("placed");
        const QSize editor(556, 731);
        const QMargins title(1, 20, 1, 1); // a window manager's frame
        const QRect desktop(0, 0, 1280, 1024);
        QTest::newRow("fits: the frame's corner is the stored point")
            << QPoint(200, 100) << editor << title << desktop << QRect(201, 120, 556, 731);
        QTest::newRow("no window manager")
            << QPoint(200, 100) << editor << QMargins() << desktop << QRect(200, 100, 556, 731);
        QTest::newRow("title bar above the screen")
            << QPoint(200, -40) << editor << title << desktop << QRect(201, 20, 556, 731);
        QTest::newRow("left of the screen")
            << QPoint(-300, 100) << editor << title << desktop << QRect(1, 120, 556, 731);
        QTest::newRow("past the right edge")
            << QPoint(1200, 100) << editor << title << desktop << QRect(723, 120, 556, 731);
        QTest::newRow("bottom below the screen")
            << QPoint(200, 400) << editor << title << desktop << QRect(201, 292, 556, 731);
        QTest::newRow("taller than the screen keeps its title bar") << QPoint(
            200, 100) << QSize(556, 1100) << title << desktop << QRect(201, 20, 556, 1100);
        QTest::newRow("wider than the screen keeps its left edge")
            << QPoint(200, 100) << QSize(1400, 400) << title << desktop << QRect(1, 120, 1400, 400);
        QTest::newRow("second screen") << QPoint(1300, 50) << editor << title
                                       << QRect(1280, 0, 1920, 1080) << QRect(1301, 70, 556, 731);
        QTest::newRow("panel along the top") << QPoint(200, 0) << editor << title
                                             << QRect(0, 30, 1280, 994) << QRect(201, 50, 556, 731);
    }
    void placedClientRect_keepsTheFrameOnTheScreen()
    {
        QFETCH(QPoint, corner);
        QFETCH(QSize, client);
        QFETCH(QMargins, frame);
        QFETCH(QRect, available);
        QFETCH(QRect, placed);
        QCOMPARE(placedClientRect(corner, client, frame, available), placed);
    }

    // The test screen gives windows a frame, so the frame's corner and the
    // client area's differ, as under a window manager.
    void restoreAndStore_keepTheFramesCornerOverManyRuns()
    {
        platform::Settings::writeInteger(QStringLiteral("TestLeft"), 321);
        platform::Settings::writeInteger(QStringLiteral("TestTop"), 54);
        for (int run = 0; run < 3; ++run) {
            QWidget window;
            window.setFixedSize(300, 200);
            platform::WindowPosition position(
                &window, QStringLiteral("TestLeft"), QStringLiteral("TestTop"));
            for (int showing = 0; showing < 2; ++showing) {
                position.restore();
                window.show();
                QVERIFY(QTest::qWaitForWindowExposed(&window));
                QCOMPARE(window.frameGeometry().topLeft(), QPoint(321, 54));
                QVERIFY(window.geometry().topLeft() != QPoint(321, 54));
                position.store();
                window.hide();
            }
        }
        QCOMPARE(platform::Settings::readInteger(QStringLiteral("TestLeft"), 0), 321);
        QCOMPARE(platform::Settings::readInteger(QStringLiteral("TestTop"), 0), 54);
    }

    void restore_firstUseAndPlacesOffTheScreen_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QPoint>("corner");
        QTest::newRow("first use") << QString() << QString() << QPoint(200, 100);
        QTest::newRow("not numbers")
            << QStringLiteral("x") << QStringLiteral("1.5") << QPoint(200, 100);
        QTest::newRow("crept above the screen")
            << QStringLiteral("200") << QStringLiteral("-40") << QPoint(200, 0);
        QTest::newRow("screen no longer there")
            << QStringLiteral("3000") << QStringLiteral("2000") << QPoint(1280 - 304, 1024 - 204);
    }
    void restore_firstUseAndPlacesOffTheScreen()
    {
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(QPoint, corner);
        if (!left.isNull()) {
            platform::Settings::writeString(QStringLiteral("TestLeft"), left);
            platform::Settings::writeString(QStringLiteral("TestTop"), top);
        }
        // The program's main window is up: its frame tells how large the
        // new window's frame will be.
        QWidget mainWindow;
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        QWidget window;
        window.setFixedSize(300, 200);
        platform::WindowPosition position(
            &window, QStringLiteral("TestLeft"), QStringLiteral("TestTop"));
        position.restore();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.frameGeometry().topLeft(), corner);
    }
};

QZ_DESKTOP_TEST_MAIN(WindowPlacementTest)
#include "tst_windowplacement.moc"

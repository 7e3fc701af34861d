#pragma once

#include <QByteArray>
#include <QtGlobal>

// Window tests run on offscreen screens whose windows get a frame, as a
// window manager draws one: a window's position (its frame's corner) then
// differs from its client area's, as on a real desktop. The first screen is
// 1280 × 1024; a small one of 800 × 600 lies to its right, from x = 1280.
// Call before the application object is made.
inline void useDesktopTestScreen()
{
    qputenv("QT_QPA_PLATFORM",
        QByteArray("offscreen:configfile=" QZ_TEST_DATA_DIR "/screens/desktop.json"));
}

// QTEST_MAIN on that screen.
#define QZ_DESKTOP_TEST_MAIN(TestObject)                                                           \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        useDesktopTestScreen();                                                                    \
        QApplication application(argc, argv);                                                      \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

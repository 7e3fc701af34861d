#include "platform/DesignScale.h"

#include <QTest>

class DesignScaleTest : public QObject
{
    Q_OBJECT

private slots:
    void scaled_data()
    {
        QTest::addColumn<int>("design");
        QTest::addColumn<int>("ppi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("design resolution") << 168 << 120 << 168;
        QTest::newRow("96 ppi") << 168 << 96 << 134; // 134.4
        QTest::newRow("144 ppi") << 937 << 144 << 1124; // 1124.4
        QTest::newRow("negative") << -3 << 96 << -2;
    }
    void scaled()
    {
        QFETCH(int, design);
        QFETCH(int, ppi);
        QFETCH(int, pixels);
        QCOMPARE(platform::scaled(design, ppi), pixels);
        platform::setScreenPixelsPerInchForTesting(ppi);
        QCOMPARE(platform::scaled(design), pixels);
        platform::setScreenPixelsPerInchForTesting(0);
    }
};

QTEST_GUILESS_MAIN(DesignScaleTest)
#include "tst_designscale.moc"

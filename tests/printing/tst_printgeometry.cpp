#include "printing/PrintGeometry.h"

#include <QTest>

class PrintGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void roundHalfToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("half to even below") << 742.5 << 742;
        QTest::newRow("half to even above") << 787.5 << 788;
        QTest::newRow("not a half") << 1113.75 << 1114;
        QTest::newRow("just under a half") << 2.4999 << 2;
        QTest::newRow("negative half") << -1.5 << -2;
        QTest::newRow("minus a half") << -0.5 << 0;
    }
    void roundHalfToEven()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(::roundHalfToEven(value), rounded);
    }

    void previewSizes_followScreenResolution_data()
    {
        QTest::addColumn<int>("ppi");
        QTest::addColumn<QSize>("first");
        QTest::addColumn<QSize>("lasting");
        QTest::newRow("96 ppi") << 96 << QSize(420, 594) << QSize(630, 891);
        // 594 × 1.25 = 742.5 and 630 × 1.25 = 787.5: halves go to the even side.
        QTest::newRow("120 ppi") << 120 << QSize(525, 742) << QSize(788, 1114);
        // 891 × 1.5 = 1336.5
        QTest::newRow("144 ppi") << 144 << QSize(630, 891) << QSize(945, 1336);
    }
    void previewSizes_followScreenResolution()
    {
        QFETCH(int, ppi);
        QFETCH(QSize, first);
        QFETCH(QSize, lasting);
        const double rScreen = ppi / 96.0;
        QCOMPARE(firstPreviewSize(rScreen), first);
        QCOMPARE(previewAreaSize(rScreen), lasting);
    }

    void printTarget_scalesEachDirectionByItsOwnResolution_data()
    {
        QTest::addColumn<QSize>("sheet");
        QTest::addColumn<int>("dpiX");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<QSize>("dots");
        QTest::newRow("600 dpi") << QSize(813, 1188) << 600 << 600 << QSize(4765, 6940);
        QTest::newRow("coarser down") << QSize(813, 1188) << 600 << 300 << QSize(4765, 3470);
        QTest::newRow("coarser across") << QSize(813, 1188) << 300 << 600 << QSize(2383, 6940);
        QTest::newRow("wide sheet") << QSize(1600, 1188) << 600 << 600 << QSize(9378, 6940);
        QTest::newRow("96 dpi") << QSize(813, 1188) << 96 << 96 << QSize(762, 1110);
    }
    void printTarget_scalesEachDirectionByItsOwnResolution()
    {
        QFETCH(QSize, sheet);
        QFETCH(int, dpiX);
        QFETCH(int, dpiY);
        QFETCH(QSize, dots);
        QCOMPARE(printTargetRect(sheet, dpiX, dpiY), QRect(QPoint(0, 0), dots));
    }
};

QTEST_GUILESS_MAIN(PrintGeometryTest)
#include "tst_printgeometry.moc"

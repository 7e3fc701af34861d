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

    void printerGeometry_isTodaysTargetRectangle()
    {
        const PageGeometry geometry = printerPageGeometry(600, 300, QPointF(4.2, 5.0));
        QCOMPARE(geometry.originMm, QPointF(4.2, 5.0));
        // 4765 dots across 813 pixels at 600 dpi, 3470 down 1188 at 300 dpi.
        QVERIFY(qAbs(geometry.sheetPixelMm.width() - 4765.0 / 813 * 25.4 / 600) < 1e-9);
        QVERIFY(qAbs(geometry.sheetPixelMm.height() - 3470.0 / 1188 * 25.4 / 300) < 1e-9);
        QVERIFY(qAbs(geometry.sheetPixelMm.width() - 0.24813) < 0.0001);
        QVERIFY(qAbs(geometry.sheetPixelMm.height() - 0.24732) < 0.0002);
    }

    void sheetToDevice_placesEachPartFromTheLayoutsCorner_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<QPointF>("sheetPoint");
        QTest::addColumn<QPointF>("devicePoint");
        // 10 dots per mm, device origin 1 mm from the paper's corner, the
        // layout's corner at 4 mm: 30 dots in, 2.5 dots per sheet pixel.
        QTest::newRow("whole, corner")
            << int(inlay::Part::Whole) << QPointF(0, 0) << QPointF(30, 30);
        QTest::newRow("whole, column 812 row 1147")
            << int(inlay::Part::Whole) << QPointF(812, 1147) << QPointF(2060, 2897.5);
        QTest::newRow("front alone")
            << int(inlay::Part::Front) << QPointF(177, 57) << QPointF(472.5, 172.5);
        QTest::newRow("back alone starts at the top")
            << int(inlay::Part::Back) << QPointF(116, 553) << QPointF(320, 30);
    }
    void sheetToDevice_placesEachPartFromTheLayoutsCorner()
    {
        QFETCH(int, part);
        QFETCH(QPointF, sheetPoint);
        QFETCH(QPointF, devicePoint);
        const QTransform transform
            = sheetToDevice(pdfPageGeometry(), inlay::Part(part), QPointF(1, 1), QSizeF(10, 10));
        QCOMPARE(transform.map(sheetPoint), devicePoint);
    }

    void pagePlan_splitsTheInlaysOnlyWhenThePaperIsTooShort_data()
    {
        QTest::addColumn<double>("originMm");
        QTest::addColumn<double>("pixelMm");
        QTest::addColumn<double>("bottomMm");
        QTest::addColumn<int>("pages");
        // The lowest marks end at row 1148.
        QTest::newRow("PDF on A4") << 4.0 << 0.25 << 297.0 << 1;
        QTest::newRow("PDF on Letter") << 4.0 << 0.25 << 279.4 << 2;
        QTest::newRow("exactly fits") << 4.0 << 0.25 << 291.0 << 1;
        QTest::newRow("printer on A4") << 4.2 << 0.24732 << 292.8 << 1;
        QTest::newRow("printer on Letter") << 4.2 << 0.24732 << 275.2 << 2;
    }
    void pagePlan_splitsTheInlaysOnlyWhenThePaperIsTooShort()
    {
        QFETCH(double, originMm);
        QFETCH(double, pixelMm);
        QFETCH(double, bottomMm);
        QFETCH(int, pages);
        const PageGeometry geometry { QPointF(originMm, originMm), QSizeF(pixelMm, pixelMm) };
        const QList<inlay::Part> plan = pagePlan(geometry, bottomMm);
        QCOMPARE(plan.size(), pages);
        if (pages == 2)
            QCOMPARE(plan, QList<inlay::Part>({ inlay::Part::Front, inlay::Part::Back }));
    }
};

QTEST_GUILESS_MAIN(PrintGeometryTest)
#include "tst_printgeometry.moc"

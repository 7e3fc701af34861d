#include "inlay/LayoutSheet.h"

#include <QFontMetrics>
#include <QSet>
#include <QTest>

// The layout's geometry is written out here again from the design, point by
// point, so that a wrong number in the program shows up as a wrong pixel.
namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

using PixelSet = QSet<QPair<int, int>>;

void addOutline(PixelSet& pixels, int left, int top, int right, int bottom)
{
    for (int x = left; x < right; ++x) {
        pixels.insert({ x, top });
        pixels.insert({ x, bottom - 1 });
    }
    for (int y = top; y < bottom; ++y) {
        pixels.insert({ left, y });
        pixels.insert({ right - 1, y });
    }
}

void addHorizontal(PixelSet& pixels, int y, int fromX, int toXExcluded)
{
    for (int x = fromX; x < toXExcluded; ++x)
        pixels.insert({ x, y });
}

void addVertical(PixelSet& pixels, int x, int fromY, int toYExcluded)
{
    for (int y = std::max(fromY, 0); y < toYExcluded; ++y)
        pixels.insert({ x, y });
}

// Every black pixel of the empty layout.
PixelSet expectedLayoutPixels()
{
    PixelSet pixels;
    addOutline(pixels, 177, 57, 663, 543);
    addOutline(pixels, 141, 610, 699, 1088);
    addOutline(pixels, 116, 610, 142, 1088);
    addOutline(pixels, 698, 610, 724, 1088);
    for (int y : { 57, 542 }) {
        addHorizontal(pixels, y, 27, 167);
        addHorizontal(pixels, y, 673, 813);
    }
    for (int x : { 177, 662 }) {
        addVertical(pixels, x, -3, 47);
        addVertical(pixels, x, 553, 603);
    }
    for (int y : { 610, 1087 }) {
        addHorizontal(pixels, y, 27, 106);
        addHorizontal(pixels, y, 734, 813);
    }
    for (int x : { 116, 723 }) {
        addVertical(pixels, x, 553, 600);
        addVertical(pixels, x, 1098, 1148);
    }
    return pixels;
}

QString firstMismatch(const QImage& image, const PixelSet& black)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb expected = black.contains({ x, y }) ? kBlack : kWhite;
            if (image.pixel(x, y) != expected)
                return QStringLiteral("pixel (%1, %2) is %3")
                    .arg(x)
                    .arg(y)
                    .arg(image.pixel(x, y), 8, 16);
        }
    }
    return QString();
}

QImage solidImage(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The bounding box of the pixels that differ between two images of one size.
QRect changedArea(const QImage& before, const QImage& after)
{
    QRect area;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

QRect inkArea(const QImage& image, QRgb background)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background && image.pixel(x, y) != kWhite)
                area |= QRect(x, y, 1, 1);
    return area;
}

QFont testFont()
{
    QFont font = sheet::spineFont(96);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

class LayoutSheetTest : public QObject
{
    Q_OBJECT

private slots:
    void sheetSize_holdsTheWholeLayoutAndFillsTheView()
    {
        QCOMPARE(sheet::sheetSize(QSize(920, 400)), QSize(920, 1188));
        QCOMPARE(sheet::sheetSize(QSize(920, 1300)), QSize(920, 1300));
        QCOMPARE(sheet::sheetSize(QSize(735, 400)), QSize(813, 1188));
    }

    void emptyLayout_drawsExactlyFramesAndCutMarks_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("view wide enough") << 840;
        QTest::newRow("view narrower than the marks") << 735;
        QTest::newRow("view cuts through the front frame") << 400;
    }
    void emptyLayout_drawsExactlyFramesAndCutMarks()
    {
        QFETCH(int, width);
        QImage image = sheet::createSheet(QSize(width, 1188));
        sheet::drawEmptyLayout(image);
        QCOMPARE(image.size(), QSize(width, 1188));
        QCOMPARE(firstMismatch(image, expectedLayoutPixels()), QString());
    }

    void emptyLayout_namedPixels()
    {
        QImage image = sheet::createSheet(QSize(840, 1188));
        sheet::drawEmptyLayout(image);
        struct Probe
        {
            int x, y;
            QRgb colour;
            const char* what;
        };
        const Probe probes[] = {
            { 177, 0, kBlack, "mark above the front frame reaches row 0" },
            { 177, 46, kBlack, "last pixel of the mark above the front frame" },
            { 177, 47, kWhite, "end point of a mark is not drawn" },
            { 166, 57, kBlack, "last pixel of the top-left front mark" },
            { 167, 57, kWhite, "end point of the top-left front mark" },
            { 812, 57, kBlack, "right front mark reaches column 812" },
            { 662, 300, kBlack, "front frame's right outline" },
            { 663, 300, kWhite, "right edge of a rectangle is exclusive" },
            { 178, 58, kWhite, "front frame's interior" },
            { 116, 599, kBlack, "back mark above, 47 pixels long" },
            { 116, 600, kWhite, "back mark above ends short of the frame" },
            { 116, 1147, kBlack, "back mark below, 50 pixels long" },
            { 141, 800, kBlack, "fold between left spine and panel" },
            { 140, 800, kWhite, "left spine interior" },
            { 723, 1087, kBlack, "bottom-right corner of the right spine" },
        };
        for (const Probe& probe : probes)
            QVERIFY2(image.pixel(probe.x, probe.y) == probe.colour, probe.what);
    }

    void stretchDraw_fillsTheAreaWithoutKeepingTheAspect_data()
    {
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<bool>("splitSideways");
        QTest::newRow("wide picture into the front") << QSize(300, 100) << true;
        QTest::newRow("tall picture into the front") << QSize(90, 700) << false;
    }
    void stretchDraw_fillsTheAreaWithoutKeepingTheAspect()
    {
        QFETCH(QSize, pictureSize);
        QFETCH(bool, splitSideways);
        // Two halves of different colours show where the picture's middle lands.
        QImage picture = solidImage(pictureSize, Qt::red);
        const QRect secondHalf = splitSideways
            ? QRect(pictureSize.width() / 2, 0, pictureSize.width() / 2, pictureSize.height())
            : QRect(0, pictureSize.height() / 2, pictureSize.width(), pictureSize.height() / 2);
        for (int y = secondHalf.top(); y <= secondHalf.bottom(); ++y)
            for (int x = secondHalf.left(); x <= secondHalf.right(); ++x)
                picture.setPixel(x, y, qRgb(0, 0, 255));

        QImage image = sheet::createSheet(QSize(840, 1188));
        sheet::drawEmptyLayout(image);
        const QImage before = image;
        sheet::stretchDraw(image, picture, sheet::kFrontArea);

        QCOMPARE(changedArea(before, image), QRect(180, 60, 480, 480));
        const QPoint firstHalfEnd = splitSideways ? QPoint(419, 300) : QPoint(400, 299);
        const QPoint secondHalfStart = splitSideways ? QPoint(420, 300) : QPoint(400, 300);
        QCOMPARE(image.pixel(firstHalfEnd), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(secondHalfStart), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(179, 59), kWhite); // the gap inside the frame stays
    }

    void stretchDraw_onANarrowSheet_drawsWhatFitsAsOnAWideOne()
    {
        QImage picture(QSize(37, 23), QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x * 7, y * 11, 128));
        QImage wide = sheet::createSheet(QSize(840, 1188));
        QImage narrow = sheet::createSheet(QSize(400, 1188));
        sheet::stretchDraw(wide, picture, sheet::kFrontArea);
        sheet::stretchDraw(narrow, picture, sheet::kFrontArea);
        QCOMPARE(narrow, wide.copy(0, 0, 400, 1188));
    }

    void rotatedText_turnsAboutTheAnchor_data()
    {
        QTest::addColumn<int>("angle");
        QTest::newRow("90: upwards, tops towards smaller x") << 90;
        QTest::newRow("270: downwards, tops towards larger x") << 270;
    }
    void rotatedText_turnsAboutTheAnchor()
    {
        QFETCH(int, angle);
        const QFont font = testFont();
        const QFontMetrics metrics(font);
        const QString text = QStringLiteral("T       ");
        const int length = metrics.horizontalAdvance(text);
        const int thickness = metrics.height();
        const QPoint anchor(300, 500);

        // On a grey ground the opaque white cell shows exactly.
        QImage image = solidImage(QSize(600, 1000), QColor(128, 128, 128));
        sheet::drawRotatedText(image, font, angle, anchor, text);
        const QRect cell = angle == 90
            ? QRect(anchor.x(), anchor.y() - length, thickness, length)
            : QRect(anchor.x() - thickness, anchor.y(), thickness, length);
        QCOMPARE(changedArea(solidImage(image.size(), QColor(128, 128, 128)), image), cell);

        // The "T" starts the text, so all ink lies next to the anchor.
        const QRect ink = inkArea(image, qRgb(128, 128, 128));
        QVERIFY(!ink.isEmpty());
        const int letter = metrics.horizontalAdvance(QStringLiteral("T")) + 1;
        if (angle == 90)
            QVERIFY(ink.top() >= anchor.y() - letter);
        else
            QVERIFY(ink.bottom() <= anchor.y() + letter);

        // The T's bar is its top: it lies on the side the tops face.
        int barColumn = -1;
        int barLength = 0;
        for (int x = ink.left(); x <= ink.right(); ++x) {
            int count = 0;
            for (int y = ink.top(); y <= ink.bottom(); ++y)
                count += image.pixel(x, y) == kBlack;
            if (count > barLength) {
                barLength = count;
                barColumn = x;
            }
        }
        if (angle == 90)
            QVERIFY2(barColumn < ink.center().x(), "letter tops face smaller x");
        else
            QVERIFY2(barColumn > ink.center().x(), "letter tops face larger x");
    }

    void rotatedText_emptyTextDrawsNothing()
    {
        QImage image = solidImage(QSize(100, 100), Qt::gray);
        const QImage before = image;
        sheet::drawRotatedText(image, testFont(), 90, QPoint(50, 90), QString());
        QCOMPARE(image, before);
    }

    void signature_sitsCentredOn552AtRow452_data()
    {
        QTest::addColumn<QSize>("pictureSize");
        QTest::newRow("back picture size") << QSize(552, 472);
        QTest::newRow("larger bitmap") << QSize(800, 600);
    }
    void signature_sitsCentredOn552AtRow452()
    {
        QFETCH(QSize, pictureSize);
        QFont font = sheet::signatureFont(96);
        font.setStyleStrategy(QFont::NoAntialias);
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(QStringLiteral("qzLayer"));

        QImage picture = solidImage(pictureSize, Qt::red);
        const QImage before = picture;
        sheet::signBackPicture(picture, font);
        QCOMPARE(
            changedArea(before, picture), QRect((552 - width) / 2, 452, width, metrics.height()));
        QVERIFY(!inkArea(picture, qRgb(255, 0, 0)).isEmpty());

        const QImage once = picture;
        sheet::signBackPicture(picture, font);
        QCOMPARE(picture, once); // signing again leaves one signature
    }

    void signature_convertsPalettePictures()
    {
        QImage picture(552, 472, QImage::Format_Indexed8);
        picture.setColorTable({ qRgb(0, 0, 255) });
        picture.fill(0);
        sheet::signBackPicture(picture, sheet::signatureFont(96));
        QCOMPARE(picture.pixel(0, 0), qRgb(0, 0, 255));
        QVERIFY(picture.pixel(552 / 2, 452) != qRgb(0, 0, 255));
    }
};

QTEST_MAIN(LayoutSheetTest)
#include "tst_layoutsheet.moc"

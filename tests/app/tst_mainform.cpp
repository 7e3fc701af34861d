#include "app/Main.h"
#include "app/PictureBox.h"
#include "app/PictureOpenDialog.h"
#include "inlay/LayoutSheet.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Picture.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "tests/DesktopScreen.h"
#include "tests/FreshSettings.h"
#include "tests/platform/PictureFixtures.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>
#include <QUrl>

#include <memory>

namespace {

const QString kDefaultName = QStringLiteral("Velmora Last Rose Of Summer 2002");

QImage halves(QSize size, QColor first, QColor second)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(first);
    for (int y = 0; y < size.height(); ++y)
        for (int x = size.width() / 2; x < size.width(); ++x)
            image.setPixel(x, y, second.rgb());
    return image;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QRect changedArea(const QImage& before, const QImage& after, const QRect& within)
{
    QRect area;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

bool near(QRgb actual, QRgb expected)
{
    return std::abs(qRed(actual) - qRed(expected)) < 40
        && std::abs(qGreen(actual) - qGreen(expected)) < 40
        && std::abs(qBlue(actual) - qBlue(expected)) < 40;
}

QImage emptyLayout(QSize size)
{
    QImage image = sheet::createSheet(size);
    sheet::drawEmptyLayout(image);
    return image;
}

} // namespace

class MainFormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::setScreenPixelsPerInchForTesting(120);
        platform::setErrorPresenter([this](const QString& text) { m_errors << text; });
        QVERIFY(m_folder.isValid());
        m_dataDir = QDir::toNativeSeparators(m_folder.filePath(QStringLiteral("data")))
            + QDir::separator();
        m_programDir = QDir::toNativeSeparators(m_folder.filePath(QStringLiteral("program")))
            + QDir::separator();
        QVERIFY(QDir().mkpath(m_dataDir));
        QVERIFY(QDir().mkpath(m_programDir));

        writeFile(m_dataDir + QStringLiteral("wide.jpg"),
            platform::encodeJpeg(halves(QSize(300, 100), Qt::red, Qt::blue)));
        QVERIFY(halves(QSize(552, 472), Qt::green, Qt::yellow)
                    .save(m_dataDir + QStringLiteral("Back.bmp"), "BMP"));
        QVERIFY(halves(QSize(1104, 236), Qt::green, Qt::yellow)
                    .save(m_dataDir + QStringLiteral("flat.bmp"), "BMP"));
        QVERIFY(halves(QSize(40, 40), Qt::red, Qt::blue)
                    .save(m_dataDir + QStringLiteral("picture.xyz"), "PNG"));
        writeFile(
            m_dataDir + QStringLiteral("text.jpg"), "These are the tracks, not a picture.\r\n");
    }

    void init()
    {
        clearProgramSettings();
        m_errors.clear();
    }

    void cleanup()
    {
        m_form.reset();
        platform::setShellHandler(nullptr);
        sLanguage.clear();
    }

    // ---- Start-up, placement and closing ----

    void firstShowing_placesWindowAndReadsProjectName_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QString>("expectedName");
        // The window is as tall as the screen's available area less 2 pixels,
        // so its frame starts at most 2 pixels down.
        QTest::newRow("first start")
            << QString() << QString() << QString() << QPoint(200, 2) << kDefaultName;
        QTest::newRow("stored") << QStringLiteral("310") << QStringLiteral("1")
                                << QStringLiteral("My Album") << QPoint(310, 1)
                                << QStringLiteral("My Album");
        QTest::newRow("not numbers") << QStringLiteral("left") << QStringLiteral("4.5") << QString()
                                     << QPoint(200, 2) << kDefaultName;
    }
    void firstShowing_placesWindowAndReadsProjectName()
    {
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(QString, name);
        QFETCH(QPoint, position);
        QFETCH(QString, expectedName);
        if (!left.isNull())
            platform::Settings::writeString(QStringLiteral("Left"), left);
        if (!top.isNull())
            platform::Settings::writeString(QStringLiteral("Top"), top);
        if (!name.isNull())
            platform::Settings::writeString(QStringLiteral("Project Name"), name);

        TMainForm& form = shownForm();
        QCOMPARE(form.pos(), position);
        QCOMPARE(NameOfProject, expectedName);
        QCOMPARE(form.windowTitle(), QStringLiteral("qzLayer - version 1.00c"));
        QVERIFY(PaintedB);
        QVERIFY(!ChangedB);
        QCOMPARE(form.Edit1->text(), QStringLiteral("Deze tekst komt op de Splines"));
    }

    void firstShowing_drawsTheWholeLayoutAndScrollsToIt_data()
    {
        QTest::addColumn<int>("ppi");
        QTest::newRow("view wider than the layout") << 120;
        // On the small screen the window cannot be as wide as the layout.
        QTest::newRow("view narrower than the layout") << 96;
    }
    void firstShowing_drawsTheWholeLayoutAndScrollsToIt()
    {
        QFETCH(int, ppi);
        if (ppi == 96)
            platform::Settings::writeInteger(QStringLiteral("Left"), 1300);
        platform::setScreenPixelsPerInchForTesting(ppi);
        TMainForm& form = shownForm();
        platform::setScreenPixelsPerInchForTesting(120);
        const QSize view = form.ScrollBox1->viewport()->size();
        const QSize sheet(std::max(view.width(), 813), std::max(view.height(), 1188));
        QCOMPARE(form.sheetImage().size(), sheet);
        QCOMPARE(form.sheetImage(), emptyLayout(sheet));
        QCOMPARE(form.ScrollBox1->verticalScrollBar()->maximum(), 1188 - view.height());
        QCOMPARE(form.ScrollBox1->horizontalScrollBar()->maximum(), sheet.width() - view.width());
        if (ppi == 96)
            QVERIFY2(view.width() < 813, "this case needs a view narrower than the layout");
    }

    void secondShowing_repeatsNoStartUpWork()
    {
        TMainForm& form = shownForm();
        form.move(250, 150);
        NameOfProject = QStringLiteral("Edited");
        platform::Settings::writeInteger(QStringLiteral("Left"), 5);
        form.hide();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.pos(), QPoint(250, 150));
        QCOMPARE(NameOfProject, QStringLiteral("Edited"));
    }

    void size_showsTheWholeLayoutAndFitsTheWorkArea_data()
    {
        QTest::addColumn<int>("pixelsPerInch");
        QTest::newRow("common screen") << 96;
        QTest::newRow("design resolution") << 120;
    }
    void size_showsTheWholeLayoutAndFitsTheWorkArea()
    {
        QFETCH(int, pixelsPerInch);
        platform::setScreenPixelsPerInchForTesting(pixelsPerInch);
        TMainForm& form = shownForm();
        platform::setScreenPixelsPerInchForTesting(120);
        // At least the button rows, and wide enough for the layout's 813
        // columns beside the scroll bar.
        const int buttonRows = form.HelpButton->geometry().right() + 1 + form.NieuwButton->x();
        QCOMPARE(buttonRows, platform::scaled(937, pixelsPerInch));
        QVERIFY(form.width() >= buttonRows);
        QVERIFY(form.ScrollBox1->viewport()->width() >= 813);
        QCOMPARE(form.HelpButton->x(), platform::scaled(752, pixelsPerInch)); // design place
        const QRect work = form.screen()->availableGeometry();
        QCOMPARE(form.frameGeometry().height(), work.height() - 2);
        QVERIFY(work.contains(form.frameGeometry()));

        form.resize(500, 300);
        QVERIFY(form.width() >= buttonRows);
        QCOMPARE(form.frameGeometry().height(), work.height() - 2);
    }

    void closing_storesPositionAndLastPartOfName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stored");
        QTest::newRow("plain") << QStringLiteral("Plain Name") << QStringLiteral("Plain Name");
        QTest::newRow("windows path")
            << QStringLiteral("C:\\Data\\Album") << QStringLiteral("Album");
        QTest::newRow("drive only") << QStringLiteral("D:Album") << QStringLiteral("Album");
#ifndef Q_OS_WIN
        QTest::newRow("posix path")
            << QStringLiteral("/home/user/Album") << QStringLiteral("Album");
#endif
        QTest::newRow("empty") << QString() << QString();
    }
    void closing_storesPositionAndLastPartOfName()
    {
        QFETCH(QString, name);
        QFETCH(QString, stored);
        platform::Settings::writeString(QStringLiteral("Project Name"), name);
        TMainForm& form = shownForm();
        QSignalSpy closed(&form, &TMainForm::closed);
        form.move(321, 54);
        QVERIFY(form.close());
        QCOMPARE(closed.size(), 1);
        QCOMPARE(platform::Settings::readInteger(QStringLiteral("Left"), -1), 321);
        QCOMPARE(platform::Settings::readInteger(QStringLiteral("Top"), -1), 54);
        QCOMPARE(
            platform::Settings::readString(QStringLiteral("Project Name"), QStringLiteral("x")),
            stored);
    }

    void closing_refusedByTheQuestion_writesNothing()
    {
        TMainForm& form = shownForm();
        form.hooks().confirmClose = [] { return false; };
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QCOMPARE(platform::Settings::readString(QStringLiteral("Left"), QStringLiteral("none")),
            QStringLiteral("none"));

        // A save that fails on the way out keeps the program running too.
        form.hooks().confirmClose
            = []() -> bool { throw platform::UserError(QStringLiteral("disk full")); };
        QVERIFY(!form.close());
        QCOMPARE(m_errors, QStringList { QStringLiteral("disk full.") });
    }

    // ---- Spine text ----

    void apply_drawsTextFromBothAnchorsAndMarksChanged()
    {
        TMainForm& form = shownForm();
        QImage expected = form.sheetImage();
        form.Edit1->setText(QStringLiteral("Album"));
        form.PastoeButtonClick();
        QVERIFY(ChangedB);

        // Verdana bold 10 points at 120 pixels per inch, upwards from
        // (118, 1074) on the left spine and downwards from (722, 622) on the right.
        const QFont font = sheet::spineFont(120);
        QCOMPARE(font.pixelSize(), 17);
        QVERIFY(font.bold());
        sheet::drawRotatedText(expected, font, 90, QPoint(118, 1074), QStringLiteral("Album"));
        sheet::drawRotatedText(expected, font, 270, QPoint(722, 622), QStringLiteral("Album"));
        QCOMPARE(form.sheetImage(), expected);
    }

    void apply_shorterTextAfterLongerLeavesNoTrace()
    {
        TMainForm& form = shownForm();
        form.Edit1->setText(QStringLiteral("AB"));
        form.PastoeButtonClick();
        const QImage onlyShort = form.sheetImage();

        // Long enough to run past the spine boxes, over the frames and cut
        // marks beyond them.
        form.Edit1->setText(QString(51, QLatin1Char('W')));
        form.PastoeButtonClick();
        const QImage longer = form.sheetImage();
        QVERIFY(changedArea(onlyShort, longer, QRect(110, 0, 40, 610)).isValid());
        QVERIFY(changedArea(onlyShort, longer, QRect(690, 1088, 40, 100)).isValid());

        form.Edit1->setText(QStringLiteral("AB"));
        form.PastoeButtonClick();
        QCOMPARE(form.sheetImage(), onlyShort);
    }

    void keyboard_enterAppliesTheSpineText()
    {
        TMainForm& form = shownForm();
        const QImage before = form.sheetImage();
        form.Edit1->setText(QStringLiteral("Album"));
        QTest::keyClick(form.Edit1, Qt::Key_Return);
        QVERIFY(form.sheetImage() != before);
        QVERIFY(ChangedB);
    }

    void mnemonics_oneLetterPerControlInEitherLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QString();
        QTest::newRow("Dutch") << QStringLiteral("NLD");
    }
    void mnemonics_oneLetterPerControlInEitherLanguage()
    {
        QFETCH(QString, language);
        sLanguage = language;
        TMainForm form;
        sLanguage.clear();
        const QStringList captions { form.NieuwButton->text(), form.FrontButton->text(),
            form.BackButton->text(), form.LeesProjectButton->text(),
            form.BewaarProjectButton->text(), form.PrintButton->text(), form.HelpButton->text(),
            form.AboutButton->text(), form.PastoeButton->text(), form.Label1->text() };
        QSet<QChar> letters;
        for (const QString& caption : captions) {
            const qsizetype marker = caption.indexOf(QLatin1Char('&'));
            QVERIFY2(marker >= 0 && marker + 1 < caption.size(), qPrintable(caption));
            letters.insert(caption.at(marker + 1).toLower());
        }
        QCOMPARE(letters.size(), captions.size());
        QCOMPARE(form.Label1->buddy(), form.Edit1);
    }

    void apply_emptyTextDrawsNothingButMarksChanged()
    {
        TMainForm& form = shownForm();
        const QImage before = form.sheetImage();
        form.Edit1->clear();
        form.PastoeButtonClick();
        QCOMPARE(form.sheetImage(), before);
        QVERIFY(ChangedB);
    }

    // ---- Pictures ----

    void load2_stretchesFrontPictureIntoTheFrontArea()
    {
        TMainForm& form = shownForm();
        ChangedB = true;
        const QImage before = form.sheetImage();
        form.Load2(m_dataDir + QStringLiteral("wide.jpg"));
        const QImage& after = form.sheetImage();
        QCOMPARE(changedArea(before, after, after.rect()), QRect(180, 60, 480, 480));
        QVERIFY(near(after.pixel(410, 539), qRgb(255, 0, 0)));
        QVERIFY(near(after.pixel(430, 60), qRgb(0, 0, 255)));
        QCOMPARE(form.Image2->picture().format(), platform::PictureFormat::Jpeg);
        QCOMPARE(form.Image2->geometry(), QRect(181, 61, 480, 480));
        QVERIFY2(ChangedB, "composing a picture keeps an earlier unsaved change");
    }

    void load3_signsBackPictureAndComposesItOneToOne()
    {
        TMainForm& form = shownForm();
        ChangedB = true;
        form.Load3(m_dataDir + QStringLiteral("Back.bmp"));
        const QImage signedPicture = form.Image3->picture().image();
        QCOMPARE(signedPicture.size(), QSize(552, 472));
        QCOMPARE(form.sheetImage().copy(144, 613, 552, 472),
            signedPicture.convertToFormat(QImage::Format_RGB32));
        QFont font = sheet::signatureFont(120);
        font.setStyleStrategy(QFont::NoAntialias);
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(QStringLiteral("qzLayer"));
        const QImage plain = halves(QSize(552, 472), Qt::green, Qt::yellow);
        QCOMPARE(changedArea(plain, signedPicture, plain.rect()),
            QRect((552 - width) / 2, 452, width, metrics.height()));
        QVERIFY(ChangedB);

        // Saving the signed picture and loading it again signs it once more
        // at the same place: still one signature.
        const QString saved = m_dataDir + QStringLiteral("Saved.bmp");
        form.Image3->picture().save(saved);
        form.Load3(saved);
        QCOMPARE(form.Image3->picture().image().convertToFormat(QImage::Format_RGB32),
            signedPicture.convertToFormat(QImage::Format_RGB32));
    }

    void load3_stretchesOtherSizesIntoTheBackArea()
    {
        TMainForm& form = shownForm();
        const QImage before = form.sheetImage();
        form.Load3(m_dataDir + QStringLiteral("flat.bmp"));
        const QImage& after = form.sheetImage();
        QCOMPARE(changedArea(before, after, after.rect()), QRect(144, 613, 552, 472));
        QCOMPARE(after.pixel(144 + 275, 1084), qRgb(0, 255, 0));
        QCOMPARE(after.pixel(144 + 276, 613), qRgb(255, 255, 0));
    }

    // A photo turned by its EXIF block and a PNG both show the right way up:
    // red at the top of the front, blue at the bottom.
    void load2_pngAndTurnedPhoto_areShownUpright_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("png") << QStringLiteral("upright.png");
        QTest::newRow("jpeg turned a quarter") << QStringLiteral("turned.jpg");
    }
    void load2_pngAndTurnedPhoto_areShownUpright()
    {
        QFETCH(QString, file);
        const QImage sideways = halves(QSize(200, 100), Qt::red, Qt::blue); // red left
        QVERIFY(sideways.transformed(QTransform().rotate(90))
                    .save(m_dataDir + QStringLiteral("upright.png"), "PNG"));
        writeFile(m_dataDir + QStringLiteral("turned.jpg"),
            withExifOrientation(platform::encodeJpeg(sideways), 6, true));
        TMainForm& form = shownForm();

        form.Load2(m_dataDir + file);

        QCOMPARE(form.Image2->picture().image().size(), QSize(100, 200));
        QVERIFY(near(form.sheetImage().pixel(420, 70), qRgb(255, 0, 0)));
        QVERIFY(near(form.sheetImage().pixel(420, 530), qRgb(0, 0, 255)));
    }

    // Only what the sheet and print need of a large bitmap is kept.
    void load2_largeBitmap_isKeptAtPrintSize()
    {
        const QString path = m_dataDir + QStringLiteral("scan.bmp");
        QVERIFY(halves(QSize(3000, 2000), Qt::red, Qt::blue).save(path, "BMP"));
        TMainForm& form = shownForm();
        form.Load2(path);
        QCOMPARE(form.Image2->picture().image().size(), QSize(2835, 1890));
        QVERIFY(near(form.sheetImage().pixel(200, 300), qRgb(255, 0, 0)));
        QVERIFY(near(form.sheetImage().pixel(640, 300), qRgb(0, 0, 255)));
    }

    void load3_backPictureFarLargerThanABack_isRefused()
    {
        const QString path = m_dataDir + QStringLiteral("wide back.bmp");
        QVERIFY(halves(QSize(2209, 100), Qt::red, Qt::blue).save(path, "BMP"));
        TMainForm& form = shownForm();
        QVERIFY(!platform::runGuarded([&] { form.Load3(path); }));
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.constFirst().contains(QStringLiteral("2209 × 100"))
                && m_errors.constFirst().contains(QStringLiteral("at most 2208 × 1888")),
            qPrintable(m_errors.constFirst()));
        QVERIFY(form.Image3->picture().isEmpty());
    }

    void frontPictureFilter_offersEveryPictureFirst_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("jpeg");
        QTest::newRow("English") << QString() << QStringLiteral("All pictures (")
                                 << QStringLiteral("jpeg files (*.jpg *.jpeg)");
        QTest::newRow("Dutch") << QStringLiteral("NLD") << QStringLiteral("Alle afbeeldingen (")
                               << QStringLiteral("jpeg-bestanden (*.jpg *.jpeg)");
    }
    void frontPictureFilter_offersEveryPictureFirst()
    {
        QFETCH(QString, language);
        QFETCH(QString, first);
        QFETCH(QString, jpeg);
        sLanguage = language;
        const QStringList entries = qtFileFilter(frontPictureFilter()).split(QStringLiteral(";;"));
        QVERIFY2(entries.constFirst().startsWith(first), qPrintable(entries.constFirst()));
        for (const char* pattern : { "*.jpg", "*.jpeg", "*.bmp", "*.png" })
            QVERIFY(entries.constFirst().contains(QLatin1String(pattern)));
        QVERIFY(entries.contains(jpeg));
    }

    void load_badFile_isReportedAndChangesNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("back");
        const QStringList files { QStringLiteral("missing.jpg"), QStringLiteral("picture.xyz"),
            QStringLiteral("text.jpg") };
        for (const QString& file : files) {
            QTest::addRow("front %s", qPrintable(file)) << file << false;
            QTest::addRow("back %s", qPrintable(file)) << file << true;
        }
    }
    void load_badFile_isReportedAndChangesNothing()
    {
        QFETCH(QString, file);
        QFETCH(bool, back);
        TMainForm& form = shownForm();
        form.Load2(m_dataDir + QStringLiteral("wide.jpg"));
        form.Load3(m_dataDir + QStringLiteral("Back.bmp"));
        const QImage sheetBefore = form.sheetImage();
        const QImage frontBefore = form.Image2->picture().image();
        const QImage backBefore = form.Image3->picture().image();

        const QString path = m_dataDir + file;
        QVERIFY(!platform::runGuarded([&] { back ? form.Load3(path) : form.Load2(path); }));
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.constFirst().endsWith(QLatin1Char('.')));
        QCOMPARE(form.sheetImage(), sheetBefore);
        QCOMPARE(form.Image2->picture().image(), frontBefore);
        QCOMPARE(form.Image3->picture().image(), backBefore);
    }

    // ---- Commands and the scroll position ----

    void frontPicture_composesRestoresViewAndMarksChanged()
    {
        TMainForm& form = shownForm();
        QScrollBar* bar = form.ScrollBox1->verticalScrollBar();
        bar->setValue(250);
        int positionWhileChoosing = -1;
        form.hooks().chooseFrontPicture = [&]() -> QString {
            positionWhileChoosing = bar->value();
            return m_dataDir + QStringLiteral("wide.jpg");
        };
        form.FrontButtonClick();
        QCOMPARE(positionWhileChoosing, 0);
        QCOMPARE(bar->value(), 250);
        QVERIFY(ChangedB);
        QVERIFY(!form.Image2->picture().isEmpty());
    }

    void frontPicture_failure_leavesViewAtTopAndProjectUnchanged()
    {
        TMainForm& form = shownForm();
        QScrollBar* bar = form.ScrollBox1->verticalScrollBar();
        bar->setValue(250);
        const QImage before = form.sheetImage();
        form.hooks().chooseFrontPicture
            = [&]() -> QString { return m_dataDir + QStringLiteral("text.jpg"); };
        QVERIFY(!platform::runGuarded([&] { form.FrontButtonClick(); }));
        QCOMPARE(m_errors.size(), 1);
        QCOMPARE(bar->value(), 0);
        QVERIFY(!ChangedB);
        QCOMPARE(form.sheetImage(), before);
    }

    void nestedOperations_restoreThePositionTheOuterOneFound()
    {
        TMainForm& form = shownForm();
        QScrollBar* bar = form.ScrollBox1->verticalScrollBar();
        bar->setValue(300);
        {
            TMainForm::SheetOperation outer(form);
            QCOMPARE(bar->value(), 0);
            form.PastoeButtonClick();
            QCOMPARE(bar->value(), 0);
            QCOMPARE(TmpPos, 300);
        }
        QCOMPARE(bar->value(), 300);
    }

    void new_blanksSheetPicturesAndProjectPaths()
    {
        TMainForm& form = shownForm();
        bool backTextCleared = false;
        form.hooks().clearBackText = [&] { backTextCleared = true; };
        form.Load2(m_dataDir + QStringLiteral("wide.jpg"));
        form.Load3(m_dataDir + QStringLiteral("Back.bmp"));
        form.Edit1->setText(QStringLiteral("Album"));
        form.PastoeButtonClick();
        NameOfProject = QStringLiteral("Album");
        DirOfProject = m_dataDir + QStringLiteral("Album");
        PathNameOfProject = DirOfProject + QStringLiteral(".qlp");
        ChangedB = false;

        form.NieuwButtonClick();
        QCOMPARE(form.sheetImage(), emptyLayout(form.sheetImage().size()));
        QVERIFY(form.Edit1->text().isEmpty());
        QVERIFY(form.Image2->picture().isEmpty());
        QVERIFY(form.Image3->picture().isEmpty());
        QVERIFY(backTextCleared);
        QVERIFY(ChangedB);
        QVERIFY(DirOfProject.isEmpty());
        QVERIFY(PathNameOfProject.isEmpty());
        QCOMPARE(NameOfProject, QStringLiteral("Album"));
    }

    // ---- Help ----

    void help_opensTheDocumentAtTheMainWindowsTopic()
    {
        QVERIFY(QFile::copy(QStringLiteral(QZ_SOURCE_DIR "/data/qzLayer_n.html"),
            m_programDir + QStringLiteral("qzLayer_n.html")));
        TMainForm& form = shownForm();
        QString opened;
        platform::setShellHandler([&](const platform::ShellRequest& request) {
            opened = request.target;
            return 42;
        });
        form.HelpButtonClick();
        const QUrl address(opened);
        QCOMPARE(QDir::toNativeSeparators(address.toLocalFile()),
            m_programDir + QStringLiteral("qzLayer_n.html"));
        QCOMPARE(address.fragment(), QStringLiteral("en-1100"));

        // Both languages' topics exist in the document.
        QFile document(m_programDir + QStringLiteral("qzLayer_n.html"));
        QVERIFY(document.open(QIODevice::ReadOnly));
        const QByteArray html = document.readAll();
        QVERIFY(html.contains("id=\"en-1100\""));
        QVERIFY(html.contains("id=\"nl-1100\""));
        QFile::remove(m_programDir + QStringLiteral("qzLayer_n.html"));
    }

    void help_missingOrUnopenedDocumentIsReported()
    {
        TMainForm& form = shownForm();
        int calls = 0;
        platform::setShellHandler([&](const platform::ShellRequest&) {
            ++calls;
            return 2;
        });
        QVERIFY(!platform::runGuarded([&] { form.HelpButtonClick(); }));
        QCOMPARE(calls, 0);
        QVERIFY(m_errors.value(0).contains(QStringLiteral("qzLayer_n.html")));

        writeFile(m_programDir + QStringLiteral("qzLayer_n.html"), "<html></html>");
        QVERIFY(!platform::runGuarded([&] { form.HelpButtonClick(); }));
        QCOMPARE(calls, 1);
        QCOMPARE(m_errors.size(), 2);
        QFile::remove(m_programDir + QStringLiteral("qzLayer_n.html"));
    }

    void help_withoutABrowser_saysSoInTheUsersLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("says");
        QTest::newRow("English") << QString() << QStringLiteral("Install a web browser");
        QTest::newRow("Dutch") << QStringLiteral("NLD")
                               << QStringLiteral("Installeer een webbrowser");
    }
    void help_withoutABrowser_saysSoInTheUsersLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, says);
        writeFile(m_programDir + QStringLiteral("qzLayer_n.html"), "<html></html>");
        sLanguage = language;
        TMainForm& form = shownForm();
        platform::setShellHandler(
            [](const platform::ShellRequest&) { return platform::kShellNoAssociation; });
        QVERIFY(!platform::runGuarded([&] { form.HelpButtonClick(); }));
        sLanguage.clear();
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(says), qPrintable(m_errors.first()));
        QVERIFY(m_errors.first().contains(QStringLiteral("qzLayer_n.html")));
        QFile::remove(m_programDir + QStringLiteral("qzLayer_n.html"));
    }

private:
    TMainForm& shownForm()
    {
        m_form = std::make_unique<TMainForm>();
        CurrentDir = m_programDir;
        DataDir = m_dataDir;
        m_form->show();
        if (!QTest::qWaitForWindowExposed(m_form.get()))
            qFatal("the main window did not show");
        // The program folder holds no default project: start-up reports that
        // it cannot be found and leaves the empty layout these tests start from.
        m_errors.clear();
        return *m_form;
    }

    QTemporaryDir m_folder;
    QString m_dataDir;
    QString m_programDir;
    QStringList m_errors;
    std::unique_ptr<TMainForm> m_form;
};

QZ_DESKTOP_TEST_MAIN(MainFormTest)
#include "tst_mainform.moc"

#include "app/BackFormLink.h"
#include "app/Main.h"
#include "app/PictureBox.h"
#include "backtext/Back.h"
#include "backtext/FormatBar.h"
#include "inlay/BackText.h"
#include "inlay/LayoutSheet.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Settings.h"
#include "richtext/RichText.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "tests/DesktopScreen.h"
#include "tests/FreshSettings.h"
#include "tests/ReadOnlyFolder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>

#include <functional>
#include <map>
#include <memory>

namespace {

const QSize kPictureSize(552, 472);
const QRect kLeftSpine(117, 611, 24, 476);
const QRect kRightSpine(699, 611, 24, 476);

QImage sheetPart(const QImage& sheetImage, const QRect& area)
{
    return sheetImage.copy(area).convertToFormat(QImage::Format_RGB32);
}

QRect changedArea(const QImage& before, const QImage& after)
{
    QRect area;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// A paragraph far wider than the editor, made of distinct words.
QString longParagraph()
{
    QStringList words;
    for (int i = 1; i <= 40; ++i)
        words << QStringLiteral("word%1").arg(i);
    return words.join(QLatin1Char(' '));
}

// A title and numbered tracks, lineCount lines in all.
QString trackList(int lineCount)
{
    QStringList lines { QStringLiteral("Velvet Hours") };
    for (int i = 1; i < lineCount; ++i)
        lines << QStringLiteral("%1.\tTrack %1").arg(i);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class BackFormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::setScreenPixelsPerInchForTesting(120);
        platform::setErrorPresenter([this](const QString& text) { m_errors << text; });
        QVERIFY(m_folder.isValid());
    }

    void init()
    {
        clearProgramSettings();
        m_errors.clear();
        sLanguage.clear();
        m_dataDir = QDir::toNativeSeparators(m_folder.filePath(QString::number(++m_round)))
            + QDir::separator();
        QVERIFY(QDir().mkpath(m_dataDir));

        m_mainForm = std::make_unique<TMainForm>();
        MainForm = m_mainForm.get();
        DataDir = m_dataDir;
        CurrentDir = m_dataDir;
        m_mainForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_mainForm.get()));
        // No default project lies beside the program here: start-up reports
        // that it cannot be found and leaves the empty layout.
        m_errors.clear();
        m_backForm = std::make_unique<TBackForm>();
        BackForm = m_backForm.get();
        connectBackForm(*m_mainForm, *m_backForm);
        NameOfProject = QStringLiteral("Before");
        DirOfProject = QStringLiteral("Before/");
        qlpPathName = QStringLiteral("Before.qlp");
        PathNameOfProject = QStringLiteral("/somewhere/Before.qlp");
        ChangedB = false;
    }

    void cleanup()
    {
        BackForm = nullptr;
        m_backForm.reset();
        MainForm = nullptr;
        m_mainForm.reset();
    }

    // ---- Design ----

    void texts_followTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("firstInstruction");
        QTest::newRow("Dutch") << QStringLiteral(
            "NLD") << QStringList { "&Lees", "&Bewaar", "&Kopieer naar Achterkant", "Annuleren" }
                               << QStringLiteral("Stel hier de lijst met nummers samen.");
        QTest::newRow("English") << QStringLiteral(
            "ENU") << QStringList { "&Read", "&Save", "&Copy to Back Cover", "Cancel" }
                                 << QStringLiteral("Enter the contents list in here.");
    }
    void texts_followTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, captions);
        QFETCH(QString, firstInstruction);
        sLanguage = language;
        TBackForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("qzLayer - Tekst achterkant"));
        const QStringList shown { form.LeesButton->text(), form.SaveButton->text(),
            form.OKButton->text(), form.CancelButton->text() };
        QCOMPARE(shown, captions);
        const QStringList instructions = form.Label1->text().split(QLatin1Char('\n'));
        QCOMPARE(instructions.size(), 3);
        QCOMPARE(instructions.first(), firstInstruction);
        // The instructions name the copy button by its caption.
        QVERIFY(instructions.at(1).contains(QString(captions.at(2)).remove(QLatin1Char('&'))));
    }

    void size_keepsTheEditorAtPictureSize_data()
    {
        QTest::addColumn<int>("pixelsPerInch");
        QTest::newRow("design resolution") << 120;
        QTest::newRow("common screen") << 96;
        QTest::newRow("large fonts") << 144;
    }
    void size_keepsTheEditorAtPictureSize()
    {
        QFETCH(int, pixelsPerInch);
        platform::setScreenPixelsPerInchForTesting(pixelsPerInch);
        TBackForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(700, 300); // the user's resizing is undone
        platform::setScreenPixelsPerInchForTesting(120);

        const auto design
            = [pixelsPerInch](int value) { return platform::scaled(value, pixelsPerInch); };
        // The formatting bar lies between the top panel and the text and
        // adds only its own height.
        const int bar = form.formatBar->height();
        QVERIFY(bar > 0);
        QCOMPARE(form.formatBar->geometry(), QRect(0, design(165), 556, bar));
        QCOMPARE(form.size(), QSize(556, design(165) + bar + 472 + design(78)));
        QCOMPARE(form.RichEdit1->geometry(), QRect(0, design(165) + bar, 556, 472));
        QCOMPARE(form.RichEdit1->contentsRect().size(), QSize(552, 468));
        QCOMPARE(form.Panel2->y(), design(165) + bar + 472);
        QCOMPARE(form.OKButton->x(), form.LeesButton->x());
        QCOMPARE(form.SaveButton->geometry().right() + 1, 556 - form.LeesButton->x());
        QCOMPARE(form.CancelButton->x(), form.SaveButton->x());
    }

    void keyboard_textHasFocusTakesTabsAndEscapeCloses()
    {
        m_mainForm->BackButtonClick();
        QVERIFY(QTest::qWaitForWindowActive(m_backForm.get()));
        QTextEdit* text = m_backForm->RichEdit1;
        QCOMPARE(QApplication::focusWidget(), text);
        QTest::keyClicks(text, QStringLiteral("a"));
        QTest::keyClick(text, Qt::Key_Tab);
        QTest::keyClicks(text, QStringLiteral("b"));
        QCOMPARE(text->toPlainText(), QStringLiteral("a\tb"));

        // Ctrl+Tab leaves the text forwards, Shift+Tab comes back.
        QTest::keyClick(text, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), m_backForm->OKButton);
        QTest::keyClick(m_backForm->OKButton, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), text);
        // From the buttons at the top, Tab reaches the text.
        m_backForm->LeesButton->setFocus();
        for (int step = 0; step < 6 && QApplication::focusWidget() != text; ++step)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), text);
        QCOMPARE(text->toPlainText(), QStringLiteral("a\tb"));

        m_backForm->move(333, 66);
        QTest::keyClick(text, Qt::Key_Escape);
        QVERIFY(!m_backForm->isVisible());
        QCOMPARE(platform::Settings::readInteger(QStringLiteral("BackLeft"), 0), 333);
        QCOMPARE(text->toPlainText(), QStringLiteral("a\tb"));
    }

    void position_restoredOnShowAndStoredOnClose_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QPoint>("shownAt");
        QTest::newRow("first use") << QString() << QString() << QPoint(200, 100);
        QTest::newRow("stored") << QStringLiteral("321") << QStringLiteral("54") << QPoint(321, 54);
        QTest::newRow("not numbers")
            << QStringLiteral("x1") << QStringLiteral("") << QPoint(200, 100);
    }
    void position_restoredOnShowAndStoredOnClose()
    {
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(QPoint, shownAt);
        if (!left.isNull())
            platform::Settings::writeString(QStringLiteral("BackLeft"), left);
        if (!top.isNull())
            platform::Settings::writeString(QStringLiteral("BackTop"), top);

        m_mainForm->BackButtonClick();
        QVERIFY(QTest::qWaitForWindowExposed(m_backForm.get()));
        QVERIFY(!m_backForm->isModal());
        QCOMPARE(m_backForm->pos(), shownAt);

        m_backForm->move(412, 87);
        QVERIFY(m_backForm->close());
        QVERIFY(!m_backForm->isVisible());
        QCOMPARE(
            platform::Settings::readString(QStringLiteral("BackLeft"), {}), QStringLiteral("412"));
        QCOMPARE(
            platform::Settings::readString(QStringLiteral("BackTop"), {}), QStringLiteral("87"));
        m_backForm->show();
        QCOMPARE(m_backForm->pos(), QPoint(412, 87));
    }

    // ---- Copy to the back cover ----

    void copy_makesSignedBackPictureAndSpineText()
    {
        QScrollBar* view = m_mainForm->ScrollBox1->verticalScrollBar();
        view->setValue(300);
        m_backForm->RichEdit1->setPlainText(
            QStringLiteral("  Velvet Hours  \n1.\tOpening\n2.\tClosing"));
        m_mainForm->BackButtonClick();
        QVERIFY(QTest::qWaitForWindowExposed(m_backForm.get()));
        m_backForm->OKButton->setFocus(); // as when the user clicks it
        QTest::qWait(1);
        const QImage sheetBefore = m_mainForm->sheetImage().copy();
        const QPoint inner = m_backForm->RichEdit1->geometry().topLeft() + QPoint(2, 2);
        // The text as the window shows it without the text cursor, which the
        // editor has while it holds the focus but which is no part of the text.
        m_backForm->RichEdit1->clearFocus();
        const QImage shown = m_backForm->grab(QRect(inner, kPictureSize))
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        m_backForm->RichEdit1->setFocus();
        QVERIFY(m_backForm->grab(QRect(inner, kPictureSize))
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32)
            != shown);

        m_backForm->OKButtonClick();

        const QImage picture
            = m_mainForm->Image3->picture().image().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), kPictureSize);
        QCOMPARE(m_mainForm->Image3->picture().format(), platform::PictureFormat::Bitmap);
        // The picture starts inside the editor's border: its corner is the
        // text background, and the border shows only in its last rows.
        const QRgb background = m_backForm->RichEdit1->palette().color(QPalette::Base).rgb();
        QCOMPARE(picture.pixel(0, 0), background);
        QCOMPARE(picture.pixel(551, 467), background);
        QVERIFY(picture.pixel(300, 468) != background); // the border's inner line
        QVERIFY(picture.pixel(300, 471) != background); // the button panel
        // The first line's text is in the top rows.
        QVERIFY(changedArea(QImage(552, 30, QImage::Format_RGB32), picture.copy(0, 0, 552, 30))
                    .isValid());
        // It is the window's own view of that area, plus the signature, which
        // sits centred from row 452.
        QImage signedView = shown;
        sheet::signBackPicture(signedView, sheet::signatureFont(platform::screenPixelsPerInch()));
        QCOMPARE(picture, signedView);
        const QRect signature = changedArea(shown, picture);
        QVERIFY(signature.isValid());
        QVERIFY(signature.top() >= 452);
        QVERIFY(std::abs(signature.left() + signature.right() + 1 - 552) <= 4);

        // The sheet shows it one to one in the back rectangle.
        QCOMPARE(sheetPart(m_mainForm->sheetImage(), QRect(144, 613, 552, 472)), picture);
        QCOMPARE(m_mainForm->Edit1->text(), QStringLiteral("Velvet Hours"));
        QVERIFY(
            sheetPart(m_mainForm->sheetImage(), kLeftSpine) != sheetPart(sheetBefore, kLeftSpine));
        QVERIFY(sheetPart(m_mainForm->sheetImage(), kRightSpine)
            != sheetPart(sheetBefore, kRightSpine));
        QVERIFY(ChangedB);
        QCOMPARE(view->value(), 300);
        QVERIFY(!m_backForm->isVisible());
        QVERIFY(m_errors.isEmpty());
    }

    void copy_leavesTheTextCursorOut()
    {
        m_mainForm->BackButtonClick();
        QVERIFY(QTest::qWaitForWindowActive(m_backForm.get()));
        QVERIFY(m_backForm->RichEdit1->hasFocus()); // the cursor shows in the empty text
        const QImage picture = m_backForm->backPicture();
        const QRgb background = m_backForm->RichEdit1->palette().color(QPalette::Base).rgb();
        QImage empty(552, 452, QImage::Format_RGB32);
        empty.fill(background);
        QCOMPARE(picture.copy(0, 0, 552, 452).convertToFormat(QImage::Format_RGB32), empty);
    }

    void copy_takesTheEditorsCurrentScrollPosition()
    {
        QStringList lines;
        for (int i = 1; i <= 80; ++i)
            lines << QStringLiteral("Track %1").arg(i);
        m_backForm->RichEdit1->setPlainText(lines.join(QLatin1Char('\n')));
        m_backForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_backForm.get()));
        m_backForm->OKButtonClick();
        const QImage atTop = m_mainForm->Image3->picture().image().copy();

        m_backForm->show();
        QScrollBar* bar = m_backForm->RichEdit1->verticalScrollBar();
        QVERIFY(bar->isVisible());
        bar->setValue(bar->maximum());
        const QPoint inner = m_backForm->RichEdit1->geometry().topLeft() + QPoint(2, 2);
        const QImage shown = m_backForm->grab(QRect(inner, kPictureSize)).toImage();
        m_backForm->OKButtonClick();
        const QImage scrolled = m_mainForm->Image3->picture().image();

        QVERIFY(scrolled != atTop);
        const QRect aboveSignature(0, 0, 552, 452);
        QCOMPARE(scrolled.copy(aboveSignature),
            shown.copy(aboveSignature).convertToFormat(scrolled.format()));
        // The spine text still comes from the first line of the text.
        QCOMPARE(m_mainForm->Edit1->text(), QStringLiteral("Track 1"));
    }

    // Printing paints the back picture from the text only where the text
    // paints exactly the picture the copy made.
    void copy_keepsTheTextOnlyWhereItPaintsThePicture_data()
    {
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<bool>("scrollDown");
        QTest::addColumn<bool>("select");
        QTest::addColumn<bool>("kept");
        QTest::newRow("short text") << 3 << false << false << true;
        QTest::newRow("scrolled, with a scroll bar") << 80 << true << false << true;
        QTest::newRow("a selection shows") << 3 << false << true << false;
    }
    void copy_keepsTheTextOnlyWhereItPaintsThePicture()
    {
        QFETCH(int, lineCount);
        QFETCH(bool, scrollDown);
        QFETCH(bool, select);
        const QString text = trackList(lineCount);
        m_backForm->RichEdit1->setPlainText(text);
        m_backForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_backForm.get()));
        if (scrollDown) {
            QScrollBar* bar = m_backForm->RichEdit1->verticalScrollBar();
            bar->setValue(bar->maximum() / 2);
        }
        if (select)
            m_backForm->RichEdit1->selectAll();
        m_backForm->OKButtonClick();
        QFETCH(bool, kept);
        QCOMPARE(bool(m_mainForm->page().backText), kept);
    }

    // A project opened before the editor was ever shown: its back picture is
    // printed from the text when the editor made it from that text at its top.
    void backTextAtTop_ofAnEditorNeverShown_paintsThePictureItMade_data()
    {
        QTest::addColumn<int>("lineCount");
        QTest::newRow("short text") << 3;
        QTest::newRow("text longer than the area, with a scroll bar") << 80;
    }
    void backTextAtTop_ofAnEditorNeverShown_paintsThePictureItMade()
    {
        QFETCH(int, lineCount);
        const QString text = trackList(lineCount);
        m_backForm->RichEdit1->setPlainText(text);
        m_backForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_backForm.get()));
        m_backForm->OKButtonClick();
        const platform::Picture picture = m_mainForm->Image3->picture();

        TBackForm unshown;
        unshown.RichEdit1->document()->setPlainText(text);
        QVERIFY(inlay::paintsExactly(*unshown.backText(QPoint(0, 0)), picture.image(),
            sheet::signatureFont(platform::screenPixelsPerInch())));
        // Another text does not.
        unshown.RichEdit1->document()->setPlainText(QStringLiteral("Other Album"));
        QVERIFY(!inlay::paintsExactly(*unshown.backText(QPoint(0, 0)), picture.image(),
            sheet::signatureFont(platform::screenPixelsPerInch())));
    }

    void copy_spineTextFromFirstOrSecondLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spineText");
        QTest::newRow("spaces trimmed")
            << QStringLiteral("   Velvet Hours   \nTrack") << QStringLiteral("Velvet Hours");
        QTest::newRow("blank first line")
            << QStringLiteral("    \n  Second line \nThird") << QStringLiteral("Second line");
        QTest::newRow("empty first line") << QStringLiteral("\nSecond") << QStringLiteral("Second");
        QTest::newRow("both blank") << QStringLiteral(" \n  \nThird") << QString();
        QTest::newRow("empty editor") << QString() << QString();
        QTest::newRow("leading tab kept")
            << QStringLiteral("\tTabbed Title \nTrack") << QStringLiteral("\tTabbed Title");
    }
    void copy_spineTextFromFirstOrSecondLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, spineText);
        m_backForm->RichEdit1->setPlainText(text);
        m_backForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_backForm.get()));
        m_backForm->OKButtonClick();
        QCOMPARE(m_mainForm->Edit1->text(), spineText);
        QVERIFY(ChangedB);
        QCOMPARE(m_mainForm->Image3->picture().image().size(), kPictureSize);
    }

    void copy_wrappedFirstParagraphGivesItsFirstDisplayedLine()
    {
        const QString paragraph = longParagraph();
        m_backForm->RichEdit1->setPlainText(paragraph + QStringLiteral("\nSecond paragraph"));
        m_backForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_backForm.get()));

        const QString first = m_backForm->displayedLine(0);
        const QString second = m_backForm->displayedLine(1);
        QVERIFY(!first.isEmpty());
        QVERIFY(first.size() < paragraph.size());
        QVERIFY(paragraph.startsWith(first + second));
        QVERIFY(!second.isEmpty());

        m_backForm->OKButtonClick();
        QCOMPARE(m_mainForm->Edit1->text(), withoutOuterSpaces(first).left(51));
        QVERIFY(m_mainForm->Edit1->text().startsWith(QStringLiteral("word1 word2")));
    }

    void newCommand_emptiesTheEditor()
    {
        m_backForm->RichEdit1->setPlainText(QStringLiteral("Old tracks"));
        m_mainForm->NieuwButtonClick();
        QVERIFY(m_backForm->RichEdit1->document()->isEmpty());
    }

    // ---- Reading a file ----

    void read_loadsTheChosenFileAndMarksAChange()
    {
        const QString file = QStringLiteral(QZ_TEST_DATA_DIR "/rtf/richedit.rtf");
        DirOfProject = QStringLiteral("My Album") + QDir::separator();
        TBackForm::OpenRequest asked;
        m_backForm->setFileChooser([&](const TBackForm::OpenRequest& request) {
            asked = request;
            return file;
        });
        m_backForm->LeesButtonClick();

        QTextDocument expected;
        richtext::loadRichTextFile(file, expected);
        QCOMPARE(m_backForm->RichEdit1->toPlainText(), expected.toPlainText());
        QVERIFY(ChangedB);
        QCOMPARE(asked.title, QStringLiteral("qzLayer - Select the rtf file for the back"));
        QCOMPARE(asked.filter, QStringLiteral("RichText files (*.rtf)|*.rtf"));
        QCOMPARE(asked.folder, m_dataDir + DirOfProject);
        QCOMPARE(asked.defaultSuffix, QStringLiteral("rtf"));
        QVERIFY(m_errors.isEmpty());
    }

    void read_cancelledOrFailed_keepsTheText_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("errors");
        QTest::newRow("cancelled") << QString() << 0;
        QTest::newRow("missing file") << QStringLiteral("/no/such/folder/tracks.rtf") << 1;
        // A back text holds a page: one of many megabytes, or of many thousand
        // paragraphs, is refused at once.
        QTest::newRow("larger than a back text") << QStringLiteral("huge.rtf") << 1;
        QTest::newRow("more paragraphs than a back text") << QStringLiteral("long.rtf") << 1;
        QTest::newRow("more lines than a back text") << QStringLiteral("long.txt") << 1;
    }
    void read_cancelledOrFailed_keepsTheText()
    {
        QFETCH(QString, chosen);
        QFETCH(int, errors);
        const qint64 tooMany = TBackForm::kBackTextLimits.paragraphs + 1;
        const std::map<QString, std::function<void(QFile&)>> fill {
            { QStringLiteral("huge.rtf"),
                [](QFile& file) {
                    file.write("{\\rtf1 ");
                    file.resize(TBackForm::kBackTextLimits.bytes + 1);
                } },
            { QStringLiteral("long.rtf"),
                [&](QFile& file) {
                    file.write("{\\rtf1 " + QByteArray("\\par ").repeated(tooMany) + "}");
                } },
            { QStringLiteral("long.txt"),
                [&](QFile& file) { file.write(QByteArray("Track\r\n").repeated(tooMany)); } },
        };
        if (fill.count(chosen)) {
            QFile file(m_dataDir + chosen);
            QVERIFY(file.open(QIODevice::WriteOnly));
            fill.at(chosen)(file);
            chosen = file.fileName();
        }
        m_backForm->RichEdit1->setPlainText(QStringLiteral("My tracks"));
        m_backForm->setFileChooser([&](const TBackForm::OpenRequest&) { return chosen; });
        QVERIFY(platform::runGuarded([this] { m_backForm->LeesButtonClick(); }) == (errors == 0));
        QCOMPARE(m_backForm->RichEdit1->toPlainText(), QStringLiteral("My tracks"));
        QVERIFY(!ChangedB);
        QCOMPARE(m_errors.size(), errors);
        if (chosen.endsWith(QLatin1String("huge.rtf")))
            QVERIFY2(m_errors.constFirst().contains(QStringLiteral("larger than 16 MB")),
                qPrintable(m_errors.constFirst()));
        if (chosen.contains(QLatin1String("/long.")))
            QVERIFY2(m_errors.constFirst().contains(QStringLiteral("more than 20000 paragraphs")),
                qPrintable(m_errors.constFirst()));
    }

    // ---- Inserting a picture ----

    void insertPicture_fitsTheTextAndShowsOnTheBackPicture()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("logo.png"));
        QImage logo(2000, 1000, QImage::Format_RGB32);
        logo.fill(Qt::red);
        QVERIFY(logo.save(file));
        m_backForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_backForm.get()));
        m_backForm->RichEdit1->setPlainText(QStringLiteral("Album\n"));
        m_backForm->RichEdit1->moveCursor(QTextCursor::End);
        TBackForm::OpenRequest asked;
        m_backForm->setFileChooser([&](const TBackForm::OpenRequest& request) {
            asked = request;
            return file;
        });

        // On the bar itself beside the other command, not in an overflow menu.
        for (QAction* command : { m_backForm->insertPictureAction, m_backForm->ImportTracksAction })
            QTRY_VERIFY(m_backForm->formatBar->paragraphRow->widgetForAction(command)->isVisible());
        QCOMPARE(m_backForm->insertPictureAction->text(), QStringLiteral("Insert picture..."));
        m_backForm->insertPictureAction->trigger();
        QVERIFY(m_errors.isEmpty());
        QCOMPARE(asked.title, QStringLiteral("qzLayer - Insert picture"));
        QVERIFY(asked.filter.startsWith(QStringLiteral("Pictures|")));
        QVERIFY(asked.filter.contains(QStringLiteral("*.png")) && asked.filter.contains(QStringLiteral("*.jpg")));

        const QTextBlock pictureLine = m_backForm->RichEdit1->document()->lastBlock();
        QVERIFY(pictureLine.begin().fragment().charFormat().isImageFormat());
        const QTextImageFormat shown = pictureLine.begin().fragment().charFormat().toImageFormat();
        const qreal room = m_backForm->RichEdit1->viewport()->width() - 2 * m_backForm->RichEdit1->document()->documentMargin();
        QCOMPARE(shown.width(), room);
        QCOMPARE(shown.height(), qRound(room / 2.0));

        const QImage picture = m_backForm->backPicture();
        int red = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                red += picture.pixel(x, y) == qRgb(255, 0, 0);
        QVERIFY2(red > room * room / 2 * 0.9, qPrintable(QString::number(red)));
    }

    void insertPicture_notAPicture_reportsAndKeepsTheText()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("notes.png"));
        QFile notes(file);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("just some notes");
        notes.close();
        m_backForm->RichEdit1->setPlainText(QStringLiteral("Album"));
        m_backForm->setFileChooser([&](const TBackForm::OpenRequest&) { return file; });
        m_backForm->insertPictureAction->trigger();
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.constFirst().contains(QDir::toNativeSeparators(file)));
        QCOMPARE(m_backForm->RichEdit1->toPlainText(), QStringLiteral("Album"));
    }

    void readDialogFolder_completesAProjectFolder_data()
    {
        QTest::addColumn<QString>("dirOfProject");
        QTest::addColumn<QString>("folder");
        const QString sep = QDir::separator();
        QTest::newRow("none") << QString() << QString();
        QTest::newRow("saved project") << "My Album" + sep << "@My Album" + sep;
        QTest::newRow("empty project name") << sep << QStringLiteral("@");
        QTest::newRow("opened project") << QStringLiteral("/home/user/data/My Album")
                                        << QStringLiteral("/home/user/data/My Album");
    }
    void readDialogFolder_completesAProjectFolder()
    {
        QFETCH(QString, dirOfProject);
        QFETCH(QString, folder);
        DirOfProject = dirOfProject;
        QCOMPARE(TBackForm::readDialogFolder(), QString(folder).replace(QLatin1Char('@'), DataDir));
    }

    // ---- Saving ----

    void save_writesBackTextIntoFolderNamedAfterFirstLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("named") << QStringLiteral("  My Album \nTrack one")
                               << QStringLiteral("My Album");
        QTest::newRow("blank first line") << QStringLiteral("   \nTrack one") << QString();
        QTest::newRow("wrapped first paragraph")
            << longParagraph() << QStringLiteral("(first displayed line)");
    }
    void save_writesBackTextIntoFolderNamedAfterFirstLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        m_backForm->RichEdit1->setPlainText(text);
        m_backForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_backForm.get()));
        if (name.startsWith(QLatin1Char('(')))
            name = withoutOuterSpaces(m_backForm->displayedLine(0));

        m_backForm->SaveButtonClick();

        QVERIFY(m_errors.isEmpty());
        const QString folder = name.isEmpty() ? m_dataDir : m_dataDir + name + QDir::separator();
        QTextDocument saved;
        richtext::loadRichTextFile(folder + QStringLiteral("Back.rtf"), saved);
        QCOMPARE(saved.toPlainText(), m_backForm->RichEdit1->toPlainText());
        QCOMPARE(NameOfProject, name);
        QCOMPARE(qlpPathName, name + QStringLiteral(".qlp"));
        QCOMPARE(DirOfProject, name + QDir::separator());
        QCOMPARE(PathNameOfProject, QStringLiteral("/somewhere/Before.qlp"));
        QVERIFY(!ChangedB);
        QVERIFY(m_backForm->isVisible());
        QVERIFY(!QFile::exists(m_dataDir + name + QStringLiteral(".qlp")));
    }

    // The same rule as Save Project's: a name that Save Project refuses is
    // refused here too, with the same message.
    void save_refusedName_reportsAndChangesNothing_data()
    {
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("reportSays");
        QTest::newRow("separator") << QStringLiteral("AC/DC") << QStringLiteral("\"AC/DC\"");
        QTest::newRow("parent folder") << QStringLiteral(" .. ") << QStringLiteral("\"..\"");
        QTest::newRow("colon") << QStringLiteral("Side A: Dreams")
                               << QStringLiteral("cannot be used as a project name");
        QTest::newRow("leading tab")
            << QStringLiteral("\tTabbed") << QStringLiteral("cannot be used as a project name");
        QTest::newRow("control character")
            << QStringLiteral("Bell\aRing") << QStringLiteral("cannot be used as a project name");
        QTest::newRow("file in the way") << QStringLiteral("Blocked") << QStringLiteral("Blocked");
    }
    void save_refusedName_reportsAndChangesNothing()
    {
        QFETCH(QString, firstLine);
        QFETCH(QString, reportSays);
        QFile blocker(m_dataDir + QStringLiteral("Blocked"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QStringList filesBefore = filesBelow(m_folder.path());
        m_backForm->RichEdit1->setPlainText(firstLine + QStringLiteral("\nTrack one"));

        QVERIFY(!platform::runGuarded([this] { m_backForm->SaveButtonClick(); }));

        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(reportSays), qPrintable(m_errors.first()));
        QCOMPARE(filesBelow(m_folder.path()), filesBefore);
        QCOMPARE(NameOfProject, QStringLiteral("Before"));
        QCOMPARE(DirOfProject, QStringLiteral("Before/"));
        QCOMPARE(qlpPathName, QStringLiteral("Before.qlp"));
    }

    // Written as a whole or not at all: a failed save keeps the file that was
    // there, says why in the system's words, and leaves the names as they were.
    void save_intoReadOnlyFolder_keepsTheOldTextAndSaysWhy()
    {
        const QString folder = m_dataDir + QStringLiteral("My Album");
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QDir::separator() + QStringLiteral("Back.rtf");
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("{\\rtf1 old text\\par}");
        old.close();
        m_backForm->RichEdit1->setPlainText(QStringLiteral("My Album\nTrack one"));
        {
            const ReadOnlyFolder readOnly(folder);
            QVERIFY(readOnly.holds());
            QVERIFY(!platform::runGuarded([this] { m_backForm->SaveButtonClick(); }));
        }
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(QDir::toNativeSeparators(file))
                && m_errors.first().contains(QStringLiteral("Permission denied")),
            qPrintable(m_errors.first()));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("{\\rtf1 old text\\par}"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { "Back.rtf" });
        QCOMPARE(NameOfProject, QStringLiteral("Before"));
        QCOMPARE(DirOfProject, QStringLiteral("Before/"));
    }

private:
    QTemporaryDir m_folder;
    QString m_dataDir;
    int m_round = 0;
    QStringList m_errors;
    std::unique_ptr<TMainForm> m_mainForm;
    std::unique_ptr<TBackForm> m_backForm;
};

QZ_DESKTOP_TEST_MAIN(BackFormTest)
#include "tst_backform.moc"

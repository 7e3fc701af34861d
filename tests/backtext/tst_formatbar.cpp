#include "backtext/Back.h"
#include "backtext/FormatBar.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "richtext/RichText.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QToolBar>

#include <memory>

namespace {

const QString kTrackList = QStringLiteral("Velvet Hours\n1.\tOpening\t3:45\n2.\tClosing\t12:01");

void select(QTextEdit* editor, int from, int to)
{
    QTextCursor cursor(editor->document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
}

void placeCursor(QTextEdit* editor, int position)
{
    select(editor, position, position);
}

// Types into an editable combo box and confirms with Enter, as a user does.
void typeInto(QComboBox* box, const QString& text)
{
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), text);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
}

QTextCharFormat formatAt(const QTextDocument& document, int position)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(position + 1); // the format of the character before the cursor
    return cursor.charFormat();
}

bool hasRightTabNear(const QTextBlock& block, qreal position)
{
    const QList<QTextOption::Tab> tabs = block.blockFormat().tabPositions();
    return std::any_of(tabs.begin(), tabs.end(), [position](const QTextOption::Tab& tab) {
        return tab.type == QTextOption::RightTab && std::abs(tab.position - position) < 1;
    });
}

// The right-most column in which the rows hold a dark pixel; -1 when none.
int rightmostInk(const QImage& image, int top, int bottom)
{
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = top; y < bottom; ++y)
            if (qGray(image.pixel(x, y)) < 128)
                return x;
    return -1;
}

} // namespace

class FormatBarTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::setScreenPixelsPerInchForTesting(96);
        platform::setErrorPresenter([this](const QString& text) { m_errors << text; });
        QVERIFY(m_folder.isValid());
        DataDir = QDir::toNativeSeparators(m_folder.path()) + QDir::separator();
    }

    void init()
    {
        sLanguage.clear();
        m_errors.clear();
        m_form = std::make_unique<TBackForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_text = m_form->RichEdit1;
        m_bar = m_form->formatBar;
    }

    void cleanup() { m_form.reset(); }

    void bar_formatsTheSelection_andTheFormatSurvivesSaveAndReopen()
    {
        m_text->setPlainText(kTrackList);
        select(m_text, 0, 6); // "Velvet"
        QTest::keyClick(m_text, Qt::Key_B, Qt::ControlModifier);
        QTest::mouseClick(
            m_bar->characterRow->widgetForAction(m_bar->italicAction), Qt::LeftButton);
        m_bar->underlineAction->trigger();
        typeInto(m_bar->fontBox, QStringLiteral("DejaVu Serif"));
        typeInto(m_bar->sizeBox, QStringLiteral("19.5"));
        m_bar->setColorChooser([](const QColor&) { return QColor(Qt::red); });
        m_bar->colorAction->trigger();
        m_bar->alignCenterAction->trigger();
        // The track lines: their durations go to the right edge.
        const QTextBlock firstTrack = m_text->document()->findBlockByNumber(1);
        select(m_text, firstTrack.position(), m_text->document()->characterCount() - 1);
        m_bar->rightTabAction->trigger();
        QCOMPARE(QApplication::focusWidget(), m_text); // typing goes on in the text
        QVERIFY(m_errors.isEmpty());

        // Laid out: each duration ends at the right edge, on its own line.
        const QImage shown = m_form->backPicture();
        const QTextDocument* document = m_text->document();
        for (int number : { 1, 2 }) {
            const QTextBlock line = document->findBlockByNumber(number);
            QCOMPARE(line.layout()->lineCount(), 1);
            const QRectF box = document->documentLayout()->blockBoundingRect(line);
            const int right = rightmostInk(shown, int(box.top()) + 2, int(box.bottom()) - 2);
            QVERIFY2(right > 552 - 16 && right < 552, qPrintable(QString::number(right)));
        }

        m_form->SaveButtonClick();
        QVERIFY(m_errors.isEmpty());
        QTextDocument reopened;
        richtext::loadRichTextFile(DataDir + QStringLiteral("Velvet Hours/Back.rtf"), reopened);
        QCOMPARE(reopened.toPlainText(), kTrackList);

        const QTextCharFormat title = formatAt(reopened, 0);
        QCOMPARE(title.fontWeight(), int(QFont::Bold));
        QVERIFY(title.fontItalic());
        QVERIFY(title.fontUnderline());
        QCOMPARE(title.font().families().value(0), QStringLiteral("DejaVu Serif"));
        QCOMPARE(title.fontPointSize(), 19.5);
        QCOMPARE(title.foreground().color(), QColor(Qt::red));
        const QTextCharFormat rest = formatAt(reopened, 8); // "Hours" kept its format
        QVERIFY(rest.fontWeight() != int(QFont::Bold));
        QVERIFY(!rest.fontItalic());
        QVERIFY(rest.foreground().color() != QColor(Qt::red));
        QCOMPARE(reopened.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
        const qreal edge = rightEdgeTabPosition(document->textWidth(), document->documentMargin());
        QVERIFY(!hasRightTabNear(reopened.findBlockByNumber(0), edge));
        QVERIFY(hasRightTabNear(reopened.findBlockByNumber(1), edge));
        QVERIFY(hasRightTabNear(reopened.findBlockByNumber(2), edge));

        // Opened in the editor again, the bar shows the format at the cursor.
        richtext::loadRichTextFile(
            DataDir + QStringLiteral("Velvet Hours/Back.rtf"), *m_text->document());
        placeCursor(m_text, 3);
        QVERIFY(m_bar->boldAction->isChecked());
        QVERIFY(m_bar->italicAction->isChecked());
        QVERIFY(m_bar->underlineAction->isChecked());
        QCOMPARE(m_bar->fontBox->currentFont().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(m_bar->sizeBox->currentText(), QStringLiteral("19.5"));
        QVERIFY(m_bar->alignCenterAction->isChecked());
        QVERIFY(!m_bar->rightTabAction->isChecked());
        placeCursor(m_text, m_text->document()->findBlockByNumber(2).position() + 3);
        QVERIFY(!m_bar->boldAction->isChecked());
        QCOMPARE(m_bar->fontBox->currentFont().family(), QFontInfo(m_text->font()).family());
        QCOMPARE(m_bar->sizeBox->currentText(), QStringLiteral("12"));
        QVERIFY(m_bar->alignLeftAction->isChecked());
        QVERIFY(m_bar->rightTabAction->isChecked());
    }

    void rightTab_takesOnlyTheLinesTheSelectionTouches()
    {
        m_text->setPlainText(kTrackList);
        const QTextDocument* document = m_text->document();
        const qreal edge = rightEdgeTabPosition(document->textWidth(), document->documentMargin());
        const int secondLine = document->findBlockByNumber(1).position();
        const int thirdLine = document->findBlockByNumber(2).position();

        // From the start of one line to the start of the next: that one line.
        select(m_text, secondLine, thirdLine);
        m_bar->rightTabAction->trigger();
        QVERIFY(!hasRightTabNear(document->findBlockByNumber(0), edge));
        QVERIFY(hasRightTabNear(document->findBlockByNumber(1), edge));
        QVERIFY(!hasRightTabNear(document->findBlockByNumber(2), edge));

        // No selection: the line of the cursor. A new line takes it over.
        placeCursor(m_text, document->characterCount() - 1);
        m_bar->rightTabAction->trigger();
        QTest::keyClick(m_text, Qt::Key_Return);
        QVERIFY(hasRightTabNear(document->findBlockByNumber(3), edge));

        // Clicking again on a line that has it takes it away, and only that.
        placeCursor(m_text, secondLine + 1);
        QVERIFY(m_bar->rightTabAction->isChecked());
        m_bar->rightTabAction->trigger();
        QVERIFY(!hasRightTabNear(document->findBlockByNumber(1), edge));
        QVERIFY(hasRightTabNear(document->findBlockByNumber(2), edge));

        // Each click is one step to undo.
        m_bar->undoAction->trigger();
        QVERIFY(hasRightTabNear(document->findBlockByNumber(1), edge));
    }

    // Where the import puts it: at the edge of the area's full width, also
    // while a scroll bar narrows the lines of a long text.
    void rightTab_besideTheScrollBar_takesTheAreasEdge()
    {
        QStringList lines { QStringLiteral("Velvet Hours") };
        for (int i = 1; i <= 40; ++i)
            lines << QStringLiteral("%1.\tTrack\t3:%2").arg(i).arg(10 + i);
        m_text->setPlainText(lines.join(QLatin1Char('\n')));
        QTRY_VERIFY(m_text->verticalScrollBar()->isVisible());
        m_text->selectAll();
        m_bar->rightTabAction->trigger();
        const qreal edge = rightEdgeTabPosition(552, m_text->document()->documentMargin());
        for (QTextBlock block = m_text->document()->begin(); block.isValid(); block = block.next())
            QVERIFY(hasRightTabNear(block, edge));
        QVERIFY(m_bar->rightTabAction->isChecked());
    }

    void undoAndRedo_followTheEditor()
    {
        QVERIFY(!m_bar->undoAction->isEnabled());
        QVERIFY(!m_bar->redoAction->isEnabled());
        m_text->setFocus();
        QTest::keyClicks(m_text, QStringLiteral("Side A"));
        select(m_text, 0, 4);
        m_bar->boldAction->trigger();
        QCOMPARE(formatAt(*m_text->document(), 0).fontWeight(), int(QFont::Bold));
        QVERIFY(m_bar->undoAction->isEnabled());

        m_bar->undoAction->trigger();
        QVERIFY(formatAt(*m_text->document(), 0).fontWeight() != int(QFont::Bold));
        QCOMPARE(m_text->toPlainText(), QStringLiteral("Side A"));
        QVERIFY(m_bar->redoAction->isEnabled());
        m_bar->redoAction->trigger();
        QCOMPARE(formatAt(*m_text->document(), 0).fontWeight(), int(QFont::Bold));
    }

    void size_notANumber_isReportedAndChangesNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("text") << QStringLiteral("big");
        QTest::newRow("zero") << QStringLiteral("0");
        QTest::newRow("huge") << QStringLiteral("5000");
    }
    void size_notANumber_isReportedAndChangesNothing()
    {
        QFETCH(QString, typed);
        m_text->setPlainText(kTrackList);
        select(m_text, 0, 6);
        typeInto(m_bar->sizeBox, typed);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.first().contains(QStringLiteral("1 to 400")));
        QVERIFY(!m_text->document()->isUndoAvailable());
        QCOMPARE(m_bar->sizeBox->currentText(), QStringLiteral("12"));
    }

    void color_cancelledChangesNothing()
    {
        m_text->setPlainText(kTrackList);
        select(m_text, 0, 6);
        m_bar->setColorChooser([](const QColor&) { return QColor(); });
        m_bar->colorAction->trigger();
        QVERIFY(!formatAt(*m_text->document(), 0).hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(!m_text->document()->isUndoAvailable());
    }

    void addCommand_joinsTheBarWithoutChangingTheWindow()
    {
        const QSize windowBefore = m_form->size();
        const QRect textBefore = m_form->RichEdit1->geometry();
        // The window's own commands make room for the one under test.
        m_bar->paragraphRow->removeAction(m_form->insertPictureAction);
        m_bar->paragraphRow->removeAction(m_form->ImportTracksAction);
        QAction* command = m_bar->addCommand(QStringLiteral("Import tracks..."),
            [] { throw platform::UserError(QStringLiteral("No tracks found")); });
        // On the bar itself, not in an overflow menu.
        QTRY_VERIFY(m_bar->paragraphRow->widgetForAction(command)->isVisible());
        command->trigger();
        QCOMPARE(m_errors, QStringList { QStringLiteral("No tracks found.") });
        QCOMPARE(m_form->size(), windowBefore);
        QCOMPARE(m_form->RichEdit1->geometry(), textBefore);
    }

private:
    QTemporaryDir m_folder;
    QStringList m_errors;
    std::unique_ptr<TBackForm> m_form;
    QTextEdit* m_text = nullptr;
    FormatBar* m_bar = nullptr;
};

QTEST_MAIN(FormatBarTest)
#include "tst_formatbar.moc"

#include "backtext/Back.h"
#include "backtext/FormatBar.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "richtext/RichText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <functional>
#include <memory>

namespace {

// A track list as the import writes it: each time after a right-aligned tab
// stop at the right edge of the back picture's width.
void writeTrackList(QTextEdit* editor, int tracks)
{
    QTextDocument* document = editor->document();
    QTextBlockFormat format;
    format.setTabPositions({ QTextOption::Tab(48, QTextOption::LeftTab),
        QTextOption::Tab(
            rightEdgeTabPosition(552, document->documentMargin()), QTextOption::RightTab) });
    QTextCursor cursor(document);
    cursor.setBlockFormat(format);
    cursor.insertText(QStringLiteral("Velmora - Last Rose"));
    for (int i = 1; i <= tracks; ++i) {
        cursor.insertBlock(format);
        cursor.insertText(QStringLiteral("%1.\tSong number %1\t2:%2").arg(i).arg(10 + i));
    }
}

void removeLastLines(QTextEdit* editor, int count)
{
    editor->moveCursor(QTextCursor::End);
    for (int i = 0; i < count; ++i) {
        editor->moveCursor(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        QTest::keyClick(editor, Qt::Key_Backspace); // the line's text
        QTest::keyClick(editor, Qt::Key_Backspace); // and its line end
    }
}

void makeAllSmaller(TBackForm& form)
{
    form.RichEdit1->selectAll();
    QLineEdit* size = form.formatBar->sizeBox->lineEdit();
    size->selectAll();
    QTest::keyClicks(size, QStringLiteral("9"));
    QTest::keyClick(size, Qt::Key_Return);
}

int wrappedTracks(const QTextDocument& document)
{
    int wrapped = 0;
    for (QTextBlock block = document.begin().next(); block.isValid(); block = block.next())
        wrapped += block.layout()->lineCount() > 1 ? 1 : 0;
    return wrapped;
}

} // namespace

class EditorScrollBarTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::setScreenPixelsPerInchForTesting(96);
        platform::setErrorPresenter([this](const QString& text) { m_errors << text; });
        QVERIFY(m_folder.isValid());
    }

    void init() { m_errors.clear(); }

    void shortenedTrackList_showsWhatItShowsFreshlyRead_data();
    void shortenedTrackList_showsWhatItShowsFreshlyRead();

private:
    std::unique_ptr<TBackForm> shownForm();

    QTemporaryDir m_folder;
    QStringList m_errors;
};

std::unique_ptr<TBackForm> EditorScrollBarTest::shownForm()
{
    auto form = std::make_unique<TBackForm>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return {};
    return form;
}

void EditorScrollBarTest::shortenedTrackList_showsWhatItShowsFreshlyRead_data()
{
    QTest::addColumn<std::function<void(TBackForm&)>>("shorten");
    QTest::newRow("lines removed by hand") << std::function<void(TBackForm&)>(
        [](TBackForm& form) { removeLastLines(form.RichEdit1, 8); });
    QTest::newRow("smaller font from the bar") << std::function<void(TBackForm&)>(makeAllSmaller);
}

void EditorScrollBarTest::shortenedTrackList_showsWhatItShowsFreshlyRead()
{
    QFETCH(std::function<void(TBackForm&)>, shorten);
    const std::unique_ptr<TBackForm> edited = shownForm();
    QVERIFY(edited);
    QTextEdit* editor = edited->RichEdit1;
    // Too long for the area: the bar shows, and beside it the times wrap.
    writeTrackList(editor, 28);
    QTRY_VERIFY(editor->verticalScrollBar()->isVisible());

    shorten(*edited);
    // Short enough for the area at its full width: no bar, no time wraps.
    QTRY_VERIFY(!editor->verticalScrollBar()->isVisible());
    QCOMPARE(editor->viewport()->width(), 552);
    QCOMPARE(wrappedTracks(*editor->document()), 0);
    QVERIFY(m_errors.isEmpty());

    // The same text read into an editor of its own looks the same.
    const QString file = m_folder.filePath(QStringLiteral("Shortened.rtf"));
    richtext::saveRichTextFile(file, *editor->document());
    const std::unique_ptr<TBackForm> fresh = shownForm();
    QVERIFY(fresh);
    fresh->setFileChooser([&](const TBackForm::OpenRequest&) { return file; });
    fresh->LeesButtonClick();
    QTest::qWait(20);
    QVERIFY(!fresh->RichEdit1->verticalScrollBar()->isVisible());
    editor->moveCursor(QTextCursor::Start);
    QCOMPARE(edited->backPicture(), fresh->backPicture());
}

QTEST_MAIN(EditorScrollBarTest)
#include "tst_editorscrollbar.moc"

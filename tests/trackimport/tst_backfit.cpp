#include "TrackImportTesting.h"
#include "trackimport/BackFit.h"
#include "trackimport/TrackListText.h"

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

using importtesting::editorFont;

namespace {

// The editor's text area.
const QSizeF kArea(552, 468);

// A back text as an import writes it: a heading and one line per track.
void writeTracks(QTextDocument& document, int count)
{
    document.setDefaultFont(editorFont());
    QList<trackimport::Track> tracks;
    for (int i = 1; i <= count; ++i) {
        trackimport::Track track;
        track.title = QStringLiteral("Song number %1").arg(i);
        track.artist = QStringLiteral("Velmora");
        track.album = QStringLiteral("Many Songs");
        track.durationMs = 180000 + i * 1000;
        tracks << track;
    }
    trackimport::writeTrackList(
        document, trackimport::albumOf(tracks, {}), tracks, { editorFont(), 543 });
}

QList<qreal> pointSizes(const QTextDocument& document)
{
    QList<qreal> sizes;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            sizes << it.fragment().charFormat().fontPointSize();
    }
    return sizes;
}

// Takes the points off every piece, as fitting does, but without its floor.
void shrinkEveryPiece(QTextDocument& document, qreal points)
{
    QList<std::pair<QTextCursor, qreal>> pieces;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextCursor piece(&document);
            piece.setPosition(it.fragment().position());
            piece.setPosition(
                it.fragment().position() + it.fragment().length(), QTextCursor::KeepAnchor);
            pieces.append({ piece, it.fragment().charFormat().fontPointSize() - points });
        }
    }
    for (auto& [piece, size] : pieces) {
        QTextCharFormat format;
        format.setFontPointSize(size);
        piece.mergeCharFormat(format);
    }
}

void removeLastLines(QTextDocument& document, int count)
{
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::Up, QTextCursor::KeepAnchor, count);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.deletePreviousChar();
}

} // namespace

class TestBackFit : public QObject
{
    Q_OBJECT

private slots:
    void linesBelow_isNoneExactlyWhenTheEditorNeedsNoScrollBar();
    void linesBelow_countsTheLinesToTakeAway();
    void fit_shrinksStepByStepUntilItFits();
    void fit_stopsAtTheSmallestSizeAndSaysWhatIsLeft();
    void fit_leavesAFittingTextAlone();

private:
    void checkAgainstAnEditor(int tracks, int room, int* below);
};

// Shows the list in a new editor like the back editor (its inner area is the
// text area), with some room above the first track to push the list down, and
// tells whether the editor needs a scroll bar. Lines below the area and the
// scroll bar must come together.
void TestBackFit::checkAgainstAnEditor(int tracks, int room, int* below)
{
    QTextEdit editor;
    editor.setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    editor.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    editor.setFont(editorFont());
    editor.resize(556, 472);
    writeTracks(*editor.document(), tracks);
    QTextBlockFormat above;
    above.setTopMargin(room);
    QTextCursor(editor.document()->findBlockByNumber(1)).mergeBlockFormat(above);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    *below = trackimport::linesBelowArea(*editor.document(), kArea);
    QCOMPARE(editor.verticalScrollBar()->isVisible(), *below > 0);
    if (*below == 0)
        QCOMPARE(editor.viewport()->size(), kArea.toSize());
}

void TestBackFit::linesBelow_isNoneExactlyWhenTheEditorNeedsNoScrollBar()
{
    int lastFitting = 0;
    for (int count = 16; count <= 26; ++count) {
        int below = 0;
        checkAgainstAnEditor(count, 0, &below);
        if (QTest::currentTestFailed())
            return;
        if (below == 0)
            lastFitting = count;
    }
    QVERIFY(lastFitting > 16 && lastFitting < 26);

    // Pixel by pixel across the edge.
    bool crossed = false;
    for (int room = 6; room <= 36; ++room) {
        int below = 0;
        checkAgainstAnEditor(lastFitting, room, &below);
        if (QTest::currentTestFailed())
            return;
        crossed = crossed || below > 0;
    }
    QVERIFY(crossed);
}

void TestBackFit::linesBelow_countsTheLinesToTakeAway()
{
    QTextDocument document;
    document.setDefaultFont(editorFont());
    document.setPlainText(QStringLiteral("line\n").repeated(39) + QStringLiteral("line"));
    const int below = trackimport::linesBelowArea(document, kArea);
    QVERIFY(below > 0 && below < 40);
    removeLastLines(document, below - 1);
    QCOMPARE(trackimport::linesBelowArea(document, kArea), 1);
    removeLastLines(document, 1);
    QCOMPARE(trackimport::linesBelowArea(document, kArea), 0);
}

void TestBackFit::fit_shrinksStepByStepUntilItFits()
{
    QTextDocument document;
    writeTracks(document, 30);
    const QString text = document.toPlainText();
    QVERIFY(trackimport::linesBelowArea(document, kArea) > 0);

    const trackimport::FitResult result = trackimport::fitToArea(document, kArea);
    QVERIFY(result.changed);
    QCOMPARE(result.linesBelow, 0);
    QCOMPARE(trackimport::linesBelowArea(document, kArea), 0);
    QCOMPARE(document.toPlainText(), text);
    // Every piece shrank by the same whole number of steps: the heading stays
    // larger than the tracks.
    const QList<qreal> sizes = pointSizes(document);
    const qreal by = 14 - sizes.constFirst();
    QVERIFY(by > 0 && by < 6);
    QCOMPARE(std::fmod(by, trackimport::kFitStep), 0.0);
    QCOMPARE(result.largestPointSize, sizes.constFirst());
    QCOMPARE(result.shrunkBy, by);
    for (qsizetype i = 1; i < sizes.size(); ++i)
        QCOMPARE(sizes.at(i), 12 - by);
    // Half a point larger would not fit.
    QTextDocument larger;
    writeTracks(larger, 30);
    shrinkEveryPiece(larger, by - trackimport::kFitStep);
    QVERIFY(trackimport::linesBelowArea(larger, kArea) > 0);
    shrinkEveryPiece(larger, trackimport::kFitStep);
    QCOMPARE(trackimport::linesBelowArea(larger, kArea), 0);

    document.undo();
    QCOMPARE(pointSizes(document).constFirst(), 14.0);
    QCOMPARE(pointSizes(document).constLast(), 12.0);
}

void TestBackFit::fit_stopsAtTheSmallestSizeAndSaysWhatIsLeft()
{
    QTextDocument document;
    writeTracks(document, 80);
    // A piece the user set smaller than the smallest size stays as it is.
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    // Pieces that become alike on the way join into one.
    for (const qreal size : { 6.5, 6.0, 6.5 }) {
        QTextCharFormat piece;
        piece.setFontPointSize(size);
        cursor.insertText(QStringLiteral(" piece"), piece);
    }
    QTextCharFormat tiny;
    tiny.setFontPointSize(5);
    cursor.insertText(QStringLiteral(" small print"), tiny);

    const trackimport::FitResult result = trackimport::fitToArea(document, kArea);
    QVERIFY(result.changed);
    QCOMPARE(result.largestPointSize, 6.0);
    QVERIFY(result.linesBelow > 0);
    QCOMPARE(result.linesBelow, trackimport::linesBelowArea(document, kArea));
    const QList<qreal> sizes = pointSizes(document);
    QCOMPARE(sizes.constLast(), 5.0);
    QVERIFY(std::all_of(sizes.begin(), sizes.end() - 1, [](qreal s) { return s == 6.0; }));
}

void TestBackFit::fit_leavesAFittingTextAlone()
{
    QTextDocument document;
    writeTracks(document, 10);
    document.clearUndoRedoStacks();
    const trackimport::FitResult result = trackimport::fitToArea(document, kArea);
    QVERIFY(!result.changed);
    QCOMPARE(result.linesBelow, 0);
    QCOMPARE(result.largestPointSize, 14.0);
    QVERIFY(!document.isUndoAvailable());
}

QTEST_MAIN(TestBackFit)
#include "tst_backfit.moc"

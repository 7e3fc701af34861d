#include "AudioFixtures.h"
#include "TrackImportTesting.h"
#include "platform/ErrorReport.h"
#include "trackimport/TrackImportDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUrl>

using importtesting::documentLines;
using importtesting::editorFont;
using trackimport::TrackImportDialog;

namespace {

} // namespace

class TestTrackImportDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void chosenFolder_isShownAndWritten();
    void longList_isFittedOrCounted();
    void editedAlbumFields_goIntoTheFirstLines();
    void badChoicesAndFailures_areReported();
    void stoppingOrClosingWhileReading_endsTheReading();
    void droppedFiles_areImported();

private:
    void makeAlbum(const QString& folder, int tracks);
    bool waitForReading(TrackImportDialog& dialog);

    std::unique_ptr<QTemporaryDir> m_folder;
    QTextDocument m_document;
    std::unique_ptr<TrackImportDialog> m_dialog;
    QStringList m_reports;
    platform::ErrorPresenter m_previousPresenter;
};

void TestTrackImportDialog::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_document.setDefaultFont(editorFont());
    m_document.setPlainText(QStringLiteral("Typed by hand"));
    m_document.clearUndoRedoStacks();
    m_dialog = std::make_unique<TrackImportDialog>();
    m_dialog->setTarget({ &m_document, editorFont(), QSizeF(552, 468), 543 });
    m_reports.clear();
    m_previousPresenter
        = platform::setErrorPresenter([this](const QString& text) { m_reports << text; });
}

void TestTrackImportDialog::cleanup()
{
    m_dialog.reset();
    platform::setErrorPresenter(m_previousPresenter);
}

void TestTrackImportDialog::makeAlbum(const QString& folder, int tracks)
{
    QVERIFY(QDir().mkpath(m_folder->filePath(folder)));
    for (int i = 1; i <= tracks; ++i) {
        const fixtures::Tags tags { QStringLiteral("Song %1").arg(i), QStringLiteral("Velmora"),
            QStringLiteral("Last Rose"), {}, i, 0, 2002 };
        QVERIFY(
            fixtures::writeAudioFile(m_folder->filePath(folder + QStringLiteral("/%1.flac").arg(i)),
                fixtures::AudioFormat::Flac, 60000 * i + 1000, tags));
    }
}

bool TestTrackImportDialog::waitForReading(TrackImportDialog& dialog)
{
    return QTest::qWaitFor(
        [&] { return !dialog.isReading() && !dialog.progressBar->isVisibleTo(&dialog); }, 10000);
}

void TestTrackImportDialog::chosenFolder_isShownAndWritten()
{
    makeAlbum(QStringLiteral("Album"), 3);
    QList<TrackImportDialog::Choice> asked;
    m_dialog->setChooser([&](TrackImportDialog::Choice choice, const QString&) {
        asked << choice;
        return QStringList { m_folder->filePath(QStringLiteral("Album")) };
    });
    m_dialog->show();
    QVERIFY(m_dialog->replaceLabel->isVisible()); // the editor holds text
    QVERIFY(!m_dialog->writeButton->isEnabled());
    QTest::mouseClick(m_dialog->folderButton, Qt::LeftButton);
    QVERIFY(waitForReading(*m_dialog));

    QCOMPARE(asked, QList { TrackImportDialog::Choice::Folder });
    QCOMPARE(m_dialog->trackView->topLevelItemCount(), 3);
    QCOMPARE(m_dialog->trackView->topLevelItem(2)->text(1), QStringLiteral("Song 3"));
    QCOMPARE(m_dialog->trackView->topLevelItem(2)->text(3), QStringLiteral("3:01"));
    QCOMPARE(m_dialog->artistEdit->text(), QStringLiteral("Velmora"));
    QCOMPARE(m_dialog->albumEdit->text(), QStringLiteral("Last Rose"));
    QCOMPARE(m_dialog->yearEdit->text(), QStringLiteral("2002"));
    QCOMPARE(m_dialog->fitLabel->text(), QStringLiteral("The list fits on the back."));
    QVERIFY(!m_dialog->fitBox->isVisibleTo(m_dialog.get()));

    QSignalSpy written(m_dialog.get(), &TrackImportDialog::trackListWritten);
    QTest::mouseClick(m_dialog->writeButton, Qt::LeftButton);
    QCOMPARE(written.size(), 1);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(documentLines(m_document),
        QStringList({ u"Velmora – Last Rose"_qs, "2002", "1.\tSong 1\t1:01", "2.\tSong 2\t2:01",
            "3.\tSong 3\t3:01", "\tTotal time\t6:03" }));
    m_document.undo();
    QCOMPARE(m_document.toPlainText(), QStringLiteral("Typed by hand"));
}

void TestTrackImportDialog::longList_isFittedOrCounted()
{
    makeAlbum(QStringLiteral("Long"), 28);
    m_dialog->importFrom({ m_folder->filePath(QStringLiteral("Long")) });
    QVERIFY(waitForReading(*m_dialog));
    QVERIFY(m_dialog->fitBox->isVisibleTo(m_dialog.get()));
    QVERIFY(m_dialog->fitBox->isChecked());
    QVERIFY2(m_dialog->fitLabel->text().contains(
                 QLatin1String("do not fit on the back. Fitted, the tracks are set at")),
        qPrintable(m_dialog->fitLabel->text()));

    m_dialog->fitBox->setChecked(false);
    QVERIFY2(m_dialog->fitLabel->text().endsWith(QLatin1String("lines do not fit on the back.")),
        qPrintable(m_dialog->fitLabel->text()));
    const int below = m_dialog->fitLabel->text().section(QLatin1Char(' '), 0, 0).toInt();
    QVERIFY(below > 0);
    m_dialog->fitBox->setChecked(true);

    QTest::mouseClick(m_dialog->writeButton, Qt::LeftButton);
    QCOMPARE(trackimport::linesBelowArea(m_document, QSizeF(552, 468)), 0);
    QCOMPARE(m_document.blockCount(), 1 + 1 + 28 + 1);
    // Writing and fitting are one step for undo.
    m_document.undo();
    QCOMPARE(m_document.toPlainText(), QStringLiteral("Typed by hand"));
}

void TestTrackImportDialog::editedAlbumFields_goIntoTheFirstLines()
{
    makeAlbum(QStringLiteral("Album"), 2);
    m_dialog->importFrom({ m_folder->filePath(QStringLiteral("Album")) });
    QVERIFY(waitForReading(*m_dialog));
    m_dialog->artistEdit->setText(QStringLiteral("  The Velmoras "));
    m_dialog->albumEdit->clear();
    m_dialog->yearEdit->clear();
    QTest::keyClicks(m_dialog->yearEdit, QStringLiteral("19x99"));
    QCOMPARE(m_dialog->yearEdit->text(), QStringLiteral("1999"));
    QTest::mouseClick(m_dialog->writeButton, Qt::LeftButton);
    QCOMPARE(documentLines(m_document).mid(0, 3),
        QStringList({ "The Velmoras", "1999", "1.\tSong 1\t1:01" }));
}

void TestTrackImportDialog::badChoicesAndFailures_areReported()
{
    QVERIFY(fixtures::writeAudioFile(
        m_folder->filePath(QStringLiteral("a.flac")), fixtures::AudioFormat::Flac, 1000));
    QFile cue(m_folder->filePath(QStringLiteral("b.cue")));
    QVERIFY(cue.open(QIODevice::WriteOnly));
    cue.close();
    m_dialog->setChooser([&](TrackImportDialog::Choice, const QString&) {
        return QStringList { m_folder->filePath(QStringLiteral("a.flac")),
            m_folder->filePath(QStringLiteral("b.cue")) };
    });
    QTest::mouseClick(m_dialog->filesButton, Qt::LeftButton);
    QCOMPARE(m_reports.size(), 1);
    QVERIFY2(m_reports.constFirst().contains(QLatin1String("not a mix")),
        qPrintable(m_reports.constFirst()));
    QVERIFY(!m_dialog->isReading());

    QVERIFY(QDir().mkpath(m_folder->filePath(QStringLiteral("No Music"))));
    m_dialog->importFrom({ m_folder->filePath(QStringLiteral("No Music")) });
    QVERIFY(waitForReading(*m_dialog));
    QCOMPARE(m_reports.size(), 2);
    QVERIFY2(m_reports.constLast().contains(QLatin1String("No Music")),
        qPrintable(m_reports.constLast()));
    QVERIFY(m_dialog->folderButton->isEnabled());
    QVERIFY(!m_dialog->writeButton->isEnabled());
    QCOMPARE(m_document.toPlainText(), QStringLiteral("Typed by hand"));
}

void TestTrackImportDialog::stoppingOrClosingWhileReading_endsTheReading()
{
    makeAlbum(QStringLiteral("Album"), 40);
    m_dialog->show();
    m_dialog->importFrom({ m_folder->filePath(QStringLiteral("Album")) });
    QVERIFY(m_dialog->progressBar->isVisible());
    QTest::mouseClick(m_dialog->stopButton, Qt::LeftButton);
    QVERIFY(!m_dialog->isReading());
    QVERIFY(m_dialog->folderButton->isEnabled());
    QVERIFY(m_dialog->sourceLabel->text().isEmpty());

    m_dialog->importFrom({ m_folder->filePath(QStringLiteral("Album")) });
    QVERIFY(m_dialog->progressBar->isVisible());
    m_dialog->reject();
    QVERIFY(!m_dialog->isReading());
    QVERIFY(!m_dialog->progressBar->isVisible());
    QTest::qWait(100);
    QCOMPARE(m_dialog->trackView->topLevelItemCount(), 0); // the stopped reading reports nothing
    QCOMPARE(m_document.toPlainText(), QStringLiteral("Typed by hand"));
}

void TestTrackImportDialog::droppedFiles_areImported()
{
    makeAlbum(QStringLiteral("Album"), 2);
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(m_folder->filePath(QStringLiteral("Album/2.flac"))),
        QUrl::fromLocalFile(m_folder->filePath(QStringLiteral("Album/1.flac"))) });
    m_dialog->show();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_dialog.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_dialog.get(), &drop);
    QVERIFY(waitForReading(*m_dialog));
    QCOMPARE(m_dialog->trackView->topLevelItemCount(), 2);
    QCOMPARE(m_dialog->trackView->topLevelItem(0)->text(1), QStringLiteral("Song 1"));
}

QTEST_MAIN(TestTrackImportDialog)
#include "tst_trackimportdialog.moc"

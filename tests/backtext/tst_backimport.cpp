#include "AudioFixtures.h"
#include "TrackImportTesting.h"
#include "backtext/Back.h"
#include "backtext/FormatBar.h"
#include "inlay/BackText.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "trackimport/BackFit.h"
#include "trackimport/TrackImportDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QToolBar>

#include <memory>

using importtesting::documentLines;
using trackimport::TrackImportDialog;

namespace {

QList<QTextOption::Tab> tabsOf(const QTextDocument& document, int block)
{
    return document.findBlockByNumber(block).blockFormat().tabPositions();
}

} // namespace

class BackImportTest : public QObject
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
        QVERIFY(QDir().mkpath(m_folder.filePath(QStringLiteral("Music"))));
        for (int i = 1; i <= 28; ++i) {
            const fixtures::Tags tags { QStringLiteral("Song %1").arg(i), QStringLiteral("Velmora"),
                QStringLiteral("Last Rose"), {}, i, 0, 2002 };
            QVERIFY(
                fixtures::writeAudioFile(m_folder.filePath(QStringLiteral("Music/%1.flac").arg(i)),
                    fixtures::AudioFormat::Flac, 150000 + i * 1000, tags));
        }
    }

    void init()
    {
        sLanguage.clear();
        m_errors.clear();
        ChangedB = false;
        m_form = std::make_unique<TBackForm>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup() { m_form.reset(); }

    void importedList_fitsTheTextArea_andBecomesTheSpineText();
    void importedList_keepsItsRightTabThroughBackRtf();

private:
    // Opens the import window from the bar and writes the folder's list.
    void importMusic(bool fit);

    QTemporaryDir m_folder;
    std::unique_ptr<TBackForm> m_form;
    QStringList m_errors;
};

void BackImportTest::importMusic(bool fit)
{
    QCOMPARE(m_form->ImportTracksAction->text(), QStringLiteral("Import tracks..."));
    QVERIFY(m_form->formatBar->paragraphRow->actions().contains(m_form->ImportTracksAction));
    m_form->ImportTracksAction->trigger();
    TrackImportDialog* dialog = m_form->ImportDialog;
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    dialog->setChooser([this](TrackImportDialog::Choice, const QString&) {
        return QStringList { m_folder.filePath(QStringLiteral("Music")) };
    });
    QTest::mouseClick(dialog->folderButton, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor(
        [&] { return !dialog->isReading() && dialog->writeButton->isEnabled(); }, 10000));
    dialog->fitBox->setChecked(fit);
    QTest::mouseClick(dialog->writeButton, Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QVERIFY(m_errors.isEmpty());
}

void BackImportTest::importedList_fitsTheTextArea_andBecomesTheSpineText()
{
    importMusic(true);
    QTextEdit* editor = m_form->RichEdit1;
    QVERIFY(ChangedB);
    const QStringList lines = documentLines(*editor->document());
    QCOMPARE(lines.size(), 1 + 1 + 28 + 1);
    QCOMPARE(lines.at(2), QStringLiteral("1.\tSong 1\t2:31"));
    QCOMPARE(lines.constLast(), QStringLiteral("\tTotal time\t76:46"));
    // Fitted, the whole list is what the editor shows: no scroll bar.
    QTest::qWait(50);
    QVERIFY(!editor->verticalScrollBar()->isVisible());
    QCOMPARE(editor->verticalScrollBar()->value(), 0);
    // The bar sees the times' tab stop as its own right edge.
    QTextCursor onTrack(editor->document()->findBlockByNumber(5));
    editor->setTextCursor(onTrack);
    QVERIFY(m_form->formatBar->rightTabAction->isChecked());

    QString spine;
    m_form->setMainWindow({ [](const QImage&, std::shared_ptr<const inlay::BackText>) {},
        [&](const QString& text) { spine = text; }, [] {},
        [](const std::function<void()>& work) { work(); } });
    m_form->OKButtonClick();
    QCOMPARE(spine, u"Velmora – Last Rose"_qs);
}

void BackImportTest::importedList_keepsItsRightTabThroughBackRtf()
{
    importMusic(false);
    QTextEdit* editor = m_form->RichEdit1;
    // Not fitted: the editor scrolls, and the dialog said how many lines do not fit.
    QVERIFY(trackimport::linesBelowArea(*editor->document(), QSizeF(552, 468)) > 0);
    QTest::qWait(50);
    QVERIFY(editor->verticalScrollBar()->isVisible());
    const QStringList lines = documentLines(*editor->document());
    const QList<QTextOption::Tab> tabs = tabsOf(*editor->document(), 3);
    QCOMPARE(tabs.size(), 2);
    QCOMPARE(tabs.at(1).type, QTextOption::RightTab);
    QCOMPARE(tabs.at(1).position, rightEdgeTabPosition(552, editor->document()->documentMargin()));

    m_form->SaveButtonClick();
    QVERIFY(m_errors.isEmpty());
    const QString saved
        = DataDir + u"Velmora – Last Rose"_qs + QDir::separator() + QStringLiteral("Back.rtf");
    QVERIFY(QFileInfo::exists(saved));
    editor->clear();
    m_form->setFileChooser([&](const TBackForm::OpenRequest&) { return saved; });
    m_form->LeesButtonClick();
    QCOMPARE(documentLines(*editor->document()), lines);
    for (int block : { 2, 10, 30 })
        QCOMPARE(tabsOf(*editor->document(), block), tabs);

    // Imported again, fitted: the scroll bar the long list brought goes, so
    // the times are back at the edge instead of wrapping under the titles.
    importMusic(true);
    QTest::qWait(50);
    QVERIFY(!editor->verticalScrollBar()->isVisible());
    QCOMPARE(editor->document()->findBlockByNumber(3).layout()->lineCount(), 1);
}

QTEST_MAIN(BackImportTest)
#include "tst_backimport.moc"

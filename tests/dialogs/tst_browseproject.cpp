#include "dialogs/BrowseProject.h"
#include "platform/DesignScale.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Test\r\n");
}

// Keys go where the user's would: to the widget with the focus.
void press(TBrowseForm* form, Qt::Key key)
{
    QTest::keyClick(form->focusWidget() ? form->focusWidget() : form, key);
}

QStringList listed(const TBrowseForm& form)
{
    QStringList names;
    for (int row = 0; row < form.ListBox->count(); ++row)
        names << form.ListBox->item(row)->text();
    return names;
}

} // namespace

class TestBrowseProject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void show_listsOnlyIndexFilesOfTheFolder();
    void missingFolder_opensWithEmptyList();
    void ok_returnsSelectedName();
    void doubleClick_returnsClickedName();
    void okWithoutSelection_keepsWindowOpen();
    void cancelAndEscape_keepPreviousChoice();
    void fileAddedWhileHidden_listedNextTime();

private:
    int run(std::function<void()> action);

    QTemporaryDir m_dir;
    QString m_folder;
    TBrowseForm* m_form = nullptr;
};

void TestBrowseProject::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    platform::setScreenPixelsPerInchForTesting(120);
    QVERIFY(m_dir.isValid());
    m_folder = m_dir.path() + QLatin1Char('/');
    touch(m_folder + QStringLiteral("Beta.qlp"));
    touch(m_folder + QStringLiteral("alfa.qlp"));
    touch(m_folder + QStringLiteral("GAMMA.QLP"));
    touch(m_folder + QStringLiteral("notes.txt"));
    touch(m_folder + QStringLiteral("alfa.qlp.bak"));
    QVERIFY(QDir(m_folder).mkdir(QStringLiteral("alfa")));
}

void TestBrowseProject::init()
{
    m_form = new TBrowseForm;
    m_form->InitialDir = m_folder;
}

void TestBrowseProject::cleanup()
{
    delete m_form;
    m_form = nullptr;
}

// Runs the browser modally; the action runs once it is up. A window the
// action leaves open is closed after a while so a failing test cannot hang.
int TestBrowseProject::run(std::function<void()> action)
{
    QTimer::singleShot(0, m_form, [this, action] {
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        action();
    });
    QTimer::singleShot(10000, m_form, [this] { m_form->hide(); });
    return m_form->exec();
}

void TestBrowseProject::show_listsOnlyIndexFilesOfTheFolder()
{
    QStringList names;
    run([&] {
        names = listed(*m_form);
        QTest::mouseClick(m_form->CancelBtn, Qt::LeftButton);
    });
    QCOMPARE(names,
        (QStringList {
            QStringLiteral("alfa.qlp"), QStringLiteral("Beta.qlp"), QStringLiteral("GAMMA.QLP") }));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("qzLayer - Bladeren"));
    QCOMPARE(m_form->CancelBtn->text(), QStringLiteral("Annuleren"));
}

void TestBrowseProject::missingFolder_opensWithEmptyList()
{
    m_form->InitialDir = m_folder + QStringLiteral("bestaat-niet/");
    bool shown = false;
    const int result = run([&] {
        shown = m_form->isVisible();
        QCOMPARE(m_form->ListBox->count(), 0);
        press(m_form, Qt::Key_Escape);
    });
    QVERIFY(shown);
    QCOMPARE(result, int(QDialog::Rejected));
}

void TestBrowseProject::ok_returnsSelectedName()
{
    const int result = run([&] {
        m_form->ListBox->setCurrentRow(1);
        QTest::mouseClick(m_form->OKBtn, Qt::LeftButton);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(m_form->ProjectName, QStringLiteral("Beta.qlp"));
    QVERIFY(!m_form->isVisible());
}

void TestBrowseProject::doubleClick_returnsClickedName()
{
    const int result = run([&] {
        QListWidget* list = m_form->ListBox;
        const QPoint at = list->visualItemRect(list->item(2)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(m_form->ProjectName, QStringLiteral("GAMMA.QLP"));
}

void TestBrowseProject::okWithoutSelection_keepsWindowOpen()
{
    m_form->ProjectName = QStringLiteral("vorige.qlp");
    bool openAfterOk = false;
    const int result = run([&] {
        QTest::mouseClick(m_form->OKBtn, Qt::LeftButton);
        press(m_form, Qt::Key_Return);
        openAfterOk = m_form->isVisible();
        QTest::mouseClick(m_form->CancelBtn, Qt::LeftButton);
    });
    QVERIFY(openAfterOk);
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(m_form->ProjectName, QStringLiteral("vorige.qlp"));
}

void TestBrowseProject::cancelAndEscape_keepPreviousChoice()
{
    run([&] {
        m_form->ListBox->setCurrentRow(0);
        press(m_form, Qt::Key_Return); // Enter presses OK
    });
    QCOMPARE(m_form->ProjectName, QStringLiteral("alfa.qlp"));

    const int cancelled = run([&] {
        m_form->ListBox->setCurrentRow(1);
        QTest::mouseClick(m_form->CancelBtn, Qt::LeftButton);
    });
    const int escaped = run([&] {
        QCOMPARE(m_form->ListBox->selectedItems().size(), 0); // a fresh list, nothing chosen yet
        m_form->ListBox->setCurrentRow(2);
        press(m_form, Qt::Key_Escape);
    });
    QCOMPARE(cancelled, int(QDialog::Rejected));
    QCOMPARE(escaped, int(QDialog::Rejected));
    QCOMPARE(m_form->ProjectName, QStringLiteral("alfa.qlp"));
}

void TestBrowseProject::fileAddedWhileHidden_listedNextTime()
{
    run([&] { press(m_form, Qt::Key_Escape); });
    touch(m_folder + QStringLiteral("delta.qlp"));
    QStringList names;
    run([&] {
        names = listed(*m_form);
        press(m_form, Qt::Key_Escape);
    });
    QFile::remove(m_folder + QStringLiteral("delta.qlp"));
    QVERIFY(names.contains(QStringLiteral("delta.qlp")));
}

QTEST_MAIN(TestBrowseProject)
#include "tst_browseproject.moc"

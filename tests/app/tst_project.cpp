#include "app/Main.h"
#include "app/PictureBox.h"
#include "app/Project.h"
#include "app/ProjectIndex.h"
#include "app/StartupPictures.h"
#include "dialogs/BrowseProject.h"
#include "dialogs/MessForm.h"
#include "dialogs/YesNo.h"
#include "inlay/LayoutSheet.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Picture.h"
#include "platform/Settings.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

using FolderContents = std::map<QString, QByteArray>;

QImage halves(QSize size, QColor first, QColor second)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(first);
    for (int y = 0; y < size.height(); ++y)
        for (int x = size.width() / 2; x < size.width(); ++x)
            image.setPixel(x, y, second.rgb());
    return image;
}

QByteArray bmpBytes(const QImage& image)
{
    return platform::encodeBitmap(image);
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool copyFile(const QString& from, const QString& to)
{
    return QDir().mkpath(QFileInfo(to).path()) && QFile::copy(from, to);
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Every file under a folder, hidden ones included, with its bytes.
FolderContents contentsOf(const QString& folder)
{
    FolderContents contents;
    QDirIterator it(
        folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        contents[QDir(folder).relativeFilePath(path)] = readBytes(path);
    }
    return contents;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

bool near(QRgb actual, QRgb expected)
{
    return std::abs(qRed(actual) - qRed(expected)) < 24
        && std::abs(qGreen(actual) - qGreen(expected)) < 24
        && std::abs(qBlue(actual) - qBlue(expected)) < 24;
}

// Runs the action once the window is up. The command that opens it may let
// events run first, so the window is looked for until it shows; a window the
// action leaves open is hidden after a while, so a failing test cannot hang.
void whenVisible(QWidget* window, std::function<void()> action)
{
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [poll, window, action] {
        if (!window->isVisible())
            return;
        poll->deleteLater();
        poll->stop();
        action();
    });
    poll->start(10);
    QTimer::singleShot(10000, window, [window] { window->hide(); });
}

void chooseInBrowser(const QString& fileName, std::function<void()> beforeChoosing = {})
{
    whenVisible(BrowseForm, [fileName, beforeChoosing] {
        if (beforeChoosing)
            beforeChoosing();
        if (fileName.isEmpty()) {
            QTest::mouseClick(BrowseForm->CancelBtn, Qt::LeftButton);
            return;
        }
        const QList<QListWidgetItem*> items
            = BrowseForm->ListBox->findItems(fileName, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        BrowseForm->ListBox->setCurrentItem(items.first());
        QTest::mouseClick(BrowseForm->OKBtn, Qt::LeftButton);
    });
}

#ifdef Q_OS_UNIX
// Files written while this lives may not grow past the limit, as on a full
// disk. The soft limit only, so it can be lifted again.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old {};
};
#endif

enum class Answer { Yes, No, Cancel };
enum class SaveFailure { DiskFull, FolderIsAFile, IndexIsAFolder, NameWithSeparator };

} // namespace

Q_DECLARE_METATYPE(Answer)
Q_DECLARE_METATYPE(SaveFailure)

class ProjectTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::setScreenPixelsPerInchForTesting(120);
        platform::setErrorPresenter([this](const QString& text) { m_errors << text; });
        ProgNam = QStringLiteral("qzLayer");
        m_messageForm = std::make_unique<TMessageForm>();
        MessageForm = m_messageForm.get();
        m_browser = std::make_unique<TBrowseForm>();
        BrowseForm = m_browser.get();
        m_question = std::make_unique<TYesNoDlg>();
        YesNoDlg = m_question.get();
        m_defaultFront = platform::encodeJpeg(halves(QSize(480, 480), Qt::darkRed, Qt::white));
        m_defaultBack = bmpBytes(halves(QSize(552, 472), Qt::white, Qt::lightGray));
    }

    void cleanupTestCase()
    {
        MessageForm = nullptr;
        BrowseForm = nullptr;
        YesNoDlg = nullptr;
    }

    void init()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("qzLayer"),
            QStringLiteral("qzLayer"))
            .clear();
        m_errors.clear();
        sLanguage.clear();
        qlpPathName.clear();
        m_backText.clear();
        m_messageForm->hide();

        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        m_dataDir = folderIn(QStringLiteral("data"));
        m_programDir = folderIn(QStringLiteral("program"));
        m_fixtures = folderIn(QStringLiteral("fixtures"));
        // The default project as shipped beside the program.
        const QString indexName = defaultProjectName() + QStringLiteral(".qlp");
        QVERIFY(QFile::copy(
            QStringLiteral(QZ_SOURCE_DIR "/data/") + indexName, m_programDir + indexName));
        QVERIFY(QFile::copy(QStringLiteral(QZ_SOURCE_DIR "/data/Back.rtf"),
            m_programDir + QStringLiteral("Back.rtf")));
        writeBytes(m_programDir + QStringLiteral("Front.jpg"), m_defaultFront);
        writeBytes(m_programDir + QStringLiteral("Back.bmp"), m_defaultBack);
    }

    void cleanup()
    {
        m_form.reset();
        sLanguage.clear();
    }

    // ---- Opening at start-up ----

    void firstStart_emptyDataFolder_createsAndOpensDefaultProject()
    {
        TMainForm& form = shownForm();
        QCOMPARE(m_errors, QStringList());
        const QString name = defaultProjectName();
        const QString index = name + QStringLiteral(".qlp");
        QCOMPARE(readBytes(m_dataDir + index), readBytes(m_programDir + index));
        for (const QString& file : projectFileNames())
            QCOMPARE(readBytes(m_dataDir + name + QDir::separator() + file),
                readBytes(m_programDir + file));

        QCOMPARE(form.Image2->picture().sourceBytes(), m_defaultFront);
        QVERIFY(!form.Image3->picture().isEmpty());
        QVERIFY(m_backText.toPlainText().contains(QStringLiteral("The Last Rose of Summer")));
        QCOMPARE(form.Edit1->text(), name);
        QCOMPARE(NameOfProject, name);
        QCOMPARE(DirOfProject, m_dataDir + name);
        QCOMPARE(PathNameOfProject, m_dataDir + index);
        QCOMPARE(qlpPathName, QString());
        QVERIFY(!ChangedB);
    }

    void firstStart_registryNameWithIndexButNoFolder_getsDefaultFilesAndKeepsItsIndex()
    {
        const QString name = QStringLiteral("Mine");
        platform::Settings::writeString(QStringLiteral("Project Name"), name);
        writeBytes(m_dataDir + QStringLiteral("Mine.qlp"), projectIndexBytes(name));

        TMainForm& form = shownForm();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(readBytes(m_dataDir + QStringLiteral("Mine.qlp")), projectIndexBytes(name));
        for (const QString& file : projectFileNames())
            QCOMPARE(readBytes(m_dataDir + QStringLiteral("Mine/") + file),
                readBytes(m_programDir + file));
        QCOMPARE(form.Edit1->text(), name);
        QCOMPARE(form.Image2->picture().sourceBytes(), m_defaultFront);
        QVERIFY(!ChangedB);
    }

    void firstStart_withoutDefaultFiles_isReportedAndTriedAgainNextTime()
    {
        const QString moved = folderIn(QStringLiteral("elsewhere"));
        for (const QString& file : entriesOf(m_programDir))
            QVERIFY(QFile::rename(m_programDir + file, moved + file));

        TMainForm& form = shownForm();
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.constFirst().contains(defaultProjectName()));
        QCOMPARE(form.Edit1->text(), QStringLiteral("Deze tekst komt op de Splines"));
        QVERIFY2(entriesOf(m_dataDir).isEmpty(), "no empty project folder is left behind");

        for (const QString& file : entriesOf(moved))
            QVERIFY(QFile::rename(moved + file, m_programDir + file));
        m_errors.clear();
        shownForm();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(NameOfProject, defaultProjectName());
        QVERIFY(!m_backText.isEmpty());
    }

    void firstStart_withReadAhead_opensTheSameProject()
    {
        const QImage backAsRead
            = platform::Picture::fromData(m_defaultBack, platform::PictureFormat::Bitmap).image();
        StartupPictures readAhead;
        readAhead.begin(m_programDir, m_dataDir, startupProjectName(), sheet::kFrontPictureSize);

        TMainForm& form = shownForm(&readAhead);
        QCOMPARE(m_errors, QStringList());
        const QString name = defaultProjectName();
        for (const QString& file : projectFileNames())
            QCOMPARE(readBytes(m_dataDir + name + QDir::separator() + file),
                readBytes(m_programDir + file));
        QCOMPARE(form.Image2->picture().sourceBytes(), m_defaultFront);
        QCOMPARE(form.Image2->picture().image().size(), sheet::kFrontPictureSize);
        QCOMPARE(form.Image3->picture().image().size(), sheet::kBackPictureSize);
        QVERIFY2(form.Image3->picture().image() != backAsRead, "the back picture is signed");
        QCOMPARE(form.Edit1->text(), name);
        QVERIFY(!ChangedB);
        QCOMPARE(
            readAhead
                .take(m_dataDir + name + QStringLiteral("/Front.jpg"), sheet::kFrontPictureSize)
                .has_value(),
            false);
    }

    void readAhead_fileChangedSinceReading_isReadAgain()
    {
        StartupPictures readAhead;
        readAhead.begin(m_programDir, m_dataDir, startupProjectName(), sheet::kFrontPictureSize);
        readAhead.finish();
        const QString front
            = m_dataDir + defaultProjectName() + QDir::separator() + QStringLiteral("Front.jpg");
        const QByteArray changed
            = platform::encodeJpeg(halves(QSize(480, 480), Qt::darkBlue, Qt::yellow));
        QVERIFY(changed.size() != m_defaultFront.size());
        writeBytes(front, changed);

        TMainForm& form = shownForm(&readAhead);
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(form.Image2->picture().sourceBytes(), changed);
    }

    void readAhead_brokenPicture_isReportedAsWithout()
    {
        const QString name = defaultProjectName();
        for (const QString& file : projectFileNames())
            QVERIFY(copyFile(m_programDir + file, m_dataDir + name + QDir::separator() + file));
        QVERIFY(copyFile(m_programDir + name + QStringLiteral(".qlp"),
            m_dataDir + name + QStringLiteral(".qlp")));
        writeBytes(m_dataDir + name + QStringLiteral("/Front.jpg"), QByteArray("not a picture"));

        StartupPictures readAhead;
        readAhead.begin(m_programDir, m_dataDir, name, sheet::kFrontPictureSize);
        shownForm(&readAhead);
        const QStringList withReadAhead = m_errors;
        m_errors.clear();
        shownForm();
        QCOMPARE(withReadAhead.size(), 1);
        QVERIFY(withReadAhead.constFirst().contains(QStringLiteral("Front.jpg")));
        QCOMPARE(withReadAhead, m_errors);
    }

    void readAhead_handsOutEachPictureOnceAndOnlyForItsSize()
    {
        StartupPictures readAhead;
        readAhead.begin(m_programDir, m_dataDir, startupProjectName(), QSize(100, 100));
        const QString folder = m_dataDir + defaultProjectName() + QDir::separator();
        QVERIFY(!readAhead.take(folder + QStringLiteral("Front.jpg"), QSize(480, 480)));
        const std::optional<platform::Picture> back
            = readAhead.take(folder + QStringLiteral("Back.bmp"), QSize());
        QVERIFY(back.has_value());
        QCOMPARE(back->image().size(), QSize(552, 472));
        QVERIFY(!readAhead.take(folder + QStringLiteral("Back.bmp"), QSize()));
        readAhead.clear();
        QVERIFY(!readAhead.take(folder + QStringLiteral("Front.jpg"), QSize(100, 100)));
    }

    void opening_oldAbsoluteIndex_usesLinesFromTheProjectNameOn()
    {
        const QString name = QStringLiteral("Old Songs");
        for (const QString& file : projectFileNames())
            QVERIFY(copyFile(m_programDir + file, m_dataDir + name + u'/' + file));
        writeBytes(m_dataDir + name + QStringLiteral(".qlp"),
            "C:\\Documents and Settings\\Jan\\qzLayer\\Old Songs\\Front.jpg\r\n"
            "C:\\Documents and Settings\\Jan\\qzLayer\\Old Songs\\Back.bmp\r\n"
            "C:\\Documents and Settings\\Jan\\qzLayer\\Old Songs\\Back.rtf\r\n");
        platform::Settings::writeString(QStringLiteral("Project Name"), name);

        TMainForm& form = shownForm();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(form.Image2->picture().sourceBytes(), m_defaultFront);
        QVERIFY(!form.Image3->picture().isEmpty());
        QVERIFY(!m_backText.isEmpty());
        QCOMPARE(form.Edit1->text(), name);
        QVERIFY(!ChangedB);
    }

    // ---- Save and Read Project ----

    void saveThenReopen_restoresTheWholeProject()
    {
        TMainForm& form = shownForm();
        const QByteArray photo = platform::encodeJpeg(halves(QSize(300, 200), Qt::red, Qt::blue));
        writeBytes(m_fixtures + QStringLiteral("photo.jpg"), photo);
        writeBytes(m_fixtures + QStringLiteral("back.bmp"),
            bmpBytes(halves(QSize(552, 472), Qt::cyan, Qt::magenta)));
        form.NieuwButtonClick();
        form.Load2(m_fixtures + QStringLiteral("photo.jpg"));
        form.Load3(m_fixtures + QStringLiteral("back.bmp"));
        m_backText.setHtml(QStringLiteral("<p><b>My Album</b></p><p>1. Caf\u00e9 \u266b</p>"));
        form.Edit1->setText(QStringLiteral("My Album"));
        form.PastoeButtonClick();
        const QImage sheet = form.sheetImage();
        const QImage back = form.Image3->picture().image();

        form.BewaarProjectButtonClick();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(readBytes(m_dataDir + QStringLiteral("My Album.qlp")),
            QByteArray("My Album\\Front.jpg\r\nMy Album\\Back.bmp\r\nMy Album\\Back.rtf\r\n"));
        QCOMPARE(readBytes(m_dataDir + QStringLiteral("My Album/Front.jpg")), photo);
        QCOMPARE(entriesOf(m_dataDir + QStringLiteral("My Album")),
            (QStringList { QStringLiteral("Back.bmp"), QStringLiteral("Back.rtf"),
                QStringLiteral("Front.jpg") }));
        QCOMPARE(NameOfProject, QStringLiteral("My Album"));
        QCOMPARE(DirOfProject, QStringLiteral("My Album") + QDir::separator());
        QCOMPARE(qlpPathName, QStringLiteral("My Album.qlp"));
        QCOMPARE(PathNameOfProject, QString()); // emptied by New, left alone by saving
        QVERIFY(!ChangedB);
        QVERIFY(m_messageForm->isVisible());
        QCOMPARE(m_messageForm->MessageMemo->toPlainText(),
            QStringLiteral("Het project My Album\nis bewaard."));
        QCOMPARE(m_messageForm->Timer.interval(), 5000);

        form.NieuwButtonClick();
        form.Edit1->setText(QStringLiteral("Something else"));
        QScrollBar* bar = form.ScrollBox1->verticalScrollBar();
        bar->setValue(200);
        chooseInBrowser(QStringLiteral("My Album.qlp"));
        form.LeesProjectButtonClick();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(form.sheetImage(), sheet);
        QCOMPARE(form.Image3->picture().image().convertToFormat(QImage::Format_RGB32),
            back.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(m_backText.toPlainText(), QStringLiteral("My Album\n1. Caf\u00e9 \u266b"));
        QVERIFY(m_backText.begin().begin().fragment().charFormat().font().bold());
        QCOMPARE(form.Edit1->text(), QStringLiteral("My Album"));
        QCOMPARE(NameOfProject, QStringLiteral("My Album"));
        QCOMPARE(DirOfProject, QString());
        QCOMPARE(PathNameOfProject, QString());
        QCOMPARE(qlpPathName, QStringLiteral("My Album.qlp"));
        QVERIFY(!ChangedB);
        QCOMPARE(bar->value(), 200);
    }

    void save_bitmapFrontPicture_isWrittenAsJpeg()
    {
        TMainForm& form = shownForm();
        const QImage picture = halves(QSize(200, 200), Qt::yellow, Qt::darkBlue);
        writeBytes(m_fixtures + QStringLiteral("front.bmp"), bmpBytes(picture));
        form.Load2(m_fixtures + QStringLiteral("front.bmp"));
        form.Edit1->setText(QStringLiteral("Bitmap Front"));
        form.BewaarProjectButtonClick();

        const QByteArray written = readBytes(m_dataDir + QStringLiteral("Bitmap Front/Front.jpg"));
        QVERIFY(written.startsWith("\xFF\xD8"));
        const QImage decoded = platform::decodeJpeg(written);
        QCOMPARE(decoded.size(), picture.size());
        QVERIFY(near(decoded.pixel(50, 100), qRgb(255, 255, 0)));
        QVERIFY(near(decoded.pixel(150, 100), qRgb(0, 0, 128)));
    }

    void save_existingName_overwritesAndKeepsPicturesItHasNone()
    {
        TMainForm& form = shownForm();
        form.Edit1->setText(QStringLiteral("Album"));
        form.BewaarProjectButtonClick();
        const QString folder = m_dataDir + QStringLiteral("Album/");
        const FolderContents before = contentsOf(folder);

        form.NieuwButtonClick();
        m_backText.setPlainText(QStringLiteral("New tracks"));
        form.Edit1->setText(QStringLiteral("Album"));
        form.BewaarProjectButtonClick();
        QCOMPARE(m_errors, QStringList());
        const FolderContents after = contentsOf(folder);
        QCOMPARE(after.at(QStringLiteral("Front.jpg")), before.at(QStringLiteral("Front.jpg")));
        QCOMPARE(after.at(QStringLiteral("Back.bmp")), before.at(QStringLiteral("Back.bmp")));
        QVERIFY(after.at(QStringLiteral("Back.rtf")).contains("New tracks"));
        QVERIFY(!ChangedB);
    }

    void save_failure_keepsEarlierFilesAndIsReported_data()
    {
        QTest::addColumn<SaveFailure>("failure");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reportNames");
#ifdef Q_OS_UNIX
        // The report names the file the user knows, not a temporary one.
        QTest::newRow("disk full at the back picture")
            << SaveFailure::DiskFull << QStringLiteral("Album")
            << QDir::toNativeSeparators(QStringLiteral("Album/Back.bmp\""));
#endif
        QTest::newRow("a file where the folder goes")
            << SaveFailure::FolderIsAFile << QStringLiteral("Blocked") << QStringLiteral("Blocked");
        QTest::newRow("a folder where the index file goes")
            << SaveFailure::IndexIsAFolder << QStringLiteral("Shelf")
            << QStringLiteral("Shelf.qlp");
        QTest::newRow("name holding a folder separator")
            << SaveFailure::NameWithSeparator << QStringLiteral("AC/DC") << QStringLiteral("AC/DC");
    }
    void save_failure_keepsEarlierFilesAndIsReported()
    {
        QFETCH(SaveFailure, failure);
        QFETCH(QString, name);
        QFETCH(QString, reportNames);
        TMainForm& form = shownForm();
        form.Edit1->setText(QStringLiteral("Album"));
        form.BewaarProjectButtonClick();
        if (failure == SaveFailure::FolderIsAFile)
            writeBytes(m_dataDir + name, "not a folder");
        if (failure == SaveFailure::IndexIsAFolder)
            writeBytes(m_dataDir + name + QStringLiteral(".qlp/inside"), "a folder's file");
        m_messageForm->hide();

        writeBytes(m_fixtures + QStringLiteral("other.bmp"),
            bmpBytes(halves(QSize(552, 472), Qt::black, Qt::green)));
        form.Load3(m_fixtures + QStringLiteral("other.bmp"));
        m_backText.setPlainText(QStringLiteral("Changed tracks"));
        form.Edit1->setText(name);
        ChangedB = true;
        const FolderContents before = contentsOf(m_dataDir);
        bool saved = true;
        {
#ifdef Q_OS_UNIX
            std::unique_ptr<FileSizeLimit> limit;
            if (failure == SaveFailure::DiskFull)
                limit = std::make_unique<FileSizeLimit>(64 * 1024);
#endif
            saved = platform::runGuarded([&] { form.BewaarProjectButtonClick(); });
        }
        QVERIFY(!saved);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.constFirst().contains(reportNames), qPrintable(m_errors.constFirst()));
        QVERIFY(contentsOf(m_dataDir) == before);
        QCOMPARE(entriesOf(m_dataDir + QStringLiteral("Album")),
            (QStringList { QStringLiteral("Back.bmp"), QStringLiteral("Back.rtf"),
                QStringLiteral("Front.jpg") }));
        QVERIFY(ChangedB);
        QVERIFY(!m_messageForm->isVisible());
    }

    void readProject_cancelled_changesNothing()
    {
        TMainForm& form = shownForm();
        form.Edit1->setText(QStringLiteral("Unsaved"));
        form.PastoeButtonClick();
        const QImage sheet = form.sheetImage();
        chooseInBrowser(QString());
        form.LeesProjectButtonClick();
        QVERIFY2(ChangedB, "the unsaved changes are still offered for saving");
        QCOMPARE(form.sheetImage(), sheet);
        QCOMPARE(NameOfProject, defaultProjectName());
    }

    void readProject_indexMissingOrFirstLineEmpty_isReportedAndChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("index");
        QTest::addColumn<bool>("deleteBeforeChoosing");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("reportSays");
        QTest::newRow("empty file")
            << QByteArray() << false << QString() << QStringLiteral("cannot be found");
        QTest::newRow("empty first line, Dutch")
            << QByteArray("\r\nGhost\\Back.bmp\r\nGhost\\Back.rtf\r\n") << false
            << QStringLiteral("NLD") << QStringLiteral("niet gevonden");
        QTest::newRow("removed after listing") << projectIndexBytes(QStringLiteral("Ghost")) << true
                                               << QString() << QStringLiteral("cannot be found");
    }
    void readProject_indexMissingOrFirstLineEmpty_isReportedAndChangesNothing()
    {
        QFETCH(QByteArray, index);
        QFETCH(bool, deleteBeforeChoosing);
        QFETCH(QString, language);
        QFETCH(QString, reportSays);
        const QString indexPath = m_dataDir + QStringLiteral("Ghost.qlp");
        writeBytes(indexPath, index);
        TMainForm& form = shownForm();
        sLanguage = language;
        form.Edit1->setText(QStringLiteral("Unsaved"));
        form.PastoeButtonClick();
        const QImage sheet = form.sheetImage();
        const QString dir = DirOfProject;
        const QString path = PathNameOfProject;
        const QString text = m_backText.toPlainText();

        chooseInBrowser(QStringLiteral("Ghost.qlp"), [&] {
            if (deleteBeforeChoosing)
                QFile::remove(indexPath);
        });
        QVERIFY(!platform::runGuarded([&] { form.LeesProjectButtonClick(); }));
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.constFirst().contains(QStringLiteral("\"Ghost\"")));
        QVERIFY2(m_errors.constFirst().contains(reportSays), qPrintable(m_errors.constFirst()));
        QCOMPARE(form.sheetImage(), sheet);
        QCOMPARE(form.Edit1->text(), QStringLiteral("Unsaved"));
        QCOMPARE(m_backText.toPlainText(), text);
        QCOMPARE(NameOfProject, defaultProjectName());
        QCOMPARE(DirOfProject, dir);
        QCOMPARE(PathNameOfProject, path);
        QVERIFY(ChangedB);
    }

    void readProject_missingFile_stopsThereWithChangesStillMarked()
    {
        const QString name = QStringLiteral("Half");
        QVERIFY(copyFile(m_programDir + QStringLiteral("Front.jpg"),
            m_dataDir + QStringLiteral("Half/Front.jpg")));
        QVERIFY(copyFile(m_programDir + QStringLiteral("Back.rtf"),
            m_dataDir + QStringLiteral("Half/Back.rtf")));
        writeBytes(m_dataDir + QStringLiteral("Half.qlp"), projectIndexBytes(name));
        TMainForm& form = shownForm();

        chooseInBrowser(QStringLiteral("Half.qlp"));
        QVERIFY(!platform::runGuarded([&] { form.LeesProjectButtonClick(); }));
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.constFirst().contains(QStringLiteral("Back.bmp")));
        QCOMPARE(form.Image2->picture().sourceBytes(), m_defaultFront);
        QVERIFY(form.Image3->picture().isEmpty());
        QVERIFY2(m_backText.isEmpty(), "the back text after the failing file is not loaded");
        QCOMPARE(NameOfProject, name);
        QVERIFY(ChangedB);
    }

    void readProject_nameLongerThanTheSpineField_isKeptWhole()
    {
        const QString name
            = QStringLiteral("A Very Long Album Title That Runs Past The Limit 1999");
        QVERIFY(name.size() > 51);
        for (const QString& file : projectFileNames())
            QVERIFY(copyFile(m_programDir + file, m_dataDir + name + u'/' + file));
        writeBytes(m_dataDir + name + QStringLiteral(".qlp"), projectIndexBytes(name));
        TMainForm& form = shownForm();

        chooseInBrowser(name + QStringLiteral(".qlp"));
        form.LeesProjectButtonClick();
        QCOMPARE(form.Edit1->text(), name);
        form.BewaarProjectButtonClick();
        QCOMPARE(TBrowseForm::indexFilesIn(m_dataDir),
            (QStringList {
                name + QStringLiteral(".qlp"), defaultProjectName() + QStringLiteral(".qlp") }));
    }

    // ---- The closing question ----

    void closingQuestion_answers_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes saves and closes")
            << Answer::Yes << QStringLiteral("Closing Album") << true << true;
        QTest::newRow("no closes without saving")
            << Answer::No << QStringLiteral("Closing Album") << true << false;
        QTest::newRow("cancel keeps the window open")
            << Answer::Cancel << QStringLiteral("Closing Album") << false << false;
        QTest::newRow("a failed save keeps the window open")
            << Answer::Yes << QStringLiteral("Side A/B") << false << false;
    }
    void closingQuestion_answers()
    {
        QFETCH(Answer, answer);
        QFETCH(QString, name);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        TMainForm& form = shownForm();
        form.hooks().confirmClose = [&form] { return saveBeforeClosing(*YesNoDlg, form); };
        form.Edit1->setText(name);
        form.PastoeButtonClick();
        whenVisible(YesNoDlg, [answer] {
            QPushButton* button = answer == Answer::Yes ? YesNoDlg->JaBtn
                : answer == Answer::No                  ? YesNoDlg->NeeBtn
                                                        : YesNoDlg->CancelBtn;
            QTest::mouseClick(button, Qt::LeftButton);
        });

        QCOMPARE(form.close(), closes);
        QCOMPARE(form.isVisible(), !closes);
        QCOMPARE(QFileInfo::exists(m_dataDir + name + QStringLiteral(".qlp")), saved);
        const QString stored
            = platform::Settings::readString(QStringLiteral("Project Name"), QStringLiteral("-"));
        QCOMPARE(stored, !closes ? QStringLiteral("-") : saved ? name : defaultProjectName());
        QCOMPARE(m_errors.size(), !closes && answer == Answer::Yes ? 1 : 0);
    }

private:
    QString folderIn(const QString& name)
    {
        const QString folder
            = QDir::toNativeSeparators(m_folder->filePath(name)) + QDir::separator();
        QDir().mkpath(folder);
        return folder;
    }

    TMainForm& shownForm(StartupPictures* readAhead = nullptr)
    {
        m_form = std::make_unique<TMainForm>();
        CurrentDir = m_programDir;
        DataDir = m_dataDir;
        m_form->setBackTextDocument(&m_backText);
        m_form->setStartupPictures(readAhead);
        m_form->show();
        if (!QTest::qWaitForWindowExposed(m_form.get()))
            qFatal("the main window did not show");
        return *m_form;
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_dataDir;
    QString m_programDir;
    QString m_fixtures;
    QByteArray m_defaultFront;
    QByteArray m_defaultBack;
    QStringList m_errors;
    QTextDocument m_backText;
    std::unique_ptr<TMessageForm> m_messageForm;
    std::unique_ptr<TBrowseForm> m_browser;
    std::unique_ptr<TYesNoDlg> m_question;
    std::unique_ptr<TMainForm> m_form;
};

QTEST_MAIN(ProjectTest)
#include "tst_project.moc"

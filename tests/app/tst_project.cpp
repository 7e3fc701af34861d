#include "app/Main.h"
#include "app/PictureBox.h"
#include "app/Project.h"
#include "app/ProjectIndex.h"
#include "app/StartupPictures.h"
#include "backtext/Back.h"
#include "dialogs/BrowseProject.h"
#include "dialogs/MessForm.h"
#include "dialogs/YesNo.h"
#include "inlay/LayoutSheet.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "platform/Picture.h"
#include "platform/Settings.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "tests/FreshSettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
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
#include <sys/stat.h>
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

// Makes the file one byte larger than the limit (without writing it all).
void growPast(const QString& path, qint64 limit)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(limit + 1));
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

// Clicks the answer once the question dialog is up.
void answerWhenAsked(Answer answer)
{
    whenVisible(YesNoDlg, [answer] {
        QPushButton* button = answer == Answer::Yes ? YesNoDlg->JaBtn
            : answer == Answer::No                  ? YesNoDlg->NeeBtn
                                                    : YesNoDlg->CancelBtn;
        QTest::mouseClick(button, Qt::LeftButton);
    });
}
enum class SaveFailure { DiskFull, FolderIsAFile, IndexIsAFolder, NameWithSeparator };
enum class Breakage { Missing, Truncated, Pipe, TooLarge, IndexLineOutside };

} // namespace

Q_DECLARE_METATYPE(Answer)
Q_DECLARE_METATYPE(SaveFailure)
Q_DECLARE_METATYPE(Breakage)

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
        clearProgramSettings();
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

    // The default index names the default project's folder: under another
    // name it would open the default project's files as that project.
    void firstStart_rememberedProjectGoneWithItsIndex_isReportedNotMadeFromDefaults()
    {
        platform::Settings::writeString(QStringLiteral("Project Name"), QStringLiteral("Gone"));
        TMainForm& form = shownForm();
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.constFirst().contains(QStringLiteral("\"Gone\" cannot be found")),
            qPrintable(m_errors.constFirst()));
        QCOMPARE(entriesOf(m_dataDir), QStringList());
        QVERIFY(form.Image2->picture().isEmpty());
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

    void save_nonJpegFrontPicture_isWrittenAsJpeg_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("bitmap") << QStringLiteral("front.bmp") << QByteArray("BMP");
        QTest::newRow("png") << QStringLiteral("front.png") << QByteArray("PNG");
    }
    void save_nonJpegFrontPicture_isWrittenAsJpeg()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, format);
        TMainForm& form = shownForm();
        const QImage picture = halves(QSize(200, 200), Qt::yellow, Qt::darkBlue);
        QVERIFY(picture.save(m_fixtures + file, format.constData()));
        form.Load2(m_fixtures + file);
        form.Edit1->setText(QStringLiteral("Other Front"));
        form.BewaarProjectButtonClick();

        const QByteArray written = readBytes(m_dataDir + QStringLiteral("Other Front/Front.jpg"));
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
        QTest::addColumn<QString>("reason");
#ifdef Q_OS_UNIX
        // The report names the file the user knows, not a temporary one, and
        // says what the system said.
        QTest::newRow("disk full at the back picture")
            << SaveFailure::DiskFull << QStringLiteral("Album")
            << QDir::toNativeSeparators(QStringLiteral("Album/Back.bmp\""))
            << platform::systemErrorText(EFBIG);
        QTest::newRow("a file where the folder goes")
            << SaveFailure::FolderIsAFile << QStringLiteral("Blocked") << QStringLiteral("Blocked")
            << platform::systemErrorText(EEXIST);
#endif
        QTest::newRow("a folder where the index file goes")
            << SaveFailure::IndexIsAFolder << QStringLiteral("Shelf") << QStringLiteral("Shelf.qlp")
            << QStringLiteral("it is a folder");
        QTest::newRow("name holding a folder separator")
            << SaveFailure::NameWithSeparator << QStringLiteral("AC/DC") << QStringLiteral("AC/DC")
            << QStringLiteral("may not hold");
    }
    void save_failure_keepsEarlierFilesAndIsReported()
    {
        QFETCH(SaveFailure, failure);
        QFETCH(QString, name);
        QFETCH(QString, reportNames);
        QFETCH(QString, reason);
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
        QVERIFY2(m_errors.constFirst().contains(reason), qPrintable(m_errors.constFirst()));
        QVERIFY(contentsOf(m_dataDir) == before);
        QCOMPARE(entriesOf(m_dataDir + QStringLiteral("Album")),
            (QStringList { QStringLiteral("Back.bmp"), QStringLiteral("Back.rtf"),
                QStringLiteral("Front.jpg") }));
        QVERIFY(ChangedB);
        QVERIFY(!m_messageForm->isVisible());
    }

    // A name the file system takes but nobody could type or read back again.
    void save_nameWithControlCharacters_isRefusedAndLeavesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("line break") << QStringLiteral("Line1\nLine2");
        QTest::newRow("tab") << QStringLiteral("\tIndented");
    }
    void save_nameWithControlCharacters_isRefusedAndLeavesNothing()
    {
        QFETCH(QString, name);
        TMainForm& form = shownForm();
        const FolderContents before = contentsOf(m_dataDir);
        const QStringList entriesBefore = entriesOf(m_dataDir);
        form.Edit1->setText(name);
        ChangedB = true;
        QVERIFY(!platform::runGuarded([&] { form.BewaarProjectButtonClick(); }));
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.constFirst().contains(QStringLiteral("cannot be used as a project name")),
            qPrintable(m_errors.constFirst()));
        QVERIFY(contentsOf(m_dataDir) == before);
        QCOMPARE(entriesOf(m_dataDir), entriesBefore);
        QVERIFY(ChangedB);
        QCOMPARE(NameOfProject, defaultProjectName());
    }

    // A project folder that is a link to a memory stick: each file is written
    // beside its own final place, on that place's file system.
    void save_projectFolderOnAnotherFileSystem_isSaved()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir stick(QStringLiteral("/dev/shm/qzlayer-stick-XXXXXX"));
        struct stat data
        {
        }, other {};
        if (!stick.isValid() || stat(QFile::encodeName(m_dataDir).constData(), &data) != 0
            || stat(QFile::encodeName(stick.path()).constData(), &other) != 0
            || data.st_dev == other.st_dev)
            QSKIP("no second file system at /dev/shm");
        const QString name = QStringLiteral("On The Stick");
        QVERIFY(QFile::link(stick.path(), m_dataDir + name));
        TMainForm& form = shownForm();
        m_backText.setPlainText(QStringLiteral("First"));
        form.Edit1->setText(name);
        form.BewaarProjectButtonClick();
        m_backText.setPlainText(QStringLiteral("Second"));
        form.BewaarProjectButtonClick();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(readBytes(m_dataDir + name + QStringLiteral(".qlp")), projectIndexBytes(name));
        QVERIFY(readBytes(stick.filePath(QStringLiteral("Back.rtf"))).contains("Second"));
        QCOMPARE(entriesOf(stick.path()),
            (QStringList { QStringLiteral("Back.bmp"), QStringLiteral("Back.rtf"),
                QStringLiteral("Front.jpg") }));
        QCOMPARE(entriesOf(m_dataDir),
            (QStringList { name, name + QStringLiteral(".qlp"), defaultProjectName(),
                defaultProjectName() + QStringLiteral(".qlp") }));
#else
        QSKIP("links to another file system are made the Unix way");
#endif
    }

    // What a killed save left is finished before the project is read: a
    // complete save is put in place, an incomplete one removed.
    void readProject_afterAnInterruptedSave_findsOneWholeVersion_data()
    {
        QTest::addColumn<bool>("complete");
        QTest::newRow("killed while writing") << false;
        QTest::newRow("killed while moving the files") << true;
    }
    void readProject_afterAnInterruptedSave_findsOneWholeVersion()
    {
        QFETCH(bool, complete);
        const QString name = QStringLiteral("Interrupted");
        const QString folder = m_dataDir + name + QDir::separator();
        for (const QString& part : projectFileNames())
            QVERIFY(copyFile(m_programDir + part, folder + part));
        writeBytes(m_dataDir + name + QStringLiteral(".qlp"), projectIndexBytes(name));
        const QString staging = folder + QStringLiteral(".saving-k1lled00");
        writeBytes(staging + QStringLiteral("/Back.rtf"), "{\\rtf1 New tracks\\par}");
        writeBytes(
            m_dataDir + name + QStringLiteral(".qlp.saving-k1lled00"), projectIndexBytes(name));
        if (complete)
            writeBytes(staging + QStringLiteral("/commit"), "Back.rtf\nindex\n");
        TMainForm& form = shownForm();

        chooseInBrowser(name + QStringLiteral(".qlp"));
        form.LeesProjectButtonClick();
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(m_backText.toPlainText().contains(QStringLiteral("New tracks")), complete);
        QCOMPARE(entriesOf(folder),
            (QStringList { QStringLiteral("Back.bmp"), QStringLiteral("Back.rtf"),
                QStringLiteral("Front.jpg") }));
        QVERIFY(!entriesOf(m_dataDir).contains(name + QStringLiteral(".qlp.saving-k1lled00")));
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
        // Not an index: a line longer than any path, or a file far larger
        // than three lines, is refused before its text goes anywhere.
        QTest::newRow("first line longer than any path")
            << QByteArray(5000, 'x') + "\r\nGhost\\Back.bmp\r\n"
            << false << QString() << QStringLiteral("line 1 is longer than 4096 characters");
        QTest::newRow("larger than an index can be") << QByteArray(
            1'000'000, 'x') << false << QString() << QStringLiteral("larger than 64 KB");
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

    // A file that cannot be read does not keep the others from being shown,
    // and the user hears about it once.
    void readProject_brokenFile_loadsTheRestAndReportsOnce_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Breakage>("breakage");
        QTest::addColumn<QString>("reportSays");
        QTest::newRow("truncated front picture")
            << QStringLiteral("Front.jpg") << Breakage::Truncated << QStringLiteral("incomplete");
        QTest::newRow("missing back picture")
            << QStringLiteral("Back.bmp") << Breakage::Missing << QStringLiteral("does not exist");
#ifdef Q_OS_UNIX
        QTest::newRow("front picture is a pipe")
            << QStringLiteral("Front.jpg") << Breakage::Pipe << QStringLiteral("pipe");
        QTest::newRow("back text is a pipe")
            << QStringLiteral("Back.rtf") << Breakage::Pipe << QStringLiteral("pipe");
#endif
        QTest::newRow("back text far larger than a page") << QStringLiteral(
            "Back.rtf") << Breakage::TooLarge << QStringLiteral("larger than 16 MB");
        QTest::newRow("index line leading to a device") << QStringLiteral(
            "Back.rtf") << Breakage::IndexLineOutside << QStringLiteral("outside");
    }
    void readProject_brokenFile_loadsTheRestAndReportsOnce()
    {
        QFETCH(QString, file);
        QFETCH(Breakage, breakage);
        QFETCH(QString, reportSays);
        const QString name = QStringLiteral("Half");
        const QString folder = m_dataDir + name + QDir::separator();
        for (const QString& part : projectFileNames())
            QVERIFY(copyFile(m_programDir + part, folder + part));
        QByteArray index = projectIndexBytes(name);
        switch (breakage) {
        case Breakage::Missing:
            QVERIFY(QFile::remove(folder + file));
            break;
        case Breakage::Truncated:
            writeBytes(folder + file, m_defaultFront.left(m_defaultFront.size() / 2));
            break;
        case Breakage::Pipe:
#ifdef Q_OS_UNIX
            QVERIFY(QFile::remove(folder + file));
            QCOMPARE(mkfifo(QFile::encodeName(folder + file).constData(), 0600), 0);
#endif
            break;
        case Breakage::TooLarge:
            growPast(folder + file, TBackForm::kBackTextLimits.bytes);
            break;
        case Breakage::IndexLineOutside:
            index.replace(QByteArray(name.toUtf8() + "\\" + file.toUtf8()),
                QByteArray("..\\..\\..\\..\\..\\..\\..\\..\\dev\\zero"));
            break;
        }
        writeBytes(m_dataDir + name + QStringLiteral(".qlp"), index);
        TMainForm& form = shownForm();

        chooseInBrowser(name + QStringLiteral(".qlp"));
        QVERIFY(!platform::runGuarded([&] { form.LeesProjectButtonClick(); }));
        QCOMPARE(m_errors.size(), 1);
        const QString& report = m_errors.constFirst();
        QVERIFY2(
            report.contains(file) || report.contains(QStringLiteral("zero")), qPrintable(report));
        QVERIFY2(report.contains(reportSays), qPrintable(report));
        QCOMPARE(form.Image2->picture().isEmpty(), file == QStringLiteral("Front.jpg"));
        QCOMPARE(form.Image3->picture().isEmpty(), file == QStringLiteral("Back.bmp"));
        QCOMPARE(m_backText.isEmpty(), file == QStringLiteral("Back.rtf"));
        QCOMPARE(form.Edit1->text(), name);
        QCOMPARE(NameOfProject, name);
        QVERIFY(ChangedB);
    }

    // Saving never replaces a file with something the user never saw: a back
    // text that could not be read keeps its file until the user writes one.
    void save_afterBackTextFailedToLoad_keepsItsFileUntilTheUserWritesOne()
    {
        const QString name = QStringLiteral("Kept");
        const QString folder = m_dataDir + name + QDir::separator();
        for (const QString& part : projectFileNames())
            QVERIFY(copyFile(m_programDir + part, folder + part));
        writeBytes(m_dataDir + name + QStringLiteral(".qlp"), projectIndexBytes(name));
        growPast(folder + QStringLiteral("Back.rtf"), TBackForm::kBackTextLimits.bytes);
        const QByteArray backText = readBytes(folder + QStringLiteral("Back.rtf"));
        TMainForm& form = shownForm();
        chooseInBrowser(name + QStringLiteral(".qlp"));
        QVERIFY(!platform::runGuarded([&] { form.LeesProjectButtonClick(); }));
        QVERIFY(m_backText.isEmpty());

        form.BewaarProjectButtonClick();
        QCOMPARE(m_errors.size(), 1);
        QCOMPARE(readBytes(folder + QStringLiteral("Back.rtf")), backText);
        QCOMPARE(readBytes(m_dataDir + name + QStringLiteral(".qlp")), projectIndexBytes(name));

        m_backText.setPlainText(QStringLiteral("Written after all"));
        form.BewaarProjectButtonClick();
        QVERIFY(readBytes(folder + QStringLiteral("Back.rtf")).contains("Written after all"));
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
        form.hooks().confirmClose = [&form] { return saveChangesFirst(*YesNoDlg, form); };
        form.Edit1->setText(name);
        form.PastoeButtonClick();
        answerWhenAsked(answer);

        QCOMPARE(form.close(), closes);
        QCOMPARE(form.isVisible(), !closes);
        QCOMPARE(QFileInfo::exists(m_dataDir + name + QStringLiteral(".qlp")), saved);
        const QString stored
            = platform::Settings::readString(QStringLiteral("Project Name"), QStringLiteral("-"));
        QCOMPARE(stored, !closes ? QStringLiteral("-") : saved ? name : defaultProjectName());
        QCOMPARE(m_errors.size(), !closes && answer == Answer::Yes ? 1 : 0);
    }

    void newAndReadProject_askBeforeLeavingChanges_data()
    {
        QTest::addColumn<bool>("readProject");
        QTest::addColumn<Answer>("answer");
        for (const bool readProject : { false, true }) {
            const char* command = readProject ? "Read Project" : "New";
            QTest::addRow("%s, yes saves first", command) << readProject << Answer::Yes;
            QTest::addRow("%s, no goes on", command) << readProject << Answer::No;
            QTest::addRow("%s, cancel stops", command) << readProject << Answer::Cancel;
        }
    }
    void newAndReadProject_askBeforeLeavingChanges()
    {
        QFETCH(bool, readProject);
        QFETCH(Answer, answer);
        TMainForm& form = shownForm();
        form.hooks().saveChangesFirst = [&form] { return saveChangesFirst(*YesNoDlg, form); };
        const QString unsaved = QStringLiteral("Unsaved Album");
        form.Edit1->setText(unsaved);
        form.PastoeButtonClick();
        answerWhenAsked(answer);
        const QString other = defaultProjectName();
        if (answer != Answer::Cancel && readProject)
            chooseInBrowser(other + QStringLiteral(".qlp"));

        readProject ? form.LeesProjectButtonClick() : form.NieuwButtonClick();

        QCOMPARE(m_errors, QStringList());
        QCOMPARE(
            QFileInfo::exists(m_dataDir + unsaved + QStringLiteral(".qlp")), answer == Answer::Yes);
        const QString spineText = answer == Answer::Cancel ? unsaved
            : readProject                                  ? other
                                                           : QString();
        QCOMPARE(form.Edit1->text(), spineText);
        if (readProject && answer != Answer::Cancel)
            QCOMPARE(NameOfProject, other);
        // Cancel keeps the changes on offer; New leaves a blank inlay to save.
        QCOMPARE(ChangedB, answer == Answer::Cancel || !readProject);
    }

    void shortcuts_runTheMainWindowsCommands()
    {
        TMainForm& form = shownForm();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.Edit1->setText(QStringLiteral("Keyboard Album"));
        const auto pressed = [&form](QPushButton* button, QKeySequence keys) -> qsizetype {
            form.activateWindow(); // back from the browser
            if (!QTest::qWaitForWindowActive(&form))
                return -1;
            QSignalSpy clicked(button, &QPushButton::clicked);
            QTest::keySequence(&form, keys);
            return clicked.size();
        };
        QCOMPARE(pressed(form.BewaarProjectButton, QKeySequence(Qt::CTRL | Qt::Key_S)), 1);
        QVERIFY(QFileInfo::exists(m_dataDir + QStringLiteral("Keyboard Album.qlp")));
        chooseInBrowser(QString()); // cancelled
        QCOMPARE(pressed(form.LeesProjectButton, QKeySequence(Qt::CTRL | Qt::Key_O)), 1);
        QCOMPARE(pressed(form.NieuwButton, QKeySequence(Qt::CTRL | Qt::Key_N)), 1);
        QVERIFY(form.Edit1->text().isEmpty());
        QCOMPARE(pressed(form.PrintButton, QKeySequence(Qt::CTRL | Qt::Key_P)), 1);
        QCOMPARE(pressed(form.HelpButton, QKeySequence(Qt::Key_F1)), 1);
        QCOMPARE(m_errors.size(), 1); // no help file beside this test's program
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

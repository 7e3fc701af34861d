#include "app/BackFormLink.h"
#include "app/CommandLine.h"
#include "app/Main.h"
#include "app/PictureBox.h"
#include "app/Project.h"
#include "app/ProjectIndex.h"
#include "backtext/Back.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Picture.h"
#include "platform/Settings.h"
#include "richtext/RichText.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "tests/FreshSettings.h"
#include "tests/printing/PdfTools.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {

const QString kAlbum = QStringLiteral("Velvet Hours");
const QString kTracks = QStringLiteral("Velvet Hours\n1.\tOpening Night\n2.\tHarbour Lights");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A photo of the given size that encodes quickly.
QByteArray photo(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(120, 20, 40));
    gradient.setColorAt(1, QColor(240, 200, 120));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    return platform::encodeJpeg(image, 85);
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::setScreenPixelsPerInchForTesting(96);
        platform::setErrorPresenter([this](const QString& text) { m_errors << text; });
        QVERIFY(m_folder.isValid());
        m_dataDir = QDir::toNativeSeparators(m_folder.filePath(QStringLiteral("data")))
            + QDir::separator();
        QVERIFY(QDir().mkpath(m_dataDir));
    }

    void init()
    {
        clearProgramSettings();
        m_errors.clear();
        sLanguage.clear();
    }

    // ---- The arguments ----

    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("pdfFile");
        QTest::addColumn<QString>("paper");
        using A = CommandLine::Action;
        QTest::newRow("nothing") << QStringList() << int(A::OpenWindow) << ""
                                 << ""
                                 << "";
        QTest::newRow("a project")
            << QStringList { "Velvet Hours" } << int(A::OpenWindow) << "Velvet Hours"
            << ""
            << "";
        QTest::newRow("a pdf, relative")
            << QStringList { "--pdf", "out/inlay.pdf" } << int(A::WritePdf) << ""
            << "/home/user/out/inlay.pdf"
            << "";
        QTest::newRow("a pdf of a project on letter")
            << QStringList { "--pdf=/tmp/x.pdf", "--paper", "Letter", "Album.qlp" }
            << int(A::WritePdf) << "Album.qlp"
            << "/tmp/x.pdf"
            << "letter";
        QTest::newRow("a project named like an option")
            << QStringList { "--", "--pdf" } << int(A::OpenWindow) << "--pdf"
            << ""
            << "";
        QTest::newRow("help") << QStringList { "Album", "--help" } << int(A::ShowHelp) << ""
                              << ""
                              << "";
        QTest::newRow("pdf without a file") << QStringList { "--pdf" } << int(A::Refuse) << ""
                                            << ""
                                            << "";
        QTest::newRow("unknown paper")
            << QStringList { "--pdf", "x.pdf", "--paper", "a5" } << int(A::Refuse) << ""
            << ""
            << "";
        QTest::newRow("paper without pdf")
            << QStringList { "--paper", "a4" } << int(A::Refuse) << ""
            << ""
            << "";
        QTest::newRow("two projects") << QStringList { "One", "Two" } << int(A::Refuse) << ""
                                      << ""
                                      << "";
        QTest::newRow("unknown option") << QStringList { "--print" } << int(A::Refuse) << ""
                                        << ""
                                        << "";
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        const CommandLine command = parseCommandLine(arguments, QStringLiteral("/home/user"));
        QCOMPARE(int(command.action), action);
        if (command.action == CommandLine::Action::Refuse) {
            QVERIFY(!command.problem.isEmpty());
            return;
        }
        QTEST(command.project, "project");
        QTEST(command.pdfFile, "pdfFile");
        QTEST(command.paper ? paperKey(*command.paper) : QString(), "paper");
    }

    void runsWithoutWindow_forPdfAndHelpOnly()
    {
        const auto check = [](std::initializer_list<const char*> arguments) {
            std::vector<char*> argv { const_cast<char*>("qzLayer") };
            for (const char* argument : arguments)
                argv.push_back(const_cast<char*>(argument));
            return runsWithoutWindow(int(argv.size()), argv.data());
        };
        QVERIFY(check({ "--pdf", "x.pdf" }));
        QVERIFY(check({ "Album", "--pdf=x.pdf" }));
        QVERIFY(check({ "-h" }));
        QVERIFY(!check({}));
        QVERIFY(!check({ "Album.qlp" }));
        QVERIFY(!check({ "--", "--pdf" }));
    }

    void locateProject_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("a name") << "Velvet Hours"
                                << "Velvet Hours"
                                << "<data>";
        QTest::newRow("an index file here") << "Album.qlp"
                                            << "Album"
                                            << "<base>";
        QTest::newRow("upper-case extension") << "ALBUM.QLP"
                                              << "ALBUM"
                                              << "<base>";
        QTest::newRow("dots in the name") << "sub/My.Album.qlp"
                                          << "My.Album"
                                          << "<base>sub/";
        QTest::newRow("absolute, in the data folder") << "<data>Album.qlp"
                                                      << "Album"
                                                      << "<data>";
    }
    void locateProject()
    {
        QFETCH(QString, given);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        const QString base = m_folder.filePath(QStringLiteral("base")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(base + QStringLiteral("sub")));
        const auto expand = [&](QString text) {
            return text.replace(QStringLiteral("<data>"), m_dataDir)
                .replace(QStringLiteral("<base>"), base);
        };
        const ProjectLocation location = ::locateProject(expand(given), m_dataDir, base);
        QCOMPARE(location.name, name);
        QCOMPARE(QDir::fromNativeSeparators(location.folder),
            QDir::fromNativeSeparators(expand(folder)));
        // The index file is the file given, whatever the case of its name.
        const QString indexFile = given.endsWith(QLatin1String(".qlp"), Qt::CaseInsensitive)
            ? QFileInfo(expand(given)).fileName()
            : name + QStringLiteral(".qlp");
        QCOMPARE(QDir::fromNativeSeparators(location.indexPath),
            QDir::fromNativeSeparators(location.folder + indexFile));
    }

    // ---- A project named when the program starts ----

    void requestedProject_opensInsteadOfTheRemembered_andIsNotRememberedFromElsewhere()
    {
        const QString folder
            = makeProject(m_folder.filePath(QStringLiteral("elsewhere")), QSize(300, 200));
        platform::Settings::writeString(QStringLiteral("Project Name"), QStringLiteral("Earlier"));
        {
            auto form = std::make_unique<TMainForm>();
            DataDir = m_dataDir;
            form->setRequestedProject(
                ::locateProject(folder + kAlbum + QStringLiteral(".qlp"), m_dataDir, QString()));
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            QCOMPARE(m_errors, QStringList());
            QCOMPARE(NameOfProject, kAlbum);
            QCOMPARE(form->Edit1->text(), kAlbum);
            QCOMPARE(form->Image2->picture().originalSize(), QSize(300, 200));
            QVERIFY(!ChangedB);
            QVERIFY(form->close());
        }
        // The next start could not find it by its name in the data folder.
        QCOMPARE(platform::Settings::readString(QStringLiteral("Project Name"), QString()),
            QStringLiteral("Earlier"));
    }

    void requestedProjectMissing_isReported_andTheRememberedOneOpens()
    {
        makeProject(m_dataDir, QSize(40, 40));
        platform::Settings::writeString(QStringLiteral("Project Name"), kAlbum);
        auto form = std::make_unique<TMainForm>();
        DataDir = m_dataDir;
        form->setRequestedProject(
            ::locateProject(QStringLiteral("Not There"), m_dataDir, QString()));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(QStringLiteral("\"Not There\" cannot be found")),
            qPrintable(m_errors.first()));
        QCOMPARE(NameOfProject, kAlbum);
        QCOMPARE(form->Image2->picture().originalSize(), QSize(40, 40));
    }

    // ---- A PDF from the command line ----

    void pdf_ofAProjectWithALargePhoto_isTrueSizeWithTextAsText_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<int>("pages");
        QTest::newRow("A4") << "a4" << 1;
        QTest::newRow("Letter") << "letter" << 2;
    }
    void pdf_ofAProjectWithALargePhoto_isTrueSizeWithTextAsText()
    {
        if (!pdftools::available())
            QSKIP("poppler's tools are not installed");
        QFETCH(QString, paper);
        QFETCH(int, pages);
        const QString caller
            = m_folder.filePath(QStringLiteral("caller-") + paper) + QLatin1Char('/');
        static QString projectFolder;
        if (projectFolder.isEmpty())
            projectFolder
                = makeProject(m_folder.filePath(QStringLiteral("photo")), QSize(6000, 4000));
        QVERIFY(QDir().mkpath(caller));
        QFile::copy(projectFolder + kAlbum + QStringLiteral(".qlp"),
            caller + kAlbum + QStringLiteral(".qlp"));
        QDir(caller).mkpath(kAlbum);
        for (const QString& file : projectFileNames())
            QFile::copy(projectFolder + kAlbum + QLatin1Char('/') + file,
                caller + kAlbum + QLatin1Char('/') + file);

        // As the launcher starts it: from the program's folder, told where
        // the user was; the paths are the user's, relative.
        const Run run = runProgram(caller,
            { QStringLiteral("--pdf"), QStringLiteral("inlay.pdf"), QStringLiteral("--paper"),
                paper, kAlbum + QStringLiteral(".qlp") });
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
        const QString pdf = caller + QStringLiteral("inlay.pdf");
        QCOMPARE(pdftools::info(pdf, QStringLiteral("Pages")).toInt(), pages);
        QCOMPARE(pdftools::info(pdf, QStringLiteral("Title")), kAlbum);

        const QList<pdftools::PdfPicture> pictures = pdftools::pictures(pdf);
        QVERIFY(!pictures.isEmpty());
        QVERIFY2(pictures.first().ppiX >= 300 && pictures.first().ppiY >= 300,
            qPrintable(QStringLiteral("%1 × %2 ppi")
                           .arg(pictures.first().ppiX)
                           .arg(pictures.first().ppiY)));
        for (const pdftools::PdfFont& font : pdftools::fonts(pdf))
            QVERIFY2(font.embedded, qPrintable(font.name));
        const QString text = pdftools::text(pdf);
        QVERIFY2(text.contains(QStringLiteral("Harbour Lights")), qPrintable(text));
    }

    void pdf_failures_sayWhyOnStandardErrorAndWriteNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("no such project") << QStringList { "--pdf", "out.pdf", "No Such Album" }
                                         << "\"No Such Album\" cannot be found" << 1;
        QTest::newRow("no such index file")
            << QStringList { "--pdf", "out.pdf", "gone/Album.qlp" } << "cannot be found" << 1;
        QTest::newRow("folder of the pdf missing")
            << QStringList { "--pdf", "missing/out.pdf", "Velvet Hours.qlp" } << "cannot be written"
            << 1;
        QTest::newRow("pdf without a file") << QStringList { "--pdf" } << "--pdf needs" << 2;
    }
    void pdf_failures_sayWhyOnStandardErrorAndWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        QFETCH(int, exitCode);
        const QString caller
            = makeProject(m_folder.filePath(QStringLiteral("failures")), QSize(40, 40));
        const Run run = runProgram(caller, arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.errors.contains(says), qPrintable(run.errors));
        QVERIFY(!QFile::exists(caller + QStringLiteral("out.pdf")));
        QVERIFY(!QFile::exists(caller + QStringLiteral("missing/out.pdf")));
    }

private:
    struct Run
    {
        int exitCode = -1;
        QString errors;
    };

    Run runProgram(const QString& caller, const QStringList& arguments)
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QZLAYER_CALLER_DIR"), caller);
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("DISPLAY"));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(m_folder.path());
        program.start(QStringLiteral(QZ_PROGRAM), arguments);
        if (!program.waitForFinished(120000))
            return {};
        return { program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromUtf8(program.readAllStandardError()) };
    }

    // A project "Velvet Hours" in the folder: a front photo of the size, and
    // the back picture made by the editor from the back text, as Copy to
    // Back Cover makes it. Returns the folder with a separator.
    QString makeProject(const QString& where, QSize photoSize)
    {
        const QString folder = QDir::toNativeSeparators(where) + QDir::separator();
        const QString projectFolder = folder + kAlbum + QDir::separator();
        writeFile(projectFolder + QStringLiteral("Front.jpg"), photo(photoSize));
        writeFile(folder + kAlbum + QStringLiteral(".qlp"), projectIndexBytes(kAlbum));

        TMainForm mainForm;
        TBackForm backForm;
        MainForm = &mainForm;
        BackForm = &backForm;
        connectBackForm(mainForm, backForm);
        backForm.RichEdit1->setPlainText(kTracks);
        backForm.show();
        if (!QTest::qWaitForWindowExposed(&backForm))
            qFatal("the back-text editor did not show");
        backForm.OKButtonClick();
        mainForm.Image3->picture().save(projectFolder + QStringLiteral("Back.bmp"));
        richtext::saveRichTextFile(
            projectFolder + QStringLiteral("Back.rtf"), *backForm.RichEdit1->document());
        MainForm = nullptr;
        BackForm = nullptr;
        return folder;
    }

    QTemporaryDir m_folder;
    QString m_dataDir;
    QStringList m_errors;
};

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"

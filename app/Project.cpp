#include "app/Project.h"

#include "app/Main.h"
#include "app/PictureBox.h"
#include "app/ProjectIndex.h"
#include "app/StartupPictures.h"
#include "dialogs/BrowseProject.h"
#include "dialogs/MessForm.h"
#include "dialogs/YesNo.h"
#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "platform/Picture.h"
#include "richtext/RichText.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <system_error>

namespace {

const QString kIndexExtension = QStringLiteral(".qlp");
const QString kFrontFile = QStringLiteral("Front.jpg");
const QString kBackFile = QStringLiteral("Back.bmp");
const QString kTextFile = QStringLiteral("Back.rtf");
constexpr std::uint16_t kSavedMessageTime = 5000;

bool isDutch()
{
    return sLanguage == QLatin1String("NLD");
}

QString localText(const char* dutchText, const char* englishText)
{
    return QString::fromUtf8(isDutch() ? dutchText : englishText);
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Characters a project name may not hold. The separators and the colon would
// make the name a path (and the stored project name keeps only what follows
// the last of them); Windows refuses a few more in file names.
QString forbiddenNameCharacters()
{
#ifdef Q_OS_WIN
    return QStringLiteral("\\/:*?\"<>|");
#else
    return QStringLiteral("\\/:");
#endif
}

std::filesystem::path fileSystemPath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Reads a project's index file; a project without one cannot be opened.
ProjectIndexLines readIndexOrFail(const QString& indexPath, const QString& name)
{
    const std::optional<ProjectIndexLines> lines = readProjectIndex(indexPath, name);
    if (!lines) {
        throw platform::UserError(
            localText("Het project \"%1\" is niet gevonden: het indexbestand \"%2\" ontbreekt "
                      "of is leeg",
                "The project \"%1\" cannot be found: its index file \"%2\" is missing or empty")
                .arg(name, native(indexPath)));
    }
    return *lines;
}

// The files of one save. Each is written first into a staging folder inside
// the project folder; only when all are written are they moved over the old
// ones, the index file last. A save that fails part way therefore leaves the
// project on disk as it was, and a new project shows up in the browser only
// once its files are there.
class ProjectSave
{
public:
    explicit ProjectSave(const QString& folder)
        : m_staging(folder + QStringLiteral(".saving-XXXXXX"))
    {
        if (!m_staging.isValid()) {
            throw platform::UserError(localText("In de projectmap \"%1\" kan niet worden "
                                                "geschreven: %2",
                "The project folder \"%1\" cannot be written to: %2")
                                          .arg(native(folder), m_staging.errorString()));
        }
    }

    // Runs write with the staged path of targetPath. Errors name the target,
    // which is the file the user knows.
    void stage(const QString& targetPath, const std::function<void(const QString&)>& write)
    {
        const QString staged = m_staging.filePath(QFileInfo(targetPath).fileName());
        try {
            write(staged);
        } catch (const platform::UserError& error) {
            QString text = error.text();
            text.replace(native(staged), native(targetPath));
            throw platform::UserError(text);
        }
        m_files.append({ staged, targetPath });
    }

    void commit()
    {
        // A folder in a file's place is the one thing a move can still meet;
        // it is looked for first, so that nothing is replaced then.
        for (const StagedFile& file : m_files) {
            if (QFileInfo(file.target).isDir()) {
                throw platform::UserError(
                    localText("\"%1\" kan niet worden vervangen: het is een map",
                        "\"%1\" cannot be replaced: it is a folder")
                        .arg(native(file.target)));
            }
        }
        for (const StagedFile& file : m_files) {
            std::error_code error;
            std::filesystem::rename(
                fileSystemPath(file.staged), fileSystemPath(file.target), error);
            if (error) {
                throw platform::UserError(
                    localText(
                        "\"%1\" kan niet worden vervangen: %2", "\"%1\" cannot be replaced: %2")
                        .arg(native(file.target), QString::fromLocal8Bit(error.message())));
            }
        }
    }

private:
    struct StagedFile
    {
        QString staged;
        QString target;
    };
    QTemporaryDir m_staging; // removed with whatever is left in it
    QList<StagedFile> m_files;
};

void writeIndexFile(const QString& path, const QString& name)
{
    const QByteArray bytes = projectIndexBytes(name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw platform::UserError(
            localText("Het indexbestand \"%1\" kan niet worden geschreven: %2",
                "The index file \"%1\" cannot be written: %2")
                .arg(native(path), file.errorString()));
    }
}

// Writes project `name` into the data folder: its index file and, in its
// folder, the back text and whichever pictures the window holds. A file that
// is not written keeps any older file of that name.
void writeProject(const QString& dataDir, const QString& name, const QTextDocument& backText,
    const platform::Picture& back, const platform::Picture& front)
{
    const QString folder = name.isEmpty() ? dataDir : dataDir + name + QDir::separator();
    if (!platform::createFolderPath(folder)) {
        throw platform::UserError(localText("De projectmap \"%1\" kan niet worden gemaakt",
            "The project folder \"%1\" cannot be created")
                                      .arg(native(folder)));
    }
    ProjectSave save(folder);
    save.stage(folder + kTextFile,
        [&](const QString& path) { richtext::saveRichTextFile(path, backText); });
    if (!back.isEmpty())
        save.stage(folder + kBackFile, [&](const QString& path) { back.save(path); });
    if (!front.isEmpty())
        save.stage(folder + kFrontFile, [&](const QString& path) { front.save(path); });
    save.stage(
        dataDir + name + kIndexExtension, [&](const QString& path) { writeIndexFile(path, name); });
    save.commit();
}

} // namespace

QString defaultProjectName()
{
    return QStringLiteral("Velmora Last Rose Of Summer 2002");
}

ProjectLocation locateProject(const QString& given, const QString& dataDir, const QString& base)
{
    const bool isPath = given.endsWith(kIndexExtension, Qt::CaseInsensitive)
        || given.contains(QLatin1Char('/')) || given.contains(QDir::separator());
    if (!isPath)
        return { given, dataDir, projectIndexPath(dataDir, given) };
    const QFileInfo index(QDir(base), given);
    const QString fileName = index.fileName();
    const QString name = fileName.endsWith(kIndexExtension, Qt::CaseInsensitive)
        ? fileName.left(fileName.size() - kIndexExtension.size())
        : fileName;
    QString folder = native(index.absolutePath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    // An index file in the data folder is that project, however it is named.
    if (QFileInfo(folder).canonicalFilePath() == QFileInfo(dataDir).canonicalFilePath())
        folder = dataDir;
    return { name, folder, native(index.absoluteFilePath()) };
}

QString projectIndexPath(const QString& dataDir, const QString& name)
{
    return dataDir + name + kIndexExtension;
}

QStringList projectFileNames()
{
    return { kFrontFile, kBackFile, kTextFile };
}

void createProjectFromDefaults(
    const QString& programDir, const QString& dataDir, const QString& name)
{
    if (QFileInfo(dataDir + name).isDir())
        return;
    const auto copyIfShipped = [](const QString& source, const QString& target) {
        // CopyFileStr makes the target's folder even for a missing source;
        // an empty project folder would keep the defaults out for good.
        if (QFileInfo(source).isFile())
            CopyFileStr(source, target, true);
    };
    copyIfShipped(
        programDir + defaultProjectName() + kIndexExtension, dataDir + name + kIndexExtension);
    for (const QString& file : projectFileNames())
        copyIfShipped(programDir + file, dataDir + name + QDir::separator() + file);
}

QString projectNameProblem(const QString& name)
{
    const QString forbidden = forbiddenNameCharacters();
    const bool hasForbidden
        = std::any_of(name.cbegin(), name.cend(), [&](QChar c) { return forbidden.contains(c); });
    const bool onlyDots = !name.isEmpty()
        && std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c == u'.'; });
    if (!hasForbidden && !onlyDots)
        return {};
    QStringList shown;
    for (QChar c : forbidden)
        shown << QString(c);
    return localText("\"%1\" kan niet als projectnaam worden gebruikt: een projectnaam mag geen "
                     "%2 bevatten en niet uit alleen punten bestaan",
        "\"%1\" cannot be used as a project name: a project name may not hold %2 nor consist "
        "of dots only")
        .arg(name, shown.join(u' '));
}

bool saveBeforeClosing(TYesNoDlg& dialog, TMainForm& form)
{
    switch (askToSaveOnClose(dialog, form)) {
    case CloseAnswer::Save:
        form.BewaarProjectButtonClick();
        return true;
    case CloseAnswer::DontSave:
        return true;
    case CloseAnswer::Cancel:
        break;
    }
    return false;
}

// ---- The main window's project commands --------------------------------------

void TMainForm::setBackTextDocument(QTextDocument* document)
{
    m_backTextDocument = document;
}

QTextDocument& TMainForm::backTextDocument()
{
    // Until the back-text editor hands over its document the window keeps
    // the back text itself, so opening and saving lose nothing.
    if (!m_backTextDocument)
        m_backTextDocument = new QTextDocument(this);
    return *m_backTextDocument;
}

void TMainForm::openFirstProject()
{
    // A project asked for that cannot be found is reported, and the one
    // from the last run opens instead.
    if (m_requestedProject) {
        ProjectIndexLines lines;
        const ProjectLocation location = *m_requestedProject;
        if (platform::runGuarded(
                [&] { lines = readIndexOrFail(location.indexPath, location.name); })) {
            openProjectFrom(location, lines);
            return;
        }
    }
    openStartupProject();
}

void TMainForm::openProjectAt(const ProjectLocation& location)
{
    openProjectFrom(location, readIndexOrFail(location.indexPath, location.name));
}

void TMainForm::openProjectFrom(const ProjectLocation& location, const ProjectIndexLines& lines)
{
    NameOfProject = location.name;
    DirOfProject = location.folder + location.name;
    PathNameOfProject = location.indexPath;
    m_projectOutsideDataDir = location.folder != DataDir;
    RedrawImage1();
    loadProjectFiles(lines, location.folder);
    ChangedB = false;
}

void TMainForm::openStartupProject()
{
    // The read-ahead may still be copying the default files: it ends first.
    // What it read and this opening does not use is let go of afterwards.
    const auto letGoOfReadAhead = qScopeGuard([this] {
        if (m_startupPictures)
            m_startupPictures->clear();
        m_startupPictures = nullptr;
    });
    if (m_startupPictures)
        m_startupPictures->finish();
    const QString name = NameOfProject;
    DirOfProject = DataDir + name;
    m_projectOutsideDataDir = false;
    createProjectFromDefaults(CurrentDir, DataDir, name);
    RedrawImage1();
    PathNameOfProject = DirOfProject + kIndexExtension;
    loadProjectFiles(readIndexOrFail(PathNameOfProject, name), DataDir);
    ChangedB = false;
}

void TMainForm::LeesProjectButtonClick()
{
    SheetOperation operation(*this);
    QCoreApplication::processEvents(); // the view repaints before the browser covers it
    BrowseForm->InitialDir = DataDir;
    if (BrowseForm->exec() != QDialog::Accepted)
        return; // a cancelled choice keeps the unsaved changes on offer at closing

    // The chosen file itself is read, so an index file whose extension is not
    // in lower case opens on a case-sensitive file system too.
    const QString name = LeftOfLast(u'.', BrowseForm->ProjectName);
    const QString indexPath = DataDir + BrowseForm->ProjectName;
    const ProjectIndexLines lines = readIndexOrFail(indexPath, name);
    NameOfProject = name;
    PathNameOfProject = indexPath;
    NieuwButtonClick();
    m_projectOutsideDataDir = false;
    loadProjectFiles(lines, DataDir);
    ChangedB = false;
}

void TMainForm::loadProjectFiles(const ProjectIndexLines& lines, const QString& folder)
{
    Load2(projectFilePath(folder, lines.front));
    Load3(projectFilePath(folder, lines.back));
    richtext::loadRichTextFile(projectFilePath(folder, lines.text), backTextDocument());
    // A back picture that the editor made from this text at its top is
    // printed from the text.
    if (m_hooks.backTextAtTop)
        offerBackText(m_hooks.backTextAtTop());
    // The length limit is for typing; a longer name from the browser is kept
    // whole, so saving again writes the same project.
    Edit1->setMaxLength(std::max(Edit1->maxLength(), static_cast<int>(NameOfProject.size())));
    Edit1->setText(NameOfProject);
    PastoeButtonClick();
}

void TMainForm::BewaarProjectButtonClick()
{
    const QString name = Edit1->text();
    const QString problem = projectNameProblem(name);
    if (!problem.isEmpty())
        throw platform::UserError(problem);

    NameOfProject = name;
    qlpPathName = name + kIndexExtension;
    DirOfProject = name + QDir::separator();
    writeProject(DataDir, name, backTextDocument(), Image3->picture(), Image2->picture());
    ChangedB = false;
    m_projectOutsideDataDir = false;

    if (MessageForm) {
        const QRect frame = frameGeometry();
        MessageForm->Execute(frame.top(), frame.left(), frame.height(), frame.width(),
            QStringLiteral("Het project ") + name, QStringLiteral("is bewaard."),
            kSavedMessageTime);
    }
}

#include "app/Project.h"

#include "app/Main.h"
#include "app/PictureBox.h"
#include "app/ProjectIndex.h"
#include "app/ProjectSave.h"
#include "app/StartupPictures.h"
#include "backtext/Back.h"
#include "dialogs/BrowseProject.h"
#include "dialogs/MessForm.h"
#include "dialogs/YesNo.h"
#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "platform/Picture.h"
#include "richtext/RichText.h"
#include "support/Language.h"
#include "support/ProjectName.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace {

const QString kIndexExtension = QStringLiteral(".qlp");
const QString kFrontFile = QStringLiteral("Front.jpg");
const QString kBackFile = QStringLiteral("Back.bmp");
const QString kTextFile = QStringLiteral("Back.rtf");
constexpr std::uint16_t kSavedMessageTime = 5000;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Reads a project's index file; a project without one cannot be opened.
ProjectIndexLines readIndexOrFail(const QString& indexPath, const QString& name)
{
    QString problem;
    const std::optional<ProjectIndexLines> lines = readProjectIndex(indexPath, name, &problem);
    if (lines)
        return *lines;
    if (!problem.isEmpty()) {
        throw platform::UserError(
            localText("Het project \"%1\" kan niet worden geopend: het indexbestand \"%2\" is "
                      "onbruikbaar (%3)",
                "The project \"%1\" cannot be opened: its index file \"%2\" cannot be used (%3)")
                .arg(name, native(indexPath), problem));
    }
    throw platform::UserError(
        localText("Het project \"%1\" is niet gevonden: het indexbestand \"%2\" ontbreekt "
                  "of is leeg",
            "The project \"%1\" cannot be found: its index file \"%2\" is missing or empty")
            .arg(name, native(indexPath)));
}

// The file an index line names; a line that leads out of the folder of the
// index file is refused rather than followed.
QString projectFileOrFail(const QString& folder, const QString& line)
{
    const std::optional<QString> path = projectFilePath(folder, line);
    if (!path) {
        throw platform::UserError(
            localText("De regel \"%1\" van het indexbestand wijst buiten de map met projecten",
                "The index line \"%1\" points outside the folder of projects")
                .arg(line));
    }
    return *path;
}

QString asSentence(const QString& text)
{
    return text.endsWith(u'.') ? text : text + u'.';
}

void writeIndexFile(const QString& path, const QString& name)
{
    QString reason;
    if (!platform::saveWholeFile(path, projectIndexBytes(name), &reason)) {
        throw platform::UserError(
            localText("Het indexbestand \"%1\" kan niet worden geschreven: %2",
                "The index file \"%1\" cannot be written: %2")
                .arg(native(path), reason));
    }
}

// Writes project `name` into the data folder, all or nothing: its index file
// and, in its folder, the back text (unless backText is null) and whichever
// pictures the window holds. A file that is not written keeps any older file
// of that name.
void writeProject(const QString& dataDir, const QString& name, const QTextDocument* backText,
    const platform::Picture& back, const platform::Picture& front)
{
    ProjectSave save(dataDir, name);
    if (backText) {
        save.stage(
            kTextFile, [&](const QString& path) { richtext::saveRichTextFile(path, *backText); });
    }
    if (!back.isEmpty())
        save.stage(kBackFile, [&](const QString& path) { back.save(path); });
    if (!front.isEmpty())
        save.stage(kFrontFile, [&](const QString& path) { front.save(path); });
    save.stage(QString(), [&](const QString& path) { writeIndexFile(path, name); });
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
    // The default index names the default project's folder: under any other
    // name it would open that project's files. A project whose index is gone
    // as well is gone, and opening it says so.
    const bool isDefault = name == defaultProjectName();
    if (!isDefault && !QFileInfo::exists(projectIndexPath(dataDir, name)))
        return;
    const auto copyIfShipped = [](const QString& source, const QString& target) {
        // CopyFileStr makes the target's folder even for a missing source;
        // an empty project folder would keep the defaults out for good.
        if (QFileInfo(source).isFile())
            CopyFileStr(source, target, true);
    };
    if (isDefault)
        copyIfShipped(programDir + name + kIndexExtension, projectIndexPath(dataDir, name));
    for (const QString& file : projectFileNames())
        copyIfShipped(programDir + file, dataDir + name + QDir::separator() + file);
}

bool saveChangesFirst(TYesNoDlg& dialog, TMainForm& form)
{
    switch (askToSaveChanges(dialog, form)) {
    case SaveAnswer::Save:
        form.BewaarProjectButtonClick();
        return true;
    case SaveAnswer::DontSave:
        return true;
    case SaveAnswer::Cancel:
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
        if (platform::runGuarded([&] {
                finishInterruptedSave(location.folder, location.name);
                lines = readIndexOrFail(location.indexPath, location.name);
            })) {
            openProjectFrom(location, lines);
            return;
        }
    }
    openStartupProject();
}

void TMainForm::openProjectAt(const ProjectLocation& location)
{
    finishInterruptedSave(location.folder, location.name);
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
    finishInterruptedSave(DataDir, name);
    createProjectFromDefaults(CurrentDir, DataDir, name);
    RedrawImage1();
    PathNameOfProject = DirOfProject + kIndexExtension;
    loadProjectFiles(readIndexOrFail(PathNameOfProject, name), DataDir);
    ChangedB = false;
}

void TMainForm::LeesProjectButtonClick()
{
    if (!mayLeaveProject())
        return;
    SheetOperation operation(*this);
    QCoreApplication::processEvents(); // the view repaints before the browser covers it
    BrowseForm->InitialDir = DataDir;
    if (BrowseForm->exec() != QDialog::Accepted)
        return; // a cancelled choice keeps the unsaved changes on offer at closing

    // The chosen file itself is read, so an index file whose extension is not
    // in lower case opens on a case-sensitive file system too.
    const QString name = LeftOfLast(u'.', BrowseForm->ProjectName);
    const QString indexPath = DataDir + BrowseForm->ProjectName;
    finishInterruptedSave(DataDir, name);
    const ProjectIndexLines lines = readIndexOrFail(indexPath, name);
    NameOfProject = name;
    PathNameOfProject = indexPath;
    startNewInlay();
    m_projectOutsideDataDir = false;
    loadProjectFiles(lines, DataDir);
    ChangedB = false;
}

// A file that cannot be read does not keep the others from being loaded:
// every part that can be shown is shown, and what failed is reported once.
void TMainForm::loadProjectFiles(const ProjectIndexLines& lines, const QString& folder)
{
    QStringList failures;
    const auto loadPart = [&](const QString& line, const auto& load) {
        try {
            load(projectFileOrFail(folder, line));
        } catch (const std::exception& error) {
            failures << asSentence(platform::errorTextOf(error));
        }
    };
    loadPart(lines.front, [this](const QString& path) { Load2(path); });
    loadPart(lines.back, [this](const QString& path) { Load3(path); });
    m_backTextUnread = true;
    loadPart(lines.text, [this](const QString& path) {
        richtext::loadRichTextFile(path, backTextDocument(), TBackForm::kBackTextLimits);
        m_backTextUnread = false;
    });
    // A back picture that the editor made from this text at its top is
    // printed from the text.
    if (m_hooks.backTextAtTop)
        offerBackText(m_hooks.backTextAtTop());
    // The length limit is for typing; a longer name from the browser is kept
    // whole, so saving again writes the same project.
    Edit1->setMaxLength(std::max(Edit1->maxLength(), static_cast<int>(NameOfProject.size())));
    Edit1->setText(NameOfProject);
    PastoeButtonClick();
    if (!failures.isEmpty()) {
        throw platform::UserError(localText("Niet alles van het project \"%1\" kon worden geopend:",
                                      "Not all of the project \"%1\" could be opened:")
                                      .arg(NameOfProject)
            + u'\n' + failures.join(u'\n'));
    }
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
    // A back text that could not be read is not replaced by the empty one
    // shown in its place; once the user writes one, it is saved.
    const QTextDocument& backText = backTextDocument();
    const bool keepBackTextFile = m_backTextUnread && backText.isEmpty();
    writeProject(DataDir, name, keepBackTextFile ? nullptr : &backText, Image3->picture(),
        Image2->picture());
    ChangedB = false;
    m_projectOutsideDataDir = false;

    if (MessageForm) {
        const QRect frame = frameGeometry();
        MessageForm->Execute(frame.top(), frame.left(), frame.height(), frame.width(),
            QStringLiteral("Het project ") + name, QStringLiteral("is bewaard."),
            kSavedMessageTime);
    }
}

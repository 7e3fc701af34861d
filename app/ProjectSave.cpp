#include "app/ProjectSave.h"

#include "app/Project.h"
#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "support/Language.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

namespace {

const QString kStagingPrefix = QStringLiteral(".saving-");
const QString kJournal = QStringLiteral("commit");
const QString kLock = QStringLiteral("lock");
// The journal's name for the index file, which is staged in the data folder.
const QString kIndexEntry = QStringLiteral("index");
constexpr qint64 kLargestJournal = 1024;

ProjectSave::StepHook& stepHook()
{
    static ProjectSave::StepHook hook;
    return hook;
}

void step(const QString& name)
{
    if (stepHook())
        stepHook()(name);
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Where the files of one project and of one of its saves lie.
struct SavePlaces
{
    QString dataDir;
    QString name;

    QString folder() const { return name.isEmpty() ? dataDir : dataDir + name + QDir::separator(); }
    QString index() const { return projectIndexPath(dataDir, name); }
    QString stagedIndex(const QString& token) const { return index() + kStagingPrefix + token; }
    QString staging(const QString& token) const { return folder() + kStagingPrefix + token; }

    QString stagedFile(const QString& staging, const QString& entry, const QString& token) const
    {
        return entry == kIndexEntry ? stagedIndex(token) : staging + QDir::separator() + entry;
    }
    QString target(const QString& entry) const
    {
        return entry == kIndexEntry ? index() : folder() + entry;
    }
};

QString tokenOf(const QString& staging)
{
    return QFileInfo(staging).fileName().mid(kStagingPrefix.size());
}

QString newToken()
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    QString token;
    for (int i = 0; i < 8; ++i)
        token += letters.at(QRandomGenerator::global()->bounded(int(letters.size())));
    return token;
}

[[noreturn]] void failReplacing(const QString& target, const QString& reason)
{
    throw platform::UserError(
        localText("\"%1\" kan niet worden vervangen: %2", "\"%1\" cannot be replaced: %2")
            .arg(native(target), reason));
}

void moveOver(const QString& from, const QString& to)
{
    QString reason;
    if (!platform::replaceFile(from, to, &reason))
        failReplacing(to, reason);
}

// The entries of a journal that name files a save may write; anything else in
// it is ignored, so a damaged journal cannot move files elsewhere.
QStringList journalEntries(const QString& staging)
{
    const std::optional<QByteArray> bytes = platform::readRegularFile(
        staging + QDir::separator() + kJournal, kLargestJournal, nullptr);
    if (!bytes)
        return {};
    const QStringList allowed = projectFileNames() << kIndexEntry;
    QStringList entries;
    for (const QByteArray& line : bytes->split('\n')) {
        const QString entry = QString::fromUtf8(line);
        if (allowed.contains(entry) && !entries.contains(entry))
            entries << entry;
    }
    return entries;
}

// Moves the staged files of a complete save over the old ones, the index file
// last. A file already moved by an earlier, interrupted attempt is not staged
// any more and is passed over.
void moveStagedFiles(const SavePlaces& places, const QString& staging, QStringList entries)
{
    const QString token = tokenOf(staging);
    if (entries.removeAll(kIndexEntry) > 0)
        entries << kIndexEntry;
    for (const QString& entry : std::as_const(entries)) {
        const QFileInfo staged(places.stagedFile(staging, entry, token));
        if (staged.isFile() && !staged.isSymLink()) {
            moveOver(staged.filePath(), places.target(entry));
            step(QStringLiteral("moved ") + entry);
        }
    }
    platform::syncFolder(places.folder());
    platform::syncFolder(places.dataDir);
}

// Removes a staging folder with whatever it still holds, and its staged index.
void removeStaging(const SavePlaces& places, const QString& staging)
{
    QFile::remove(places.stagedIndex(tokenOf(staging)));
    QDir(staging).removeRecursively();
}

// A save holds the lock of its staging folder for as long as it runs.
std::unique_ptr<platform::FileLock> lockOf(const QString& staging)
{
    return std::make_unique<platform::FileLock>(staging + QDir::separator() + kLock);
}

QStringList stagingFoldersIn(const SavePlaces& places)
{
    QStringList folders;
    const QDir folder(places.folder());
    // A link is never taken for a staging folder: removing one would empty
    // the folder it points to.
    const QDir::Filters filter
        = QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks;
    for (const QString& entry : folder.entryList(filter)) {
        if (entry.startsWith(kStagingPrefix))
            folders << folder.filePath(entry);
    }
    return folders;
}

// Staged index files whose staging folder is gone.
void removeStrayStagedIndexes(const SavePlaces& places)
{
    const QString prefix = QFileInfo(places.index()).fileName() + kStagingPrefix;
    const QDir dataFolder(places.dataDir);
    for (const QString& entry : dataFolder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!entry.startsWith(prefix))
            continue;
        const QString token = entry.mid(prefix.size());
        if (!QFileInfo(places.staging(token)).isDir())
            QFile::remove(dataFolder.filePath(entry));
    }
}

// The journal appears whole or not at all: it is written under another name
// and renamed once it is on the disk. Returns why it could not be written.
QString writeJournal(const QString& staging, const QStringList& entries)
{
    const QString journal = staging + QDir::separator() + kJournal;
    const QString draft = journal + QStringLiteral(".draft");
    const QByteArray bytes = entries.join(u'\n').toUtf8() + '\n';
    QFile file(draft);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return file.errorString();
    file.close();
    if (!platform::syncFile(draft) || !QFile::rename(draft, journal)
        || !platform::syncFolder(staging))
        return platform::systemErrorText(errno);
    return QString();
}

} // namespace

void finishInterruptedSave(const QString& dataDir, const QString& name)
{
    const SavePlaces places { dataDir, name };
    for (const QString& staging : stagingFoldersIn(places)) {
        const std::unique_ptr<platform::FileLock> lock = lockOf(staging);
        // A save that a running program is still making is left to it.
        if (lock->tryLock() == platform::FileLock::Result::HeldElsewhere)
            continue;
        const QStringList entries = journalEntries(staging);
        if (!entries.isEmpty())
            moveStagedFiles(places, staging, entries);
        lock->unlock();
        removeStaging(places, staging);
        step(QStringLiteral("cleaned up"));
    }
    removeStrayStagedIndexes(places);
    // The empty folder of a new project whose first save never completed.
    if (!name.isEmpty() && !QFileInfo::exists(places.index()))
        QDir(dataDir).rmdir(name);
}

void ProjectSave::setStepHookForTesting(StepHook hook)
{
    stepHook() = std::move(hook);
}

ProjectSave::ProjectSave(const QString& dataDir, const QString& name)
    : m_dataDir(dataDir)
    , m_name(name)
{
    const SavePlaces places { dataDir, name };
    m_folder = places.folder();
    finishInterruptedSave(dataDir, name);
    m_madeFolder = !QFileInfo(m_folder).isDir();
    QString reason;
    if (!platform::createFolderPath(m_folder, &reason)) {
        throw platform::UserError(localText("De projectmap \"%1\" kan niet worden gemaakt: %2",
            "The project folder \"%1\" cannot be created: %2")
                                      .arg(native(m_folder), reason));
    }
    for (int attempt = 0; attempt < 16 && m_staging.isEmpty(); ++attempt) {
        const QString staging = places.staging(newToken());
        if (QDir().mkdir(staging))
            m_staging = staging;
    }
    if (!m_staging.isEmpty())
        m_lock = lockOf(m_staging);
    if (!m_lock || m_lock->tryLock() != platform::FileLock::Result::Locked) {
        discard();
        throw platform::UserError(localText("In de projectmap \"%1\" kan niet worden geschreven",
            "The project folder \"%1\" cannot be written to")
                                      .arg(native(m_folder)));
    }
    step(QStringLiteral("started"));
}

ProjectSave::~ProjectSave()
{
    if (!m_done)
        discard();
}

void ProjectSave::discard()
{
    m_done = true;
    if (m_lock)
        m_lock->unlock();
    if (!m_staging.isEmpty())
        removeStaging(SavePlaces { m_dataDir, m_name }, m_staging);
    if (m_madeFolder && !m_name.isEmpty())
        QDir(m_dataDir).rmdir(m_name);
}

void ProjectSave::stage(
    const QString& fileName, const std::function<void(const QString& path)>& write)
{
    const SavePlaces places { m_dataDir, m_name };
    const QString entry = fileName.isEmpty() ? kIndexEntry : fileName;
    const QString staged = places.stagedFile(m_staging, entry, tokenOf(m_staging));
    const QString target = places.target(entry);
    try {
        write(staged);
    } catch (const platform::UserError& error) {
        QString text = error.text();
        text.replace(native(staged), native(target));
        throw platform::UserError(text);
    }
    // On the disk before the journal says the save is complete.
    if (!platform::syncFile(staged)) {
        throw platform::UserError(
            localText("\"%1\" kan niet worden geschreven", "\"%1\" cannot be written")
                .arg(native(target)));
    }
    m_staged << entry;
    step(QStringLiteral("staged ") + entry);
}

void ProjectSave::commit()
{
    const SavePlaces places { m_dataDir, m_name };
    // A folder in a file's place is the one thing a move can still meet; it is
    // looked for first, so that nothing is replaced then.
    for (const QString& entry : std::as_const(m_staged)) {
        if (QFileInfo(places.target(entry)).isDir()) {
            throw platform::UserError(localText("\"%1\" kan niet worden vervangen: het is een map",
                "\"%1\" cannot be replaced: it is a folder")
                                          .arg(native(places.target(entry))));
        }
    }
    const QString journalProblem = writeJournal(m_staging, m_staged);
    if (!journalProblem.isEmpty()) {
        throw platform::UserError(
            localText("In de projectmap \"%1\" kan niet worden geschreven: %2",
                "The project folder \"%1\" cannot be written to: %2")
                .arg(native(m_folder), journalProblem));
    }
    // From here on the save is complete: should moving the files fail, the
    // next opening or save of the project completes it.
    m_done = true;
    step(QStringLiteral("journal written"));
    moveStagedFiles(places, m_staging, m_staged);
    m_lock->unlock();
    removeStaging(places, m_staging);
    step(QStringLiteral("cleaned up"));
}

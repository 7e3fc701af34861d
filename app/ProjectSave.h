#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Saving a project is all or nothing, also when the program is killed or the
// power fails part way: whoever opens or saves the project next finds either
// the whole old project or the whole new one.
//
// Every file is first written in full beside its final place, on the same
// file system: the project's files in a staging folder ".saving-XXXXXXXX"
// inside the project folder, the index file as "N.qlp.saving-XXXXXXXX" in the
// data folder. Once all of them are on the disk, a journal in the staging
// folder records that the save is complete; only then are the files moved
// over the old ones, the index file last. A save interrupted before the
// journal is discarded, one interrupted after it is completed.
namespace platform {
class FileLock;
}

class ProjectSave
{
public:
    // Begins a save of project `name` in dataDir (which ends with a
    // separator): completes or discards an interrupted save of it first, and
    // makes the project folder when it is missing. Throws UserError.
    ProjectSave(const QString& dataDir, const QString& name);
    // A save that was not committed leaves nothing behind, not even the
    // project folder it made.
    ~ProjectSave();
    ProjectSave(const ProjectSave&) = delete;
    ProjectSave& operator=(const ProjectSave&) = delete;

    // Writes one of the project's files ("Front.jpg", "Back.bmp", "Back.rtf")
    // or, with an empty fileName, the index file: write is given the path to
    // write to. Errors name the file's final place, the one the user knows.
    void stage(const QString& fileName, const std::function<void(const QString& path)>& write);
    // Puts the staged files in place. Throws UserError; a failure before the
    // journal changes nothing, one after it is completed at the next opening
    // or save.
    void commit();

    // Tests watch the steps of a save (and may stop it at any of them).
    using StepHook = std::function<void(const QString& step)>;
    static void setStepHookForTesting(StepHook hook);

private:
    void discard();

    QString m_dataDir;
    QString m_name;
    QString m_folder;
    QString m_staging;
    std::unique_ptr<platform::FileLock> m_lock;
    QStringList m_staged;
    bool m_madeFolder = false;
    bool m_done = false;
};

// Completes an interrupted save of project `name` that was written in full,
// discards one that was not, and removes what it left. Saves that another
// running copy of the program is making are left alone. Opening a project
// calls this first. Throws UserError when a complete save cannot be put in
// place.
void finishInterruptedSave(const QString& dataDir, const QString& name);

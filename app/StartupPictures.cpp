#include "app/StartupPictures.h"

#include "app/Project.h"
#include "app/ProjectIndex.h"
#include "app/ProjectSave.h"

#include <QFileInfo>

#include <exception>
#include <system_error>

StartupPictures::~StartupPictures()
{
    finish();
}

void StartupPictures::begin(
    const QString& programDir, const QString& dataDir, const QString& projectName, QSize frontSize)
{
    finish();
    m_entries.clear();
    try {
        m_work = std::async(std::launch::async, [=, this] {
            try {
                readProject(programDir, dataDir, projectName, frontSize);
            } catch (...) {
                // Opening the project reads it again and reports what fails.
            }
        });
    } catch (const std::system_error&) {
        // No thread to spare: opening the project reads everything itself.
    }
}

void StartupPictures::finish()
{
    if (m_work.valid())
        m_work.get();
}

void StartupPictures::readProject(
    const QString& programDir, const QString& dataDir, const QString& projectName, QSize frontSize)
{
    finishInterruptedSave(dataDir, projectName);
    createProjectFromDefaults(programDir, dataDir, projectName);
    const std::optional<ProjectIndexLines> lines
        = readProjectIndex(projectIndexPath(dataDir, projectName), projectName);
    if (!lines)
        return;
    if (const std::optional<QString> front = projectFilePath(dataDir, lines->front))
        readPicture(*front, frontSize);
    if (const std::optional<QString> back = projectFilePath(dataDir, lines->back))
        readPicture(*back, QSize());
}

void StartupPictures::readPicture(const QString& path, QSize neededSize)
{
    // Taken before reading: a file that changes while it is read no longer
    // matches when the picture is asked for, and is read again then.
    const QFileInfo file(path);
    Entry entry { path, neededSize, file.size(), file.lastModified(), {} };
    try {
        entry.picture = platform::Picture::load(path, neededSize);
    } catch (const std::exception&) {
        return;
    }
    m_entries.push_back(std::move(entry));
}

std::optional<platform::Picture> StartupPictures::take(const QString& path, QSize neededSize)
{
    finish();
    for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry) {
        if (entry->path != path || entry->neededSize != neededSize)
            continue;
        const QFileInfo file(path);
        std::optional<platform::Picture> picture;
        if (file.size() == entry->fileSize && file.lastModified() == entry->modified)
            picture = std::move(entry->picture);
        m_entries.erase(entry);
        return picture;
    }
    return std::nullopt;
}

void StartupPictures::clear()
{
    finish();
    m_entries.clear();
}

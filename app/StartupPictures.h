#pragma once

#include "platform/Picture.h"

#include <QDateTime>
#include <QSize>
#include <QString>

#include <future>
#include <optional>
#include <vector>

// Reads the pictures of the project the program opens with on a second thread
// while the windows are still being made, so that decoding them does not add
// to the time before the main window shows. The main window takes them when
// it opens that project, instead of reading the files itself.
//
// Nothing here reports an error: a picture that could not be read is simply
// not on offer, and the main window's own reading then says what is wrong.
class StartupPictures
{
public:
    StartupPictures() = default;
    ~StartupPictures();
    StartupPictures(const StartupPictures&) = delete;
    StartupPictures& operator=(const StartupPictures&) = delete;

    // Does on the thread what opening the project will need: gives a project
    // without a folder the default files (as opening it would), reads its
    // index, and decodes its front picture for frontSize and its back picture.
    // dataDir and programDir end with a separator.
    void begin(const QString& programDir, const QString& dataDir, const QString& projectName,
        QSize frontSize);
    // Waits until the thread is done; the project's files are then in place.
    void finish();
    // The picture decoded from path for neededSize, handed out once, provided
    // the file has not changed since it was read.
    std::optional<platform::Picture> take(const QString& path, QSize neededSize);
    // Lets go of pictures that were not taken.
    void clear();

private:
    struct Entry
    {
        QString path;
        QSize neededSize;
        qint64 fileSize = -1;
        QDateTime modified;
        platform::Picture picture;
    };

    void readProject(const QString& programDir, const QString& dataDir, const QString& projectName,
        QSize frontSize);
    void readPicture(const QString& path, QSize neededSize);

    std::future<void> m_work;
    std::vector<Entry> m_entries; // filled by the thread; read after finish()
};

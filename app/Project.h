#pragma once

#include <QString>
#include <QStringList>

class TMainForm;
class TYesNoDlg;

// Project storage: a project named N is the index file DataDir + N + ".qlp"
// and the folder DataDir + N holding "Front.jpg", "Back.bmp" and "Back.rtf".
// The opening and saving commands are methods of TMainForm (Project.cpp);
// the rules they follow are here.

// The default project the program ships with, opened at the first start.
QString defaultProjectName();

// Where a project lies: its index file, and the folder that holds that file
// and the project's own folder (the data folder, for projects the program
// saved). The index file's lines are relative to that folder.
struct ProjectLocation
{
    QString name;
    QString folder; // ends with a separator
    QString indexPath;
};

// The project a user names: the path of an index file (one ending in ".qlp",
// or holding a folder separator), relative to `base` unless absolute; any
// other text is the name of a project in the data folder.
ProjectLocation locateProject(const QString& given, const QString& dataDir, const QString& base);

// Where the index file of project `name` lies.
QString projectIndexPath(const QString& dataDir, const QString& name);

// The three files of a project folder, in index order.
QStringList projectFileNames();

// Gives a project whose folder is missing the files of the default project
// from the program's folder: the three project files, and for the default
// project itself also its index file (unless it already has one). Another
// project gets the files only when it still has its own index file, since
// the default index names the default project's folder. A project that has
// its folder is left alone. Nothing is overwritten, a default file that is
// missing is skipped, and without any default file no folder is made.
void createProjectFromDefaults(
    const QString& programDir, const QString& dataDir, const QString& name);

// The question before the main window's project is left behind (closing,
// New, Read Project): with unsaved changes, asks whether to save and saves on
// Yes. False means Cancel: the window stays open, the command stops. A failed
// save throws, which stops them as well.
bool saveChangesFirst(TYesNoDlg& dialog, TMainForm& form);

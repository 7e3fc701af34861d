#pragma once

#include <QString>

// The one rule for project names, for every save that names a project (Save
// Project and the back-text editor's own save).
//
// Why a project cannot be saved under this name, in the user's language;
// empty when it can. A project name is one folder name in the data folder and
// the first part of its index file's name, and it is stored as a setting for
// the next start: a name that would reach into another folder, that holds a
// line break, tab or other control character (it could never be typed again,
// nor read back from the index file), or that is only dots is refused. The
// empty name is a project too: its files go straight into the data folder.
QString projectNameProblem(const QString& name);

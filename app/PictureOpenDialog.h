#pragma once

#include <QString>

class QWidget;

// Turns a filter written as "description|pattern|description|pattern" into the
// form Qt's file dialogs take ("description (pattern);;...").
QString qtFileFilter(const QString& pairedFilter);

// An open-file dialog for a picture with a preview of the selected file.
// Returns the chosen file's full path, or an empty text when cancelled.
QString getOpenPictureFileName(
    QWidget* parent, const QString& title, const QString& folder, const QString& pairedFilter);

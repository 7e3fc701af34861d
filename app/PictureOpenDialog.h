#pragma once

#include <QString>

class QWidget;

// Turns a filter written as "description|pattern|description|pattern" into the
// form Qt's file dialogs take ("description (pattern);;...").
QString qtFileFilter(const QString& pairedFilter);

// The front picture dialog's filter in the paired form, in the user's
// language: every picture the program reads first, then each kind alone.
QString frontPictureFilter();

// An open-file dialog for a picture with a preview of the selected file.
// Returns the chosen file's full path, or an empty text when cancelled.
QString getOpenPictureFileName(
    QWidget* parent, const QString& title, const QString& folder, const QString& pairedFilter);

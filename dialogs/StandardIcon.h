#pragma once

#include <QStyle>

class QAbstractButton;

// Gives a button one of the style's standard icons when the button is first
// shown. Looking up a standard icon loads the icon theme and the image format
// plugins; dialogs are made at start but mostly shown later, if ever, so the
// lookup waits until an icon is actually seen.
void setStandardIconWhenShown(QAbstractButton* button, QStyle::StandardPixmap icon);

#pragma once

#include <QIcon>
#include <QStyle>

#include <functional>

class QAbstractButton;

// Icons that a button gets when it is first shown. Dialogs are made at start
// but mostly shown later, if ever; looking up a standard icon loads the icon
// theme and the image format plugins, and painting one loads a font, so that
// work waits until an icon is actually seen.
void setIconWhenShown(QAbstractButton* button, std::function<QIcon()> makeIcon);
void setStandardIconWhenShown(QAbstractButton* button, QStyle::StandardPixmap icon);

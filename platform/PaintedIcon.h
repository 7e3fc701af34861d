#pragma once

#include <QIcon>

#include <functional>

class QPainter;

namespace platform {

// An icon drawn by code, at whatever size it is shown and only when it is:
// it looks the same with or without an icon theme and costs nothing until
// then. paint() draws into a box of boxSize × boxSize units, which the
// painter scales to the size asked for.
QIcon paintedIcon(qreal boxSize, std::function<void(QPainter&)> paint);

} // namespace platform

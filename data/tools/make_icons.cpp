// Writes the program's icon for the desktop's icon theme, at the theme's
// sizes, from the same drawing the windows carry:
//   make_icons <folder> <name>
// gives <folder>/<size>x<size>/apps/<name>.png.

#include "app/ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icons <folder> <name>\n");
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int size : { 16, 24, 32, 48, 64, 128, 256 }) {
        const QString sizeFolder = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        QPainter painter(&icon);
        painter.scale(size / kProgramIconBox, size / kProgramIconBox);
        paintProgramIcon(painter);
        painter.end();
        if (!QDir().mkpath(sizeFolder) || !icon.save(sizeFolder + '/' + name + ".png")) {
            std::fprintf(stderr, "make_icons: cannot write into %s\n", qPrintable(sizeFolder));
            return 1;
        }
    }
    return 0;
}

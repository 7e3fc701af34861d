// The yardstick for start-up: a Qt program that shows one empty window.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal - ready"));
    window.resize(750, 900);
    window.show();
    return QApplication::exec();
}

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qzLayer"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("qzLayer"));
    window.show();
    return QApplication::exec();
}

// Takes the screenshot of the main window that the AppStream metadata shows:
// the program opens its default project on a screen of its own and the
// window is drawn into a picture.
//   make_screenshot <picture .png> <default project file>...
// The default project's files are the index file, Front.jpg, Back.bmp and
// Back.rtf, as installed beside the program.

#include "app/BackFormLink.h"
#include "app/Main.h"
#include "backtext/Back.h"
#include "platform/ErrorReport.h"
#include "support/Support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextEdit>

#include <cstdio>

namespace {

int fail(const QString& text)
{
    std::fprintf(stderr, "make_screenshot: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3)
        return fail(QStringLiteral("usage: make_screenshot <picture .png> <project file>..."));

    // A home and a program folder of its own: the settings and projects of
    // the user who builds the program are never touched.
    QTemporaryDir home;
    if (!home.isValid())
        return fail(QStringLiteral("no temporary folder"));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("LANG", "C.UTF-8");
    qputenv("LC_ALL", "C.UTF-8");
    const QString program = home.filePath(QStringLiteral("program"));
    QDir().mkpath(program);

    QApplication application(argc, argv);
    const QString pictureFile = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    for (int i = 2; i < argc; ++i) {
        const QString file = QString::fromLocal8Bit(argv[i]);
        if (!QFile::copy(file, program + '/' + QFileInfo(file).fileName()))
            return fail(QStringLiteral("cannot copy %1").arg(file));
    }
    QString error;
    platform::setErrorPresenter([&error](const QString& text) { error = text; });

    QDir::setCurrent(program); // the default project lies beside the program
    RunStartupProbe();
    TMainForm mainForm;
    MainForm = &mainForm;
    TBackForm backForm;
    BackForm = &backForm;
    connectBackForm(mainForm, backForm);
    mainForm.setBackTextDocument(backForm.RichEdit1->document());
    mainForm.show(); // opens the default project
    QCoreApplication::processEvents();
    const bool written = error.isEmpty() && mainForm.grab().save(pictureFile);
    BackForm = nullptr;
    MainForm = nullptr;
    if (!written)
        return fail(error.isEmpty() ? QStringLiteral("cannot write %1").arg(pictureFile) : error);
    return 0;
}

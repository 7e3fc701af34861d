// Takes the screenshot of the main window that the AppStream metadata shows:
// the program opens its default project on a screen of its own and the
// window is drawn into a picture.
//   make_screenshot <picture .png> <default project file>...
// The default project's files are the index file, Front.jpg, Back.bmp and
// Back.rtf, as installed beside the program.

#include "data/tools/ToolHome.h"

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

namespace {

int fail(const QString& text)
{
    return toolFailed("make_screenshot", text);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3)
        return fail(QStringLiteral("usage: make_screenshot <picture .png> <project file>..."));

    // A program folder of its own, beside the projects of its own home.
    QTemporaryDir home;
    if (!useHomeIn(home))
        return fail(QStringLiteral("no temporary folder"));
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

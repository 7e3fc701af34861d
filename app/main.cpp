#include "app/BackFormLink.h"
#include "app/Main.h"
#include "backtext/Back.h"
#include "support/Support.h"

#include <QApplication>

#include <memory>

namespace {

// Every window is made once and lives until the program ends. The main window
// comes first: the others read ProgNam and MainForm when they are made, so
// they follow it here in their fixed order.
struct Windows
{
    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<TBackForm> backForm;
};

void createWindows(Windows& windows)
{
    windows.mainForm = std::make_unique<TMainForm>();
    MainForm = windows.mainForm.get();
    windows.backForm = std::make_unique<TBackForm>();
    BackForm = windows.backForm.get();
    connectBackForm(*MainForm, *BackForm);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qzLayer"));

    // Language, platform and folders are known before any window exists.
    RunStartupProbe();

    Windows windows;
    createWindows(windows);
    QObject::connect(MainForm, &TMainForm::closed, &application, &QApplication::quit);
    MainForm->show();
    const int result = QApplication::exec();
    BackForm = nullptr;
    MainForm = nullptr;
    return result;
}

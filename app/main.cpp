#include "app/Main.h"
#include "app/BackFormLink.h"
#include "app/LayoutSheet.h"
#include "app/Project.h"
#include "app/StartupPictures.h"
#include "app/UpdateLink.h"
#include "backtext/Back.h"
#include "dialogs/About.h"
#include "dialogs/BrowseProject.h"
#include "dialogs/MessForm.h"
#include "dialogs/YesNo.h"
#include "printing/Print.h"
#include "support/Support.h"
#include "update/GetVersions.h"
#include "update/Terminate.h"

#include <QApplication>
#include <QTextEdit>

#include <memory>

namespace {

// Every window is made once and lives until the program ends. The main window
// comes first: the others read ProgNam and MainForm when they are made, so
// they follow it here in their fixed order.
struct Windows
{
    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<TBackForm> backForm;
    std::unique_ptr<TYesNoDlg> yesNoDlg;
    std::unique_ptr<TMessageForm> messageForm;
    std::unique_ptr<TPrintForm> printForm;
    std::unique_ptr<TAboutBox> aboutBox;
    std::unique_ptr<TVersionsForm> versionsForm;
    std::unique_ptr<TTerminateForm> terminateForm;
    std::unique_ptr<TBrowseForm> browseForm;
};

void createWindows(Windows& windows)
{
    windows.mainForm = std::make_unique<TMainForm>();
    MainForm = windows.mainForm.get();
    windows.backForm = std::make_unique<TBackForm>();
    BackForm = windows.backForm.get();
    windows.yesNoDlg = std::make_unique<TYesNoDlg>(MainForm);
    YesNoDlg = windows.yesNoDlg.get();
    windows.messageForm = std::make_unique<TMessageForm>();
    MessageForm = windows.messageForm.get();
    windows.printForm = std::make_unique<TPrintForm>(MainForm);
    PrintForm = windows.printForm.get();
    windows.aboutBox = std::make_unique<TAboutBox>(*MessageForm, MainForm);
    AboutBox = windows.aboutBox.get();
    windows.versionsForm = std::make_unique<TVersionsForm>();
    VersionsForm = windows.versionsForm.get();
    windows.terminateForm = std::make_unique<TTerminateForm>();
    TerminateForm = windows.terminateForm.get();
    windows.browseForm = std::make_unique<TBrowseForm>(MainForm);
    BrowseForm = windows.browseForm.get();
}

// What the main window asks of the windows made after it.
void connectMainForm()
{
    connectBackForm(*MainForm, *BackForm);
    // Projects load their back text into the editor and save it from there.
    MainForm->setBackTextDocument(BackForm->RichEdit1->document());
    PrintForm->setSheetSource([] { return MainForm->sheetImage(); });
    connectVersionsForm(
        *MainForm, *VersionsForm, [] { return saveBeforeClosing(*YesNoDlg, *MainForm); });
}

void forgetWindows()
{
    MainForm = nullptr;
    BackForm = nullptr;
    YesNoDlg = nullptr;
    MessageForm = nullptr;
    PrintForm = nullptr;
    AboutBox = nullptr;
    VersionsForm = nullptr;
    TerminateForm = nullptr;
    BrowseForm = nullptr;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qzLayer"));

    // Language, platform and folders are known before any window exists.
    RunStartupProbe();

    // The start-up project's pictures are decoded while the windows are made.
    // The program folder is taken first: finding the data folder moves
    // through other folders on its way.
    const QString programDir = programFolder();
    const QString dataDir = GetDataDir(QCoreApplication::applicationName());
    StartupPictures startupPictures;
    startupPictures.begin(programDir, dataDir, startupProjectName(), sheet::kFrontPictureSize);

    int result = 0;
    {
        Windows windows;
        createWindows(windows);
        connectMainForm();
        MainForm->setStartupPictures(&startupPictures);
        QObject::connect(MainForm, &TMainForm::closed, &application, &QApplication::quit);
        MainForm->show();
        result = QApplication::exec();
        forgetWindows();
    }
    return result;
}

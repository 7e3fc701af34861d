#include "app/Main.h"
#include "app/BackFormLink.h"
#include "app/CommandLine.h"
#include "app/PdfExport.h"
#include "app/ProgramIcon.h"
#include "app/Project.h"
#include "app/StartupPictures.h"
#include "app/UpdateLink.h"
#include "backtext/Back.h"
#include "dialogs/About.h"
#include "dialogs/BrowseProject.h"
#include "dialogs/MessForm.h"
#include "dialogs/YesNo.h"
#include "inlay/LayoutSheet.h"
#include "platform/ErrorReport.h"
#include "platform/QtTranslations.h"
#include "printing/Print.h"
#include "support/Language.h"
#include "support/Support.h"
#include "update/GetVersions.h"
#include "update/Terminate.h"

#include <QApplication>
#include <QTextEdit>

#include <cstdio>
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
    PrintForm->setInlaySource([] {
        return TPrintForm::PrintableInlay { MainForm->page(), MainForm->projectTitle() };
    });
    const auto saveChanges = [] { return saveChangesFirst(*YesNoDlg, *MainForm); };
    connectVersionsForm(*MainForm, *VersionsForm, saveChanges);
    MainForm->hooks().saveChangesFirst = saveChanges;
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

int runWindows(QApplication& application, const CommandLine& command, const QString& caller)
{
    // Every window carries the program's icon; the desktop finds the menu
    // entry (and so its name and icon) of the running program by this name.
    QApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(QZ_APP_ID));
    // Qt's own dialogs in the interface language.
    platform::installQtTranslations(isDutch() ? "nl" : "en", &application);

    // The start-up project's pictures are decoded while the windows are made.
    // The program folder is taken first: finding the data folder moves
    // through other folders on its way.
    const QString programDir = programFolder();
    const QString dataDir = GetDataDir(QCoreApplication::applicationName());
    StartupPictures startupPictures;
    if (command.project.isEmpty())
        startupPictures.begin(programDir, dataDir, startupProjectName(), sheet::kFrontPictureSize);

    int result = 0;
    {
        Windows windows;
        createWindows(windows);
        connectMainForm();
        MainForm->setStartupPictures(&startupPictures);
        if (!command.project.isEmpty())
            MainForm->setRequestedProject(locateProject(command.project, dataDir, caller));
        QObject::connect(MainForm, &TMainForm::closed, &application, &QApplication::quit);
        MainForm->show();
        result = QApplication::exec();
        forgetWindows();
    }
    return result;
}

int writePdf(const CommandLine& command)
{
    try {
        writeProjectPdf(command.pdfFile, command.project, command.paper);
        return 0;
    } catch (const platform::UserError& error) {
        std::fprintf(stderr, "qzLayer: %s\n", qPrintable(platform::errorReportText(error.text())));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qzLayer: %s\n", error.what());
    }
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // A PDF from the command line is made without any window, so it needs no
    // display; nor does the help.
    if (runsWithoutWindow(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString caller = callerFolder();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qzLayer"));

    // Language, platform and folders are known before any window exists.
    RunStartupProbe();

    const CommandLine command = parseCommandLine(QCoreApplication::arguments().mid(1), caller);
    switch (command.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(qPrintable(commandLineHelp()), stdout);
        return 0;
    case CommandLine::Action::Refuse:
        std::fprintf(stderr, "qzLayer: %s\n\n%s",
            qPrintable(platform::errorReportText(command.problem)), qPrintable(commandLineHelp()));
        return 2;
    case CommandLine::Action::WritePdf:
        return writePdf(command);
    case CommandLine::Action::OpenWindow:
        break;
    }
    return runWindows(application, command, caller);
}

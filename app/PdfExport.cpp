#include "app/PdfExport.h"

#include "app/BackFormLink.h"
#include "app/CommandLine.h"
#include "app/Main.h"
#include "app/Project.h"
#include "backtext/Back.h"
#include "inlay/LayoutSheet.h"
#include "platform/ErrorReport.h"
#include "printing/Print.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QScopeGuard>
#include <QTextEdit>

void writeProjectPdf(const QString& pdfFile, const QString& project, std::optional<Paper> paper)
{
    // Whatever the windows would show in a message box ends the export.
    QString reported;
    const platform::ErrorPresenter previousPresenter
        = platform::setErrorPresenter([&reported](const QString& text) {
              if (reported.isEmpty())
                  reported = text;
          });
    TMainForm mainForm;
    TBackForm backForm;
    MainForm = &mainForm;
    BackForm = &backForm;
    const auto restore = qScopeGuard([&] {
        MainForm = nullptr;
        BackForm = nullptr;
        platform::setErrorPresenter(previousPresenter);
    });
    connectBackForm(mainForm, backForm);
    mainForm.setBackTextDocument(backForm.RichEdit1->document());
    // The front picture is decoded once, as finely as the PDF holds it.
    mainForm.setFrontPictureSize(pdfPicturePixels(sheet::kFrontArea.toRect()));

    if (project.isEmpty()) {
        NameOfProject = startupProjectName();
        mainForm.openStartupProject();
    } else {
        mainForm.openProjectAt(locateProject(project, DataDir, callerFolder()));
    }
    if (!reported.isEmpty())
        throw platform::UserError(reported);
    writeInlayPdf(
        pdfFile, mainForm.page(), paper.value_or(rememberedPaper()), mainForm.projectTitle());
}

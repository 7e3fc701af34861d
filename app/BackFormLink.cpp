#include "app/BackFormLink.h"

#include "app/Main.h"
#include "backtext/Back.h"
#include "platform/Picture.h"

#include <QLineEdit>
#include <QTextEdit>

void connectBackForm(TMainForm& mainForm, TBackForm& backForm)
{
    BackFormMainWindow mainWindow;
    mainWindow.composeBackPicture = [&mainForm](const QImage& picture) {
        mainForm.composeBackPicture(
            platform::Picture::fromImage(picture, platform::PictureFormat::Bitmap));
    };
    mainWindow.setSpineText = [&mainForm](const QString& text) { mainForm.Edit1->setText(text); };
    mainWindow.applySpineText = [&mainForm] { mainForm.PastoeButtonClick(); };
    mainWindow.runSheetOperation = [&mainForm](const std::function<void()>& work) {
        TMainForm::SheetOperation operation(mainForm);
        work();
    };
    backForm.setMainWindow(std::move(mainWindow));
    mainForm.hooks().clearBackText = [&backForm] { backForm.RichEdit1->clear(); };
}

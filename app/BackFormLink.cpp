#include "app/BackFormLink.h"

#include "app/Main.h"
#include "backtext/Back.h"
#include "platform/Picture.h"

#include <QLineEdit>
#include <QTextEdit>

void connectBackForm(TMainForm& mainForm, TBackForm& backForm)
{
    BackFormMainWindow mainWindow;
    mainWindow.composeBackPicture
        = [&mainForm](const QImage& picture, std::shared_ptr<const inlay::BackText> text) {
              mainForm.composeBackPicture(
                  platform::Picture::fromImage(picture, platform::PictureFormat::Bitmap),
                  std::move(text));
          };
    mainWindow.setSpineText = [&mainForm](const QString& text) { mainForm.Edit1->setText(text); };
    mainWindow.applySpineText = [&mainForm] { mainForm.PastoeButtonClick(); };
    mainWindow.runSheetOperation = [&mainForm](const std::function<void()>& work) {
        TMainForm::SheetOperation operation(mainForm);
        work();
    };
    backForm.setMainWindow(std::move(mainWindow));
    mainForm.hooks().clearBackText = [&backForm] { backForm.RichEdit1->clear(); };
    mainForm.hooks().backTextAtTop = [&backForm] { return backForm.backText(QPoint(0, 0)); };
}

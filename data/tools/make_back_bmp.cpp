// Makes the default project's back picture with the program itself: the back
// text goes into the back-text editor, the editor's copy command renders and
// signs it, and the main window's back picture is written as a bitmap.
//
//   make_back_bmp <back text .rtf> <picture .bmp>

#include "data/tools/ToolHome.h"

#include "app/BackFormLink.h"
#include "app/Main.h"
#include "app/PictureBox.h"
#include "backtext/Back.h"
#include "inlay/LayoutSheet.h"
#include "platform/ErrorReport.h"
#include "richtext/RichText.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextEdit>

namespace {

int fail(const QString& text)
{
    return toolFailed("make_back_bmp", text);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
        return fail(QStringLiteral("usage: make_back_bmp <back text .rtf> <picture .bmp>"));

    QTemporaryDir home;
    if (!useHomeIn(home))
        return fail(QStringLiteral("no temporary folder"));

    QApplication application(argc, argv);
    const QString textFile = QString::fromLocal8Bit(argv[1]);
    const QString pictureFile = QString::fromLocal8Bit(argv[2]);
    QString error;
    platform::setErrorPresenter([&error](const QString& text) { error = text; });

    // The main window stays hidden; its sheet gets the size of a shown one
    // so that the copy has somewhere to draw.
    TMainForm mainForm;
    MainForm = &mainForm;
    mainForm.Image1->resize(sheet::sheetSize({ 840, 0 }));
    TBackForm backForm;
    BackForm = &backForm;
    connectBackForm(mainForm, backForm);

    const bool made = platform::runGuarded([&] {
        richtext::loadRichTextFile(textFile, *backForm.RichEdit1->document());
        backForm.show(); // lays the text out at the editor's size
        QCoreApplication::processEvents();
        backForm.OKButtonClick();
        mainForm.Image3->picture().save(pictureFile);
    });
    BackForm = nullptr;
    MainForm = nullptr;
    return made ? 0 : fail(error);
}

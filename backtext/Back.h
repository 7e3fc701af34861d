#pragma once

#include "platform/WindowPlacement.h"
#include "richtext/RichText.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace inlay {
class BackText;
}

class FormatBar;
class QAction;
class QFileDialog;
class QFrame;
class QLabel;
class QPushButton;
class QTextDocument;
class QTextEdit;

namespace trackimport {
class TrackImportDialog;
}

// What the editor needs of the main window. The program entry connects it
// once both windows exist.
struct BackFormMainWindow
{
    // Signs the back picture and composes it onto the layout sheet; the main
    // window keeps it as its back picture, and the text it was made from.
    std::function<void(const QImage& picture, std::shared_ptr<const inlay::BackText> text)>
        composeBackPicture;
    // Puts the text into the spine-text field ...
    std::function<void(const QString& text)> setSpineText;
    // ... and draws it on both spines (the Apply command).
    std::function<void()> applySpineText;
    // Runs the work as one drawing operation on the sheet: the view is at its
    // top while the work runs, and afterwards back where the user had it.
    std::function<void(const std::function<void()>& work)> runSheetOperation;
};

// The back-text editor: the user writes the text of the back inlay here; its
// visible text area becomes the back picture and its first line the spine
// text. Closing the window only hides it; the text stays.
class TBackForm : public QWidget
{
    Q_OBJECT

public:
    // The back picture is exactly the editor's inner area plus the four rows
    // below it, in screen pixels that are never scaled.
    static constexpr QSize kBackPictureSize { 552, 472 };
    static constexpr int kClientWidth = 556;
    // A back cover holds a page of text, some fifty lines: a back text file
    // far beyond that is refused at once rather than read for minutes.
    static constexpr richtext::TextLimits kBackTextLimits { 16 * 1024 * 1024, 20'000 };

    // What the read command asks of its file dialog.
    struct OpenRequest
    {
        QString title;
        QString filter; // entries of display text and pattern, separated by '|'
        QString folder; // empty: the dialog stays where it was last time
        QString defaultSuffix;
    };
    using FileChooser = std::function<QString(const OpenRequest& request)>;

    explicit TBackForm(QWidget* parent = nullptr);
    ~TBackForm() override;

    void setMainWindow(BackFormMainWindow mainWindow);
    // Replaces the file dialog (tests); an empty chooser restores it.
    void setFileChooser(FileChooser chooser);

    // A line of the text as the editor displays it, counted from 0: a
    // paragraph wider than the editor wraps into several lines. Plain text
    // without its line end; empty past the end of the text.
    QString displayedLine(int index) const;
    // The editor's visible area as the window shows it at this moment.
    QImage backPicture();
    // The text as the editor lays it out, seen from the scroll position, in
    // the back picture's pixels.
    std::shared_ptr<const inlay::BackText> backText(QPoint scroll) const;
    QPoint scrollPosition() const;
    // The folder the read command's dialog opens in, from DirOfProject.
    static QString readDialogFolder();

    void LeesButtonClick();
    void SaveButtonClick();
    void OKButtonClick();
    void CancelButtonClick();
    // Inserts a picture file chosen by the user at the cursor, made smaller
    // to fit the text area.
    void insertPicture();
    // Makes the text from a folder of music, audio files, a playlist or a
    // cue sheet.
    void ImportTracksClick();

    QFrame* Panel1 = nullptr;
    QPushButton* LeesButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QLabel* Label1 = nullptr;
    // Between the top panel and the text; other commands join it with
    // formatBar->addCommand().
    FormatBar* formatBar = nullptr;
    QAction* insertPictureAction = nullptr;
    QTextEdit* RichEdit1 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QFileDialog* OpenDialog1 = nullptr; // made by openDialog() on first use
    QAction* ImportTracksAction = nullptr; // on the formatting bar
    trackimport::TrackImportDialog* ImportDialog = nullptr; // made on first use

public:
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void connectControls();
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    QRect textArea() const;
    QFileDialog* openDialog();
    QString runOpenDialog(const OpenRequest& request);
    OpenRequest readRequest() const;
    OpenRequest pictureRequest() const;
    QString chooseFile(const OpenRequest& request);

    platform::WindowPosition m_position;
    BackFormMainWindow m_mainWindow;
    FileChooser m_chooseFile;
};

// The one back-text editor of the program, created at start-up.
extern TBackForm* BackForm;

// The line of a document as an editor lays it out (see displayedLine).
QString displayedLineOf(const QTextDocument& document, int index);

// The spine text and the project name take a line without the spaces at its
// ends; other white space, such as a tab, stays.
QString withoutOuterSpaces(const QString& line);

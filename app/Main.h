#pragma once

#include "inlay/InlayPage.h"
#include "platform/Picture.h"
#include "platform/WindowPlacement.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QTextDocument;
class QTimer;
class PictureBox;
struct MainWindowSpan;
struct ProjectIndexLines;
struct ProjectLocation;
class SheetImage;
class StartupPictures;

// The main window: the command buttons, the spine-text field and the view on
// the layout sheet. Its controls keep their design names; the other windows
// reach them through MainForm.
class TMainForm : public QWidget
{
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Steps that other windows contribute. Each is optional; the program entry
    // connects them once those windows exist.
    struct Hooks
    {
        std::function<void()> removeLeftoverInstaller; // at the first showing
        std::function<bool()> confirmClose; // may save first; false keeps the window open
        // New and Read Project leave the project behind: may save it first;
        // false stops the command.
        std::function<bool()> saveChangesFirst;
        std::function<void()> clearBackText; // New empties the back text
        // Asks for a front picture file; empty when the user cancels.
        std::function<QString()> chooseFrontPicture;
        // The back text as the editor shows it from its top, which may be
        // what an opened project's back picture was made from.
        std::function<std::shared_ptr<const inlay::BackText>()> backTextAtTop;
    };
    Hooks& hooks() { return m_hooks; }

    // The project to open at the first showing instead of the one from the
    // last run (a project named on the command line).
    void setRequestedProject(const ProjectLocation& location);
    // Opens the project at once. Throws UserError, changing nothing, when its
    // index file cannot be read; a project file that cannot be loaded throws
    // after the sheet was reset, as at start-up.
    void openProjectAt(const ProjectLocation& location);
    // Opens the project of the last run (NameOfProject), giving it the
    // default project's files when its folder is missing.
    void openStartupProject();

    // Pictures of the start-up project read ahead while the windows were made;
    // opening that project takes them instead of reading the files again.
    void setStartupPictures(StartupPictures* pictures) { m_startupPictures = pictures; }

    // Scope of one drawing operation that the user asked for: it saves the
    // view's scroll position in TmpPos and scrolls to the top; at its end the
    // position is restored. Nested operations leave the outer one's position
    // alone, and an operation that ends in an error leaves the view at the top.
    class SheetOperation
    {
    public:
        explicit SheetOperation(TMainForm& form);
        ~SheetOperation();
        SheetOperation(const SheetOperation&) = delete;
        SheetOperation& operator=(const SheetOperation&) = delete;

    private:
        TMainForm& m_form;
        int m_uncaughtAtStart;
    };

    // ---- The layout sheet ----
    void RedrawImage1();
    void Load2(const QString& fileName);
    void Load3(const QString& fileName);
    // Signs a back picture and composes it onto the sheet; Load3 and the back
    // text editor both end here. The editor also gives the text the picture
    // was made from, which printing uses where it paints exactly the picture.
    void composeBackPicture(
        platform::Picture picture, std::shared_ptr<const inlay::BackText> text = nullptr);
    const QImage& sheetImage() const;
    // What the sheet shows, for the preview, printing and PDF.
    const inlay::Page& page() const { return m_page; }
    // The name the project is known by: the one it would be saved under.
    QString projectTitle() const;
    // The size a front picture is decoded for: the sheet's, unless the window
    // works for a finer output (a PDF made from the command line).
    void setFrontPictureSize(QSize size) { m_frontPictureSize = size; }

    // ---- The back text ----
    // The document of the back-text editor: projects load their back text
    // into it and save it from it. Until one is set the window keeps its own.
    void setBackTextDocument(QTextDocument* document);
    QTextDocument& backTextDocument();

    // ---- Commands ----
    void NieuwButtonClick();
    void FrontButtonClick();
    void BackButtonClick();
    void LeesProjectButtonClick();
    void BewaarProjectButtonClick();
    void PrintButtonClick();
    void HelpButtonClick();
    void AboutButtonClick();
    void PastoeButtonClick();
    void UpdateTimerTimer();

    // ---- Controls ----
    QFrame* Panel1 = nullptr;
    QPushButton* NieuwButton = nullptr;
    QPushButton* FrontButton = nullptr;
    QPushButton* BackButton = nullptr;
    QPushButton* LeesProjectButton = nullptr;
    QPushButton* BewaarProjectButton = nullptr;
    QPushButton* PrintButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QPushButton* AboutButton = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* PastoeButton = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    SheetImage* Image1 = nullptr;
    PictureBox* Image2 = nullptr;
    PictureBox* Image3 = nullptr;
    PictureBox* Image3l = nullptr;
    PictureBox* Image3r = nullptr;
    QTimer* UpdateTimer = nullptr;

signals:
    // The window has closed for good; the application ends.
    void closed();

public:
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void connectControls();
    void FormCreate();
    void FormShow();
    void FormResize();
    bool FormClose();
    void setTexts();
    void openFirstProject();
    void openProjectFrom(const ProjectLocation& location, const ProjectIndexLines& lines);
    bool mayLeaveProject();
    void startNewInlay();
    void loadProjectFiles(const ProjectIndexLines& lines, const QString& folder);
    void placePictureBoxes();
    void layOutControls();
    void fitSheetToView();
    MainWindowSpan span() const;
    QString chooseFrontPictureFile();
    platform::Picture loadPicture(const QString& fileName, QSize neededSize = QSize());

    void renderSheet();
    void offerBackText(std::shared_ptr<const inlay::BackText> text);

    Hooks m_hooks;
    platform::WindowPosition m_position;
    inlay::Page m_page;
    QSize m_frontPictureSize;
    int m_sheetOperationDepth = 0;
    QString m_helpFile;
    QTextDocument* m_backTextDocument = nullptr;
    // The open project's back text could not be read: its file is kept until
    // the user writes a back text of their own.
    bool m_backTextUnread = false;
    StartupPictures* m_startupPictures = nullptr;
    std::unique_ptr<ProjectLocation> m_requestedProject;
    // Opened from an index file elsewhere and not saved since: the next start
    // cannot find it by name, so its name is not remembered.
    bool m_projectOutsideDataDir = false;
};

extern TMainForm* MainForm;

// The folder the program was started in, which holds the default project;
// it ends with a separator.
QString programFolder();

// The project the program opens with: the one open when it last closed.
QString startupProjectName();

// The project name as stored for the next start: the text after its last
// folder or drive separator.
QString projectNameToStore(const QString& nameOfProject);

// The place in the help document for a help context, in the user's language.
QString helpAnchor(int context, bool dutch);

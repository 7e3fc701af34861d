#pragma once

#include <QDialog>
#include <QStringList>

class BevelPanel;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QTextEdit;
class QToolButton;
class TMessageForm;

// The about window: name, version and copyright of the program with a short
// description, an e-mail link to the author, the home page, and a second page
// with the author's contact details. Shown modally; left through its OK
// buttons only.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    // Failures to start the mail program or the browser are reported through
    // messageForm.
    explicit TAboutBox(TMessageForm& messageForm, QWidget* parent = nullptr);

    // The mail link for the template lines: subject and each line are
    // percent-encoded so the text reaches the mail program unchanged; the
    // lines are joined by an encoded CR LF.
    static QString mailLink(const QStringList& mailLines);
    // The eleven template lines in the user's language.
    static QStringList mailTemplate();
    // The author page in the user's language.
    static QStringList authorPage();

    BevelPanel* MainPanel = nullptr;
    QLabel* NameLabel = nullptr;
    QLabel* VersionLabel = nullptr;
    QFrame* Bevel3 = nullptr;
    QLabel* CopyrightLabel = nullptr;
    QToolButton* AutorBtn = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* MailBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* HomeBtn = nullptr;
    // Below the buttons: the update window's check box, so a check turned
    // off there can be turned on again here.
    QCheckBox* UpdateCheckBox = nullptr;
    QStringList MailMemo; // the mail template, never shown
    QTextEdit* Memo1 = nullptr;
    QPushButton* OKBtn1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void FormCreate();
    // Fills in every text and hint; runs each time the window is shown.
    void FormShow();
    void AutorBtnClick();
    void MailBtnClick();
    void HomeBtnClick();
    void OKBtnClick();
    void OKBtn1Click();
    void showMainPage(bool main);
    void openWithShell(const QString& target, const QString& failureText);

    TMessageForm& m_messageForm;
};

// The one about window of the program, created at start-up.
extern TAboutBox* AboutBox;

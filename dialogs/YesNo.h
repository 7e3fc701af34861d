#pragma once

#include <QDialog>

class BevelPanel;
class QPushButton;
class QTextEdit;

// The program's modal three-way question: a message above Yes, No and an
// optional Cancel button, with captions chosen by the caller. The dialog
// sizes itself to the message and centres itself over the caller's window.
class TYesNoDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TYesNoDlg(QWidget* parent = nullptr);

    // aTop, aLeft, aHeight, aWidth: the caller's outer window rectangle. Each
    // carriage return in Mess starts a new line. YesB is the preset answer:
    // it takes the focus. CancelB in: show the Cancel button; out: the user
    // chose Cancel, also by Escape or by closing the dialog (which answer No
    // when Cancel is not shown). Returns true exactly when the user answered
    // Yes.
    bool Execute(int aTop, int aLeft, int aHeight, int aWidth, const QString& Capt,
        const QString& Mess, const QString& JaStr, const QString& NeeStr, const QString& CancelStr,
        bool YesB, bool& CancelB);

    // The memo's lines for a message: it breaks only at carriage returns.
    static QStringList messageLines(const QString& Mess);

    QPushButton* NeeBtn = nullptr;
    QPushButton* JaBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    BevelPanel* MessagePanel = nullptr;
    QTextEdit* MessageMemo = nullptr;

    bool JaB = false;
    bool NegeerB = false;

public slots:
    // Escape: Cancel when it is shown, otherwise No.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void JaBtnClick();
    void NeeBtnClick();
    void CancelBtnClick();
    void backOut();
    // Lays the dialog out vertically, centres it over the caller and gives
    // the focus to the preset button.
    void FormPaint();
    void layOutHorizontally(const QString& Mess);
    bool paintsOwnSurface(const QRegion& region) const;

    QStringList m_lines; // the memo's lines

    // The caller's rectangle from the last Execute.
    int m_top = 0;
    int m_left = 0;
    int m_height = 0;
    int m_width = 0;
};

// The one question dialog of the program, created at start-up.
extern TYesNoDlg* YesNoDlg;

// The main window's question before its project is left behind: closing,
// New, Read Project. Asks only when there are unsaved changes (ChangedB);
// without them the answer is DontSave.
enum class SaveAnswer { Save, DontSave, Cancel };
SaveAnswer askToSaveChanges(TYesNoDlg& dialog, const QWidget& caller);

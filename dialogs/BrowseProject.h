#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class QWidget;

// Lets the user pick an existing project by its index file. The caller sets
// InitialDir, runs the window modally (exec()) and, when it returns
// QDialog::Accepted, reads ProjectName.
class TBrowseForm : public QDialog
{
    Q_OBJECT

public:
    explicit TBrowseForm(QWidget* parent = nullptr);

    // The index files listed in a folder: every entry matching "*.qlp"
    // (case-insensitive, hidden entries included), by name.
    static QStringList indexFilesIn(const QString& folder);

    QString InitialDir; // folder to list, ending with a separator
    QString ProjectName; // the chosen index file's name, kept between uses

    QListWidget* ListBox = nullptr;
    QWidget* Panel2 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void ListBoxDblClick();
    void OKBtnClick();
    void CancelBtnClick();
    // Takes the selected entry and ends the window with OK; without a
    // selection it does nothing and the window stays open.
    void chooseSelected();
};

// The one project browser of the program, created at start-up.
extern TBrowseForm* BrowseForm;

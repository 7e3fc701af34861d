#pragma once

#include "platform/Http.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QFrame;
class QIODevice;
class QProgressBar;
class QPushButton;
class QTextEdit;

// State of the update unit, shared by the version check and the download.
extern QString DownloadName; // installer file name of the last check that advised an update
extern qint32 DownloadSize; // installer size in KiB from the last record read
extern bool DownloadedB; // a download has completed, so the exit button installs
extern QString StartDir; // current folder at start, with a trailing separator
extern qint32 DownloadedKB; // kibibytes counted during a download

// The folder downloads go to: DataDir + "Temp" + separator.
QString downloadFolder();

// Removes the installer of the running version that an earlier update left in
// the download folder, and then the folder when nothing else is in it. The
// main window calls it once, when it is first shown.
void RemoveRunningVersionInstaller();

// True once Install has ended the program for the installer: the main window
// must then close without asking about unsaved changes.
bool isQuittingForInstall();

// The update window: the silent check for a newer version, the installer
// download and the installer start.
class TVersionsForm : public QWidget
{
    Q_OBJECT

public:
    explicit TVersionsForm(const QString& catalogueAddress = QStringLiteral(QZ_VERSIONS_URL),
        QWidget* parent = nullptr);

    QTextEdit* Memo1;
    QFrame* Panel1;
    QPushButton* DownloadBtn;
    QPushButton* ExitBtn;
    QProgressBar* Gauge1;

    // The silent check: shows the window only when an update is advised.
    // ProgramStr is the name looked up in the catalogue; shownVersion is the
    // current version as the window shows it.
    void UpdateStealth(const QString& ProgramStr, const QString& shownVersion);
    // Returns one of CatalogueResult. On entry ProgramStr is the name to look
    // up; on results 0 and 4 it holds the installer's file name.
    quint8 GetDownloadName(QString& ProgramStr, QString& NewVersion, QString& Remark);

    void DownloadBtnClick();
    void ExitBtnClick();
    // Fetches the installer into the download folder; true when it arrived.
    bool DownloadNewVersion(const QString& fileName, const QString& catalogueAddress);
    // Reads the address into the stream, counting kibibytes on the progress
    // bar; true when the whole answer arrived. Headers are extra request
    // header lines separated by CR LF, empty for none.
    bool Download(QIODevice& stream, const QString& address, const QString& headers);
    void Install();

    QString catalogueAddress() const { return m_catalogueAddress; }
    void setCatalogueAddress(const QString& address) { m_catalogueAddress = address; }
    void setCatalogueHttpOptions(const platform::HttpOptions& options)
    {
        m_catalogueOptions = options;
    }
    void setDownloadHttpOptions(const platform::HttpOptions& options)
    {
        m_downloadOptions = options;
    }
    static platform::HttpOptions defaultCatalogueHttpOptions();
    static platform::HttpOptions defaultDownloadHttpOptions();

    // How Install ends the program; nullptr restores the default, which
    // leaves the event loop at once without closing the windows one by one.
    using QuitHandler = std::function<void()>;
    void setQuitHandler(QuitHandler handler);

    QStringList memoLines() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void buildControls();
    QString fetchCatalogue() const;
    void memoClear();
    void memoAdd(const QString& line);
    void endCompanionProgram();

    QString m_catalogueAddress;
    platform::HttpOptions m_catalogueOptions;
    platform::HttpOptions m_downloadOptions;
    QuitHandler m_quit;
    int m_memoLineCount = 0;
};

// The one update window, created by the program entry.
extern TVersionsForm* VersionsForm;

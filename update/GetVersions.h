#pragma once

#include "platform/Http.h"
#include "update/InstallerDownload.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QFrame;
class QProgressBar;
class QPushButton;
class QTextEdit;

// State of the update unit, shared by the version check and the download.
extern QString DownloadName; // installer file name of the last check that advised an update
extern qint32 DownloadSize; // installer size in KiB from the last record read
extern bool DownloadedB; // a verified download is there, so the exit button installs
extern QString StartDir; // current folder at start, with a trailing separator
extern qint32 DownloadedKB; // kibibytes counted during a download

// The folder downloads go to: DataDir + "Temp" + separator.
QString downloadFolder();

// Removes the installer of the running version that an earlier update left in
// the download folder, and then the folder when nothing else is in it. The
// main window calls it once, when it is first shown.
void RemoveRunningVersionInstaller();

// True once Install has asked the closing question and started the
// installer: the main window then closes without asking again.
bool isQuittingForInstall();

// The update window: the silent check for a newer version, the installer
// download and the installer start. Network work runs while the event loop
// goes on; the window only listens to it.
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
    QPushButton* CancelBtn; // in the download button's place while a download runs
    QCheckBox* CheckAtStartBox;

    // The silent check: fetches the catalogue and shows the window only when
    // an update is advised; checkEnded() follows. ProgramStr is the name
    // looked up in the catalogue; shownVersion is the current version as the
    // window shows it.
    void UpdateStealth(const QString& ProgramStr, const QString& shownVersion);
    bool isChecking() const { return m_catalogueTransfer.isRunning(); }
    // Returns one of CatalogueResult for a fetched catalogue (empty when it
    // could not be read). On entry ProgramStr is the name to look up; on
    // results 0 and 4 it holds the installer's file name.
    quint8 GetDownloadName(
        const QString& catalogue, QString& ProgramStr, QString& NewVersion, QString& Remark);

    void DownloadBtnClick();
    void CancelBtnClick();
    void ExitBtnClick();
    // Starts fetching the installer into the download folder; false when no
    // download could start. downloadEnded() follows a started one.
    bool DownloadNewVersion(const QString& fileName, const QString& catalogueAddress);
    bool isDownloading() const { return m_download.isRunning(); }
    void Install();

    // Whether the one-minute check runs at start: the check box, kept in the
    // settings and on unless the user turned it off.
    static bool checkAtStart();

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

    // How Install leaves the program. confirmClose asks the closing question
    // (false keeps the program running and installs nothing); close then
    // ends the program. Without them the program ends at once.
    struct ProgramExit
    {
        std::function<bool()> confirmClose;
        std::function<void()> close;
    };
    void setProgramExit(ProgramExit exit);

    QStringList memoLines() const;

signals:
    void checkEnded(quint8 result);
    void downloadEnded(InstallerDownload::Outcome outcome);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void buildControls();
    void catalogueArrived();
    void showAdvice(const QString& installerName, const QString& newVersion);
    void downloadProgress(qint64 bytesReceived);
    void downloadFinished(InstallerDownload::Outcome outcome);
    void DownloadComplete();
    void setDownloading(bool downloading);
    void memoClear();
    void memoAdd(const QString& line);
    void endCompanionProgram();

    QString m_catalogueAddress;
    platform::HttpOptions m_catalogueOptions;
    platform::HttpOptions m_downloadOptions;
    platform::HttpTransfer m_catalogueTransfer;
    InstallerDownload m_download;
    QString m_checkedProgram;
    QString m_shownVersion;
    QByteArray m_installerSha256;
    bool m_offersInstaller = false;
    ProgramExit m_exit;
    int m_memoLineCount = 0;
};

// The one update window, created by the program entry.
extern TVersionsForm* VersionsForm;

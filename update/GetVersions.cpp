#include "update/GetVersions.h"

#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Shell.h"
#include "platform/Windows1252.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "support/UpdateCheckSetting.h"
#include "update/Catalogue.h"
#include "update/Terminate.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include <optional>

QString DownloadName;
qint32 DownloadSize = 0;
bool DownloadedB = false;
QString StartDir;
qint32 DownloadedKB = 0;

TVersionsForm* VersionsForm = nullptr;

namespace {

constexpr int kBytesPerKiB = 1024;
constexpr int kLastFailingShellResult = 32;
// A companion that keeps coming back (or cannot be ended) must not keep the
// program from quitting for ever.
constexpr int kMaxCompanionEndings = 10;
// Time a companion gets to end by itself before it is ended at once.
constexpr int kCompanionGraceMs = 3000;

bool quittingForInstall = false;

QString companionExecutableSuffix()
{
#ifdef Q_OS_WIN
    return QStringLiteral(".exe");
#else
    return {};
#endif
}

// A Windows installer takes the switches of a silent set-up; a Debian
// package goes to the desktop's package installer, which takes none and
// asks for the administrator's password itself.
QString installerParameters()
{
#ifdef Q_OS_WIN
    return QStringLiteral("/SP- /silent /noicons");
#else
    return {};
#endif
}

QString userAgent()
{
    return ProgNam + QStringLiteral(" update");
}

TVersionsForm::ProgramExit leaveAtOnce()
{
    // exit() rather than quit(): without a main window there is nothing to ask.
    return { [] { return true; }, [] { QCoreApplication::exit(0); } };
}

} // namespace

QString downloadFolder()
{
    return DataDir + QStringLiteral("Temp") + QDir::separator();
}

void RemoveRunningVersionInstaller()
{
    const QString installer = downloadFolder() + runningVersionInstallerName(ProgNam, Version);
    if (!QFile::exists(installer))
        return;
    QFile::remove(installer);
    QDir().rmdir(downloadFolder()); // only succeeds when nothing else is left in it
}

bool isQuittingForInstall()
{
    return quittingForInstall;
}

TVersionsForm::TVersionsForm(const QString& catalogueAddress, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_catalogueAddress(catalogueAddress)
    , m_catalogueOptions(defaultCatalogueHttpOptions())
    , m_downloadOptions(defaultDownloadHttpOptions())
    , m_exit(leaveAtOnce())
{
    buildControls();
    FormCreate();
    connect(&m_catalogueTransfer, &platform::HttpTransfer::finished, this,
        &TVersionsForm::catalogueArrived);
    connect(&m_download, &InstallerDownload::progress, this, &TVersionsForm::downloadProgress);
    connect(&m_download, &InstallerDownload::finished, this, &TVersionsForm::downloadFinished);
}

platform::HttpOptions TVersionsForm::defaultCatalogueHttpOptions()
{
    platform::HttpOptions options;
    options.connectTimeoutMs = 15000;
    options.totalTimeoutMs = 15000;
    options.stallTimeoutMs = 30000;
    options.maxBodyBytes = kMaxCatalogueLength; // one byte per character
    return options;
}

platform::HttpOptions TVersionsForm::defaultDownloadHttpOptions()
{
    platform::HttpOptions options;
    options.connectTimeoutMs = 15000;
    options.totalTimeoutMs = 10 * 60 * 1000;
    options.stallTimeoutMs = 30000; // an installer may take long, but it must keep coming
    options.freshCopy = false; // a cached copy may serve: the hash tells whether it is right
    return options;
}

void TVersionsForm::setProgramExit(ProgramExit exit)
{
    const ProgramExit fallback = leaveAtOnce();
    m_exit.confirmClose = exit.confirmClose ? std::move(exit.confirmClose) : fallback.confirmClose;
    m_exit.close = exit.close ? std::move(exit.close) : fallback.close;
}

void TVersionsForm::buildControls()
{
    using platform::scaled;
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(scaled(17));
    setFont(font);
    setAttribute(Qt::WA_QuitOnClose, false); // closing only hides it

    Memo1 = new QTextEdit(this);
    Memo1->setReadOnly(true);
    CheckAtStartBox = new QCheckBox(this);
    CheckAtStartBox->setChecked(checkForUpdatesAtStart());
    Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setFixedHeight(scaled(99));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Memo1, 1);
    auto* checkRow = new QHBoxLayout;
    checkRow->setContentsMargins(scaled(15), scaled(4), scaled(15), scaled(4));
    checkRow->addWidget(CheckAtStartBox);
    layout->addLayout(checkRow);
    layout->addWidget(Panel1);
    // The check box comes on top of the designed size, so the text keeps its room.
    resize(scaled(437), scaled(309) + checkRow->sizeHint().height());

    DownloadBtn = new QPushButton(QStringLiteral("Start Download"), Panel1);
    DownloadBtn->setGeometry(scaled(26), scaled(45), scaled(176), scaled(41));
    DownloadBtn->hide();
    CancelBtn = new QPushButton(Panel1);
    CancelBtn->setGeometry(DownloadBtn->geometry());
    CancelBtn->hide();
    ExitBtn = new QPushButton(QStringLiteral("Sluit venster"), Panel1);
    ExitBtn->setGeometry(scaled(234), scaled(45), scaled(176), scaled(41));
    Gauge1 = new QProgressBar(Panel1);
    Gauge1->setGeometry(scaled(15), scaled(12), scaled(405), scaled(20));
    Gauge1->setOrientation(Qt::Horizontal);
    Gauge1->setTextVisible(true);
    Gauge1->setFormat(QStringLiteral("%p%"));
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    Gauge1->hide();

    connect(DownloadBtn, &QPushButton::clicked, this,
        platform::guarded([this] { DownloadBtnClick(); }));
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    connect(ExitBtn, &QPushButton::clicked, this, platform::guarded([this] { ExitBtnClick(); }));
    connect(CheckAtStartBox, &QCheckBox::toggled, this, &setCheckForUpdatesAtStart);
}

void TVersionsForm::FormCreate()
{
    StartDir = QDir::toNativeSeparators(QDir::currentPath()) + QDir::separator();
    CancelBtn->setText(localText("Annuleren", "Cancel"));
    CheckAtStartBox->setText(checkForUpdatesAtStartText());
}

void TVersionsForm::showEvent(QShowEvent* event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TVersionsForm::FormShow()
{
    setWindowTitle(ProgNam + QStringLiteral(" - Update"));
    // The about window may have changed it since.
    CheckAtStartBox->setChecked(checkForUpdatesAtStart());
}

// A download does not go on behind a closed window: closing it cancels.
void TVersionsForm::closeEvent(QCloseEvent* event)
{
    m_download.cancel();
    QWidget::closeEvent(event);
}

// ---- The memo: one centred paragraph per line -----------------------------

void TVersionsForm::memoClear()
{
    Memo1->clear();
    m_memoLineCount = 0;
}

void TVersionsForm::memoAdd(const QString& line)
{
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    QTextCursor cursor(Memo1->document());
    cursor.movePosition(QTextCursor::End);
    if (m_memoLineCount == 0)
        cursor.setBlockFormat(centred);
    else
        cursor.insertBlock(centred);
    cursor.insertText(line);
    ++m_memoLineCount;
    // The newest line, a message most of all, is the one to see.
    Memo1->moveCursor(QTextCursor::End);
    Memo1->ensureCursorVisible();
}

QStringList TVersionsForm::memoLines() const
{
    QStringList lines;
    QTextBlock block = Memo1->document()->firstBlock();
    for (int i = 0; i < m_memoLineCount && block.isValid(); ++i, block = block.next())
        lines << block.text();
    return lines;
}

// ---- The version check ----------------------------------------------------

quint8 TVersionsForm::GetDownloadName(
    const QString& catalogue, QString& ProgramStr, QString& NewVersion, QString& Remark)
{
    const CatalogueCheck check = checkCatalogue(catalogue, ProgramStr, Version, isDutch());
    if (check.result == kProgramNotListed)
        DownloadedB = false;
    if (check.result == kNoUpdateNeeded || check.result == kUpdateAdvised) {
        ProgramStr = check.installerName;
        NewVersion = check.displayVersion;
        Remark = check.remark;
        DownloadSize = check.downloadSize;
        m_installerSha256 = check.installerSha256;
        m_offersInstaller = check.offersInstaller;
    }
    return check.result;
}

void TVersionsForm::UpdateStealth(const QString& ProgramStr, const QString& shownVersion)
{
    m_checkedProgram = ProgramStr;
    m_shownVersion = shownVersion;
    platform::HttpOptions options = m_catalogueOptions;
    options.userAgent = userAgent();
    m_catalogueTransfer.get(m_catalogueAddress, options);
}

void TVersionsForm::catalogueArrived()
{
    // Half a catalogue could hold half a record: a cut size or file name.
    // The catalogue is ANSI text in the code page it was always written in.
    const QString catalogue = m_catalogueTransfer.error() == platform::HttpError::None
        ? platform::fromWindows1252(m_catalogueTransfer.body())
        : QString();
    QString installerName = m_checkedProgram;
    QString newVersion;
    QString remark;
    const quint8 result = GetDownloadName(catalogue, installerName, newVersion, remark);
    memoClear();
    memoAdd(QString());
    if (result == kUpdateAdvised)
        showAdvice(installerName, newVersion);
    emit checkEnded(result);
}

void TVersionsForm::showAdvice(const QString& installerName, const QString& newVersion)
{
    show();
    memoAdd(localText("Een Update wordt aanbevolen", "Update is advised"));
    memoAdd(QString());
    memoAdd(localText("Uw huidige versie is ", "Your current version is ") + m_shownVersion);
    memoAdd(localText("De nieuwste versie is ", "The latest version is ") + newVersion);
    memoAdd(localText("De Downloadnaam is ", "The Download Name is ") + installerName);
    DownloadName = installerName;
    ExitBtn->show();
    if (!m_offersInstaller) {
        // Nothing is fetched that cannot be checked or that this system cannot take.
        memoAdd(QString());
        memoAdd(localText("Er is geen controleerbaar installatiebestand voor dit systeem.",
            "No verifiable installer is offered for this system."));
        ExitBtn->setText(localText("Sluit venster", "Close window"));
        DownloadBtn->hide();
        return;
    }
    DownloadBtn->setText(localText("Start Downloaden", "Start Downloading"));
    ExitBtn->setText(QStringLiteral("Download Later"));
    DownloadBtn->show();
}

// ---- Download and installer start -----------------------------------------

void TVersionsForm::DownloadBtnClick()
{
    if (!isDownloading())
        DownloadNewVersion(DownloadName, m_catalogueAddress);
}

void TVersionsForm::CancelBtnClick()
{
    m_download.cancel();
}

void TVersionsForm::ExitBtnClick()
{
    if (DownloadedB)
        Install();
    else
        close();
}

bool TVersionsForm::DownloadNewVersion(const QString& fileName, const QString& catalogueAddress)
{
    Gauge1->show();
    Gauge1->setRange(0, DownloadSize);
    Gauge1->setValue(0);
    // Never write anywhere but into the download folder, nor fetch what
    // cannot be checked.
    if (!m_offersInstaller || !isPlainInstallerName(fileName))
        return false;

    const QString folder = downloadFolder();
    QFile::remove(folder + runningVersionInstallerName(ProgNam, Version));
    QFile::remove(folder + fileName);
    QDir().mkpath(folder);
    DownloadedKB = 0;
    platform::HttpOptions options = m_downloadOptions;
    options.userAgent = userAgent();
    m_download.start(installerAddress(catalogueAddress, fileName), folder + fileName, DownloadSize,
        m_installerSha256, options);
    setDownloading(true);
    return true;
}

void TVersionsForm::setDownloading(bool downloading)
{
    DownloadBtn->setVisible(!downloading);
    CancelBtn->setVisible(downloading);
    ExitBtn->setEnabled(!downloading);
    if (downloading)
        CancelBtn->setFocus();
}

void TVersionsForm::downloadProgress(qint64 bytesReceived)
{
    DownloadedKB = qint32(bytesReceived / kBytesPerKiB);
    // Counts kibibytes, one ahead; the bar ignores values outside its
    // range, so it is held at the maximum.
    Gauge1->setValue(qBound(Gauge1->minimum(), DownloadedKB + 1, Gauge1->maximum()));
}

void TVersionsForm::downloadFinished(InstallerDownload::Outcome outcome)
{
    setDownloading(false);
    switch (outcome) {
    case InstallerDownload::Outcome::Verified:
        DownloadComplete();
        break;
    case InstallerDownload::Outcome::NotVerified:
        memoAdd(QString());
        memoAdd(localText("Het installatiebestand kon niet worden geverifieerd en is verwijderd.",
            "The installer could not be verified and was deleted."));
        break;
    case InstallerDownload::Outcome::WriteFailed:
        platform::reportError(m_download.errorText());
        break;
    case InstallerDownload::Outcome::Failed:
    case InstallerDownload::Outcome::Cancelled:
        break; // back to the advice, as before the download
    }
    emit downloadEnded(outcome);
}

void TVersionsForm::DownloadComplete()
{
    memoClear();
    memoAdd(QString());
    memoAdd(
        DownloadName + localText(" is met succes gedownload", " has been succesfully downloaded"));
    memoAdd(localText("Klik \"Installeer\" om het progamma te installeren",
        "Click \"Install\" to install the progam"));
    ExitBtn->setText(localText("Installeer", "Install"));
    DownloadBtn->hide();
    ExitBtn->show();
    DownloadedB = true;
    ExitBtn->setFocus();
}

void TVersionsForm::Install()
{
    // Unsaved work is asked about first, as on any close; Cancel keeps the
    // program and installs nothing.
    if (!m_exit.confirmClose())
        return;

    QString shownName = installerDisplayName(DownloadName);
    if (shownName.isEmpty())
        shownName = DownloadName; // a name of digits only leaves nothing to show
    memoAdd(QString());
    memoAdd(localText("De installatie van %1 wordt gestart.", "The installation of %1 is started.")
                .arg(shownName));

    const int shellResult
        = platform::shellExecute({ downloadFolder() + DownloadName, installerParameters() });
    if (shellResult <= kLastFailingShellResult) {
        memoAdd(localText("Installatie is mislukt.", "Installation failed."));
        return;
    }
    memoAdd(localText("De installatie van %1 is gestart.", "The installation of %1 has started.")
                .arg(shownName));

    endCompanionProgram();
    quittingForInstall = true;
    m_exit.close();
}

// Ends every running copy of the companion program, so that the installer
// can replace its file.
void TVersionsForm::endCompanionProgram()
{
    const QString companion
        = StartDir + ProgNam + QStringLiteral("_Sched") + companionExecutableSuffix();
    std::optional<TTerminateForm> ownTerminator;
    TTerminateForm* terminator = TerminateForm ? TerminateForm : &ownTerminator.emplace();
    for (int attempt = 0; attempt < kMaxCompanionEndings; ++attempt) {
        platform::ProcessHandle process = terminator->GetpID(companion);
        if (!process)
            return;
        EndProcess(process, kCompanionGraceMs);
        QCoreApplication::processEvents();
    }
}

#include "update/GetVersions.h"

#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Shell.h"
#include "platform/Windows1252.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "update/Catalogue.h"
#include "update/Terminate.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include <exception>
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
constexpr int kMaxCompanionEndings = 100;
constexpr int kCompanionEndWaitMs = 2000;

bool quittingForInstall = false;

// Runs a transfer to its end while the event loop goes on.
void runTransfer(platform::HttpTransfer& transfer, const QString& address,
    const platform::HttpOptions& options, QIODevice* sink)
{
    QEventLoop loop;
    QObject::connect(&transfer, &platform::HttpTransfer::finished, &loop, &QEventLoop::quit);
    transfer.get(address, options, sink);
    loop.exec();
}

bool isDutch()
{
    return sLanguage == QStringLiteral("NLD");
}

QString inLanguage(const QString& dutch, const QString& english)
{
    return isDutch() ? dutch : english;
}

QString companionExecutableSuffix()
{
#ifdef Q_OS_WIN
    return QStringLiteral(".exe");
#else
    return {};
#endif
}

QString userAgent()
{
    return ProgNam + QStringLiteral(" update");
}

void quitForInstall()
{
    // exit() rather than quit(): the windows must not be asked to close.
    QCoreApplication::exit(0);
}

// Downloaded files carry no execute permission where the system has one.
void makeExecutable(const QString& path)
{
#ifndef Q_OS_WIN
    QFile::setPermissions(
        path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
#else
    Q_UNUSED(path);
#endif
}

// Keeps both buttons disabled while a download runs: the window handles
// events between chunks, and a second click must not start another one.
class ButtonsDisabled
{
public:
    ButtonsDisabled(QPushButton* first, QPushButton* second)
        : m_first(first)
        , m_second(second)
    {
        m_first->setEnabled(false);
        m_second->setEnabled(false);
    }
    ~ButtonsDisabled()
    {
        m_first->setEnabled(true);
        m_second->setEnabled(true);
    }
    ButtonsDisabled(const ButtonsDisabled&) = delete;
    ButtonsDisabled& operator=(const ButtonsDisabled&) = delete;

private:
    QPushButton* m_first;
    QPushButton* m_second;
};

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
    , m_quit(quitForInstall)
{
    buildControls();
    FormCreate();
}

platform::HttpOptions TVersionsForm::defaultCatalogueHttpOptions()
{
    platform::HttpOptions options;
    options.connectTimeoutMs = 10000;
    options.totalTimeoutMs = 15000; // the silent check must never hold the program up for long
    return options;
}

platform::HttpOptions TVersionsForm::defaultDownloadHttpOptions()
{
    platform::HttpOptions options;
    options.connectTimeoutMs = 15000;
    options.stallTimeoutMs = 30000; // an installer may take long, but it must keep coming
    return options;
}

void TVersionsForm::setQuitHandler(QuitHandler handler)
{
    m_quit = handler ? std::move(handler) : QuitHandler(quitForInstall);
}

void TVersionsForm::buildControls()
{
    using platform::scaled;
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(scaled(17));
    setFont(font);
    setAttribute(Qt::WA_QuitOnClose, false); // closing only hides it
    resize(scaled(437), scaled(309));

    Memo1 = new QTextEdit(this);
    Memo1->setReadOnly(true);
    Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setFixedHeight(scaled(99));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Memo1, 1);
    layout->addWidget(Panel1);

    DownloadBtn = new QPushButton(QStringLiteral("Start Download"), Panel1);
    DownloadBtn->setGeometry(scaled(26), scaled(45), scaled(176), scaled(41));
    DownloadBtn->hide();
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
    connect(ExitBtn, &QPushButton::clicked, this, platform::guarded([this] { ExitBtnClick(); }));
}

void TVersionsForm::FormCreate()
{
    StartDir = QDir::toNativeSeparators(QDir::currentPath()) + QDir::separator();
}

void TVersionsForm::showEvent(QShowEvent* event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TVersionsForm::FormShow()
{
    setWindowTitle(ProgNam + QStringLiteral(" - Update"));
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

QString TVersionsForm::fetchCatalogue() const
{
    platform::HttpOptions options = m_catalogueOptions;
    options.userAgent = userAgent();
    options.maxBodyBytes = kMaxCatalogueLength; // one byte per character
    platform::HttpTransfer transfer;
    runTransfer(transfer, m_catalogueAddress, options, nullptr);
    // Half a catalogue could hold half a record: a cut size or file name.
    if (transfer.error() != platform::HttpError::None)
        return {};
    // The catalogue is ANSI text in the code page it was always written in.
    return platform::fromWindows1252(transfer.body());
}

quint8 TVersionsForm::GetDownloadName(QString& ProgramStr, QString& NewVersion, QString& Remark)
{
    const QString currentVersion = Version;
    const CatalogueCheck check
        = checkCatalogue(fetchCatalogue(), ProgramStr, currentVersion, isDutch());
    if (check.result == kProgramNotListed)
        DownloadedB = false;
    if (check.result == kNoUpdateNeeded || check.result == kUpdateAdvised) {
        ProgramStr = check.installerName;
        NewVersion = check.displayVersion;
        Remark = check.remark;
        DownloadSize = check.downloadSize;
    }
    return check.result;
}

void TVersionsForm::UpdateStealth(const QString& ProgramStr, const QString& shownVersion)
{
    QString installerName = ProgramStr;
    QString newVersion;
    QString remark;
    const quint8 result = GetDownloadName(installerName, newVersion, remark);
    memoClear();
    memoAdd(QString());
    if (result != kUpdateAdvised)
        return;

    show();
    memoAdd(inLanguage(
        QStringLiteral("Een Update wordt aanbevolen"), QStringLiteral("Update is advised")));
    memoAdd(QString());
    memoAdd(inLanguage(
                QStringLiteral("Uw huidige versie is "), QStringLiteral("Your current version is "))
        + shownVersion);
    memoAdd(inLanguage(
                QStringLiteral("De nieuwste versie is "), QStringLiteral("The latest version is "))
        + newVersion);
    memoAdd(
        inLanguage(QStringLiteral("De Downloadnaam is "), QStringLiteral("The Download Name is "))
        + installerName);
    DownloadBtn->setText(
        inLanguage(QStringLiteral("Start Downloaden"), QStringLiteral("Start Downloading")));
    ExitBtn->setText(QStringLiteral("Download Later"));
    DownloadName = installerName;
    DownloadBtn->show();
    ExitBtn->show();
}

// ---- Download and installer start -----------------------------------------

void TVersionsForm::DownloadBtnClick()
{
    {
        const ButtonsDisabled busy(DownloadBtn, ExitBtn);
        if (!DownloadNewVersion(DownloadName, m_catalogueAddress))
            return;
    }
    memoClear();
    memoAdd(QString());
    memoAdd(DownloadName
        + inLanguage(QStringLiteral(" is met succes gedownload"),
            QStringLiteral(" has been succesfully downloaded")));
    memoAdd(inLanguage(QStringLiteral("Klik \"Installeer\" om het progamma te installeren"),
        QStringLiteral("Click \"Install\" to install the progam")));
    ExitBtn->setText(inLanguage(QStringLiteral("Installeer"), QStringLiteral("Install")));
    DownloadBtn->hide();
    ExitBtn->show();
    DownloadedB = true;
    ExitBtn->setFocus();
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
    if (!isPlainInstallerName(fileName))
        return false; // never write anywhere but into the download folder

    const QString folder = downloadFolder();
    const QString target = folder + fileName;
    QFile::remove(folder + runningVersionInstallerName(ProgNam, Version));
    QFile::remove(target);
    DownloadedKB = 0;

    QFile file(target);
    bool completed = false;
    std::exception_ptr error;
    try {
        QDir().mkpath(folder);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw platform::UserError(QStringLiteral("Cannot create the file ")
                + QDir::toNativeSeparators(target) + QStringLiteral(": ") + file.errorString());
        completed = Download(file, installerAddress(catalogueAddress, fileName), QString());
    } catch (...) {
        error = std::current_exception();
    }
    file.close();
    // An answer cut short is no installer, whatever amount came.
    const bool arrived = completed && DownloadedKB >= 1;
    if (!arrived)
        QFile::remove(target);
    if (error)
        std::rethrow_exception(error);
    return arrived;
}

bool TVersionsForm::Download(QIODevice& stream, const QString& address, const QString& headers)
{
    DownloadedKB = 0;
    platform::HttpOptions options = m_downloadOptions;
    options.userAgent = userAgent();
    options.freshCopy = false;
    options.extraHeaders += headers.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    platform::HttpTransfer transfer;
    connect(&transfer, &platform::HttpTransfer::progress, this, [this](qint64 received) {
        DownloadedKB = qint32(received / kBytesPerKiB);
        // The bar ignores values outside its range, so hold it at the maximum.
        Gauge1->setValue(qBound(Gauge1->minimum(), DownloadedKB + 1, Gauge1->maximum()));
    });
    runTransfer(transfer, address, options, &stream);
    if (transfer.error() == platform::HttpError::WriteFailed)
        throw platform::UserError(
            QStringLiteral("The installer cannot be written: ") + stream.errorString());
    return transfer.error() == platform::HttpError::None;
}

void TVersionsForm::Install()
{
    QString shownName = installerDisplayName(DownloadName);
    if (shownName.isEmpty())
        shownName = DownloadName; // a name of digits only leaves nothing to show
    memoAdd(QString());
    memoAdd(inLanguage(
        QStringLiteral("De installatie van ") + shownName + QStringLiteral(" wordt gestart."),
        QStringLiteral("The installation of ") + shownName + QStringLiteral(" is started.")));

    const QString installer = downloadFolder() + DownloadName;
    makeExecutable(installer);
    const int shellResult
        = platform::shellExecute({ installer, QStringLiteral("/SP- /silent /noicons") });
    if (shellResult <= kLastFailingShellResult) {
        memoAdd(inLanguage(
            QStringLiteral("Installatie is mislukt."), QStringLiteral("Installation failed.")));
        return;
    }
    memoAdd(inLanguage(
        QStringLiteral("De installatie van ") + shownName + QStringLiteral(" is gestart."),
        QStringLiteral("The installation of ") + shownName + QStringLiteral(" has started.")));

    endCompanionProgram();
    quittingForInstall = true;
    m_quit();
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
        process.terminate(0);
        process.waitForExit(kCompanionEndWaitMs);
        QCoreApplication::processEvents();
    }
}

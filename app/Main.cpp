#include "app/Main.h"

#include "dialogs/About.h"
#include "printing/Print.h"
#include "update/GetVersions.h"

#include "app/MainWindowGeometry.h"
#include "app/PictureBox.h"
#include "app/PictureOpenDialog.h"
#include "app/Project.h"
#include "app/StartupPictures.h"
#include "backtext/Back.h"
#include "inlay/BackText.h"
#include "inlay/LayoutSheet.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "platform/WindowPlacement.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "support/UpdateCheckSetting.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <exception>

TMainForm* MainForm = nullptr;

namespace {

constexpr int kMainHelpContext = 1100;

QString withTrailingSeparator(const QString& folder)
{
    const QString native = QDir::toNativeSeparators(folder);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}

} // namespace

QString projectNameToStore(const QString& nameOfProject)
{
    qsizetype cut = std::max(
        nameOfProject.lastIndexOf(QLatin1Char('\\')), nameOfProject.lastIndexOf(QLatin1Char(':')));
#ifndef Q_OS_WIN
    cut = std::max(cut, nameOfProject.lastIndexOf(QLatin1Char('/')));
#endif
    return nameOfProject.mid(cut + 1);
}

QString programFolder()
{
    return withTrailingSeparator(QDir::currentPath());
}

QString startupProjectName()
{
    return platform::Settings::readString(QStringLiteral("Project Name"), defaultProjectName());
}

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent)
    , m_position(this, QStringLiteral("Left"), QStringLiteral("Top"),
          [this](QPoint frameTopLeft, const QMargins& frame, const QRect& available) {
              return mainWindowGeometry(frameTopLeft, frame, available, span());
          })
{
    createControls();
    connectControls();
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::setRequestedProject(const ProjectLocation& location)
{
    m_requestedProject = std::make_unique<ProjectLocation>(location);
}

// ---- Window events --------------------------------------------------------

void TMainForm::FormCreate()
{
    ProgNam = QStringLiteral("qzLayer");
    CurrentDir = programFolder();
    DataDir = GetDataDir(ProgNam);
    setTexts();
    PaintedB = false;
    ChangedB = false;
    UpdateTimer->start();
    FormResize();
}

void TMainForm::FormShow()
{
    if (PaintedB)
        return;
    PaintedB = true;
    setWindowTitle(ProgNam + QStringLiteral(" - ") + Version);
    if (m_hooks.removeLeftoverInstaller)
        platform::runGuarded(m_hooks.removeLeftoverInstaller);
    // The stored position was taken before the window showed (setVisible).
    NameOfProject = startupProjectName();
    platform::runGuarded([this] { openFirstProject(); });
}

// The size follows the screen's available area and the window's frame (see
// mainWindowGeometry). Any other size snaps back.
void TMainForm::FormResize()
{
    const QPoint corner = frameGeometry().topLeft();
    const QSize wanted = mainWindowGeometry(
        corner, platform::frameMarginsOf(*this), platform::availableAreaAt(corner), span())
                             .size();
    if (size() != wanted || minimumSize() != wanted || maximumSize() != wanted)
        setFixedSize(wanted);
    layOutControls();
}

MainWindowSpan TMainForm::span() const
{
    return { HelpButton->x() + HelpButton->width() + NieuwButton->x(),
        sheet::kLayoutSize.width() + ScrollBox1->verticalScrollBar()->sizeHint().width() };
}

// The window is placed before it is on the screen, so that it appears at its
// place at once. Showing it again keeps the place it had.
void TMainForm::setVisible(bool visible)
{
    if (visible && !isVisible() && !PaintedB) {
        FormResize();
        m_position.restore();
    }
    QWidget::setVisible(visible);
}

// Returns false when the closing is refused.
bool TMainForm::FormClose()
{
    if (m_hooks.confirmClose) {
        bool closeAllowed = false;
        // A save that fails on the way out keeps the window open, so nothing is lost.
        const bool ran = platform::runGuarded([&] { closeAllowed = m_hooks.confirmClose(); });
        if (!ran || !closeAllowed)
            return false;
    }
    m_position.store();
    if (!m_projectOutsideDataDir) {
        platform::Settings::writeString(
            QStringLiteral("Project Name"), projectNameToStore(NameOfProject));
    }
    return true;
}

void TMainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormResize();
    FormShow();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

// The window manager may add its frame only after the first showing.
void TMainForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    FormResize();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ScrollBox1->viewport() && event->type() == QEvent::Resize)
        fitSheetToView();
    return QWidget::eventFilter(watched, event);
}

// ---- Scroll position around drawing ----------------------------------------

TMainForm::SheetOperation::SheetOperation(TMainForm& form)
    : m_form(form)
    , m_uncaughtAtStart(std::uncaught_exceptions())
{
    QScrollBar* bar = m_form.ScrollBox1->verticalScrollBar();
    if (m_form.m_sheetOperationDepth++ == 0)
        TmpPos = static_cast<std::uint16_t>(std::clamp(bar->value(), 0, 0xFFFF));
    bar->setValue(0);
}

TMainForm::SheetOperation::~SheetOperation()
{
    const bool outermost = --m_form.m_sheetOperationDepth == 0;
    const bool failed = std::uncaught_exceptions() > m_uncaughtAtStart;
    if (outermost && !failed)
        m_form.ScrollBox1->verticalScrollBar()->setValue(TmpPos);
}

// ---- The layout sheet ------------------------------------------------------

void TMainForm::RedrawImage1()
{
    m_page = inlay::Page();
    Image1->discard();
    renderSheet();
    placePictureBoxes();
}

// The sheet raster is painted from the page each time the page changes, so
// that it shows exactly what printing paints and nothing that went before.
void TMainForm::renderSheet()
{
    QImage& raster = Image1->canvas();
    raster.fill(Qt::white);
    QPainter painter(&raster);
    inlay::paintPage(painter, m_page, inlay::Part::Whole, inlay::Rendering::SheetRaster);
    painter.end();
    Image1->update();
}

void TMainForm::Load2(const QString& fileName)
{
    platform::Picture picture = loadPicture(
        fileName, m_frontPictureSize.isValid() ? m_frontPictureSize : sheet::kFrontPictureSize)
                                    .reducedTo(sheet::kFrontPrintSize);
    m_page.front = picture;
    Image2->setPicture(std::move(picture));
    renderSheet();
}

void TMainForm::Load3(const QString& fileName)
{
    platform::Picture picture = loadPicture(fileName);
    const QSize size = picture.image().size();
    if (size.width() > sheet::kLargestBackPicture.width()
        || size.height() > sheet::kLargestBackPicture.height()) {
        throw platform::UserError(
            localText("De achterfoto \"%1\" is %2 × %3 beeldpunten groot; een achterfoto is "
                      "%4 × %5 beeldpunten, en hoogstens %6 × %7 wordt aangenomen",
                "The back picture \"%1\" is %2 × %3 pixels; a back picture is %4 × %5 pixels, "
                "and at most %6 × %7 are taken")
                .arg(QDir::toNativeSeparators(fileName))
                .arg(size.width())
                .arg(size.height())
                .arg(sheet::kBackPictureSize.width())
                .arg(sheet::kBackPictureSize.height())
                .arg(sheet::kLargestBackPicture.width())
                .arg(sheet::kLargestBackPicture.height()));
    }
    composeBackPicture(std::move(picture));
}

platform::Picture TMainForm::loadPicture(const QString& fileName, QSize neededSize)
{
    if (m_startupPictures) {
        if (std::optional<platform::Picture> picture
            = m_startupPictures->take(fileName, neededSize))
            return std::move(*picture);
    }
    return platform::Picture::load(fileName, neededSize);
}

void TMainForm::composeBackPicture(
    platform::Picture picture, std::shared_ptr<const inlay::BackText> text)
{
    // The back picture is kept and saved as a bitmap, whatever it was read from.
    if (picture.format() != platform::PictureFormat::Bitmap)
        picture = platform::Picture::fromImage(picture.image(), platform::PictureFormat::Bitmap);
    const QFont signatureFont = sheet::signatureFont(platform::screenPixelsPerInch());
    sheet::signBackPicture(picture.image(), signatureFont);
    m_page.back = picture;
    m_page.signatureFont = signatureFont;
    m_page.backText = nullptr;
    Image3->setPicture(std::move(picture));
    offerBackText(std::move(text));
    renderSheet();
}

// The text stands in for the back picture only where it paints exactly the
// same pixels; otherwise the picture itself is printed.
void TMainForm::offerBackText(std::shared_ptr<const inlay::BackText> text)
{
    if (text && inlay::paintsExactly(*text, m_page.back.image(), m_page.signatureFont))
        m_page.backText = std::move(text);
}

QString TMainForm::projectTitle() const
{
    const QString spineText = Edit1->text().trimmed();
    if (!spineText.isEmpty())
        return spineText;
    return NameOfProject.trimmed().isEmpty() ? ProgNam : NameOfProject.trimmed();
}

const QImage& TMainForm::sheetImage() const
{
    return Image1->raster();
}

// ---- Commands --------------------------------------------------------------

void TMainForm::PastoeButtonClick()
{
    SheetOperation operation(*this);
    // The spines show exactly this text: whatever a longer one left is gone.
    m_page.spine
        = inlay::SpineText { Edit1->text(), sheet::spineFont(platform::screenPixelsPerInch()) };
    renderSheet();
    ChangedB = true;
}

void TMainForm::NieuwButtonClick()
{
    if (mayLeaveProject())
        startNewInlay();
}

bool TMainForm::mayLeaveProject()
{
    return !m_hooks.saveChangesFirst || m_hooks.saveChangesFirst();
}

// New's steps; Read Project takes them too, after it has asked.
void TMainForm::startNewInlay()
{
    RedrawImage1();
    Edit1->setText(QString(Edit1->maxLength(), QLatin1Char(' ')));
    PastoeButtonClick();
    Edit1->clear();
    backTextDocument().clear();
    m_backTextUnread = false;
    if (m_hooks.clearBackText)
        m_hooks.clearBackText();
    Image2->clear();
    Image3->clear();
    Image3l->clear();
    Image3r->clear();
    DirOfProject.clear();
    PathNameOfProject.clear();
}

void TMainForm::FrontButtonClick()
{
    SheetOperation operation(*this);
    QCoreApplication::processEvents(); // the view repaints before the dialog covers it
    const QString fileName
        = m_hooks.chooseFrontPicture ? m_hooks.chooseFrontPicture() : chooseFrontPictureFile();
    if (fileName.isEmpty())
        return;
    Load2(fileName);
    ChangedB = true; // a new front picture is a change worth saving
}

QString TMainForm::chooseFrontPictureFile()
{
    const QString title = ProgNam
        + localText(
            " - Selecteer de afbeelding voor de voorkant", " - Select the picture for the front");
    return getOpenPictureFileName(this, title, DataDir, frontPictureFilter());
}

void TMainForm::HelpButtonClick()
{
    const QString path = CurrentDir + m_helpFile;
    if (!QFileInfo::exists(path)) {
        throw platform::UserError(
            localText("Het helpbestand %1 is niet gevonden", "The help file %1 cannot be found")
                .arg(QDir::toNativeSeparators(path)));
    }
    QUrl address = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    address.setFragment(helpAnchor(kMainHelpContext, isDutch()));
    const int result = platform::shellExecute({ address.toString(QUrl::FullyEncoded), QString() });
    if (result == platform::kShellNoAssociation) {
        throw platform::UserError(
            localText("Er is geen programma gevonden dat de help kan tonen. Installeer een "
                      "webbrowser, of open %1 in een webbrowser",
                "No program was found that can show the help. Install a web browser, or open "
                "%1 in one")
                .arg(QDir::toNativeSeparators(path)));
    }
    if (result <= 32) {
        throw platform::UserError(localText(
            "Het helpbestand %1 kan niet worden geopend", "The help file %1 cannot be opened")
                                      .arg(QDir::toNativeSeparators(path)));
    }
}

// The editor stays open beside the main window, which remains usable.
void TMainForm::BackButtonClick()
{
    if (!BackForm)
        return;
    BackForm->show();
    BackForm->raise();
    BackForm->activateWindow();
}

void TMainForm::PrintButtonClick()
{
    if (PrintForm)
        PrintForm->execPreview();
}

void TMainForm::AboutButtonClick()
{
    if (AboutBox)
        AboutBox->exec();
}

// One minute after start, once per run, unless the user turned the check
// off. A main window made without the other windows (a tool, a benchmark)
// has no update check to run.
void TMainForm::UpdateTimerTimer()
{
    UpdateTimer->stop();
    if (VersionsForm && checkForUpdatesAtStart())
        VersionsForm->UpdateStealth(ProgNam, Version);
}

QString helpAnchor(int context, bool dutch)
{
    return (dutch ? QStringLiteral("nl-") : QStringLiteral("en-")) + QString::number(context);
}

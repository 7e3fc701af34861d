#include "backtext/Back.h"

#include "backtext/EditorScrollBar.h"
#include "backtext/FormatBar.h"
#include "inlay/BackText.h"
#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "platform/WindowPlacement.h"
#include "richtext/RichText.h"
#include "support/Language.h"
#include "support/ProjectName.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "trackimport/TrackImportDialog.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <stdexcept>

TBackForm* BackForm = nullptr;

namespace {

const QString kBackTextFile = QStringLiteral("Back.rtf");

QString withoutLineEnd(QString line)
{
    while (!line.isEmpty()
        && (line.back() == QChar::LineSeparator || line.back() == QChar::ParagraphSeparator
            || line.back() == QLatin1Char('\n') || line.back() == QLatin1Char('\r')))
        line.chop(1);
    return line;
}

// The dialog filter "text|pattern|text|pattern" as Qt writes it.
QString qtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern
            = QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString& text = parts.at(i);
        entries << (text.contains(QLatin1Char('(')) ? text : text + " (" + pattern + ')');
    }
    return entries.join(QStringLiteral(";;"));
}

// Creates the folder with its missing parents; true when it was not there.
bool createFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return false;
    QString reason;
    if (!platform::createFolderPath(folder, &reason)) {
        throw platform::UserError(QStringLiteral("Cannot create the folder \"%1\": %2")
                                      .arg(QDir::toNativeSeparators(folder), reason));
    }
    return true;
}

} // namespace

QString withoutOuterSpaces(const QString& line)
{
    return UnEndSpace(UnBeginSpace(line));
}

QString displayedLineOf(const QTextDocument& document, int index)
{
    if (index < 0)
        return {};
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!block.isVisible())
            continue;
        layout->blockBoundingRect(block); // lays the block out when it is not yet
        const QTextLayout* lines = block.layout();
        const int lineCount = lines ? lines->lineCount() : 0;
        if (lineCount == 0) { // not laid out: the paragraph counts as one line
            if (index == 0)
                return withoutLineEnd(block.text());
            --index;
            continue;
        }
        if (index < lineCount) {
            const QTextLine line = lines->lineAt(index);
            return withoutLineEnd(block.text().mid(line.textStart(), line.textLength()));
        }
        index -= lineCount;
    }
    return {};
}

TBackForm::TBackForm(QWidget* parent)
    : QWidget(parent)
    , m_position(this, QStringLiteral("BackLeft"), QStringLiteral("BackTop"))
{
    createControls();
    connectControls();
    FormCreate();
    FormResize();
}

TBackForm::~TBackForm() = default;

void TBackForm::setMainWindow(BackFormMainWindow mainWindow)
{
    m_mainWindow = std::move(mainWindow);
}

void TBackForm::setFileChooser(FileChooser chooser)
{
    m_chooseFile = std::move(chooser);
}

QString TBackForm::displayedLine(int index) const
{
    return displayedLineOf(*RichEdit1->document(), index);
}

// Rendered from the window's own drawing, so it does not depend on what
// else the screen shows: the editor's inner area at its scroll position, and
// below it the editor's lower border and the top edge of the button panel.
QImage TBackForm::backPicture()
{
    QImage picture(kBackPictureSize, QImage::Format_RGB32);
    picture.fill(palette().color(QPalette::Window));
    const int border = RichEdit1->frameWidth();
    const QPoint innerTopLeft = RichEdit1->geometry().topLeft() + QPoint(border, border);
    // The blinking text cursor is no part of the text: whether it showed at
    // the moment of the copy would decide whether it is printed.
    const int cursorWidth = RichEdit1->cursorWidth();
    RichEdit1->setCursorWidth(0);
    render(&picture, QPoint(), QRegion(QRect(innerTopLeft, kBackPictureSize)));
    RichEdit1->setCursorWidth(cursorWidth);
    return picture;
}

std::shared_ptr<const inlay::BackText> TBackForm::backText(QPoint scroll) const
{
    return std::make_shared<const inlay::BackText>(
        *RichEdit1->document(), textArea(), scroll, RichEdit1->palette());
}

// The back picture starts at the editor's inner corner; the text area is the
// viewport, which a vertical scroll bar makes narrower. An editor that was
// never shown has not laid itself out yet: its area is worked out as it will
// lay it out.
QRect TBackForm::textArea() const
{
    if (RichEdit1->isVisible()) {
        const int border = RichEdit1->frameWidth();
        return RichEdit1->viewport()->geometry().translated(-border, -border);
    }
    QRect area(QPoint(0, 0), RichEdit1->contentsRect().size());
    if (!fitsWithoutScrollBar(*RichEdit1->document(), area.size())) {
        area.setWidth(area.width()
            - RichEdit1->style()->pixelMetric(
                QStyle::PM_ScrollBarExtent, nullptr, RichEdit1->verticalScrollBar()));
    }
    return area;
}

QPoint TBackForm::scrollPosition() const
{
    return { RichEdit1->horizontalScrollBar()->value(), RichEdit1->verticalScrollBar()->value() };
}

// ---- Window events --------------------------------------------------------

// The window is placed before it is on the screen, so that it appears at its
// place at once.
void TBackForm::setVisible(bool visible)
{
    if (visible && !isVisible())
        FormShow();
    QWidget::setVisible(visible);
}

void TBackForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        RichEdit1->setFocus(Qt::ActiveWindowFocusReason); // typing goes into the text
    QWidget::showEvent(event);
}

void TBackForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TBackForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TBackForm::FormShow()
{
    m_position.restore();
}

void TBackForm::FormClose()
{
    m_position.store();
}

// ---- Commands --------------------------------------------------------------

QString TBackForm::readDialogFolder()
{
    if (DirOfProject.isEmpty())
        return {};
    // Saving a project with an empty name leaves just a separator: that is
    // the data folder itself, not the root of the file system.
    if (DirOfProject == QDir::separator() || DirOfProject == QLatin1String("/"))
        return DataDir;
    return QDir::isRelativePath(DirOfProject) ? DataDir + DirOfProject : DirOfProject;
}

TBackForm::OpenRequest TBackForm::readRequest() const
{
    return { ProgNam
            + localText(" - Selecteer het rtf-bestand voor de achterkant",
                " - Select the rtf file for the back"),
        localText("RichText-bestanden (*.rtf)|*.rtf", "RichText files (*.rtf)|*.rtf"),
        readDialogFolder(), QStringLiteral("rtf") };
}

QString TBackForm::runOpenDialog(const OpenRequest& request)
{
    QFileDialog* dialog = openDialog();
    if (!request.folder.isEmpty())
        dialog->setDirectory(request.folder);
    dialog->setDefaultSuffix(request.defaultSuffix);
    dialog->setWindowTitle(request.title);
    dialog->setNameFilter(qtFileFilter(request.filter));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

TBackForm::OpenRequest TBackForm::pictureRequest() const
{
    return { ProgNam + localText(" - Afbeelding invoegen", " - Insert picture"),
        localText("Afbeeldingen", "Pictures") + u'|' + richtext::pictureFilePatterns().join(u';'),
        readDialogFolder(), QString() };
}

QString TBackForm::chooseFile(const OpenRequest& request)
{
    return m_chooseFile ? m_chooseFile(request) : runOpenDialog(request);
}

void TBackForm::LeesButtonClick()
{
    const QString fileName = chooseFile(readRequest());
    if (fileName.isEmpty())
        return;
    richtext::loadRichTextFile(fileName, *RichEdit1->document(), kBackTextLimits);
    RichEdit1->moveCursor(QTextCursor::Start); // show the new text from its top
    ChangedB = true;
}

// The project folder is named after the first line. The project's names
// change only once its back text is safely written.
void TBackForm::SaveButtonClick()
{
    const QString name = withoutOuterSpaces(displayedLine(0));
    const QString problem = projectNameProblem(name);
    if (!problem.isEmpty())
        throw platform::UserError(problem);
    const QString folderName = name + QDir::separator();
    const QString folder = name.isEmpty() ? DataDir : DataDir + folderName;
    const bool created = createFolder(folder);
    try {
        richtext::saveRichTextFile(folder + kBackTextFile, *RichEdit1->document());
    } catch (...) {
        if (created)
            QDir().rmdir(folder);
        throw;
    }
    NameOfProject = name;
    qlpPathName = name + QStringLiteral(".qlp");
    DirOfProject = folderName;
}

void TBackForm::OKButtonClick()
{
    if (!m_mainWindow.runSheetOperation || !m_mainWindow.composeBackPicture
        || !m_mainWindow.setSpineText || !m_mainWindow.applySpineText)
        throw std::logic_error("the back-text editor is not connected to the main window");
    m_mainWindow.runSheetOperation([this] {
        // Layouts and repaints that are still pending settle first.
        QCoreApplication::processEvents();
        m_mainWindow.composeBackPicture(backPicture(), backText(scrollPosition()));
        QString spineText = withoutOuterSpaces(displayedLine(0));
        if (UnSpace(spineText).isEmpty())
            spineText = withoutOuterSpaces(displayedLine(1));
        m_mainWindow.setSpineText(spineText);
        m_mainWindow.applySpineText();
    });
    close();
}

void TBackForm::CancelButtonClick()
{
    close();
}

void TBackForm::insertPicture()
{
    const QString fileName = chooseFile(pictureRequest());
    if (fileName.isEmpty())
        return;
    const qreal margins = 2 * RichEdit1->document()->documentMargin();
    const QSizeF room = QSizeF(textArea().size()) - QSizeF(margins, margins);
    QTextCursor cursor = RichEdit1->textCursor();
    richtext::insertPictureFile(cursor, fileName, room);
    RichEdit1->setTextCursor(cursor);
}

// The imported list is measured against what becomes the back picture: the
// editor's inner area.
void TBackForm::ImportTracksClick()
{
    if (!ImportDialog) {
        ImportDialog = new trackimport::TrackImportDialog(this);
        ImportDialog->setWindowModality(Qt::WindowModal);
        connect(ImportDialog, &trackimport::TrackImportDialog::trackListWritten, this, [this] {
            RichEdit1->moveCursor(QTextCursor::Start); // show the list from its top
            ChangedB = true;
        });
    }
    const QSizeF area(
        kBackPictureSize.width(), kBackPictureSize.height() - 2 * RichEdit1->frameWidth());
    ImportDialog->setTarget({ RichEdit1->document(), RichEdit1->font(), area,
        rightEdgeTabPosition(area.width(), RichEdit1->document()->documentMargin()) });
    ImportDialog->open();
}

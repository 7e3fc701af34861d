// The back-text editor's controls, built from the design at 120 pixels per
// inch, its texts in the user's language and its size rule.

#include "backtext/Back.h"

#include "backtext/EditorScrollBar.h"
#include "backtext/FormatBar.h"
#include "backtext/FormatIcons.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTextEdit>

using platform::scaled;

namespace {

constexpr int kPanel1Height = 165;
constexpr int kPanel2Height = 78;
constexpr int kLabelHeight = 82;
// A Windows rich-text box has tab stops every half inch: 720 twips, which
// the rich-text files count at 15 twips to the pixel.
constexpr qreal kDefaultTabDistance = 48;

QPushButton* createButton(QWidget* parent, int width, int height)
{
    auto* button = new QPushButton(parent);
    button->resize(scaled(width), scaled(height));
    return button;
}

QFrame* createPanel(QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAutoFillBackground(true);
    return panel;
}

} // namespace

void TBackForm::createControls()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPixelSize(scaled(17));
    setFont(windowFont);

    Panel1 = createPanel(this);
    LeesButton = createButton(Panel1, 96, 42);
    LeesButton->move(scaled(80), scaled(22));
    SaveButton = createButton(Panel1, 100, 42);
    SaveButton->move(0, scaled(22));
    Label1 = new QLabel(Panel1);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(false);

    RichEdit1 = new QTextEdit(this);
    // The sunken two-pixel border of a Windows edit box, so the inner area is
    // exactly the back picture's width.
    RichEdit1->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    new EditorScrollBar(RichEdit1);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    RichEdit1->setAcceptRichText(true);
    // Tab types a tab, for the columns of a track list; Ctrl+Tab and
    // Shift+Tab move on to the other controls.
    RichEdit1->setTabChangesFocus(false);
    RichEdit1->setFocusPolicy(Qt::StrongFocus);
    QFont editorFont(QStringLiteral("Arial"));
    editorFont.setPointSize(12);
    RichEdit1->setFont(editorFont);
    RichEdit1->setTabStopDistance(kDefaultTabDistance);
    formatBar = new FormatBar(RichEdit1, this);
    insertPictureAction = formatBar->addCommand(QString(), [this] { insertPicture(); });
    // An icon: the bar has room for one more text command beside it.
    insertPictureAction->setIcon(formaticons::picture());

    Panel2 = createPanel(this);
    OKButton = createButton(Panel2, 283, 38);
    OKButton->move(0, scaled(20));
    CancelButton = createButton(Panel2, 121, 38);
    CancelButton->move(0, scaled(20));

    setTabOrder(LeesButton, SaveButton);
    setTabOrder(SaveButton, formatBar->sizeBox); // the font box comes before it when made
    setTabOrder(formatBar->sizeBox, RichEdit1);
    setTabOrder(RichEdit1, OKButton);
    setTabOrder(OKButton, CancelButton);

    auto* leaveText = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), RichEdit1);
    leaveText->setContext(Qt::WidgetShortcut);
    connect(leaveText, &QShortcut::activated, this, [this] { focusNextPrevChild(true); });
    auto* closeWindow = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeWindow, &QShortcut::activated, this, &QWidget::close);
}

// Made on first use: a file dialog builds a file system model, icons and
// image readers, which a start of the program does not need.
QFileDialog* TBackForm::openDialog()
{
    if (!OpenDialog1) {
        OpenDialog1 = new QFileDialog(this);
        OpenDialog1->setFileMode(QFileDialog::ExistingFile);
        OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    }
    return OpenDialog1;
}

void TBackForm::connectControls()
{
    using platform::guarded;
    connect(LeesButton, &QPushButton::clicked, this, guarded([this] { LeesButtonClick(); }));
    connect(SaveButton, &QPushButton::clicked, this, guarded([this] { SaveButtonClick(); }));
    connect(OKButton, &QPushButton::clicked, this, guarded([this] { OKButtonClick(); }));
    connect(CancelButton, &QPushButton::clicked, this, guarded([this] { CancelButtonClick(); }));
    ImportTracksAction = formatBar->addCommand(
        localText("Nummers importeren...", "Import tracks..."), [this] { ImportTracksClick(); });
    // The dots tell that a window follows; a tool button would drop them.
    ImportTracksAction->setIconText(ImportTracksAction->text());
}

void TBackForm::FormCreate()
{
    setWindowTitle(ProgNam + QStringLiteral(" - Tekst achterkant"));
    LeesButton->setText(localText("&Lees", "&Read"));
    SaveButton->setText(localText("&Bewaar", "&Save"));
    OKButton->setText(localText("&Kopieer naar Achterkant", "&Copy to Back Cover"));
    CancelButton->setText(localText("Annuleren", "Cancel"));
    insertPictureAction->setText(localText("Afbeelding invoegen...", "Insert picture..."));
    insertPictureAction->setToolTip(insertPictureAction->text());
    // The instructions name the button that copies: there is no OK button.
    const QString lineBreak = QStringLiteral("\n\r");
    Label1->setText(isDutch() ? QStringLiteral("Stel hier de lijst met nummers samen.") + lineBreak
                + QStringLiteral("Klik vervolgens op Kopieer naar Achterkant om de lijst")
                + lineBreak + QStringLiteral("naar de layout in het hoofdscherm te kopi\u00EBren.")
                              : QStringLiteral("Enter the contents list in here.") + lineBreak
                + QStringLiteral("Next click Copy to Back Cover to copy the list") + lineBreak
                + QStringLiteral("to the layout in the Main screen."));
}

// The client area is 556 pixels wide and leaves the editor 556 × 472 pixels
// between the formatting bar and the bottom panel whatever the screen's
// resolution, so that its inner area matches the back picture. Any other size
// snaps back.
void TBackForm::FormResize()
{
    const int panel1Height = scaled(kPanel1Height);
    const int barHeight = formatBar->sizeHint().height();
    const int panel2Height = scaled(kPanel2Height);
    const int editorHeight = kBackPictureSize.height();
    const int editorTop = panel1Height + barHeight;
    const QSize wanted(kClientWidth, editorTop + editorHeight + panel2Height);
    if (size() != wanted || minimumSize() != wanted || maximumSize() != wanted)
        setFixedSize(wanted);

    Panel1->setGeometry(0, 0, kClientWidth, panel1Height);
    formatBar->setGeometry(0, panel1Height, kClientWidth, barHeight);
    RichEdit1->setGeometry(0, editorTop, kClientWidth, editorHeight);
    Panel2->setGeometry(0, editorTop + editorHeight, kClientWidth, panel2Height);

    const QRect inside = Panel1->contentsRect();
    const int labelHeight = scaled(kLabelHeight);
    Label1->setGeometry(
        inside.left(), inside.bottom() + 1 - labelHeight, inside.width(), labelHeight);

    OKButton->move(LeesButton->x(), OKButton->y());
    SaveButton->move(kClientWidth - SaveButton->width() - LeesButton->x(), SaveButton->y());
    CancelButton->move(SaveButton->x(), CancelButton->y());
}

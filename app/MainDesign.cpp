// The main window's controls, built from the design at 120 pixels per inch,
// and its texts in the user's language.

#include "app/Main.h"

#include "app/PictureBox.h"
#include "inlay/LayoutSheet.h"
#include "platform/DesignScale.h"
#include "platform/ErrorReport.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "support/Support.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>

namespace {

constexpr int kPanelHeight = 179;
constexpr int kSpineTextLimit = 51;
constexpr int kUpdateDelayMs = 60000;

// The maker's line for the about window, in one place.
const QString kCopyrightHolder = QStringLiteral("\u00AE 2002-2026 Velmora Software");
const QString kMakerTown = QStringLiteral("Utrecht");
const QString kMakerCountry = QStringLiteral("The Netherlands");

QPushButton* createButton(QWidget* parent, int left, int top, int width, int height)
{
    auto* button = new QPushButton(parent);
    platform::placeByDesign(button, left, top, width, height);
    return button;
}

PictureBox* createPictureBox(QWidget* parent, const QRect& box)
{
    auto* pictureBox = new PictureBox(parent);
    pictureBox->setGeometry(box); // sheet pixels, never scaled
    return pictureBox;
}

} // namespace

void TMainForm::createControls()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Verdana"), 10));
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, Qt::white);
    setPalette(windowPalette);
    setAutoFillBackground(true);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    NieuwButton = createButton(Panel1, 17, 41, 168, 42);
    FrontButton = createButton(Panel1, 199, 14, 168, 42);
    BackButton = createButton(Panel1, 199, 64, 168, 42);
    LeesProjectButton = createButton(Panel1, 385, 14, 168, 42);
    BewaarProjectButton = createButton(Panel1, 385, 64, 168, 42);
    PrintButton = createButton(Panel1, 568, 41, 168, 42);
    HelpButton = createButton(Panel1, 752, 14, 168, 42);
    AboutButton = createButton(Panel1, 752, 64, 168, 42);

    Bevel1 = new QFrame(Panel1);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    platform::placeByDesign(Bevel1, 0, 118, 1098, 5);

    Label1 = new QLabel(Panel1);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    platform::placeByDesign(Label1, 26, 139, 278, 20);

    Edit1 = new QLineEdit(Panel1);
    Edit1->setMaxLength(kSpineTextLimit);
    Edit1->setText(QStringLiteral("Deze tekst komt op de Splines"));
    platform::placeByDesign(Edit1, 310, 136, 499, 30);

    PastoeButton = createButton(Panel1, 820, 131, 100, 38);

    ScrollBox1 = new QScrollArea(this);
    // The whole layout is always on the sheet; a view too narrow for it
    // scrolls sideways.
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // With the bar always there the sheet's width is known before the first
    // drawing, and it is the same on every screen.
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScrollBox1->verticalScrollBar()->setTracking(true);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    Image1 = new SheetImage;
    ScrollBox1->setWidget(Image1);
    ScrollBox1->viewport()->installEventFilter(this);

    Image2 = createPictureBox(Image1, sheet::kFrontBox);
    Image3 = createPictureBox(Image1, sheet::kBackBox);
    Image3l = createPictureBox(Image1, sheet::kLeftSpineBox);
    Image3r = createPictureBox(Image1, sheet::kRightSpineBox);

    setTabOrder(Edit1, PastoeButton);
    setTabOrder(PastoeButton, FrontButton);
    setTabOrder(FrontButton, BackButton);
    setTabOrder(BackButton, LeesProjectButton);
    setTabOrder(LeesProjectButton, BewaarProjectButton);
    setTabOrder(BewaarProjectButton, NieuwButton);
    setTabOrder(NieuwButton, PrintButton);
    setTabOrder(PrintButton, HelpButton);
    setTabOrder(HelpButton, AboutButton);

    UpdateTimer = new QTimer(this);
    UpdateTimer->setSingleShot(true);
    UpdateTimer->setInterval(kUpdateDelayMs);
}

void TMainForm::connectControls()
{
    using platform::guarded;
    connect(NieuwButton, &QPushButton::clicked, this, guarded([this] { NieuwButtonClick(); }));
    connect(FrontButton, &QPushButton::clicked, this, guarded([this] { FrontButtonClick(); }));
    connect(BackButton, &QPushButton::clicked, this, guarded([this] { BackButtonClick(); }));
    connect(LeesProjectButton, &QPushButton::clicked, this,
        guarded([this] { LeesProjectButtonClick(); }));
    connect(BewaarProjectButton, &QPushButton::clicked, this,
        guarded([this] { BewaarProjectButtonClick(); }));
    connect(PrintButton, &QPushButton::clicked, this, guarded([this] { PrintButtonClick(); }));
    connect(HelpButton, &QPushButton::clicked, this, guarded([this] { HelpButtonClick(); }));
    connect(AboutButton, &QPushButton::clicked, this, guarded([this] { AboutButtonClick(); }));
    connect(PastoeButton, &QPushButton::clicked, this, guarded([this] { PastoeButtonClick(); }));
    // Enter in the spine-text field applies it, as the Apply button does.
    connect(Edit1, &QLineEdit::returnPressed, this, guarded([this] { PastoeButtonClick(); }));
    connect(UpdateTimer, &QTimer::timeout, this, guarded([this] { UpdateTimerTimer(); }));

    const auto addShortcut = [this](QKeySequence::StandardKey key, QPushButton* button) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
    };
    addShortcut(QKeySequence::New, NieuwButton);
    addShortcut(QKeySequence::Open, LeesProjectButton);
    addShortcut(QKeySequence::Save, BewaarProjectButton);
    addShortcut(QKeySequence::Print, PrintButton);
    addShortcut(QKeySequence::HelpContents, HelpButton);
}

void TMainForm::setTexts()
{
    Version = localText("versie 1.00d", "version 1.00c");
    Copyright = kCopyrightHolder + QStringLiteral(", ") + (isDutch() ? kMakerTown : kMakerCountry);
    m_helpFile = QStringLiteral("qzLayer_n.html");
    // Each caption has a letter of its own for Alt, in either language.
    NieuwButton->setText(localText("&Nieuw", "&New"));
    FrontButton->setText(localText("Lees &Voorfoto", "Read &Front Picture"));
    BackButton->setText(localText("Lees &Achtertekst", "Read &Back Text"));
    LeesProjectButton->setText(localText("&Lees Project", "&Read Project"));
    BewaarProjectButton->setText(localText("&Bewaar Project", "&Save Project"));
    PrintButton->setText(localText("&Druk Af", "&Print"));
    HelpButton->setText(localText("&Help", "&Help"));
    AboutButton->setText(localText("&Over qzLayer", "&About..."));
    PastoeButton->setText(localText("&Pas Toe", "Appl&y"));
    Label1->setText(
        localText("&Geef de tekst voor de zijkanten:", "&Enter the Text for the Splines:"));
    Label1->setBuddy(Edit1);
}

void TMainForm::layOutControls()
{
    const int panelHeight = platform::scaled(kPanelHeight);
    Panel1->setGeometry(0, 0, width(), panelHeight);
    ScrollBox1->setGeometry(0, panelHeight, width(), std::max(height() - panelHeight, 0));
}

// The sheet control fills the view and holds at least the whole layout, so
// the view scrolls over 1188 pixels, and sideways where it is narrower than
// the layout.
void TMainForm::fitSheetToView()
{
    Image1->resize(sheet::sheetSize(ScrollBox1->viewport()->size()));
}

void TMainForm::placePictureBoxes()
{
    Image2->setGeometry(sheet::kFrontBox);
    Image3->setGeometry(sheet::kBackBox);
    Image3l->setGeometry(sheet::kLeftSpineBox);
    Image3r->setGeometry(sheet::kRightSpineBox);
}

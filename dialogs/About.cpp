#include "dialogs/About.h"

#include "dialogs/AuthorInfo.h"
#include "dialogs/BevelPanel.h"
#include "dialogs/DeferredIcon.h"
#include "dialogs/MemoText.h"
#include "dialogs/MessForm.h"
#include "platform/Shell.h"
#include "support/Language.h"
#include "support/SharedState.h"
#include "support/Support.h"
#include "support/UpdateCheckSetting.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>

TAboutBox* AboutBox = nullptr;

namespace {

QFont pixelFont(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

QLabel* makeLabel(QWidget* parent, QRect rect, const QFont& font)
{
    auto* label = new QLabel(parent);
    label->setGeometry(rect);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

QFrame* makeSunkenBox(QWidget* parent, QRect rect)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(rect);
    return frame;
}

QPushButton* makeLinkButton(QWidget* parent, const QString& caption, QRect rect)
{
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(rect);
    QFont font = pixelFont(QStringLiteral("Arial"), 15);
    font.setUnderline(true);
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Qt::blue);
    button->setPalette(palette);
    return button;
}

QPushButton* makeOkButton(QWidget* parent, QSize size)
{
    auto* button = new QPushButton(QStringLiteral("OK"), parent);
    setStandardIconWhenShown(button, QStyle::SP_DialogOkButton);
    button->resize(size);
    button->setDefault(true);
    return button;
}

// A round question mark; the icon greys it by itself for the disabled state.
QIcon questionMarkIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 70, 200));
    painter.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
    return QIcon(pixmap);
}

QString percentEncoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

TAboutBox::TAboutBox(TMessageForm& messageForm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_messageForm(messageForm)
{
    // The design is in screen pixels and is not scaled.
    setFont(pixelFont(QStringLiteral("Verdana"), 17));
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);

    createControls();
    FormCreate();
    showMainPage(true);

    connect(AutorBtn, &QToolButton::clicked, this, &TAboutBox::AutorBtnClick);
    connect(MailBtn, &QPushButton::clicked, this, &TAboutBox::MailBtnClick);
    connect(HomeBtn, &QPushButton::clicked, this, &TAboutBox::HomeBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TAboutBox::OKBtnClick);
    connect(OKBtn1, &QPushButton::clicked, this, &TAboutBox::OKBtn1Click);
    connect(UpdateCheckBox, &QCheckBox::toggled, this, &setCheckForUpdatesAtStart);
}

void TAboutBox::createControls()
{
    // The author page lies beneath the main page.
    Memo1 = new QTextEdit(this);
    setUpMemo(Memo1, this->palette().color(QPalette::Button));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    OKBtn1 = makeOkButton(this, QSize(90, 33));

    BevelPanel::Frame frame;
    frame.outer = BevelPanel::Bevel::Raised;
    frame.inner = BevelPanel::Bevel::Lowered;
    frame.bevelWidth = 2;
    MainPanel = new BevelPanel(frame, this);

    QFont nameFont = pixelFont(QStringLiteral("Verdana"), 55);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    NameLabel = makeLabel(MainPanel, QRect(5, 22, 0, 63), nameFont);
    VersionLabel
        = makeLabel(MainPanel, QRect(5, 91, 0, 20), pixelFont(QStringLiteral("Arial"), 17));
    Bevel3 = makeSunkenBox(MainPanel, QRect(20, 130, 416, 29));
    CopyrightLabel
        = makeLabel(MainPanel, QRect(27, 135, 376, 18), pixelFont(QStringLiteral("Verdana"), 13));

    AutorBtn = new QToolButton(MainPanel);
    AutorBtn->setGeometry(410, 134, 19, 21);
    setIconWhenShown(AutorBtn, questionMarkIcon);
    AutorBtn->setIconSize(QSize(16, 16));
    AutorBtn->setAutoRaise(true);

    Bevel2 = makeSunkenBox(MainPanel, QRect(20, 178, 416, 55));
    Label1 = makeLabel(MainPanel, QRect(28, 183, 399, 22), font());
    Label2 = makeLabel(MainPanel, QRect(28, 205, 400, 24), font());

    MailBtn = makeLinkButton(MainPanel, QStringLiteral("Mail"), QRect(51, 250, 90, 34));
    OKBtn = makeOkButton(MainPanel, QSize(90, 34));
    OKBtn->move(0, 251);
    HomeBtn = makeLinkButton(MainPanel, QStringLiteral("Home"), QRect(0, 250, 90, 34));
    UpdateCheckBox = new QCheckBox(MainPanel);
    UpdateCheckBox->setGeometry(20, 297, 416, 24);

    const QList<QAbstractButton*> buttons { AutorBtn, MailBtn, OKBtn, HomeBtn, OKBtn1 };
    for (QAbstractButton* button : buttons)
        button->setCursor(Qt::PointingHandCursor);
}

void TAboutBox::FormCreate()
{
    const int clientWidth = Bevel2->width() + 2 * Bevel2->x();
    const int clientHeight = UpdateCheckBox->y() + UpdateCheckBox->height() + 12;
    setFixedSize(clientWidth, clientHeight);

    NameLabel->resize(clientWidth - 2 * NameLabel->x(), NameLabel->height());
    VersionLabel->resize(clientWidth - 2 * VersionLabel->x(), VersionLabel->height());
    HomeBtn->move(clientWidth - HomeBtn->width() - MailBtn->x(), HomeBtn->y());
    OKBtn->move((clientWidth - OKBtn->width()) / 2, OKBtn->y());
    OKBtn1->move(OKBtn->pos());

    MainPanel->setGeometry(0, 0, clientWidth, clientHeight);
    Memo1->setGeometry(0, 0, clientWidth, clientHeight);
}

QStringList TAboutBox::mailTemplate()
{
    QStringList lines;
    lines << localText("Hallo ", "Hello ") + AuthorInfo::FirstName << QString()
          << localText("Ik vond op je Home Page het programma qzLayer.",
                 "On your Home Page I found the program qzLayer.")
          << QString()
          << localText("Ik wil hierover het volgende kwijt:", "I want to let you know:");
    for (int i = 0; i < 5; ++i)
        lines << QString();
    lines << localText("Met vriendelijke groet,", "Kind regards,");
    return lines;
}

QStringList TAboutBox::authorPage()
{
    using namespace AuthorInfo;
    if (isDutch())
        return { QString(), QStringLiteral("Het programma qzLayer is geschreven door"), QString(),
            Name, Street, PostcodeAndTown, PhoneNational, EMail, HomePage, QString(),
            QStringLiteral("Schrijf, bel of mail voor nadere informatie!") };
    return { QString(), QStringLiteral("qzLayer has been written by:"), QString(), Name, Street,
        CountryCode + PostcodeAndTown, CountryName, PhoneInternational, EMail, HomePage, QString(),
        QStringLiteral("Write, Phone or Mail for more information.") };
}

QString TAboutBox::mailLink(const QStringList& mailLines)
{
    const QString subject = QStringLiteral("Programma ") + ProgNam + QStringLiteral(", ") + Version;
    QStringList encodedLines;
    for (const QString& line : mailLines)
        encodedLines << percentEncoded(line);
    return QStringLiteral("mailto:") + AuthorInfo::EMail + QStringLiteral("?Subject=")
        + percentEncoded(subject) + QStringLiteral("&Body=")
        + encodedLines.join(QStringLiteral("%0D%0A"));
}

void TAboutBox::showEvent(QShowEvent* event)
{
    // The window always opens on its main page.
    showMainPage(true);
    FormShow();
    QDialog::showEvent(event);
}

void TAboutBox::FormShow()
{
    NameLabel->setText(ProgNam);
    VersionLabel->setText(Version);
    CopyrightLabel->setText(Copyright);

    setWindowTitle(ProgNam + localText(" - Informatie", " - About"));
    Label1->setText(
        localText("qzLayer is een eenvoudig programma om", "qzLayer is a simple program to print"));
    Label2->setText(localText("inlays voor CD-doosjes te maken.", "inlays for CD boxes."));
    OKBtn->setToolTip(localText("Verlaat Info-venster", "Close About Window"));
    MailBtn->setToolTip(localText("Stuur e-mail naar auteur", "Send e-mail to the author"));
    HomeBtn->setToolTip(localText("Toon Home Page in Browser", "Show Home Page in Browser"));
    OKBtn1->setToolTip(localText("Verlaat Informatie-scherm", "Close About Window"));
    AutorBtn->setToolTip(QStringLiteral("Toon informatie"));
    UpdateCheckBox->setText(checkForUpdatesAtStartText());
    UpdateCheckBox->setChecked(checkForUpdatesAtStart());

    MailMemo = mailTemplate();
    setMemoLines(Memo1, authorPage());
    QTextCursor cursor(Memo1->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);

    if (MainPanel->isVisibleTo(this))
        OKBtn->setFocus(Qt::OtherFocusReason);
}

void TAboutBox::showMainPage(bool main)
{
    MainPanel->setVisible(main);
    // Kept hidden, not only covered, so Tab and Enter never reach the other page.
    Memo1->setVisible(!main);
    OKBtn1->setVisible(!main);
}

void TAboutBox::AutorBtnClick()
{
    showMainPage(false);
    OKBtn1->setFocus(Qt::OtherFocusReason);
    setWindowTitle(ProgNam + localText(" - Informatie", " - Information"));
}

void TAboutBox::MailBtnClick()
{
    openWithShell(
        mailLink(MailMemo), localText("E-mail is in de fout gegaan.", "Error sending E-mail."));
}

void TAboutBox::HomeBtnClick()
{
    openWithShell(AuthorInfo::HomePage, localText("Browser niet geopend.", "Browser not opened."));
}

void TAboutBox::openWithShell(const QString& target, const QString& failureText)
{
    if (platform::shellExecute({ target, QString() }) > 32)
        return;
    const QRect frame = frameGeometry();
    m_messageForm.Execute(
        frame.top(), frame.left(), frame.height(), frame.width(), failureText, QString(), 3000);
}

void TAboutBox::OKBtnClick()
{
    accept();
}

void TAboutBox::OKBtn1Click()
{
    showMainPage(true);
    accept();
}

void TAboutBox::keyPressEvent(QKeyEvent* event)
{
    // No cancel button: Escape does nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

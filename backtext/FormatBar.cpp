#include "backtext/FormatBar.h"

#include "backtext/FormatIcons.h"
#include "platform/ErrorReport.h"
#include "support/Language.h"

#include <QAction>
#include <QActionGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// Sizes a user can type; larger ones make no sense on a 12 cm inlay.
constexpr qreal kSmallestSize = 1;
constexpr qreal kLargestSize = 400;
// A right tab stop this close to the right edge counts as the edge's, so
// one set before the scroll bar appeared still shows as set.
constexpr qreal kEdgeTolerance = 24;

QToolBar* createRow(QWidget* parent)
{
    auto* row = new QToolBar(parent);
    row->setMovable(false);
    row->setFloatable(false);
    const int iconSize = row->style()->pixelMetric(QStyle::PM_SmallIconSize);
    row->setIconSize(QSize(iconSize, iconSize));
    return row;
}

QString sizeText(qreal pointSize)
{
    return QLocale().toString(pointSize, 'g', 4);
}

bool isRightEdgeTab(const QTextOption::Tab& tab, qreal edge)
{
    return tab.type == QTextOption::RightTab && tab.position >= edge - kEdgeTolerance;
}

// A line's own tab stops replace the regular ones before them, so a line
// with only the edge's stop would send its first tab there. A track line
// "1.<tab>Title<tab>3:45" keeps its title where the first regular stop put it.
QList<QTextOption::Tab> withRightEdgeTab(
    QList<QTextOption::Tab> tabs, bool on, qreal edge, const QTextOption& regular)
{
    const QTextOption::Tab titleColumn(regular.tabStopDistance(), QTextOption::LeftTab);
    tabs.removeIf([edge](const QTextOption::Tab& tab) { return isRightEdgeTab(tab, edge); });
    if (!on) {
        if (tabs == QList<QTextOption::Tab> { titleColumn })
            tabs.clear(); // the stop this command added goes with it
        return tabs;
    }
    if (tabs.isEmpty() && titleColumn.position < edge)
        tabs.append(titleColumn);
    tabs.append(QTextOption::Tab(edge, QTextOption::RightTab));
    return tabs;
}

// The paragraphs a selection touches; a selection that ends at the start of
// a paragraph does not take that paragraph in.
std::pair<QTextBlock, QTextBlock> selectedBlocks(const QTextCursor& cursor)
{
    const QTextDocument* document = cursor.document();
    const QTextBlock first = document->findBlock(cursor.selectionStart());
    QTextBlock last = document->findBlock(cursor.selectionEnd());
    if (cursor.hasSelection() && last != first && last.position() == cursor.selectionEnd())
        last = last.previous();
    return { first, last };
}

} // namespace

qreal rightEdgeTabPosition(qreal textWidth, qreal documentMargin)
{
    return std::max<qreal>(0, textWidth - 2 * documentMargin - 1);
}

FormatBar::FormatBar(QTextEdit* editor, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor)
{
    createControls();
    setTexts();
    connectEditor();
    showCharFormat(m_editor->currentCharFormat());
    showParagraphFormat();
}

QAction* FormatBar::addToggle(QToolBar* row, const QKeySequence& shortcut)
{
    QAction* action = row->addAction(QString());
    action->setCheckable(true);
    action->setShortcut(shortcut);
    return action;
}

void FormatBar::createControls()
{
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    characterRow = createRow(this);
    paragraphRow = createRow(this);
    rows->addWidget(characterRow);
    rows->addWidget(paragraphRow);

    sizeBox = new QComboBox(characterRow);
    sizeBox->setEditable(true);
    sizeBox->setInsertPolicy(QComboBox::NoInsert);
    for (int size : QFontDatabase::standardSizes())
        sizeBox->addItem(QString::number(size));
    sizeBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    sizeBox->setMinimumContentsLength(3);
    characterRow->addWidget(sizeBox);

    QFont bold;
    bold.setBold(true);
    QFont italic;
    italic.setItalic(true);
    QFont underline;
    underline.setUnderline(true);
    boldAction = addToggle(characterRow, QKeySequence::Bold);
    boldAction->setIcon(formaticons::letter(u'B', bold));
    italicAction = addToggle(characterRow, QKeySequence::Italic);
    italicAction->setIcon(formaticons::letter(u'I', italic));
    underlineAction = addToggle(characterRow, QKeySequence::Underline);
    underlineAction->setIcon(formaticons::letter(u'U', underline));
    colorAction = characterRow->addAction(QString());
    characterRow->addSeparator();
    undoAction = characterRow->addAction(formaticons::turnArrow(false), QString());
    undoAction->setShortcut(QKeySequence::Undo);
    redoAction = characterRow->addAction(formaticons::turnArrow(true), QString());
    redoAction->setShortcut(QKeySequence::Redo);

    m_alignment = new QActionGroup(this);
    alignLeftAction = addToggle(paragraphRow, QKeySequence(Qt::CTRL | Qt::Key_L));
    alignLeftAction->setIcon(formaticons::alignment(Qt::AlignLeft));
    alignCenterAction = addToggle(paragraphRow, QKeySequence(Qt::CTRL | Qt::Key_E));
    alignCenterAction->setIcon(formaticons::alignment(Qt::AlignHCenter));
    alignRightAction = addToggle(paragraphRow, QKeySequence(Qt::CTRL | Qt::Key_R));
    alignRightAction->setIcon(formaticons::alignment(Qt::AlignRight));
    for (QAction* action : { alignLeftAction, alignCenterAction, alignRightAction })
        m_alignment->addAction(action);
    paragraphRow->addSeparator();
    rightTabAction = addToggle(paragraphRow, QKeySequence());
    rightTabAction->setIcon(formaticons::rightTab());
    // The label says what it is for; an icon alone would not.
    if (auto* button = qobject_cast<QToolButton*>(paragraphRow->widgetForAction(rightTabAction)))
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

void FormatBar::setTexts()
{
    sizeBox->setToolTip(localText("Tekengrootte", "Font size"));
    const auto describe = [](QAction* action, const QString& text) {
        action->setText(text);
        const QString keys = action->shortcut().toString(QKeySequence::NativeText);
        action->setToolTip(keys.isEmpty() ? text : text + QStringLiteral(" (") + keys + ')');
    };
    describe(boldAction, localText("Vet", "Bold"));
    describe(italicAction, localText("Cursief", "Italic"));
    describe(underlineAction, localText("Onderstrepen", "Underline"));
    describe(colorAction, localText("Tekstkleur...", "Text colour..."));
    describe(undoAction, localText("Ongedaan maken", "Undo"));
    describe(redoAction, localText("Opnieuw", "Redo"));
    describe(alignLeftAction, localText("Links uitlijnen", "Align left"));
    describe(alignCenterAction, localText("Centreren", "Centre"));
    describe(alignRightAction, localText("Rechts uitlijnen", "Align right"));
    rightTabAction->setText(localText("Tijden rechts", "Durations on the right"));
    rightTabAction->setToolTip(
        localText("Tekst na een tab komt tegen de rechterrand, zoals de speelduur van een "
                  "nummer. Geldt voor de gekozen regels.",
            "Text after a tab goes against the right edge, like the duration of a track. "
            "Applies to the selected lines."));
}

void FormatBar::connectEditor()
{
    using platform::guarded;
    // A size picked from the list; a typed one arrives through eventFilter().
    connect(sizeBox, &QComboBox::textActivated, this,
        [this](const QString& text) { platform::runGuarded([&] { chooseFontSize(text); }); });
    sizeBox->lineEdit()->installEventFilter(this);
    connect(boldAction, &QAction::triggered, this, [this](bool on) {
        QTextCharFormat format;
        format.setFontWeight(on ? QFont::Bold : QFont::Normal);
        mergeFormat(format);
    });
    connect(italicAction, &QAction::triggered, this, [this](bool on) {
        QTextCharFormat format;
        format.setFontItalic(on);
        mergeFormat(format);
    });
    connect(underlineAction, &QAction::triggered, this, [this](bool on) {
        QTextCharFormat format;
        format.setFontUnderline(on);
        mergeFormat(format);
    });
    connect(colorAction, &QAction::triggered, this, guarded([this] { chooseColor(); }));
    connect(undoAction, &QAction::triggered, m_editor, &QTextEdit::undo);
    connect(redoAction, &QAction::triggered, m_editor, &QTextEdit::redo);
    connect(m_editor, &QTextEdit::undoAvailable, undoAction, &QAction::setEnabled);
    connect(m_editor, &QTextEdit::redoAvailable, redoAction, &QAction::setEnabled);
    undoAction->setEnabled(m_editor->document()->isUndoAvailable());
    redoAction->setEnabled(m_editor->document()->isRedoAvailable());

    const auto align = [this](Qt::Alignment alignment) {
        m_editor->setAlignment(alignment);
        returnToText();
    };
    connect(alignLeftAction, &QAction::triggered, this,
        [align] { align(Qt::AlignLeft | Qt::AlignAbsolute); });
    connect(alignCenterAction, &QAction::triggered, this, [align] { align(Qt::AlignHCenter); });
    connect(alignRightAction, &QAction::triggered, this,
        [align] { align(Qt::AlignRight | Qt::AlignAbsolute); });
    connect(rightTabAction, &QAction::triggered, this, [this](bool on) { setRightTab(on); });

    connect(m_editor, &QTextEdit::currentCharFormatChanged, this, &FormatBar::showCharFormat);
    connect(m_editor, &QTextEdit::cursorPositionChanged, this, &FormatBar::showParagraphFormat);
}

// Listing the system's fonts takes a while on a desktop with many of them,
// so the font box is made when the bar is first seen, not at start.
void FormatBar::showEvent(QShowEvent* event)
{
    if (!fontBox)
        createFontBox();
    QWidget::showEvent(event);
}

void FormatBar::createFontBox()
{
    fontBox = new QFontComboBox(characterRow);
    fontBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fontBox->setMinimumContentsLength(12);
    fontBox->setToolTip(localText("Lettertype", "Font"));
    characterRow->insertWidget(characterRow->actions().constFirst(), fontBox);
    // In the Tab order just before the size box.
    QWidget* before = sizeBox->previousInFocusChain();
    setTabOrder(before, fontBox);
    setTabOrder(fontBox, sizeBox);
    connect(fontBox, &QComboBox::textActivated, this,
        platform::guarded([this] { chooseFontFamily(fontBox->currentFont().family()); }));
    showCharFormat(m_editor->currentCharFormat());
}

QAction* FormatBar::addCommand(const QString& text, std::function<void()> command)
{
    QAction* action = paragraphRow->addAction(text);
    connect(action, &QAction::triggered, this, platform::guarded(std::move(command)));
    return action;
}

// Enter in the size box applies what was typed. The box itself would
// activate one of its list's sizes instead when the typed one is not in it.
bool FormatBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == sizeBox->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QString typed = sizeBox->lineEdit()->text();
            platform::runGuarded([&] { chooseFontSize(typed); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FormatBar::setColorChooser(ColorChooser chooser)
{
    m_chooseColor = std::move(chooser);
}

// With a selection the format goes onto it; without, onto what is typed next.
void FormatBar::mergeFormat(const QTextCharFormat& format)
{
    m_editor->mergeCurrentCharFormat(format);
    returnToText();
}

void FormatBar::chooseFontFamily(const QString& family)
{
    QTextCharFormat format;
    format.setFontFamilies({ family });
    mergeFormat(format);
}

void FormatBar::chooseFontSize(const QString& size)
{
    bool ok = false;
    qreal points = QLocale().toDouble(size, &ok);
    if (!ok)
        points = QLocale::c().toDouble(size, &ok);
    if (!ok || points < kSmallestSize || points > kLargestSize) {
        showCharFormat(m_editor->currentCharFormat()); // back to the size at the cursor
        throw platform::UserError(localText("De tekengrootte moet een getal van 1 tot 400 zijn",
            "The font size must be a number from 1 to 400"));
    }
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeFormat(format);
}

void FormatBar::chooseColor()
{
    const QColor current = m_editor->textColor();
    const QColor chosen = m_chooseColor
        ? m_chooseColor(current)
        : QColorDialog::getColor(current, window(), localText("Tekstkleur", "Text colour"));
    if (!chosen.isValid())
        return;
    QTextCharFormat format;
    format.setForeground(chosen);
    mergeFormat(format);
}

void FormatBar::setRightTab(bool on)
{
    const QTextDocument* document = m_editor->document();
    const qreal edge = rightEdgeTabPosition(document->textWidth(), document->documentMargin());
    QTextCursor editing = m_editor->textCursor();
    const auto [first, last] = selectedBlocks(editing);
    editing.beginEditBlock(); // one step to undo
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        format.setTabPositions(
            withRightEdgeTab(format.tabPositions(), on, edge, document->defaultTextOption()));
        QTextCursor(block).setBlockFormat(format);
        if (block == last)
            break;
    }
    editing.endEditBlock();
    returnToText();
}

void FormatBar::showCharFormat(const QTextCharFormat& format)
{
    const QFont font = format.font().resolve(m_editor->document()->defaultFont());
    if (fontBox)
        fontBox->setCurrentFont(font);
    sizeBox->setEditText(sizeText(font.pointSizeF()));
    boldAction->setChecked(font.bold());
    italicAction->setChecked(font.italic());
    underlineAction->setChecked(font.underline());
    const QColor color = format.hasProperty(QTextFormat::ForegroundBrush)
        ? format.foreground().color()
        : m_editor->palette().color(QPalette::Text);
    if (colorAction->icon().isNull() || colorAction->data().value<QColor>() != color) {
        colorAction->setData(color);
        colorAction->setIcon(formaticons::textColor(color));
    }
}

void FormatBar::showParagraphFormat()
{
    const Qt::Alignment alignment = m_editor->alignment();
    if (alignment & Qt::AlignHCenter)
        alignCenterAction->setChecked(true);
    else if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        alignRightAction->setChecked(true);
    else
        alignLeftAction->setChecked(true);

    const QTextDocument* document = m_editor->document();
    const qreal edge = rightEdgeTabPosition(document->textWidth(), document->documentMargin());
    const QList<QTextOption::Tab> tabs = m_editor->textCursor().blockFormat().tabPositions();
    rightTabAction->setChecked(std::any_of(tabs.begin(), tabs.end(),
        [edge](const QTextOption::Tab& tab) { return isRightEdgeTab(tab, edge); }));
}

// After a choice on the bar the user goes on typing.
void FormatBar::returnToText()
{
    m_editor->setFocus(Qt::OtherFocusReason);
}

#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

class QAction;
class QActionGroup;
class QComboBox;
class QFontComboBox;
class QTextCharFormat;
class QTextEdit;
class QToolBar;

// The back editor's formatting bar: font, size, bold, italic, underline, text
// colour, alignment, undo and redo, and a right-aligned tab stop at the right
// edge for the durations of a track list. It changes the editor's selection
// (or what is typed next) and shows the format at the cursor.
//
// Two rows, so the bar fits the editor's fixed width: the character format
// with undo and redo above, the paragraph format below. Other commands join
// the second row with addCommand().
class FormatBar : public QWidget
{
    Q_OBJECT

public:
    explicit FormatBar(QTextEdit* editor, QWidget* parent = nullptr);

    // Adds a command at the end of the bar, shown by its text. The command
    // runs through the general error report.
    QAction* addCommand(const QString& text, std::function<void()> command);

    // Asks for the text colour; an invalid colour means the user cancelled.
    // Tests replace the colour dialog.
    using ColorChooser = std::function<QColor(const QColor& current)>;
    void setColorChooser(ColorChooser chooser);

    QToolBar* characterRow = nullptr;
    QToolBar* paragraphRow = nullptr;
    QFontComboBox* fontBox = nullptr; // made when the bar is first shown
    QComboBox* sizeBox = nullptr;
    QAction* boldAction = nullptr;
    QAction* italicAction = nullptr;
    QAction* underlineAction = nullptr;
    QAction* colorAction = nullptr;
    QAction* alignLeftAction = nullptr;
    QAction* alignCenterAction = nullptr;
    QAction* alignRightAction = nullptr;
    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    QAction* rightTabAction = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void createFontBox();
    void setTexts();
    void connectEditor();
    QAction* addToggle(QToolBar* row, const QKeySequence& shortcut);
    void mergeFormat(const QTextCharFormat& format);
    void chooseFontFamily(const QString& family);
    void chooseFontSize(const QString& size);
    void chooseColor();
    void setRightTab(bool on);
    void showCharFormat(const QTextCharFormat& format);
    void showParagraphFormat();
    void returnToText();

    QTextEdit* m_editor;
    QActionGroup* m_alignment = nullptr;
    ColorChooser m_chooseColor;
};

// Where a right-aligned tab stop lands at the right edge of a text that is
// laid out textWidth pixels wide with documentMargin on either side: one pixel
// inside the edge, so a line that reaches the stop does not wrap.
qreal rightEdgeTabPosition(qreal textWidth, qreal documentMargin);

#pragma once

#include "richtext/RtfFormat.h"
#include "richtext/RtfOutput.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QStringList>

namespace richtext::rtf {

// Character formatting on its way into a file: the font and colour tables
// it builds up, and the control words that switch from one format to the
// next in the text.
class CharacterWriter
{
public:
    explicit CharacterWriter(const QFont& defaultFont);

    CharState charState(int formatIndex, const QTextCharFormat& format);
    // Writes the words that change the formatting in force to the wanted one.
    // Raised and lowered text is written by writeRun() alone.
    void switchTo(RtfOutput& out, const CharState& wanted);
    // A run of text; raised and lowered text goes in a group of its own,
    // since some readers take a paragraph end after "\super" outside a group
    // for one before it.
    void writeRun(RtfOutput& out, const CharState& state, QStringView text);
    // The formatting as absolute words, for a group that starts from "\plain".
    static void writeWhole(RtfOutput& out, const CharState& state);
    int colorIndex(const QColor& color);

    void writeFontTable(RtfOutput& out) const;
    void writeColorTable(RtfOutput& out) const;

private:
    CharState makeCharState(const QTextCharFormat& format);
    int fontIndex(const QString& family);
    int colorIndex(const QTextCharFormat& format, QTextFormat::Property property);
    static void writeChanges(RtfOutput& out, const CharState& now, const CharState& wanted);
    static void writeCaps(RtfOutput& out, Caps now, Caps wanted);

    const QFont m_defaultFont;
    CharState m_current;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QColor> m_colors;
    QHash<QRgb, int> m_colorIndex;
    QHash<int, CharState> m_charStates;
};

QString familyOf(const QFont& font);

} // namespace richtext::rtf

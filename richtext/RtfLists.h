#pragma once

#include <QString>
#include <QTextListFormat>

#include <array>

class QTextDocument;

// Bulleted and numbered lists as rich-text files describe them: a list table
// of up to nine levels per list ("\listtable", "\listoverridetable", "\ls",
// "\ilvl"), or the older per-paragraph form ("\pn"). A level's label is a
// bullet, or a number with text before and after it.
namespace richtext::rtf {

constexpr int kListLevels = 9;
// The first line of a list item hangs this far left of the item's text in
// the file, where the label goes; the document draws labels in the indent.
constexpr int kListHangTwips = 360;
// Text before and after a number is at most this long: a level's text
// counts its characters in one byte.
constexpr qsizetype kMaxLabelText = 100;

struct ListLevel
{
    QTextListFormat::Style style = QTextListFormat::ListDisc;
    QString prefix;
    QString suffix = QStringLiteral(".");

    bool operator==(const ListLevel&) const = default;
};

struct ListDefinition
{
    std::array<ListLevel, kListLevels> levels {};
    bool operator==(const ListDefinition&) const = default;
};

// The style of a "\levelnfc" number format; a bullet for 23 and for the
// formats the document cannot draw.
QTextListFormat::Style styleOfNumberFormat(int numberFormat);
// The "\levelnfc" number format of a style.
int numberFormatOfStyle(QTextListFormat::Style style);

// A level from its number format and its "\leveltext": a length character,
// then the label with the characters 0 to 8 standing for the numbers of the
// levels. Bullets are told apart by their character.
ListLevel levelFromText(int numberFormat, QStringView levelText, int level);
// The bullet style a label character draws.
QTextListFormat::Style bulletStyle(QChar bullet);
// The character written for a bullet style.
char16_t bulletCharacter(QTextListFormat::Style style);

bool isBullet(QTextListFormat::Style style);

QTextListFormat toListFormat(const ListLevel& level, int levelNumber);
// How far the document indents the items of a list level, in twips.
int listIndentTwips(const QTextDocument& document, int levelNumber);
ListLevel fromListFormat(const QTextListFormat& format);

} // namespace richtext::rtf

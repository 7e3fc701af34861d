#include "richtext/RtfLists.h"

#include "richtext/RtfFormat.h"

#include <QTextDocument>

#include <algorithm>

namespace richtext::rtf {

namespace {

constexpr int kBulletFormat = 23;

struct NumberFormat
{
    int number;
    QTextListFormat::Style style;
};

constexpr NumberFormat kNumberFormats[] = {
    { 0, QTextListFormat::ListDecimal },
    { 1, QTextListFormat::ListUpperRoman },
    { 2, QTextListFormat::ListLowerRoman },
    { 3, QTextListFormat::ListUpperAlpha },
    { 4, QTextListFormat::ListLowerAlpha },
    { kBulletFormat, QTextListFormat::ListDisc },
};

} // namespace

bool isBullet(QTextListFormat::Style style)
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
        || style == QTextListFormat::ListSquare;
}

QTextListFormat::Style styleOfNumberFormat(int numberFormat)
{
    for (const NumberFormat& format : kNumberFormats) {
        if (format.number == numberFormat)
            return format.style;
    }
    return QTextListFormat::ListDisc;
}

int numberFormatOfStyle(QTextListFormat::Style style)
{
    if (isBullet(style))
        return kBulletFormat;
    for (const NumberFormat& format : kNumberFormats) {
        if (format.style == style)
            return format.number;
    }
    return 0;
}

// Word and WordPad write bullets in symbol fonts, whose characters arrive as
// their code-page or private-use look-alikes.
QTextListFormat::Style bulletStyle(QChar bullet)
{
    switch (bullet.unicode()) {
    case u'o':
    case 0x25CB: // white circle
    case 0x25E6: // white bullet
    case 0xF06F: // "o" of a symbol font
        return QTextListFormat::ListCircle;
    case 0x25A0: // black square
    case 0x25AA: // small black square
    case 0x00A7: // Wingdings square, read through the code page
    case 0xF0A7:
    case 0xF06E:
        return QTextListFormat::ListSquare;
    default:
        return QTextListFormat::ListDisc;
    }
}

char16_t bulletCharacter(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListCircle:
        return 0x25E6;
    case QTextListFormat::ListSquare:
        return 0x25AA;
    default:
        return 0x2022;
    }
}

ListLevel levelFromText(int numberFormat, QStringView levelText, int level)
{
    ListLevel result;
    result.style = styleOfNumberFormat(numberFormat);
    // The first character counts the ones that follow.
    const QStringView label = levelText.isEmpty()
        ? QStringView()
        : levelText.mid(1, std::min<qsizetype>(levelText.at(0).unicode(), levelText.size() - 1));
    if (isBullet(result.style)) {
        if (!label.isEmpty())
            result.style = bulletStyle(label.at(0));
        result.suffix.clear();
        return result;
    }
    // Text around this level's number; numbers of other levels, which the
    // document cannot draw, are left out.
    const qsizetype place = label.indexOf(QChar(char16_t(level)));
    if (place < 0) {
        result.suffix.clear();
        return result;
    }
    auto withoutNumbers = [](QStringView text) {
        QString kept;
        for (const QChar c : text) {
            if (c.unicode() >= kListLevels)
                kept.append(c);
        }
        return kept;
    };
    result.prefix = withoutNumbers(label.left(place));
    result.suffix = withoutNumbers(label.mid(place + 1));
    return result;
}

int listIndentTwips(const QTextDocument& document, int levelNumber)
{
    return twipsFromPixels(
        (std::clamp(levelNumber, 0, kListLevels - 1) + 1) * document.indentWidth());
}

QTextListFormat toListFormat(const ListLevel& level, int levelNumber)
{
    QTextListFormat format;
    format.setStyle(level.style);
    format.setIndent(levelNumber + 1);
    if (!isBullet(level.style)) {
        format.setNumberPrefix(level.prefix.left(kMaxLabelText));
        format.setNumberSuffix(level.suffix.left(kMaxLabelText));
    }
    return format;
}

ListLevel fromListFormat(const QTextListFormat& format)
{
    ListLevel level;
    level.style = format.style();
    if (isBullet(level.style)) {
        level.suffix.clear();
        return level;
    }
    if (numberFormatOfStyle(level.style) == 0 && level.style != QTextListFormat::ListDecimal)
        level.style = QTextListFormat::ListDecimal;
    level.prefix = format.numberPrefix().left(kMaxLabelText);
    level.suffix = format.hasProperty(QTextFormat::ListNumberSuffix)
        ? format.numberSuffix().left(kMaxLabelText)
        : QStringLiteral(".");
    return level;
}

} // namespace richtext::rtf

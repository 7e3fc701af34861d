#include "richtext/RtfFormat.h"

#include <algorithm>
#include <cmath>

namespace richtext::rtf {

namespace {

constexpr qreal kTwipsPerPixel = 15.0;
constexpr int kTwipsPerLine = 240; // line spacing "multiple" counts 240ths of a line

void setLineHeight(QTextBlockFormat& format, const ParagraphState& paragraph)
{
    switch (paragraph.spacing) {
    case LineSpacing::AtLeast:
        format.setLineHeight(pixelsFromTwips(paragraph.spacingValue), QTextBlockFormat::MinimumHeight);
        break;
    case LineSpacing::Exactly:
        format.setLineHeight(pixelsFromTwips(paragraph.spacingValue), QTextBlockFormat::FixedHeight);
        break;
    case LineSpacing::Multiple:
        format.setLineHeight(paragraph.spacingValue * 100.0 / kTwipsPerLine,
            QTextBlockFormat::ProportionalHeight);
        break;
    case LineSpacing::Single:
        break;
    }
}

void readLineHeight(const QTextBlockFormat& format, ParagraphState& paragraph)
{
    const qreal height = format.lineHeight();
    switch (format.lineHeightType()) {
    case QTextBlockFormat::MinimumHeight:
        paragraph.spacing = LineSpacing::AtLeast;
        paragraph.spacingValue = twipsFromPixels(height);
        break;
    case QTextBlockFormat::FixedHeight:
        paragraph.spacing = LineSpacing::Exactly;
        paragraph.spacingValue = twipsFromPixels(height);
        break;
    case QTextBlockFormat::ProportionalHeight:
        paragraph.spacing = LineSpacing::Multiple;
        paragraph.spacingValue = clampTwips(std::llround(std::clamp(height, 0.0, 1e6) * kTwipsPerLine / 100.0));
        break;
    default:
        break;
    }
    if (paragraph.spacingValue <= 0)
        paragraph.spacing = LineSpacing::Single;
}

QTextOption::Tab toQtTab(const TabStop& stop)
{
    const QChar delimiter = stop.type == QTextOption::DelimiterTab ? QLatin1Char('.') : QChar();
    return QTextOption::Tab(pixelsFromTwips(stop.twips), stop.type, delimiter);
}

} // namespace

Qt::Alignment toQtAlignment(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Center:
        return Qt::AlignHCenter;
    case Alignment::Right:
        return Qt::AlignRight;
    case Alignment::Justify:
        return Qt::AlignJustify;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

Alignment fromQtAlignment(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignHCenter)
        return Alignment::Center;
    if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        return Alignment::Right;
    if (alignment & Qt::AlignJustify)
        return Alignment::Justify;
    return Alignment::Left;
}

qreal pixelsFromTwips(int twips)
{
    return twips / kTwipsPerPixel;
}

int clampTwips(qint64 twips)
{
    return int(std::clamp<qint64>(twips, -kMaxTwips, kMaxTwips));
}

int twipsFromPixels(qreal pixels)
{
    if (!std::isfinite(pixels))
        return 0;
    const qreal twips = std::clamp<qreal>(pixels * kTwipsPerPixel, -kMaxTwips, kMaxTwips);
    return int(std::lround(twips));
}

QString fontName(QString family)
{
    family.removeIf([](QChar c) { return c == u';' || c == u'\t' || c == QChar::LineSeparator; });
    return family.trimmed();
}

void ParagraphState::addTab(TabStop stop)
{
    const auto place = std::lower_bound(tabs.begin(), tabs.end(), stop,
        [](const TabStop& a, const TabStop& b) { return a.twips < b.twips; });
    if (place != tabs.end() && place->twips == stop.twips)
        *place = stop;
    else if (tabs.size() < kMaxTabStops)
        tabs.insert(place, stop);
}

QTextBlockFormat toBlockFormat(const ParagraphState& paragraph)
{
    QTextBlockFormat format;
    if (paragraph.alignment != Alignment::Left)
        format.setAlignment(toQtAlignment(paragraph.alignment));
    if (paragraph.left)
        format.setLeftMargin(pixelsFromTwips(paragraph.left));
    if (paragraph.right)
        format.setRightMargin(pixelsFromTwips(paragraph.right));
    if (paragraph.firstLine)
        format.setTextIndent(pixelsFromTwips(paragraph.firstLine));
    if (paragraph.before)
        format.setTopMargin(pixelsFromTwips(paragraph.before));
    if (paragraph.after)
        format.setBottomMargin(pixelsFromTwips(paragraph.after));
    setLineHeight(format, paragraph);
    if (paragraph.pageBreakBefore)
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (!paragraph.tabs.isEmpty()) {
        QList<QTextOption::Tab> tabs;
        tabs.reserve(paragraph.tabs.size());
        for (const TabStop& stop : paragraph.tabs)
            tabs.append(toQtTab(stop));
        format.setTabPositions(tabs);
    }
    return format;
}

ParagraphState fromBlockFormat(const QTextBlockFormat& format, qreal indentWidth)
{
    ParagraphState paragraph;
    paragraph.alignment = fromQtAlignment(format.alignment());
    paragraph.left = twipsFromPixels(format.leftMargin() + format.indent() * indentWidth);
    paragraph.right = twipsFromPixels(format.rightMargin());
    paragraph.firstLine = twipsFromPixels(format.textIndent());
    paragraph.before = std::max(0, twipsFromPixels(format.topMargin()));
    paragraph.after = std::max(0, twipsFromPixels(format.bottomMargin()));
    readLineHeight(format, paragraph);
    paragraph.pageBreakBefore = format.pageBreakPolicy().testFlag(QTextFormat::PageBreak_AlwaysBefore);
    for (const QTextOption::Tab& tab : format.tabPositions()) {
        const int twips = twipsFromPixels(tab.position);
        if (twips >= 0)
            paragraph.addTab({ twips, tab.type });
    }
    return paragraph;
}

QTextCharFormat::UnderlineStyle toUnderlineStyle(Underline underline)
{
    switch (underline) {
    case Underline::None:
        return QTextCharFormat::NoUnderline;
    case Underline::Single:
        return QTextCharFormat::SingleUnderline;
    case Underline::Dotted:
        return QTextCharFormat::DotLine;
    case Underline::Dashed:
        return QTextCharFormat::DashUnderline;
    case Underline::DashDot:
        return QTextCharFormat::DashDotLine;
    case Underline::DashDotDot:
        return QTextCharFormat::DashDotDotLine;
    case Underline::Wave:
        return QTextCharFormat::WaveUnderline;
    }
    return QTextCharFormat::NoUnderline;
}

Underline fromUnderlineStyle(QTextCharFormat::UnderlineStyle style)
{
    switch (style) {
    case QTextCharFormat::NoUnderline:
    case QTextCharFormat::SpellCheckUnderline: // marks misspellings, not formatting
        return Underline::None;
    case QTextCharFormat::DotLine:
        return Underline::Dotted;
    case QTextCharFormat::DashUnderline:
        return Underline::Dashed;
    case QTextCharFormat::DashDotLine:
        return Underline::DashDot;
    case QTextCharFormat::DashDotDotLine:
        return Underline::DashDotDot;
    case QTextCharFormat::WaveUnderline:
        return Underline::Wave;
    default:
        return Underline::Single;
    }
}

} // namespace richtext::rtf

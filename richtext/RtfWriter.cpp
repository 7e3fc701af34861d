#include "richtext/RtfWriter.h"

#include "richtext/RtfCodePages.h"
#include "richtext/RtfFormat.h"
#include "richtext/RtfOutput.h"

#include <QHash>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <cmath>

namespace richtext::rtf {

namespace {

class RtfWriter
{
public:
    explicit RtfWriter(const QTextDocument& document)
        : m_document(document)
        , m_defaultFont(document.defaultFont())
    {
        fontIndex(familyOf(m_defaultFont)); // the default font is font 0
        m_colors.append(QColor());          // colour 0 is the automatic colour
    }

    QByteArray write()
    {
        m_body.bytes.reserve(m_document.characterCount() * 2 + 1024);
        for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next())
            writeBlock(block);
        RtfOutput file = header();
        file.bytes.append(m_body.bytes);
        file.raw("}\r\n");
        return file.bytes;
    }

private:
    static QString familyOf(const QFont& font)
    {
        const QStringList families = font.families();
        return families.isEmpty() ? font.family() : families.first();
    }

    RtfOutput header() const
    {
        RtfOutput out;
        out.raw("{");
        out.word("rtf", 1);
        out.word("ansi");
        out.word("ansicpg", kWindows1252);
        out.word("deff", 0);
        out.word("deftab", std::max(1, twipsFromPixels(m_document.defaultTextOption().tabStopDistance())));
        out.word("uc", 1);
        out.lineEnd();
        writeFontTable(out);
        writeColorTable(out);
        return out;
    }

    void writeFontTable(RtfOutput& out) const
    {
        out.raw("{");
        out.word("fonttbl");
        for (int i = 0; i < m_fonts.size(); ++i) {
            out.raw("{");
            out.word("f", i);
            out.word("fnil");
            out.word("fcharset", 0);
            out.text(m_fonts.at(i));
            out.raw(";}");
        }
        out.raw("}");
        out.lineEnd();
    }

    void writeColorTable(RtfOutput& out) const
    {
        if (m_colors.size() == 1)
            return;
        out.raw("{");
        out.word("colortbl");
        out.raw(";");
        for (qsizetype i = 1; i < m_colors.size(); ++i) {
            const QColor& color = m_colors.at(i);
            out.word("red", color.red());
            out.word("green", color.green());
            out.word("blue", color.blue());
            out.raw(";");
        }
        out.raw("}");
        out.lineEnd();
    }

    void writeBlock(const QTextBlock& block)
    {
        ParagraphState paragraph = fromBlockFormat(block.blockFormat(), m_document.indentWidth());
        const QTextList* list = block.textList();
        if (list) {
            const qreal listIndent = list->format().indent() * m_document.indentWidth();
            paragraph.left = clampTwips(qint64(paragraph.left) + twipsFromPixels(listIndent));
        }
        writeParagraphFormat(paragraph);
        if (list)
            writeListMarker(*list, block);
        bool empty = true;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            writeRun(charState(fragment.charFormatIndex(), fragment.charFormat()), fragment.text());
            empty = false;
        }
        if (empty)
            switchTo(charState(block.charFormatIndex(), block.charFormat())); // the empty line's size
        m_body.word("par");
        m_body.lineEnd();
    }

    // Raised and lowered text goes in a group of its own: some readers take
    // a paragraph end after "\super" outside a group for one before it.
    void writeRun(const CharState& state, const QString& text)
    {
        if (state.script == Script::Normal) {
            switchTo(state);
            m_body.text(text);
            return;
        }
        CharState outside = state;
        outside.script = Script::Normal;
        switchTo(outside);
        m_body.raw("{");
        m_body.word(scriptWord(state.script));
        m_body.text(text);
        m_body.raw("}");
    }

    // The text of a list item's number or bullet, which the document draws
    // but does not hold as text.
    void writeListMarker(const QTextList& list, const QTextBlock& block)
    {
        switchTo(charState(block.charFormatIndex(), block.charFormat()));
        switch (list.format().style()) {
        case QTextListFormat::ListDisc:
            m_body.text(u"\u2022");
            break;
        case QTextListFormat::ListCircle:
            m_body.text(u"\u25E6");
            break;
        case QTextListFormat::ListSquare:
            m_body.text(u"\u25AA");
            break;
        default:
            m_body.text(list.itemText(block));
            break;
        }
        m_body.word("tab");
    }

    void writeParagraphFormat(const ParagraphState& paragraph)
    {
        m_body.word("pard");
        writeAlignment(paragraph.alignment);
        writeLength("li", paragraph.left);
        writeLength("ri", paragraph.right);
        writeLength("fi", paragraph.firstLine);
        writeLength("sb", paragraph.before);
        writeLength("sa", paragraph.after);
        writeLineSpacing(paragraph);
        for (const TabStop& tab : paragraph.tabs)
            writeTabStop(tab);
        if (paragraph.pageBreakBefore)
            m_body.word("pagebb");
    }

    void writeLength(const char* name, int twips)
    {
        if (twips != 0)
            m_body.word(name, twips);
    }

    void writeAlignment(Alignment alignment)
    {
        switch (alignment) {
        case Alignment::Center:
            m_body.word("qc");
            break;
        case Alignment::Right:
            m_body.word("qr");
            break;
        case Alignment::Justify:
            m_body.word("qj");
            break;
        case Alignment::Left:
            break;
        }
    }

    void writeLineSpacing(const ParagraphState& paragraph)
    {
        switch (paragraph.spacing) {
        case LineSpacing::AtLeast:
            m_body.word("sl", paragraph.spacingValue);
            m_body.word("slmult", 0);
            break;
        case LineSpacing::Exactly:
            m_body.word("sl", -paragraph.spacingValue);
            m_body.word("slmult", 0);
            break;
        case LineSpacing::Multiple:
            m_body.word("sl", paragraph.spacingValue);
            m_body.word("slmult", 1);
            break;
        case LineSpacing::Single:
            break;
        }
    }

    void writeTabStop(const TabStop& tab)
    {
        switch (tab.type) {
        case QTextOption::RightTab:
            m_body.word("tqr");
            break;
        case QTextOption::CenterTab:
            m_body.word("tqc");
            break;
        case QTextOption::DelimiterTab:
            m_body.word("tqdec");
            break;
        case QTextOption::LeftTab:
            break;
        }
        m_body.word("tx", tab.twips);
    }

    // Character formatting is written as changes to what is in force.
    // Raised and lowered text is written by writeRun() alone.
    void switchTo(const CharState& wanted)
    {
        CharState& now = m_current;
        if (wanted.font != now.font)
            m_body.word("f", wanted.font);
        if (wanted.halfPoints != now.halfPoints)
            m_body.word("fs", wanted.halfPoints);
        if (wanted.bold != now.bold)
            wanted.bold ? m_body.word("b") : m_body.word("b", 0);
        if (wanted.italic != now.italic)
            wanted.italic ? m_body.word("i") : m_body.word("i", 0);
        if (wanted.strike != now.strike)
            wanted.strike ? m_body.word("strike") : m_body.word("strike", 0);
        if (wanted.underline != now.underline)
            m_body.word(underlineWord(wanted.underline));
        if (wanted.caps != now.caps)
            writeCaps(now.caps, wanted.caps);
        if (wanted.foreground != now.foreground)
            m_body.word("cf", wanted.foreground);
        if (wanted.background != now.background)
            m_body.word("highlight", wanted.background);
        now = wanted;
        now.script = Script::Normal;
    }

    static const char* underlineWord(Underline underline)
    {
        switch (underline) {
        case Underline::None:
            return "ulnone";
        case Underline::Single:
            return "ul";
        case Underline::Dotted:
            return "uld";
        case Underline::Dashed:
            return "uldash";
        case Underline::DashDot:
            return "uldashd";
        case Underline::DashDotDot:
            return "uldashdd";
        case Underline::Wave:
            return "ulwave";
        }
        return "ulnone";
    }

    static const char* scriptWord(Script script)
    {
        switch (script) {
        case Script::Super:
            return "super";
        case Script::Sub:
            return "sub";
        case Script::Normal:
            break;
        }
        return "nosupersub";
    }

    void writeCaps(Caps now, Caps wanted)
    {
        if (now == Caps::All)
            m_body.word("caps", 0);
        else if (now == Caps::Small)
            m_body.word("scaps", 0);
        if (wanted == Caps::All)
            m_body.word("caps");
        else if (wanted == Caps::Small)
            m_body.word("scaps");
    }

    CharState charState(int formatIndex, const QTextCharFormat& format)
    {
        const auto known = m_charStates.constFind(formatIndex);
        if (known != m_charStates.constEnd())
            return *known;
        const CharState state = makeCharState(format);
        m_charStates.insert(formatIndex, state);
        return state;
    }

    CharState makeCharState(const QTextCharFormat& format)
    {
        const QFont font = format.font().resolve(m_defaultFont);
        CharState state;
        state.font = fontIndex(familyOf(font));
        state.halfPoints = halfPointsOf(font);
        state.bold = font.weight() > QFont::Medium;
        state.italic = font.italic();
        state.strike = font.strikeOut();
        state.underline = fromUnderlineStyle(format.underlineStyle());
        if (state.underline == Underline::None && font.underline())
            state.underline = Underline::Single;
        state.script = scriptOf(format.verticalAlignment());
        state.caps = capsOf(font.capitalization());
        state.foreground = colorIndex(format, QTextFormat::ForegroundBrush);
        state.background = colorIndex(format, QTextFormat::BackgroundBrush);
        return state;
    }

    static int halfPointsOf(const QFont& font)
    {
        constexpr qreal kPointsPerPixel = 72.0 / 96.0;
        const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * kPointsPerPixel;
        if (!(points > 0))
            return kDefaultHalfPoints;
        return int(std::lround(std::clamp<qreal>(points * 2, 2, kMaxHalfPoints)));
    }

    static Script scriptOf(QTextCharFormat::VerticalAlignment alignment)
    {
        switch (alignment) {
        case QTextCharFormat::AlignSuperScript:
            return Script::Super;
        case QTextCharFormat::AlignSubScript:
            return Script::Sub;
        default:
            return Script::Normal;
        }
    }

    static Caps capsOf(QFont::Capitalization capitalization)
    {
        switch (capitalization) {
        case QFont::AllUppercase:
            return Caps::All;
        case QFont::SmallCaps:
            return Caps::Small;
        default:
            return Caps::None;
        }
    }

    // Fonts are told apart by the names the file can hold.
    int fontIndex(const QString& family)
    {
        const QString name = fontName(family);
        const auto known = m_fontIndex.constFind(name);
        if (known != m_fontIndex.constEnd())
            return *known;
        const int index = int(m_fonts.size());
        m_fonts.append(name);
        m_fontIndex.insert(name, index);
        return index;
    }

    int colorIndex(const QTextCharFormat& format, QTextFormat::Property property)
    {
        if (!format.hasProperty(property))
            return 0;
        const QBrush brush = format.brushProperty(property);
        if (brush.style() == Qt::NoBrush)
            return 0;
        const QRgb rgb = brush.color().rgb();
        const auto known = m_colorIndex.constFind(rgb);
        if (known != m_colorIndex.constEnd())
            return *known;
        const int index = int(m_colors.size());
        m_colors.append(QColor::fromRgb(rgb));
        m_colorIndex.insert(rgb, index);
        return index;
    }

    const QTextDocument& m_document;
    const QFont m_defaultFont;
    RtfOutput m_body;
    CharState m_current;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QColor> m_colors;
    QHash<QRgb, int> m_colorIndex;
    QHash<int, CharState> m_charStates;
};

} // namespace

QByteArray writeDocument(const QTextDocument& document)
{
    return RtfWriter(document).write();
}

} // namespace richtext::rtf

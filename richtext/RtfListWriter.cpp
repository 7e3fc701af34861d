#include "richtext/RtfListWriter.h"

#include "richtext/RtfLists.h"

#include <QTextDocument>
#include <QTextList>

#include <algorithm>

namespace richtext::rtf {

ListWriter::ListWriter(const QTextDocument& document)
    : m_document(document)
{
}

int ListWriter::numberOf(const QTextList& list)
{
    const auto known = m_numbers.constFind(&list);
    if (known != m_numbers.constEnd())
        return *known;
    m_lists.append(&list);
    const int number = int(m_lists.size());
    m_numbers.insert(&list, number);
    return number;
}

int ListWriter::levelOf(const QTextList& list)
{
    return std::clamp(list.format().indent() - 1, 0, kListLevels - 1);
}

void ListWriter::writeTables(RtfOutput& out) const
{
    if (m_lists.isEmpty())
        return;
    out.raw("{\\*");
    out.word("listtable");
    for (qsizetype i = 0; i < m_lists.size(); ++i)
        writeList(out, *m_lists.at(i), int(i + 1));
    out.raw("}");
    out.lineEnd();
    out.raw("{\\*");
    out.word("listoverridetable");
    for (int number = 1; number <= m_lists.size(); ++number) {
        out.raw("{");
        out.word("listoverride");
        out.word("listid", number);
        out.word("listoverridecount", 0);
        out.word("ls", number);
        out.raw("}");
    }
    out.raw("}");
    out.lineEnd();
}

void ListWriter::writeList(RtfOutput& out, const QTextList& list, int number) const
{
    out.raw("{");
    out.word("list");
    out.word("listtemplateid", number);
    out.lineEnd();
    for (int level = 0; level < kListLevels; ++level)
        writeLevel(out, list, level);
    out.raw("{");
    out.word("listname");
    out.raw(" ;}");
    out.word("listid", number);
    out.raw("}");
    out.lineEnd();
}

// A level's text counts its characters first; a number is the character
// of its level, and "\levelnumbers" tells where it stands.
void ListWriter::writeLevel(RtfOutput& out, const QTextList& list, int level) const
{
    const ListLevel style = fromListFormat(list.format());
    const int numberFormat = numberFormatOfStyle(style.style);
    out.raw("{");
    out.word("listlevel");
    out.word("levelnfc", numberFormat);
    out.word("levelnfcn", numberFormat);
    out.word("leveljc", 0);
    out.word("levelfollow", 0);
    out.word("levelstartat", 1);
    out.raw("{");
    out.word("leveltext");
    if (isBullet(style.style)) {
        out.raw("\\'01");
        out.text(QString(QChar(bulletCharacter(style.style))));
        out.raw(";}{");
        out.word("levelnumbers");
        out.raw(";}");
    } else {
        out.hexByte(int(style.prefix.size() + 1 + style.suffix.size()));
        out.text(style.prefix);
        out.hexByte(level);
        out.text(style.suffix);
        out.raw(";}{");
        out.word("levelnumbers");
        out.hexByte(int(style.prefix.size() + 1));
        out.raw(";}");
    }
    out.word("fi", -kListHangTwips);
    out.word("li", listIndentTwips(m_document, level));
    out.raw("}");
    out.lineEnd();
}

} // namespace richtext::rtf

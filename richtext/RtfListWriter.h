#pragma once

#include "richtext/RtfOutput.h"

#include <QHash>
#include <QList>

class QTextDocument;
class QTextList;

namespace richtext::rtf {

// The document's lists on their way into a file: each becomes a list of the
// list table, with the same label at every level, and an override that
// paragraphs name with "\ls".
class ListWriter
{
public:
    explicit ListWriter(const QTextDocument& document);

    // The list's "\ls" number, from 1 in the order the lists are met.
    int numberOf(const QTextList& list);
    // The level a list's items are at, from 0.
    static int levelOf(const QTextList& list);
    // The list table and the override table; nothing without lists.
    void writeTables(RtfOutput& out) const;

private:
    void writeList(RtfOutput& out, const QTextList& list, int number) const;
    void writeLevel(RtfOutput& out, const QTextList& list, int level) const;

    const QTextDocument& m_document;
    QList<const QTextList*> m_lists;
    QHash<const QTextList*, int> m_numbers;
};

} // namespace richtext::rtf

#pragma once

#include <QByteArray>

class QTextDocument;

namespace richtext::rtf {

// Writes a text document as a rich-text file (RTF 1.x, Windows-1252, CR LF
// line ends): paragraphs with their alignment, indents, spacing and tab
// stops, and characters with font, size, colours and styles.
QByteArray writeDocument(const QTextDocument& document);

} // namespace richtext::rtf

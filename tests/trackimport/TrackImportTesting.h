#pragma once

// What the track import's tests share.

#include "platform/ErrorReport.h"

#include <QByteArray>
#include <QFile>
#include <QFont>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

namespace importtesting {

// The message a call fails with; empty when it does not fail.
template <typename Call> QString failureOf(Call call)
{
    try {
        call();
    } catch (const platform::UserError& error) {
        return error.text();
    }
    return {};
}

// The document's paragraphs as plain text.
inline QStringList documentLines(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

// The back editor's font.
inline QFont editorFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    return font;
}

// An answer of the MusicBrainz web service, written for the tests from its
// documented format.
inline QByteArray musicBrainzAnswer(const char* name)
{
    QFile file(QStringLiteral(QZ_TEST_DATA_DIR "/musicbrainz/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test answer %s", name);
    return file.readAll();
}

} // namespace importtesting

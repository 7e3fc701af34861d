#pragma once

// Helpers shared by the rich-text codec's tests.

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

inline QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(QZ_TEST_DATA_DIR "/rtf/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

inline QStringList paragraphs(const QTextDocument& document)
{
    QStringList texts;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        texts << block.text();
    return texts;
}

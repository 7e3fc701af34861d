// Our files as LibreOffice reads them, when it is installed: the text goes
// through a conversion to a flat OpenDocument file, which is read back here.
#include "richtext/RichText.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <QXmlStreamReader>

using namespace richtext;

namespace {

// A back text with what other programs must understand: runs of spaces, a
// table, a bulleted and a numbered list and a picture.
void fillBackText(QTextDocument& document)
{
    QTextCursor cursor(&document);
    cursor.insertText(u"has  two   three"_qs);
    QTextTableFormat format;
    format.setColumnWidthConstraints({ QTextLength(QTextLength::FixedLength, 40),
        QTextLength(QTextLength::FixedLength, 300), QTextLength(QTextLength::FixedLength, 60) });
    QTextTable* table = cursor.insertTable(2, 3, format);
    const QStringList cells { u"1."_qs, u"Intro"_qs, u"3:12"_qs, u"2."_qs, u"Outro"_qs,
        u"4:01"_qs };
    for (int i = 0; i < cells.size(); ++i)
        table->cellAt(i / 3, i % 3).firstCursorPosition().insertText(cells.at(i));
    cursor.movePosition(QTextCursor::End);
    cursor.createList(QTextListFormat::ListDisc);
    cursor.insertText(u"Guitar"_qs);
    cursor.insertBlock();
    cursor.insertText(u"Bass"_qs);
    cursor.insertBlock(QTextBlockFormat());
    cursor.createList(QTextListFormat::ListDecimal);
    cursor.insertText(u"One"_qs);
    cursor.insertBlock();
    cursor.insertText(u"Two"_qs);
    cursor.insertBlock(QTextBlockFormat());
    QImage logo(4, 3, QImage::Format_RGB32);
    logo.fill(Qt::red);
    document.addResource(QTextDocument::ImageResource, QUrl(u"logo.png"_qs), logo);
    QTextImageFormat picture;
    picture.setName(u"logo.png"_qs);
    picture.setWidth(40);
    picture.setHeight(30);
    cursor.insertImage(picture);
}

qreal pixels(QStringView length)
{
    const struct
    {
        const char* unit;
        qreal pixelsPerUnit;
    } units[] = { { "in", 96 }, { "cm", 96 / 2.54 }, { "mm", 96 / 25.4 }, { "pt", 96 / 72.0 } };
    for (const auto& unit : units) {
        if (length.endsWith(QLatin1String(unit.unit)))
            return length.chopped(2).toDouble() * unit.pixelsPerUnit;
    }
    return -1;
}

// What the flat OpenDocument text holds, as far as these tests look.
struct OpenDocumentText
{
    QStringList paragraphs; // with " (list STYLE)" after list items
    QHash<QString, QString> listLevelOne; // list style name: "bullet" or "number"
    int tableColumns = 0;
    int tableRows = 0;
    QList<QSizeF> frames;

    static OpenDocumentText read(const QByteArray& xml)
    {
        OpenDocumentText text;
        QXmlStreamReader reader(xml);
        QString paragraph;
        QStringList lists;
        QString listStyle;
        int depth = 0; // of paragraphs: notes and frames hold paragraphs of their own
        while (!reader.atEnd()) {
            reader.readNext();
            const auto name = reader.qualifiedName();
            const QXmlStreamAttributes attributes = reader.attributes();
            if (reader.isStartElement()) {
                if (name == u"text:p" || name == u"text:h") {
                    if (depth++ == 0)
                        paragraph.clear();
                } else if (name == u"text:s") {
                    paragraph += QString(
                        std::max(1, attributes.value(QLatin1String("text:c")).toInt()), u' ');
                } else if (name == u"text:tab") {
                    paragraph += u'\t';
                } else if (name == u"text:list") {
                    lists << attributes.value(QLatin1String("text:style-name")).toString();
                } else if (name == u"text:list-style") {
                    listStyle = attributes.value(QLatin1String("style:name")).toString();
                } else if (name.startsWith(u"text:list-level-style-")
                    && attributes.value(QLatin1String("text:level")) == u"1") {
                    text.listLevelOne.insert(listStyle, name.mid(22).toString());
                } else if (name == u"table:table-column") {
                    text.tableColumns += std::max(1,
                        attributes.value(QLatin1String("table:number-columns-repeated")).toInt());
                } else if (name == u"table:table-row") {
                    ++text.tableRows;
                } else if (name == u"draw:frame") {
                    text.frames << QSizeF(pixels(attributes.value(QLatin1String("svg:width"))),
                        pixels(attributes.value(QLatin1String("svg:height"))));
                }
            } else if (reader.isCharacters() && depth > 0) {
                paragraph += reader.text();
            } else if (reader.isEndElement()) {
                if ((name == u"text:p" || name == u"text:h") && --depth == 0) {
                    QString style;
                    for (const QString& list : std::as_const(lists))
                        style = list.isEmpty() ? style : list;
                    text.paragraphs
                        << paragraph + (lists.isEmpty() ? QString() : u" (list "_qs + style + u')');
                } else if (name == u"text:list") {
                    lists.removeLast();
                }
            }
        }
        if (reader.hasError())
            qWarning() << reader.errorString();
        return text;
    }
};

} // namespace

class RtfInteropTest : public QObject
{
    Q_OBJECT

private slots:
    void libreOffice_readsOurFile()
    {
        const QString office = QStandardPaths::findExecutable(u"soffice"_qs);
        if (office.isEmpty())
            QSKIP("LibreOffice is not installed");
        QTemporaryDir dir;
        QTextDocument document;
        fillBackText(document);
        saveRichTextFile(dir.filePath(u"Back.rtf"_qs), document);

        QProcess convert;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_qs, dir.path());
        convert.setProcessEnvironment(environment);
        convert.start(office,
            { u"-env:UserInstallation="_qs
                    + QUrl::fromLocalFile(dir.filePath(u"profile"_qs)).toString(),
                u"--headless"_qs, u"--convert-to"_qs, u"fodt"_qs, u"--outdir"_qs, dir.path(),
                dir.filePath(u"Back.rtf"_qs) });
        QVERIFY(convert.waitForFinished(180000));
        QFile converted(dir.filePath(u"Back.fodt"_qs));
        QVERIFY2(converted.open(QIODevice::ReadOnly), convert.readAllStandardError().constData());
        const OpenDocumentText text = OpenDocumentText::read(converted.readAll());

        QCOMPARE(
            text.paragraphs.value(0), u"has  two   three"_qs); // no extra spaces read into runs
        QCOMPARE(text.tableColumns, 3);
        QCOMPARE(text.tableRows, 2);
        QCOMPARE(text.paragraphs.mid(1, 6),
            (QStringList { u"1."_qs, u"Intro"_qs, u"3:12"_qs, u"2."_qs, u"Outro"_qs, u"4:01"_qs }));
        const QStringList items = text.paragraphs.mid(7, 4);
        QCOMPARE(items.size(), 4);
        for (int i = 0; i < 4; ++i) {
            const QString style = items.at(i).section(u"(list "_qs, 1).chopped(1);
            QCOMPARE(items.at(i).section(u' ', 0, 0),
                (QStringList { u"Guitar"_qs, u"Bass"_qs, u"One"_qs, u"Two"_qs }).at(i));
            QCOMPARE(text.listLevelOne.value(style), i < 2 ? u"bullet"_qs : u"number"_qs);
        }
        QCOMPARE(text.frames.size(), 1);
        QVERIFY2(qAbs(text.frames.constFirst().width() - 40) < 1
                && qAbs(text.frames.constFirst().height() - 30) < 1,
            qPrintable(QStringLiteral("%1 x %2")
                           .arg(text.frames.constFirst().width())
                           .arg(text.frames.constFirst().height())));
    }
};

QTEST_MAIN(RtfInteropTest)
#include "tst_rtfinterop.moc"

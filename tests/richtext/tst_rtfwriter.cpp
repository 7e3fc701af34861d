#include "platform/Picture.h"
#include "richtext/RichText.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTextTable>
#include <QUrl>

#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include "RtfFixtures.h"

using namespace richtext;

namespace {

qreal pointSize(const QFont& font)
{
    return font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
}

// Everything the reader of the text sees of a character's format, with the
// document's default font filled in.
QString describeCharacters(const QTextCharFormat& format, const QFont& defaultFont)
{
    const QFont font = format.font().resolve(defaultFont);
    auto brush = [&](QTextFormat::Property property) {
        const QBrush value = format.brushProperty(property);
        return format.hasProperty(property) && value.style() != Qt::NoBrush ? value.color().name()
                                                                            : QStringLiteral("auto");
    };
    return QStringLiteral("%1 %2pt w%3 i%4 s%5 u%6 v%7 c%8 fg %9 bg %10")
        .arg(font.family())
        .arg(pointSize(font))
        .arg(font.weight() > QFont::Medium)
        .arg(font.italic())
        .arg(font.strikeOut())
        .arg(int(format.underlineStyle()))
        .arg(int(format.verticalAlignment()))
        .arg(int(font.capitalization()))
        .arg(brush(QTextFormat::ForegroundBrush), brush(QTextFormat::BackgroundBrush));
}

QString describeParagraph(const QTextBlockFormat& format)
{
    QStringList tabs;
    for (const QTextOption::Tab& tab : format.tabPositions())
        tabs << QStringLiteral("%1/%2").arg(tab.position).arg(int(tab.type));
    return QStringLiteral("align %1 margins %2 %3 %4 %5 indent %6 line %7/%8 break %9 tabs %10")
        .arg(int(format.alignment() & Qt::AlignHorizontal_Mask))
        .arg(format.leftMargin())
        .arg(format.rightMargin())
        .arg(format.topMargin())
        .arg(format.bottomMargin())
        .arg(format.textIndent())
        .arg(format.lineHeightType())
        .arg(format.lineHeight())
        .arg(format.pageBreakPolicy().testFlag(QTextFormat::PageBreak_AlwaysBefore))
        .arg(tabs.join(u' '));
}

// The document as lines: each paragraph's format, then its runs of equally
// formatted text; an empty paragraph shows the format of its line.
QStringList describe(const QTextDocument& document)
{
    QStringList lines { QStringLiteral("default tab %1").arg(document.defaultTextOption().tabStopDistance()) };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        lines << describeParagraph(block.blockFormat());
        if (block.length() == 1)
            lines << u"  (empty) "_qs + describeCharacters(block.charFormat(), document.defaultFont());
        QString run;
        QString runFormat;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString format = describeCharacters(it.fragment().charFormat(), document.defaultFont());
            if (format != runFormat && !run.isEmpty()) {
                lines << u"  '"_qs + run + u"' "_qs + runFormat;
                run.clear();
            }
            run += it.fragment().text();
            runFormat = format;
        }
        if (!run.isEmpty())
            lines << u"  '"_qs + run + u"' "_qs + runFormat;
    }
    return lines;
}

QTextCharFormat characters(std::initializer_list<std::pair<QTextFormat::Property, QVariant>> properties)
{
    QTextCharFormat format;
    for (const auto& [property, value] : properties)
        format.setProperty(property, value);
    return format;
}

// A back text with every formatting the writer keeps.
void fillTrackList(QTextDocument& document)
{
    document.setDefaultFont(QFont(QStringLiteral("Arial"), 12));
    QTextOption option = document.defaultTextOption();
    option.setTabStopDistance(48);
    document.setDefaultTextOption(option);
    QTextCursor cursor(&document);

    QTextBlockFormat title;
    title.setAlignment(Qt::AlignHCenter);
    title.setBottomMargin(8);
    cursor.setBlockFormat(title);
    QTextCharFormat heading;
    heading.setFontFamilies({ u"Verdana"_qs });
    heading.setFontPointSize(16);
    heading.setFontWeight(QFont::Bold);
    heading.setForeground(QColor(200, 0, 0));
    cursor.insertText(u"Velmora – Live 2002"_qs, heading);

    QTextBlockFormat track;
    track.setLeftMargin(20);
    track.setTabPositions({ QTextOption::Tab(40, QTextOption::LeftTab), QTextOption::Tab(300, QTextOption::RightTab) });
    cursor.insertBlock(track, QTextCharFormat());
    cursor.insertText(u"1.\t"_qs, QTextCharFormat());
    cursor.insertText(u"Naïve"_qs, characters({ { QTextFormat::FontItalic, true } }));
    cursor.insertText(u" "_qs, QTextCharFormat());
    QTextCharFormat underlined;
    underlined.setUnderlineStyle(QTextCharFormat::SingleUnderline);
    cursor.insertText(u"Café €5"_qs, underlined);
    cursor.insertText(u"\t3:12"_qs, QTextCharFormat());

    QTextBlockFormat other;
    other.setAlignment(Qt::AlignRight);
    other.setTextIndent(-10);
    other.setTopMargin(5);
    other.setRightMargin(12);
    cursor.insertBlock(other, QTextCharFormat());
    cursor.insertText(u"Привет"_qs, characters({ { QTextFormat::FontStrikeOut, true } }));
    QTextCharFormat marked;
    marked.setBackground(QColor(Qt::yellow));
    cursor.insertText(u" 😀 日本 "_qs, marked);
    QTextCharFormat superscript;
    superscript.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    cursor.insertText(u"2"_qs, superscript);
    QTextCharFormat subscript;
    subscript.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    subscript.setFontCapitalization(QFont::SmallCaps);
    cursor.insertText(u"x"_qs, subscript);

    QTextCharFormat big;
    big.setFontPointSize(28);
    cursor.insertBlock(QTextBlockFormat(), big);

    QTextBlockFormat spaced;
    spaced.setAlignment(Qt::AlignJustify);
    spaced.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    cursor.insertBlock(spaced, QTextCharFormat());
    QTextCharFormat halfPoint;
    halfPoint.setFontPointSize(10.5);
    halfPoint.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    cursor.insertText(u"a\u2028b\t"_qs, halfPoint);
    QTextCharFormat pixels;
    QFont courier(QStringLiteral("Courier New"));
    courier.setPixelSize(20);
    pixels.setFont(courier);
    cursor.insertText(u"9 px"_qs, pixels);

    QTextBlockFormat nextPage;
    nextPage.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    nextPage.setLineHeight(20, QTextBlockFormat::FixedHeight);
    cursor.insertBlock(nextPage, QTextCharFormat());
    cursor.insertText(u"\\ { } ; - end\u00A0of\u00ADline"_qs, QTextCharFormat());
}

void fillLists(QTextDocument& document)
{
    QTextCursor cursor(&document);
    QTextBlockFormat indented;
    indented.setLeftMargin(10);
    cursor.setBlockFormat(indented);
    QTextList* numbers = cursor.createList(QTextListFormat::ListDecimal);
    cursor.insertText(u"One"_qs);
    cursor.insertBlock();
    cursor.insertText(u"Two"_qs);
    cursor.insertBlock(QTextBlockFormat());
    QTextListFormat circles;
    circles.setStyle(QTextListFormat::ListCircle);
    circles.setIndent(2);
    cursor.createList(circles);
    cursor.insertText(u"Dot"_qs);
    cursor.insertBlock(QTextBlockFormat());
    QTextListFormat roman;
    roman.setStyle(QTextListFormat::ListUpperRoman);
    roman.setNumberPrefix(u"("_qs);
    roman.setNumberSuffix(u")"_qs);
    cursor.createList(roman);
    cursor.insertText(u"Chapter"_qs);
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(u"after"_qs);
    QVERIFY(numbers->count() == 2);
}

} // namespace

class RtfWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_keepsTextAndFormatting()
    {
        QTextDocument original;
        fillTrackList(original);
        const QByteArray rtf = writeRtf(original);

        QTextDocument readBack;
        readBack.setDefaultFont(QFont(QStringLiteral("Times New Roman"), 9)); // the file must say it all
        readRtf(rtf, readBack);
        QCOMPARE(describe(readBack), describe(original));
    }

    void rewriting_isStable_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::newRow("richedit") << fixture("richedit.rtf");
        QTest::newRow("word processor") << fixture("libreoffice.rtf");
        QTest::newRow("wordpad objects") << fixture("wordpad-objects.rtf");
        QTest::newRow("libreoffice objects") << fixture("libreoffice-objects.rtf");
        QTest::newRow("word objects") << fixture("word-objects.rtf");
        QTextDocument trackList;
        fillTrackList(trackList);
        QTest::newRow("track list") << writeRtf(trackList);
        QTest::newRow("font names differing in a tab")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial\t Cyr;}{\\f1 Arial Cyr;}}\\f0 a\\f1 b}");
        QTest::newRow("capitals and small capitals") << QByteArray(R"({\rtf1\caps a\scaps b\caps0 c\scaps d})");
    }
    void rewriting_isStable()
    {
        QFETCH(QByteArray, rtf);
        QTextDocument first;
        readRtf(rtf, first);
        const QByteArray written = writeRtf(first);
        QTextDocument second;
        readRtf(written, second);
        QCOMPARE(writeRtf(second), written);
        QCOMPARE(describe(second), describe(first));
        QCOMPARE(describeStructure(second), describeStructure(first));
    }

    void writesCharacter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("code page character") << u"é"_qs << QByteArray(R"(\'e9)");
        QTest::newRow("euro is in the code page") << u"€"_qs << QByteArray(R"(\'80)");
        QTest::newRow("outside the code page") << u"П"_qs << QByteArray(R"(\u1055?)");
        QTest::newRow("above 32767 written signed") << u"\uFFFD"_qs << QByteArray(R"(\u-3?)");
        QTest::newRow("outside the first plane") << u"😀"_qs << QByteArray(R"(\u-10179?\u-8704?)");
        QTest::newRow("markup characters") << u"a\\b{c}"_qs << QByteArray(R"(a\\b\{c\})");
        QTest::newRow("tab") << u"1\t2"_qs << QByteArray(R"(1\tab 2)");
        QTest::newRow("line break") << u"a\u2028b"_qs << QByteArray(R"(a\line b)");
        QTest::newRow("no-break space and soft hyphen") << u"a\u00A0b\u00ADc"_qs << QByteArray(R"(a\~b\-c)");
    }
    void writesCharacter()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        QTextDocument document;
        document.setPlainText(text);
        const QByteArray rtf = writeRtf(document);
        QVERIFY2(rtf.contains(written), rtf.constData());
        QTextDocument readBack;
        readRtf(rtf, readBack);
        QCOMPARE(readBack.toRawText(), text);
    }

    void output_isAnsiRtfWithCrLfLineEnds()
    {
        QTextDocument document;
        fillTrackList(document);
        const QByteArray rtf = writeRtf(document);
        QVERIFY(rtf.startsWith(R"({\rtf1\ansi\ansicpg1252\deff0)"));
        QVERIFY(rtf.contains(R"({\*\generator qzLayer;})"));
        QVERIFY(rtf.endsWith("}\r\n"));
        QVERIFY(rtf.contains(R"({\f0\fnil\fcharset0 Arial;})"));
        QVERIFY(rtf.contains(R"(\fcharset0 Verdana;})"));
        QVERIFY(rtf.contains(R"(\red200\green0\blue0;)"));
        QVERIFY(rtf.contains(R"({\super 2})")); // a group of its own, which every reader places right
        QCOMPARE(rtf.count('\n'), rtf.count("\r\n"));
        for (const char byte : rtf)
            QVERIFY(quint8(byte) < 0x80);
    }

    void paragraphCount_survivesRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("one line") << u"A"_qs;
        QTest::newRow("ends with an empty line") << u"A\n"_qs;
        QTest::newRow("starts with empty lines") << u"\n\nA"_qs;
        QTest::newRow("empty line between") << u"A\n\nB\n"_qs;
    }
    void paragraphCount_survivesRoundTrip()
    {
        QFETCH(QString, text);
        QTextDocument document;
        document.setPlainText(text);
        QTextDocument readBack;
        readRtf(writeRtf(document), readBack);
        QCOMPARE(paragraphs(readBack), paragraphs(document));
    }

    void lists_roundTripAsLists()
    {
        QTextDocument document;
        fillLists(document);
        QTextDocument readBack;
        readRtf(writeRtf(document), readBack);
        const QStringList expected { u"l 'One' [decimal level 1 1.]"_qs, u"l 'Two' [decimal level 1 2.]"_qs,
            u"l 'Dot' [circle level 2]"_qs, u"l 'Chapter' [I level 1 (I)]"_qs, u"l 'after'"_qs };
        QCOMPARE(describeStructure(document), expected);
        QCOMPARE(describeStructure(readBack), expected);
        QCOMPARE(readBack.begin().blockFormat().leftMargin(), 10.0);
        QCOMPARE(readBack.begin().blockFormat().textIndent(), 0.0);
    }

    // Readers that do not know lists show the labels written as text.
    void lists_keepTheirLabelsForSimpleReaders()
    {
        QTextDocument document;
        fillLists(document);
        QString rtf = QString::fromLatin1(writeRtf(document));
        rtf.remove(QRegularExpression(QStringLiteral(R"(\\ls\d+)")));
        QTextDocument readBack;
        readRtf(rtf.toLatin1(), readBack);
        QCOMPARE(paragraphs(readBack),
            (QStringList { u"1.\tOne"_qs, u"2.\tTwo"_qs, u"◦\tDot"_qs, u"(I)\tChapter"_qs, u"after"_qs }));
        QVERIFY(readBack.begin().blockFormat().leftMargin() > 0);
    }

    void tables_roundTrip()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        cursor.insertText(u"Album"_qs);
        QTextTableFormat format;
        format.setColumnWidthConstraints({ QTextLength(QTextLength::FixedLength, 60),
            QTextLength(QTextLength::FixedLength, 200), QTextLength(QTextLength::FixedLength, 80) });
        format.setCellPadding(5);
        format.setBorder(1);
        format.setAlignment(Qt::AlignHCenter);
        QTextTable* table = cursor.insertTable(3, 3, format);
        table->mergeCells(0, 0, 1, 3);
        table->mergeCells(1, 2, 2, 1);
        QTextTableCellFormat heading;
        heading.setBackground(QColor(255, 255, 0));
        heading.setVerticalAlignment(QTextCharFormat::AlignMiddle);
        table->cellAt(0, 0).setFormat(heading);
        auto fill = [&](int row, int column, const QString& text, Qt::Alignment alignment = Qt::AlignLeft) {
            QTextCursor cell = table->cellAt(row, column).firstCursorPosition();
            QTextBlockFormat paragraph;
            paragraph.setAlignment(alignment);
            cell.setBlockFormat(paragraph);
            cell.insertText(text);
        };
        fill(0, 0, u"Live 2002"_qs, Qt::AlignHCenter);
        fill(1, 0, u"1."_qs);
        fill(1, 1, u"Intro\u2029second line"_qs);
        fill(1, 2, u"3:12"_qs, Qt::AlignRight);
        fill(2, 0, u"2."_qs);
        QTextCursor after(&document);
        after.movePosition(QTextCursor::End);
        after.insertText(u"after"_qs);

        QTextDocument readBack;
        readRtf(writeRtf(document), readBack);
        const QStringList expected { u"l 'Album'"_qs, u"table 3x3 widths 60,200,80 border 1"_qs,
            u"  cell 0,0 1x3 c 'Live 2002'"_qs, u"  cell 1,0 1x1 l '1.'"_qs, u"  cell 1,1 1x1 l 'Intro'"_qs,
            u"  cell 1,1 1x1 l 'second line'"_qs, u"  cell 1,2 2x1 r '3:12'"_qs, u"  cell 2,0 1x1 l '2.'"_qs,
            u"  cell 2,1 1x1 l ''"_qs, u"l 'after'"_qs };
        QCOMPARE(describeStructure(document), expected);
        QCOMPARE(describeStructure(readBack), expected);
        const QTextTable* read = QTextCursor(readBack.begin().next()).currentTable();
        QVERIFY(read);
        QCOMPARE(read->format().cellPadding(), 5.0);
        QCOMPARE(read->format().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        const QTextTableCellFormat cell = read->cellAt(0, 0).format().toTableCellFormat();
        QCOMPARE(cell.background().color(), QColor(255, 255, 0));
        QCOMPARE(cell.verticalAlignment(), QTextCharFormat::AlignMiddle);
    }

    // A table without widths, as pasted from a web page, shares the text's width.
    void tableWithoutWidths_getsColumnsOfTheTextWidth()
    {
        QTextDocument document;
        document.setTextWidth(400);
        QTextCursor(&document).insertTable(1, 4);
        QTextDocument readBack;
        readRtf(writeRtf(document), readBack);
        const QTextTable* table = QTextCursor(readBack.begin().next()).currentTable();
        QVERIFY(table);
        QCOMPARE(table->format().columnWidthConstraints(), QList<QTextLength>(4, QTextLength(QTextLength::FixedLength, 100)));
    }

    // Pictures read from a file go back with their own bytes; others are
    // written as PNG.
    void pictures_roundTrip()
    {
        const QByteArray png = encodedImage(filledImage(QSize(4, 3)), "png");
        const QByteArray jpeg = platform::encodeJpeg(filledImage(QSize(16, 8)));
        QTextDocument document;
        readRtf("{\\rtf1 a{\\pict\\pngblip\\picwgoal600\\pichgoal450 " + png.toHex() + "}b{\\pict\\jpegblip " + jpeg.toHex() + "}}",
            document);
        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::End);
        document.addResource(QTextDocument::ImageResource, QUrl(u"pasted.gif"_qs), filledImage(QSize(5, 5)));
        QTextImageFormat pasted;
        pasted.setName(u"pasted.gif"_qs);
        cursor.insertImage(pasted);

        const QByteArray rtf = writeRtf(document);
        QVERIFY(rtf.contains("\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450"));
        const QByteArray joined = QByteArray(rtf).replace("\r\n", "");
        QVERIFY(joined.contains(png.toHex()));
        QVERIFY(joined.contains(QByteArray("\\jpegblip\\picw16\\pich8\\picwgoal240\\pichgoal120" + jpeg.toHex())));
        QVERIFY(rtf.contains("\\pngblip\\picw5\\pich5\\picwgoal75\\pichgoal75"));
        QTextDocument readBack;
        readRtf(rtf, readBack);
        QCOMPARE(describeStructure(readBack), (QStringList { u"l 'a<picture 40x30>b<picture 16x8><picture 5x5>'"_qs }));
    }
};

QTEST_MAIN(RtfWriterTest)
#include "tst_rtfwriter.moc"

#include "platform/Picture.h"
#include "richtext/RichText.h"
#include "richtext/RtfPictures.h"

#include <QBuffer>

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include "RtfFixtures.h"

using namespace richtext;

namespace {

// The format of the character at position (counted over the whole text,
// one position per paragraph end).
QTextCharFormat formatAt(const QTextDocument& document, int position)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

QByteArray pngHex(QSize size)
{
    return encodedImage(filledImage(size), "png").toHex();
}

QByteArray jpegHex(QSize size)
{
    return platform::encodeJpeg(filledImage(size)).toHex();
}

// A bitmap file without its 14-byte file header.
QByteArray dibHex()
{
    return encodedImage(filledImage(QSize(2, 2)), "bmp").toHex().mid(28);
}

Qt::Alignment horizontalAlignment(const QTextBlock& block)
{
    return block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

QList<qreal> tabPositions(const QTextBlock& block)
{
    QList<qreal> positions;
    for (const QTextOption::Tab& tab : block.blockFormat().tabPositions())
        positions << tab.position;
    return positions;
}

} // namespace

class RtfReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void readsTextOfFixture_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("richedit header, \\'e9 and \\u8364?")
            << fixture("richedit.rtf")
            << QStringList { u"Café Europa €"_qs, u"1.\tIntro"_qs, u"2.\tFin"_qs };
        QTest::newRow("word processor header, style sheet, \\* destinations")
            << fixture("libreoffice.rtf")
            << QStringList { u"Velmora – Live"_qs, u"1.\tNaïve\t3:12"_qs };
        QTest::newRow("track list with tabs")
            << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\pard\tx567\tqr\tx5000\f0 {\b Album}\par
1.\tab Ol\'e9\tab 3:45\par 2.\tab {\i Z\'fcrich}\tab 4:01\par})")
            << QStringList { u"Album"_qs, u"1.\tOlé\t3:45"_qs, u"2.\tZürich\t4:01"_qs };
        QTest::newRow("\\uc2 skips two stand-ins, \\uc0 none")
            << QByteArray(R"({\rtf1\uc2\u1040\'c0\'c0A{\uc1\u1041 ?B}\u1042??C\uc0\u1043 D})")
            << QStringList { u"АAБBВCГD"_qs };
        QTest::newRow("braces end a stand-in")
            << QByteArray(R"({\rtf1\uc3\u1040 x{y}z})") << QStringList { u"Аyz"_qs };
        QTest::newRow("a control word ends a stand-in left out")
            << QByteArray(R"({\rtf1\uc1 Euro \u8364\par next \u8364\tab x\u8364\~y})")
            << QStringList { u"Euro €"_qs, u"next €\tx€\u00A0y"_qs };
        QTest::newRow("escaped characters and \\'hh are stand-ins")
            << QByteArray(R"({\rtf1\uc1\u8364\'80a\u8364\\b\uc2\u8364\{\}c})") << QStringList { u"€a€b€c"_qs };
        QTest::newRow("embedded object shows its result")
            << QByteArray(R"({\rtf1 a{\object\objemb{\*\objclass Paint.Picture}\objw600{\*\objdata 0105}{\result b{\object{\result c}}}}d{\object x}e})")
            << QStringList { u"abcde"_qs };
        QTest::newRow("unsigned above 32767 and surrogate pairs")
            << QByteArray(R"({\rtf1\u65533?\u-3?\u-10179?\u-8704?})")
            << QStringList { u"\uFFFD\uFFFD😀"_qs };
        QTest::newRow("lone surrogate")
            << QByteArray(R"({\rtf1 a\u-10179?b})") << QStringList { u"a\uFFFDb"_qs };
        QTest::newRow("picture written twice is no text")
            << QByteArray(R"({\rtf1 a{\*\shppict{\pict\pngblip\picw10 89504e470d0a}}{\nonshppict{\pict\wmetafile8 0100090000}}b{\pict 4142}c})")
            << QStringList { u"abc"_qs };
        QTest::newRow("\\upr keeps its Unicode half")
            << QByteArray(R"({\rtf1 {\upr{x\'e9y}{\*\ud{\u946?}}}})") << QStringList { u"β"_qs };
        QTest::newRow("control symbols")
            << QByteArray(R"({\rtf1 a\~b\-c\_d\{\}\\e})") << QStringList { u"a\u00A0b\u00ADc\u2011d{}\\e"_qs };
        QTest::newRow("backslash before a line break ends the paragraph")
            << QByteArray("{\\rtf1 a\\\r\nb\\\nc}") << QStringList { u"a"_qs, u"b"_qs, u"c"_qs };
        QTest::newRow("line breaks in the file are no text")
            << QByteArray("{\\rtf1 a\r\nb\rc\nd}") << QStringList { u"abcd"_qs };
        QTest::newRow("\\line inside a paragraph, \\page ends it")
            << QByteArray(R"({\rtf1 a\line b\page c})") << QStringList { u"a\u2028b"_qs, u"c"_qs };
        QTest::newRow("field keeps its result")
            << QByteArray(R"({\rtf1 see {\field{\*\fldinst HYPERLINK "x.html"}{\fldrslt here}} now})")
            << QStringList { u"see here now"_qs };
        QTest::newRow("known destinations skipped, unknown words ignored")
            << QByteArray(R"({\rtf1{\info{\title T}{\author A}}{\header H}{\footnote F}{\*\unknown U}\madeupword x{\madeup y}})")
            << QStringList { u"xy"_qs };
        QTest::newRow("binary data never parsed, also when skipped")
            << QByteArray(R"({\rtf1 a{\*\blob\bin6 }}{\{x}b\bin3 {}}c})") << QStringList { u"abc"_qs };
        QTest::newRow("hidden text dropped")
            << QByteArray(R"({\rtf1 a{\v secret}b\v c\v0 d})") << QStringList { u"abd"_qs };
        QTest::newRow("font character set gives the code page")
            << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset0 Arial;}{\f1\fcharset204 Arial Cyr;}{\f2\fcharset161 Arial Greek;}}\f0\'e9\f1\'cf\'f0\'e8\f2\'e1})")
            << QStringList { u"éПриα"_qs };
        QTest::newRow("document code page")
            << QByteArray(R"({\rtf1\ansi\ansicpg1250 \'9a\'e8})") << QStringList { u"šč"_qs };
        QTest::newRow("Macintosh and PC character sets")
            << QByteArray(R"({\rtf1\mac \'8e{\pc \'82}})") << QStringList { u"éé"_qs };
        QTest::newRow("unknown code page read as Windows-1252")
            << QByteArray(R"({\rtf1\ansi\ansicpg12345 \'e9\'80})") << QStringList { u"é€"_qs };
        QTest::newRow("double-byte code page")
            << QByteArray(R"({\rtf1\ansi\ansicpg932 \'93\'fa\'96\'7bx})") << QStringList { u"日本x"_qs };
        QTest::newRow("double-byte with literal trail byte")
            << QByteArray(R"({\rtf1{\fonttbl{\f0\fcharset128 MS Gothic;}}\f0 \'83e\'83X\'83g})")
            << QStringList { u"テスト"_qs };
        QTest::newRow("cells outside a table are tabs")
            << QByteArray(R"({\rtf1 a\cell b\cell\row c\par})") << QStringList { u"a\tb\t"_qs, u"c"_qs };
        QTest::newRow("label of a list the file does not define is text")
            << QByteArray(R"({\rtf1{\*\listtable{\list{\listlevel{\leveltext\'01\'b7;}}}}{\listtext\'95\tab}Item\par})")
            << QStringList { u"•\tItem"_qs };
        QTest::newRow("trailing \\par adds no empty paragraph")
            << QByteArray(R"({\rtf1 a\par b\par})") << QStringList { u"a"_qs, u"b"_qs };
        QTest::newRow("an empty paragraph before the end is kept")
            << QByteArray(R"({\rtf1 a\par\par})") << QStringList { u"a"_qs, QString() };
        QTest::newRow("empty document") << QByteArray(R"({\rtf1})") << QStringList { QString() };
    }
    void readsTextOfFixture()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, expected);
        QTextDocument document;
        readRichText(rtf, document);
        QCOMPARE(paragraphs(document), expected);
    }

    void nestedGroups_restoreCharacterFormatting()
    {
        QTextDocument document;
        readRtf(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 Courier New;}}\f0\fs20 a{\b b{\i\f1\fs40 c}d}e})", document);
        QCOMPARE(paragraphs(document), QStringList { u"abcde"_qs });
        struct Expected { bool bold; bool italic; const char* family; qreal points; };
        const Expected expected[] = {
            { false, false, "Arial", 10 }, { true, false, "Arial", 10 }, { true, true, "Courier New", 20 },
            { true, false, "Arial", 10 }, { false, false, "Arial", 10 },
        };
        for (int i = 0; i < 5; ++i) {
            const QTextCharFormat format = formatAt(document, i);
            QCOMPARE(format.fontWeight() >= QFont::Bold, expected[i].bold);
            QCOMPARE(format.fontItalic(), expected[i].italic);
            QCOMPARE(format.fontFamilies().toStringList().value(0), QLatin1String(expected[i].family));
            QCOMPARE(format.fontPointSize(), expected[i].points);
        }
    }

    void characterFormatting_mapsToDocumentFormats()
    {
        QTextDocument document;
        readRtf(R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
                R"(u\ul U\ulnone d\uldb D\ulnone w\ulwave W\ulnone s\strike S\strike0 )"
                R"(r\cf1 R\cf0 h\highlight2 H\highlight0 p\chcbpat1 P\chcbpat0 )"
                R"(x\super X\nosupersub y\sub Y\sub0 c\caps C\scaps0 K\caps0\plain z})",
            document);
        const QString text = document.toPlainText();
        QCOMPARE(text, u"uUdDwWsSrRhHpPxXyYcCKz"_qs);
        auto at = [&](QChar c) { return formatAt(document, int(text.indexOf(c))); };

        QCOMPARE(at(u'u').underlineStyle(), QTextCharFormat::NoUnderline);
        QCOMPARE(at(u'U').underlineStyle(), QTextCharFormat::SingleUnderline);
        QCOMPARE(at(u'D').underlineStyle(), QTextCharFormat::SingleUnderline);
        QCOMPARE(at(u'W').underlineStyle(), QTextCharFormat::WaveUnderline);
        QVERIFY(!at(u's').fontStrikeOut());
        QVERIFY(at(u'S').fontStrikeOut());
        QVERIFY(!at(u'r').hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(at(u'R').foreground().color(), QColor(255, 0, 0));
        QVERIFY(!at(u'h').hasProperty(QTextFormat::BackgroundBrush));
        QCOMPARE(at(u'H').background().color(), QColor(0, 0, 255));
        QCOMPARE(at(u'P').background().color(), QColor(255, 0, 0));
        QCOMPARE(at(u'X').verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(at(u'y').verticalAlignment(), QTextCharFormat::AlignNormal);
        QCOMPARE(at(u'Y').verticalAlignment(), QTextCharFormat::AlignSubScript);
        QCOMPARE(at(u'C').fontCapitalization(), QFont::AllUppercase);
        QCOMPARE(at(u'K').fontCapitalization(), QFont::AllUppercase); // "\scaps0" ends small capitals only
        QCOMPARE(at(u'z').fontPointSize(), 12.0);
    }

    void paragraphFormatting_inPixelsAtNinetySixPerInch()
    {
        QTextDocument document;
        readRtf(R"({\rtf1\pard\qc\li720\ri360\fi-360\sb120\sa240\sl-300 A\par)"
                R"(\pard\qr\sl360\slmult1 B\par\pard\qj\tx1440\tqc\tx2880\tqdec\tx4320 C\par)"
                R"(\pard\pagebb D\par})",
            document);
        const QTextBlock a = document.begin();
        const QTextBlockFormat first = a.blockFormat();
        QCOMPARE(horizontalAlignment(a), Qt::Alignment(Qt::AlignHCenter));
        QCOMPARE(first.leftMargin(), 48.0);
        QCOMPARE(first.rightMargin(), 24.0);
        QCOMPARE(first.textIndent(), -24.0);
        QCOMPARE(first.topMargin(), 8.0);
        QCOMPARE(first.bottomMargin(), 16.0);
        QCOMPARE(first.lineHeightType(), int(QTextBlockFormat::FixedHeight));
        QCOMPARE(first.lineHeight(), 20.0);

        const QTextBlockFormat second = a.next().blockFormat();
        QCOMPARE(horizontalAlignment(a.next()), Qt::Alignment(Qt::AlignRight));
        QCOMPARE(second.leftMargin(), 0.0);
        QCOMPARE(second.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
        QCOMPARE(second.lineHeight(), 150.0);

        const QTextBlock c = a.next().next();
        QCOMPARE(horizontalAlignment(c), Qt::Alignment(Qt::AlignJustify));
        QCOMPARE(tabPositions(c), (QList<qreal> { 96, 192, 288 }));
        const QList<QTextOption::Tab> tabs = c.blockFormat().tabPositions();
        QCOMPARE(tabs.at(0).type, QTextOption::LeftTab);
        QCOMPARE(tabs.at(1).type, QTextOption::CenterTab);
        QCOMPARE(tabs.at(2).type, QTextOption::DelimiterTab);
        QCOMPARE(c.next().blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
    }

    // A paragraph takes the formatting in force at its end; a group closing
    // afterwards takes the formatting back.
    void paragraphFormatting_isStateAtParagraphEnd()
    {
        QTextDocument document;
        readRtf(R"({\rtf1 a{\qc\par}b\par{\pard\tx720 c}\par})", document);
        QCOMPARE(paragraphs(document), (QStringList { u"a"_qs, u"b"_qs, u"c"_qs }));
        QCOMPARE(horizontalAlignment(document.begin()), Qt::Alignment(Qt::AlignHCenter));
        QCOMPARE(horizontalAlignment(document.begin().next()), Qt::Alignment(Qt::AlignLeft));
        QVERIFY(document.lastBlock().blockFormat().tabPositions().isEmpty());
    }

    void richEditFixture_keepsItsFormatting()
    {
        QTextDocument document;
        readRichText(fixture("richedit.rtf"), document);
        const QTextBlock title = document.begin();
        QCOMPARE(horizontalAlignment(title), Qt::Alignment(Qt::AlignHCenter));
        QCOMPARE(title.blockFormat().bottomMargin(), 200 / 15.0);
        QCOMPARE(title.blockFormat().lineHeight(), 115.0);
        QCOMPARE(formatAt(document, 0).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(document, 0).fontPointSize(), 14.0);
        QCOMPARE(formatAt(document, 0).fontFamilies().toStringList(), QStringList { u"Arial"_qs });
        const QTextBlock fin = title.next().next();
        const QTextCharFormat finFormat = formatAt(document, fin.position());
        QCOMPARE(finFormat.fontWeight(), int(QFont::Normal));
        QCOMPARE(finFormat.foreground().color(), QColor(Qt::red));
        QCOMPARE(finFormat.fontFamilies().toStringList(), QStringList { u"Verdana"_qs });
    }

    void wordProcessorFixture_keepsFontsAndTabStops()
    {
        QTextDocument document;
        readRichText(fixture("libreoffice.rtf"), document);
        QCOMPARE(formatAt(document, 0).fontFamilies().toStringList(), QStringList { u"Liberation Sans"_qs });
        QCOMPARE(formatAt(document, 0).fontWeight(), int(QFont::Bold));
        const QTextBlock track = document.begin().next();
        QCOMPARE(tabPositions(track), (QList<qreal> { 1134 / 15.0, 8505 / 15.0 }));
        QCOMPARE(track.blockFormat().tabPositions().at(1).type, QTextOption::RightTab);
        QCOMPARE(formatAt(document, track.position()).fontWeight(), int(QFont::Normal));
        QCOMPARE(document.defaultTextOption().tabStopDistance(), 709 / 15.0);
    }

    void emptyParagraph_keepsItsFontSize()
    {
        QTextDocument document;
        readRtf(R"({\rtf1\fs20 a\par\fs48\par\fs20 b})", document);
        QCOMPARE(document.begin().next().charFormat().fontPointSize(), 24.0);
    }

    void readingReplacesContentUndoHistoryAndModifiedState()
    {
        QTextDocument document;
        QTextCursor(&document).insertText(QStringLiteral("old"));
        QVERIFY(document.isUndoAvailable());
        QVERIFY(document.isModified());
        readRtf(R"({\rtf1 new})", document);
        QCOMPARE(document.toPlainText(), u"new"_qs);
        QVERIFY(!document.isUndoAvailable());
        QVERIFY(document.isUndoRedoEnabled());
        QVERIFY(!document.isModified());
    }

    // ---- tables, lists and pictures as other editors write them

    void objectsOfOtherEditors_areKept_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("expected");
        // WordPad: borders on rows and cells, the older list form, a
        // metafile (not shown) and an object showing a picture.
        QTest::newRow("wordpad") << fixture("wordpad-objects.rtf") << QStringList {
            u"l ''"_qs, // the document's empty first line, which a table at the start needs
            u"table 2x3 widths 47,240,53 border 1"_qs,
            u"  cell 0,0 1x1 l '1.'"_qs, u"  cell 0,1 1x1 l 'Intro'"_qs, u"  cell 0,2 1x1 r '3:12'"_qs,
            u"  cell 1,0 1x1 l '2.'"_qs, u"  cell 1,1 1x1 l 'Café'"_qs, u"  cell 1,2 1x1 r '4:01'"_qs,
            u"l ''"_qs,
            u"l 'Guitar' [disc level 1]"_qs, u"l 'Bass' [disc level 1]"_qs,
            u"l 'One' [decimal level 1 1.]"_qs, u"l 'Two' [decimal level 1 2.]"_qs,
            u"l 'Logo  here'"_qs, u"l '<picture 40x30>'"_qs,
        };
        // LibreOffice: a list table with two levels each, a picture in a
        // shape picture group.
        QTest::newRow("libreoffice") << fixture("libreoffice-objects.rtf") << QStringList {
            u"l ''"_qs,
            u"table 2x3 widths 76,491,76 border 1"_qs,
            u"  cell 0,0 1x1 l '1.'"_qs, u"  cell 0,1 1x1 l 'Intro'"_qs, u"  cell 0,2 1x1 r '3:12'"_qs,
            u"  cell 1,0 1x1 l '2.'"_qs, u"  cell 1,1 1x1 l 'Naïve'"_qs, u"  cell 1,2 1x1 r '4:01'"_qs,
            u"l ''"_qs,
            u"l 'Guitar' [disc level 1]"_qs, u"l 'Fretless' [circle level 2]"_qs,
            u"l 'One' [decimal level 1 1.]"_qs, u"l 'Sub' [a level 2 (a)]"_qs, u"l 'Two' [decimal level 1 2.]"_qs,
            u"l 'Logo <picture 60x45> end'"_qs,
        };
        // Word: a heading cell over three columns, a cell merged with the
        // one below, row definitions repeated at the row's end, pictures
        // with metafile stand-ins, and an object whose picture is a metafile
        // with a PNG stand-in.
        QTest::newRow("word") << fixture("word-objects.rtf") << QStringList {
            u"l ''"_qs,
            u"table 3x3 widths 74,267,67 border 1"_qs,
            u"  cell 0,0 1x3 c 'Live 2002'"_qs,
            u"  cell 1,0 1x1 l '1.'"_qs, u"  cell 1,1 1x1 l 'Intro'"_qs, u"  cell 1,2 2x1 r '3:12'"_qs,
            u"  cell 2,0 1x1 l '2.'"_qs, u"  cell 2,1 1x1 l 'Outro'"_qs,
            u"l 'Guitar' [disc level 1]"_qs, u"l 'Fretless' [circle level 2]"_qs,
            u"l 'Five' [decimal level 1 1.]"_qs, u"l 'Roman' [i level 2 i.]"_qs,
            u"l 'Logo <picture 16x8> and <picture 4x3>'"_qs,
        };
    }
    void objectsOfOtherEditors_areKept()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, expected);
        QTextDocument document;
        readRtf(rtf, document);
        QCOMPARE(describeStructure(document), expected);
    }

    void listLevelText_givesTheLabel_data()
    {
        QTest::addColumn<QByteArray>("levelText");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text around the number") << QByteArray(R"(\'0bChapter \'00 -;)") << u"l 'Intro' [decimal level 1 Chapter 1 -]"_qs;
        QTest::newRow("numbers of other levels left out") << QByteArray(R"(\'04\'01.\'00.;)") << u"l 'Intro' [decimal level 1 .1.]"_qs;
        QTest::newRow("text past its length left out") << QByteArray(R"(\'02\'00) extra;)") << u"l 'Intro' [decimal level 1 1)]"_qs;
        QTest::newRow("very long text is cut") << QByteArray("\\'c8\\'00" + QByteArray(199, 'x') + ";")
                                               << QString(u"l 'Intro' [decimal level 1 1"_qs + QString(100, u'x') + u']');
    }
    void listLevelText_givesTheLabel()
    {
        QFETCH(QByteArray, levelText);
        QFETCH(QString, expected);
        QTextDocument document;
        readRtf(R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext)" + levelText
                + R"(}}\listid7}}{\*\listoverridetable{\listoverride\listid7\ls1}}\pard\ls1 Intro\par})",
            document);
        QCOMPARE(describeStructure(document), QStringList { expected });
    }

    void tables_takeColumnsFromAllRows_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("a row with an edge more splits a column")
            << QByteArray(R"({\rtf1\trowd\cellx1500\cellx4500\intbl a\cell b\cell\row)"
                          R"(\trowd\cellx1500\cellx3000\cellx4500\intbl c\cell d\cell e\cell\row\pard f\par})")
            << QStringList { u"l ''"_qs, u"table 2x3 widths 100,100,100 border 0"_qs,
                   u"  cell 0,0 1x1 l 'a'"_qs, u"  cell 0,1 1x2 l 'b'"_qs,
                   u"  cell 1,0 1x1 l 'c'"_qs, u"  cell 1,1 1x1 l 'd'"_qs, u"  cell 1,2 1x1 l 'e'"_qs,
                   u"l 'f'"_qs };
        QTest::newRow("an empty cell split by the next row keeps its format")
            << QByteArray(R"({\rtf1\trowd\cellx3000\pard\intbl\qr\fs40\cell\row\trowd\cellx1000\cellx3000\pard\intbl\fs24 a\cell b\cell\row})")
            << QStringList { u"l ''"_qs, u"table 2x2 widths 67,133 border 0"_qs, u"  cell 0,0 1x2 r ''"_qs,
                   u"  cell 1,0 1x1 l 'a'"_qs, u"  cell 1,1 1x1 l 'b'"_qs, u"l ''"_qs };
        QTest::newRow("older merge words, alignment, paragraphs in a cell")
            << QByteArray(R"({\rtf1 x\par\trowd\trgaph75\trleft300\clmgf\cellx1500\clmrg\cellx3000\cellx4500)"
                          R"(\pard\intbl\qc a\par b\cell\cell c\cell\row})")
            << QStringList { u"l 'x'"_qs, u"table 1x3 widths 80,100,100 border 0"_qs,
                   u"  cell 0,0 1x2 c 'a'"_qs, u"  cell 0,0 1x2 c 'b'"_qs, u"  cell 0,2 1x1 c 'c'"_qs,
                   u"l ''"_qs };
        QTest::newRow("more cells than edges, a row cut short, text after the row")
            << QByteArray(R"({\rtf1\trowd\cellx1500\intbl a\cell b\cell\row\intbl c\cell\pard d})")
            << QStringList { u"l ''"_qs, u"table 2x2 widths 100,96 border 0"_qs,
                   u"  cell 0,0 1x1 l 'a'"_qs, u"  cell 0,1 1x1 l 'b'"_qs,
                   u"  cell 1,0 1x1 l 'c'"_qs, u"  cell 1,1 1x1 l ''"_qs, u"l 'd'"_qs };
        QTest::newRow("nested tables are rows of tab-separated cells")
            << QByteArray(R"({\rtf1\trowd\cellx3000\pard\intbl\itap2 a\nestcell b\nestcell{\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables\par})"
                          R"(c\nestcell d\nestcell{\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables\par}\pard\intbl\cell\row})")
            << QStringList { u"l ''"_qs, u"table 1x1 widths 200 border 0"_qs, u"  cell 0,0 1x1 l 'a\tb\t'"_qs,
                   u"  cell 0,0 1x1 l 'c\td\t'"_qs, u"  cell 0,0 1x1 l ''"_qs, u"l ''"_qs };
    }
    void tables_takeColumnsFromAllRows()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, expected);
        QTextDocument document;
        readRtf(rtf, document);
        QCOMPARE(describeStructure(document), expected);
    }

    // A cell's format and its first characters' format are one in the
    // document: highlighted or raised text must not colour or align the cell.
    void cellStartFormatting_staysWithTheText()
    {
        QTextDocument document;
        readRtf(R"({\rtf1{\colortbl;\red255\green0\blue0;}\trowd\clvertalb\cellx1440)"
                R"(\pard\intbl\highlight1\super x\cell\row})",
            document);
        const QTextTable* table = QTextCursor(document.begin().next()).currentTable();
        QVERIFY(table);
        const QTextTableCellFormat first = table->cellAt(0, 0).format().toTableCellFormat();
        QVERIFY(!first.hasProperty(QTextFormat::BackgroundBrush));
        QCOMPARE(first.verticalAlignment(), QTextCharFormat::AlignBottom);
        QCOMPARE(formatAt(document, document.begin().next().position()).background().color(), QColor(255, 0, 0));
    }

    // A table as wide as a file may make it stays within bounds.
    void tables_areBounded()
    {
        QByteArray edges;
        for (int i = 1; i <= 200; ++i)
            edges += "\\cellx" + QByteArray::number(i * 20);
        QByteArray rows;
        for (int i = 0; i < 2000; ++i)
            rows += "\\intbl x\\cell\\row";
        QTextDocument document;
        readRtf("{\\rtf1\\trowd" + edges + rows + "\\pard end}", document);
        const QTextTable* table = QTextCursor(document.begin().next()).currentTable();
        QVERIFY(table);
        QCOMPARE(table->columns(), 63);
        QVERIFY(qint64(table->rows()) * table->columns() <= 20000);
        QVERIFY(document.toPlainText().endsWith(u"x\t\nx\t\nend"_qs)); // rows past the limit are paragraphs
    }

    void pictures_readByKind_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("expected");
        const QByteArray png = pngHex(QSize(4, 3));
        QTest::newRow("PNG, size from goal and scale")
            << QByteArray(R"({\rtf1 a{\pict\pngblip\picw4\pich3\picwgoal600\pichgoal450\picscalex50\picscaley200 )" + png + "}b}")
            << QStringList { u"l 'a<picture 20x60>b'"_qs };
        QTest::newRow("without a goal, at its pixel size")
            << QByteArray(R"({\rtf1{\pict\pngblip )" + png + "}}") << QStringList { u"l '<picture 4x3>'"_qs };
        QTest::newRow("binary data")
            << QByteArray(R"({\rtf1{\pict\pngblip\bin)" + QByteArray::number(png.size() / 2) + " " + QByteArray::fromHex(png) + "}}")
            << QStringList { u"l '<picture 4x3>'"_qs };
        QTest::newRow("JPEG")
            << QByteArray(R"({\rtf1{\pict\jpegblip\picwgoal240\pichgoal120 )" + jpegHex(QSize(16, 8)) + "}}")
            << QStringList { u"l '<picture 16x8>'"_qs };
        QTest::newRow("packed bitmap") << QByteArray(R"({\rtf1{\pict\dibitmap0\picw2\pich2 )" + dibHex() + "}}")
                                       << QStringList { u"l '<picture 2x2>'"_qs };
        QTest::newRow("device bitmap, one bit per pixel")
            << QByteArray(R"({\rtf1{\pict\wbitmap0\picw9\pich2\wbmbitspixel1\wbmplanes1\wbmwidthbytes2 ff80 0000}})")
            << QStringList { u"l '<picture 9x2>'"_qs };
        QTest::newRow("metafile alone shows nothing")
            << QByteArray(R"({\rtf1 a{\pict\wmetafile8\picw100\pich100 010009000003}b})") << QStringList { u"l 'ab'"_qs };
        QTest::newRow("shape picture shown, its stand-in not")
            << QByteArray(R"({\rtf1{\*\shppict{\pict\pngblip )" + png + R"(}}{\nonshppict{\pict\wmetafile8 0100}}})")
            << QStringList { u"l '<picture 4x3>'"_qs };
        QTest::newRow("metafile skipped for its stand-in")
            << QByteArray(R"({\rtf1{\*\shppict{\pict\emfblip 01000000}}{\nonshppict{\pict\pngblip )" + png + "}}}")
            << QStringList { u"l '<picture 4x3>'"_qs };
        QTest::newRow("damaged picture data shows nothing")
            << QByteArray(R"({\rtf1 a{\pict\pngblip 89504e470d0a1a0a0000}b{\pict\jpegblip ffd8ffe000104a46}c{\pict\dibitmap0 2800}d})")
            << QStringList { u"l 'abcd'"_qs };
        QTest::newRow("absurd sizes are bounded")
            << QByteArray(R"({\rtf1{\pict\pngblip\picwgoal99999999\pichgoal15\picscalex99999 )" + png + "}}")
            << QStringList { u"l '<picture 2112x1>'"_qs };
    }
    void pictures_readByKind()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, expected);
        QTextDocument document;
        readRtf(rtf, document);
        QCOMPARE(describeStructure(document), expected);
    }

    // What a text's pictures decode to is bounded: pictures past the bound
    // are not shown.
    void pictures_shareOneBoundOfPixels()
    {
        rtf::PictureState picture;
        picture.kind = rtf::PictureKind::Png;
        const QByteArray hex = pngHex(QSize(4, 3));
        picture.addHex(hex.constData(), hex.size());
        QTextDocument document;
        qint64 pixelsLeft = 20;
        QVERIFY(rtf::addPicture(document, picture, pixelsLeft));
        QCOMPARE(pixelsLeft, 8);
        QVERIFY(!rtf::addPicture(document, picture, pixelsLeft));
        QCOMPARE(pixelsLeft, 8);
    }

    // ---- damaged and hostile input: the text read so far, no crash, no runaway

    void damagedInput_givesTextReadSoFar_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");

        QTest::newRow("missing closing braces") << QByteArray(R"({\rtf1 a{\b b{\i c)") << u"abc"_qs;
        QTest::newRow("extra closing braces end the document")
            << QByteArray(R"({\rtf1 a}}}} b)") << u"a"_qs;
        QTest::newRow("\\bin longer than the file") << QByteArray(R"({\rtf1 a\bin999999 xyz)") << u"a"_qs;
        QTest::newRow("negative \\bin") << QByteArray(R"({\rtf1 a\bin-5 b})") << u"ab"_qs;
        QTest::newRow("cut inside a hex escape") << QByteArray(R"({\rtf1 a\'e)") << u"a"_qs;
        QTest::newRow("bad hex escape") << QByteArray(R"({\rtf1 a\'zzb\'ez})") << u"azzbz"_qs;
        QTest::newRow("cut after a backslash") << QByteArray("{\\rtf1 a\\") << u"a"_qs;
        QTest::newRow("cut inside a skipped group") << QByteArray(R"({\rtf1 a{\pict 0102)") << u"a"_qs;
        QTest::newRow("cut inside the font table") << QByteArray(R"({\rtf1{\fonttbl{\f0 Ari)") << QString();
        QTest::newRow("huge numbers")
            << QByteArray(R"({\rtf1\fs99999999999999999999\li-99999999999\tx99999999999\cf4294967296)"
                          R"(\f-2147483648{\uc99999999999\u65 xyz}\u99999999999 a\deftab-1 b\sl-2147483648 c})")
            << u"Abc"_qs;
        QTest::newRow("overlong control word")
            << QByteArray("{\\rtf1 a\\" + QByteArray(100000, 'x') + " b}") << u"ab"_qs;
        QTest::newRow("text before the outer group is ignored") << QByteArray("junk{\\rtf1 a}") << u"a"_qs;
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("only the signature") << QByteArray("{\\rtf") << QString();
    }
    void damagedInput_givesTextReadSoFar()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QTextDocument document;
        readRtf(rtf, document);
        QCOMPARE(document.toPlainText(), expected);
    }

    void hugeParameters_areBounded()
    {
        QTextDocument document;
        readRtf(R"({\rtf1\fs99999999999\li99999999999\fi-99999999999\tx99999999999 a})", document);
        QCOMPARE(formatAt(document, 0).fontPointSize(), 1638.0);
        QCOMPARE(document.begin().blockFormat().leftMargin(), 31680 / 15.0);
        QCOMPARE(document.begin().blockFormat().textIndent(), -31680 / 15.0);
    }

    // Past the depth limit groups share one state: text stays, and what
    // they change ends with the outermost of them.
    void deepNesting_keepsTextWithoutRecursion()
    {
        const QByteArray open(100000, '{');
        const QByteArray close(100000, '}');
        QTextDocument document;
        readRtf("{\\rtf1 a" + open + "\\b deep{\\*\\unknown x}{\\i er}" + close + "b}", document);
        QCOMPARE(document.toPlainText(), u"adeeperb"_qs);
        QVERIFY(formatAt(document, 1).fontWeight() >= QFont::Bold);
        QCOMPARE(formatAt(document, 7).fontWeight(), int(QFont::Normal));
        QVERIFY(!formatAt(document, 7).fontItalic());
        readRtf("{\\rtf1 a" + open + "deep", document);
        QCOMPARE(document.toPlainText(), u"adeep"_qs);
        readRtf("{\\rtf1 a{{{{{{{{{{{{{{{{{{{{b}}}}}}}}}}}}}}}}}}}}c}", document);
        QCOMPARE(document.toPlainText(), u"abc"_qs);
    }

    void truncatedFile_givesPrefixOfText()
    {
        const QByteArray rtf = fixture("richedit.rtf").replace("\\u8364?", "");
        QTextDocument full;
        readRtf(rtf, full);
        const QString fullText = full.toPlainText();
        for (qsizetype cut = 0; cut < rtf.size(); ++cut) {
            QTextDocument document;
            readRtf(rtf.left(cut), document);
            QVERIFY2(fullText.startsWith(document.toPlainText()), qPrintable(QString::number(cut)));
        }
    }

    void binaryGarbage_isSurvived()
    {
        QRandomGenerator random(20240601);
        for (int round = 0; round < 20; ++round) {
            QByteArray garbage(16384, Qt::Uninitialized);
            for (char& byte : garbage)
                byte = char(random.bounded(256));
            if (round % 2 == 0) // favour the reader's own characters
                for (char& byte : garbage)
                    byte = "{}\\'u0123456789abfx;* \r\n"[quint8(byte) % 23];
            QTextDocument document;
            readRichText("{\\rtf1" + garbage, document);
            readRichText(garbage, document);
            QVERIFY(document.characterCount() >= 1);
        }
    }
};

QTEST_MAIN(RtfReaderTest)
#include "tst_rtfreader.moc"

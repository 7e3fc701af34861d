#include "richtext/RichText.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

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
        QTest::newRow("table cells and rows")
            << QByteArray(R"({\rtf1\trowd\cellx1000\cellx2000\intbl a\cell b\cell\row c\par})")
            << QStringList { u"a\tb\t"_qs, u"c"_qs };
        QTest::newRow("list bullet text kept")
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

    void deepNesting_isReadWithoutRecursion()
    {
        const QByteArray open(100000, '{');
        const QByteArray close(100000, '}');
        QTextDocument document;
        readRtf("{\\rtf1 a" + open + "deep" + close + "b}", document);
        QCOMPARE(document.toPlainText(), u"ab"_qs); // too deep to be text of a real document
        readRtf("{\\rtf1 a" + open + "deep", document);
        QCOMPARE(document.toPlainText(), u"a"_qs);
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

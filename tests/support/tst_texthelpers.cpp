#include "support/Support.h"

#include <QTest>

#include <functional>

namespace {

QString apply(const QString& routine, QChar c, const QString& s)
{
    static const QHash<QString, std::function<QString(QChar, const QString&)>> routines = {
        { QStringLiteral("RightOf"), RightOf },
        { QStringLiteral("LeftOf"), LeftOf },
        { QStringLiteral("LeftOfLast"), LeftOfLast },
        { QStringLiteral("UnNumber"), [](QChar, const QString& t) { return UnNumber(t); } },
        { QStringLiteral("UnAlpha"), [](QChar, const QString& t) { return UnAlpha(t); } },
        { QStringLiteral("UnSpace"), [](QChar, const QString& t) { return UnSpace(t); } },
        { QStringLiteral("UnBeginSpace"), [](QChar, const QString& t) { return UnBeginSpace(t); } },
        { QStringLiteral("UnEndSpace"), [](QChar, const QString& t) { return UnEndSpace(t); } },
    };
    return routines.value(routine)(c, s);
}

} // namespace

class TextHelpersTest : public QObject
{
    Q_OBJECT

private slots:
    void routine_data()
    {
        QTest::addColumn<QString>("routine");
        QTest::addColumn<QChar>("c");
        QTest::addColumn<QString>("s");
        QTest::addColumn<QString>("expected");
        const QString empty;
        const QChar none;
        const QChar backslash(u'\\');

        // clang-format off
        QTest::newRow("RightOf extension") << "RightOf" << QChar(u'.') << "Front.jpg" << "jpg";
        QTest::newRow("RightOf first comma") << "RightOf" << QChar(u',') << "a,b,c" << "b,c";
        QTest::newRow("RightOf last character") << "RightOf" << QChar(u'.') << "abc." << empty;
        QTest::newRow("RightOf absent") << "RightOf" << QChar(u'/') << "abc" << empty;
        QTest::newRow("RightOf empty") << "RightOf" << QChar(u'/') << empty << empty;
        QTest::newRow("LeftOf name") << "LeftOf" << QChar(u'.') << "Front.jpg" << "Front";
        QTest::newRow("LeftOf first comma") << "LeftOf" << QChar(u',') << "a,b,c" << "a";
        QTest::newRow("LeftOf first character") << "LeftOf" << QChar(u',') << ",x" << empty;
        QTest::newRow("LeftOf absent") << "LeftOf" << QChar(u'/') << "abc" << empty;
        QTest::newRow("LeftOf empty") << "LeftOf" << QChar(u'/') << empty << empty;
        QTest::newRow("LeftOfLast trailing separator")
            << "LeftOfLast" << backslash << "C:\\Users\\user\\Desktop\\" << "C:\\Users\\user\\Desktop";
        QTest::newRow("LeftOfLast folder name")
            << "LeftOfLast" << backslash << "C:\\Users\\user\\Desktop" << "C:\\Users\\user";
        QTest::newRow("LeftOfLast last dot") << "LeftOfLast" << QChar(u'.') << "a.b.c" << "a.b";
        QTest::newRow("LeftOfLast at start") << "LeftOfLast" << backslash << "\\abc" << empty;
        QTest::newRow("LeftOfLast absent") << "LeftOfLast" << QChar(u'.') << "abc" << empty;
        QTest::newRow("LeftOfLast only separator") << "LeftOfLast" << backslash << "\\" << empty;
        QTest::newRow("LeftOfLast empty") << "LeftOfLast" << backslash << empty << empty;
        QTest::newRow("UnNumber mixed") << "UnNumber" << none << "a1b2c3" << "abc";
        QTest::newRow("UnNumber digits only") << "UnNumber" << none << "2013" << empty;
        QTest::newRow("UnNumber other-script digit kept") << "UnNumber" << none << "x\u0661"
                                                          << "x\u0661";
        QTest::newRow("UnNumber empty") << "UnNumber" << none << empty << empty;
        QTest::newRow("UnAlpha version") << "UnAlpha" << none << "1.00c" << "100";
        QTest::newRow("UnAlpha letters only") << "UnAlpha" << none << "abc" << empty;
        QTest::newRow("UnAlpha punctuation and spaces") << "UnAlpha" << none << " 1, 2-3 " << "123";
        QTest::newRow("UnAlpha other-script digit dropped") << "UnAlpha" << none << "7\u0661" << "7";
        QTest::newRow("UnAlpha empty") << "UnAlpha" << none << empty << empty;
        QTest::newRow("UnSpace") << "UnSpace" << none << " a b " << "ab";
        QTest::newRow("UnSpace keeps tab") << "UnSpace" << none << "a\tb" << "a\tb";
        QTest::newRow("UnSpace empty") << "UnSpace" << none << empty << empty;
        QTest::newRow("UnBeginSpace") << "UnBeginSpace" << none << "  a b " << "a b ";
        QTest::newRow("UnBeginSpace only spaces") << "UnBeginSpace" << none << "   " << empty;
        QTest::newRow("UnBeginSpace keeps tab") << "UnBeginSpace" << none << "\t a" << "\t a";
        QTest::newRow("UnBeginSpace keeps no-break space") << "UnBeginSpace" << none << "\u00a0 a"
                                                           << "\u00a0 a";
        QTest::newRow("UnBeginSpace empty") << "UnBeginSpace" << none << empty << empty;
        QTest::newRow("UnEndSpace") << "UnEndSpace" << none << " a b  " << " a b";
        QTest::newRow("UnEndSpace only spaces") << "UnEndSpace" << none << "   " << "   ";
        QTest::newRow("UnEndSpace keeps line break") << "UnEndSpace" << none << "a \n" << "a \n";
        QTest::newRow("UnEndSpace empty") << "UnEndSpace" << none << empty << empty;
        // clang-format on
    }
    void routine()
    {
        QFETCH(QString, routine);
        QFETCH(QChar, c);
        QFETCH(QString, s);
        QFETCH(QString, expected);
        QCOMPARE(apply(routine, c, s), expected);
    }

    void digitFilters_leaveResultInWorkText()
    {
        TmpStr = QStringLiteral("previous");
        QCOMPARE(UnAlpha(QStringLiteral("1.00c")), QStringLiteral("100"));
        QCOMPARE(TmpStr, QStringLiteral("100"));
        QCOMPARE(UnNumber(QStringLiteral("v1.2")), QStringLiteral("v."));
        QCOMPARE(TmpStr, QStringLiteral("v."));
        UnAlpha(QString());
        QVERIFY(TmpStr.isEmpty());
    }

    void trimmingBothSides_ofSpacesOnly_givesEmpty()
    {
        QCOMPARE(UnEndSpace(UnBeginSpace(QStringLiteral("    "))), QString());
        QCOMPARE(UnEndSpace(UnBeginSpace(QStringLiteral("  Side A  "))), QStringLiteral("Side A"));
    }
};

QTEST_GUILESS_MAIN(TextHelpersTest)
#include "tst_texthelpers.moc"

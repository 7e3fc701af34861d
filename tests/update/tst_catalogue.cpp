#include "update/Catalogue.h"

#include <QTest>

namespace {

const QString kOther = QStringLiteral("qzOther,qzOther200.exe,b,10,0\r\n");
const QString kEnglishVersion = QStringLiteral("version 1.00c");

// A catalogue of two records, the program's second, long enough to be read.
QString catalogueWith(const QString& record)
{
    return kOther + record + QStringLiteral("\r\n");
}

CatalogueCheck check(
    const QString& catalogue, const QString& current = kEnglishVersion, bool dutch = false)
{
    return checkCatalogue(catalogue, QStringLiteral("qzLayer"), current, dutch);
}

const QChar kNoLetter(0);

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    void recordSplit_keepsEmptyFieldsInPlace_data()
    {
        const QString e = kEmptyField;
        QTest::addColumn<QString>("record");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("plain") << "a,b,c" << QStringList { "a", "b", "c" };
        QTest::newRow("adjacent commas") << "a,,b" << QStringList { "a", e, "b" };
        QTest::newRow("leading comma") << ",a" << QStringList { e, "a" };
        QTest::newRow("trailing comma adds nothing") << "a,b," << QStringList { "a", "b" };
        QTest::newRow("only commas") << ",," << QStringList { e, e };
        QTest::newRow("no comma") << "abc" << QStringList { "abc" };
        QTest::newRow("empty") << "" << QStringList {};
        QTest::newRow("spaces kept") << " a , b" << QStringList { " a ", " b" };
    }
    void recordSplit_keepsEmptyFieldsInPlace()
    {
        QFETCH(QString, record);
        QFETCH(QStringList, fields);
        QCOMPARE(splitCatalogueRecord(record), fields);
    }

    void versionComparison_digitsAsTextThenLetter_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("shown");
        const QString v100c = kEnglishVersion;
        const QString v100 = QStringLiteral("version 1.00");
        QTest::newRow("same digits, same letter")
            << v100c << "qzLayer,qzLayer100.exe,c,2000,0" << 0 << "1.00c";
        QTest::newRow("same digits, later letter")
            << v100c << "qzLayer,qzLayer100.exe,d,2000,0" << 4 << "1.00d";
        QTest::newRow("same digits, earlier letter")
            << v100c << "qzLayer,qzLayer100.exe,b,2000,0" << 0 << "1.00b";
        QTest::newRow("same digits, no letter")
            << v100c << "qzLayer,qzLayer100.exe,,2000,0" << 0 << "1.00";
        QTest::newRow("higher digits")
            << v100c << "qzLayer,qzLayer101.exe,a,2000,0" << 4 << "1.01a";
        QTest::newRow("higher digits, no letter")
            << v100c << "qzLayer,qzLayer101.exe,,2000,0" << 4 << "1.01";
        QTest::newRow("lower digits") << v100c << "qzLayer,qzLayer099.exe,z,2000,0" << 0 << "0.99z";
        QTest::newRow("compared as text: 99 beats 100")
            << v100c << "qzLayer,qzLayer99.exe,a,2000,0" << 4 << "9.9a";
        QTest::newRow("only first letter counts")
            << v100c << "qzLayer,qzLayer100.exe,ba,2000,0" << 0 << "1.00b";
        QTest::newRow("no current letter, new letter a")
            << v100 << "qzLayer,qzLayer100.exe,a,2000,0" << 4 << "1.00a";
        QTest::newRow("no current letter, no new letter")
            << v100 << "qzLayer,qzLayer100.exe,,2000,0" << 0 << "1.00";
        QTest::newRow("fourth digit not shown")
            << v100c << "qzLayer,qzLayer1012.exe,,2000,0" << 4 << "1.01";
        QTest::newRow("single digit") << v100c << "qzLayer,qzLayer2.exe,,2000,0" << 4 << "2.";
    }
    void versionComparison_digitsAsTextThenLetter()
    {
        QFETCH(QString, current);
        QFETCH(QString, record);
        QFETCH(int, result);
        QFETCH(QString, shown);
        const CatalogueCheck found = check(catalogueWith(record), current);
        QCOMPARE(int(found.result), result);
        QCOMPARE(found.displayVersion, shown);
        QCOMPARE(found.installerName, splitCatalogueRecord(record).at(1));
        QCOMPARE(found.downloadSize, 2000); // also behind an empty letter field
    }

    void currentVersionLetter_onlyTrailingLowerCase()
    {
        QCOMPARE(versionLetter(kEnglishVersion), QChar(u'c'));
        QCOMPARE(versionLetter(QStringLiteral("versie 1.00d")), QChar(u'd'));
        QCOMPARE(versionLetter(QStringLiteral("version 1.00")), kNoLetter);
        QCOMPARE(versionLetter(QStringLiteral("version 1.00C")), kNoLetter);
        QCOMPARE(versionLetter(QString()), kNoLetter);
        QCOMPARE(versionDigits(kEnglishVersion), QStringLiteral("100"));
    }

    void catalogueLength_fromFiftyCharactersUpTo65535_data()
    {
        const QString record = QStringLiteral("qzLayer,qzLayer101.exe,a,2000,0"); // 31 characters
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<int>("result");
        QTest::newRow("49 characters") << QString(18, u'-') + record << 2;
        QTest::newRow("50 characters") << QString(19, u'-') + record << 4;
        QTest::newRow("65535 characters") << QString(65535 - 31, u'-') + record << 4;
        QTest::newRow("65536 characters") << QString(65536 - 31, u'-') + record << 2;
        QTest::newRow("Default.htm") << "Default.htm" << 2;
        QTest::newRow("empty") << "" << 2;
    }
    void catalogueLength_fromFiftyCharactersUpTo65535()
    {
        QFETCH(QString, catalogue);
        QFETCH(int, result);
        QCOMPARE(int(check(catalogue).result), result);
    }

    void programName_firstOccurrenceStartsTheRecord()
    {
        // A longer name that begins with ours comes first: its record is taken.
        const QString catalogue = QStringLiteral("qzLayerPro,qzLayerPro200.exe,a,10,0\r\n"
                                                 "qzLayer,qzLayer101.exe,a,2000,0\r\n");
        const CatalogueCheck found = check(catalogue);
        QCOMPARE(int(found.result), int(kUpdateAdvised));
        QCOMPARE(found.installerName, QStringLiteral("qzLayerPro200.exe"));
        QCOMPARE(found.downloadSize, 10);

        const CatalogueCheck absent
            = checkCatalogue(catalogue, QStringLiteral("QZLAYER"), kEnglishVersion, false);
        QCOMPARE(int(absent.result), int(kProgramNotListed));
    }

    void recordEnd_isTheCarriageReturn()
    {
        // The last record needs no end; a record stops at its carriage return.
        const CatalogueCheck found
            = check(kOther + QStringLiteral("qzLayer,qzLayer101.exe,a,2000,0,nl,en"));
        QCOMPARE(found.remark, QStringLiteral("en"));
        const CatalogueCheck crlf
            = check(kOther + QStringLiteral("qzLayer,qzLayer101.exe,a,2000,0,nl,en\r\nx,y"));
        QCOMPARE(crlf.remark, QStringLiteral("en"));
    }

    void remark_needsSevenFieldsAndFollowsLanguage_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<QString>("remark");
        QTest::newRow("six fields") << "qzLayer,qzLayer101.exe,a,2000,0,Nieuw" << true << "";
        QTest::newRow("six and a trailing comma")
            << "qzLayer,qzLayer101.exe,a,2000,0,Nieuw," << false << "";
        QTest::newRow("seven, Dutch")
            << "qzLayer,qzLayer101.exe,a,2000,0,Nieuw,New" << true << "Nieuw";
        QTest::newRow("seven, English")
            << "qzLayer,qzLayer101.exe,a,2000,0,Nieuw,New" << false << "New";
    }
    void remark_needsSevenFieldsAndFollowsLanguage()
    {
        QFETCH(QString, record);
        QFETCH(bool, dutch);
        QFETCH(QString, remark);
        QCOMPARE(check(catalogueWith(record), kEnglishVersion, dutch).remark, remark);
    }

    void brokenOrHostileRecord_isUnusable_data()
    {
        QTest::addColumn<QString>("record");
        QTest::newRow("four fields") << "qzLayer,qzLayer101.exe,a,2000";
        QTest::newRow("size not a number") << "qzLayer,qzLayer101.exe,a,2k,0";
        QTest::newRow("size empty") << "qzLayer,qzLayer101.exe,a,,0";
        QTest::newRow("size negative") << "qzLayer,qzLayer101.exe,a,-5,0";
        QTest::newRow("size beyond 32 bits") << "qzLayer,qzLayer101.exe,a,4294967296,0";
        QTest::newRow("name empty") << "qzLayer,,a,2000,0";
        QTest::newRow("name without dot") << "qzLayer,qzLayer101,a,2000,0";
        QTest::newRow("no digit before dot") << "qzLayer,qzLayer.101exe,a,2000,0";
        QTest::newRow("parent folder") << "qzLayer,../qzLayer101.exe,a,2000,0";
        QTest::newRow("backslash parent") << "qzLayer,..\\qzLayer101.exe,a,2000,0";
        QTest::newRow("sub folder") << "qzLayer,bin/qzLayer101.exe,a,2000,0";
        QTest::newRow("absolute path") << "qzLayer,/tmp/qzLayer101.exe,a,2000,0";
        QTest::newRow("drive") << "qzLayer,C:qzLayer101.exe,a,2000,0";
        QTest::newRow("double dot in name") << "qzLayer,qzLayer101..exe,a,2000,0";
        QTest::newRow("control character") << "qzLayer,qzLayer101\n.exe,a,2000,0";
    }
    void brokenOrHostileRecord_isUnusable()
    {
        QFETCH(QString, record);
        const CatalogueCheck found = check(catalogueWith(record));
        QCOMPARE(int(found.result), int(kCatalogueUnusable));
        QVERIFY(found.installerName.isEmpty());
        QCOMPARE(found.downloadSize, 0);
    }

    void installerDisplayName_followsTheNameRule_data()
    {
        QTest::addColumn<QString>("installer");
        QTest::addColumn<QString>("shown");
        QTest::newRow("program installer") << "qzLayer101.exe"
                                           << "qzLAYER";
        QTest::newRow("capital Qz") << "Qzx.exe"
                                    << "qzX";
        QTest::newRow("other name") << "setup2.exe"
                                    << "Setup";
        QTest::newRow("digits inside") << "my2Tool3.exe"
                                       << "MyTool";
        QTest::newRow("only qz") << "qz1.exe"
                                 << "qz";
        QTest::newRow("non-ASCII letters kept") << "qzé1.exe"
                                                << "qzé";
        QTest::newRow("digits only") << "101.exe"
                                     << "";
        QTest::newRow("no dot") << "setup"
                                << "";
    }
    void installerDisplayName_followsTheNameRule()
    {
        QFETCH(QString, installer);
        QFETCH(QString, shown);
        QCOMPARE(installerDisplayName(installer), shown);
    }

    void installerAddressAndNames()
    {
        QCOMPARE(installerAddress(QStringLiteral("http://127.0.0.1:8080/versions.dat"),
                     QStringLiteral("qzLayer101.exe")),
            QStringLiteral("http://127.0.0.1:8080/qzLayer101.exe"));
        QCOMPARE(installerAddress(QStringLiteral("https://h.example/download/versions.dat"),
                     QStringLiteral("a1.exe")),
            QStringLiteral("https://h.example/download/a1.exe"));
        QCOMPARE(runningVersionInstallerName(QStringLiteral("qzLayer"), kEnglishVersion),
            QStringLiteral("qzLayer100") + installerExtension());
        QVERIFY(isPlainInstallerName(QStringLiteral("qzLayer101.exe")));
    }

    void hashField_isSixtyFourHexDigits_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("valid");
        const QString digits
            = QStringLiteral("0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789ABCDEF");
        QTest::newRow("mixed case") << digits << true;
        QTest::newRow("63 digits") << digits.left(63) << false;
        QTest::newRow("65 digits") << digits + u'0' << false;
        QTest::newRow("not hexadecimal") << digits.left(63) + u'g' << false;
        QTest::newRow("surrounded by spaces") << u' ' + digits.left(62) + u' ' << false;
        QTest::newRow("empty field") << kEmptyField << false;
    }
    void hashField_isSixtyFourHexDigits()
    {
        QFETCH(QString, field);
        QFETCH(bool, valid);
        const QByteArray hash = installerHashFromField(field);
        QCOMPARE(hash.size(), valid ? 32 : 0);
        if (valid)
            QCOMPARE(hash.toHex(), field.toLatin1().toLower());
    }

    void installerOffer_needsThisSystemsPackageAndAHash_data()
    {
        const QString hash(64, u'a');
        const QString package = QStringLiteral("qzLayer101") + installerExtension();
        QTest::addColumn<QString>("record");
        QTest::addColumn<bool>("offered");
        QTest::addColumn<QString>("remark");
        QTest::newRow("hash after the remarks")
            << "qzLayer," + package + ",a,2000,0,Nieuw,New," + hash << true << "New";
        QTest::newRow("hash after empty remarks")
            << "qzLayer," + package + ",a,2000,0,,," + hash << true << QString(kEmptyField);
        QTest::newRow("no hash") << "qzLayer," + package + ",a,2000,0,Nieuw,New" << false << "New";
        QTest::newRow("hash in the wrong place")
            << "qzLayer," + package + ",a,2000,0,Nieuw," + hash << false << hash;
        QTest::newRow("a shell script")
            << "qzLayer,qzLayer101.sh,a,2000,0,Nieuw,New," + hash << false << "New";
        QTest::newRow("extension in another case")
            << "qzLayer," + package.toUpper() + ",a,2000,0,Nieuw,New," + hash << false << "New";
    }
    void installerOffer_needsThisSystemsPackageAndAHash()
    {
        QFETCH(QString, record);
        QFETCH(bool, offered);
        QFETCH(QString, remark);
        const CatalogueCheck found = check(catalogueWith(record));
        QCOMPARE(int(found.result), int(kUpdateAdvised)); // the advice itself stands
        QCOMPARE(found.offersInstaller, offered);
        QCOMPARE(found.remark, remark);
        QCOMPARE(found.downloadSize, 2000);
    }

    void installerSize_isWithinTheLastKibibyteOfTheCatalogueSize_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<qint32>("sizeKiB");
        QTest::addColumn<bool>("matches");
        QTest::newRow("a KiB short") << qint64(999 * 1024) << 1000 << false;
        QTest::newRow("one byte into the last KiB") << qint64(999 * 1024 + 1) << 1000 << true;
        QTest::newRow("the whole size") << qint64(1000 * 1024) << 1000 << true;
        QTest::newRow("one byte over") << qint64(1000 * 1024 + 1) << 1000 << false;
        QTest::newRow("50 KB for 1000 KiB") << qint64(50000) << 1000 << false;
        QTest::newRow("50 MB for 20 KiB") << qint64(50000000) << 20 << false;
        QTest::newRow("size zero, nothing") << qint64(0) << 0 << true;
    }
    void installerSize_isWithinTheLastKibibyteOfTheCatalogueSize()
    {
        QFETCH(qint64, bytes);
        QFETCH(qint32, sizeKiB);
        QFETCH(bool, matches);
        QCOMPARE(installerSizeMatches(bytes, sizeKiB), matches);
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"

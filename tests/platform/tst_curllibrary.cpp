#include "platform/CurlLibrary.h"

#include <QTest>

using namespace platform;

class CurlLibraryTest : public QObject
{
    Q_OBJECT

private slots:
    void missingLibrary_isReportedNotLoaded()
    {
        const CurlLoadResult result = loadCurlLibrary(QStringLiteral("qzlayer-no-such-library"), 4);
        QVERIFY(!result.functions);
        QVERIFY2(
            result.errorText.startsWith(QStringLiteral("The internet library cannot be loaded: ")),
            qPrintable(result.errorText));
        QVERIFY(result.errorText.size() > 40); // the loader's own reason follows
    }

    void libraryWithoutCurl_namesTheMissingFunction()
    {
        // The C library loads everywhere but has none of curl's functions.
        const CurlLoadResult result = loadCurlLibrary(QStringLiteral("c"), 6);
        QVERIFY(!result.functions);
        QVERIFY2(result.errorText.contains(QStringLiteral("curl_global_init")),
            qPrintable(result.errorText));
    }

    void systemLibrary_isOpenedOnceWithEveryFunction()
    {
        const CurlLoadResult& first = curlLibrary();
        QVERIFY2(first.functions, qPrintable(first.errorText));
        QVERIFY(first.functions->slistFreeAll);
        QCOMPARE(&curlLibrary(), &first);
    }
};

QTEST_GUILESS_MAIN(CurlLibraryTest)
#include "tst_curllibrary.moc"

#include "platform/Http.h"
#include "tst_http/LoopbackServer.h"

#include <QElapsedTimer>
#include <QTest>

#include <stdexcept>

using namespace platform;

namespace {

struct Received
{
    QList<qsizetype> sizes;
    QByteArray bytes;
};

HttpResult fetch(const QString& address, qsizetype chunkSize, Received& received,
    const HttpOptions& options = {})
{
    return httpGet(
        address, chunkSize,
        [&](QByteArrayView chunk) {
            received.sizes << chunk.size();
            received.bytes += chunk.toByteArray();
            return true;
        },
        options);
}

QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 7 % 251);
    return bytes;
}

} // namespace

class HttpTest : public QObject
{
    Q_OBJECT

private slots:
    void body_arrivesInFullChunksThenTheRest_data()
    {
        QTest::addColumn<qsizetype>("bodySize");
        QTest::addColumn<qsizetype>("chunkSize");
        QTest::addColumn<QList<qsizetype>>("sizes");
        QTest::newRow("empty") << qsizetype(0) << qsizetype(4096) << QList<qsizetype> {};
        QTest::newRow("under one chunk")
            << qsizetype(1023) << qsizetype(4096) << QList<qsizetype> { 1023 };
        QTest::newRow("exactly one chunk")
            << qsizetype(4096) << qsizetype(4096) << QList<qsizetype> { 4096 };
        QTest::newRow("two and a rest")
            << qsizetype(10000) << qsizetype(4096) << QList<qsizetype> { 4096, 4096, 1808 };
        QTest::newRow("catalogue chunks")
            << qsizetype(5000) << qsizetype(2048) << QList<qsizetype> { 2048, 2048, 904 };
    }
    void body_arrivesInFullChunksThenTheRest()
    {
        QFETCH(qsizetype, bodySize);
        QFETCH(qsizetype, chunkSize);
        QFETCH(QList<qsizetype>, sizes);
        LoopbackServer server;
        const QByteArray body = patterned(bodySize);
        server.setBody("/file", body);

        Received received;
        const HttpResult result
            = fetch(server.address(QStringLiteral("/file")), chunkSize, received);
        QVERIFY2(result.completed, qPrintable(result.errorText));
        QCOMPARE(result.status, 200);
        QCOMPARE(received.sizes, sizes);
        QCOMPARE(received.bytes, body);
    }

    void largeBody_arrivesWhole()
    {
        LoopbackServer server;
        const QByteArray body = patterned(3 * 1024 * 1024 + 17);
        server.setBody("/big", body);
        Received received;
        QVERIFY(fetch(server.address(QStringLiteral("/big")), 4096, received).completed);
        QCOMPARE(received.bytes.size(), body.size());
        QVERIFY(received.bytes == body);
        QCOMPARE(received.sizes.last(), qsizetype(17));
    }

    void request_asksForAFreshCopyWithAgentAndExtraHeaders()
    {
        LoopbackServer server;
        server.setBody("/v", "x");
        HttpOptions options;
        options.userAgent = QStringLiteral("tester 1");
        options.extraHeaders << QStringLiteral("X-Probe: yes");
        Received received;
        QVERIFY(fetch(server.address(QStringLiteral("/v")), 16, received, options).completed);

        const QByteArray head = server.requests().value(0).toLower();
        QVERIFY(head.startsWith("get /v http/1.1"));
        QVERIFY(head.contains("\r\ncache-control: no-cache"));
        QVERIFY(head.contains("\r\nuser-agent: tester 1"));
        QVERIFY(head.contains("\r\nx-probe: yes"));
    }

    void errorStatusOrCutAnswer_deliversNothingAndDoesNotComplete_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<qsizetype>("announcedLength");
        QTest::newRow("not found") << 404 << qsizetype(-1);
        QTest::newRow("server error") << 500 << qsizetype(-1);
        QTest::newRow("cut short") << 200 << qsizetype(100000);
    }
    void errorStatusOrCutAnswer_deliversNothingAndDoesNotComplete()
    {
        QFETCH(int, status);
        QFETCH(qsizetype, announcedLength);
        LoopbackServer server;
        server.setReply("/x", { status, patterned(3000), false, announcedLength });
        Received received;
        const HttpResult result = fetch(server.address(QStringLiteral("/x")), 4096, received);
        QVERIFY(!result.completed);
        QVERIFY(!result.errorText.isEmpty());
        QVERIFY(received.bytes.isEmpty());
    }

    void silentServer_endsAtTheTotalTimeout()
    {
        LoopbackServer server;
        server.setReply("/silent", { 200, {}, true, -1 });
        HttpOptions options;
        options.totalTimeoutMs = 1000;
        Received received;
        QElapsedTimer clock;
        clock.start();
        const HttpResult result
            = fetch(server.address(QStringLiteral("/silent")), 2048, received, options);
        QVERIFY(!result.completed);
        QCOMPARE(result.status, 0);
        QVERIFY2(clock.elapsed() < 10000, "the time-out did not end the transfer");
        QCOMPARE(server.requestedPaths(), QList<QByteArray> { "/silent" });
    }

    void refusedConnection_doesNotComplete()
    {
        // A port that was free a moment ago: nobody listens there.
        quint16 closedPort = 0;
        {
            const LoopbackServer gone;
            closedPort = gone.port();
        }
        Received received;
        const HttpResult result = fetch(QStringLiteral("http://127.0.0.1:")
                + QString::number(closedPort) + QStringLiteral("/v"),
            2048, received);
        QVERIFY(!result.completed);
        QVERIFY(received.sizes.isEmpty());
    }

    void addressesOtherThanHttp_areRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("local file") << QStringLiteral("file:///etc/hostname");
        QTest::newRow("ftp") << QStringLiteral("ftp://127.0.0.1:1/x");
        QTest::newRow("no scheme") << QStringLiteral("versions.dat");
        QTest::newRow("empty") << QString();
    }
    void addressesOtherThanHttp_areRefused()
    {
        QFETCH(QString, address);
        Received received;
        QVERIFY(!fetch(address, 2048, received).completed);
        QVERIFY(received.sizes.isEmpty());
    }

    void receiverStop_endsTransferUncompleted()
    {
        LoopbackServer server;
        server.setBody("/big", patterned(100000));
        int calls = 0;
        const HttpResult result
            = httpGet(server.address(QStringLiteral("/big")), 4096, [&](QByteArrayView) {
                  ++calls;
                  return false;
              });
        QVERIFY(!result.completed);
        QCOMPARE(calls, 1);
    }

    void receiverError_reachesTheCaller()
    {
        LoopbackServer server;
        server.setBody("/big", patterned(100000));
        int calls = 0;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
            httpGet(server.address(QStringLiteral("/big")), 4096, [&](QByteArrayView) -> bool {
                if (++calls == 3)
                    throw std::runtime_error("disk full");
                return true;
            }));
        QCOMPARE(calls, 3);
    }
};

QTEST_GUILESS_MAIN(HttpTest)
#include "tst_http.moc"

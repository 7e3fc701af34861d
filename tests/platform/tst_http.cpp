#include "platform/Http.h"
#include "tests/testserver/TestHttpsServer.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace platform;
using Reply = TestHttpsServer::Reply;

namespace {

constexpr int kWaitMs = 20000;

QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 7 % 251);
    return bytes;
}

// Runs the transfer to its end in the event loop; false when it never ended.
bool runToEnd(HttpTransfer& transfer, const QString& address, const HttpOptions& options = {},
    QIODevice* sink = nullptr)
{
    QSignalSpy finished(&transfer, &HttpTransfer::finished);
    transfer.get(address, options, sink);
    return finished.wait(kWaitMs) && finished.size() == 1 && !transfer.isRunning();
}

Reply trickle(const QByteArray& body, qsizetype pieceBytes, int intervalMs)
{
    Reply reply;
    reply.body = body;
    reply.trickleBytes = pieceBytes;
    reply.trickleIntervalMs = intervalMs;
    return reply;
}

} // namespace

class HttpTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The machine's own proxy settings must not come between the tests
        // and their local servers.
        for (const char* name : { "http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                 "ALL_PROXY", "no_proxy", "NO_PROXY" })
            qunsetenv(name);
        setHttpCertificateAuthorities(TestHttpsServer::certificateAuthorityFile());
    }

    void body_arrivesWhole_inMemoryOrOnDevice_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("toDevice");
        QTest::newRow("empty") << qsizetype(0) << false;
        QTest::newRow("small, in memory") << qsizetype(1023) << false;
        QTest::newRow("3 MiB, in memory") << qsizetype(3 * 1024 * 1024 + 17) << false;
        QTest::newRow("3 MiB, on a device") << qsizetype(3 * 1024 * 1024 + 17) << true;
    }
    void body_arrivesWhole_inMemoryOrOnDevice()
    {
        QFETCH(qsizetype, size);
        QFETCH(bool, toDevice);
        TestHttpsServer server;
        const QByteArray body = patterned(size);
        Reply reply;
        reply.body = body;
        reply.headerLines << "Content-Type: application/json; charset=utf-8";
        server.setReply("/file", reply);

        HttpTransfer transfer;
        QSignalSpy progress(&transfer, &HttpTransfer::progress);
        QBuffer device;
        device.open(QIODevice::WriteOnly);
        QVERIFY(runToEnd(
            transfer, server.address(QStringLiteral("/file")), {}, toDevice ? &device : nullptr));

        QCOMPARE(transfer.error(), HttpError::None);
        QVERIFY(transfer.errorText().isEmpty());
        QCOMPARE(transfer.status(), 200);
        QCOMPARE(transfer.bytesReceived(), size);
        QCOMPARE(transfer.bytesExpected(), size);
        QVERIFY((toDevice ? device.data() : transfer.body()) == body);
        QVERIFY(toDevice ? transfer.body().isEmpty() : device.data().isEmpty());
        QCOMPARE(
            transfer.responseHeader("CONTENT-type"), QByteArray("application/json; charset=utf-8"));
        QVERIFY(transfer.responseHeader("X-Missing").isEmpty());
        if (size > 0) {
            QVERIFY(!progress.isEmpty());
            QCOMPARE(progress.last().at(0).toLongLong(), size);
            QCOMPARE(progress.last().at(1).toLongLong(), size);
        }
    }

    void request_carriesAgentFreshnessAndExtraHeaders()
    {
        TestHttpsServer server;
        server.setBody("/v", "x");
        HttpOptions options;
        options.userAgent = QStringLiteral("qzLayer-test/1.0 ( qzlayer@example.org )");
        options.extraHeaders << QStringLiteral("Accept: application/json");
        HttpTransfer transfer;
        // By name, so the name is looked up as well.
        QVERIFY(runToEnd(
            transfer, server.address(QStringLiteral("/v"), QStringLiteral("localhost")), options));
        QCOMPARE(transfer.error(), HttpError::None);

        const QByteArray head = server.requests().value(0).toLower();
        QVERIFY(head.startsWith("get /v http/1.1"));
        QVERIFY(head.contains("\r\ncache-control: no-cache"));
        QVERIFY(head.contains("\r\nuser-agent: qzlayer-test/1.0 ( qzlayer@example.org )"));
        QVERIFY(head.contains("\r\naccept: application/json"));
    }

    void failedAnswers_endWithTheirErrorAndNoBody_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<HttpError>("error");
        QTest::addColumn<int>("status");
        Reply notFound { 404, patterned(3000), {}, -1, false, 0, 0, 0, false };
        Reply serverError { 503, "busy", {}, -1, false, 0, 0, 0, false };
        Reply cutShort { 200, patterned(3000), {}, 100000, false, 0, 0, 0, false };
        Reply redirectWithoutTarget { 302, "moved", {}, -1, false, 0, 0, 0, false };
        QTest::newRow("not found") << notFound << HttpError::ErrorStatus << 404;
        QTest::newRow("server busy") << serverError << HttpError::ErrorStatus << 503;
        QTest::newRow("cut short") << cutShort << HttpError::Incomplete << 200;
        QTest::newRow("redirect to nowhere")
            << redirectWithoutTarget << HttpError::ErrorStatus << 302;
    }
    void failedAnswers_endWithTheirErrorAndNoBody()
    {
        QFETCH(Reply, reply);
        QFETCH(HttpError, error);
        QFETCH(int, status);
        TestHttpsServer server;
        server.setReply("/x", reply);
        HttpTransfer transfer;
        QVERIFY(runToEnd(transfer, server.address(QStringLiteral("/x"))));
        QCOMPARE(transfer.error(), error);
        QCOMPARE(transfer.status(), status);
        QVERIFY(!transfer.errorText().isEmpty());
        QVERIFY(transfer.body().isEmpty());
    }

    void unreachableOrUntrusted_failsToConnect()
    {
        quint16 closedPort = 0;
        {
            const TestHttpsServer gone;
            closedPort = gone.port();
        }
        HttpTransfer transfer;
        QVERIFY(runToEnd(transfer,
            QStringLiteral("https://127.0.0.1:") + QString::number(closedPort)
                + QStringLiteral("/v")));
        QCOMPARE(transfer.error(), HttpError::ConnectionFailed);
        QCOMPARE(transfer.status(), 0);

        // Without the test authority the server's certificate is not trusted.
        TestHttpsServer server;
        server.setBody("/v", "secret");
        setHttpCertificateAuthorities(QString());
        const bool ended = runToEnd(transfer, server.address(QStringLiteral("/v")));
        setHttpCertificateAuthorities(TestHttpsServer::certificateAuthorityFile());
        QVERIFY(ended);
        QCOMPARE(transfer.error(), HttpError::ConnectionFailed);
        QVERIFY(server.requests().isEmpty());
    }

    void addressesOtherThanWebAddresses_areRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("local file") << QStringLiteral("file:///etc/hostname");
        QTest::newRow("ftp") << QStringLiteral("ftp://127.0.0.1:1/x");
        QTest::newRow("no scheme") << QStringLiteral("versions.dat");
        QTest::newRow("no host") << QStringLiteral("https:///versions.dat");
        QTest::newRow("empty") << QString();
    }
    void addressesOtherThanWebAddresses_areRefused()
    {
        QFETCH(QString, address);
        HttpTransfer transfer;
        QSignalSpy finished(&transfer, &HttpTransfer::finished);
        transfer.get(address);
        QVERIFY(finished.isEmpty()); // reported from the event loop, not from inside get()
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(transfer.error(), HttpError::InvalidAddress);
    }

    void redirects_followOnlyOnTheSameHostAndNeverDownToHttp_data()
    {
        QTest::addColumn<QString>("target"); // with the ports of the secure and the plain server
        QTest::addColumn<RedirectPolicy>("policy");
        QTest::addColumn<bool>("followed");
        QTest::newRow("same host, relative") << "/moved/file" << RedirectPolicy::SameHost << true;
        QTest::newRow("same host, absolute")
            << "https://127.0.0.1:SECURE/moved/file" << RedirectPolicy::SameHost << true;
        QTest::newRow("down to http")
            << "http://127.0.0.1:PLAIN/moved/file" << RedirectPolicy::SameHost << false;
        QTest::newRow("another host")
            << "https://localhost:SECURE/moved/file" << RedirectPolicy::SameHost << false;
        QTest::newRow("refused by policy") << "/moved/file" << RedirectPolicy::Refuse << false;
    }
    void redirects_followOnlyOnTheSameHostAndNeverDownToHttp()
    {
        QFETCH(QString, target);
        QFETCH(RedirectPolicy, policy);
        QFETCH(bool, followed);
        TestHttpsServer secure;
        TestHttpsServer plain(TestHttpsServer::Scheme::Http);
        target.replace(QStringLiteral("SECURE"), QString::number(secure.port()))
            .replace(QStringLiteral("PLAIN"), QString::number(plain.port()));
        secure.setReply("/file", TestHttpsServer::redirectTo(target));
        secure.setBody("/moved/file", "the file");
        plain.setBody("/moved/file", "the file");

        HttpOptions options;
        options.redirects = policy;
        HttpTransfer transfer;
        QVERIFY(runToEnd(transfer, secure.address(QStringLiteral("/file")), options));
        if (followed) {
            QCOMPARE(transfer.error(), HttpError::None);
            QCOMPARE(transfer.body(), QByteArray("the file"));
            QCOMPARE(transfer.address().path(), QStringLiteral("/moved/file"));
            QCOMPARE(secure.requestedTargets(), (QList<QByteArray> { "/file", "/moved/file" }));
        } else {
            QCOMPARE(transfer.error(), HttpError::RedirectRefused);
            QVERIFY(transfer.body().isEmpty()); // not even the redirect's own body
            QCOMPARE(secure.requestedTargets(), QList<QByteArray> { "/file" });
            QVERIFY(plain.requests().isEmpty());
        }
    }

    void redirectLoop_endsAfterTheAllowedNumber()
    {
        TestHttpsServer server;
        server.setReply("/a", TestHttpsServer::redirectTo(QStringLiteral("/b")));
        server.setReply("/b", TestHttpsServer::redirectTo(QStringLiteral("/a")));
        HttpOptions options;
        options.maxRedirects = 3;
        HttpTransfer transfer;
        QVERIFY(runToEnd(transfer, server.address(QStringLiteral("/a")), options));
        QCOMPARE(transfer.error(), HttpError::RedirectRefused);
        QCOMPARE(server.requests().size(), 4);
    }

    void sizeLimit_stopsAsSoonAsItIsPassed_data()
    {
        QTest::addColumn<bool>("announced");
        QTest::newRow("announced length") << true;
        QTest::newRow("no length told") << false;
    }
    void sizeLimit_stopsAsSoonAsItIsPassed()
    {
        QFETCH(bool, announced);
        TestHttpsServer server;
        Reply endless = trickle(patterned(2 * 1024 * 1024), 64 * 1024, 20);
        endless.withoutLength = !announced;
        server.setReply("/big", endless);
        QBuffer device;
        device.open(QIODevice::WriteOnly);
        HttpOptions options;
        options.maxBodyBytes = 100 * 1024;
        HttpTransfer transfer;
        QVERIFY(runToEnd(transfer, server.address(QStringLiteral("/big")), options, &device));
        QCOMPARE(transfer.error(), HttpError::TooLarge);
        QVERIFY(transfer.bytesReceived() <= options.maxBodyBytes);
        QCOMPARE(device.size(), announced ? 0 : transfer.bytesReceived());
    }

    void exactlyTheLimit_isAccepted()
    {
        TestHttpsServer server;
        Reply reply;
        reply.body = patterned(4096);
        reply.withoutLength = true;
        server.setReply("/f", reply);
        HttpOptions options;
        options.maxBodyBytes = 4096;
        HttpTransfer transfer;
        QVERIFY(runToEnd(transfer, server.address(QStringLiteral("/f")), options));
        QCOMPARE(transfer.error(), HttpError::None);
        QCOMPARE(transfer.body().size(), 4096);
    }

    void timeLimits_endSilentStallingAndSlowAnswers_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<int>("totalMs");
        QTest::addColumn<int>("stallMs");
        QTest::addColumn<HttpError>("error");
        Reply silent;
        silent.neverAnswer = true;
        QTest::newRow("silent, stall limit") << silent << 0 << 500 << HttpError::Stalled;
        QTest::newRow("silent, overall limit") << silent << 500 << 0 << HttpError::TimedOut;
        QTest::newRow("stops mid-body")
            << trickle(patterned(4096), 1024, 3000) << 0 << 500 << HttpError::Stalled;
        QTest::newRow("keeps trickling past the overall limit")
            << trickle(patterned(4096), 16, 50) << 700 << 500 << HttpError::TimedOut;
    }
    void timeLimits_endSilentStallingAndSlowAnswers()
    {
        QFETCH(Reply, reply);
        QFETCH(int, totalMs);
        QFETCH(int, stallMs);
        QFETCH(HttpError, error);
        TestHttpsServer server;
        server.setReply("/slow", reply);
        HttpOptions options;
        options.totalTimeoutMs = totalMs;
        options.stallTimeoutMs = stallMs;
        HttpTransfer transfer;
        QVERIFY(runToEnd(transfer, server.address(QStringLiteral("/slow")), options));
        QCOMPARE(transfer.error(), error);
        QVERIFY(transfer.body().isEmpty());
    }

    void trickle_keepsTheEventLoopTurning_andCancelStopsAtOnce()
    {
        TestHttpsServer server;
        server.setReply("/trickle", trickle(patterned(64 * 1024), 256, 20));
        HttpTransfer transfer;
        QSignalSpy progress(&transfer, &HttpTransfer::progress);
        QSignalSpy finished(&transfer, &HttpTransfer::finished);
        transfer.get(server.address(QStringLiteral("/trickle")));
        QVERIFY(transfer.isRunning());

        // A zero timer fires on every turn of the event loop; the loop must
        // keep turning between the pieces, not only once they are in.
        int turns = 0;
        int piecesAfterATurn = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++turns; });
        connect(&transfer, &HttpTransfer::progress, [&] {
            piecesAfterATurn += turns > 0 ? 1 : 0;
            turns = 0;
        });
        ticker.start(0);
        QTRY_VERIFY_WITH_TIMEOUT(progress.size() >= 5, kWaitMs);
        QVERIFY2(piecesAfterATurn >= 4, qPrintable(QString::number(piecesAfterATurn)));
        QVERIFY(finished.isEmpty());
        QVERIFY(progress.last().at(0).toLongLong() < 64 * 1024);
        QCOMPARE(progress.last().at(1).toLongLong(), 64 * 1024);

        transfer.cancel();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(transfer.error(), HttpError::Cancelled);
        QVERIFY(!transfer.isRunning());
        const qsizetype reports = progress.size();
        QTest::qWait(200);
        QCOMPARE(progress.size(), reports);
        QCOMPARE(finished.size(), 1);
    }

    void deviceThatRefusesData_endsWithWriteFailure()
    {
        TestHttpsServer server;
        server.setBody("/f", patterned(100000));
        QFile full(QStringLiteral("/dev/full"));
        QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        HttpTransfer transfer;
        QVERIFY(runToEnd(transfer, server.address(QStringLiteral("/f")), {}, &full));
        QCOMPARE(transfer.error(), HttpError::WriteFailed);
        QVERIFY(transfer.errorText().contains(QStringLiteral("cannot be written")));
    }

    void proxyFromEnvironment_carriesTheRequest()
    {
        TestHttpsServer proxy(TestHttpsServer::Scheme::Http);
        proxy.setBody("http://catalogue.invalid/versions.dat", "through the proxy");
        qputenv("http_proxy", proxy.address(QString()).toUtf8());
        HttpTransfer transfer;
        const bool ended
            = runToEnd(transfer, QStringLiteral("http://catalogue.invalid/versions.dat"));
        qunsetenv("http_proxy");
        QVERIFY(ended);
        QCOMPARE(transfer.error(), HttpError::None);
        QCOMPARE(transfer.body(), QByteArray("through the proxy"));
    }

    void destroyingARunningTransfer_isQuiet()
    {
        TestHttpsServer server;
        server.setReply("/trickle", trickle(patterned(8192), 64, 20));
        auto transfer = std::make_unique<HttpTransfer>();
        QSignalSpy finished(transfer.get(), &HttpTransfer::finished);
        transfer->get(server.address(QStringLiteral("/trickle")));
        QTRY_VERIFY_WITH_TIMEOUT(transfer->bytesReceived() > 0, kWaitMs);
        transfer.reset();
        QTest::qWait(100);
        QVERIFY(finished.isEmpty());
    }

    void transfer_canBeReused_afterAnEnd()
    {
        TestHttpsServer server;
        server.setBody("/one", "first");
        server.setBody("/two", "second");
        HttpTransfer transfer;
        QVERIFY(runToEnd(transfer, server.address(QStringLiteral("/missing"))));
        QCOMPARE(transfer.error(), HttpError::ErrorStatus);
        QVERIFY(runToEnd(transfer, server.address(QStringLiteral("/one"))));
        QVERIFY(runToEnd(transfer, server.address(QStringLiteral("/two"))));
        QCOMPARE(transfer.error(), HttpError::None);
        QCOMPARE(transfer.body(), QByteArray("second"));
    }
};

QTEST_GUILESS_MAIN(HttpTest)
#include "tst_http.moc"

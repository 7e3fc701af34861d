#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// A small web server on 127.0.0.1 (a free port) for tests, speaking HTTPS
// with a certificate of a test authority made when first needed, or plain
// HTTP. It answers from threads of its own, so it serves clients that block
// as well as clients driven by the event loop. Every answer closes its
// connection. Destroying the server ends every connection at once.
//
// Clients trust the test authority through certificateAuthorityFile(); with
// the program's HTTP layer:
//     platform::setHttpCertificateAuthorities(TestHttpsServer::certificateAuthorityFile());
class TestHttpsServer
{
public:
    enum class Scheme { Https, Http };

    struct Reply
    {
        int status = 200;
        QByteArray body;
        QList<QByteArray> headerLines; // further header lines, such as "Content-Type: text/plain"
        qsizetype announcedLength = -1; // a Content-Length other than the body's size
        bool withoutLength = false; // no Content-Length: the closing connection ends the body
        int delayMs = 0; // waits this long before answering
        qsizetype trickleBytes = 0; // sends the body in pieces of this many bytes...
        int trickleIntervalMs = 0; // ...with this pause before each piece
        bool neverAnswer = false; // reads the request, then stays silent
    };
    static Reply redirectTo(const QString& location, int status = 302);

    explicit TestHttpsServer(Scheme scheme = Scheme::Https);
    ~TestHttpsServer();
    TestHttpsServer(const TestHttpsServer&) = delete;
    TestHttpsServer& operator=(const TestHttpsServer&) = delete;

    quint16 port() const;
    // The address of a path on this server; another host name (such as
    // "localhost", which the certificate also names) reaches the same server.
    QString address(const QString& path, const QString& host = QStringLiteral("127.0.0.1")) const;

    // Answers for a request target (the path, or the whole address when the
    // server is asked as a proxy). Unknown targets get 404.
    void setReply(const QByteArray& target, const Reply& reply);
    void setBody(const QByteArray& target, const QByteArray& body);

    // The request heads received so far (request line and header lines).
    QList<QByteArray> requests() const;
    QList<QByteArray> requestedTargets() const;

    // The PEM file of the test certificate authority, which signed the
    // certificate of every server of this process (for 127.0.0.1 and localhost).
    static QString certificateAuthorityFile();

private:
    class Private;
    std::unique_ptr<Private> d;
};

#include "tests/testserver/TestHttpsServer.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace {

constexpr qsizetype kMaxRequestHead = 64 * 1024;
constexpr int kDrainMs = 2000;

[[noreturn]] void fail(const char* what)
{
    qFatal("test server: %s", what);
}

// ---- The test certificate authority ------------------------------------------

void addExtension(X509* certificate, X509V3_CTX* context, int nid, const char* value)
{
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, context, nid, value);
    if (!extension || X509_add_ext(certificate, extension, -1) != 1)
        fail("cannot add a certificate extension");
    X509_EXTENSION_free(extension);
}

// A certificate for key, signed by the issuer; a null issuer makes it
// self-signed, an authority.
X509* makeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey)
{
    const bool authority = issuer == nullptr;
    X509* certificate = X509_new();
    if (!certificate)
        fail("cannot make a certificate");
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), authority ? 1 : 2);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 7L * 24 * 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(
        name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(certificate, authority ? name : X509_get_subject_name(issuer));

    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, authority ? certificate : issuer, certificate, nullptr, nullptr, 0);
    addExtension(certificate, &context, NID_basic_constraints,
        authority ? "critical,CA:TRUE" : "critical,CA:FALSE");
    addExtension(certificate, &context, NID_key_usage,
        authority ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
    addExtension(certificate, &context, NID_subject_key_identifier, "hash");
    if (!authority) {
        addExtension(certificate, &context, NID_authority_key_identifier, "keyid:always");
        addExtension(certificate, &context, NID_ext_key_usage, "serverAuth");
        addExtension(certificate, &context, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    }
    if (X509_sign(certificate, authority ? key : issuerKey, EVP_sha256()) <= 0)
        fail("cannot sign a certificate");
    return certificate;
}

EVP_PKEY* makeKey()
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key)
        fail("cannot make a key");
    return key;
}

// Made once per process: an authority and the one server certificate it signs.
struct TestAuthority
{
    TestAuthority()
    {
        authorityKey = makeKey();
        authority = makeCertificate(authorityKey, "qzLayer test authority", nullptr, nullptr);
        serverKey = makeKey();
        server = makeCertificate(serverKey, "127.0.0.1", authority, authorityKey);
        if (!folder.isValid())
            fail("cannot make a folder for the authority's certificate");
        file = folder.filePath(QStringLiteral("test-authority.pem"));
        FILE* out = std::fopen(QFile::encodeName(file).constData(), "w");
        if (!out || PEM_write_X509(out, authority) != 1)
            fail("cannot write the authority's certificate");
        std::fclose(out);
    }
    ~TestAuthority()
    {
        X509_free(server);
        EVP_PKEY_free(serverKey);
        X509_free(authority);
        EVP_PKEY_free(authorityKey);
    }
    TestAuthority(const TestAuthority&) = delete;
    TestAuthority& operator=(const TestAuthority&) = delete;

    EVP_PKEY* authorityKey = nullptr;
    X509* authority = nullptr;
    EVP_PKEY* serverKey = nullptr;
    X509* server = nullptr;
    QTemporaryDir folder;
    QString file;
};

const TestAuthority& testAuthority()
{
    static const TestAuthority instance;
    return instance;
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Answer";
    }
}

// One accepted connection, plain or through TLS.
class Stream
{
public:
    Stream(int socket, SSL* ssl)
        : m_socket(socket)
        , m_ssl(ssl)
    {
    }

    qsizetype read(char* buffer, qsizetype size)
    {
        if (m_ssl)
            return SSL_read(m_ssl, buffer, int(size));
        return ::recv(m_socket, buffer, size_t(size), 0);
    }

    bool write(QByteArrayView bytes)
    {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const qsizetype count = m_ssl
                ? SSL_write(m_ssl, bytes.data() + sent, int(bytes.size() - sent))
                : ::send(m_socket, bytes.data() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (count <= 0)
                return false; // the client went away
            sent += count;
        }
        return true;
    }

private:
    int m_socket;
    SSL* m_ssl;
};

} // namespace

class TestHttpsServer::Private
{
public:
    explicit Private(Scheme scheme)
        : scheme(scheme)
    {
        // A client that leaves mid-answer must not end the test.
        std::signal(SIGPIPE, SIG_IGN);
        if (scheme == Scheme::Https)
            makeTlsContext();
        listen();
        acceptor = std::thread([this] { acceptConnections(); });
    }

    ~Private()
    {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
            for (const int socket : openSockets)
                ::shutdown(socket, SHUT_RDWR);
        }
        stopped.notify_all();
        const char stop = 's';
        [[maybe_unused]] const auto written = ::write(wake[1], &stop, 1);
        acceptor.join();
        for (std::thread& connection : connections)
            connection.join();
        ::close(wake[0]);
        ::close(wake[1]);
        ::close(listener);
        SSL_CTX_free(tls);
    }

    void makeTlsContext()
    {
        const TestAuthority& authority = testAuthority();
        tls = SSL_CTX_new(TLS_server_method());
        if (!tls || SSL_CTX_use_certificate(tls, authority.server) != 1
            || SSL_CTX_use_PrivateKey(tls, authority.serverKey) != 1)
            fail("cannot set up TLS");
    }

    void listen()
    {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0
            || ::listen(listener, 64) != 0
            || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            fail("cannot listen");
        port = ntohs(address.sin_port);
        if (::pipe2(wake, O_CLOEXEC) != 0)
            fail("cannot make the wake-up pipe");
    }

    void acceptConnections()
    {
        for (;;) {
            pollfd watched[2] = { { wake[0], POLLIN, 0 }, { listener, POLLIN, 0 } };
            if (::poll(watched, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (watched[0].revents)
                return;
            const int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (socket < 0)
                continue;
            {
                const std::lock_guard lock(mutex);
                openSockets.insert(socket);
            }
            connections.emplace_back([this, socket] { serve(socket); });
        }
    }

    // Waits for the given time; true when the server stops meanwhile.
    bool pause(int milliseconds)
    {
        std::unique_lock lock(mutex);
        return stopped.wait_for(
            lock, std::chrono::milliseconds(milliseconds), [this] { return stopping; });
    }

    void waitForStop()
    {
        std::unique_lock lock(mutex);
        stopped.wait(lock, [this] { return stopping; });
    }

    void serve(int socket)
    {
        SSL* ssl = nullptr;
        if (tls) {
            ssl = SSL_new(tls);
            SSL_set_fd(ssl, socket);
            if (SSL_accept(ssl) != 1) { // the client did not trust us, or left
                SSL_free(ssl);
                closeSocket(socket);
                return;
            }
        }
        Stream stream(socket, ssl);
        const QByteArray head = readHead(stream);
        if (!head.isEmpty() && answer(stream, head)) {
            if (ssl)
                SSL_shutdown(ssl);
            ::shutdown(socket, SHUT_WR);
            drain(socket);
        }
        SSL_free(ssl);
        closeSocket(socket);
    }

    QByteArray readHead(Stream& stream)
    {
        QByteArray received;
        char buffer[4096];
        while (received.size() < kMaxRequestHead) {
            const qsizetype count = stream.read(buffer, sizeof buffer);
            if (count <= 0)
                return {};
            received.append(buffer, count);
            const qsizetype end = received.indexOf("\r\n\r\n");
            if (end >= 0)
                return received.left(end);
        }
        return {};
    }

    // False when the answer was not completed.
    bool answer(Stream& stream, const QByteArray& head)
    {
        Reply reply { 404, "Not here", {}, -1, false, 0, 0, 0, false };
        {
            const std::lock_guard lock(mutex);
            heads << head;
            reply = replies.value(head.split(' ').value(1), reply);
        }
        if (reply.neverAnswer) {
            waitForStop();
            return false;
        }
        if (reply.delayMs > 0 && pause(reply.delayMs))
            return false;

        QByteArray message = "HTTP/1.1 " + QByteArray::number(reply.status) + ' '
            + reasonPhrase(reply.status) + "\r\n";
        for (const QByteArray& line : std::as_const(reply.headerLines))
            message += line + "\r\n";
        if (!reply.withoutLength) {
            const qsizetype length
                = reply.announcedLength < 0 ? reply.body.size() : reply.announcedLength;
            message += "Content-Length: " + QByteArray::number(length) + "\r\n";
        }
        message += "Connection: close\r\n\r\n";
        if (reply.trickleBytes <= 0)
            return stream.write(QByteArray(message + reply.body));
        if (!stream.write(message))
            return false;
        for (qsizetype sent = 0; sent < reply.body.size(); sent += reply.trickleBytes) {
            if (pause(reply.trickleIntervalMs)
                || !stream.write(
                    QByteArrayView(reply.body)
                        .sliced(sent, qMin(reply.trickleBytes, reply.body.size() - sent))))
                return false;
        }
        return true;
    }

    // Lets the client read the end of the answer before the socket goes.
    static void drain(int socket)
    {
        pollfd entry { socket, POLLIN, 0 };
        char buffer[4096];
        while (::poll(&entry, 1, kDrainMs) > 0 && ::recv(socket, buffer, sizeof buffer, 0) > 0) { }
    }

    void closeSocket(int socket)
    {
        const std::lock_guard lock(mutex);
        openSockets.erase(socket);
        ::close(socket);
    }

    Scheme scheme;
    SSL_CTX* tls = nullptr;
    int listener = -1;
    int wake[2] = { -1, -1 };
    quint16 port = 0;
    std::thread acceptor;
    std::vector<std::thread> connections; // only the acceptor adds to it

    std::mutex mutex; // guards everything below
    std::condition_variable stopped;
    bool stopping = false;
    std::set<int> openSockets;
    QHash<QByteArray, Reply> replies;
    QList<QByteArray> heads;
};

TestHttpsServer::Reply TestHttpsServer::redirectTo(const QString& location, int status)
{
    Reply reply;
    reply.status = status;
    reply.body = "Moved";
    reply.headerLines << "Location: " + location.toUtf8();
    return reply;
}

TestHttpsServer::TestHttpsServer(Scheme scheme)
    : d(std::make_unique<Private>(scheme))
{
}

TestHttpsServer::~TestHttpsServer() = default;

quint16 TestHttpsServer::port() const
{
    return d->port;
}

QString TestHttpsServer::address(const QString& path, const QString& host) const
{
    const QString scheme
        = d->scheme == Scheme::Https ? QStringLiteral("https://") : QStringLiteral("http://");
    return scheme + host + u':' + QString::number(d->port) + path;
}

void TestHttpsServer::setReply(const QByteArray& target, const Reply& reply)
{
    const std::lock_guard lock(d->mutex);
    d->replies.insert(target, reply);
}

void TestHttpsServer::setBody(const QByteArray& target, const QByteArray& body)
{
    Reply reply;
    reply.body = body;
    setReply(target, reply);
}

QList<QByteArray> TestHttpsServer::requests() const
{
    const std::lock_guard lock(d->mutex);
    return d->heads;
}

QList<QByteArray> TestHttpsServer::requestedTargets() const
{
    QList<QByteArray> targets;
    for (const QByteArray& head : requests())
        targets << head.split(' ').value(1);
    return targets;
}

QString TestHttpsServer::certificateAuthorityFile()
{
    return testAuthority().file;
}

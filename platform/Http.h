#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <memory>

class QIODevice;

// HTTP(S) transfers driven by the event loop: while one runs, the windows
// keep handling their events; it reports its progress and can be cancelled
// at any moment. There are no threads: everything, the signals included,
// happens on the thread that made the transfer.
namespace platform {

// Where a transfer may follow the server when it answers with a redirect.
enum class RedirectPolicy {
    Refuse, // any redirect ends the transfer
    SameHost, // only to the same host, and never from https down to plain http
};

struct HttpOptions
{
    int connectTimeoutMs = 15000; // time to reach the server, per connection
    int totalTimeoutMs = 0; // limit for the whole transfer, redirects included; 0 for none
    int stallTimeoutMs = 0; // ends a transfer that receives nothing for this long; 0 for none
    qint64 maxBodyBytes = -1; // ends the transfer as soon as the body grows longer; -1 for no limit
    RedirectPolicy redirects = RedirectPolicy::SameHost;
    int maxRedirects = 5;
    bool freshCopy = true; // asks every cache on the way for a fresh copy
    QString userAgent;
    QStringList extraHeaders; // complete header lines such as "Accept: application/json"
};

enum class HttpError {
    None,
    InvalidAddress, // not an absolute http or https address
    LibraryMissing, // the internet library cannot be used
    ConnectionFailed, // no connection, an unknown name, or no trusted secure connection
    TimedOut, // the connect or the overall limit passed
    Stalled, // nothing arrived for the stall limit
    TooLarge, // the body is, or is announced as, longer than maxBodyBytes
    RedirectRefused, // a redirect the policy does not allow, or too many of them
    ErrorStatus, // the server answered, but not with success
    Incomplete, // the answer was cut short
    WriteFailed, // the body could not be written to its device
    Cancelled,
};

// One GET at a time. The proxy comes from the usual environment variables
// (https_proxy, http_proxy, all_proxy, no_proxy); certificates are verified.
class HttpTransfer : public QObject
{
    Q_OBJECT

public:
    explicit HttpTransfer(QObject* parent = nullptr);
    // A transfer still running is ended without any signal.
    ~HttpTransfer() override;

    // Starts fetching the address, ending any transfer still running without
    // a signal. The body is kept in memory (body()) or, when a device is
    // given, written to it as it arrives; the device must be open for writing
    // and stay until finished(). A transfer that cannot even start (a bad
    // address, no internet library) still reports through finished(), from
    // the event loop.
    void get(const QString& address, const HttpOptions& options = {}, QIODevice* sink = nullptr);
    // Ends the transfer at once; finished() is emitted before this returns,
    // with the error Cancelled. Does nothing when no transfer runs.
    void cancel();
    bool isRunning() const { return m_running; }

    HttpError error() const { return m_error; }
    QString errorText() const { return m_errorText; } // empty on success
    int status() const { return m_status; } // of the last answer; 0 when none came
    QUrl address() const { return m_address; } // the last address asked, after redirects
    qint64 bytesReceived() const { return m_received; }
    qint64 bytesExpected() const { return m_expected; } // announced length; -1 when not told
    // The body when no device was given; empty after a failure.
    const QByteArray& body() const { return m_body; }
    // A header of the last answer (name in any case); empty when absent.
    QByteArray responseHeader(const QByteArray& name) const;

signals:
    // Body bytes received so far and the announced length (-1 when unknown).
    void progress(qint64 bytesReceived, qint64 bytesExpected);
    // The transfer has ended, well or not: see error().
    void finished();

private:
    struct Connection;

    void start(const QUrl& address);
    void finish(HttpError error, const QString& text);
    void failLater(HttpError error, const QString& text);
    void drive(qintptr socket, int events);
    void afterCurl();
    void completed(int curlCode);
    void followRedirect(const QUrl& target);
    void reportProgress();
    void watchSocket(qintptr socket, int what);
    void scheduleCurlTimer(long milliseconds);
    bool takeHeaderLine(QByteArrayView line);
    bool takeBody(QByteArrayView data);
    bool headersComplete();
    bool failInsideCurl(HttpError error, const QString& text);

    std::unique_ptr<Connection> m_connection;
    HttpOptions m_options;
    QIODevice* m_sink = nullptr;
    QTimer m_curlTimer;
    QTimer m_totalTimer;
    QTimer m_stallTimer;
    quint64 m_attempt = 0; // tells a queued failure of an earlier get() from the current one

    bool m_running = false;
    HttpError m_error = HttpError::None;
    QString m_errorText;
    int m_status = 0;
    QUrl m_address;
    int m_redirects = 0;
    qint64 m_received = 0;
    qint64 m_reported = -1;
    qint64 m_expected = -1;
    QByteArray m_body;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    bool m_discardBody = false;
    HttpError m_failure = HttpError::None; // why a callback stopped curl
    QString m_failureText;
};

// Test seam: trusts only the certificate authorities in this PEM file instead
// of the system's. An empty path restores the system's.
void setHttpCertificateAuthorities(const QString& pemFile);

} // namespace platform

#include "platform/Http.h"

#include "platform/CurlLibrary.h"

#include <QFile>
#include <QIODevice>
#include <QPointer>
#include <QSocketNotifier>

#include <map>

namespace platform {

namespace {

QString& trustedAuthoritiesFile()
{
    static QString file;
    return file;
}

bool isHttpAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isSuccessStatus(int status)
{
    return status >= 200 && status < 300;
}

bool redirectAllowed(const QUrl& from, const QUrl& to, RedirectPolicy policy)
{
    if (policy == RedirectPolicy::Refuse || !isHttpAddress(to))
        return false;
    if (from.scheme() == QLatin1String("https") && to.scheme() != QLatin1String("https"))
        return false;
    return from.host() == to.host(); // QUrl keeps host names in lower case
}

QString seconds(int milliseconds)
{
    return QString::number(milliseconds / 1000.0, 'g', 3);
}

curl_slist* requestHeaders(const CurlFunctions& curl, const HttpOptions& options)
{
    QStringList lines = options.extraHeaders;
    if (options.freshCopy)
        lines << QStringLiteral("Cache-Control: no-cache") << QStringLiteral("Pragma: no-cache");
    curl_slist* list = nullptr;
    for (const QString& line : std::as_const(lines)) {
        curl_slist* longer = curl.slistAppend(list, line.toUtf8().constData());
        if (!longer) {
            curl.slistFreeAll(list);
            throw std::bad_alloc();
        }
        list = longer;
    }
    return list;
}

} // namespace

// One easy handle in a multi handle of its own, with the sockets curl asked
// to be watched. A redirect gets a new connection.
struct HttpTransfer::Connection
{
    struct Watch
    {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    Connection(HttpTransfer& owner, const CurlFunctions& functions)
        : owner(owner)
        , curl(functions)
    {
    }

    ~Connection()
    {
        // curl may still call back while it cleans up; nothing must reach
        // the owner then.
        closing = true;
        for (auto& [socket, watch] : sockets)
            dispose(watch);
        if (multi && easy && added)
            curl.multiRemoveHandle(multi, easy);
        if (easy)
            curl.easyCleanup(easy);
        if (multi)
            curl.multiCleanup(multi);
        if (headers)
            curl.slistFreeAll(headers);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool open(const QUrl& address, const HttpOptions& options)
    {
        multi = curl.multiInit();
        easy = curl.easyInit();
        if (!multi || !easy)
            return false;
        curl.multiSetopt(multi, CURLMOPT_SOCKETFUNCTION, &Connection::onSocket);
        curl.multiSetopt(multi, CURLMOPT_SOCKETDATA, this);
        curl.multiSetopt(multi, CURLMOPT_TIMERFUNCTION, &Connection::onTimer);
        curl.multiSetopt(multi, CURLMOPT_TIMERDATA, this);

        headers = requestHeaders(curl, options);
        const auto setopt = curl.easySetopt;
        setopt(easy, CURLOPT_NOSIGNAL, 1L);
        setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
#if LIBCURL_VERSION_NUM >= 0x075500
        setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
#else
        setopt(easy, CURLOPT_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
        // Redirects are followed here, where the policy can look at each one.
        setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        setopt(easy, CURLOPT_FAILONERROR, 1L);
        setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
        setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
        setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        if (options.connectTimeoutMs > 0)
            setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(options.connectTimeoutMs));
        if (!options.userAgent.isEmpty())
            setopt(easy, CURLOPT_USERAGENT, options.userAgent.toUtf8().constData());
        if (headers)
            setopt(easy, CURLOPT_HTTPHEADER, headers);
        const QString& authorities = trustedAuthoritiesFile();
        if (!authorities.isEmpty()) {
            setopt(easy, CURLOPT_CAINFO, QFile::encodeName(authorities).constData());
            setopt(easy, CURLOPT_CAPATH, static_cast<const char*>(nullptr));
        }
        setopt(easy, CURLOPT_HEADERFUNCTION, &Connection::onHeader);
        setopt(easy, CURLOPT_HEADERDATA, this);
        setopt(easy, CURLOPT_WRITEFUNCTION, &Connection::onBody);
        setopt(easy, CURLOPT_WRITEDATA, this);
        setopt(easy, CURLOPT_URL, address.toEncoded().constData());
        added = curl.multiAddHandle(multi, easy) == CURLM_OK;
        return added;
    }

    QString errorText(CURLcode code) const
    {
        if (errorBuffer[0] != '\0')
            return QString::fromUtf8(errorBuffer);
        return QString::fromUtf8(curl.easyStrerror(code));
    }

    template <typename Value> Value info(CURLINFO what, Value fallback) const
    {
        Value value = fallback;
        return curl.easyGetinfo(easy, what, &value) == CURLE_OK ? value : fallback;
    }

    void watch(curl_socket_t socket, int what)
    {
        if (what == CURL_POLL_REMOVE) {
            const auto found = sockets.find(socket);
            if (found != sockets.end()) {
                dispose(found->second);
                sockets.erase(found);
            }
            return;
        }
        Watch& entry = sockets[socket];
        enable(entry.read, socket, QSocketNotifier::Read, (what & CURL_POLL_IN) != 0);
        enable(entry.write, socket, QSocketNotifier::Write, (what & CURL_POLL_OUT) != 0);
    }

    void enable(
        QSocketNotifier*& notifier, curl_socket_t socket, QSocketNotifier::Type type, bool on)
    {
        if (!notifier && on) {
            notifier = new QSocketNotifier(qintptr(socket), type, &owner);
            const int events = type == QSocketNotifier::Read ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
            HttpTransfer* transfer = &owner;
            QObject::connect(notifier, &QSocketNotifier::activated, transfer,
                [transfer, socket, events] { transfer->drive(qintptr(socket), events); });
        }
        if (notifier)
            notifier->setEnabled(on);
    }

    // The notifier may be the one whose signal is being handled: it goes
    // once control is back in the event loop.
    static void dispose(Watch& watch)
    {
        for (QSocketNotifier* notifier : { watch.read, watch.write }) {
            if (notifier) {
                notifier->setEnabled(false);
                notifier->deleteLater();
            }
        }
        watch = {};
    }

    // Callbacks from curl: nothing here may throw through curl.
    static int onSocket(CURL*, curl_socket_t socket, int what, void* self, void*)
    {
        auto* connection = static_cast<Connection*>(self);
        if (!connection->closing)
            connection->watch(socket, what);
        return 0;
    }

    static int onTimer(CURLM*, long milliseconds, void* self)
    {
        auto* connection = static_cast<Connection*>(self);
        if (connection->closing)
            return 0;
        QTimer& timer = connection->owner.m_curlTimer;
        if (milliseconds < 0)
            timer.stop();
        else
            timer.start(int(qMin(milliseconds, long(INT_MAX))));
        return 0;
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* self)
    {
        const size_t bytes = size * count;
        auto* connection = static_cast<Connection*>(self);
        return connection->safely([&] {
            return connection->owner.takeHeaderLine({ data, qsizetype(bytes) });
        })
            ? bytes
            : 0;
    }

    static size_t onBody(char* data, size_t size, size_t count, void* self)
    {
        const size_t bytes = size * count;
        auto* connection = static_cast<Connection*>(self);
        return connection->safely([&] {
            return connection->owner.takeBody({ data, qsizetype(bytes) });
        })
            ? bytes
            : 0; // anything short of the whole makes curl stop
    }

    template <typename Step> bool safely(Step step)
    {
        if (closing)
            return false;
        try {
            return step();
        } catch (const std::exception& error) {
            return owner.failInsideCurl(
                HttpError::WriteFailed, QString::fromLocal8Bit(error.what()));
        } catch (...) {
            return owner.failInsideCurl(HttpError::WriteFailed, QStringLiteral("Unknown failure"));
        }
    }

    HttpTransfer& owner;
    const CurlFunctions& curl;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    bool added = false;
    bool closing = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::map<curl_socket_t, Watch> sockets;
};

HttpTransfer::HttpTransfer(QObject* parent)
    : QObject(parent)
{
    m_curlTimer.setSingleShot(true);
    m_totalTimer.setSingleShot(true);
    m_stallTimer.setSingleShot(true);
    connect(&m_curlTimer, &QTimer::timeout, this, [this] { drive(CURL_SOCKET_TIMEOUT, 0); });
    connect(&m_totalTimer, &QTimer::timeout, this, [this] {
        finish(HttpError::TimedOut,
            QStringLiteral("No complete answer came within ") + seconds(m_options.totalTimeoutMs)
                + QStringLiteral(" seconds"));
    });
    connect(&m_stallTimer, &QTimer::timeout, this, [this] {
        finish(HttpError::Stalled,
            QStringLiteral("Nothing arrived for ") + seconds(m_options.stallTimeoutMs)
                + QStringLiteral(" seconds"));
    });
}

HttpTransfer::~HttpTransfer()
{
    m_connection.reset();
}

void HttpTransfer::get(const QString& address, const HttpOptions& options, QIODevice* sink)
{
    m_connection.reset();
    m_curlTimer.stop();
    m_totalTimer.stop();
    m_stallTimer.stop();
    ++m_attempt;
    m_options = options;
    m_sink = sink;
    m_running = true;
    m_error = HttpError::None;
    m_errorText.clear();
    m_received = 0;
    m_reported = -1;
    m_body.clear();
    m_redirects = 0;
    m_failure = HttpError::None;
    m_failureText.clear();

    const QUrl url(address, QUrl::TolerantMode);
    m_address = url;
    if (!isHttpAddress(url)) {
        failLater(HttpError::InvalidAddress, QStringLiteral("Not a web address: ") + address);
        return;
    }
    if (options.totalTimeoutMs > 0)
        m_totalTimer.start(options.totalTimeoutMs);
    if (options.stallTimeoutMs > 0)
        m_stallTimer.start(options.stallTimeoutMs);
    start(url);
}

void HttpTransfer::cancel()
{
    if (m_running)
        finish(HttpError::Cancelled, QStringLiteral("The transfer was cancelled"));
}

QByteArray HttpTransfer::responseHeader(const QByteArray& name) const
{
    const QByteArray wanted = name.toLower();
    for (const auto& [headerName, value] : m_headers) {
        if (headerName == wanted)
            return value;
    }
    return {};
}

void HttpTransfer::start(const QUrl& address)
{
    m_connection.reset();
    m_curlTimer.stop();
    m_address = address;
    m_status = 0;
    m_expected = -1;
    m_headers.clear();
    m_discardBody = false;

    const CurlLoadResult& library = curlLibrary();
    if (!library.functions) {
        failLater(HttpError::LibraryMissing, library.errorText);
        return;
    }
    auto connection = std::make_unique<Connection>(*this, *library.functions);
    if (!connection->open(address, m_options)) {
        failLater(
            HttpError::LibraryMissing, QStringLiteral("The internet library cannot be started"));
        return;
    }
    m_connection = std::move(connection);
}

void HttpTransfer::failLater(HttpError error, const QString& text)
{
    QTimer::singleShot(0, this, [this, attempt = m_attempt, error, text] {
        if (m_running && m_attempt == attempt)
            finish(error, text);
    });
}

void HttpTransfer::finish(HttpError error, const QString& text)
{
    m_connection.reset();
    m_curlTimer.stop();
    m_totalTimer.stop();
    m_stallTimer.stop();
    m_running = false;
    m_error = error;
    m_errorText = text;
    if (error != HttpError::None) {
        m_body.clear();
        emit finished();
        return;
    }
    // A progress listener may delete this transfer or start another one.
    const QPointer<HttpTransfer> alive(this);
    const quint64 attempt = m_attempt;
    reportProgress();
    if (alive && m_attempt == attempt)
        emit finished();
}

void HttpTransfer::drive(qintptr socket, int events)
{
    if (!m_connection)
        return;
    int running = 0;
    m_connection->curl.multiSocketAction(
        m_connection->multi, curl_socket_t(socket), events, &running);
    afterCurl();
}

void HttpTransfer::afterCurl()
{
    if (!m_connection)
        return;
    int left = 0;
    while (const CURLMsg* message = m_connection->curl.multiInfoRead(m_connection->multi, &left)) {
        if (message->msg == CURLMSG_DONE) {
            completed(message->data.result);
            return;
        }
    }
    reportProgress();
}

void HttpTransfer::completed(int curlCode)
{
    const Connection& connection = *m_connection;
    m_status = int(connection.info<long>(CURLINFO_RESPONSE_CODE, 0));
    if (m_failure != HttpError::None) {
        finish(m_failure, m_failureText);
        return;
    }
    const auto code = CURLcode(curlCode);
    if (code == CURLE_OK && isRedirectStatus(m_status)) {
        const char* target = connection.info<char*>(CURLINFO_REDIRECT_URL, nullptr);
        if (target) {
            followRedirect(QUrl::fromEncoded(QByteArray(target)));
            return;
        }
    }
    if (code == CURLE_OK && isSuccessStatus(m_status)) {
        finish(HttpError::None, QString());
        return;
    }
    if (code == CURLE_OK || code == CURLE_HTTP_RETURNED_ERROR) {
        finish(HttpError::ErrorStatus,
            QStringLiteral("The server answered with status ") + QString::number(m_status));
        return;
    }
    HttpError error = HttpError::ConnectionFailed;
    if (code == CURLE_OPERATION_TIMEDOUT)
        error = HttpError::TimedOut;
    else if (code == CURLE_UNSUPPORTED_PROTOCOL || code == CURLE_URL_MALFORMAT)
        error = HttpError::InvalidAddress;
    else if (m_received > 0 || code == CURLE_PARTIAL_FILE)
        error = HttpError::Incomplete;
    finish(error, connection.errorText(code));
}

void HttpTransfer::followRedirect(const QUrl& target)
{
    if (!redirectAllowed(m_address, target, m_options.redirects)) {
        finish(HttpError::RedirectRefused,
            QStringLiteral("The server sent the request on to ")
                + target.toDisplayString(QUrl::RemoveUserInfo)
                + QStringLiteral(", which is not followed"));
        return;
    }
    if (++m_redirects > m_options.maxRedirects) {
        finish(HttpError::RedirectRefused, QStringLiteral("The server redirected too often"));
        return;
    }
    start(target);
}

void HttpTransfer::reportProgress()
{
    if (m_received == m_reported)
        return;
    m_reported = m_received;
    emit progress(m_received, m_expected);
}

bool HttpTransfer::takeHeaderLine(QByteArrayView line)
{
    if (m_options.stallTimeoutMs > 0)
        m_stallTimer.start();
    if (line.startsWith("HTTP/")) { // a new answer, after a redirect or an interim one
        m_headers.clear();
        return true;
    }
    const QByteArrayView trimmed = line.trimmed();
    if (trimmed.isEmpty())
        return headersComplete();
    const qsizetype colon = trimmed.indexOf(':');
    if (colon > 0) {
        m_headers.append({ trimmed.first(colon).trimmed().toByteArray().toLower(),
            trimmed.sliced(colon + 1).trimmed().toByteArray() });
    }
    return true;
}

bool HttpTransfer::headersComplete()
{
    m_status = int(m_connection->info<long>(CURLINFO_RESPONSE_CODE, 0));
    // Redirects and interim answers carry no body of ours.
    m_discardBody = !isSuccessStatus(m_status);
    if (m_discardBody)
        return true;
    m_expected = qint64(m_connection->info<curl_off_t>(CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, -1));
    if (m_options.maxBodyBytes >= 0 && m_expected > m_options.maxBodyBytes) {
        return failInsideCurl(HttpError::TooLarge,
            QStringLiteral("The answer is announced as ") + QString::number(m_expected)
                + QStringLiteral(" bytes, more than the ") + QString::number(m_options.maxBodyBytes)
                + QStringLiteral(" expected"));
    }
    return true;
}

bool HttpTransfer::takeBody(QByteArrayView data)
{
    if (m_options.stallTimeoutMs > 0)
        m_stallTimer.start();
    if (m_discardBody)
        return true;
    if (m_options.maxBodyBytes >= 0 && m_received + data.size() > m_options.maxBodyBytes) {
        return failInsideCurl(HttpError::TooLarge,
            QStringLiteral("The answer is longer than the ")
                + QString::number(m_options.maxBodyBytes) + QStringLiteral(" bytes expected"));
    }
    if (m_sink) {
        if (m_sink->write(data.data(), data.size()) != data.size()) {
            return failInsideCurl(HttpError::WriteFailed,
                QStringLiteral("What arrived cannot be written: ") + m_sink->errorString());
        }
    } else {
        m_body.append(data);
    }
    m_received += data.size();
    return true;
}

bool HttpTransfer::failInsideCurl(HttpError error, const QString& text)
{
    if (m_failure == HttpError::None) {
        m_failure = error;
        m_failureText = text;
    }
    return false;
}

void setHttpCertificateAuthorities(const QString& pemFile)
{
    trustedAuthoritiesFile() = pemFile;
}

} // namespace platform

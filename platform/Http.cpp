#include "platform/Http.h"

#include "platform/CurlLibrary.h"

#include <QByteArray>
#include <QUrl>

#include <exception>
#include <memory>

namespace platform {

namespace {

constexpr long kMaxRedirects = 5;

struct EasyDeleter
{
    const CurlFunctions* curl;
    void operator()(CURL* easy) const { curl->easyCleanup(easy); }
};
struct HeaderListDeleter
{
    const CurlFunctions* curl;
    void operator()(curl_slist* list) const { curl->slistFreeAll(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

// Collects what curl delivers and passes it on in slices of the wanted size.
class ChunkCutter
{
public:
    ChunkCutter(qsizetype chunkSize, const ChunkReceiver& receive)
        : m_chunkSize(chunkSize)
        , m_receive(receive)
    {
    }

    // Returns false when the receiver stopped the transfer or threw.
    bool take(const char* data, qsizetype size)
    {
        m_pending.append(data, size);
        qsizetype used = 0;
        bool goOn = true;
        while (goOn && m_pending.size() - used >= m_chunkSize) {
            goOn = deliver(QByteArrayView(m_pending).sliced(used, m_chunkSize));
            used += m_chunkSize;
        }
        m_pending.remove(0, used);
        return goOn;
    }

    bool finish()
    {
        if (m_pending.isEmpty())
            return true;
        const bool goOn = deliver(QByteArrayView(m_pending));
        m_pending.clear();
        return goOn;
    }

    bool stopped() const { return m_stopped; }
    void rethrowReceiverError() const
    {
        if (m_error)
            std::rethrow_exception(m_error);
    }

private:
    bool deliver(QByteArrayView chunk)
    {
        // An exception must not travel through curl; it is kept and raised
        // again once curl has returned.
        try {
            m_stopped = !m_receive(chunk);
        } catch (...) {
            m_error = std::current_exception();
            m_stopped = true;
        }
        return !m_stopped;
    }

    qsizetype m_chunkSize;
    const ChunkReceiver& m_receive;
    QByteArray m_pending;
    bool m_stopped = false;
    std::exception_ptr m_error;
};

size_t writeToCutter(char* data, size_t size, size_t count, void* cutter)
{
    const size_t bytes = size * count;
    const bool goOn = static_cast<ChunkCutter*>(cutter)->take(data, qsizetype(bytes));
    return goOn ? bytes : 0; // anything else makes curl stop with a write error
}

long wholeSecondsAtLeastOne(int milliseconds)
{
    return qMax(1L, long((milliseconds + 999) / 1000));
}

HeaderList requestHeaders(const CurlFunctions& curl, const HttpOptions& options)
{
    curl_slist* list = nullptr;
    QStringList lines = options.extraHeaders;
    if (options.freshCopy)
        lines << QStringLiteral("Cache-Control: no-cache") << QStringLiteral("Pragma: no-cache");
    for (const QString& line : std::as_const(lines)) {
        curl_slist* longer = curl.slistAppend(list, line.toUtf8().constData());
        if (!longer) {
            curl.slistFreeAll(list);
            throw std::bad_alloc();
        }
        list = longer;
    }
    return HeaderList(list, HeaderListDeleter { &curl });
}

void applyOptions(const CurlFunctions& curl, CURL* easy, const HttpOptions& options,
    curl_slist* headers, char* errorBuffer)
{
    const auto setopt = curl.easySetopt;
    setopt(easy, CURLOPT_NOSIGNAL, 1L);
    setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    setopt(easy, CURLOPT_PROXY, ""); // direct access, whatever the environment says
#if LIBCURL_VERSION_NUM >= 0x075500
    setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
    setopt(easy, CURLOPT_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
    setopt(easy, CURLOPT_REDIR_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
    setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    setopt(easy, CURLOPT_FAILONERROR, 1L);
    setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (options.connectTimeoutMs > 0)
        setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(options.connectTimeoutMs));
    if (options.totalTimeoutMs > 0)
        setopt(easy, CURLOPT_TIMEOUT_MS, long(options.totalTimeoutMs));
    if (options.stallTimeoutMs > 0) {
        setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        setopt(easy, CURLOPT_LOW_SPEED_TIME, wholeSecondsAtLeastOne(options.stallTimeoutMs));
    }
    if (!options.userAgent.isEmpty())
        setopt(easy, CURLOPT_USERAGENT, options.userAgent.toUtf8().constData());
    if (headers)
        setopt(easy, CURLOPT_HTTPHEADER, headers);
}

QString curlErrorText(const CurlFunctions& curl, CURLcode code, const char* errorBuffer)
{
    if (errorBuffer[0] != '\0')
        return QString::fromUtf8(errorBuffer);
    return QString::fromUtf8(curl.easyStrerror(code));
}

} // namespace

HttpResult httpGet(const QString& address, qsizetype chunkSize, const ChunkReceiver& receive,
    const HttpOptions& options)
{
    Q_ASSERT(chunkSize > 0);
    HttpResult result;
    const QUrl url(address, QUrl::TolerantMode);
    if (!url.isValid() || url.isRelative()) {
        result.errorText = QStringLiteral("Not a valid address: ") + address;
        return result;
    }

    const CurlLoadResult& library = curlLibrary();
    if (!library.functions) {
        result.errorText = library.errorText;
        return result;
    }
    const CurlFunctions& curl = *library.functions;
    EasyHandle easy(curl.easyInit(), EasyDeleter { &curl });
    if (!easy) {
        result.errorText = QStringLiteral("The internet library cannot be started");
        return result;
    }
    const HeaderList headers = requestHeaders(curl, options);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    applyOptions(curl, easy.get(), options, headers.get(), errorBuffer);

    const QByteArray encodedUrl = url.toEncoded();
    ChunkCutter cutter(chunkSize, receive);
    curl.easySetopt(easy.get(), CURLOPT_URL, encodedUrl.constData());
    curl.easySetopt(easy.get(), CURLOPT_WRITEFUNCTION, writeToCutter);
    curl.easySetopt(easy.get(), CURLOPT_WRITEDATA, &cutter);

    const CURLcode code = curl.easyPerform(easy.get());
    long status = 0;
    curl.easyGetinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    result.status = int(status);
    cutter.rethrowReceiverError();

    if (code != CURLE_OK) {
        result.errorText = cutter.stopped() ? QStringLiteral("The transfer was stopped")
                                            : curlErrorText(curl, code, errorBuffer);
        return result;
    }
    result.completed = cutter.finish();
    cutter.rethrowReceiverError();
    if (!result.completed)
        result.errorText = QStringLiteral("The transfer was stopped");
    return result;
}

} // namespace platform

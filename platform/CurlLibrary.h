#pragma once

#include <QString>

#include <curl/curl.h>

#include <memory>

// libcurl is opened when the first transfer starts rather than at program
// start: it brings a whole TLS and directory-service stack along, and the
// program only needs it for the network, long after start.
namespace platform {

// The few curl functions the transfers use, taken from the opened library.
struct CurlFunctions
{
    CURLcode (*globalInit)(long flags) = nullptr;
    CURL* (*easyInit)() = nullptr;
    void (*easyCleanup)(CURL* easy) = nullptr;
    CURLcode (*easySetopt)(CURL* easy, CURLoption option, ...) = nullptr;
    CURLcode (*easyPerform)(CURL* easy) = nullptr;
    CURLcode (*easyGetinfo)(CURL* easy, CURLINFO info, ...) = nullptr;
    const char* (*easyStrerror)(CURLcode code) = nullptr;
    curl_slist* (*slistAppend)(curl_slist* list, const char* line) = nullptr;
    void (*slistFreeAll)(curl_slist* list) = nullptr;
    CURLM* (*multiInit)() = nullptr;
    CURLMcode (*multiCleanup)(CURLM* multi) = nullptr;
    CURLMcode (*multiSetopt)(CURLM* multi, CURLMoption option, ...) = nullptr;
    CURLMcode (*multiAddHandle)(CURLM* multi, CURL* easy) = nullptr;
    CURLMcode (*multiRemoveHandle)(CURLM* multi, CURL* easy) = nullptr;
    CURLMcode (*multiSocketAction)(CURLM* multi, curl_socket_t socket, int events, int* running)
        = nullptr;
    CURLMsg* (*multiInfoRead)(CURLM* multi, int* messagesLeft) = nullptr;
};

struct CurlLoadResult
{
    std::shared_ptr<const CurlFunctions> functions; // null when the library is unusable
    QString errorText; // why it is unusable
};

// Opens the named library (a base name such as "curl", with its major
// version, or a full path) and takes its functions; the library stays loaded.
CurlLoadResult loadCurlLibrary(const QString& name, int majorVersion);

// The system's libcurl, opened and initialised once, at the first call.
const CurlLoadResult& curlLibrary();

} // namespace platform

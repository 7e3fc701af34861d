#pragma once

#include <QString>

#include <curl/curl.h>

#include <memory>

// libcurl is opened when the first download starts rather than at program
// start: it brings a whole TLS and directory-service stack along, and the
// program only needs it for the update check, long after start.
namespace platform {

// The few curl functions the downloads use, taken from the opened library.
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

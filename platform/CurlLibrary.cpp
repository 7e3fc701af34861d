#include "platform/CurlLibrary.h"

#include <QLibrary>

namespace platform {

namespace {

template <typename Function>
bool take(QLibrary& library, const char* symbol, Function& function, QString& missing)
{
    function = reinterpret_cast<Function>(library.resolve(symbol));
    if (!function)
        missing = QString::fromLatin1(symbol);
    return function != nullptr;
}

QString missingFunctionText(const QLibrary& library, const QString& symbol)
{
    return QStringLiteral("The internet library ") + library.fileName()
        + QStringLiteral(" lacks the function ") + symbol;
}

} // namespace

CurlLoadResult loadCurlLibrary(const QString& name, int majorVersion)
{
    QLibrary library(name, majorVersion);
    if (!library.load()) {
        return { nullptr,
            QStringLiteral("The internet library cannot be loaded: ") + library.errorString() };
    }
    auto functions = std::make_shared<CurlFunctions>();
    QString missing;
    const bool complete = take(library, "curl_global_init", functions->globalInit, missing)
        && take(library, "curl_easy_init", functions->easyInit, missing)
        && take(library, "curl_easy_cleanup", functions->easyCleanup, missing)
        && take(library, "curl_easy_setopt", functions->easySetopt, missing)
        && take(library, "curl_easy_perform", functions->easyPerform, missing)
        && take(library, "curl_easy_getinfo", functions->easyGetinfo, missing)
        && take(library, "curl_easy_strerror", functions->easyStrerror, missing)
        && take(library, "curl_slist_append", functions->slistAppend, missing)
        && take(library, "curl_slist_free_all", functions->slistFreeAll, missing)
        && take(library, "curl_multi_init", functions->multiInit, missing)
        && take(library, "curl_multi_cleanup", functions->multiCleanup, missing)
        && take(library, "curl_multi_setopt", functions->multiSetopt, missing)
        && take(library, "curl_multi_add_handle", functions->multiAddHandle, missing)
        && take(library, "curl_multi_remove_handle", functions->multiRemoveHandle, missing)
        && take(library, "curl_multi_socket_action", functions->multiSocketAction, missing)
        && take(library, "curl_multi_info_read", functions->multiInfoRead, missing);
    if (!complete)
        return { nullptr, missingFunctionText(library, missing) };
    // The QLibrary object goes, the library stays loaded: its functions are
    // used until the program ends.
    return { std::move(functions), QString() };
}

const CurlLoadResult& curlLibrary()
{
    static const CurlLoadResult loaded = [] {
#ifdef Q_OS_WIN
        CurlLoadResult result = loadCurlLibrary(QStringLiteral("libcurl"), -1);
#else
        CurlLoadResult result = loadCurlLibrary(QStringLiteral("curl"), 4);
#endif
        if (result.functions && result.functions->globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            result = { nullptr, QStringLiteral("The internet library cannot be started") };
        return result;
    }();
    return loaded;
}

} // namespace platform

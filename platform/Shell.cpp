#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform {

namespace {

constexpr int kStarted = 33;
constexpr int kFailed = 2; // "file not found", as the system reports it

bool looksLikeAddress(const QString& target)
{
    const QUrl url(target);
    return url.isValid() && url.scheme().size() > 1; // a drive letter is not a scheme
}

// Programs given with parameters are started directly, detached; everything
// else goes to the desktop's default handler.
int openWithDesktop(const ShellRequest& request)
{
    if (!request.parameters.isEmpty()) {
        const QStringList arguments = QProcess::splitCommand(request.parameters);
        return QProcess::startDetached(request.target, arguments) ? kStarted : kFailed;
    }
    if (looksLikeAddress(request.target))
        return QDesktopServices::openUrl(QUrl(request.target, QUrl::StrictMode)) ? kStarted : kFailed;
    if (!QFileInfo::exists(request.target))
        return kFailed;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(request.target)) ? kStarted : kFailed;
}

ShellHandler& handler()
{
    static ShellHandler current = openWithDesktop;
    return current;
}

} // namespace

int shellExecute(const ShellRequest& request)
{
    return handler()(request);
}

ShellHandler setShellHandler(ShellHandler replacement)
{
    ShellHandler previous = std::move(handler());
    handler() = replacement ? std::move(replacement) : ShellHandler(openWithDesktop);
    return previous;
}

} // namespace platform

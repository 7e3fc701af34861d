#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
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

constexpr int kQueryTimeoutMs = 2000;

// Whether the desktop has a program to show a web page or a local file.
// Where xdg-open does the opening, a page without a graphical browser goes
// to a text browser writing into this program's output, and the user sees
// nothing; so the desktop's choice is asked first. Elsewhere the system
// itself reports a missing program.
bool desktopCanShow(const QUrl& address)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QString type;
    if (address.isLocalFile())
        type = QMimeDatabase().mimeTypeForFile(address.toLocalFile()).name();
    else if (address.scheme() == QLatin1String("http")
        || address.scheme() == QLatin1String("https"))
        type = QStringLiteral("x-scheme-handler/") + address.scheme();
    else
        return true; // mail and the like: the desktop's own affair
    const bool webPage = type == QLatin1String("text/html") || !address.isLocalFile();
    if (webPage
        && (!qEnvironmentVariableIsEmpty("BROWSER")
            || !QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty()))
        return true;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return true; // nothing to ask: opening will tell
    QProcess query;
    query.start(xdgMime, { QStringLiteral("query"), QStringLiteral("default"), type });
    if (!query.waitForFinished(kQueryTimeoutMs)) {
        query.kill();
        query.waitForFinished();
        return true;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
#else
    Q_UNUSED(address);
    return true;
#endif
}

int openAddress(const QUrl& address)
{
    if (!desktopCanShow(address))
        return kShellNoAssociation;
    return QDesktopServices::openUrl(address) ? kStarted : kFailed;
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
        return openAddress(QUrl(request.target, QUrl::StrictMode));
    if (!QFileInfo::exists(request.target))
        return kFailed;
    return openAddress(QUrl::fromLocalFile(request.target));
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

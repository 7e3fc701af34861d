#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>

// Blocking HTTP(S) downloads. The body is handed to the caller piece by piece
// while it arrives, so callers can write it away, count it or let the user
// interface breathe between pieces.
namespace platform {

struct HttpOptions
{
    int connectTimeoutMs = 10000; // time to reach the server
    int totalTimeoutMs = 0; // limit for the whole transfer; 0 for none
    int stallTimeoutMs = 0; // ends a transfer that delivers nothing for this long; 0 for none
    bool freshCopy = true; // asks every cache on the way for a fresh copy
    QString userAgent;
    QStringList extraHeaders; // complete header lines such as "Accept: text/plain"
};

struct HttpResult
{
    bool completed = false; // the whole body arrived with a success status
    int status = 0; // the server's status code; 0 when there was no answer
    QString errorText; // why the transfer did not complete
};

// Receives one piece of the body; returns false to stop the transfer. It may
// throw: the transfer is then cleaned up and the exception goes on to the
// caller of httpGet.
using ChunkReceiver = std::function<bool(QByteArrayView chunk)>;

// Fetches the address (http or https; certificates are verified) directly,
// without any proxy, following redirects. Every piece holds exactly chunkSize
// bytes except the last one, which holds the rest. An answer with an error
// status (400 or more) delivers nothing and does not complete.
HttpResult httpGet(const QString& address, qsizetype chunkSize, const ChunkReceiver& receive,
    const HttpOptions& options = {});

} // namespace platform

#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// A small HTTP server on 127.0.0.1 (a free port) for tests. It answers in its
// own thread, because the code under test blocks its caller's thread while it
// waits for the answer. Stops and closes every connection when destroyed.
class LoopbackServer
{
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        bool neverAnswer = false; // accept the request, then stay silent
        qsizetype announcedLength = -1; // a length other than the body's: the answer is cut short
    };

    LoopbackServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0
            || ::listen(m_listener, 16) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            qFatal("the loopback server cannot listen");
        m_port = ntohs(address.sin_port);
        if (::pipe2(m_wake, O_CLOEXEC) != 0)
            qFatal("the loopback server cannot make its wake-up pipe");
        m_thread = std::thread([this] { run(); });
    }
    ~LoopbackServer()
    {
        const char stop = 's';
        [[maybe_unused]] const auto written = ::write(m_wake[1], &stop, 1);
        m_thread.join();
        ::close(m_wake[0]);
        ::close(m_wake[1]);
        ::close(m_listener);
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    quint16 port() const { return m_port; }
    QString address(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:") + QString::number(m_port) + path;
    }

    void setReply(const QByteArray& path, const Reply& reply)
    {
        const std::lock_guard lock(m_mutex);
        m_replies.insert(path, reply);
    }
    void setBody(const QByteArray& path, const QByteArray& body)
    {
        setReply(path, Reply { 200, body, false, -1 });
    }

    // The request heads received so far (request line and header lines).
    QList<QByteArray> requests() const
    {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }
    QList<QByteArray> requestedPaths() const
    {
        QList<QByteArray> paths;
        for (const QByteArray& head : requests())
            paths << head.split(' ').value(1);
        return paths;
    }

private:
    void run()
    {
        std::map<int, QByteArray> open; // connection -> bytes received so far
        std::vector<int> silent; // connections left without an answer
        for (;;) {
            std::vector<pollfd> watched { { m_wake[0], POLLIN, 0 }, { m_listener, POLLIN, 0 } };
            for (const auto& [socket, received] : open)
                watched.push_back({ socket, POLLIN, 0 });
            if (::poll(watched.data(), watched.size(), -1) < 0)
                continue;
            if (watched[0].revents)
                break;
            if (watched[1].revents) {
                const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (socket >= 0)
                    open[socket];
            }
            for (size_t i = 2; i < watched.size(); ++i) {
                if (!watched[i].revents)
                    continue;
                const int socket = watched[i].fd;
                QByteArray head;
                const Outcome outcome = readRequest(socket, open[socket], head);
                if (outcome == Outcome::KeepReading)
                    continue;
                open.erase(socket);
                if (outcome == Outcome::Closed || answer(socket, head))
                    ::close(socket);
                else
                    silent.push_back(socket);
            }
        }
        for (const auto& [socket, received] : open)
            ::close(socket);
        for (const int socket : silent)
            ::close(socket);
    }

    enum class Outcome { KeepReading, HeadComplete, Closed };

    Outcome readRequest(int socket, QByteArray& received, QByteArray& head)
    {
        char buffer[4096];
        const ssize_t count = ::recv(socket, buffer, sizeof buffer, 0);
        if (count <= 0)
            return Outcome::Closed;
        received.append(buffer, count);
        const qsizetype headEnd = received.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return Outcome::KeepReading;
        head = received.left(headEnd);
        return Outcome::HeadComplete;
    }

    // Returns false when the connection must stay open without an answer.
    bool answer(int socket, const QByteArray& head)
    {
        Reply reply { 404, "Not here", false, -1 };
        {
            const std::lock_guard lock(m_mutex);
            m_requests << head;
            reply = m_replies.value(head.split(' ').value(1), reply);
        }
        if (reply.neverAnswer)
            return false;
        const QByteArray reason = reply.status < 400 ? "OK" : "Error";
        const qsizetype length
            = reply.announcedLength < 0 ? reply.body.size() : reply.announcedLength;
        const QByteArray message = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reason
            + "\r\nContent-Type: application/octet-stream\r\nContent-Length: "
            + QByteArray::number(length) + "\r\nConnection: close\r\n\r\n" + reply.body;
        qsizetype sent = 0;
        while (sent < message.size()) {
            const ssize_t count = ::send(
                socket, message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL);
            if (count <= 0)
                break; // the client went away
            sent += count;
        }
        ::shutdown(socket, SHUT_WR);
        return true;
    }

    int m_listener = -1;
    int m_wake[2] = { -1, -1 };
    quint16 m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    QHash<QByteArray, Reply> m_replies;
    QList<QByteArray> m_requests;
};

#pragma once
// A scripted HTTP server on 127.0.0.1 (a free port) for the download tests, so that no test reaches
// another machine. Each request is answered by the script: a status and body, or a misbehaviour
// (a stall, a body shorter than announced, an endless body, raw bytes such as a TLS client would
// not accept). It also serves as an HTTP proxy: requests then name the whole URL as their target.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <memory>

class HttpTestServer {
public:
    struct Request {
        QByteArray Method;
        QByteArray Target; // the path, or the whole URL when asked as a proxy
        QHash<QByteArray, QByteArray> Headers; // names in lower case
    };
    struct Reply {
        Reply(int status = 200, QByteArray body = {}, QList<QPair<QByteArray, QByteArray>> headers = {})
            : Status(status), Body(std::move(body)), Headers(std::move(headers)) {}
        int Status = 200;
        QByteArray Body;
        QList<QPair<QByteArray, QByteArray>> Headers;
        // Content-Length sent: -1 the body's size, -2 none (the body ends when the connection closes).
        int64_t Announced = -1;
        // Sends this many bytes of the body and then nothing more, keeping the connection open.
        int64_t StallAfter = -1;
        // Sends the body's bytes over and over until the client goes (or 1 GiB went).
        bool Endless = false;
        // Sends exactly these bytes and closes (nothing else of the reply is used).
        QByteArray Raw;
    };
    using Script = std::function<Reply(const Request&)>;

    explicit HttpTestServer(Script script) : script_(std::move(script)) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                Accept(socket);
        });
    }

    quint16 Port() const { return server_.serverPort(); }
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(path);
    }
    const QList<Request>& Requests() const { return requests_; }
    // Body bytes written to clients so far.
    int64_t BodyBytesSent() const { return sent_; }
    // Bytes the clients took off the wire so far (headers too): what a client read before it went.
    int64_t BytesTaken() const { return taken_; }
    // Connections not closed yet. A reply that stalls or never ends keeps its connection open from this
    // side, so when it counts down the client let go.
    int OpenConnections() const { return open_; }

    static QByteArray Header(const Request& request, const QByteArray& name) {
        return request.Headers.value(name.toLower());
    }

private:
    void Accept(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        auto answered = std::make_shared<bool>(false);
        ++open_;
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            --open_;
            socket->deleteLater();
        });
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [this](qint64 bytes) { taken_ += bytes; });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer, answered] {
            if (*answered) {
                socket->readAll();
                return;
            }
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            Request request;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            buffer->clear();
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.Method = first.value(0);
            request.Target = first.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.Headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            *answered = true;
            requests_.append(request);
            Respond(socket, script_(request));
        });
    }

    void Respond(QTcpSocket* socket, const Reply& reply) {
        if (!reply.Raw.isEmpty()) {
            socket->write(reply.Raw);
            socket->disconnectFromHost();
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.Status) + " Status\r\nConnection: close\r\n";
        for (const auto& [name, value] : reply.Headers)
            head += name + ": " + value + "\r\n";
        if (reply.Announced != -2 && !reply.Endless)
            head += "Content-Length: " +
                    QByteArray::number(reply.Announced == -1 ? int64_t(reply.Body.size()) : reply.Announced) + "\r\n";
        socket->write(head + "\r\n");
        if (reply.Endless) {
            auto left = std::make_shared<int64_t>(int64_t(1) << 30);
            const QByteArray chunk = reply.Body.isEmpty() ? QByteArray(64 << 10, 'x') : reply.Body;
            auto more = [this, socket, left, chunk] {
                if (socket->state() != QAbstractSocket::ConnectedState || *left <= 0)
                    return;
                if (socket->bytesToWrite() < 4 * chunk.size()) {
                    socket->write(chunk);
                    sent_ += chunk.size();
                    *left -= chunk.size();
                }
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
            return;
        }
        QByteArray body = reply.Body;
        if (reply.StallAfter >= 0) {
            body = body.left(reply.StallAfter);
            socket->write(body);
            sent_ += body.size();
            return; // the connection stays open, silent
        }
        socket->write(body);
        sent_ += body.size();
        socket->disconnectFromHost();
    }

    Script script_;
    // Before the server: its sockets, closed as it goes, still count down.
    int open_ = 0;
    QTcpServer server_;
    QList<Request> requests_;
    int64_t sent_ = 0;
    int64_t taken_ = 0;
};

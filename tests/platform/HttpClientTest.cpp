#include "platform/HttpClient.h"

#include "tests/HttpTestServer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Result = HttpClient::Result;
using Reply = HttpTestServer::Reply;

namespace {

HttpClient::Limits ShortLimits(int64_t maxBytes = 1 << 20) {
    HttpClient::Limits limits;
    limits.MaxBytes = maxBytes;
    limits.StallMs = 300;
    limits.TotalMs = 5000;
    return limits;
}

} // namespace

TEST(HttpClient, FetchesIntoMemoryAndFileAsksForPlainBytesAndReportsTheEvents) {
    const QByteArray body(100000, 'q');
    HttpTestServer server([&](const HttpTestServer::Request&) { return Reply{200, body}; });
    HttpClient client;
    client.SetLimits(ShortLimits());
    client.SetAgent(QStringLiteral("quorlane"));
    int connects = 0, packets = 0, successes = 0, failures = 0;
    client.OnConnect = [&] { ++connects; };
    client.OnPacketReceived = [&] { ++packets; };
    client.OnSuccess = [&] { ++successes; };
    client.OnFailure = [&] { ++failures; };

    ASSERT_TRUE(client.Execute(QUrl(server.Url("/a/info.vup"))));
    EXPECT_EQ(client.Body(), body);
    EXPECT_EQ(client.BytesReceived(), body.size());
    EXPECT_EQ(client.BytesTotal(), body.size());
    EXPECT_EQ(connects, 1);
    EXPECT_GE(packets, 1);
    EXPECT_EQ(successes, 1);
    EXPECT_EQ(failures, 0);
    const auto& request = server.Requests().constLast();
    EXPECT_EQ(request.Target, "/a/info.vup");
    EXPECT_EQ(HttpTestServer::Header(request, "Accept-Encoding"), "identity");
    EXPECT_EQ(HttpTestServer::Header(request, "User-Agent"), "quorlane");

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(client.Execute(QUrl(server.Url("/data.ppz")), file));
    QFile read(file);
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    EXPECT_EQ(read.readAll(), body);
    EXPECT_TRUE(client.Body().isEmpty());
}

TEST(HttpClient, OnlyAWholeBodyOfStatus200WithinTheCapsSucceeds) {
    HttpTestServer server([](const HttpTestServer::Request& request) {
        Reply reply{200, QByteArray(5000, 'b')};
        if (request.Target == "/missing")
            reply = Reply{404, "<html>not found</html>"};
        else if (request.Target == "/huge")
            reply.Announced = int64_t(1) << 30; // a claim: nothing of it may be taken
        else if (request.Target == "/endless")
            reply.Endless = true;
        else if (request.Target == "/short")
            reply.Announced = 9000;
        else if (request.Target == "/stall")
            reply.StallAfter = 100;
        else if (request.Target == "/gzip")
            reply.Headers = {{"Content-Encoding", "gzip"}};
        return reply;
    });
    HttpClient client;
    client.SetLimits(ShortLimits(64 << 10));
    const struct {
        const char* path;
        Result result;
    } cases[] = {
        {"/missing", Result::HttpStatus}, {"/huge", Result::TooLarge}, {"/endless", Result::TooLarge},
        {"/short", Result::ShortBody},    {"/stall", Result::Stalled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(client.Execute(QUrl(server.Url(QString::fromLatin1(c.path)))));
        EXPECT_EQ(client.LastResult(), c.result);
        EXPECT_LE(client.BytesReceived(), 64 << 10);
        if (c.result == Result::TooLarge && !QByteArray(c.path).contains("endless")) {
            EXPECT_EQ(client.BytesReceived(), 0); // stopped at the claim, before the body
        }
        EXPECT_FALSE(HttpResultText(client.LastResult(), client.StatusCode()).isEmpty());
    }
    EXPECT_EQ(client.StatusCode(), 200);
    // A compressed body is passed as it came, never inflated past the cap.
    ASSERT_TRUE(client.Execute(QUrl(server.Url(QStringLiteral("/gzip")))));
    EXPECT_EQ(client.Body(), QByteArray(5000, 'b'));
}

TEST(HttpClient, FollowsAFewRedirectsOnly) {
    HttpTestServer server([](const HttpTestServer::Request& request) {
        const int hop = request.Target.mid(1).toInt();
        if (hop > 0)
            return Reply{302, {}, {{"Location", "/" + QByteArray::number(hop - 1)}}};
        return Reply{200, "arrived"};
    });
    HttpClient client;
    client.SetLimits(ShortLimits());
    ASSERT_TRUE(client.Execute(QUrl(server.Url(QStringLiteral("/5")))));
    EXPECT_EQ(client.Body(), "arrived");
    EXPECT_FALSE(client.Execute(QUrl(server.Url(QStringLiteral("/6")))));
    EXPECT_EQ(client.LastResult(), Result::Redirect);
}

TEST(HttpClient, AbortFromAnEventEndsTheTransferAndNoServerOrTlsFails) {
    HttpTestServer server([](const HttpTestServer::Request&) {
        Reply reply;
        reply.Endless = true;
        return reply;
    });
    HttpClient client;
    client.SetLimits(ShortLimits(int64_t(512) << 20));
    client.OnPacketReceived = [&] {
        if (client.BytesReceived() > (1 << 20))
            client.Abort();
    };
    EXPECT_FALSE(client.Execute(QUrl(server.Url(QStringLiteral("/")))));
    EXPECT_EQ(client.LastResult(), Result::Aborted);
    EXPECT_FALSE(client.Running());
    client.OnPacketReceived = nullptr;

    // A plain server behind an https address: the handshake fails, nothing is taken.
    QTcpServer plain;
    plain.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&plain, &QTcpServer::newConnection, &plain, [&plain] {
        QTcpSocket* socket = plain.nextPendingConnection();
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nplain");
        socket->disconnectFromHost();
    });
    EXPECT_FALSE(client.Execute(QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(plain.serverPort()))));
    EXPECT_EQ(client.LastResult(), Result::Tls);

    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 port = closed.serverPort();
    closed.close();
    int connectionFailures = 0;
    client.OnConnectionFailed = [&] { ++connectionFailures; };
    EXPECT_FALSE(client.Execute(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port))));
    EXPECT_EQ(client.LastResult(), Result::NoAnswer);
    EXPECT_EQ(connectionFailures, 1);
    EXPECT_FALSE(client.Execute(QUrl(QStringLiteral("ftp://127.0.0.1/x"))));
}

TEST(HttpClient, AProxyWithAnAccountAnswersItsBasicChallenge) {
    const QByteArray good = "Basic " + QByteArray("user:pa ss").toBase64();
    HttpTestServer proxy([&](const HttpTestServer::Request& request) {
        if (HttpTestServer::Header(request, "Proxy-Authorization") != good)
            return Reply{407, {}, {{"Proxy-Authenticate", "Basic realm=\"proxy\""}}};
        return Reply{200, "via proxy " + request.Target};
    });
    HttpClient client;
    client.SetLimits(ShortLimits());
    client.SetProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.Port(),
                                  QStringLiteral("user"), QStringLiteral("pa ss")));
    ASSERT_TRUE(client.Execute(QUrl(QStringLiteral("http://update.example/papers/info.vup"))));
    EXPECT_EQ(client.Body(), "via proxy http://update.example/papers/info.vup");

    client.SetProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.Port(),
                                  QStringLiteral("user"), QStringLiteral("wrong")));
    EXPECT_FALSE(client.Execute(QUrl(QStringLiteral("http://update.example/papers/info.vup"))));
    EXPECT_EQ(client.LastResult(), Result::ProxyLogin);
}

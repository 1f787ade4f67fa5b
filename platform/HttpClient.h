#pragma once
// One HTTP GET at a time on Qt's network access, into memory or into a file written as the body
// arrives. Whatever the server sends is distrusted: only status 200 is a success, the body is capped
// (an announced length over the cap stops before the body), a body shorter than announced fails,
// a transfer with no byte for too long or running too long in all is stopped, redirects are few and
// never from https to http, and a TLS error fails the transfer.

#include <QByteArray>
#include <QNetworkProxy>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class HttpClient {
public:
    struct Limits {
        int64_t MaxBytes = int64_t(64) << 20;
        int StallMs = 30'000;
        int TotalMs = 10 * 60'000;
        int MaxRedirects = 5;
    };
    // Why the last transfer ended.
    enum class Result {
        Success,
        Aborted,
        HostNotFound,
        NoAnswer, // refused, timed out or the connection went before a response
        HttpStatus,
        TooLarge,
        ShortBody,
        Stalled,
        TimedOut,
        Tls,
        ProxyLogin,
        ProxyFailed,
        Redirect,
        FileError,
        Failed,
    };

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void SetLimits(const Limits& limits) { limits_ = limits; }
    const Limits& GetLimits() const { return limits_; }
    // The proxy of the following transfers (NoProxy unless set; a proxy's account answers its Basic
    // challenge).
    void SetProxy(const QNetworkProxy& proxy) { proxy_ = proxy; }
    const QNetworkProxy& Proxy() const { return proxy_; }
    // The "User-Agent" of the requests.
    void SetAgent(const QString& agent) { agent_ = agent; }

    // Fetches url into fileName (created or truncated; memory when empty) and returns once the
    // transfer ended, running the event loop meanwhile so that windows stay alive and the events
    // below arrive. Never raises; a failed transfer into a file leaves what arrived (the caller
    // deletes it). Abort from an event or a window ends it.
    bool Execute(const QUrl& url, const QString& fileName = {});
    void Abort();
    bool Running() const { return reply_ != nullptr; }

    Result LastResult() const { return result_; }
    // The status of the last response (0 without one).
    int StatusCode() const { return status_; }
    // The body of the last transfer into memory.
    const QByteArray& Body() const { return body_; }
    int64_t BytesReceived() const { return received_; }
    // The announced length; 0 when none was announced.
    int64_t BytesTotal() const { return total_; }

    // Called from the event loop while Execute runs: the response's headers arrived (connected);
    // the connection could not be made; a part of the body arrived; the transfer failed; it
    // succeeded. Any of them may call Abort.
    std::function<void()> OnConnect;
    std::function<void()> OnConnectionFailed;
    std::function<void()> OnPacketReceived;
    std::function<void()> OnFailure;
    std::function<void()> OnSuccess;

private:
    void HeadersArrived();
    void DataArrived();
    void Finished();
    void Stop(Result result);
    bool TakeBytes(const QByteArray& bytes);

    Limits limits_;
    QNetworkProxy proxy_{QNetworkProxy::NoProxy};
    QString agent_;
    std::unique_ptr<QNetworkAccessManager> manager_;
    QNetworkReply* reply_ = nullptr;
    std::unique_ptr<QFile> file_;
    std::unique_ptr<QTimer> stallTimer_;
    std::unique_ptr<QTimer> totalTimer_;
    std::function<void()> quitLoop_;
    QByteArray body_;
    Result result_ = Result::Success;
    bool stopped_ = false;
    bool headersSeen_ = false;
    int status_ = 0;
    int64_t received_ = 0;
    int64_t total_ = 0;
};

// A few words for the user on why a transfer ended (Japanese).
QString HttpResultText(HttpClient::Result result, int status);

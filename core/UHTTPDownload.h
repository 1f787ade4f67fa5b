#pragma once
// A download over HTTP for the windows that fetch files: the HTTP client behind a component with a
// URL, a download file (memory when none), the proxy and its account, byte counts and the five
// events. Without a usable network every operation does nothing and every count reads 0.

#include "platform/Component.h"
#include "platform/HttpClient.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class THTTPDownload : public TComponent {
    QUORLANE_CLASS(THTTPDownload, TComponent)

public:
    explicit THTTPDownload(TComponent* owner);
    ~THTTPDownload() override;

    // Whether a TCP socket can be made here (asked once per downloader, at its creation).
    static bool NetworkAvailable();
    // Replaces the probe NetworkAvailable asks (tests); an empty function restores the real one.
    static void SetNetworkProbe(std::function<bool()> probe);
    bool Available() const { return available_; }

    QString URL;
    // Port used for a URL that names none (80 by default).
    int Port = 80;
    // The proxy host (none when empty), its port and account.
    QString Proxy;
    int ProxyPort = 80;
    QString ProxyUserName;
    QString ProxyUserPass;

    // Setting a name switches to a download into that file; an empty name to memory.
    void SetDownloadFileName(const QString& fileName) { downloadFileName_ = fileName; }
    const QString& DownloadFileName() const { return downloadFileName_; }
    // The body of the last download into memory.
    QByteArray DownloadFileStr() const;

    void SetLimits(const HttpClient::Limits& limits);
    const HttpClient::Limits& Limits() const;

    // GET of URL; false when it failed, was aborted or there is no network. Never raises.
    bool Execute();
    void Abort();
    bool Running() const;

    int64_t BytesRecieved() const;
    int64_t BytesTotal() const;
    // Received per thousand of the total, rounded to a percentage; 0 without a total.
    int BytesPercent() const;
    HttpClient::Result LastResult() const;
    // Why the last download failed, for the user; empty after a success.
    QString FailureText() const;

    std::function<void()> OnConnect;
    std::function<void()> OnConnectionFailed;
    std::function<void()> OnPacketRecieved;
    std::function<void()> OnFailure;
    std::function<void()> OnSuccess;

private:
    bool available_ = false;
    std::unique_ptr<HttpClient> client_;
    QString downloadFileName_;
};

// The system's proxy for HTTP as text: $http_proxy, else $HTTP_PROXY; empty when neither is set.
QString SystemProxyText();
// Host and port from a proxy text: "scheme://" and an "<entry>=" prefix dropped, only the first of
// blank-separated entries kept, user-info and path dropped; no port or one that is not a number
// gives 80. False (host empty) when no host is left.
bool ParseProxyText(const QString& text, QString& host, int& port);
// A port text as the settings hold it: its number, or 80 when it is not a valid port.
int ProxyPortFromText(const QString& text);

#include "core/UHTTPDownload.h"

#include "platform/IntMath.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutex>
#include <QNetworkProxy>
#include <QUrl>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kDefaultPort = 80;

QMutex& ProbeLock() {
    static QMutex lock;
    return lock;
}

std::function<bool()>& Probe() {
    static std::function<bool()> probe;
    return probe;
}

bool SocketCanBeMade() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace

THTTPDownload::THTTPDownload(TComponent* owner) : TComponent(owner) {
    available_ = NetworkAvailable();
    if (!available_)
        return;
    client_ = std::make_unique<HttpClient>();
    client_->SetAgent(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    // The caller sets its handlers after construction (and may change them), so each event looks
    // its handler up when it comes.
    const auto forward = [](const std::function<void()>& handler) {
        return [&handler] {
            if (handler)
                handler();
        };
    };
    client_->OnConnect = forward(OnConnect);
    client_->OnConnectionFailed = forward(OnConnectionFailed);
    client_->OnPacketReceived = forward(OnPacketRecieved);
    client_->OnFailure = forward(OnFailure);
    client_->OnSuccess = forward(OnSuccess);
}

THTTPDownload::~THTTPDownload() = default;

bool THTTPDownload::NetworkAvailable() {
    std::function<bool()> probe;
    {
        QMutexLocker locker(&ProbeLock());
        probe = Probe();
    }
    return probe ? probe() : SocketCanBeMade();
}

void THTTPDownload::SetNetworkProbe(std::function<bool()> probe) {
    QMutexLocker locker(&ProbeLock());
    Probe() = std::move(probe);
}

QByteArray THTTPDownload::DownloadFileStr() const {
    return client_ && downloadFileName_.isEmpty() ? client_->Body() : QByteArray();
}

void THTTPDownload::SetLimits(const HttpClient::Limits& limits) {
    if (client_)
        client_->SetLimits(limits);
}

const HttpClient::Limits& THTTPDownload::Limits() const {
    static const HttpClient::Limits none;
    return client_ ? client_->GetLimits() : none;
}

bool THTTPDownload::Execute() {
    if (!client_)
        return false;
    QUrl url(URL);
    if (url.port() < 0 && Port != kDefaultPort && url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0)
        url.setPort(Port);
    if (Proxy.isEmpty()) {
        client_->SetProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    } else {
        QNetworkProxy proxy(QNetworkProxy::HttpProxy, Proxy, quint16(ProxyPort > 0 && ProxyPort < 65536 ? ProxyPort : kDefaultPort));
        if (!ProxyUserName.isEmpty()) {
            proxy.setUser(ProxyUserName);
            proxy.setPassword(ProxyUserPass);
        }
        client_->SetProxy(proxy);
    }
    return client_->Execute(url, downloadFileName_);
}

void THTTPDownload::Abort() {
    if (client_)
        client_->Abort();
}

bool THTTPDownload::Running() const {
    return client_ && client_->Running();
}

int64_t THTTPDownload::BytesRecieved() const {
    return client_ ? client_->BytesReceived() : 0;
}

int64_t THTTPDownload::BytesTotal() const {
    return client_ ? client_->BytesTotal() : 0;
}

int THTTPDownload::BytesPercent() const {
    const int64_t total = BytesTotal();
    if (total < 1)
        return 0;
    return int((MulDiv64(BytesRecieved(), 1000, total) + 5) / 10);
}

HttpClient::Result THTTPDownload::LastResult() const {
    return client_ ? client_->LastResult() : HttpClient::Result::NoAnswer;
}

QString THTTPDownload::FailureText() const {
    if (!client_)
        return QStringLiteral("現在の環境では、インターネットに接続できません。");
    return HttpResultText(client_->LastResult(), client_->StatusCode());
}

QString SystemProxyText() {
    for (const char* name : {"http_proxy", "HTTP_PROXY"}) {
        const QString text = qEnvironmentVariable(name).trimmed();
        if (!text.isEmpty())
            return text;
    }
    return {};
}

int ProxyPortFromText(const QString& text) {
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok && port > 0 && port < 65536 ? port : kDefaultPort;
}

bool ParseProxyText(const QString& text, QString& host, int& port) {
    QString rest = text.trimmed();
    // "http=host:port https=..." as the window system keeps it: the first entry's value.
    const qsizetype equals = rest.indexOf(QLatin1Char('='));
    if (equals >= 0)
        rest = rest.mid(equals + 1);
    const qsizetype blank = rest.indexOf(QLatin1Char(' '));
    if (blank >= 0)
        rest = rest.left(blank);
    const qsizetype scheme = rest.indexOf(QLatin1String("://"));
    if (scheme >= 0)
        rest = rest.mid(scheme + 3);
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0)
        rest = rest.left(slash);
    const qsizetype at = rest.lastIndexOf(QLatin1Char('@'));
    if (at >= 0)
        rest = rest.mid(at + 1);
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        host = rest;
        port = kDefaultPort;
    } else {
        host = rest.left(colon);
        port = ProxyPortFromText(rest.mid(colon + 1));
    }
    return !host.isEmpty();
}

#include "platform/HttpClient.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

constexpr int kStatusOk = 200;

constexpr int kStatusProxyLogin = 407;

constexpr qint64 kReadAhead = qint64(1) << 20;

// Followed by the network layer, which fails the transfer when it will not follow.
bool IsRedirect(int status) {
    return status >= 300 && status < 400;
}

HttpClient::Result Classify(QNetworkReply::NetworkError error, bool headersSeen) {
    using E = QNetworkReply::NetworkError;
    switch (error) {
    case E::HostNotFoundError:
        return HttpClient::Result::HostNotFound;
    case E::ConnectionRefusedError:
    case E::TimeoutError:
    case E::TemporaryNetworkFailureError:
    case E::NetworkSessionFailedError:
        return HttpClient::Result::NoAnswer;
    case E::RemoteHostClosedError:
        // Gone after the headers: the body is shorter than it should be.
        return headersSeen ? HttpClient::Result::ShortBody : HttpClient::Result::NoAnswer;
    case E::SslHandshakeFailedError:
        return HttpClient::Result::Tls;
    case E::ProxyAuthenticationRequiredError:
        return HttpClient::Result::ProxyLogin;
    case E::ProxyConnectionRefusedError:
    case E::ProxyConnectionClosedError:
    case E::ProxyNotFoundError:
    case E::ProxyTimeoutError:
    case E::UnknownProxyError:
        return HttpClient::Result::ProxyFailed;
    case E::TooManyRedirectsError:
    case E::InsecureRedirectError:
        return HttpClient::Result::Redirect;
    case E::OperationCanceledError:
        return HttpClient::Result::Aborted;
    default:
        return error >= E::ContentAccessDenied && error <= E::UnknownServerError ? HttpClient::Result::HttpStatus
                                                                                  : HttpClient::Result::Failed;
    }
}

} // namespace

HttpClient::HttpClient() = default;

HttpClient::~HttpClient() {
    if (reply_) {
        stopped_ = true;
        result_ = Result::Aborted;
        QNetworkReply* reply = reply_;
        reply_ = nullptr;
        reply->disconnect();
        reply->abort();
        reply->deleteLater();
    }
    if (quitLoop_)
        quitLoop_();
}

bool HttpClient::Execute(const QUrl& url, const QString& fileName) {
    if (reply_)
        return false;
    body_.clear();
    received_ = total_ = 0;
    status_ = 0;
    headersSeen_ = false;
    stopped_ = false;
    result_ = Result::Failed;
    file_.reset();

    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        if (OnFailure)
            OnFailure();
        return false;
    }
    if (!fileName.isEmpty()) {
        file_ = std::make_unique<QFile>(fileName);
        if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file_.reset();
            result_ = Result::FileError;
            if (OnFailure)
                OnFailure();
            return false;
        }
    }
    // Nothing is kept between transfers (connections, cookies, credentials): each asks afresh.
    manager_ = std::make_unique<QNetworkAccessManager>();
    manager_->setProxy(proxy_);
    // The proxy's account answers its first challenge; a second one means it was refused.
    auto answered = std::make_shared<bool>(false);
    QObject::connect(manager_.get(), &QNetworkAccessManager::proxyAuthenticationRequired, manager_.get(),
                     [this, answered](const QNetworkProxy&, QAuthenticator* auth) {
                         if (*answered || proxy_.user().isEmpty())
                             return;
                         *answered = true;
                         auth->setUser(proxy_.user());
                         auth->setPassword(proxy_.password());
                     });

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits_.MaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // Asked for, or the network layer inflates a compressed body unasked, past the cap.
    request.setRawHeader("Accept-Encoding", "identity");
    if (!agent_.isEmpty())
        request.setHeader(QNetworkRequest::UserAgentHeader, agent_);

    stallTimer_ = std::make_unique<QTimer>();
    stallTimer_->setSingleShot(true);
    QObject::connect(stallTimer_.get(), &QTimer::timeout, [this] { Stop(Result::Stalled); });
    totalTimer_ = std::make_unique<QTimer>();
    totalTimer_->setSingleShot(true);
    QObject::connect(totalTimer_.get(), &QTimer::timeout, [this] { Stop(Result::TimedOut); });

    QEventLoop loop;
    quitLoop_ = [&loop] { loop.quit(); };
    reply_ = manager_->get(request);
    QNetworkReply* reply = reply_;
    // The network layer reads ahead only this far: once the cap stops the transfer, nothing more of
    // a body without a length is read while the abort is on its way.
    reply->setReadBufferSize(kReadAhead);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this] { HeadersArrived(); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { DataArrived(); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this] { Finished(); });
    stallTimer_->start(limits_.StallMs);
    totalTimer_->start(limits_.TotalMs);
    if (reply_)
        loop.exec(QEventLoop::AllEvents);
    quitLoop_ = nullptr;
    // The connection goes with the transfer. An aborted reply does not close it (the network layer
    // keeps it for the manager), so a transfer the cap or a stall stopped would keep a server sending
    // until the next transfer or the window's end.
    manager_.reset();
    return result_ == Result::Success;
}

void HttpClient::Abort() {
    Stop(Result::Aborted);
}

void HttpClient::Stop(Result result) {
    if (!reply_ || stopped_)
        return;
    stopped_ = true;
    result_ = result;
    // Not from inside the reply's own signal: the network layer is not ready for that there.
    // Nothing that arrives meanwhile is taken.
    QMetaObject::invokeMethod(reply_, &QNetworkReply::abort, Qt::QueuedConnection);
}

void HttpClient::HeadersArrived() {
    if (!reply_ || stopped_ || headersSeen_)
        return;
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    status_ = status.toInt();
    if (IsRedirect(status_))
        return;
    headersSeen_ = true;
    if (status_ != kStatusOk) {
        Stop(status_ == kStatusProxyLogin ? Result::ProxyLogin : Result::HttpStatus);
        return;
    }
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    bool ok = false;
    const qlonglong announced = length.toLongLong(&ok);
    total_ = ok && announced > 0 ? announced : 0;
    if (total_ > limits_.MaxBytes) {
        Stop(Result::TooLarge);
        return;
    }
    stallTimer_->start(limits_.StallMs);
    if (OnConnect)
        OnConnect();
}

bool HttpClient::TakeBytes(const QByteArray& bytes) {
    if (bytes.size() > limits_.MaxBytes - received_) {
        Stop(Result::TooLarge);
        return false;
    }
    if (file_) {
        if (file_->write(bytes) != bytes.size()) {
            Stop(Result::FileError);
            return false;
        }
    } else {
        body_.append(bytes);
    }
    received_ += bytes.size();
    return true;
}

void HttpClient::DataArrived() {
    if (!reply_ || stopped_)
        return;
    if (!headersSeen_) {
        HeadersArrived();
        if (!reply_ || stopped_)
            return;
        if (!headersSeen_) {
            reply_->readAll(); // a redirect's own body
            return;
        }
    }
    const QByteArray bytes = reply_->readAll();
    if (bytes.isEmpty() || !TakeBytes(bytes))
        return;
    stallTimer_->start(limits_.StallMs);
    if (OnPacketReceived)
        OnPacketReceived();
}

void HttpClient::Finished() {
    if (!reply_)
        return;
    if (!stopped_)
        DataArrived();
    QNetworkReply* reply = reply_;
    if (!stopped_) {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid())
            status_ = status.toInt();
        if (reply->error() != QNetworkReply::NoError)
            result_ = Classify(reply->error(), headersSeen_);
        else if (status_ != kStatusOk)
            result_ = Result::HttpStatus;
        else if (total_ > 0 && received_ != total_)
            result_ = Result::ShortBody;
        else if (file_ && !file_->flush())
            result_ = Result::FileError;
        else
            result_ = Result::Success;
    }
    reply_ = nullptr;
    reply->disconnect();
    reply->deleteLater();
    stallTimer_->stop();
    totalTimer_->stop();
    if (file_)
        file_->close();
    file_.reset();

    switch (result_) {
    case Result::Success:
        if (OnSuccess)
            OnSuccess();
        break;
    case Result::Aborted:
        break;
    case Result::HostNotFound:
    case Result::NoAnswer:
    case Result::ProxyFailed:
        if (OnConnectionFailed)
            OnConnectionFailed();
        break;
    default:
        if (OnFailure)
            OnFailure();
        break;
    }
    if (quitLoop_)
        quitLoop_();
}

QString HttpResultText(HttpClient::Result result, int status) {
    using R = HttpClient::Result;
    switch (result) {
    case R::Success:
        return {};
    case R::Aborted:
        return QStringLiteral("中断しました。");
    case R::HostNotFound:
        return QStringLiteral("サーバーが見つかりません。");
    case R::NoAnswer:
        return QStringLiteral("サーバーから応答がありません。");
    case R::HttpStatus:
        return QStringLiteral("サーバーがエラーを返しました（HTTP %1）。").arg(status);
    case R::TooLarge:
        return QStringLiteral("ファイルが大きすぎます。");
    case R::ShortBody:
        return QStringLiteral("ファイルを最後まで受信できませんでした。");
    case R::Stalled:
        return QStringLiteral("サーバーからの受信が止まりました。");
    case R::TimedOut:
        return QStringLiteral("受信に時間がかかりすぎました。");
    case R::Tls:
        return QStringLiteral("安全な接続を確立できませんでした（証明書）。");
    case R::ProxyLogin:
        return QStringLiteral("プロキシ サーバーのアカウント名またはパスワードが違います。");
    case R::ProxyFailed:
        return QStringLiteral("プロキシ サーバーに接続できません。");
    case R::Redirect:
        return QStringLiteral("転送先が多すぎるか、安全でない転送先です。");
    case R::FileError:
        return QStringLiteral("受信したファイルを書き込めません。");
    case R::Failed:
        break;
    }
    return QStringLiteral("通信に失敗しました。");
}

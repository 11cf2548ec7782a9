#include "Http.h"

#include "HttpCancellation.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(lcNetwork, "quillet.network", QtWarningMsg)

constexpr auto cacheFolder = "/network"_L1;
// Characters besides the unreserved ones that a path keeps as they are; everything else is
// percent-encoded.
constexpr char pathCharacters[] = "/!$&'()*+,;=:@";
constexpr auto httpScheme = "http"_L1;
constexpr auto httpsScheme = "https"_L1;

struct DeleteLater {
    void operator()(QObject *object) const { object->deleteLater(); }
};

// How an exchange was ended on our side before its answer was complete.
enum class Stop { None, TimedOut, TooLarge, Cancelled };

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

int effectivePort(const QUrl &url)
{
    return url.port(url.scheme() == httpsScheme ? 443 : 80);
}

bool sameOrigin(const QUrl &a, const QUrl &b)
{
    return a.scheme() == b.scheme() && a.host() == b.host() && effectivePort(a) == effectivePort(b);
}

// A failure of the connection itself, as opposed to the error Qt derives from an HTTP status
// (content, protocol-operation and server errors). With one of these the status may have
// arrived but the body is incomplete, so the answer cannot be trusted.
bool isConnectionFailure(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError &&
           (error < QNetworkReply::ContentAccessDenied || error == QNetworkReply::ProtocolFailure);
}

QString loggable(const QUrl &url)
{
    return url.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
}

// One request and its answer, without following redirects.
Error cancelledError()
{
    return Error::transport(Http::cancelledDescription, QNetworkReply::OperationCanceledError);
}

QCoro::Task<Result<HttpResponse>> exchange(HttpRequest request)
{
    if (request.cancellation && request.cancellation->isCancelled())
        co_return fail(cancelledError());

    QNetworkRequest networkRequest(request.url);
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::ManualRedirectPolicy);
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                request.cacheLoadControl);
    for (const auto &[name, value] : request.headers)
        networkRequest.setRawHeader(name, value);

    auto &manager = Http::sharedManager();
    // The network stack reads and fills its cache only for requests made through get(), so a
    // GET that asks for the cache goes that way. API calls (which prefer the network) stay
    // custom requests: back-to-back polls of one address through get() can stall on Qt 6.4.
    const bool usesCache = request.cacheLoadControl != QNetworkRequest::PreferNetwork &&
                           request.cacheLoadControl != QNetworkRequest::AlwaysNetwork;
    const std::unique_ptr<QNetworkReply, DeleteLater> reply(
        request.method == "GET" && request.body.isEmpty() && usesCache ? manager.get(networkRequest)
        : request.body.isEmpty()
            ? manager.sendCustomRequest(networkRequest, request.method)
            : manager.sendCustomRequest(networkRequest, request.method, request.body));

    Stop stop = Stop::None;
    QByteArray body;
    // The connections below end with this frame, so no lambda outlives what it captures.
    QObject context;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(request.timeout);

    // Aborting emits finished() at once, which would resume this coroutine inside the
    // signal handler; a queued abort lets the handler return first.
    const auto stopWith = [&](Stop reason) {
        if (stop != Stop::None)
            return;
        stop = reason;
        idle.stop();
        QMetaObject::invokeMethod(reply.get(), &QNetworkReply::abort, Qt::QueuedConnection);
    };
    const auto progressed = [&] {
        if (stop == Stop::None)
            idle.start();
    };
    QObject::connect(&idle, &QTimer::timeout, &context, [&] { stopWith(Stop::TimedOut); });
    if (request.cancellation)
        QObject::connect(request.cancellation.get(), &HttpCancellation::cancelled, &context,
                         [&] { stopWith(Stop::Cancelled); });
    QObject::connect(reply.get(), &QNetworkReply::uploadProgress, &context, progressed);
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &context, progressed);
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &context, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > request.maxResponseSize)
            stopWith(Stop::TooLarge);
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &context, [&] {
        if (stop != Stop::None) {
            reply->readAll();
            return;
        }
        body += reply->readAll();
        if (body.size() > request.maxResponseSize)
            stopWith(Stop::TooLarge);
    });
    idle.start();

    co_await reply.get();
    idle.stop();
    if (stop == Stop::None)
        body += reply->readAll();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    qCDebug(lcNetwork) << request.method << loggable(request.url) << status.toInt()
                       << reply->error();
    switch (stop) {
    case Stop::TimedOut:
        co_return fail(Error::transport(Http::timedOutDescription, QNetworkReply::TimeoutError));
    case Stop::TooLarge:
        co_return fail(Error::transport(
            u"The response is larger than %1 bytes."_s.arg(request.maxResponseSize),
            QNetworkReply::UnknownContentError));
    case Stop::Cancelled:
        co_return fail(cancelledError());
    case Stop::None:
        break;
    }
    if (!status.isValid() || isConnectionFailure(reply->error()))
        co_return fail(Error::transport(reply->errorString(), reply->error()));
    if (body.size() > request.maxResponseSize)
        co_return fail(Error::transport(
            u"The response is larger than %1 bytes."_s.arg(request.maxResponseSize),
            QNetworkReply::UnknownContentError));
    co_return HttpResponse{status.toInt(), reply->rawHeaderPairs(), std::move(body), reply->url()};
}

// The request that follows a redirect answer with `status` to `target`, or nothing when the
// redirect is not to be followed.
std::optional<HttpRequest> redirected(const HttpRequest &request, int status, const QUrl &target)
{
    if (!target.isValid() || (target.scheme() != httpScheme && target.scheme() != httpsScheme))
        return std::nullopt;
    if (request.url.scheme() == httpsScheme && target.scheme() == httpScheme)
        return std::nullopt;

    HttpRequest next = request;
    next.url = target;
    // What browsers do: 303 always, and 301 or 302 after a POST, continue with a GET.
    const bool becomesGet = (status == 303 && request.method != "HEAD") ||
                            ((status == 301 || status == 302) && request.method == "POST");
    if (becomesGet) {
        next.method = QByteArrayLiteral("GET");
        next.body.clear();
        next.removeHeader(HttpRequest::contentTypeHeader);
    }
    // Credentials are for the origin they were given to. A body may carry them too (the post
    // form holds the access token), so a request that would take its body to another origin
    // is not sent there: the redirect comes back as the answer it is.
    if (!sameOrigin(request.url, target)) {
        if (!next.body.isEmpty())
            return std::nullopt;
        next.removeHeader(HttpRequest::authorizationHeader);
    }
    return next;
}

} // namespace

namespace Http {

QUrl url(const QUrl &baseURL, const QString &path, const QueryItems &query)
{
    QUrl result = baseURL;
    if (!path.isEmpty()) {
        QString basePath = baseURL.path(QUrl::FullyEncoded);
        while (basePath.endsWith(u'/'))
            basePath.chop(1);
        QStringView tail = path;
        while (tail.startsWith(u'/'))
            tail = tail.mid(1);
        const QByteArray encoded = QUrl::toPercentEncoding(tail.toString(), pathCharacters);
        result.setPath(basePath + u'/' + QString::fromLatin1(encoded), QUrl::StrictMode);
    }
    if (!query.isEmpty()) {
        QStringList items;
        for (const auto &[key, value] : query)
            items.append(QString::fromLatin1(QUrl::toPercentEncoding(key) + '=' +
                                             QUrl::toPercentEncoding(value)));
        result.setQuery(items.join(u'&'), QUrl::StrictMode);
    }
    return result;
}

QNetworkAccessManager &sharedManager()
{
    static QPointer<QNetworkAccessManager> manager;
    if (!manager) {
        Q_ASSERT(QCoreApplication::instance());
        manager = new QNetworkAccessManager(QCoreApplication::instance());
        auto *cache = new QNetworkDiskCache(manager);
        cache->setCacheDirectory(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                                 cacheFolder);
        manager->setCache(cache);
    }
    Q_ASSERT(QThread::currentThread() == manager->thread());
    return *manager;
}

QCoro::Task<Result<HttpResponse>> send(HttpRequest request)
{
    for (int redirects = 0;; ++redirects) {
        auto response = co_await exchange(request);
        if (!response)
            co_return fail(response.error());
        const QByteArray location = response->header("Location");
        if (!isRedirect(response->status) || location.isEmpty())
            co_return std::move(response);
        const QUrl target = request.url.resolved(QUrl(QString::fromUtf8(location)));
        auto next = redirected(request, response->status, target);
        if (!next)
            co_return std::move(response);
        if (redirects == maxRedirects)
            co_return fail(Error::transport(tooManyRedirectsDescription,
                                            QNetworkReply::TooManyRedirectsError));
        request = std::move(*next);
    }
}

} // namespace Http

#include "AnalyticsClient.h"

#include "AppJson.h"

#include <QCoro/QCoroNetworkReply>
#include <QCoro/QCoroSignal>
#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUuid>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Answers after which a batch is given up: the service will not take it however often it
// is sent.
constexpr int droppingStatuses[] = {400, 401, 403, 404, 413, 422, 501, 505};

// A stalled connection must not hold the queue forever.
constexpr auto requestTimeout = std::chrono::seconds(30);

} // namespace

AnalyticsClient::AnalyticsClient(Configuration configuration, QNetworkAccessManager *network,
                                 QUrl endpoint, std::chrono::milliseconds sendInterval,
                                 QObject *parent)
    : QObject(parent)
    , m_configuration(std::move(configuration))
    , m_network(network)
    , m_ingestionUrl(ingestionUrl(endpoint, m_configuration.namespaceName))
    , m_clientUser(clientUser(m_configuration.defaultUser, m_configuration.salt))
    , m_sessionID(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper())
    , m_sendInterval(sendInterval)
    , m_delay(sendInterval)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AnalyticsClient::sendOnTimer);
}

AnalyticsClient::~AnalyticsClient() = default;

QUrl AnalyticsClient::ingestionUrl(const QUrl &base, const QString &namespaceName)
{
    if (namespaceName.isEmpty())
        return base;
    QUrl url = base;
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith(u'/'))
        path += u'/';
    path += u"namespace/"_s + QString::fromLatin1(QUrl::toPercentEncoding(namespaceName)) + u'/';
    url.setPath(path, QUrl::StrictMode);
    return url;
}

QString AnalyticsClient::clientUser(const QString &user, const QString &salt)
{
    return QString::fromLatin1(
        QCryptographicHash::hash((user + salt).toUtf8(), QCryptographicHash::Sha256).toHex());
}

void AnalyticsClient::send(QString type, QMap<QString, QString> payload)
{
    m_cache.push_back({std::move(type), std::move(payload),
                       AppJson::encodeDate(QDateTime::currentDateTimeUtc()), 0});
    dropOldestBeyondCap();
    scheduleSend();
}

QCoro::Task<> AnalyticsClient::flush()
{
    QPointer self(this);
    while (m_sending > 0) {
        co_await qCoro(this, &AnalyticsClient::batchFinished);
        if (!self)
            co_return;
    }
    m_timer.stop();
    while (!m_cache.empty()) {
        if (!co_await sendBatch())
            co_return;
    }
}

void AnalyticsClient::scheduleSend()
{
    if (m_sending > 0 || m_cache.empty() || m_timer.isActive())
        return;
    m_timer.start(m_delay);
}

void AnalyticsClient::sendOnTimer()
{
    if (m_sending > 0)
        return;
    // The task runs by itself; its outcome is applied inside sendBatch().
    sendBatch();
}

QCoro::Task<bool> AnalyticsClient::sendBatch()
{
    if (m_cache.empty())
        co_return true;
    const qsizetype count = std::min<qsizetype>(qsizetype(m_cache.size()), maximumBatchSize);
    m_sending = count;
    std::deque<Signal> batch(m_cache.begin(), m_cache.begin() + count);
    m_cache.erase(m_cache.begin(), m_cache.begin() + count);

    QNetworkRequest request(m_ingestionUrl);
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
    request.setTransferTimeout(int(std::chrono::milliseconds(requestTimeout).count()));
    QPointer self(this);
    QNetworkReply *reply = m_network->post(request, encode(batch));
    co_await reply;
    reply->deleteLater();
    if (!self)
        co_return false;

    const Outcome outcome = outcomeOf(reply);
    if (outcome == Outcome::Retry) {
        // Back to the front, in their order, unless they have had their share of attempts.
        for (auto it = batch.rbegin(); it != batch.rend(); ++it) {
            if (++it->failedAttempts < maximumAttempts)
                m_cache.push_front(std::move(*it));
        }
        dropOldestBeyondCap();
        m_delay = std::min(m_delay * 2, std::max(maximumRetryDelay, m_sendInterval));
    } else {
        m_delay = m_sendInterval;
    }
    m_sending = 0;
    scheduleSend();
    Q_EMIT batchFinished();
    co_return outcome != Outcome::Retry;
}

AnalyticsClient::Outcome AnalyticsClient::outcomeOf(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return Outcome::Retry; // no answer at all: the network failed
    const int code = status.toInt();
    if (code >= 200 && code < 300)
        return Outcome::Sent;
    if (std::ranges::find(droppingStatuses, code) != std::end(droppingStatuses))
        return Outcome::Dropped;
    return Outcome::Retry;
}

QByteArray AnalyticsClient::encode(const std::deque<Signal> &batch) const
{
    QJsonArray signalsArray;
    for (const Signal &signal : batch) {
        QJsonObject payload;
        for (auto it = signal.payload.cbegin(); it != signal.payload.cend(); ++it)
            payload.insert(it.key(), it.value());
        signalsArray.append(QJsonObject{
            {u"appID"_s, m_configuration.appID},
            {u"clientUser"_s, m_clientUser},
            {u"sessionID"_s, m_sessionID},
            {u"type"_s, signal.type},
            {u"payload"_s, payload},
            {u"isTestMode"_s, m_configuration.testMode ? u"true"_s : u"false"_s},
            {u"receivedAt"_s, signal.receivedAt},
        });
    }
    return AppJson::encode(signalsArray);
}

void AnalyticsClient::dropOldestBeyondCap()
{
    while (qsizetype(m_cache.size()) > maximumCachedSignals)
        m_cache.pop_front();
}

#pragma once

#include <QCoro/QCoroTask>
#include <QLatin1StringView>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <deque>

class QNetworkAccessManager;
class QNetworkReply;

// A small client for the usage-analytics service's ingestion interface. Signals are kept in
// memory and posted in batches in the background, about every ten seconds; the main thread
// never waits for the network. A failed batch is tried again later with a doubling delay, but
// each signal only a few times, and the cache is capped: offline, signals are lost quietly.
// Nothing is ever written to disk.
class AnalyticsClient : public QObject {
    Q_OBJECT

public:
    struct Configuration {
        QString appID;
        QString namespaceName; // empty: no namespace
        QString defaultUser;   // hashed with the salt before it leaves the process
        QString salt;
        bool testMode = false;

        friend bool operator==(const Configuration &, const Configuration &) = default;
    };

    // One signal as it is sent.
    struct Signal {
        QString type;
        QMap<QString, QString> payload;
        QString receivedAt;
        int failedAttempts = 0;
    };

    static constexpr auto defaultEndpoint = QLatin1StringView("https://nom.telemetrydeck.com/v2/");
    static constexpr std::chrono::milliseconds defaultSendInterval = std::chrono::seconds(10);
    static constexpr std::chrono::milliseconds maximumRetryDelay = std::chrono::seconds(300);
    static constexpr qsizetype maximumBatchSize = 100;
    static constexpr qsizetype maximumCachedSignals = 500;
    // A signal whose batch failed this many times with a retryable answer is dropped.
    static constexpr int maximumAttempts = 5;

    // `endpoint` is the ingestion base address ("…/v2/"); the namespace path is added to it.
    // Batches leave every `sendInterval`; after a failure the delay doubles up to
    // maximumRetryDelay.
    AnalyticsClient(Configuration configuration, QNetworkAccessManager *network,
                    QUrl endpoint = QUrl(defaultEndpoint),
                    std::chrono::milliseconds sendInterval = defaultSendInterval,
                    QObject *parent = nullptr);
    ~AnalyticsClient() override;

    // Queues one signal; it leaves with the next batch.
    void send(QString type, QMap<QString, QString> payload = {});

    // Sends everything queued now, batch after batch, without waiting for the timer. Stops at
    // the first batch that must be tried again; those signals stay queued for a later attempt.
    QCoro::Task<> flush();

    // Signals not yet sent, including those being sent right now.
    [[nodiscard]] qsizetype pendingCount() const { return qsizetype(m_cache.size()) + m_sending; }
    [[nodiscard]] const Configuration &configuration() const { return m_configuration; }
    // The address batches are posted to.
    [[nodiscard]] const QUrl &ingestionUrl() const { return m_ingestionUrl; }

    // `base` with "namespace/<name>/" appended when `namespaceName` is not empty.
    [[nodiscard]] static QUrl ingestionUrl(const QUrl &base, const QString &namespaceName);
    // Lower-case hexadecimal SHA-256 of the user identifier followed by the salt.
    [[nodiscard]] static QString clientUser(const QString &user, const QString &salt);

Q_SIGNALS:
    // A batch request has been answered (or failed) and its outcome applied.
    void batchFinished();

private:
    enum class Outcome { Sent, Dropped, Retry };

    [[nodiscard]] static Outcome outcomeOf(QNetworkReply *reply);
    [[nodiscard]] QByteArray encode(const std::deque<Signal> &batch) const;
    void scheduleSend();
    void sendOnTimer();
    // Sends the oldest batch; true unless it has to be tried again (or the client is gone).
    QCoro::Task<bool> sendBatch();
    void dropOldestBeyondCap();

    Configuration m_configuration;
    QNetworkAccessManager *m_network;
    QUrl m_ingestionUrl;
    QString m_clientUser;
    QString m_sessionID;
    std::deque<Signal> m_cache;
    QTimer m_timer;
    std::chrono::milliseconds m_sendInterval;
    std::chrono::milliseconds m_delay;
    qsizetype m_sending = 0; // signals in the batch being sent
};

#pragma once

#include "Result.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QLatin1StringView>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// A small crash-reporting client. On a fatal signal its handler writes a short report file
// (signal, time, release, environment, raw return addresses, the loaded images) into the
// report folder and lets the process die as before; the next launch sends each pending
// report to the DSN's envelope endpoint and deletes it once the service has answered.
// Reports carry nothing that identifies the user: no host name, no user, and home folders
// in image paths are shortened to "~".
class CrashClient : public QObject {
    Q_OBJECT

public:
    // The parts of a project key ("https://<key>@<host>[:port][/prefix]/<project>").
    struct Dsn {
        QString text;
        QString publicKey;
        QString projectID;
        QUrl envelopeUrl;

        // Nothing when the key, the host or the project id is missing, or the scheme is not
        // http(s).
        [[nodiscard]] static std::optional<Dsn> parse(const QString &text);
    };

    struct Options {
        Dsn dsn;
        QString environment;
        QString release; // may be empty: no release is reported
        // Kept for completeness: this client sends crash events only, no traced transactions.
        double tracesSampleRate = 0.1;
    };

    // One report as read back from its file.
    struct Report {
        QString eventID; // 32 lower-case hexadecimal digits
        int signal = 0;
        QDateTime time;
        QString release;
        QString environment;
        QJsonObject os;
        QList<quint64> frames; // innermost first, as captured
        QJsonArray images;

        // Reads a report file; a file that is not a complete report is an error.
        [[nodiscard]] static Result<Report> parse(const QByteArray &contents);
        // The event payload in the service's format.
        [[nodiscard]] QJsonObject event() const;
    };

    static constexpr auto sdkName = QLatin1StringView("quillet.crash");
    static constexpr auto sdkVersion = QLatin1StringView("1.0.0");
    static constexpr auto reportSuffix = QLatin1StringView(".crash");
    static constexpr auto partialSuffix = QLatin1StringView(".partial");
    // Holds the end of a rate limit (seconds since the epoch), so a later launch honours it.
    static constexpr auto rateLimitFileName = QLatin1StringView("rate-limited-until");
    // Older pending reports beyond this many are deleted unsent.
    static constexpr qsizetype maximumPendingReports = 30;
    // Waiting time after a 429 answer that names none.
    static constexpr qint64 defaultRateLimitSeconds = 60;

    CrashClient(Options options, QString reportDirectory, QNetworkAccessManager *network,
                QObject *parent = nullptr);
    ~CrashClient() override;

    // Prepares this process's report and installs the handlers for SIGSEGV, SIGABRT, SIGBUS,
    // SIGILL and SIGFPE. Only one client per process installs them; false when another one
    // already has, or the report folder cannot be made.
    bool installSignalHandlers();

    // Sends the pending reports one by one. Accepted and rejected reports are deleted; on a
    // network failure or while the service limits the rate, the rest are kept for later.
    QCoro::Task<> sendPendingReports();

    // File names of the complete reports waiting in the report folder, oldest first.
    [[nodiscard]] QStringList pendingReports() const;
    [[nodiscard]] const QString &reportDirectory() const { return m_reportDirectory; }
    [[nodiscard]] const Options &options() const { return m_options; }

    // The envelope for one report: header, item header and event payload, "\n"-separated.
    [[nodiscard]] static QByteArray envelope(const Report &report, const Dsn &dsn,
                                             const QDateTime &sentAt);
    // Seconds to wait according to the answer's rate-limit headers; 0 when not limited.
    [[nodiscard]] static qint64 rateLimitSeconds(QNetworkReply *reply, const QDateTime &now);

    // "SIGSEGV" and its kind; "SIG<n>" and "Fatal signal" for others.
    [[nodiscard]] static QString signalName(int signal);
    [[nodiscard]] static QString signalDescription(int signal);

private:
    // Whether to go on with the next report after one was sent.
    enum class Outcome { Continue, Stop };

    [[nodiscard]] QByteArray reportHeader(const QString &eventID) const;
    [[nodiscard]] std::optional<QDateTime> rateLimitedUntil() const;
    void setRateLimitedUntil(const QDateTime &until) const;
    void removeStaleFiles() const;
    QCoro::Task<Outcome> sendReport(QString fileName);

    Options m_options;
    QString m_reportDirectory;
    QNetworkAccessManager *m_network;
};

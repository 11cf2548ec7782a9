#pragma once

// The real development server, run as its own process on a free loopback port with a data
// file of the test's own. The test reads that file to see what the server holds, and talks to
// the server's API the way the application does.

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include <memory>

class DevServerProcess {
public:
    struct Answer {
        int status = 0;
        QByteArray body;
    };

    // Starts the server; false when it did not report its address in time. Its log goes to
    // `logFile`.
    [[nodiscard]] bool start(const QString &program, const QString &dataFile,
                             const QString &callbackScheme, const QString &logFile)
    {
        m_dataFile = dataFile;
        m_process = std::make_unique<QProcess>();
        m_process->setStandardErrorFile(logFile);
        m_process->start(program,
                         {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"),
                          dataFile, QStringLiteral("--callback-scheme"), callbackScheme});
        static const QRegularExpression ready(
            QStringLiteral("^listening on (http://127\\.0\\.0\\.1:\\d+)\\n$"));
        QByteArray line;
        while (!line.endsWith('\n') && m_process->waitForReadyRead(10000))
            line += m_process->readLine();
        const auto match = ready.match(QString::fromUtf8(line));
        if (!match.hasMatch())
            return false;
        m_origin = QUrl(match.captured(1));
        return true;
    }

    void stop()
    {
        if (!m_process)
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(5000))
            m_process->kill();
        m_process.reset();
    }

    ~DevServerProcess() { stop(); }

    [[nodiscard]] const QUrl &origin() const { return m_origin; }

    // The server's data file as it is now; empty before the first change.
    [[nodiscard]] QJsonObject data() const
    {
        QFile file(m_dataFile);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    [[nodiscard]] QJsonObject member(const QString &memberId) const
    {
        return data().value(QStringLiteral("members")).toObject().value(memberId).toObject();
    }

    // The member's drafts on the server, by their "body".
    [[nodiscard]] QStringList draftBodies(const QString &memberId) const
    {
        QStringList bodies;
        const auto drafts =
            data().value(QStringLiteral("drafts")).toObject().value(memberId).toArray();
        for (const auto &draft : drafts)
            bodies.append(draft.toObject().value(QStringLiteral("body")).toString());
        return bodies;
    }

    // What was published for the member, by "commentary", oldest first.
    [[nodiscard]] QStringList posts(const QString &memberId) const
    {
        QStringList texts;
        for (const auto &post : data().value(QStringLiteral("posts")).toArray()) {
            const auto object = post.toObject();
            if (object.value(QStringLiteral("memberId")).toString() == memberId)
                texts.append(object.value(QStringLiteral("commentary")).toString());
        }
        return texts;
    }

    // The member an access token stands for on the server; empty when none. The server keeps
    // only digests of tokens, so the token is compared through its digest.
    [[nodiscard]] QString memberForToken(const QString &accessToken) const
    {
        const QString digest = QString::fromLatin1(
            QCryptographicHash::hash(accessToken.toUtf8(), QCryptographicHash::Sha256).toHex());
        return data().value(QStringLiteral("tokens")).toObject().value(digest).toString();
    }

    // One request to the server's API with the bearer token, waited for.
    [[nodiscard]] Answer send(const QByteArray &verb, const QString &pathAndQuery,
                              const QString &accessToken, const QByteArray &body = {})
    {
        QNetworkRequest request(m_origin.resolved(QUrl(pathAndQuery)));
        request.setRawHeader("Authorization", "Bearer " + accessToken.toUtf8());
        if (!body.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QStringLiteral("application/json"));
        std::unique_ptr<QNetworkReply> reply(m_network.sendCustomRequest(request, verb, body));
        if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 15000))
            return {};
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                reply->readAll()};
    }

private:
    std::unique_ptr<QProcess> m_process;
    QString m_dataFile;
    QUrl m_origin;
    QNetworkAccessManager m_network;
};

#pragma once

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QList>
#include <QMap>
#include <QTcpSocket>
#include <QUrl>

// An HTTP server on 127.0.0.1 with a port the system picks. It records every request and
// gives the answers it was told, in order; the last one repeats. An answer may also drop the
// connection without a word, which the client sees as a network failure.
class LoopbackServer : public QAbstractHttpServer {
public:
    struct Request {
        QString path;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    struct Answer {
        int status = 200;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body = "{}";
        bool dropConnection = false;

        [[nodiscard]] static Answer
        withStatus(int status, QList<std::pair<QByteArray, QByteArray>> headers = {})
        {
            Answer answer;
            answer.status = status;
            answer.headers = std::move(headers);
            return answer;
        }
        [[nodiscard]] static Answer droppingConnection()
        {
            Answer answer;
            answer.dropConnection = true;
            return answer;
        }
    };

    LoopbackServer() { m_port = listen(QHostAddress::LocalHost); }

    [[nodiscard]] quint16 port() const { return m_port; }
    [[nodiscard]] QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
    }

    QList<Request> requests;
    QList<Answer> answers{Answer::withStatus(200)};

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        Request recorded{request.url().path(), {}, request.body()};
        for (const auto &[name, value] : request.headers())
            recorded.headers.insert(name.toLower(), value);
        requests.append(recorded);

        const Answer answer = answers.size() > 1 ? answers.takeFirst() : answers.first();
        if (answer.dropConnection) {
            socket->abort();
            return true;
        }
        auto responder = makeResponder(request, socket);
        responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(answer.status));
        responder.writeHeader("Content-Type", "application/json");
        responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
        for (const auto &[name, value] : answer.headers)
            responder.writeHeader(name, value);
        responder.writeBody(answer.body);
        return true;
    }

    void missingHandler(const QHttpServerRequest &, QTcpSocket *) override {}

private:
    quint16 m_port = 0;
};

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

class QAbstractHttpServer;
class QHttpServerRequest;
class QTcpSocket;

// A real HTTP/1.1 server on a loopback address, with a port the system picks, for testing
// the clients of web services end to end. It answers from a script and records every request.
//
//     TestServer server;
//     QVERIFY(server.isListening());
//     server.setAnswer("GET", u"/api/drafts"_s, TestServer::json(200, R"({"drafts":[]})"));
//     server.enqueue("PUT", u"/api/drafts/ID"_s, TestServer::status(503)); // the next PUT only
//     SyncedDraftsService service(server.url());
//     ... run the client ...
//     QCOMPARE(server.requestCount(), 1);
//     QCOMPARE(server.requests().at(0).header("Authorization"), "Bearer token");
//
// Routes are a method ("GET", "PUT", ...) and an exact path, compared without the query.
// For each request the server takes the route's oldest queued answer (enqueue), else its
// fixed answer (setAnswer), else it answers 404 with the text "no answer scripted for
// <METHOD> <path>". Every request is recorded first, whatever its answer.
//
// Answers may be delayed, drop the connection, never come, or stop half-way through the body.
// An answer meant for a client that has gone meanwhile is dropped silently. Note that the
// network stack may send a request again by itself when its connection closes before any
// answer, so script a dropped connection with setAnswer rather than enqueue.
//
// Request bodies arrive complete, however large (several megabytes, multipart forms).
// Everything runs on the thread that created the server; tests wait for outcomes with
// QTRY_VERIFY or waitForRequests(), which spin the event loop.
class TestServer : public QObject {
    Q_OBJECT

public:
    using Header = std::pair<QByteArray, QByteArray>;

    struct Answer {
        enum class Ending {
            Complete,       // the whole answer
            DropConnection, // close the connection without answering
            NeverAnswer,    // keep the connection open and stay silent
            CutBody,        // status, headers and half of the body, then close
        };

        int status = 200;
        // Written as given; Content-Length is added unless present (never for 1xx, 204, 304).
        QList<Header> headers;
        QByteArray body;
        std::chrono::milliseconds delay{0};
        Ending ending = Ending::Complete;

        // This answer, written `delay` after the request arrived.
        [[nodiscard]] Answer after(std::chrono::milliseconds wait) const;
        [[nodiscard]] Answer withHeader(QByteArray name, QByteArray value) const;
    };

    struct Request {
        QByteArray method;
        QString path; // decoded, without the query
        QUrlQuery query;
        QList<Header> headers;
        QByteArray body;
        QUrl url;

        // The first header of that name (compared case-insensitively), or an empty array.
        [[nodiscard]] QByteArray header(QByteArrayView name) const;
        [[nodiscard]] bool hasHeader(QByteArrayView name) const;
        // The fully decoded value of a query item ("+" stays a plus), or a null string.
        [[nodiscard]] QString queryItem(const QString &key) const;
        // The body parsed as a JSON object; empty when it is none.
        [[nodiscard]] QJsonObject json() const;
    };

    // A JSON answer: the body as given, "Content-Type: application/json".
    [[nodiscard]] static Answer json(int status, QByteArray body);
    [[nodiscard]] static Answer text(int status, QByteArray body,
                                     QByteArray contentType = QByteArrayLiteral("text/plain"));
    // An answer with an empty body.
    [[nodiscard]] static Answer status(int status);
    [[nodiscard]] static Answer redirect(int status, const QUrl &location);
    [[nodiscard]] static Answer dropConnection();
    [[nodiscard]] static Answer neverAnswer();
    // Announces the whole body in Content-Length, sends half of it and closes.
    [[nodiscard]] static Answer cutBody(int status, QByteArray body);

    // Listens on `address` (any loopback address: 127.0.0.2 serves as "another host").
    explicit TestServer(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost),
                        QObject *parent = nullptr);
    ~TestServer() override;

    [[nodiscard]] bool isListening() const { return m_port != 0; }
    // "http://<address>:<port>" with `path` as its path.
    [[nodiscard]] QUrl url(const QString &path = {}) const;

    void setAnswer(const QByteArray &method, const QString &path, Answer answer);
    void enqueue(const QByteArray &method, const QString &path, Answer answer);

    [[nodiscard]] const QList<Request> &requests() const { return m_requests; }
    [[nodiscard]] QList<Request> requests(QByteArrayView method, const QString &path) const;
    [[nodiscard]] qsizetype requestCount() const { return m_requests.size(); }
    // Spins the event loop until at least `count` requests arrived; false on time-out.
    [[nodiscard]] bool
    waitForRequests(qsizetype count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void clearRequests()
    {
        m_requests.clear();
        m_connections.clear();
    }
    // Whether the connection that carried request `index` (of requests()) is still open: a
    // client that gives up on an answer closes it.
    [[nodiscard]] bool isConnectionOpen(qsizetype index) const;

Q_SIGNALS:
    void requestReceived();

private:
    struct Route {
        QQueue<Answer> queued;
        std::optional<Answer> fixed;
    };

    void handle(const QHttpServerRequest &request, QTcpSocket *socket);
    [[nodiscard]] Answer nextAnswer(const QByteArray &method, const QString &path);
    static void write(QTcpSocket &socket, const Answer &answer);

    std::unique_ptr<QAbstractHttpServer> m_server;
    QHostAddress m_address;
    quint16 m_port = 0;
    QMap<std::pair<QByteArray, QString>, Route> m_routes;
    QList<Request> m_requests;
    QList<QPointer<QTcpSocket>> m_connections; // one per request, in the same order
};

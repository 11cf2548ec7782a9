#include "TestServer.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QPointer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Hands every parsed request to one function and answers none itself.
class Listener final : public QAbstractHttpServer {
public:
    using Handler = std::function<void(const QHttpServerRequest &, QTcpSocket *)>;

    explicit Listener(Handler handler)
        : m_handler(std::move(handler))
    {}

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        m_handler(request, socket);
        return true;
    }
    void missingHandler(const QHttpServerRequest &, QTcpSocket *) override {}

private:
    Handler m_handler;
};

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    case QHttpServerRequest::Method::Connect:
        return "CONNECT";
    case QHttpServerRequest::Method::Trace:
        return "TRACE";
    default:
        return "UNKNOWN";
    }
}

QByteArray reasonPhrase(int status)
{
    const auto statuses = QMetaEnum::fromType<QHttpServerResponder::StatusCode>();
    const char *key = statuses.valueToKey(status);
    return key ? QByteArray(key) : QByteArrayLiteral("Status");
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool hasHeader(const QList<TestServer::Header> &headers, QByteArrayView name)
{
    return std::any_of(headers.cbegin(), headers.cend(), [&](const TestServer::Header &header) {
        return sameName(header.first, name);
    });
}

// Statuses whose answers have no body and no Content-Length.
bool isBodiless(int status)
{
    return (status >= 100 && status < 200) || status == 204 || status == 304;
}

} // namespace

TestServer::Answer TestServer::Answer::after(std::chrono::milliseconds wait) const
{
    Answer copy = *this;
    copy.delay = wait;
    return copy;
}

TestServer::Answer TestServer::Answer::withHeader(QByteArray name, QByteArray value) const
{
    Answer copy = *this;
    copy.headers.append({std::move(name), std::move(value)});
    return copy;
}

QByteArray TestServer::Request::header(QByteArrayView name) const
{
    for (const auto &header : headers) {
        if (sameName(header.first, name))
            return header.second;
    }
    return {};
}

bool TestServer::Request::hasHeader(QByteArrayView name) const
{
    return ::hasHeader(headers, name);
}

QString TestServer::Request::queryItem(const QString &key) const
{
    if (!query.hasQueryItem(key))
        return {};
    return query.queryItemValue(key, QUrl::FullyDecoded);
}

QJsonObject TestServer::Request::json() const
{
    return QJsonDocument::fromJson(body).object();
}

TestServer::Answer TestServer::json(int status, QByteArray body)
{
    return text(status, std::move(body), QByteArrayLiteral("application/json"));
}

TestServer::Answer TestServer::text(int status, QByteArray body, QByteArray contentType)
{
    return Answer{
        status, {{QByteArrayLiteral("Content-Type"), std::move(contentType)}}, std::move(body)};
}

TestServer::Answer TestServer::status(int status)
{
    return Answer{status, {}, {}};
}

TestServer::Answer TestServer::redirect(int status, const QUrl &location)
{
    return Answer{status, {{QByteArrayLiteral("Location"), location.toEncoded()}}, {}};
}

TestServer::Answer TestServer::dropConnection()
{
    Answer answer;
    answer.ending = Answer::Ending::DropConnection;
    return answer;
}

TestServer::Answer TestServer::neverAnswer()
{
    Answer answer;
    answer.ending = Answer::Ending::NeverAnswer;
    return answer;
}

TestServer::Answer TestServer::cutBody(int status, QByteArray body)
{
    Answer answer = text(status, std::move(body));
    answer.ending = Answer::Ending::CutBody;
    return answer;
}

TestServer::TestServer(const QHostAddress &address, QObject *parent)
    : QObject(parent)
    , m_server(std::make_unique<Listener>([this](const QHttpServerRequest &request,
                                                 QTcpSocket *socket) { handle(request, socket); }))
    , m_address(address)
{
    m_port = m_server->listen(address, 0);
}

TestServer::~TestServer() = default;

QUrl TestServer::url(const QString &path) const
{
    QUrl url;
    url.setScheme(u"http"_s);
    url.setHost(m_address.toString());
    url.setPort(m_port);
    url.setPath(path);
    return url;
}

void TestServer::setAnswer(const QByteArray &method, const QString &path, Answer answer)
{
    m_routes[{method, path}].fixed = std::move(answer);
}

void TestServer::enqueue(const QByteArray &method, const QString &path, Answer answer)
{
    m_routes[{method, path}].queued.enqueue(std::move(answer));
}

QList<TestServer::Request> TestServer::requests(QByteArrayView method, const QString &path) const
{
    QList<Request> matching;
    for (const auto &request : m_requests) {
        if (request.method == method && request.path == path)
            matching.append(request);
    }
    return matching;
}

bool TestServer::waitForRequests(qsizetype count, std::chrono::milliseconds timeout)
{
    return QTest::qWaitFor([&] { return m_requests.size() >= count; },
                           static_cast<int>(timeout.count()));
}

TestServer::Answer TestServer::nextAnswer(const QByteArray &method, const QString &path)
{
    const auto route = m_routes.find({method, path});
    if (route != m_routes.end()) {
        if (!route->queued.isEmpty())
            return route->queued.dequeue();
        if (route->fixed)
            return *route->fixed;
    }
    return text(404, "no answer scripted for " + method + ' ' + path.toUtf8());
}

bool TestServer::isConnectionOpen(qsizetype index) const
{
    const QPointer<QTcpSocket> &socket = m_connections.value(index);
    return socket && socket->state() == QAbstractSocket::ConnectedState;
}

void TestServer::handle(const QHttpServerRequest &request, QTcpSocket *socket)
{
    Request recorded{methodName(request.method()),
                     request.url().path(),
                     request.query(),
                     request.headers(),
                     request.body(),
                     request.url()};
    Answer answer = nextAnswer(recorded.method, recorded.path);
    m_requests.append(std::move(recorded));
    m_connections.append(socket);
    Q_EMIT requestReceived();

    if (answer.ending == Answer::Ending::NeverAnswer)
        return;
    // Always answer from the event loop, never inside the server's own request handling, and
    // only to a client that is still there: writing to a socket that has gone would crash.
    QTimer::singleShot(answer.delay, this, [socket = QPointer<QTcpSocket>(socket), answer] {
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            write(*socket, answer);
    });
}

void TestServer::write(QTcpSocket &socket, const Answer &answer)
{
    if (answer.ending == Answer::Ending::DropConnection) {
        socket.disconnectFromHost();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' +
                      reasonPhrase(answer.status) + "\r\n";
    for (const auto &[name, value] : answer.headers)
        head += name + ": " + value + "\r\n";
    if (!isBodiless(answer.status) && !::hasHeader(answer.headers, "Content-Length"))
        head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    head += "\r\n";
    socket.write(head);
    if (answer.ending == Answer::Ending::CutBody) {
        socket.write(answer.body.left(answer.body.size() / 2));
        socket.disconnectFromHost();
        return;
    }
    socket.write(answer.body);
}

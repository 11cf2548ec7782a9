#include "DevReply.h"

#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QPointer>
#include <QTcpSocket>

struct DevReply::State {
    QHttpServerResponder responder;
    QPointer<QTcpSocket> socket;
    std::function<void(int)> onSent;
    bool sent = false;
};

DevReply::DevReply(QHttpServerResponder &&responder, std::function<void(int status)> onSent)
{
    QPointer<QTcpSocket> socket = responder.socket();
    m_state = std::make_shared<State>(
        State{std::move(responder), std::move(socket), std::move(onSent), false});
}

QTcpSocket *DevReply::socket() const
{
    return m_state->socket.data();
}

bool DevReply::isOpen() const
{
    return !m_state->sent && m_state->socket &&
           m_state->socket->state() == QAbstractSocket::ConnectedState;
}

void DevReply::send(const DevResponse &response) const
{
    if (m_state->sent)
        return;
    if (!isOpen()) {
        abandon();
        return;
    }
    m_state->sent = true;
    const auto status = static_cast<QHttpServerResponse::StatusCode>(response.status);
    QHttpServerResponse answer =
        response.contentType.isEmpty()
            ? QHttpServerResponse(status)
            : QHttpServerResponse(response.contentType, response.body, status);
    for (const auto &[name, value] : response.headers)
        answer.setHeader(name, value);
    // Every answer is about live data: no client or proxy may serve it from a cache.
    answer.setHeader("Cache-Control", "no-store");
    answer.write(std::move(m_state->responder));
    m_state->onSent(response.status);
}

void DevReply::abandon() const
{
    if (m_state->sent)
        return;
    m_state->sent = true;
    m_state->onSent(0);
}

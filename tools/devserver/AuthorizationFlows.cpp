#include "AuthorizationFlows.h"

#include "DevResponse.h"

#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

#include <array>

using namespace Qt::StringLiterals;

QJsonObject AuthorizationFlows::Flow::resultJson() const
{
    switch (status) {
    case Status::Pending:
        return {{u"status"_s, u"pending"_s}};
    case Status::Done:
        return {{u"status"_s, u"done"_s}, {u"token"_s, token}};
    case Status::Failed:
        break;
    }
    return {
        {u"status"_s, u"error"_s}, {u"error"_s, error}, {u"errorDescription"_s, errorDescription}};
}

QString AuthorizationFlows::begin()
{
    std::array<quint32, 4> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    const QString state = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(random.data()), sizeof random).toHex());
    m_flows.insert(state, Flow{});
    return state;
}

const AuthorizationFlows::Flow *AuthorizationFlows::find(const QString &state) const
{
    const auto it = m_flows.constFind(state);
    return it == m_flows.cend() ? nullptr : &it.value();
}

void AuthorizationFlows::complete(const QString &state, QJsonObject token)
{
    settle(state, Flow{Flow::Status::Done, std::move(token), {}, {}});
}

void AuthorizationFlows::refuse(const QString &state, QString error, QString errorDescription)
{
    settle(state, Flow{Flow::Status::Failed, {}, std::move(error), std::move(errorDescription)});
}

void AuthorizationFlows::settle(const QString &state, Flow flow)
{
    m_flows.insert(state, std::move(flow));
    QList<quint64> waiting;
    for (const auto &[id, held] : m_held) {
        if (held.state == state)
            waiting.append(id);
    }
    for (const quint64 id : waiting)
        release(id);
}

void AuthorizationFlows::hold(const QString &state, DevReply reply, std::chrono::milliseconds wait)
{
    QTcpSocket *socket = reply.socket();
    if (!socket)
        return;
    const quint64 id = ++m_lastHoldId;
    const auto gone = connect(socket, &QTcpSocket::disconnected, this, [this, id] {
        const auto it = m_held.find(id);
        if (it != m_held.end()) {
            it->second.reply.abandon();
            m_held.erase(it);
        }
    });
    m_held.emplace(id, Held{state, std::move(reply), gone});
    QTimer::singleShot(wait, Qt::PreciseTimer, this, [this, id] { release(id); });
}

void AuthorizationFlows::release(quint64 holdId)
{
    const auto it = m_held.find(holdId);
    if (it == m_held.end())
        return;
    Held held = std::move(it->second);
    m_held.erase(it);
    disconnect(held.clientGone);
    const Flow *flow = find(held.state);
    held.reply.send(DevResponse::json(flow ? flow->resultJson() : Flow{}.resultJson()));
}

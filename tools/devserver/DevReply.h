#pragma once

#include "DevResponse.h"

#include <functional>
#include <memory>

class QHttpServerResponder;
class QTcpSocket;

// The answer channel of one request. Copies share it; the first `send` answers and later ones
// do nothing. A handler may keep a copy to answer later: a client that has gone by then is
// skipped, because writing to its closed socket would crash the server.
class DevReply {
public:
    // `onSent` learns the status of the answer, or 0 when the client had gone.
    DevReply(QHttpServerResponder &&responder, std::function<void(int status)> onSent);

    void send(const DevResponse &response) const;
    // Gives up answering, for a client that has gone; logged as such.
    void abandon() const;

    // True while no answer was sent and the client is still connected.
    [[nodiscard]] bool isOpen() const;
    // The connection of the client, for learning when it goes; null once it has gone.
    [[nodiscard]] QTcpSocket *socket() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

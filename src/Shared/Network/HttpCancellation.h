#pragma once

#include <QObject>

// Lets the one who started a request end it early. cancel() aborts the exchange in flight, so
// its connection is closed rather than left waiting for an answer nobody reads, and the
// request fails with Http::cancelledDescription. A request whose token is already cancelled
// fails without being sent. The copies a request makes of itself (for redirects) share its
// token. Main thread only.
class HttpCancellation final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    [[nodiscard]] bool isCancelled() const { return m_cancelled; }
    // The first call emits cancelled(); later calls do nothing.
    void cancel();

Q_SIGNALS:
    void cancelled();

private:
    bool m_cancelled = false;
};

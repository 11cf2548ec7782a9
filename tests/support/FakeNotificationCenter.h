#pragma once

#include "UserNotificationCenter.h"

#include <QHash>
#include <QList>

#include <coroutine>
#include <utility>
#include <vector>

// A scripted notification centre for tests of code that shows notifications.
//
// Set `authorization` and `addResult` to the answers wanted. Every request passed to `add` is
// recorded in `added`, in order; `shown` holds what the desktop would show, one request per
// identifier (a later request with the same identifier replaces the earlier one), and only
// requests whose add succeeded.
//
// `hold()` makes every later call wait, unanswered, until `release()`, so a test can let
// several callers overlap while a call is in flight. `waitingCalls()` says how many wait.
class FakeNotificationCenter final : public UserNotificationCenter {
public:
    Result<bool> authorization = true;
    Result<void> addResult = {};

    int authorizationRequests = 0;
    QList<Request> added;
    QHash<QString, Request> shown;

    void hold() { m_held = true; }

    // Answers every waiting call, in the order the calls arrived, and stops holding.
    void release()
    {
        m_held = false;
        auto waiting = std::exchange(m_waiting, {});
        for (auto handle : waiting)
            handle.resume();
    }

    [[nodiscard]] qsizetype waitingCalls() const { return qsizetype(m_waiting.size()); }

    QCoro::Task<Result<bool>> requestAuthorization() override
    {
        ++authorizationRequests;
        co_await Gate{this};
        co_return authorization;
    }

    QCoro::Task<Result<void>> add(Request request) override
    {
        added.append(request);
        co_await Gate{this};
        if (addResult)
            shown.insert(request.identifier, request);
        co_return addResult;
    }

private:
    // Suspends the calling coroutine while the centre is held.
    struct Gate {
        FakeNotificationCenter *center;
        bool await_ready() const noexcept { return !center->m_held; }
        void await_suspend(std::coroutine_handle<> handle) { center->m_waiting.push_back(handle); }
        void await_resume() const noexcept {}
    };

    bool m_held = false;
    std::vector<std::coroutine_handle<>> m_waiting;
};

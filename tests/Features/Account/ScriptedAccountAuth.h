#pragma once

// An account service whose server calls wait until the test answers them, so a test can look
// at the busy flags while a call is outstanding. Answering resumes the caller at once, inside
// the answering call. `log`, when set, hears of every call as it is made.

#include "AccountAuthServicing.h"

#include <QList>
#include <QString>

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class ScriptedAccountAuth final : public AccountAuthServicing {
public:
    enum class Kind { signIn, disconnect, deleteAccount };

    struct Call {
        Kind kind = Kind::signIn;
        QString memberID;
    };

    [[nodiscard]] const QList<Call> &calls() const { return m_calls; }
    [[nodiscard]] qsizetype pendingCount() const { return m_pending.size(); }
    [[nodiscard]] int ephemeralRequests() const { return m_ephemeralRequests; }

    // Answers the oldest waiting call: a sign-in with `token`, the others with success.
    void succeed(std::optional<LinkedInToken> token = std::nullopt)
    {
        auto gate = m_pending.takeFirst();
        gate->token = std::move(token);
        gate->open();
    }
    // Answers the oldest waiting call with `error`.
    void fail(Error error)
    {
        auto gate = m_pending.takeFirst();
        gate->error = std::move(error);
        gate->open();
    }

    QCoro::Task<Result<LinkedInToken>> signIn() override
    {
        const auto gate = start({Kind::signIn, {}});
        const Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return gate->token.value_or(LinkedInToken{});
    }
    QCoro::Task<Result<void>> disconnect(QString memberID) override
    {
        const auto gate = start({Kind::disconnect, memberID});
        const Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return Result<void>{};
    }
    QCoro::Task<Result<void>> deleteAccount(QString memberID) override
    {
        const auto gate = start({Kind::deleteAccount, memberID});
        const Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return Result<void>{};
    }
    void requireEphemeralSignInOnce() override
    {
        ++m_ephemeralRequests;
        if (log)
            log(QStringLiteral("ephemeral"));
    }

    std::function<void(QString)> log;

private:
    struct Gate {
        std::optional<Error> error;
        std::optional<LinkedInToken> token;
        bool isOpen = false;
        std::coroutine_handle<> waiter;

        void open()
        {
            isOpen = true;
            if (waiter)
                std::exchange(waiter, nullptr).resume();
        }
    };

    // A plain pointer: the coroutine machinery may copy the awaitable (and GCC 12 may destroy
    // such a copy twice).
    struct Wait {
        Gate *gate;

        [[nodiscard]] bool await_ready() const noexcept { return gate->isOpen; }
        void await_suspend(std::coroutine_handle<> handle) const noexcept { gate->waiter = handle; }
        void await_resume() const noexcept {}
    };

    std::shared_ptr<Gate> start(Call call)
    {
        m_calls.append(call);
        auto gate = std::make_shared<Gate>();
        m_pending.append(gate);
        return gate;
    }

    QList<Call> m_calls;
    QList<std::shared_ptr<Gate>> m_pending;
    int m_ephemeralRequests = 0;
};

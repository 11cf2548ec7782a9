#pragma once

// An account service whose server calls wait until the test answers them, so a test can look
// at the busy flags while a call is outstanding. Answering resumes the caller at once, inside
// the answering call. `log`, when set, hears of every call as it is made.

#include "AccountAuthServicing.h"
#include "HeldCalls.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class ScriptedAccountAuth final : public AccountAuthServicing {
public:
    enum class Kind { signIn, disconnect, deleteAccount };

    struct Call {
        Kind kind = Kind::signIn;
        QString memberID;
    };

    [[nodiscard]] const QList<Call> &calls() const { return m_held.calls(); }
    [[nodiscard]] qsizetype pendingCount() const { return m_held.pendingCount(); }
    [[nodiscard]] int ephemeralRequests() const { return m_ephemeralRequests; }

    // Answers the oldest waiting call: a sign-in with `token`, the others with success.
    void succeed(std::optional<LinkedInToken> token = std::nullopt)
    {
        auto gate = m_held.take();
        gate->answer = std::move(token);
        gate->open();
    }
    // Answers the oldest waiting call with `error`.
    void fail(Error error)
    {
        auto gate = m_held.take();
        gate->error = std::move(error);
        gate->open();
    }

    QCoro::Task<Result<LinkedInToken>> signIn() override
    {
        const auto gate = m_held.hold({Kind::signIn, {}});
        const Held::Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return gate->answer.value_or(LinkedInToken{});
    }
    QCoro::Task<Result<void>> disconnect(QString memberID) override
    {
        return waitForAnswer({Kind::disconnect, memberID});
    }
    QCoro::Task<Result<void>> deleteAccount(QString memberID) override
    {
        return waitForAnswer({Kind::deleteAccount, memberID});
    }
    void requireEphemeralSignInOnce() override
    {
        ++m_ephemeralRequests;
        if (log)
            log(QStringLiteral("ephemeral"));
    }

    std::function<void(QString)> log;

private:
    using Held = HeldCalls<Call, std::optional<LinkedInToken>>;

    QCoro::Task<Result<void>> waitForAnswer(Call call)
    {
        const auto gate = m_held.hold(std::move(call));
        const Held::Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return Result<void>{};
    }

    Held m_held;
    int m_ephemeralRequests = 0;
};

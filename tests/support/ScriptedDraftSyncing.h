#pragma once

// A drafts service whose calls wait until the test answers them, one at a time and in any
// order. Answering resumes the caller at once, inside the answering call, so a test can
// change the store between a request and its answer and check the outcome right after.

#include "DraftSyncing.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QUuid>

#include <coroutine>
#include <memory>
#include <optional>
#include <utility>

class ScriptedDraftSyncing final : public DraftSyncing {
public:
    enum class Kind { list, upsert, remove };

    struct Call {
        Kind kind = Kind::list;
        QString accessToken;
        std::optional<Draft> draft; // the sent draft of an upsert
        QUuid draftID;              // the draft of an upsert or a deletion
    };

    // Calls still waiting when the service goes are answered with an error, so that their
    // callers finish and free their coroutine frames instead of waiting forever.
    ~ScriptedDraftSyncing() override
    {
        while (!m_pending.isEmpty())
            fail(Error::transport(QStringLiteral("The scripted service is gone.")));
    }

    // Every call made so far, answered or not, oldest first.
    [[nodiscard]] const QList<Call> &calls() const { return m_calls; }
    // The calls still waiting for an answer, oldest first.
    [[nodiscard]] QList<Call> pending() const
    {
        QList<Call> calls;
        for (const auto &gate : m_pending)
            calls.append(gate->call);
        return calls;
    }
    [[nodiscard]] qsizetype pendingCount() const { return m_pending.size(); }

    // Answers the waiting call `index` with success: an upsert gets back `returned` (by
    // default the draft it sent), a list gets `drafts`.
    void succeed(qsizetype index = 0, std::optional<Draft> returned = std::nullopt)
    {
        auto gate = m_pending.takeAt(index);
        gate->returned = returned ? returned : gate->call.draft;
        gate->open();
    }
    void succeedList(QList<Draft> drafts, qsizetype index = 0)
    {
        auto gate = m_pending.takeAt(index);
        gate->list = std::move(drafts);
        gate->open();
    }
    // Answers the waiting call `index` with `error`.
    void fail(Error error, qsizetype index = 0)
    {
        auto gate = m_pending.takeAt(index);
        gate->error = std::move(error);
        gate->open();
    }

    [[nodiscard]] QCoro::Task<Result<QList<Draft>>> listDrafts(QString accessToken) override
    {
        const auto gate = start({Kind::list, accessToken, std::nullopt, {}});
        const Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return gate->list;
    }

    [[nodiscard]] QCoro::Task<Result<Draft>> upsertDraft(Draft draft, QString accessToken) override
    {
        const auto gate = start({Kind::upsert, accessToken, draft, draft.id});
        const Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return *gate->returned;
    }

    [[nodiscard]] QCoro::Task<Result<void>> deleteDraft(QUuid id, QString accessToken) override
    {
        const auto gate = start({Kind::remove, accessToken, std::nullopt, id});
        const Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return {};
    }

private:
    // One waiting call, which the test opens with the answer.
    struct Gate {
        Call call;
        std::optional<Error> error;
        std::optional<Draft> returned;
        QList<Draft> list;
        bool isOpen = false;
        std::coroutine_handle<> waiter;

        void open()
        {
            isOpen = true;
            if (waiter)
                std::exchange(waiter, nullptr).resume();
        }
    };

    // The awaitable of a gate, which the calling coroutine keeps alive. A plain pointer,
    // because the coroutine machinery may copy the awaitable it is given (and GCC 12 may
    // destroy such a copy twice).
    struct Wait {
        Gate *gate;

        [[nodiscard]] bool await_ready() const noexcept { return gate->isOpen; }
        void await_suspend(std::coroutine_handle<> handle) const noexcept { gate->waiter = handle; }
        void await_resume() const noexcept {}
    };

    std::shared_ptr<Gate> start(Call call)
    {
        auto gate = std::make_shared<Gate>();
        gate->call = call;
        m_calls.append(std::move(call));
        m_pending.append(gate);
        return gate;
    }

    QList<Call> m_calls;
    QList<std::shared_ptr<Gate>> m_pending;
};

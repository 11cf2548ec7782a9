#pragma once

// A drafts service whose calls wait until the test answers them, one at a time and in any
// order (HeldCalls), so a test can change the store between a request and its answer.

#include "DraftSyncing.h"
#include "HeldCalls.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QUuid>

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
        while (pendingCount() > 0)
            fail(Error::transport(QStringLiteral("The scripted service is gone.")));
    }

    // Every call made so far, answered or not, oldest first.
    [[nodiscard]] const QList<Call> &calls() const { return m_held.calls(); }
    // The calls still waiting for an answer, oldest first.
    [[nodiscard]] QList<Call> pending() const { return m_held.pending(); }
    [[nodiscard]] qsizetype pendingCount() const { return m_held.pendingCount(); }

    // Answers the waiting call `index` with success: an upsert gets back `returned` (by
    // default the draft it sent), a list gets `drafts`.
    void succeed(qsizetype index = 0, std::optional<Draft> returned = std::nullopt)
    {
        auto gate = m_held.take(index);
        gate->answer.returned = returned ? returned : gate->call.draft;
        gate->open();
    }
    void succeedList(QList<Draft> drafts, qsizetype index = 0)
    {
        auto gate = m_held.take(index);
        gate->answer.list = std::move(drafts);
        gate->open();
    }
    // Answers the waiting call `index` with `error`.
    void fail(Error error, qsizetype index = 0)
    {
        auto gate = m_held.take(index);
        gate->error = std::move(error);
        gate->open();
    }

    [[nodiscard]] QCoro::Task<Result<QList<Draft>>> listDrafts(QString accessToken) override
    {
        const auto gate = m_held.hold({Kind::list, accessToken, std::nullopt, {}});
        const Held::Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return gate->answer.list;
    }

    [[nodiscard]] QCoro::Task<Result<Draft>> upsertDraft(Draft draft, QString accessToken) override
    {
        const auto gate = m_held.hold({Kind::upsert, accessToken, draft, draft.id});
        const Held::Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return *gate->answer.returned;
    }

    [[nodiscard]] QCoro::Task<Result<void>> deleteDraft(QUuid id, QString accessToken) override
    {
        const auto gate = m_held.hold({Kind::remove, accessToken, std::nullopt, id});
        const Held::Wait wait{gate.get()};
        co_await wait;
        if (gate->error)
            co_return ::fail(*gate->error);
        co_return {};
    }

private:
    // What a successful answer carries: the draft an upsert gets back, or a list's drafts.
    struct Answer {
        std::optional<Draft> returned;
        QList<Draft> list;
    };
    using Held = HeldCalls<Call, Answer>;

    Held m_held;
};

#pragma once

// The calls of a scripted service that wait until the test answers them, one at a time and in
// any order. Each call is held at a gate the calling coroutine awaits; the test takes a gate,
// fills in its answer and opens it, which resumes the caller at once, inside the answering
// call, so a test can look at the state between a request and its answer and check the
// outcome right after.

#include "Result.h"

#include <QList>

#include <coroutine>
#include <memory>
#include <optional>
#include <utility>

// `Call` records what a call sent; `Answer` holds what a successful answer carries.
template<typename Call, typename Answer> class HeldCalls {
public:
    // One waiting call, which the test opens with the answer.
    struct Gate {
        Call call;
        std::optional<Error> error;
        Answer answer{};
        bool isOpen = false;
        std::coroutine_handle<> waiter;

        void open()
        {
            isOpen = true;
            if (waiter)
                std::exchange(waiter, nullptr).resume();
        }
    };

    // The awaitable of a gate, which the calling coroutine keeps alive in a named local. A
    // plain pointer, because the coroutine machinery may copy the awaitable it is given (and
    // GCC 12 may destroy such a copy twice).
    struct Wait {
        Gate *gate;

        [[nodiscard]] bool await_ready() const noexcept { return gate->isOpen; }
        void await_suspend(std::coroutine_handle<> handle) const noexcept { gate->waiter = handle; }
        void await_resume() const noexcept {}
    };

    // Records `call` and holds it until the test answers.
    std::shared_ptr<Gate> hold(Call call)
    {
        auto gate = std::make_shared<Gate>();
        gate->call = call;
        m_calls.append(std::move(call));
        m_pending.append(gate);
        return gate;
    }

    // Takes the waiting call `index` out of the queue, to be answered and opened.
    std::shared_ptr<Gate> take(qsizetype index = 0) { return m_pending.takeAt(index); }

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

private:
    QList<Call> m_calls;
    QList<std::shared_ptr<Gate>> m_pending;
};

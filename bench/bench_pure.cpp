// The hot pure code, timed with Google Benchmark: every formatting command on a whole
// 3,000-character post, the draft rules on a full list of 15, and the stored forms of a full
// snapshot and queue. Each case has a budget in microseconds for its median; the figures go to
// standard output for bench/run, Google Benchmark's own table to standard error.

#include "AppJson.h"
#include "BenchFigure.h"
#include "BenchText.h"
#include "DraftPolicy.h"
#include "DraftSnapshot.h"
#include "DraftSyncPolicy.h"
#include "TextFormatting.h"

#include <benchmark/benchmark.h>

#include <QHash>

#include <iostream>

using namespace Qt::StringLiterals;

namespace {

// Budgets of the medians, in microseconds. A command runs on a key press or a click, and must
// leave most of a 16 ms frame to layout and painting; the draft rules and the stored forms
// run on every save and sync step.
QHash<QString, double> &budgets()
{
    static QHash<QString, double> map;
    return map;
}

void registerCase(const QString &name, double budgetMicroseconds,
                  std::function<void(benchmark::State &)> body)
{
    budgets().insert(name, budgetMicroseconds);
    benchmark::RegisterBenchmark(name.toUtf8().constData(), std::move(body))
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

// Passes Google Benchmark's table to standard error and prints each median as a figure.
class FigureReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
                continue;
            const QString name = QString::fromStdString(run.run_name.function_name);
            BenchFigure::print(name, run.GetAdjustedRealTime(), u"us"_s, budgets().value(name, 0));
        }
    }
};

void registerTransforms()
{
    const QString post = BenchText::post();
    // Clear undoes styles, so it runs on bold, underlined text.
    const QString styled =
        TextFormatting::combine(TextFormatting::bold(post), TextFormatting::underlineMark);
    const struct {
        const char *name;
        EditorFormatCommand command;
    } commands[] = {
        {"bold", EditorFormatCommand::bold},
        {"italic", EditorFormatCommand::italic},
        {"strikethrough", EditorFormatCommand::strikethrough},
        {"underline", EditorFormatCommand::underline},
        {"code", EditorFormatCommand::code},
        {"clear", EditorFormatCommand::clear},
        {"bullets", EditorFormatCommand::bullets},
        {"numbered", EditorFormatCommand::numbered},
    };
    for (const auto &c : commands) {
        const QString text = c.command == EditorFormatCommand::clear ? styled : post;
        const EditorFormatCommand command = c.command;
        registerCase(u"transform %1 (3,000 chars)"_s.arg(QLatin1StringView(c.name)), 1000,
                     [text, command](benchmark::State &state) {
                         for (auto _ : state) {
                             auto result = TextFormatting::apply(command, text, {0, text.size()});
                             benchmark::DoNotOptimize(result);
                         }
                     });
    }
}

void registerDraftRules()
{
    const QList<Draft> drafts = BenchText::drafts();
    const QDateTime now = BenchText::baseTime().addSecs(3600);

    // Editing the eighth draft: found by id, compared under canonical equivalence, replaced.
    const Draft &edited = drafts[7];
    const QString changedBody = edited.body.left(edited.body.size() - 1) + u'!';
    registerCase(u"DraftPolicy save, edit (15 drafts)"_s, 100, [=](benchmark::State &state) {
        for (auto _ : state) {
            auto result = DraftPolicy::save(drafts, edited.id, changedBody, now);
            benchmark::DoNotOptimize(result);
        }
    });
    registerCase(u"DraftPolicy save, unchanged (15 drafts)"_s, 100, [=](benchmark::State &state) {
        for (auto _ : state) {
            auto result = DraftPolicy::save(drafts, edited.id, edited.body, now);
            benchmark::DoNotOptimize(result);
        }
    });
    registerCase(u"DraftPolicy save, new (15 drafts)"_s, 100, [=](benchmark::State &state) {
        const QUuid id = QUuid::createUuid();
        for (auto _ : state) {
            auto result = DraftPolicy::save(drafts, std::nullopt, changedBody, now, id);
            benchmark::DoNotOptimize(result);
        }
    });

    // The server's copy of the same 15 drafts, every other one edited later there.
    QList<Draft> remote = drafts;
    for (qsizetype i = 0; i < remote.size(); i += 2) {
        remote[i].body += u" (edited)"_s;
        remote[i].updatedAt = remote[i].updatedAt.addSecs(30);
    }
    registerCase(u"DraftSyncPolicy merge (15 + 15 drafts)"_s, 200, [=](benchmark::State &state) {
        for (auto _ : state) {
            auto merged = DraftSyncPolicy::merge(drafts, remote, DraftPolicy::maxDrafts);
            benchmark::DoNotOptimize(merged);
        }
    });
}

void registerStoredForms()
{
    DraftSnapshot snapshot = DraftSnapshot::empty(u"member-1"_s, BenchText::baseTime());
    snapshot.drafts = BenchText::drafts();
    snapshot.lastSuccessfulSyncAt = BenchText::baseTime();
    const QByteArray snapshotBytes = AppJson::encode(snapshot.toJson());

    registerCase(u"snapshot encode (15 x 3,000 chars)"_s, 2000, [=](benchmark::State &state) {
        for (auto _ : state) {
            auto bytes = AppJson::encode(snapshot.toJson());
            benchmark::DoNotOptimize(bytes);
        }
        state.SetBytesProcessed(state.iterations() * snapshotBytes.size());
    });
    registerCase(u"snapshot decode (15 x 3,000 chars)"_s, 2000, [=](benchmark::State &state) {
        for (auto _ : state) {
            auto object = AppJson::decodeObject(snapshotBytes);
            auto decoded = DraftSnapshot::fromJson(JsonReader(*object));
            if (!decoded)
                state.SkipWithError("the snapshot did not decode");
            benchmark::DoNotOptimize(decoded);
        }
        state.SetBytesProcessed(state.iterations() * snapshotBytes.size());
    });

    const QList<DraftSyncMutation> queue = BenchText::upserts(snapshot.drafts, u"member-1"_s);
    const QByteArray queueBytes = AppJson::encode(DraftSyncMutation::queueToJson(queue));
    registerCase(u"queue encode (15 entries)"_s, 2000, [=](benchmark::State &state) {
        for (auto _ : state) {
            auto bytes = AppJson::encode(DraftSyncMutation::queueToJson(queue));
            benchmark::DoNotOptimize(bytes);
        }
        state.SetBytesProcessed(state.iterations() * queueBytes.size());
    });
    registerCase(u"queue decode (15 entries)"_s, 2000, [=](benchmark::State &state) {
        for (auto _ : state) {
            auto array = AppJson::decodeArray(queueBytes);
            auto decoded = DraftSyncMutation::queueFromJson(*array);
            if (!decoded)
                state.SkipWithError("the queue did not decode");
            benchmark::DoNotOptimize(decoded);
        }
        state.SetBytesProcessed(state.iterations() * queueBytes.size());
    });
}

} // namespace

int main(int argc, char **argv)
{
    registerTransforms();
    registerDraftRules();
    registerStoredForms();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    FigureReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// One sync run of 15 queued drafts (3,000 characters each) against the development server on
// loopback: the real draft store, repository and drafts API client. The account and its token
// come from the keychain that bench_seed filled. Each round starts a fresh store over a queue
// of 15 upserts and times setSession() until the run has sent all of them and ends "synced";
// the fetch and upload that follow a session switch are left to finish before the next round.

#include "AuthTokenStore.h"
#include "BenchFigure.h"
#include "BenchSession.h"
#include "BenchText.h"
#include "DraftStore.h"
#include "SecretServiceKeychain.h"
#include "SyncedDraftsService.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
constexpr int rounds = 9;
constexpr double budgetMs = 250;
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const auto configuration = BenchSession::configuration(QCoreApplication::arguments());
    if (!configuration)
        return 2;
    SecretServiceKeychain keychain;
    AuthTokenStore tokenStore(keychain, configuration->storage.linkedInTokenKey);
    const auto token = tokenStore.load();
    if (!token) {
        std::fprintf(stderr, "sync benchmark: no connected account in the keychain\n");
        return 1;
    }
    const QString member = token->profile.memberID;
    SyncedDraftsService service(configuration->api.baseURL);

    QList<double> samples;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir folder;
        UserDefaults defaults(folder.filePath(u"defaults.conf"_s));
        UserDefaultsDraftRepository repository(configuration->storage.draftsKey, defaults);
        // Newer than the server's copies, so every upsert carries a change.
        const QList<Draft> drafts =
            BenchText::drafts(BenchText::draftCount, BenchText::postLength,
                              QDateTime::currentDateTimeUtc().addSecs(round));
        DraftSnapshot snapshot = DraftSnapshot::empty(member, QDateTime::currentDateTimeUtc());
        snapshot.drafts = drafts;
        repository.saveSnapshot(snapshot, member);
        repository.saveSyncMutations(BenchText::upserts(drafts, member), member);

        DraftStore store(repository, &service, AppTelemetry::Function{});
        int syncedCount = 0;
        QObject::connect(&store, &DraftStore::syncStatusChanged, &store, [&] {
            if (store.syncStatus() == DraftSyncStatus::synced)
                ++syncedCount;
        });
        QElapsedTimer clock;
        clock.start();
        store.setSession(*token);
        if (!BenchSession::spinUntil(
                [&] { return syncedCount > 0 || store.syncStatus() == DraftSyncStatus::failed; })) {
            std::fprintf(stderr, "sync benchmark: the run did not end\n");
            return 1;
        }
        const double elapsed = double(clock.nsecsElapsed()) / 1e6;
        if (store.syncStatus() != DraftSyncStatus::synced ||
            !repository.loadSyncMutations(member).isEmpty()) {
            std::fprintf(stderr, "sync benchmark: the run did not send every draft\n");
            return 1;
        }
        samples.append(elapsed);
        // The switch goes on with a fetch and an upload of the merged list; let it end
        // before the store goes away.
        (void)BenchSession::spinUntil(
            [&] { return syncedCount > 1 && !store.isDrainingSyncQueue(); });
    }
    std::sort(samples.begin(), samples.end());
    BenchFigure::print(u"sync run, 15 queued drafts, median (loopback)"_s,
                       samples[samples.size() / 2], u"ms"_s, budgetMs);
    return 0;
}

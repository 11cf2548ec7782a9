// The drafts server's answers: the list, and the upsert's returned copy.
#include "FuzzInput.h"
#include "SyncedDraftsService.h"

#include <QUuid>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray body = fuzzBytes(data, size);
    if (const auto drafts = SyncedDraftsService::decodeDraftList(body)) {
        for (const auto &draft : *drafts)
            FUZZ_CHECK(!draft.id.isNull());
    }
    const Draft sent{QUuid::fromString(QStringLiteral("e621e1f8-c36c-495a-93fc-0c247a3e6e5f")),
                     QStringLiteral("sent"), QDateTime::fromSecsSinceEpoch(0, Qt::UTC),
                     QDateTime::fromSecsSinceEpoch(0, Qt::UTC)};
    if (const auto returned = SyncedDraftsService::decodeUpsertAnswer(body, sent))
        FUZZ_CHECK(!returned->id.isNull());
    return 0;
}

#include "DraftSyncOperation.h"

using namespace Qt::StringLiterals;

namespace {
constexpr auto upsertName = "upsert"_L1;
constexpr auto deleteName = "delete"_L1;
} // namespace

QString operationName(DraftSyncOperation operation)
{
    switch (operation) {
    case DraftSyncOperation::upsert:
        return upsertName;
    case DraftSyncOperation::remove:
        return deleteName;
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<DraftSyncOperation> draftSyncOperationFromName(QStringView text)
{
    if (text == upsertName)
        return DraftSyncOperation::upsert;
    if (text == deleteName)
        return DraftSyncOperation::remove;
    return std::nullopt;
}

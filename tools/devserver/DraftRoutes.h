#pragma once

#include "DevStore.h"

#include <QLatin1StringView>

class DevServer;
struct DevRequest;
struct DevResponse;

// The drafts of each member, behind the member's bearer token: list, create or replace, delete.
class DraftRoutes {
public:
    static constexpr QLatin1StringView draftsPath{"/api/drafts"};

    explicit DraftRoutes(DevStore &store);

    void install(DevServer &server);

private:
    [[nodiscard]] DevResponse list(const DevRequest &request) const;
    [[nodiscard]] DevResponse upsert(const DevRequest &request);
    [[nodiscard]] DevResponse remove(const DevRequest &request);

    DevStore &m_store;
};

#pragma once

#include "DevStore.h"

#include <QLatin1StringView>

class DevServer;
struct DevRequest;
struct DevResponse;

// Publishing: a multipart form with the member's access token, member id, the post's text
// ("commentary") and time zone. Accepted posts are kept, standing for what LinkedIn shows.
class PostRoutes {
public:
    static constexpr QLatin1StringView postPath{"/api/linkedin/post"};
    // LinkedIn's limit for the text of a post, counted in Unicode characters (code points), so
    // a styled letter counts once although it takes two UTF-16 units.
    static constexpr qsizetype maximumLength = 3000;

    explicit PostRoutes(DevStore &store);

    void install(DevServer &server);

private:
    [[nodiscard]] DevResponse publish(const DevRequest &request);

    DevStore &m_store;
};

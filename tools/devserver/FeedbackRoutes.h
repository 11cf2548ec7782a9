#pragma once

#include "DevStore.h"

#include <QLatin1StringView>

class DevServer;
struct DevRequest;
struct DevResponse;

// Feedback from a user: title, message, the sender's identity as the body gives it, and images
// in base64. Kept in the data file, attachments included.
class FeedbackRoutes {
public:
    static constexpr QLatin1StringView feedbackPath{"/api/feedback"};

    explicit FeedbackRoutes(DevStore &store);

    void install(DevServer &server);

private:
    [[nodiscard]] DevResponse receive(const DevRequest &request);

    DevStore &m_store;
};

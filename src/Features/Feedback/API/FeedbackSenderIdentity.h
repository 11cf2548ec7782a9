#pragma once

#include <QString>

#include <optional>

// Who sends the feedback, taken from the connected LinkedIn profile.
struct FeedbackSenderIdentity {
    QString name;
    QString linkedInID; // the member id
    std::optional<QString> email;

    friend bool operator==(const FeedbackSenderIdentity &,
                           const FeedbackSenderIdentity &) = default;
};

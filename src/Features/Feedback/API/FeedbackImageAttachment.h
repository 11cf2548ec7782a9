#pragma once

#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>
#include <QUuid>

// One image attached to a feedback, as the server receives it: a file name and the file's
// bytes in standard base64 without line breaks. `id` tells attachments apart on screen and is
// never sent.
struct FeedbackImageAttachment {
    static constexpr QLatin1StringView filenameKey{"filename"};
    static constexpr QLatin1StringView contentKey{"content"};

    QUuid id;
    QString filename;
    QString content;

    // Exactly "filename" and "content".
    [[nodiscard]] QJsonObject toJson() const
    {
        return {{filenameKey, filename}, {contentKey, content}};
    }

    friend bool operator==(const FeedbackImageAttachment &,
                           const FeedbackImageAttachment &) = default;
};

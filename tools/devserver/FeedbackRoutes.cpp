#include "FeedbackRoutes.h"

#include "ApiErrors.h"
#include "DevServer.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace {

// A feedback record as stored: the body's texts (title and message trimmed) and each
// attachment with its decoded size.
Result<QJsonObject> feedbackRecord(const JsonReader &json)
{
    QJsonObject record{
        {u"id"_s, AppJson::encodeUuid(QUuid::createUuid())},
        {u"receivedAt"_s, AppJson::encodeDate(QDateTime::currentDateTimeUtc())},
    };
    for (const auto key : {"name"_L1, "linkedInId"_L1, "email"_L1, "title"_L1, "message"_L1}) {
        auto text = json.string(key);
        if (!text)
            return fail(text.error());
        record.insert(key, text->trimmed());
    }

    auto attachments = json.array(u"attachments"_s);
    if (!attachments)
        return fail(attachments.error());
    QJsonArray stored;
    for (qsizetype i = 0; i < attachments->size(); ++i) {
        auto attachment = json.element(u"attachments"_s, *attachments, i);
        if (!attachment)
            return fail(attachment.error());
        auto filename = attachment->string(u"filename"_s);
        if (!filename)
            return fail(filename.error());
        auto content = attachment->string(u"content"_s);
        if (!content)
            return fail(content.error());
        const auto decoded = QByteArray::fromBase64Encoding(
            content->toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return fail(
                Error::decoding(u"\"%1\" is not base64"_s.arg(attachment->pathOf(u"content"_s))));
        stored.append(QJsonObject{{u"filename"_s, *filename},
                                  {u"size"_s, decoded.decoded.size()},
                                  {u"content"_s, *content}});
    }
    record.insert(u"attachments"_s, stored);
    return record;
}

} // namespace

FeedbackRoutes::FeedbackRoutes(DevStore &store)
    : m_store(store)
{}

void FeedbackRoutes::install(DevServer &server)
{
    server.route("POST", feedbackPath,
                 [this](const DevRequest &request) { return receive(request); });
}

DevResponse FeedbackRoutes::receive(const DevRequest &request)
{
    const auto object = AppJson::decodeObject(request.body);
    if (!object)
        return ApiErrors::invalidRequest(object.error().description);
    const auto record = feedbackRecord(JsonReader(*object));
    if (!record)
        return ApiErrors::invalidRequest(record.error().description);
    if (record->value(u"message"_s).toString().isEmpty())
        return DevResponse::error(422, u"empty_message"_s, u"Feedback message is empty."_s);
    if (!m_store.update([&](DevData &data) { data.feedback.append(*record); }))
        return ApiErrors::storageFailed();
    return DevResponse::json({{u"id"_s, record->value(u"id"_s)}}, 201);
}

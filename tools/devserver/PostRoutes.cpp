#include "PostRoutes.h"

#include "ApiErrors.h"
#include "DevServer.h"
#include "MultipartForm.h"

#include <QDateTime>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

qsizetype characterCount(const QString &text)
{
    qsizetype count = 0;
    for (const QChar unit : text) {
        if (!unit.isLowSurrogate())
            ++count;
    }
    return count;
}

} // namespace

PostRoutes::PostRoutes(DevStore &store)
    : m_store(store)
{}

void PostRoutes::install(DevServer &server)
{
    server.route("POST", postPath, [this](const DevRequest &request) { return publish(request); });
}

DevResponse PostRoutes::publish(const DevRequest &request)
{
    const auto form = MultipartForm::parse(request.header("Content-Type"), request.body);
    if (!form)
        return ApiErrors::invalidRequest(form.error().description);
    const auto accessToken = form->field(u"accessToken"_s);
    const auto memberId = form->field(u"memberId"_s);
    const auto commentary = form->field(u"commentary"_s);
    const QString timezone = form->field(u"timezone"_s).value_or(QString());
    for (const auto &[name, value] :
         {std::pair{"accessToken"_L1, &accessToken}, std::pair{"memberId"_L1, &memberId},
          std::pair{"commentary"_L1, &commentary}}) {
        if (!*value)
            return ApiErrors::invalidRequest(u"The form field \"%1\" is missing."_s.arg(name));
    }

    const auto owner = m_store.data().memberForToken(*accessToken);
    if (!owner)
        return ApiErrors::invalidToken();
    if (*owner != *memberId)
        return DevResponse::error(
            403, u"member_mismatch"_s,
            u"The access token does not belong to the LinkedIn member named in the post."_s);
    if (commentary->trimmed().isEmpty())
        return DevResponse::error(400, u"empty_post"_s, u"The post has no text."_s);
    if (const qsizetype length = characterCount(*commentary); length > maximumLength)
        return DevResponse::error(
            422, u"post_too_long"_s,
            u"LinkedIn posts are limited to %1 characters; this one has %2."_s.arg(
                QLocale(QLocale::English).toString(maximumLength),
                QLocale(QLocale::English).toString(length)));

    const QString id = AppJson::encodeUuid(QUuid::createUuid());
    const QJsonObject post{
        {u"id"_s, id},
        {u"memberId"_s, *memberId},
        {u"commentary"_s, *commentary},
        {u"timezone"_s, timezone},
        {u"publishedAt"_s, AppJson::encodeDate(QDateTime::currentDateTimeUtc())},
    };
    if (!m_store.update([&](DevData &data) { data.posts.append(post); }))
        return ApiErrors::storageFailed();
    return DevResponse::json({{u"id"_s, id}}, 201);
}

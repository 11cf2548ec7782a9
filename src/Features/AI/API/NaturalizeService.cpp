#include "NaturalizeService.h"

#include "AppJson.h"
#include "Http.h"
#include "NaturalizeError.h"

#include <QJsonArray>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr auto roleKey = "role"_L1;
constexpr auto contentKey = "content"_L1;
constexpr auto modelKey = "model"_L1;
constexpr auto messagesKey = "messages"_L1;
constexpr auto temperatureKey = "temperature"_L1;
constexpr auto choicesKey = "choices"_L1;
constexpr auto messageKey = "message"_L1;
constexpr auto errorKey = "error"_L1;

struct ChatMessage {
    QString role;
    QString content;

    [[nodiscard]] QJsonObject toJson() const { return {{roleKey, role}, {contentKey, content}}; }

    static Result<ChatMessage> fromJson(const JsonReader &json)
    {
        auto role = json.string(roleKey);
        if (!role)
            return fail(role.error());
        auto content = json.string(contentKey);
        if (!content)
            return fail(content.error());
        return ChatMessage{*role, *content};
    }
};

QByteArray requestBody(const QString &text)
{
    const QJsonArray messages{
        ChatMessage{NaturalizeService::systemRole, NaturalizeService::systemInstruction}.toJson(),
        ChatMessage{NaturalizeService::userRole,
                    NaturalizeService::userMessagePrefix + u"\n\n"_s + text}
            .toJson(),
    };
    return AppJson::encode(QJsonObject{
        {modelKey, NaturalizeService::model},
        {messagesKey, messages},
        {temperatureKey, NaturalizeService::temperature},
    });
}

// The content of each choice's message, in order; a malformed answer is a decoding error.
Result<QStringList> choiceContents(const QByteArray &body)
{
    auto object = AppJson::decodeObject(body);
    if (!object)
        return fail(object.error());
    const JsonReader json(std::move(*object));
    const auto choices = json.array(choicesKey);
    if (!choices)
        return fail(choices.error());
    QStringList contents;
    for (qsizetype i = 0; i < choices->size(); ++i) {
        const auto choice = json.element(choicesKey, *choices, i);
        if (!choice)
            return fail(choice.error());
        const auto message = choice->object(messageKey);
        if (!message)
            return fail(message.error());
        const auto chatMessage = ChatMessage::fromJson(*message);
        if (!chatMessage)
            return fail(chatMessage.error());
        contents.append(chatMessage->content);
    }
    return contents;
}

// The provider's error body: {"error": {"message": "..."}}.
std::optional<QString> providerMessage(const QByteArray &body)
{
    auto object = AppJson::decodeObject(body);
    if (!object)
        return std::nullopt;
    const auto error = JsonReader(std::move(*object)).object(errorKey);
    if (!error)
        return std::nullopt;
    const auto message = error->string(messageKey);
    return message ? std::optional(*message) : std::nullopt;
}

Error serverError(QString message)
{
    return Error::service(NaturalizeError::server, std::move(message));
}

} // namespace

NaturalizeService::NaturalizeService(QUrl chatCompletionURL)
    : m_chatCompletionURL(std::move(chatCompletionURL))
{}

QCoro::Task<Result<QString>> NaturalizeService::naturalize(QString text, AISettings settings) const
{
    if (text.trimmed().isEmpty())
        co_return fail(Error::service(NaturalizeError::emptyText, NaturalizeErrorText::emptyText));
    const QString apiKey = settings.apiKey.trimmed();
    if (apiKey.isEmpty()) {
        co_return fail(
            Error::service(NaturalizeError::missingAPIKey, NaturalizeErrorText::missingAPIKey));
    }

    HttpRequest request;
    request.method = QByteArrayLiteral("POST");
    request.url = m_chatCompletionURL;
    request.timeout = timeout;
    request.setBearerToken(apiKey);
    request.setJsonBody(requestBody(text));

    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    if (!Http::isSuccess(response->status))
        co_return fail(serverError(failureMessage(response->body)));
    co_return decodeRewrite(response->body);
}

Result<QString> NaturalizeService::decodeRewrite(const QByteArray &body)
{
    const auto contents = choiceContents(body);
    if (!contents)
        return fail(contents.error());
    const QString rewrite = contents->isEmpty() ? QString() : contents->first().trimmed();
    if (rewrite.isEmpty())
        return fail(serverError(NaturalizeErrorText::editFailed));
    return rewrite;
}

QString NaturalizeService::failureMessage(const QByteArray &body)
{
    return providerMessage(body).value_or(NaturalizeErrorText::editFailed);
}

#pragma once

#include "AISettings.h"
#include "Result.h"

#include <QCoroTask>
#include <QLatin1StringView>
#include <QString>
#include <QUrl>

#include <chrono>

// The "Naturalize English" rewrite: sends the draft with a fixed instruction to the AI
// provider's OpenAI-compatible chat-completions endpoint, authorised with the user's own key,
// and returns the rewritten post. Stateless; one request per call, no retry, no streaming.
// The key goes only into the request's Authorization header, never into a log.
class NaturalizeService {
public:
    static constexpr QLatin1StringView defaultChatCompletionURL{
        "https://generativelanguage.googleapis.com/v1beta/openai/chat/completions"};
    static constexpr QLatin1StringView model{"gemini-3.8-flash"};
    static constexpr double temperature = 0.2;
    static constexpr std::chrono::milliseconds timeout = std::chrono::seconds(30);

    static constexpr QLatin1StringView systemRole{"system"};
    static constexpr QLatin1StringView userRole{"user"};
    static constexpr QLatin1StringView systemInstruction{
        "You receive a LinkedIn post draft from the user. Draft a LinkedIn post, fix grammar, "
        "naturalize English, preserve the author's style, and do not modify meaning. Make it "
        "hooked in the first 2-3 sentences. Carefully compress the draft: eliminate unnecessary "
        "words and replace longer words with shorter ones, ensuring the post retains its "
        "original meaning, information, and tone. At the end, give 5 relevant and most crowded "
        "hashtags for the post on LinkedIn. Do not explain your edits or wrap the answer in "
        "quotes. Return only the edited post and hashtags."};
    // Put before the draft, followed by two line feeds, in the user's message.
    static constexpr QLatin1StringView userMessagePrefix{"Edit this LinkedIn draft:"};

    // `chatCompletionURL` is the provider's endpoint; only tests choose another one.
    explicit NaturalizeService(QUrl chatCompletionURL = QUrl(defaultChatCompletionURL));

    [[nodiscard]] const QUrl &chatCompletionURL() const { return m_chatCompletionURL; }

    // The rewrite of `text`, trimmed of white space and line breaks at both ends. Fails with
    // `emptyText` for a blank draft (checked first), `missingAPIKey` for a blank key, `server`
    // with the provider's message or "AI edit failed.", a decoding error when a successful
    // answer is malformed, or the transport error as it is.
    [[nodiscard]] QCoro::Task<Result<QString>> naturalize(QString text, AISettings settings) const;

    // The rewrite in the body of a successful answer, as naturalize() reads it.
    [[nodiscard]] static Result<QString> decodeRewrite(const QByteArray &body);
    // The message of a failing answer: the provider's own, else "AI edit failed.".
    [[nodiscard]] static QString failureMessage(const QByteArray &body);

private:
    QUrl m_chatCompletionURL;
};

#include "StartResponse.h"

using namespace Qt::StringLiterals;

namespace {

Result<QUrl> urlMember(const JsonReader &json, const QString &key, bool webOnly)
{
    const auto text = json.string(key);
    if (!text)
        return fail(text.error());
    const QUrl url(*text, QUrl::StrictMode);
    if (text->isEmpty() || !url.isValid() || url.isRelative())
        return fail(
            Error::decoding(u"invalid URL \"%1\" for key \"%2\""_s.arg(*text, json.pathOf(key))));
    if (webOnly && url.scheme() != "http"_L1 && url.scheme() != "https"_L1)
        return fail(
            Error::decoding(u"invalid URL \"%1\" for key \"%2\": expected http or https"_s.arg(
                *text, json.pathOf(key))));
    return url;
}

} // namespace

Result<StartResponse> StartResponse::fromJson(const JsonReader &json)
{
    auto authURL = urlMember(json, authURLKey, true);
    if (!authURL)
        return fail(authURL.error());
    auto state = json.string(stateKey);
    if (!state)
        return fail(state.error());
    auto redirectURI = urlMember(json, redirectURIKey, false);
    if (!redirectURI)
        return fail(redirectURI.error());
    auto pollURL = json.string(pollURLKey);
    if (!pollURL)
        return fail(pollURL.error());
    return StartResponse{*authURL, *state, *redirectURI, *pollURL};
}

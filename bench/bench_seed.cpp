// Prepares the state the start-up benchmark measures: a LinkedIn account connected through the
// development server's sign-in page, its token in the keychain, and 15 drafts of 3,000
// characters in the settings file and on the server. Runs inside the benchmark's private
// session (its own keyring and configuration folder). Prints the member id, never the token.

#include "AppJson.h"
#include "AuthTokenStore.h"
#include "BenchSession.h"
#include "BenchText.h"
#include "DraftSnapshot.h"
#include "LinkedInToken.h"
#include "SecretServiceKeychain.h"
#include "SyncedDraftsService.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QByteArray fetch(QNetworkAccessManager &network, QNetworkReply *reply)
{
    Q_UNUSED(network);
    if (!BenchSession::spinUntil([reply] { return reply->isFinished(); }))
        reply->abort();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

// Connects a member through the stand-in sign-in page, as a person would in the sheet.
std::optional<LinkedInToken> connectMember(const QUrl &baseURL)
{
    QNetworkAccessManager network;
    network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    const auto start = AppJson::decodeObject(fetch(
        network, network.get(QNetworkRequest(baseURL.resolved(u"/api/linkedin/cli/start"_s)))));
    if (!start)
        return std::nullopt;
    const QString state = start->value(u"state"_s).toString();

    QUrlQuery form{{u"state"_s, state},
                   {u"decision"_s, u"allow"_s},
                   {u"name"_s, u"Bench Member"_s},
                   {u"email"_s, u"bench@example.com"_s}};
    QNetworkRequest submit(baseURL.resolved(u"/dev/linkedin/authorize"_s));
    submit.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    fetch(network, network.post(submit, form.toString(QUrl::FullyEncoded).toUtf8()));

    QUrl resultURL = baseURL.resolved(u"/api/linkedin/cli/result"_s);
    resultURL.setQuery(QUrlQuery{{u"state"_s, state}, {u"wait"_s, u"2"_s}});
    const auto result =
        AppJson::decodeObject(fetch(network, network.get(QNetworkRequest(resultURL))));
    if (!result || result->value(u"status"_s).toString() != u"done"_s)
        return std::nullopt;
    auto token = LinkedInToken::fromJson(JsonReader(result->value(u"token"_s).toObject()));
    if (!token)
        return std::nullopt;
    return std::move(*token);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const auto configuration = BenchSession::configuration(QCoreApplication::arguments());
    if (!configuration)
        return 2;

    const auto token = connectMember(configuration->api.baseURL);
    if (!token) {
        std::fprintf(stderr, "seed: the development server did not connect a member\n");
        return 1;
    }
    SecretServiceKeychain keychain;
    AuthTokenStore tokenStore(keychain, configuration->storage.linkedInTokenKey);
    tokenStore.save(*token);
    if (!tokenStore.load()) {
        std::fprintf(stderr, "seed: the token could not be stored in the keychain\n");
        return 1;
    }

    const QString member = token->profile.memberID;
    const QList<Draft> drafts = BenchText::drafts();
    SyncedDraftsService service(configuration->api.baseURL);
    for (const Draft &draft : drafts) {
        auto upload = service.upsertDraft(draft, token->accessToken);
        const auto uploaded = QCoro::waitFor(std::move(upload));
        if (!uploaded) {
            std::fprintf(stderr, "seed: upload failed: %s\n",
                         qPrintable(uploaded.error().description));
            return 1;
        }
    }

    UserDefaults defaults(UserDefaults::standardFilePath());
    UserDefaultsDraftRepository repository(configuration->storage.draftsKey, defaults);
    DraftSnapshot snapshot = DraftSnapshot::empty(member, QDateTime::currentDateTimeUtc());
    snapshot.drafts = drafts;
    snapshot.lastSuccessfulSyncAt = QDateTime::currentDateTimeUtc();
    repository.saveSnapshot(snapshot, member);
    repository.saveSyncMutations({}, member);
    if (repository.loadSnapshot(member).drafts.size() != drafts.size()) {
        std::fprintf(stderr, "seed: the drafts could not be stored\n");
        return 1;
    }
    std::printf("seeded member %s with %d drafts\n", qPrintable(member), int(drafts.size()));
    return 0;
}

// Every client of an outside service against a loopback server that misbehaves: failing
// statuses, pages that are not JSON, bodies cut short or far too large, connections that go
// silent, and redirects to another host. Each ends in a clean failure with the message the
// user should see, nothing reaches the other host that belongs to ours, and the drafts and
// the queue of unsent changes come through whole.

#include "DraftStore.h"
#include "FakeNotificationCenter.h"
#include "FeedbackService.h"
#include "Http.h"
#include "LinkedInAuthService.h"
#include "LinkedInPostService.h"
#include "LinkedInTokenStore.h"
#include "NaturalizeService.h"
#include "NotificationReminderService.h"
#include "ProfilePhotoLoader.h"
#include "SyncedDraftsService.h"
#include "TestServer.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"
#include "WebAuthenticationSession.h"

#include <QBuffer>
#include <QCoroTask>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

enum class Fault {
    serverError,     // 500 with the server's error envelope
    unauthorized,    // 401 with a plain-text body
    tooManyRequests, // 429 with the server's error envelope
    htmlPage,        // a proxy's HTML error page
    truncatedJson,   // a 200 whose JSON stops half-way, with a matching length
    hugeBody,        // a 200 with a 50 MB body
    resetMidBody,    // status and headers, half the body, then the connection closes
    neverAnswers,    // the connection stays open and silent
    otherHost,       // 307 to the same path on another host
};

const QByteArray &hugeBody()
{
    static const QByteArray body(50 * 1024 * 1024, 'x');
    return body;
}

const QString cappedMessage =
    u"The response is larger than %1 bytes."_s.arg(HttpRequest::defaultMaxResponseSize);

// What the other host answers: what a real server says to a request without credentials.
const TestServer::Answer otherHostAnswer =
    TestServer::json(401, R"({"error":"unauthorized","errorDescription":"Sign in first."})");

TestServer::Answer answerFor(Fault fault, const QUrl &elsewhere)
{
    switch (fault) {
    case Fault::serverError:
        return TestServer::json(500,
                                R"({"error":"internal","errorDescription":"The server failed."})");
    case Fault::unauthorized:
        return TestServer::text(401, "Unauthorized");
    case Fault::tooManyRequests:
        return TestServer::json(429, R"({"error":"rate_limited","errorDescription":"Slow down."})")
            .withHeader("Retry-After", "30");
    case Fault::htmlPage:
        return TestServer::text(502, "<html><body><h1>502 Bad Gateway</h1></body></html>",
                                "text/html");
    case Fault::truncatedJson:
        // A complete answer whose JSON stops in the middle of a member.
        return TestServer::json(200, QByteArray(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F")") +
                                         QByteArray(",\"drafts\":[{\"bo"));
    case Fault::hugeBody:
        return TestServer::text(200, hugeBody(), "application/json");
    case Fault::resetMidBody:
        return TestServer::cutBody(200,
                                   R"({"drafts":[],"choices":[],"padding":"................"})");
    case Fault::neverAnswers:
        return TestServer::neverAnswer();
    case Fault::otherHost:
        return TestServer::redirect(307, elsewhere);
    }
    Q_UNREACHABLE();
}

// How a call ended: success, or the kind and description of its error. An empty
// description in an expectation stands for any non-empty one.
struct Outcome {
    bool succeeded = false;
    Error::Kind kind = Error::Kind::Service;
    QString description;

    static Outcome success() { return {true, Error::Kind::Service, {}}; }
    static Outcome service(QString description)
    {
        return {false, Error::Kind::Service, std::move(description)};
    }
    static Outcome transport(QString description = {})
    {
        return {false, Error::Kind::Transport, std::move(description)};
    }
    static Outcome decoding() { return {false, Error::Kind::Decoding, {}}; }
};

template<typename T> Outcome outcomeOf(const Result<T> &result)
{
    if (result)
        return Outcome::success();
    return {false, result.error().kind, result.error().description};
}

class MemoryTokenStore final : public LinkedInTokenStore {
public:
    std::optional<LinkedInToken> load() override { return token; }
    void save(const LinkedInToken &t) override { token = t; }
    void clear() override { token.reset(); }
    void clearAccountDeletionData() override { token.reset(); }
    std::optional<LinkedInToken> token;
};

// Never reached when the flow fails at its first step, as every fault here makes it.
class UnreachableSheet final : public WebAuthenticationSession {
public:
    QCoro::Task<Result<QUrl>> start(QUrl, QString, bool) override
    {
        co_return fail(Error::transport(u"the sign-in sheet was opened"_s));
    }
};

LinkedInToken token()
{
    LinkedInToken t;
    t.accessToken = u"fault-access-token"_s;
    t.profile.memberID = u"member-1"_s;
    t.profile.name = u"Test Member"_s;
    t.connectedAt = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    return t;
}

enum class Client { post, feedback, disconnect, signIn, naturalize, reminder };

constexpr Client clients[] = {Client::post,   Client::feedback,   Client::disconnect,
                              Client::signIn, Client::naturalize, Client::reminder};

QString nameOf(Client client)
{
    switch (client) {
    case Client::post:
        return u"post"_s;
    case Client::feedback:
        return u"feedback"_s;
    case Client::disconnect:
        return u"disconnect"_s;
    case Client::signIn:
        return u"sign-in start"_s;
    case Client::naturalize:
        return u"naturalize"_s;
    case Client::reminder:
        return u"reminder"_s;
    }
    Q_UNREACHABLE();
}

std::pair<QByteArray, QString> routeOf(Client client)
{
    switch (client) {
    case Client::post:
        return {"POST", LinkedInPostService::postPath};
    case Client::feedback:
        return {"POST", FeedbackService::feedbackPath};
    case Client::disconnect:
        return {"POST", LinkedInAuthService::disconnectPath};
    case Client::signIn:
        return {"GET", LinkedInAuthService::startPath};
    case Client::naturalize:
        return {"POST", u"/v1/chat/completions"_s};
    case Client::reminder:
        return {"GET", NotificationReminderService::todayPath};
    }
    Q_UNREACHABLE();
}

// Whether the client sends a body, which never follows a redirect to another host.
bool sendsBody(Client client)
{
    return routeOf(client).first == "POST";
}

// The text a client shows for a failing answer that carries no message it reads.
QString fallbackFor(Client client, int status)
{
    switch (client) {
    case Client::post:
        return u"LinkedIn post failed."_s;
    case Client::feedback:
        return u"Feedback send failed."_s;
    case Client::disconnect:
    case Client::signIn:
        return u"Request failed with status %1."_s.arg(status);
    case Client::naturalize:
        return u"AI edit failed."_s;
    case Client::reminder:
        return {};
    }
    Q_UNREACHABLE();
}

// What the user should see. The reminder reports nothing to its caller; its outcome is
// whether it recorded its failure event.
Outcome expected(Client client, Fault fault)
{
    // The reminder reports only that it failed, through its usage event.
    if (client == Client::reminder)
        return Outcome::service({});
    // The provider speaks its own error format, so the server's envelope means nothing to it.
    const bool readsEnvelope = client != Client::naturalize;
    switch (fault) {
    case Fault::serverError:
        return Outcome::service(readsEnvelope ? u"The server failed."_s : fallbackFor(client, 500));
    case Fault::unauthorized:
        return Outcome::service(fallbackFor(client, 401));
    case Fault::tooManyRequests:
        return Outcome::service(readsEnvelope ? u"Slow down."_s : fallbackFor(client, 429));
    case Fault::htmlPage:
        return Outcome::service(fallbackFor(client, 502));
    case Fault::truncatedJson:
        // A 2xx is the server's word that the change took effect; these clients read no more.
        if (client == Client::post || client == Client::feedback || client == Client::disconnect)
            return Outcome::success();
        return Outcome::decoding();
    case Fault::hugeBody:
        return Outcome::transport(cappedMessage);
    case Fault::resetMidBody:
        return Outcome::transport();
    case Fault::neverAnswers:
        return Outcome::transport(QString(Http::timedOutDescription));
    case Fault::otherHost:
        return Outcome::service(sendsBody(client) ? fallbackFor(client, 307) : u"Sign in first."_s);
    }
    Q_UNREACHABLE();
}

Outcome call(Client client, const QUrl &base)
{
    switch (client) {
    case Client::post: {
        const LinkedInPostService service(base);
        return outcomeOf(QCoro::waitFor(service.publish(
            u"A post"_s, LinkedInPostCredential{u"fault-access-token"_s, u"member-1"_s})));
    }
    case Client::feedback: {
        const FeedbackService service(base);
        return outcomeOf(QCoro::waitFor(service.send(
            u"Title"_s, u"Message"_s, FeedbackSenderIdentity{u"Name"_s, u"member-1"_s, {}}, {})));
    }
    case Client::disconnect: {
        MemoryTokenStore tokens;
        UnreachableSheet sheet;
        LinkedInAuthService service(base, u"quillet"_s, tokens, sheet);
        return outcomeOf(QCoro::waitFor(service.disconnect(u"member-1"_s)));
    }
    case Client::signIn: {
        MemoryTokenStore tokens;
        UnreachableSheet sheet;
        LinkedInAuthService service(base, u"quillet"_s, tokens, sheet);
        const auto result = QCoro::waitFor(service.signIn());
        if (tokens.token)
            return Outcome::transport(u"a token was stored"_s);
        return outcomeOf(result);
    }
    case Client::naturalize: {
        const NaturalizeService service(Http::url(base, routeOf(client).second));
        return outcomeOf(
            QCoro::waitFor(service.naturalize(u"A draft"_s, AISettings{u"fault-ai-key"_s})));
    }
    case Client::reminder: {
        QTemporaryDir home;
        UserDefaults defaults(home.filePath(u"Quillet.conf"_s));
        FakeNotificationCenter center;
        bool reported = false;
        NotificationReminderService service(
            base, defaults, center,
            [&](AppTelemetryEvent, QMap<QString, QString>) { reported = true; });
        QCoro::waitFor(service.syncTodayReminder(token()));
        if (!center.added.isEmpty())
            return Outcome::success();
        return reported ? Outcome::service({}) : Outcome::success();
    }
    }
    Q_UNREACHABLE();
}

void compareOutcome(const Outcome &actual, const Outcome &wanted)
{
    QCOMPARE(actual.succeeded, wanted.succeeded);
    if (wanted.succeeded)
        return;
    QCOMPARE(actual.kind, wanted.kind);
    if (wanted.description.isEmpty())
        QVERIFY(actual.kind == Error::Kind::Service || !actual.description.isEmpty());
    else
        QCOMPARE(actual.description, wanted.description);
}

// No request that reached the other host carried a credential or a body.
void verifyNothingLeaked(const TestServer &elsewhere)
{
    for (const auto &request : elsewhere.requests()) {
        QVERIFY2(!request.hasHeader("Authorization"), qPrintable(request.path));
        QVERIFY2(request.body.isEmpty(), qPrintable(request.path));
    }
}

const QList<std::pair<const char *, Fault>> faults{
    {"500", Fault::serverError},
    {"401", Fault::unauthorized},
    {"429", Fault::tooManyRequests},
    {"HTML page", Fault::htmlPage},
    {"truncated JSON", Fault::truncatedJson},
    {"50 MB body", Fault::hugeBody},
    {"reset mid-body", Fault::resetMidBody},
    {"never answers", Fault::neverAnswers},
    {"redirect to another host", Fault::otherHost},
};

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Client)

class TestFaults : public QObject {
    Q_OBJECT

    // Waits until the store's queue in `repository` satisfies `done`.
    template<typename Done>
    static bool waitForQueue(const UserDefaultsDraftRepository &repository, Done done)
    {
        return QTest::qWaitFor([&] { return done(repository.loadSyncMutations(u"member-1"_s)); },
                               20000);
    }

    static std::optional<DraftSyncMutation>
    entry(const QList<DraftSyncMutation> &queue, const QUuid &draftID, DraftSyncOperation operation)
    {
        for (const auto &mutation : queue) {
            if (mutation.draftID == draftID && mutation.operation == operation)
                return mutation;
        }
        return std::nullopt;
    }

private Q_SLOTS:
    void draftsSurviveEveryFault_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("upsertError"); // empty: any description
        QTest::addColumn<QString>("deleteError"); // empty: any; null: the delete goes through

        for (const auto &[name, fault] : faults) {
            QString upsertError;
            QString deleteError = u""_s;
            switch (fault) {
            case Fault::serverError:
                upsertError = deleteError = u"The server failed."_s;
                break;
            case Fault::unauthorized:
            case Fault::htmlPage:
                upsertError = deleteError = u"Draft sync failed."_s;
                break;
            case Fault::tooManyRequests:
                upsertError = deleteError = u"Slow down."_s;
                break;
            case Fault::truncatedJson:
                deleteError = QString();
                break; // its body is not read
            case Fault::hugeBody:
                upsertError = deleteError = cappedMessage;
                break;
            case Fault::resetMidBody:
                break;
            case Fault::neverAnswers:
                upsertError = deleteError = QString(Http::timedOutDescription);
                break;
            case Fault::otherHost:
                upsertError = u"Draft sync failed."_s; // the body stays with our server
                deleteError = u"Sign in first."_s;
                break;
            }
            QTest::newRow(name) << fault << upsertError << deleteError;
        }
    }
    // The real store, repository, settings file and drafts client: save two drafts and
    // delete one while every request meets the fault. Afterwards the settings file, read
    // afresh, holds the kept draft, and the queue holds every change with its error.
    void draftsSurviveEveryFault()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, upsertError);
        QFETCH(QString, deleteError);

        TestServer server;
        TestServer elsewhere(QHostAddress(u"127.0.0.2"_s));
        QVERIFY(server.isListening() && elsewhere.isListening());
        const auto answer = [&](const QByteArray &method, const QString &path) {
            server.setAnswer(method, path, answerFor(fault, elsewhere.url(path)));
            elsewhere.setAnswer(method, path, otherHostAnswer);
        };
        answer("GET", u"/api/drafts"_s);

        QTemporaryDir home;
        const QString file = home.filePath(u"Quillet.conf"_s);
        UserDefaults defaults(file);
        UserDefaultsDraftRepository repository(u"drafts"_s, defaults);
        SyncedDraftsService service(server.url(), 500ms);
        DraftStore store(repository, &service, {});
        store.setSession(token());
        QVERIFY(server.waitForRequests(1));

        const auto pathOf = [](const Draft &draft) -> QString {
            return u"/api/drafts/"_s + draft.id.toString(QUuid::WithoutBraces).toUpper();
        };
        // Saves a new draft and scripts its routes. The run starts inside saveCurrentDraft,
        // but the server picks its answer only when the request arrives, from the event loop.
        const auto save = [&](const QString &text) {
            store.startNewPost();
            store.setEditorText(text);
            store.saveCurrentDraft();
            const Draft draft = store.drafts().first();
            answer("PUT", pathOf(draft));
            answer("DELETE", pathOf(draft));
            return draft;
        };
        const auto triedOnce = [&](const Draft &draft, DraftSyncOperation operation) {
            return waitForQueue(repository, [&](const QList<DraftSyncMutation> &queue) {
                const auto found = entry(queue, draft.id, operation);
                return found && found->attemptCount >= 1 && !store.isDrainingSyncQueue();
            });
        };

        const Draft deleted = save(u"Deleted later"_s);
        QVERIFY(triedOnce(deleted, DraftSyncOperation::upsert));
        const Draft kept = save(u"Kept through the fault"_s);
        QVERIFY(triedOnce(kept, DraftSyncOperation::upsert));

        store.deleteDraft(deleted);
        if (deleteError.isNull()) {
            QVERIFY(waitForQueue(repository, [&](const QList<DraftSyncMutation> &queue) {
                return !entry(queue, deleted.id, DraftSyncOperation::remove) &&
                       !server.requests("DELETE", pathOf(deleted)).isEmpty() &&
                       !store.isDrainingSyncQueue();
            }));
        } else {
            QVERIFY(triedOnce(deleted, DraftSyncOperation::remove));
        }

        QCOMPARE(store.drafts().size(), 1);
        QCOMPARE(store.drafts().first().body, u"Kept through the fault"_s);
        QCOMPARE(store.syncStatus(), DraftSyncStatus::failed);

        // What a restart would find.
        UserDefaults reread(file);
        UserDefaultsDraftRepository stored(u"drafts"_s, reread);
        const auto snapshot = stored.loadSnapshot(u"member-1"_s);
        QCOMPARE(snapshot.drafts.size(), 1);
        QCOMPARE(snapshot.drafts.first().id, kept.id);
        QCOMPARE(snapshot.drafts.first().body, u"Kept through the fault"_s);

        const auto queue = stored.loadSyncMutations(u"member-1"_s);
        const auto upsert = entry(queue, kept.id, DraftSyncOperation::upsert);
        QVERIFY(upsert);
        QCOMPARE(upsert->draft->body, u"Kept through the fault"_s);
        QVERIFY(upsert->lastError && !upsert->lastError->isEmpty());
        if (!upsertError.isEmpty())
            QCOMPARE(*upsert->lastError, upsertError);
        QVERIFY(!entry(queue, deleted.id, DraftSyncOperation::upsert));
        const auto remove = entry(queue, deleted.id, DraftSyncOperation::remove);
        QCOMPARE(remove.has_value(), !deleteError.isNull());
        if (remove) {
            QVERIFY(remove->lastError && !remove->lastError->isEmpty());
            if (!deleteError.isEmpty())
                QCOMPARE(*remove->lastError, deleteError);
        }
        verifyNothingLeaked(elsewhere);
    }

    void otherClientsFailCleanly_data()
    {
        QTest::addColumn<Client>("client");
        QTest::addColumn<Fault>("fault");

        for (const Client client : clients) {
            for (const auto &[name, fault] : faults) {
                // These clients' time-outs are fixed at 30 to 60 seconds; the shared client's
                // time-out itself is tested on its own.
                if (fault == Fault::neverAnswers)
                    continue;
                QTest::addRow("%s: %s", qPrintable(nameOf(client)), name) << client << fault;
            }
        }
    }
    void otherClientsFailCleanly()
    {
        QFETCH(Client, client);
        QFETCH(Fault, fault);

        TestServer server;
        TestServer elsewhere(QHostAddress(u"127.0.0.2"_s));
        QVERIFY(server.isListening() && elsewhere.isListening());
        const auto [method, path] = routeOf(client);
        server.setAnswer(method, path, answerFor(fault, elsewhere.url(path)));
        elsewhere.setAnswer(method, path, otherHostAnswer);

        compareOutcome(call(client, server.url()), expected(client, fault));
        QVERIFY(server.requestCount() >= 1);
        verifyNothingLeaked(elsewhere);
    }

    // The picture is read through the same capped client: a huge or broken answer leaves the
    // fallback, and the previous picture does not stay on screen.
    void profilePhotoFailuresLeaveNoImage_data()
    {
        QTest::addColumn<Fault>("fault");
        for (const auto &[name, fault] : faults) {
            if (fault != Fault::neverAnswers)
                QTest::newRow(name) << fault;
        }
    }
    void profilePhotoFailuresLeaveNoImage()
    {
        QFETCH(Fault, fault);

        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(picture.save(&buffer, "PNG"));

        TestServer server;
        TestServer elsewhere(QHostAddress(u"127.0.0.2"_s));
        QVERIFY(server.isListening() && elsewhere.isListening());
        server.setAnswer("GET", u"/good.png"_s, TestServer::text(200, png, "image/png"));
        server.setAnswer("GET", u"/bad.png"_s, answerFor(fault, elsewhere.url(u"/bad.png"_s)));
        elsewhere.setAnswer("GET", u"/bad.png"_s, otherHostAnswer);

        ProfilePhotoLoader loader;
        loader.setPictureURL(server.url(u"/good.png"_s).toString());
        QTRY_VERIFY_WITH_TIMEOUT(loader.hasImage(), 10000);
        loader.setPictureURL(server.url(u"/bad.png"_s).toString());
        QTRY_VERIFY_WITH_TIMEOUT(!loader.hasImage(), 20000);
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"

// Runs the flows that handle the two secrets (the LinkedIn access token and the AI key) with
// fresh random values against loopback servers, then looks for either secret wherever the
// application leaves traces: every file under its configuration, cache and data folders
// (crash reports included), every log message, everything written to standard output and
// standard error, the telemetry sent, and every request that reached a host other than the
// configured API host. Each secret is searched in its raw, Base64 and percent-encoded forms.

#include "AISettingsStore.h"
#include "AppJson.h"
#include "AppTelemetry.h"
#include "AuthTokenStore.h"
#include "CrashReporter.h"
#include "DraftStore.h"
#include "EditorViewModel.h"
#include "FakeNotificationCenter.h"
#include "KeychainAIAPIKeyStore.h"
#include "LinkedInAuthService.h"
#include "LinkedInPostService.h"
#include "LinkedInSessionStore.h"
#include "NaturalizeService.h"
#include "NotificationReminderService.h"
#include "SecretServiceKeychain.h"
#include "SyncedDraftsService.h"
#include "TestServer.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"
#include "WebAuthenticationSession.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString memberID = u"member-secrets"_s;

// A secret of random characters, including ones that percent- and Base64-encoding change.
QString randomSecret(const QString &prefix)
{
    static const QString alphabet =
        u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.~+/="_s;
    QString secret = prefix;
    for (int i = 0; i < 40; ++i)
        secret += alphabet.at(int(QRandomGenerator::global()->bounded(int(alphabet.size()))));
    return secret;
}

// The forms in which a secret could leak.
QList<QByteArray> formsOf(const QString &secret)
{
    const QByteArray raw = secret.toUtf8();
    return {raw, raw.toBase64(),
            raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals),
            QUrl::toPercentEncoding(secret),
            QByteArray(reinterpret_cast<const char *>(secret.utf16()), secret.size() * 2)};
}

// Names where `haystack` holds a form of a secret, without printing the secret.
QStringList leaks(const QByteArray &haystack, const QString &where,
                  const QList<std::pair<QString, QList<QByteArray>>> &secrets)
{
    QStringList found;
    for (const auto &[name, forms] : secrets) {
        for (int i = 0; i < forms.size(); ++i) {
            if (haystack.contains(forms.at(i)))
                found.append(u"%1 (form %2) in %3"_s.arg(name).arg(i).arg(where));
        }
    }
    return found;
}

QStringList messages;
QtMessageHandler previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    messages.append(message);
    previousHandler(type, context, message);
}

// Standard output and standard error go to a file while it lives.
class CapturedOutput {
public:
    CapturedOutput()
    {
        m_file.open();
        std::fflush(stdout);
        std::fflush(stderr);
        m_stdout = ::dup(1);
        m_stderr = ::dup(2);
        ::dup2(m_file.handle(), 1);
        ::dup2(m_file.handle(), 2);
    }
    ~CapturedOutput() { restore(); }
    QByteArray restore()
    {
        if (m_stdout >= 0) {
            std::fflush(stdout);
            std::fflush(stderr);
            ::dup2(m_stdout, 1);
            ::dup2(m_stderr, 2);
            ::close(m_stdout);
            ::close(m_stderr);
            m_stdout = m_stderr = -1;
        }
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    QTemporaryFile m_file;
    int m_stdout = -1;
    int m_stderr = -1;
};

class CallbackSheet final : public WebAuthenticationSession {
public:
    QCoro::Task<Result<QUrl>> start(QUrl, QString callbackScheme, bool) override
    {
        co_return QUrl(callbackScheme + u"://done?code=abc"_s);
    }
};

QByteArray tokenJson(const QString &accessToken)
{
    QJsonObject token{{u"accessToken"_s, accessToken},
                      {u"tokenType"_s, u"Bearer"_s},
                      {u"expiresIn"_s, 3600},
                      {u"profile"_s, QJsonObject{{u"memberId"_s, memberID}, {u"name"_s, u"Ada"_s}}},
                      {u"connectedAt"_s, u"2026-12-11T04:11:20Z"_s}};
    return AppJson::encode(QJsonObject{{u"status"_s, u"done"_s}, {u"token"_s, token}});
}

QString draftPath(const Draft &draft)
{
    return u"/api/drafts/"_s + draft.id.toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

class TestSecrets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The data folder is the test's own, so crash reports and any other data land where
        // this test looks; the keyring daemon keeps its own files elsewhere.
        const QString home = qEnvironmentVariable("QUILLET_TEST_HOME");
        QVERIFY(!home.isEmpty());
        qputenv("XDG_DATA_HOME", QFile::encodeName(home + u"/data"_s));
        for (const auto location :
             {QStandardPaths::GenericConfigLocation, QStandardPaths::GenericCacheLocation,
              QStandardPaths::GenericDataLocation})
            QDir(QStandardPaths::writableLocation(location)).removeRecursively();
        if (!SecretServiceKeychain().isAvailable())
            QSKIP("needs a Secret Service (run under scripts/session)");
    }

    void noSecretLeavesItsPlace()
    {
        const QString accessToken = randomSecret(u"tok"_s);
        const QString aiKey = randomSecret(u"key"_s);

        TestServer api;
        TestServer elsewhere(QHostAddress(u"127.0.0.2"_s));
        TestServer provider;
        TestServer ingestion;
        QVERIFY(api.isListening() && elsewhere.isListening() && provider.isListening() &&
                ingestion.isListening());
        api.setAnswer("GET", LinkedInAuthService::startPath,
                      TestServer::json(200, AppJson::encode(QJsonObject{
                                                {u"authUrl"_s, api.url(u"/oauth"_s).toString()},
                                                {u"state"_s, u"flow"_s},
                                                {u"redirectUri"_s, u"https://x/cb"_s},
                                                {u"pollUrl"_s, u"https://x/poll"_s}})));
        api.setAnswer("GET", LinkedInAuthService::resultPath,
                      TestServer::json(200, tokenJson(accessToken))
                          .withHeader("Cache-Control", "max-age=3600"));
        api.setAnswer("POST", LinkedInPostService::postPath, TestServer::json(201, "{}"));
        api.setAnswer("POST", LinkedInAuthService::disconnectPath, TestServer::json(200, "{}"));
        api.setAnswer("POST", LinkedInAuthService::deleteAccountPath, TestServer::json(200, "{}"));
        api.setAnswer("GET", NotificationReminderService::todayPath,
                      TestServer::json(200, R"({"action":"none"})"));
        // The drafts list moved to another host: the token must not follow it there.
        api.setAnswer("GET", SyncedDraftsService::draftsPath,
                      TestServer::redirect(307, elsewhere.url(SyncedDraftsService::draftsPath)));
        elsewhere.setAnswer("GET", SyncedDraftsService::draftsPath,
                            TestServer::json(200, R"({"drafts":[]})"));
        provider.setAnswer(
            "POST", u"/v1/chat/completions"_s,
            TestServer::json(
                200, R"({"choices":[{"message":{"role":"assistant","content":"Rewritten."}}]})"));
        ingestion.setAnswer("POST", u"/v2/"_s, TestServer::json(200, "{}"));

        messages.clear();
        previousHandler = qInstallMessageHandler(captureMessage);
        // Every category of the application at its most talkative; the loopback servers'
        // own request log belongs to the test, not to the application.
        QLoggingCategory::setFilterRules(u"*.debug=true\nqt.httpserver*=false"_s);
        QByteArray output;
        {
            CapturedOutput captured;
            runFlows(api, provider, ingestion, accessToken, aiKey);
            output = captured.restore();
        }
        QLoggingCategory::setFilterRules({});
        qInstallMessageHandler(previousHandler);
        if (QTest::currentTestFailed()) {
            // The flows' own failure went to the captured output: show it, secrets masked.
            QByteArray shown = output;
            for (const QByteArray &form : formsOf(accessToken))
                shown.replace(form, "<access token>");
            for (const QByteArray &form : formsOf(aiKey))
                shown.replace(form, "<AI key>");
            std::fputs(shown.constData(), stdout);
            return;
        }

        // The flows ran: the API saw the token where it belongs, the provider the key.
        QVERIFY(!api.requests("POST", LinkedInPostService::postPath).isEmpty());
        QVERIFY(!api.requests("GET", SyncedDraftsService::draftsPath).isEmpty());
        QCOMPARE(
            api.requests("GET", SyncedDraftsService::draftsPath).first().header("Authorization"),
            "Bearer " + accessToken.toUtf8());
        QVERIFY(!provider.requests().isEmpty());
        QVERIFY(!elsewhere.requests().isEmpty());
        QVERIFY(!ingestion.requests().isEmpty());

        const QList<std::pair<QString, QList<QByteArray>>> secrets{
            {u"access token"_s, formsOf(accessToken)}, {u"AI key"_s, formsOf(aiKey)}};
        QStringList found;
        for (const auto location :
             {QStandardPaths::GenericConfigLocation, QStandardPaths::GenericCacheLocation,
              QStandardPaths::GenericDataLocation}) {
            QDirIterator it(QStandardPaths::writableLocation(location),
                            QDir::Files | QDir::Hidden | QDir::System,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile file(it.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                found += leaks(file.readAll(), file.fileName(), secrets);
            }
        }
        QVERIFY(CrashReporter::reportDirectory().startsWith(
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
        found += leaks(messages.join(u'\n').toUtf8(), u"log messages"_s, secrets);
        found += leaks(output, u"standard output and error"_s, secrets);
        for (const auto &request : ingestion.requests()) {
            found += leaks(request.body, u"telemetry"_s, secrets);
            found += leaks(request.url.toEncoded(), u"telemetry address"_s, secrets);
        }
        for (const auto &request : elsewhere.requests()) {
            QByteArray all = request.url.toEncoded() + request.body;
            for (const auto &[name, value] : request.headers)
                all += name + ": " + value + "\n";
            found += leaks(all, u"a request to another host"_s, secrets);
        }
        // Only the provider sees the key, and only the API host the token.
        for (const auto &request : api.requests())
            found += leaks(request.url.toEncoded() + request.body + request.header("Authorization"),
                           u"a request to the API"_s, {{u"AI key"_s, formsOf(aiKey)}});
        for (const auto &request : provider.requests())
            found +=
                leaks(request.url.toEncoded() + request.body, u"a request to the AI provider"_s,
                      {{u"access token"_s, formsOf(accessToken)}});
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u"; "_s)));
    }

private:
    void runFlows(TestServer &api, TestServer &provider, TestServer &ingestion,
                  const QString &accessToken, const QString &aiKey)
    {
        AppConfiguration::Observability observability;
        observability.telemetryDeckAppID = u"SECRETS-TEST"_s;
        AppTelemetry::start(observability, ingestion.url(u"/v2/"_s));

        UserDefaults defaults(UserDefaults::standardFilePath());
        SecretServiceKeychain keychain;
        FakeNotificationCenter notifications;
        UserDefaultsDraftRepository repository(u"drafts"_s, defaults);
        AuthTokenStore tokenStore(keychain, u"linkedin.secrets-test"_s);
        CallbackSheet sheet;
        LinkedInAuthService authService(api.url(), u"quillet-secrets"_s, tokenStore, sheet);
        LinkedInPostService postService(api.url());
        NaturalizeService naturalizeService(provider.url(u"/v1/chat/completions"_s));
        NotificationReminderService reminders(api.url(), defaults, notifications,
                                              AppTelemetry::function());
        SyncedDraftsService syncService(api.url());
        KeychainAIAPIKeyStore aiKeyStore(keychain);
        DraftStore store(repository, &syncService, AppTelemetry::function());
        LinkedInSessionStore session(tokenStore);
        AISettingsStore aiSettings(aiKeyStore);
        EditorViewModel editor(store, session, authService, postService, naturalizeService,
                               aiSettings, AppTelemetry::function());
        QObject::connect(&session, &LinkedInSessionStore::tokenChanged, &store,
                         [&] { store.setSession(session.token()); });
        // A copy whose id is no UUID: the client keeps the draft it sent.
        const QByteArray keptCopy = R"({"id":"kept","body":"x","createdAt":"2026-01-01T00:00:00Z",)"
                                    R"("updatedAt":"2026-01-01T00:00:00Z"})";
        const auto answerDrafts = [&] {
            for (const auto &draft : store.drafts()) {
                api.setAnswer("PUT", draftPath(draft), TestServer::json(200, keptCopy));
                api.setAnswer("DELETE", draftPath(draft), TestServer::status(204));
            }
        };

        // Publishing while signed out connects first, then posts.
        editor.setEditorText(u"A first post"_s);
        editor.publish();
        QTRY_COMPARE_WITH_TIMEOUT(editor.statusMessage(), EditorViewModel::postedMessage, 20000);
        QVERIFY(session.isConnected());
        QCOMPARE(session.token()->accessToken, accessToken);

        // Drafts are saved, synchronised and one is deleted.
        editor.setEditorText(u"Draft one"_s);
        editor.save();
        answerDrafts();
        store.startNewPost();
        editor.setEditorText(u"Draft two"_s);
        editor.save();
        answerDrafts();
        QTRY_COMPARE_WITH_TIMEOUT(store.syncStatus(), DraftSyncStatus::synced, 20000);
        store.deleteDraft(store.drafts().first());
        QTRY_COMPARE_WITH_TIMEOUT(store.syncStatus(), DraftSyncStatus::synced, 20000);
        QCoro::waitFor(reminders.syncTodayReminder(session.token()));

        // The AI key is stored and used.
        aiSettings.setApiKey(aiKey);
        aiSettings.save();
        editor.naturalizeEnglish();
        QTRY_COMPARE_WITH_TIMEOUT(editor.statusMessage(), EditorViewModel::naturalizedMessage,
                                  20000);
        QCOMPARE(provider.requests().first().header("Authorization"), "Bearer " + aiKey.toUtf8());

        // Log out, sign in again, then delete the account with all its data.
        QVERIFY(QCoro::waitFor(authService.disconnect(memberID)));
        session.disconnect();
        const auto again = QCoro::waitFor(authService.signIn());
        QVERIFY(again);
        session.setToken(*again);
        QVERIFY(QCoro::waitFor(authService.deleteAccount(memberID)));
        session.deleteAccountData();
        store.deleteAccountData(memberID);
        aiSettings.clearAccountDeletionData();

        QCoro::waitFor(AppTelemetry::flush());
    }
};

QTEST_GUILESS_MAIN(TestSecrets)
#include "tst_secrets.moc"

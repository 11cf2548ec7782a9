#include "AuthTokenStore.h"
#include "InMemoryKeychain.h"
#include "LinkedInSessionStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Operation = InMemoryKeychain::Operation;

namespace {

const auto tokenKey = u"linkedin-token"_s;

LinkedInToken makeToken(const QString &accessToken = u"fake-access-token"_s,
                        const QString &memberID = u"member-1"_s)
{
    return {accessToken,
            {},
            u"Bearer"_s,
            {},
            qint64(3600),
            {memberID, u"Ada Example"_s, u"https://media.example.com/ada.jpg"_s,
             u"ada@example.com"_s, u"Engineer"_s, u"  "_s},
            QDateTime::fromSecsSinceEpoch(1796962280, Qt::UTC)};
}

} // namespace

// The session store over the keychain token store, with an in-memory keychain.
class TestLinkedInSessionStore : public QObject {
    Q_OBJECT

private:
    void storeInKeychain(const QByteArray &data)
    {
        QCOMPARE(m_keychain->add(AuthTokenStore::service, tokenKey, data),
                 Keychain::Status::success);
    }
    [[nodiscard]] std::optional<QByteArray> keychainData() const
    {
        return m_keychain->data(AuthTokenStore::service, tokenKey);
    }
    [[nodiscard]] std::optional<LinkedInToken> keychainToken() const
    {
        const auto data = keychainData();
        if (!data)
            return std::nullopt;
        auto token = LinkedInToken::decode(*data);
        return token ? std::optional(*token) : std::nullopt;
    }

    std::optional<InMemoryKeychain> m_keychain;
    std::optional<AuthTokenStore> m_tokenStore;

private Q_SLOTS:
    void init()
    {
        m_tokenStore.reset();
        m_keychain.emplace();
        m_tokenStore.emplace(*m_keychain, tokenKey);
    }

    void restoresTheStoredTokenAtConstruction()
    {
        const LinkedInToken token = makeToken();
        storeInKeychain(token.encoded());

        LinkedInSessionStore store(*m_tokenStore);
        QVERIFY(store.token() == token);
        QVERIFY(store.isConnected());
        QVERIFY(!store.hasStatusMessage());
        QCOMPARE(store.statusMessage(), QString());
        QVERIFY(store.postCredential() ==
                (LinkedInPostCredential{u"fake-access-token"_s, u"member-1"_s}));
        QCOMPARE(store.memberID(), u"member-1"_s);
        QCOMPARE(store.name(), u"Ada Example"_s);
        QCOMPARE(store.displayHeadline(), u"Engineer"_s);
        QCOMPARE(store.connectedAt(), token.connectedAt);
    }

    void startsNotConnectedWhenNothingUsableIsStored_data()
    {
        QTest::addColumn<QByteArray>("stored"); // null: no item
        QTest::addColumn<bool>("readRefused");

        QTest::newRow("no item") << QByteArray() << false;
        QTest::newRow("keychain refuses the read") << makeToken().encoded() << true;
        QTest::newRow("damaged data") << "{\"accessToken\":\"fa"_ba << false;
        QTest::newRow("profile without memberId")
            << R"({"accessToken":"fake","profile":{"name":"Ada"},"connectedAt":"2026-12-11T04:11:20Z"})"_ba
            << false;
        QTest::newRow("date with fractional seconds")
            << R"({"accessToken":"fake","profile":{"memberId":"m","name":"Ada"},"connectedAt":"2026-12-11T04:11:20.5Z"})"_ba
            << false;
    }
    void startsNotConnectedWhenNothingUsableIsStored()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, readRefused);
        if (!stored.isNull())
            storeInKeychain(stored);
        m_keychain->setFailing(Operation::read, readRefused);

        LinkedInSessionStore store(*m_tokenStore);
        QVERIFY(!store.token());
        QVERIFY(!store.isConnected());
        QVERIFY(!store.postCredential());
        QVERIFY(!store.hasStatusMessage());
        QCOMPARE(store.name(), QString());
        QVERIFY(!store.connectedAt().isValid());
        // Whatever was there is left for the next save or clear.
        QVERIFY(keychainData() == (stored.isNull() ? std::nullopt : std::optional(stored)));
    }

    void emptyAccessTokenOrMemberIdIsNotAConnection_data()
    {
        QTest::addColumn<QString>("accessToken");
        QTest::addColumn<QString>("memberID");
        QTest::addColumn<bool>("connected");

        QTest::newRow("both set") << u"fake-access-token"_s << u"member-1"_s << true;
        QTest::newRow("empty access token") << QString() << u"member-1"_s << false;
        QTest::newRow("empty member id") << u"fake-access-token"_s << QString() << false;
        QTest::newRow("blank strings are not trimmed") << u" "_s << u" "_s << true;
    }
    void emptyAccessTokenOrMemberIdIsNotAConnection()
    {
        QFETCH(QString, accessToken);
        QFETCH(QString, memberID);
        QFETCH(bool, connected);
        const LinkedInToken token = makeToken(accessToken, memberID);

        LinkedInSessionStore first(*m_tokenStore);
        first.setToken(token);
        QCOMPARE(first.isConnected(), connected);

        // Stored and restored all the same; the credential is not checked here.
        LinkedInSessionStore restored(*m_tokenStore);
        QVERIFY(restored.token() == token);
        QCOMPARE(restored.isConnected(), connected);
        QVERIFY(restored.postCredential() == (LinkedInPostCredential{accessToken, memberID}));
    }

    void setTokenClearsTheMessageAndStoresTheTokenInPlace()
    {
        LinkedInSessionStore store(*m_tokenStore);
        QSignalSpy tokenSpy(&store, &LinkedInSessionStore::tokenChanged);
        QSignalSpy messageSpy(&store, &LinkedInSessionStore::statusMessageChanged);
        store.setStatusMessage(u"LinkedIn authorization was cancelled."_s);
        QVERIFY(store.hasStatusMessage());

        const LinkedInToken first = makeToken();
        store.setToken(first);
        QVERIFY(store.token() == first);
        QVERIFY(!store.hasStatusMessage());
        QCOMPARE(messageSpy.count(), 2);
        QCOMPARE(tokenSpy.count(), 1);
        QVERIFY(keychainToken() == first);

        LinkedInToken second = makeToken(u"fake-access-token-2"_s);
        second.connectedAt = first.connectedAt.addSecs(60);
        store.setToken(second);
        QCOMPARE(tokenSpy.count(), 2);
        QCOMPARE(m_keychain->itemCount(), 1);
        QVERIFY(keychainToken() == second);

        // The same token again is no change for observers.
        store.setToken(second);
        QCOMPARE(tokenSpy.count(), 2);
    }

    void refusedWritesKeepTheTokenForThisRunOnly_data()
    {
        QTest::addColumn<bool>("previouslyStored");
        QTest::addColumn<Operation>("refused");

        QTest::newRow("update refused") << true << Operation::update;
        QTest::newRow("add refused") << false << Operation::add;
    }
    void refusedWritesKeepTheTokenForThisRunOnly()
    {
        QFETCH(bool, previouslyStored);
        QFETCH(Operation, refused);
        const LinkedInToken previous = makeToken(u"fake-old-token"_s);
        if (previouslyStored)
            storeInKeychain(previous.encoded());
        m_keychain->setFailing(refused, true);

        LinkedInSessionStore store(*m_tokenStore);
        const LinkedInToken token = makeToken(u"fake-new-token"_s);
        store.setToken(token);
        QVERIFY(store.token() == token);
        QVERIFY(store.isConnected());
        QVERIFY(!store.hasStatusMessage());

        m_keychain->setFailing(refused, false);
        LinkedInSessionStore nextLaunch(*m_tokenStore);
        QVERIFY(nextLaunch.token() == (previouslyStored ? std::optional(previous) : std::nullopt));
    }

    void disconnectForgetsTheTokenAndSaysLoggedOut()
    {
        storeInKeychain(makeToken().encoded());
        LinkedInSessionStore store(*m_tokenStore);
        QSignalSpy tokenSpy(&store, &LinkedInSessionStore::tokenChanged);

        store.disconnect();
        QVERIFY(!store.token());
        QVERIFY(!store.isConnected());
        QCOMPARE(store.statusMessage(), u"Logged out."_s);
        QCOMPARE(tokenSpy.count(), 1);
        QVERIFY(!keychainData());
        QVERIFY(!LinkedInSessionStore(*m_tokenStore).token());

        // Logging out again changes no token, but still clears the store and says so.
        store.setStatusMessage(u"Some error"_s);
        store.disconnect();
        QCOMPARE(tokenSpy.count(), 1);
        QCOMPARE(store.statusMessage(), u"Logged out."_s);
    }

    void deleteAccountDataLeavesTheMessageAlone()
    {
        storeInKeychain(makeToken().encoded());
        LinkedInSessionStore store(*m_tokenStore);
        store.setStatusMessage(u"Earlier message"_s);
        QSignalSpy messageSpy(&store, &LinkedInSessionStore::statusMessageChanged);

        store.deleteAccountData();
        QVERIFY(!store.token());
        QCOMPARE(store.statusMessage(), u"Earlier message"_s);
        QCOMPARE(messageSpy.count(), 0);
        QVERIFY(!keychainData());
        QVERIFY(!LinkedInSessionStore(*m_tokenStore).token());
    }

    void refusedDeletesStillForgetTheTokenInMemory()
    {
        const LinkedInToken token = makeToken();
        storeInKeychain(token.encoded());
        m_keychain->setFailing(Operation::remove, true);

        LinkedInSessionStore store(*m_tokenStore);
        store.disconnect();
        QVERIFY(!store.token());
        QCOMPARE(store.statusMessage(), u"Logged out."_s);
        store.setToken(token);
        store.deleteAccountData();
        QVERIFY(!store.token());
        QVERIFY(keychainToken() == token);
    }
};

QTEST_GUILESS_MAIN(TestLinkedInSessionStore)
#include "tst_linkedinsessionstore.moc"

#include "AuthTokenStore.h"
#include "LinkedInSessionStore.h"
#include "SecretServiceKeychain.h"
#include "SecretTool.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

constexpr auto saveArgument = "--save-token";

LinkedInToken makeToken(const QString &accessToken)
{
    return {accessToken,
            u"fake-id-token"_s,
            u"Bearer"_s,
            u"openid"_s,
            qint64(3600),
            {u"member-1"_s, u"Ada Example"_s, {}, {}, u"Engineer"_s, {}},
            QDateTime::fromSecsSinceEpoch(1796962280, Qt::UTC)};
}

// Run as a child process: saves the token read from standard input under the account given,
// as an earlier run of the application would.
int saveTokenFromInput(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    const auto token = LinkedInToken::decode(input.readAll());
    if (!token)
        return 3;
    SecretServiceKeychain keychain;
    AuthTokenStore(keychain, QString::fromLocal8Bit(argv[2])).save(*token);
    return 0;
}

} // namespace

// The token in the session's real keyring: what one process stores, the next restores, and
// secret-tool sees the same single item.
class TestLinkedInKeyring : public QObject {
    Q_OBJECT

private:
    // Saves `token` from another process; its exit code.
    int saveInAnotherProcess(const LinkedInToken &token)
    {
        QProcess helper;
        helper.start(QCoreApplication::applicationFilePath(),
                     {QString::fromLatin1(saveArgument), m_key});
        if (!helper.waitForStarted())
            return -1;
        helper.write(token.encoded());
        helper.closeWriteChannel();
        if (!helper.waitForFinished(60000))
            return -1;
        return helper.exitCode();
    }

    [[nodiscard]] std::optional<LinkedInToken> seenBySecretTool() const
    {
        const auto data = SecretTool::lookup(AuthTokenStore::service, m_key);
        if (!data)
            return std::nullopt;
        auto token = LinkedInToken::decode(*data);
        return token ? std::optional(*token) : std::nullopt;
    }

    SecretServiceKeychain m_keychain;
    QString m_key;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_keychain.isAvailable(),
                 "no Secret Service on the session bus: run the tests under scripts/session");
    }

    // A throwaway account name per test, so a developer's own token is never touched.
    void init() { m_key = u"quillet-test-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces); }
    void cleanup() { m_keychain.remove(AuthTokenStore::service, m_key); }

    void tokenSavedByOneRunIsRestoredByTheNext()
    {
        const LinkedInToken first = makeToken(u"fake-access-token-1"_s);
        QCOMPARE(saveInAnotherProcess(first), 0);
        AuthTokenStore tokenStore(m_keychain, m_key);
        {
            LinkedInSessionStore nextLaunch(tokenStore);
            QVERIFY(nextLaunch.token() == first);
            QVERIFY(nextLaunch.isConnected());
            QVERIFY(!nextLaunch.hasStatusMessage());
        }
        QVERIFY(seenBySecretTool() == first);

        const LinkedInToken second = makeToken(u"fake-access-token-2"_s);
        QCOMPARE(saveInAnotherProcess(second), 0);
        QCOMPARE(SecretTool::itemCount(AuthTokenStore::service, m_key), 1);
        QVERIFY(seenBySecretTool() == second);

        LinkedInSessionStore session(tokenStore);
        QVERIFY(session.token() == second);
        session.disconnect();
        QCOMPARE(SecretTool::itemCount(AuthTokenStore::service, m_key), 0);
        QVERIFY(!LinkedInSessionStore(tokenStore).token());
    }

    void accountDeletionRemovesEveryCopy()
    {
        AuthTokenStore tokenStore(m_keychain, m_key);
        LinkedInSessionStore session(tokenStore);
        const LinkedInToken token = makeToken(u"fake-access-token"_s);
        session.setToken(token);
        QVERIFY(seenBySecretTool() == token);
        // A second item for the same service and account, as another tool would make it.
        QVERIFY(SecretTool::store(AuthTokenStore::service, m_key, token.encoded(),
                                  {u"copy"_s, u"2"_s}));
        QCOMPARE(SecretTool::itemCount(AuthTokenStore::service, m_key), 2);

        session.deleteAccountData();
        QCOMPARE(SecretTool::itemCount(AuthTokenStore::service, m_key), 0);
        QVERIFY(!LinkedInSessionStore(tokenStore).token());
    }
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], saveArgument) == 0)
        return saveTokenFromInput(argc, argv);
    QCoreApplication app(argc, argv);
    TestLinkedInKeyring test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_linkedinkeyring.moc"

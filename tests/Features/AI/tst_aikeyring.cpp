#include "AISettingsStore.h"
#include "KeychainAIAPIKeyStore.h"
#include "SecretServiceKeychain.h"
#include "SecretTool.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr auto saveArgument = "--save-key";
const QString service = KeychainAIAPIKeyStore::service;
const QString account = KeychainAIAPIKeyStore::key;

// Run as a child process: types the text read from standard input into the settings field
// and saves it, as an earlier run of the application would. Succeeds when it reports saved.
int saveKeyFromInput(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    SecretServiceKeychain keychain;
    KeychainAIAPIKeyStore keyStore(keychain);
    AISettingsStore store(keyStore);
    store.setApiKey(QString::fromUtf8(input.readAll()));
    store.save();
    return store.statusMessage() == AISettingsStore::savedMessage ? 0 : 1;
}

} // namespace

// The AI key in the session's real keyring: what one process saves, the next restores, and
// secret-tool sees the same single item. The item's names are fixed, so whatever the keyring
// held under them before the test is put back afterwards.
class TestAIKeyring : public QObject {
    Q_OBJECT

private:
    int saveInAnotherProcess(const QByteArray &typed)
    {
        QProcess helper;
        helper.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(saveArgument)});
        if (!helper.waitForStarted())
            return -1;
        helper.write(typed);
        helper.closeWriteChannel();
        if (!helper.waitForFinished(60000))
            return -1;
        return helper.exitCode();
    }

    SecretServiceKeychain m_keychain;
    KeychainAIAPIKeyStore m_keyStore{m_keychain};
    std::optional<QByteArray> m_previousItem;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_keychain.isAvailable(),
                 "no Secret Service on the session bus: run the tests under scripts/session");
        const auto previous = m_keychain.read(service, account);
        QVERIFY(previous.status != Keychain::Status::failure);
        if (previous.status == Keychain::Status::success)
            m_previousItem = previous.data;
        m_keychain.remove(service, account);
    }

    void cleanupTestCase()
    {
        m_keychain.remove(service, account);
        if (m_previousItem)
            m_keychain.add(service, account, *m_previousItem);
    }

    void keySavedByOneRunIsRestoredByTheNext()
    {
        QCOMPARE(saveInAnotherProcess(" fake-ai-key-1 \n"_ba), 0);
        QVERIFY(AISettingsStore(m_keyStore).apiKey() == u"fake-ai-key-1"_s);
        QVERIFY(SecretTool::lookup(service, account) == "fake-ai-key-1"_ba);

        QCOMPARE(saveInAnotherProcess("fake-ai-key-2"_ba), 0);
        QCOMPARE(SecretTool::itemCount(service, account), 1);
        QVERIFY(SecretTool::lookup(service, account) == "fake-ai-key-2"_ba);

        AISettingsStore store(m_keyStore);
        QVERIFY(store.apiKey() == u"fake-ai-key-2"_s);
        store.clearAccountDeletionData();
        QCOMPARE(SecretTool::itemCount(service, account), 0);
        QVERIFY(AISettingsStore(m_keyStore).apiKey().isEmpty());
    }

    void blankKeyRemovesTheItem()
    {
        QVERIFY(SecretTool::store(service, account, "fake-ai-key"_ba));
        QVERIFY(AISettingsStore(m_keyStore).apiKey() == u"fake-ai-key"_s);
        QCOMPARE(saveInAnotherProcess(" \n"_ba), 0);
        QCOMPARE(SecretTool::itemCount(service, account), 0);
        // Nothing left to remove still counts as saved.
        QCOMPARE(saveInAnotherProcess(""_ba), 0);
    }
};

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], saveArgument) == 0)
        return saveKeyFromInput(argc, argv);
    QCoreApplication app(argc, argv);
    TestAIKeyring test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_aikeyring.moc"

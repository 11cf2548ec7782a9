#include "AISettingsStore.h"
#include "InMemoryKeychain.h"
#include "KeychainAIAPIKeyStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Operation = InMemoryKeychain::Operation;

// The AI settings store over the keychain key store, with an in-memory keychain. Keys are
// compared with QVERIFY so that a failure never prints one.
class TestAISettingsStore : public QObject {
    Q_OBJECT

private:
    void storeInKeychain(const QByteArray &data)
    {
        QCOMPARE(m_keychain->add(KeychainAIAPIKeyStore::service, KeychainAIAPIKeyStore::key, data),
                 Keychain::Status::success);
    }
    [[nodiscard]] std::optional<QByteArray> keychainData() const
    {
        return m_keychain->data(KeychainAIAPIKeyStore::service, KeychainAIAPIKeyStore::key);
    }

    std::optional<InMemoryKeychain> m_keychain;
    std::optional<KeychainAIAPIKeyStore> m_keyStore;

private Q_SLOTS:
    void init()
    {
        m_keyStore.reset();
        m_keychain.emplace();
        m_keyStore.emplace(*m_keychain);
    }

    void startsWithTheStoredKey_data()
    {
        QTest::addColumn<QByteArray>("stored"); // null: no item
        QTest::addColumn<bool>("readRefused");
        QTest::addColumn<QString>("apiKey");

        QTest::newRow("stored key, untrimmed") << " fake-key \n"_ba << false << u" fake-key \n"_s;
        QTest::newRow("UTF-8 beyond ASCII")
            << "fake-\xd0\xba\xd0\xbb"_ba << false << u"fake-\u043a\u043b"_s;
        QTest::newRow("no item") << QByteArray() << false << QString();
        QTest::newRow("keychain refuses the read") << "fake-key"_ba << true << QString();
        QTest::newRow("data that is not UTF-8") << "fake-\xff\xfe"_ba << false << QString();
        QTest::newRow("truncated UTF-8 sequence") << "fake-\xd0"_ba << false << QString();
    }
    void startsWithTheStoredKey()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, readRefused);
        QFETCH(QString, apiKey);
        if (!stored.isNull())
            storeInKeychain(stored);
        m_keychain->setFailing(Operation::read, readRefused);

        AISettingsStore store(*m_keyStore);
        QVERIFY(store.apiKey() == apiKey);
        QVERIFY(store.current() == AISettings{apiKey});
        QVERIFY(!store.hasStatusMessage());
        QCOMPARE(store.statusMessage(), QString());
    }

    void saveTrimsAndStoresTheKey_data()
    {
        QTest::addColumn<QByteArray>("previouslyStored"); // null: no item
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<Operation>>("refused");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("stored"); // null: no item
        QTest::addColumn<QString>("message");

        const QString saved = AISettingsStore::savedMessage;
        const QString failed = AISettingsStore::saveFailedMessage;
        const QList<Operation> none;

        QTest::newRow("spaces and line breaks are trimmed")
            << QByteArray() << u"  fake-key-1 \n\t"_s << none << u"fake-key-1"_s << "fake-key-1"_ba
            << saved;
        QTest::newRow("unicode spaces are trimmed")
            << QByteArray() << u"\u00a0fake-key-1\u3000\u2029"_s << none << u"fake-key-1"_s
            << "fake-key-1"_ba << saved;
        QTest::newRow("a stored key is replaced") << "fake-key-1"_ba << u"fake-key-2"_s << none
                                                  << u"fake-key-2"_s << "fake-key-2"_ba << saved;
        QTest::newRow("a blank key removes the stored one")
            << "fake-key-1"_ba << u" \r\n "_s << none << QString() << QByteArray() << saved;
        QTest::newRow("a blank key with nothing stored")
            << QByteArray() << QString() << none << QString() << QByteArray() << saved;
        QTest::newRow("update refused")
            << "fake-key-1"_ba << u" fake-key-2 "_s << QList{Operation::update} << u"fake-key-2"_s
            << "fake-key-1"_ba << failed;
        QTest::newRow("add refused") << QByteArray() << u"fake-key-2"_s << QList{Operation::add}
                                     << u"fake-key-2"_s << QByteArray() << failed;
        QTest::newRow("removal refused") << "fake-key-1"_ba << u"  "_s << QList{Operation::remove}
                                         << QString() << "fake-key-1"_ba << failed;
        const QString loneSurrogate = u"fake-key-"_s + QChar(0xd800);
        QTest::newRow("text without a UTF-8 form")
            << QByteArray() << loneSurrogate << none << loneSurrogate << QByteArray() << failed;
    }
    void saveTrimsAndStoresTheKey()
    {
        QFETCH(QByteArray, previouslyStored);
        QFETCH(QString, typed);
        QFETCH(QList<Operation>, refused);
        QFETCH(QString, field);
        QFETCH(QByteArray, stored);
        QFETCH(QString, message);
        if (!previouslyStored.isNull())
            storeInKeychain(previouslyStored);
        for (auto operation : refused)
            m_keychain->setFailing(operation, true);

        AISettingsStore store(*m_keyStore);
        store.setApiKey(typed);
        QSignalSpy messageSpy(&store, &AISettingsStore::statusMessageChanged);
        store.save();

        QVERIFY(store.apiKey() == field);
        QCOMPARE(store.statusMessage(), message);
        QVERIFY(store.hasStatusMessage());
        QCOMPARE(messageSpy.count(), 1);
        QVERIFY(keychainData() == (stored.isNull() ? std::nullopt : std::optional(stored)));
        QVERIFY(m_keychain->itemCount() <= 1);
    }

    void typingAloneStoresNothing()
    {
        storeInKeychain("fake-key-1"_ba);
        AISettingsStore store(*m_keyStore);
        QSignalSpy keySpy(&store, &AISettingsStore::apiKeyChanged);
        store.setApiKey(u" fake-key-2 "_s);
        QCOMPARE(keySpy.count(), 1);
        QVERIFY(store.current() == AISettings{u" fake-key-2 "_s});
        QVERIFY(keychainData() == "fake-key-1"_ba);
        QVERIFY(AISettingsStore(*m_keyStore).apiKey() == u"fake-key-1"_s);
    }

    void theMessageFollowsTheLastSave()
    {
        AISettingsStore store(*m_keyStore);
        store.setApiKey(u"fake-key"_s);
        m_keychain->setFailing(Operation::add, true);
        store.save();
        QCOMPARE(store.statusMessage(), u"AI key could not be saved."_s);
        m_keychain->setFailing(Operation::add, false);
        store.save();
        QCOMPARE(store.statusMessage(), u"AI settings saved."_s);
        QVERIFY(AISettingsStore(*m_keyStore).apiKey() == u"fake-key"_s);
    }

    void accountDeletionEmptiesTheFieldAndKeepsTheMessage_data()
    {
        QTest::addColumn<bool>("removalRefused");
        QTest::newRow("removed") << false;
        QTest::newRow("removal refused") << true;
    }
    void accountDeletionEmptiesTheFieldAndKeepsTheMessage()
    {
        QFETCH(bool, removalRefused);
        AISettingsStore store(*m_keyStore);
        store.setApiKey(u"fake-key"_s);
        store.save();
        m_keychain->setFailing(Operation::remove, removalRefused);
        QSignalSpy messageSpy(&store, &AISettingsStore::statusMessageChanged);

        store.clearAccountDeletionData();
        QVERIFY(store.apiKey().isEmpty());
        QCOMPARE(store.statusMessage(), u"AI settings saved."_s);
        QCOMPARE(messageSpy.count(), 0);
        QCOMPARE(keychainData().has_value(), removalRefused);
    }
};

QTEST_GUILESS_MAIN(TestAISettingsStore)
#include "tst_aisettingsstore.moc"

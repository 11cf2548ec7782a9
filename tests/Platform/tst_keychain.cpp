#include "InMemoryKeychain.h"
#include "SecretServiceKeychain.h"
#include "SecretTool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QUuid>

using namespace Qt::StringLiterals;
using Status = Keychain::Status;

namespace {

const auto testService = u"com.northwick.quillet.tests.keychain"_s;
constexpr auto probeArgument = "--probe-keychain";

QString statusName(Status status)
{
    switch (status) {
    case Status::success:
        return u"success"_s;
    case Status::itemNotFound:
        return u"itemNotFound"_s;
    case Status::failure:
        return u"failure"_s;
    }
    return {};
}

// Run as a child process on a bus of the test's choosing: every operation's status.
int probeKeychain(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SecretServiceKeychain keychain;
    const auto account = u"probe"_s;
    QTextStream(stdout) << statusName(keychain.read(testService, account).status) << ' '
                        << statusName(keychain.update(testService, account, "fake"_ba)) << ' '
                        << statusName(keychain.add(testService, account, "fake"_ba)) << ' '
                        << statusName(keychain.remove(testService, account)) << Qt::flush;
    return 0;
}

} // namespace

class TestKeychain : public QObject {
    Q_OBJECT

public:
    Keychain &keychain(const QString &backend)
    {
        return backend == u"memory" ? static_cast<Keychain &>(m_memory) : m_secretService;
    }

    // A new account name per test, so runs never see each other's items.
    QString freshAccount()
    {
        m_accounts << u"test-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
        return m_accounts.last();
    }

    static void addBackends()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("in memory") << u"memory"_s;
        QTest::newRow("secret service") << u"secretService"_s;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_secretService.isAvailable(),
                 "no Secret Service on the session bus: run the tests under scripts/session");
    }

    void cleanupTestCase()
    {
        for (const QString &account : std::as_const(m_accounts))
            m_secretService.remove(testService, account);
    }

    void missingItemIsNotFoundAndNotCreated_data() { addBackends(); }
    void missingItemIsNotFoundAndNotCreated()
    {
        QFETCH(QString, backend);
        Keychain &keychain = this->keychain(backend);
        const QString account = freshAccount();

        const auto read = keychain.read(testService, account);
        QCOMPARE(read.status, Status::itemNotFound);
        QVERIFY(read.data.isEmpty());
        QCOMPARE(keychain.update(testService, account, "fake-secret"_ba), Status::itemNotFound);
        QCOMPARE(keychain.read(testService, account).status, Status::itemNotFound);
        QCOMPARE(keychain.remove(testService, account), Status::itemNotFound);
    }

    void itemLivesUntilRemoved_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::newRow("in memory") << u"memory"_s << "fake-one"_ba
                                   << "fake-two"_ba;
        QTest::newRow("secret service") << u"secretService"_s << R"({"accessToken":"fake"})"_ba
                                        << "fake-two"_ba;
        QTest::newRow("secret service, bytes that are not UTF-8")
            << u"secretService"_s << QByteArray("\x00\xff\xfe fake", 8) << "\xc3\x28"_ba;
    }
    void itemLivesUntilRemoved()
    {
        QFETCH(QString, backend);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        Keychain &keychain = this->keychain(backend);
        const QString account = freshAccount();

        QCOMPARE(keychain.add(testService, account, first), Status::success);
        auto read = keychain.read(testService, account);
        QCOMPARE(read.status, Status::success);
        QVERIFY(read.data == first);

        QCOMPARE(keychain.update(testService, account, second), Status::success);
        read = keychain.read(testService, account);
        QCOMPARE(read.status, Status::success);
        QVERIFY(read.data == second);

        QCOMPARE(keychain.remove(testService, account), Status::success);
        QCOMPARE(keychain.read(testService, account).status, Status::itemNotFound);
        QCOMPARE(keychain.remove(testService, account), Status::itemNotFound);
    }

    void itemsAreKeptApartByServiceAndAccount_data() { addBackends(); }
    void itemsAreKeptApartByServiceAndAccount()
    {
        QFETCH(QString, backend);
        Keychain &keychain = this->keychain(backend);
        const QString account = freshAccount();
        const QString otherAccount = freshAccount();
        const QString otherService = testService + u".other"_s;

        QCOMPARE(keychain.add(testService, account, "fake-secret"_ba), Status::success);
        QCOMPARE(keychain.read(testService, otherAccount).status, Status::itemNotFound);
        QCOMPARE(keychain.read(otherService, account).status, Status::itemNotFound);
        QCOMPARE(keychain.update(otherService, account, "x"_ba), Status::itemNotFound);
        QCOMPARE(keychain.remove(testService, otherAccount), Status::itemNotFound);
        QCOMPARE(keychain.remove(otherService, account), Status::itemNotFound);
        QVERIFY(keychain.read(testService, account).data == "fake-secret"_ba);
    }

    void inMemoryFailuresChangeNothing()
    {
        InMemoryKeychain keychain;
        QCOMPARE(keychain.add(testService, u"a"_s, "fake-one"_ba), Status::success);
        for (auto operation :
             {InMemoryKeychain::Operation::read, InMemoryKeychain::Operation::update,
              InMemoryKeychain::Operation::add, InMemoryKeychain::Operation::remove})
            keychain.setFailing(operation, true);

        QCOMPARE(keychain.read(testService, u"a"_s).status, Status::failure);
        QCOMPARE(keychain.update(testService, u"a"_s, "fake-two"_ba), Status::failure);
        QCOMPARE(keychain.add(testService, u"b"_s, "fake-two"_ba), Status::failure);
        QCOMPARE(keychain.remove(testService, u"a"_s), Status::failure);
        QCOMPARE(keychain.itemCount(), 1);
        QVERIFY(keychain.data(testService, u"a"_s) == "fake-one"_ba);

        keychain.setFailing(InMemoryKeychain::Operation::read, false);
        QCOMPARE(keychain.read(testService, u"a"_s).status, Status::success);
    }

    void secretServiceItemsAreSharedWithSecretTool()
    {
        const QString account = freshAccount();

        // Ours, seen by secret-tool: one item, updated in place.
        QCOMPARE(m_secretService.add(testService, account, "fake-one"_ba), Status::success);
        QVERIFY(SecretTool::lookup(testService, account) == "fake-one"_ba);
        QCOMPARE(m_secretService.update(testService, account, "fake-two"_ba), Status::success);
        QVERIFY(SecretTool::lookup(testService, account) == "fake-two"_ba);
        QCOMPARE(SecretTool::itemCount(testService, account), 1);
        QCOMPARE(m_secretService.remove(testService, account), Status::success);
        QVERIFY(!SecretTool::lookup(testService, account));

        // secret-tool's, under its own schema name, found by ours.
        QVERIFY(SecretTool::store(testService, account, "fake-three"_ba));
        QVERIFY(m_secretService.read(testService, account).data == "fake-three"_ba);
        QCOMPARE(m_secretService.update(testService, account, "fake-four"_ba), Status::success);
        QVERIFY(SecretTool::lookup(testService, account) == "fake-four"_ba);
        QCOMPARE(m_secretService.remove(testService, account), Status::success);
        QCOMPARE(SecretTool::itemCount(testService, account), 0);
    }

    void failsQuicklyWithoutSecretService_data()
    {
        QTest::addColumn<bool>("withBus");
        QTest::newRow("no session bus") << false;
        QTest::newRow("session bus without a Secret Service") << true;
    }
    void failsQuicklyWithoutSecretService()
    {
        QFETCH(bool, withBus);
        QTemporaryDir directory;
        QVERIFY(directory.isValid());
        QString address = u"unix:path="_s + directory.filePath(u"no-bus"_s);

        QProcess bus;
        if (withBus) {
            const auto configuration =
                QStringLiteral(QUILLET_TEST_DATA_DIR "/empty-session-bus.conf");
            bus.start(u"dbus-daemon"_s,
                      {u"--config-file="_s + configuration, u"--nofork"_s, u"--print-address"_s});
            QVERIFY(bus.waitForStarted());
            QTRY_VERIFY(bus.canReadLine());
            address = QString::fromUtf8(bus.readLine().trimmed());
        }

        QProcess probe;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
        probe.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        probe.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(probeArgument)});
        QVERIFY(probe.waitForFinished(60000));
        const auto elapsed = timer.elapsed();
        bus.kill();
        bus.waitForFinished();

        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()),
                 u"failure failure failure failure"_s);
        // D-Bus time-outs are 25 seconds each; four operations must not come near one.
        QVERIFY2(elapsed < 10000, qPrintable(u"took %1 ms"_s.arg(elapsed)));
    }

private:
    InMemoryKeychain m_memory;
    SecretServiceKeychain m_secretService;
    QStringList m_accounts;
};

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], probeArgument) == 0)
        return probeKeychain(argc, argv);
    QCoreApplication app(argc, argv);
    TestKeychain test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keychain.moc"

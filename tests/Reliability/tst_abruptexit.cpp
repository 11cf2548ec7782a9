// Kills a program in the middle of a burst of draft changes, again and again, and checks
// what it left on disk: the settings file reads back, every acknowledged change is there,
// and the queue still holds every change that the server (which never answers) has not
// confirmed. Each run starts from what the previous one left.

#include "AppJson.h"
#include "DraftSnapshot.h"
#include "DraftSyncMutation.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"

#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int runs = 200;
constexpr quint32 seed = 20240611;
const QString owner = u"member-1"_s;

// Drafts by id, as bodies.
using Drafts = QHash<QUuid, QString>;

struct Operation {
    QString kind; // "new", "edit" or "delete"
    QUuid id;     // none for "new" before it is acknowledged
    QString body;
};

Operation parse(const QStringList &words)
{
    Operation op;
    op.kind = words.value(1);
    if (op.kind == u"new"_s) {
        if (words.size() == 4) { // ACK new <id> <body>
            op.id = QUuid::fromString(words.at(2));
            op.body = words.at(3);
        } else { // BEGIN new <body>
            op.body = words.value(2);
        }
    } else {
        op.id = QUuid::fromString(words.value(2));
        op.body = words.value(3);
    }
    return op;
}

void apply(Drafts &drafts, const Operation &op)
{
    if (op.kind == u"delete"_s)
        drafts.remove(op.id);
    else
        drafts.insert(op.id, op.body);
}

Drafts bodies(const DraftSnapshot &snapshot)
{
    Drafts drafts;
    for (const auto &draft : snapshot.drafts)
        drafts.insert(draft.id, draft.body);
    return drafts;
}

QString describe(const Drafts &drafts)
{
    QStringList items;
    for (auto it = drafts.cbegin(); it != drafts.cend(); ++it)
        items.append(it.key().toString(QUuid::WithoutBraces).left(8) + u'=' + it.value());
    items.sort();
    return items.join(u", "_s);
}

} // namespace

class TestAbruptExit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedAtRandomMomentsLosesNothing()
    {
        // A server that takes every connection and never says a word.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QList<QTcpSocket *> connections;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            while (auto *socket = silent.nextPendingConnection())
                connections.append(socket);
        });
        const QString serverURL = u"http://127.0.0.1:%1"_s.arg(silent.serverPort());

        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString file = home.filePath(u"Quillet.conf"_s);
        QRandomGenerator random(seed);
        Drafts onDisk;          // what the previous run left
        QSet<QUuid> deletedIDs; // every deletion so far; the server confirmed none
        int acknowledged = 0;
        QElapsedTimer clock;
        clock.start();

        for (int run = 0; run < runs; ++run) {
            const QString runName = u"r%1"_s.arg(run);
            QProcess child;
            child.setProgram(QStringLiteral(ABRUPT_EXIT_CHILD));
            child.setArguments({file, serverURL, QString::number(random.generate()), runName});
            child.setProcessChannelMode(QProcess::SeparateChannels);
            child.start();
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            // Every tenth run dies while starting; the others after a few acknowledged
            // operations (counted, so that a slow disk does not turn bursts into none) and a
            // little more, which
            // lands the kill anywhere inside the next operation.
            QByteArray output;
            if (run % 10 != 0) {
                const int acknowledgements = int(random.bounded(4));
                // A disk that stalls (a busy machine's fsync) only moves the kill earlier.
                while (output.count("ACK ") < acknowledgements || !output.contains("READY\n")) {
                    if (!child.waitForReadyRead(2000))
                        break;
                    output += child.readAllStandardOutput();
                }
            }
            QTest::qWait(int(random.bounded(40)));
            child.kill();
            QVERIFY(child.waitForFinished(10000));
            QVERIFY2(child.exitStatus() == QProcess::CrashExit,
                     child.readAllStandardError().constData());
            qDeleteAll(std::exchange(connections, {}));

            // What the program said it did.
            Drafts expected = onDisk;
            std::optional<Operation> unacknowledged;
            output += child.readAllStandardOutput();
            const auto lines = output.split('\n');
            for (const QByteArray &raw : lines) {
                const QStringList words = QString::fromUtf8(raw).split(u' ');
                if (words.first() == u"BEGIN"_s) {
                    unacknowledged = parse(words);
                } else if (words.first() == u"ACK"_s) {
                    const Operation op = parse(words);
                    apply(expected, op);
                    if (op.kind == u"delete"_s)
                        deletedIDs.insert(op.id);
                    unacknowledged.reset();
                    ++acknowledged;
                }
            }

            // The file reads back, and its records decode.
            UserDefaults defaults(file);
            if (const auto stored = defaults.data(u"drafts.member-1"_s))
                QVERIFY2(AppJson::decodeObject(*stored), qPrintable(runName + u": snapshot"_s));
            if (const auto stored = defaults.data(u"drafts.syncQueue.member-1"_s))
                QVERIFY2(AppJson::decodeArray(*stored), qPrintable(runName + u": queue"_s));
            UserDefaultsDraftRepository repository(u"drafts"_s, defaults);
            const Drafts found = bodies(repository.loadSnapshot(owner));

            // Every acknowledged change is there; the one in progress may be too.
            bool matches = found == expected;
            if (!matches && unacknowledged) {
                Drafts withPending = expected;
                if (unacknowledged->kind == u"new"_s) {
                    const auto extra = found.keys(unacknowledged->body);
                    if (extra.size() == 1)
                        withPending.insert(extra.first(), unacknowledged->body);
                } else {
                    apply(withPending, *unacknowledged);
                }
                matches = found == withPending;
                if (matches && unacknowledged->kind == u"delete"_s)
                    deletedIDs.insert(unacknowledged->id);
            }
            QVERIFY2(matches, qPrintable(u"%1: on disk {%2}, acknowledged {%3}"_s.arg(
                                  runName, describe(found), describe(expected))));

            // The server confirmed nothing, so the queue holds the latest content of every
            // draft and every deletion.
            const auto queue = repository.loadSyncMutations(owner);
            for (auto it = found.cbegin(); it != found.cend(); ++it) {
                const bool queued = std::any_of(queue.cbegin(), queue.cend(), [&](const auto &m) {
                    return m.operation == DraftSyncOperation::upsert && m.draftID == it.key() &&
                           m.draft && m.draft->body == it.value();
                });
                QVERIFY2(queued,
                         qPrintable(u"%1: no upsert queued for %2"_s.arg(runName, it.value())));
            }
            for (const QUuid &id : std::as_const(deletedIDs)) {
                const bool queued = std::any_of(queue.cbegin(), queue.cend(), [&](const auto &m) {
                    return m.operation == DraftSyncOperation::remove && m.draftID == id;
                });
                QVERIFY2(queued, qPrintable(u"%1: no deletion queued for %2"_s.arg(
                                     runName, id.toString(QUuid::WithoutBraces))));
            }
            onDisk = found;
        }
        qInfo("%d runs, %d acknowledged operations, %lld ms", runs, acknowledged, clock.elapsed());
        QVERIFY(acknowledged > 0);
    }
};

QTEST_GUILESS_MAIN(TestAbruptExit)
#include "tst_abruptexit.moc"

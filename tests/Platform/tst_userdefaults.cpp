#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Modes in which this binary runs as a second process over the same file.
constexpr auto writeMode = "--write";
constexpr auto readMode = "--read";

QByteArray binaryBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

} // namespace

class TestUserDefaults : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    [[nodiscard]] QString file(const QString &name = u"defaults.conf"_s) const
    {
        return m_dir->filePath(name);
    }

private Q_SLOTS:
    // A fresh folder for every test function.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void bytesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("JSON with INI specials")
            << "{\"body\":\"a = b; c \\\"quoted\\\" \\\\ [x]\\nline\"}\n"_ba;
        QTest::newRow("UTF-8 text") << u"caf\u00e9 \U0001D5D5 \u2014 \u00fc"_s.toUtf8();
        QTest::newRow("every byte value") << binaryBytes();
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("looks like a QSettings value") << "@ByteArray(x), @Variant(y), 1, 2"_ba;
    }
    void bytesRoundTrip()
    {
        QFETCH(QByteArray, value);
        const auto path = file(QString::fromLatin1(QTest::currentDataTag()) + u".conf"_s);
        {
            UserDefaults defaults(path);
            defaults.setData(u"drafts.signed-out"_s, value);
            QCOMPARE(defaults.data(u"drafts.signed-out"_s), value);
        }
        QCOMPARE(UserDefaults(path).data(u"drafts.signed-out"_s), value);
    }

    void distinctKeysStayDistinct()
    {
        // Keys that QSettings would fold together, treat as groups or escape ambiguously.
        const QStringList keys{
            u"drafts.abc"_s,
            u"drafts.ABC"_s,
            u"Drafts.abc"_s,
            u"drafts/abc"_s,
            u"/drafts/abc"_s,
            u"drafts//abc"_s,
            u"drafts/abc/"_s,
            u"drafts\\abc"_s,
            u"drafts%2Fabc"_s,
            u"drafts abc"_s,
            u"drafts"_s,
            u"General"_s,
            u"general/x"_s,
            u"%General"_s,
            u"a=b"_s,
            u"a;b"_s,
            u"[section]"_s,
            u"\u00e9t\u00e9"_s,
            u"drafts.syncQueue.abc"_s,
        };
        {
            UserDefaults defaults(file());
            for (const auto &key : keys)
                defaults.setData(key, key.toUtf8());
        }
        UserDefaults reread(file());
        for (const auto &key : keys)
            QCOMPARE(reread.data(key), key.toUtf8());

        // Removing a key that QSettings would see as a group leaves the keys "below" it.
        reread.remove(u"drafts"_s);
        QCOMPARE(UserDefaults(file()).data(u"drafts"_s), std::nullopt);
        QCOMPARE(UserDefaults(file()).data(u"drafts/abc"_s), "drafts/abc"_ba);
    }

    void missingAndRemovedKeys()
    {
        UserDefaults defaults(file());
        QCOMPARE(defaults.data(u"nothing"_s), std::nullopt);
        QVERIFY(!defaults.boolValue(u"nothing"_s));
        QVERIFY(!defaults.contains(u"nothing"_s));

        defaults.setData(u"a"_s, "1"_ba);
        defaults.setData(u"b"_s, "2"_ba);
        defaults.remove(u"a"_s);
        QVERIFY(!defaults.contains(u"a"_s));

        UserDefaults reread(file());
        QCOMPARE(reread.data(u"a"_s), std::nullopt);
        QCOMPARE(reread.data(u"b"_s), "2"_ba);
    }

    void emptyKeyTouchesNothing()
    {
        UserDefaults defaults(file());
        defaults.setData(u"kept"_s, "1"_ba);
        defaults.setData(QString(), "x"_ba);
        defaults.remove(QString());
        QCOMPARE(defaults.data(QString()), std::nullopt);
        QCOMPARE(UserDefaults(file()).data(u"kept"_s), "1"_ba);
    }

    void booleans()
    {
        {
            UserDefaults defaults(file());
            defaults.setBool(u"reminder.2026-01-02"_s, true);
            defaults.setBool(u"reminder.2026-01-03"_s, true);
            defaults.setBool(u"reminder.2026-01-03"_s, false);
        }
        UserDefaults reread(file());
        QVERIFY(reread.boolValue(u"reminder.2026-01-02"_s));
        QVERIFY(!reread.boolValue(u"reminder.2026-01-03"_s));
        QVERIFY(reread.contains(u"reminder.2026-01-03"_s));
    }

    void everyWriteReplacesTheFile()
    {
        const auto path = file(u"nested/folder/defaults.conf"_s);
        UserDefaults defaults(path);
        defaults.setData(u"k"_s, "first"_ba);
        QVERIFY(QFileInfo::exists(path));
        const auto inodeOf = [&] {
            struct stat status {};
            return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino
                                                                             : ino_t(0);
        };
        auto before = inodeOf();

        // A new file renamed over the old one has a new inode; an in-place rewrite would not.
        defaults.setData(u"k"_s, "second"_ba);
        QVERIFY(inodeOf() != before);
        before = inodeOf();
        defaults.remove(u"k"_s);
        QVERIFY(inodeOf() != before);

        // No temporary or lock file is left behind.
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"defaults.conf"_s});
    }

    void anotherProcessReadsWhatWasWritten()
    {
        const auto run = [](const QStringList &arguments) {
            QProcess process;
            process.start(QCoreApplication::applicationFilePath(), arguments);
            if (!process.waitForFinished(30'000) || process.exitCode() != 0)
                return QByteArray("failed");
            return process.readAllStandardOutput();
        };
        // The writer ends without running any destructor, so nothing waits for a clean exit.
        QCOMPARE(run({QString::fromLatin1(writeMode), file(), u"drafts.abc"_s, u"e29c8d"_s}),
                 QByteArray());
        QCOMPARE(UserDefaults(file()).data(u"drafts.abc"_s), "\xe2\x9c\x8d"_ba);

        UserDefaults defaults(file());
        defaults.setData(u"drafts.syncQueue.abc"_s, "[]"_ba);
        QCOMPARE(run({QString::fromLatin1(readMode), file(), u"drafts.syncQueue.abc"_s}),
                 "5b5d"_ba);
        // The second process kept the first one's key when it wrote.
        QCOMPARE(defaults.data(u"drafts.abc"_s), "\xe2\x9c\x8d"_ba);
    }

    void standardFileIsInTheConfigurationFolder()
    {
        const auto folder = m_dir->filePath(u"config"_s);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
        QCOMPARE(UserDefaults::standardFilePath(), folder + u"/northwick.com/Quillet.conf"_s);
    }
};

int main(int argc, char **argv)
{
    // Second-process modes: "--write FILE KEY HEX" and "--read FILE KEY" (prints hex).
    if (argc == 5 && std::strcmp(argv[1], writeMode) == 0) {
        QCoreApplication app(argc, argv);
        UserDefaults defaults(QString::fromLocal8Bit(argv[2]));
        defaults.setData(QString::fromLocal8Bit(argv[3]), QByteArray::fromHex(argv[4]));
        std::_Exit(0);
    }
    if (argc == 4 && std::strcmp(argv[1], readMode) == 0) {
        QCoreApplication app(argc, argv);
        const auto value =
            UserDefaults(QString::fromLocal8Bit(argv[2])).data(QString::fromLocal8Bit(argv[3]));
        if (!value)
            return 1;
        std::fputs(value->toHex().constData(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestUserDefaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_userdefaults.moc"

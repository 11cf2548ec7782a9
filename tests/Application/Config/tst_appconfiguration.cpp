#include "AppConfiguration.h"
#include "Bundle.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray plist(const QByteArray &body)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>)" +
           body + "</dict></plist>";
}

const QByteArray api =
    "<key>api</key><dict><key>baseURL</key><string>http://127.0.0.1:9/base</string></dict>";
const QByteArray linkedIn =
    "<key>linkedIn</key><dict><key>callbackURLScheme</key><string>qcb</string></dict>";
const QByteArray storage = "<key>storage</key><dict><key>draftsKey</key><string>d</string>"
                           "<key>linkedInTokenKey</key><string>t</string></dict>";

QByteArray observability(const QByteArray &without = {},
                         const QByteArray &rate = "<real>0.5</real>")
{
    QByteArray keys;
    const QList<std::pair<QByteArray, QByteArray>> members = {
        {"sentryDSN", "<string>dsn</string>"},
        {"sentryEnvironment", "<string>env</string>"},
        {"sentryTracesSampleRate", rate},
        {"telemetryDeckAppID", "<string>app</string>"},
        {"telemetryDeckNamespace", "<string>ns</string>"},
    };
    for (const auto &[key, value] : members)
        if (key != without)
            keys += "<key>" + key + "</key>" + value;
    return "<key>observability</key><dict>" + keys + "</dict>";
}

QByteArray readFixture(const QString &name)
{
    QFile f(QStringLiteral(QUILLET_TEST_DATA_DIR) + u'/' + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestAppConfiguration : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("error"); // empty: loads; "*": any error

        QTest::newRow("complete") << plist(api + linkedIn + storage + observability()) << QString();
        QTest::newRow("without observability") << plist(api + linkedIn + storage) << QString();
        QTest::newRow("extra keys at every level")
            << plist("<key>x</key><true/>" + api + linkedIn + storage +
                     observability().replace("</dict>", "<key>y</key><integer>1</integer></dict>"))
            << QString();
        QTest::newRow("integer rate")
            << plist(api + linkedIn + storage + observability({}, "<integer>1</integer>"))
            << QString();
        QTest::newRow("observability without namespace")
            << plist(api + linkedIn + storage + observability("telemetryDeckNamespace"))
            << u"missing key \"observability.telemetryDeckNamespace\""_s;
        QTest::newRow("rate as a string")
            << plist(api + linkedIn + storage + observability({}, "<string>0.1</string>"))
            << u"expected a number for key \"observability.sentryTracesSampleRate\""_s;
        QTest::newRow("empty baseURL")
            << plist(QByteArray(api).replace("http://127.0.0.1:9/base", "") + linkedIn + storage)
            << u"Invalid baseURL"_s;
        QTest::newRow("baseURL that names no server")
            << plist(QByteArray(api).replace("http://127.0.0.1:9/base", "not a url") + linkedIn +
                     storage)
            << u"Invalid baseURL"_s;
        QTest::newRow("missing storage") << plist(api + linkedIn) << u"missing key \"storage\""_s;
        QTest::newRow("key without value")
            << plist(api + linkedIn +
                     "<key>storage</key><dict><key>draftsKey</key><key>linkedInTokenKey</key>"
                     "<string>t</string></dict>")
            << u"*"_s; // the reader may reject the syntax or leave the key absent
        QTest::newRow("storage key of the wrong type")
            << plist(api + linkedIn + QByteArray(storage).replace("<string>d</string>", "<true/>"))
            << u"expected a string for key \"storage.draftsKey\""_s;
        QTest::newRow("top level is an array")
            << QByteArray(R"(<?xml version="1.0"?><plist version="1.0"><array/></plist>)")
            << u"expected a dictionary"_s;
        QTest::newRow("not a property list") << QByteArray("hello") << u"not a property list"_s;
        QTest::newRow("empty file") << QByteArray() << u"empty"_s;
    }
    void decodes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        const auto configuration = AppConfiguration::decode(file);
        if (error.isEmpty()) {
            QVERIFY2(configuration, qPrintable(configuration.error().description));
            QCOMPARE(configuration->api.baseURL, QUrl(u"http://127.0.0.1:9/base"_s));
            QCOMPARE(configuration->linkedIn.callbackURLScheme, u"qcb"_s);
            QCOMPARE(configuration->storage.draftsKey, u"d"_s);
            QCOMPARE(configuration->storage.linkedInTokenKey, u"t"_s);
        } else {
            QVERIFY(!configuration);
            QVERIFY2(error == u"*" || configuration.error().description.contains(error),
                     qPrintable(configuration.error().description));
        }
    }

    void absentObservabilityTakesTheDefaults()
    {
        const auto configuration = AppConfiguration::decode(plist(api + linkedIn + storage));
        QVERIFY(configuration);
        const AppConfiguration::Observability expected{{}, u"production"_s, 0.1, {}, {}};
        QCOMPARE(configuration->observability, expected);
    }

    // Files written by another program, in both formats.
    void readsFilesWrittenElsewhere_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("binary") << u"binary.plist"_s;
        QTest::newRow("xml") << u"python-xml.plist"_s;
    }
    void readsFilesWrittenElsewhere()
    {
        QFETCH(QString, name);
        const auto configuration = AppConfiguration::decode(readFixture(name));
        QVERIFY2(configuration, qPrintable(configuration.error().description));
        const AppConfiguration expected{
            {QUrl(u"https://api.example.com/v1"_s)},
            {u"quillet-test"_s},
            {u"drafts.key"_s, u"token.key"_s},
            {u"https://k@o.example/1"_s, u"staging"_s, 0.25, u"APP"_s, u"ns"_s}};
        QCOMPARE(*configuration, expected);
    }

    void readPrefixesTheMessage()
    {
        QTemporaryDir dir;
        const Bundle bundle(dir.path());
        QCOMPARE(AppConfiguration::read(bundle).error().description,
                 u"Missing AppConfiguration.plist"_s);

        QFile f(dir.filePath(u"AppConfiguration.plist"_s));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(plist(api + linkedIn));
        f.close();
        QCOMPARE(AppConfiguration::read(bundle).error().description,
                 u"Invalid AppConfiguration.plist: missing key \"storage\""_s);
    }

    // The real program over a copied bundle: a bad configuration ends it before any window.
    void programStopsOnABadBundle_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no file at all
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("missing") << QByteArray() << "Missing AppConfiguration.plist\n"_ba;
        QTest::newRow("invalid") << plist(api + linkedIn)
                                 << "Invalid AppConfiguration.plist: missing key \"storage\"\n"_ba;
    }
    void programStopsOnABadBundle()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, message);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(u"bin"_s) && QDir(root.path()).mkpath(u"share/quillet"_s));
        const QString program = root.filePath(u"bin/quillet"_s);
        QVERIFY(QFile::copy(QStringLiteral(QUILLET_EXECUTABLE), program));
        if (!file.isEmpty()) {
            QFile f(root.filePath(u"share/quillet/AppConfiguration.plist"_s));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        QProcess process;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"QT_LOGGING_RULES"_s, u"*=false"_s);
        process.setProcessEnvironment(env);
        process.start(program, {});
        QVERIFY(process.waitForFinished(30000));
        QVERIFY(process.exitStatus() == QProcess::CrashExit || process.exitCode() != 0);
        // The platform's graphics stack may warn first; the message is the last line.
        const QByteArray standardError = process.readAllStandardError();
        const QByteArray lastLine = QByteArray("\n") + message;
        QVERIFY2(standardError.endsWith(lastLine) || standardError == message,
                 standardError.constData());
    }
};

QTEST_GUILESS_MAIN(TestAppConfiguration)
#include "tst_appconfiguration.moc"

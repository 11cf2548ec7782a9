#include "LazySignInSheet.h"
#include "TestServer.h"

#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

const auto scheme = u"quillet-test"_s;
constexpr int sheetTimeout = 30000;

// A page whose script sends the browser to each of `targets` in turn, 150 ms apart.
TestServer::Answer scriptedPage(const QList<QByteArray> &targets)
{
    QByteArray script;
    int delay = 50;
    for (const auto &target : targets) {
        script += "setTimeout(function() { location.href = '" + target + "'; }, " +
                  QByteArray::number(delay) + ");";
        delay += 150;
    }
    return TestServer::text(200, "<!doctype html><p>Signing in</p><script>" + script + "</script>",
                            "text/html");
}

// Records every address handed to the desktop's URL handlers.
class DesktopOpener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

// The real sheet on the session's display, against pages of a loopback server.
class TestSignInSheet : public QObject {
    Q_OBJECT

private:
    std::optional<TestServer> m_server;
    std::optional<QQmlEngine> m_engine;
    std::optional<QWindow> m_mainWindow;
    std::optional<LazySignInSheet> m_sheet;
    std::optional<Result<QUrl>> m_outcome;

    [[nodiscard]] bool hasRequest(const QString &path) const
    {
        const auto requests = m_server->requests();
        return std::any_of(requests.begin(), requests.end(),
                           [&](const auto &request) { return request.path == path; });
    }

    void startSheet(const QUrl &url, bool ephemeral)
    {
        m_sheet->start(url, scheme, ephemeral).then([this](Result<QUrl> outcome) {
            m_outcome = std::move(outcome);
        });
    }

private Q_SLOTS:
    void init()
    {
        m_server.emplace();
        QVERIFY(m_server->isListening());
        m_engine.emplace();
        m_mainWindow.emplace();
        m_mainWindow->resize(400, 300);
        m_mainWindow->show();
        m_sheet.emplace(*m_engine, [this] { return &*m_mainWindow; });
        m_outcome.reset();
    }
    void cleanup()
    {
        m_sheet.reset();
        m_engine.reset();
        m_mainWindow.reset();
    }

    void aNavigationToTheCallbackSchemeEndsTheSheet_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<bool>("ephemeral");
        QTest::newRow("302 redirect, ephemeral") << QByteArray("redirect") << true;
        QTest::newRow("script redirect, persistent profile") << QByteArray("script") << false;
        QTest::newRow("script redirect, ephemeral") << QByteArray("script") << true;
        QTest::newRow("302 after a form post, ephemeral") << QByteArray("post") << true;
    }
    void aNavigationToTheCallbackSchemeEndsTheSheet()
    {
        QFETCH(QByteArray, kind);
        QFETCH(bool, ephemeral);

        const QUrl callback(u"quillet-test://linkedin/callback?state=s%2B1&code=c"_s);
        if (kind == "redirect") {
            m_server->setAnswer("GET", u"/authorize"_s, TestServer::redirect(302, callback));
        } else if (kind == "post") {
            m_server->setAnswer("GET", u"/authorize"_s,
                                TestServer::text(200,
                                                 "<!doctype html><form id=f method=post "
                                                 "action=/submit><input name=a value=b></form>"
                                                 "<script>f.submit()</script>",
                                                 "text/html"));
            m_server->setAnswer("POST", u"/submit"_s, TestServer::redirect(302, callback));
        } else {
            m_server->setAnswer("GET", u"/authorize"_s, scriptedPage({callback.toEncoded()}));
        }

        startSheet(m_server->url(u"/authorize"_s), ephemeral);
        QVERIFY(m_sheet->window());
        QCOMPARE(m_sheet->window()->transientParent(), &*m_mainWindow);
        QTRY_VERIFY_WITH_TIMEOUT(m_outcome.has_value(), sheetTimeout);
        QVERIFY2(*m_outcome, qPrintable(m_outcome->error().description));
        QCOMPARE(m_outcome->value(), callback);
        QVERIFY(!m_sheet->window());
    }

    // Only the callback scheme ends the sheet; a page that heads for any other scheme is
    // stopped there, and nothing is handed to the desktop to open.
    void otherSchemesNeitherEndTheSheetNorOpenAnything_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<bool>("clicked");
        for (const bool clicked : {false, true}) {
            const QByteArray how = clicked ? " (link clicked)" : " (script)";
            QTest::newRow(QByteArray("another application's scheme" + how).constData())
                << QByteArray("otherapp://callback?code=c") << clicked;
            QTest::newRow(QByteArray("a prefix of the callback scheme" + how).constData())
                << QByteArray("quillet://callback?code=c") << clicked;
            QTest::newRow(QByteArray("local file" + how).constData())
                << QByteArray("file:///etc/hostname") << clicked;
        }
        QTest::newRow("javascript (script)") << QByteArray("javascript:void(0)") << false;
    }
    void otherSchemesNeitherEndTheSheetNorOpenAnything()
    {
        QFETCH(QByteArray, target);
        QFETCH(bool, clicked);
        const QString targetScheme = QUrl::fromEncoded(target).scheme();
        DesktopOpener opener;
        for (const auto &watched : {targetScheme, u"http"_s, u"https"_s, scheme})
            QDesktopServices::setUrlHandler(watched, &opener, "open");
        const auto unsetHandlers = qScopeGuard([&] {
            for (const auto &watched : {targetScheme, u"http"_s, u"https"_s, scheme})
                QDesktopServices::unsetUrlHandler(watched);
        });
        const QUrl callback(u"quillet-test://linkedin/callback?state=s"_s);
        if (clicked) {
            // A link over the whole page: a user's click may hand an address to another
            // application, which a script alone may not. The callback follows the click.
            m_server->setAnswer("GET", u"/loaded"_s, TestServer::status(204));
            m_server->setAnswer(
                "GET", u"/authorize"_s,
                TestServer::text(
                    200,
                    "<!doctype html><body style='margin:0'><a id='l' href='" + target +
                        "' style='display:block;width:100vw;height:100vh'>Continue</a><script>"
                        "document.getElementById('l').addEventListener('click', function() {"
                        " setTimeout(function() { location.href = '" +
                        callback.toEncoded() + "'; }, 300); }); fetch('/loaded');</script>",
                    "text/html"));
        } else {
            m_server->setAnswer("GET", u"/authorize"_s,
                                scriptedPage({target, target, callback.toEncoded()}));
        }

        startSheet(m_server->url(u"/authorize"_s), false);
        if (clicked) {
            QPointer<QQuickWindow> window = m_sheet->window();
            QVERIFY(window && QTest::qWaitForWindowExposed(window));
            QTRY_VERIFY_WITH_TIMEOUT(hasRequest(u"/loaded"_s), sheetTimeout);
            // A page can take input a little after it has loaded (later still on a busy
            // machine): click until the callback follows.
            const QDeadlineTimer deadline(sheetTimeout);
            while (!m_outcome && window && !deadline.hasExpired()) {
                QTest::mouseClick(window, Qt::LeftButton, {},
                                  QPoint(window->width() / 2, window->height() / 2));
                std::ignore =
                    QTest::qWaitFor([&] { return m_outcome.has_value() || !window; }, 1000);
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_outcome.has_value(), sheetTimeout);

        QVERIFY2(*m_outcome, qPrintable(m_outcome->error().description));
        QCOMPARE(m_outcome->value(), callback);
        QCOMPARE(opener.opened, QList<QUrl>());
    }

    void aPageThatCannotBeOpenedFails()
    {
        // A loopback port that nobody listens on any more.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();

        startSheet(QUrl(u"http://127.0.0.1:%1/authorize"_s.arg(port)), false);
        QTRY_VERIFY_WITH_TIMEOUT(m_outcome.has_value(), sheetTimeout);
        QVERIFY(!*m_outcome);
        QVERIFY(m_outcome->error().is(WebAuthenticationSession::Failure::failedToLoad));
        QVERIFY(!m_outcome->error().description.isEmpty());
        QTRY_VERIFY(!m_sheet->window());
    }

    void closingTheWindowCancels()
    {
        m_server->setAnswer("GET", u"/authorize"_s,
                            TestServer::text(200, "<!doctype html><p>Sign in</p>", "text/html"));
        startSheet(m_server->url(u"/authorize"_s), false);
        QPointer<QQuickWindow> window = m_sheet->window();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(m_server->waitForRequests(1, std::chrono::milliseconds(sheetTimeout)));
        window->close();
        QTRY_VERIFY_WITH_TIMEOUT(m_outcome.has_value(), sheetTimeout);
        QVERIFY(!*m_outcome);
        QVERIFY(m_outcome->error().is(WebAuthenticationSession::Failure::cancelled));
        QTRY_VERIFY(!window);
    }

    void noWindowToAttachTo()
    {
        LazySignInSheet sheet(*m_engine, [] { return nullptr; });
        const auto outcome = QCoro::waitFor(sheet.start(m_server->url(u"/a"_s), scheme, false));
        QVERIFY(!outcome);
        QVERIFY(outcome.error().is(WebAuthenticationSession::Failure::missingWindow));
        QCOMPARE(m_server->requestCount(), 0);
    }

    // Without its web engine module the sheet cannot be shown, and says so.
    void aMissingModuleIsNotShown()
    {
        LazySignInSheet sheet(
            *m_engine, [this] { return &*m_mainWindow; }, QDir::tempPath() + u"/no-such-folder"_s);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"^The sign-in module could not be loaded"_s));
        const auto outcome = QCoro::waitFor(sheet.start(m_server->url(u"/a"_s), scheme, false));
        QVERIFY(!outcome);
        QVERIFY(outcome.error().is(WebAuthenticationSession::Failure::missingWindow));
        QCOMPARE(outcome.error().description, LazySignInSheet::notShownDescription);
        QVERIFY(!sheet.window());
        QCOMPARE(m_server->requestCount(), 0);
    }
};

int main(int argc, char *argv[])
{
    // As the program does: the web engine itself is prepared by the first sheet.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(argc, argv);
    TestSignInSheet test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_signinsheet.moc"

#include "TestServer.h"
#include "WebEngineSignInSheet.h"

#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const auto scheme = u"quillet-test"_s;
constexpr int sheetTimeout = 30000;

} // namespace

// The real sheet on the session's display, against pages of a loopback server.
class TestSignInSheet : public QObject {
    Q_OBJECT

private:
    std::optional<TestServer> m_server;
    std::optional<QQmlEngine> m_engine;
    std::optional<QWindow> m_mainWindow;
    std::optional<WebEngineSignInSheet> m_sheet;
    std::optional<Result<QUrl>> m_outcome;

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
        QTest::newRow("302 redirect, persistent") << QByteArray("redirect") << false;
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
            m_server->setAnswer(
                "GET", u"/authorize"_s,
                TestServer::text(200,
                                 "<!doctype html><p>Signing in</p><script>setTimeout(function() {"
                                 " location.href = '" +
                                     callback.toEncoded() + "'; }, 50);</script>",
                                 "text/html"));
        }

        startSheet(m_server->url(u"/authorize"_s), ephemeral);
        QVERIFY(m_sheet->window());
        QCOMPARE(m_sheet->window()->transientParent(), &*m_mainWindow);
        QTRY_VERIFY_WITH_TIMEOUT(m_outcome.has_value(), sheetTimeout);
        QVERIFY2(*m_outcome, qPrintable(m_outcome->error().description));
        QCOMPARE(m_outcome->value(), callback);
        QVERIFY(!m_sheet->window());
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
        WebEngineSignInSheet sheet(*m_engine, [] { return nullptr; });
        const auto outcome = QCoro::waitFor(sheet.start(m_server->url(u"/a"_s), scheme, false));
        QVERIFY(!outcome);
        QVERIFY(outcome.error().is(WebAuthenticationSession::Failure::missingWindow));
        QCOMPARE(m_server->requestCount(), 0);
    }
};

int main(int argc, char *argv[])
{
    WebEngineSignInSheet::registerCallbackScheme(scheme);
    QGuiApplication app(argc, argv);
    TestSignInSheet test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_signinsheet.moc"
